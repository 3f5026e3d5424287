#include "platform/diagnosi.h"

#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <system_error>

#include "platform/dosdevices.h"

namespace fs = std::filesystem;

namespace lumetto::platform {

namespace {

class SistemaLinux final : public SistemaPorte {
  public:
    std::vector<fs::path> dispositivi() const override { return usbSerialDevices("/dev"); }

    int prova(const fs::path& p) const override {
        const int fd = ::open(p.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) return errno;
        const int bloccato = ::flock(fd, LOCK_EX | LOCK_NB) != 0 ? EWOULDBLOCK : 0;
        ::close(fd);  // the lock, if taken, goes with it
        return bloccato;
    }

    std::string gruppo(const fs::path& p) const override {
        struct stat st {};
        if (::stat(p.c_str(), &st) != 0) return {};
        const group* g = ::getgrgid(st.st_gid);
        return g ? g->gr_name : std::string();
    }

    bool membro(const std::string& nome) const override {
        const group* g = ::getgrnam(nome.c_str());
        if (!g) return false;
        const std::string io = utente();
        for (char** m = g->gr_mem; m && *m; ++m)
            if (io == *m) return true;
        const passwd* pw = ::getpwuid(::getuid());
        return pw && pw->pw_gid == g->gr_gid;
    }

    std::string utente() const override {
        const passwd* pw = ::getpwuid(::getuid());
        return pw ? pw->pw_name : std::string();
    }

    std::vector<std::string> detentori(const fs::path& p) const override {
        std::vector<std::string> r;
        std::error_code ec;
        const fs::path cercato = fs::canonical(p, ec);
        for (const std::string& pid : processi()) {
            // Another user's descriptors are closed to us: those stay unknown.
            const fs::path fd = fs::path("/proc") / pid / "fd";
            for (fs::directory_iterator it(fd, ec), fine; !ec && it != fine; it.increment(ec)) {
                std::error_code ec2;
                if (fs::read_symlink(it->path(), ec2) == cercato) {
                    r.push_back(nomedi(pid));
                    break;
                }
            }
            ec.clear();
        }
        return r;
    }

    bool inesecuzione(const std::string& programma) const override {
        for (const std::string& pid : processi())
            if (nomedi(pid) == programma) return true;
        return false;
    }

  private:
    static std::vector<std::string> processi() {
        std::vector<std::string> r;
        std::error_code ec;
        for (fs::directory_iterator it("/proc", ec), fine; !ec && it != fine; it.increment(ec)) {
            const std::string n = it->path().filename().string();
            if (!n.empty() && n.find_first_not_of("0123456789") == std::string::npos &&
                n != std::to_string(::getpid()))
                r.push_back(n);
        }
        return r;
    }
    static std::string nomedi(const std::string& pid) {
        std::ifstream f(fs::path("/proc") / pid / "comm");
        std::string n;
        std::getline(f, n);
        return n;
    }
};

// What to do about a program known to take serial devices.
std::string rimedio(const std::string& programma) {
    if (programma == "ModemManager")
        return "ModemManager prova ogni nuova porta come se fosse un modem. Fermarlo con\n"
               "    sudo systemctl stop ModemManager\n"
               "e, se nessuno usa un modem su questo computer, per sempre con\n"
               "    sudo systemctl disable --now ModemManager";
    if (programma == "brltty")
        return "brltty scambia alcuni adattatori USB per un display braille. Se nessuno usa un "
               "display braille su questo computer, toglierlo con\n"
               "    sudo apt remove brltty";
    return "Chiudere quel programma (per esempio il monitor seriale dell'IDE di Arduino) e "
           "riavviare Lumetto.";
}

std::string occupata(const SistemaPorte& s, const fs::path& p) {
    std::vector<std::string> chi = s.detentori(p);
    if (chi.empty()) {
        // Not ours to see (a system service): name the usual suspects running.
        for (const char* sospetto : {"ModemManager", "brltty"})
            if (s.inesecuzione(sospetto)) chi.push_back(sospetto);
        if (chi.empty())
            return "La scheda su " + p.string() +
                   " è occupata da un altro programma. Chiuderlo (per esempio il monitor "
                   "seriale dell'IDE di Arduino) e riavviare Lumetto; il comando\n"
                   "    fuser -v " +
                   p.string() + "\ndice quale programma la tiene.";
        return "La scheda su " + p.string() + " è occupata da un altro programma, probabilmente " +
               chi.front() + ", che è in esecuzione. " + rimedio(chi.front()) +
               "\nPoi riavviare Lumetto.";
    }
    return "La scheda su " + p.string() + " è occupata dal programma " + chi.front() + ". " +
           rimedio(chi.front()) + "\nPoi riavviare Lumetto.";
}

std::string permesso(const SistemaPorte& s, const fs::path& p) {
    const std::string g = s.gruppo(p);
    if (g.empty())
        return "La scheda su " + p.string() +
               " c'è, ma questo utente non ha il permesso di aprirla.";
    if (s.membro(g))
        return "La scheda su " + p.string() + " c'è, e l'utente " + s.utente() +
               " è già nel gruppo " + g +
               ", ma il gruppo vale solo da un nuovo accesso: uscire dalla sessione e rientrare "
               "(o riavviare il computer), poi riavviare Lumetto.";
    return "La scheda su " + p.string() + " c'è, ma l'utente " + s.utente() +
           " non ha il permesso di aprirla: la porta è del gruppo " + g +
           " e l'utente non ne fa parte. Aggiungerlo con il comando\n    sudo usermod -aG " + g +
           " " + s.utente() +
           "\npoi uscire dalla sessione e rientrare (o riavviare il computer) e riavviare Lumetto.";
}

}  // namespace

const SistemaPorte& sistemaporte() {
    static const SistemaLinux s;
    return s;
}

std::optional<std::string> diagnosiporte(const SistemaPorte& s) {
    for (const fs::path& p : s.dispositivi()) {
        const int e = s.prova(p);
        switch (e) {
            case 0:
                continue;
            case EACCES:
            case EPERM:
                return permesso(s, p);
            case EBUSY:
            case EWOULDBLOCK:
                return occupata(s, p);
            case ENOENT:
            case ENXIO:
            case ENODEV:
                return "La scheda su " + p.string() +
                       " non risponde più: è stata scollegata? Ricollegarla e riavviare Lumetto.";
            default: {
                return "La scheda su " + p.string() +
                       " c'è, ma non si apre: " + std::generic_category().message(e) + ".";
            }
        }
    }
    return std::nullopt;
}

}  // namespace lumetto::platform
