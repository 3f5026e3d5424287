#include "platform/unita.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <system_error>

namespace fs = std::filesystem;

namespace lumetto::platform {

namespace {

char minuscola(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool ugualeSenzaMaiuscole(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (minuscola(a[i]) != minuscola(b[i])) return false;
    return true;
}

[[noreturn]] void fallisci(const std::string& cosa, const fs::path& dove, std::error_code ec) {
    throw ErroreUnita("Impossibile " + cosa + " " + dove.string() + ": " +
                      std::generic_category().message(ec.value()));
}

// Any entry counts, a dangling link too: whatever the user put there is theirs.
bool esisteSenzaMaiuscole(const fs::path& cartella, const std::string& nome) {
    std::error_code ec;
    if (fs::exists(fs::symlink_status(cartella / nome, ec))) return true;
    for (fs::directory_iterator it(cartella, ec), fine; !ec && it != fine; it.increment(ec))
        if (ugualeSenzaMaiuscole(it->path().filename().string(), nome)) return true;
    return false;
}

// The folder the c: link stands for, made when the link is missing.
fs::path unitaC(const DosDevices& dove) {
    std::error_code ec;
    fs::create_directories(dove.dosdevices, ec);
    if (ec) fallisci("creare la cartella", dove.dosdevices, ec);
    const fs::path link = dove.dosdevices / "c:";
    auto stato = fs::symlink_status(link, ec);
    if (!fs::exists(stato)) {
        const fs::path unita = dove.dosdevices.parent_path() / "drive_c";
        fs::create_directories(unita, ec);
        if (ec) fallisci("creare la cartella", unita, ec);
        // Relative, as the convention has it: the folder may be moved whole.
        fs::create_directory_symlink(fs::path("..") / "drive_c", link, ec);
        // Another instance starting at the same time may have made it first.
        if (ec && ec != std::errc::file_exists) fallisci("creare il collegamento", link, ec);
    }
    if (!fs::is_directory(link, ec))
        throw ErroreUnita("L'unità C: (" + link.string() + ") non porta a una cartella esistente");
    return link;
}

std::atomic<unsigned> contatore{0};

// Copied under a temporary name, then linked to its own: link() never replaces
// a file, so one that appeared meanwhile stays, and no half file is ever seen.
bool copiaSenzaSovrascrivere(const fs::path& da, const fs::path& a) {
    std::error_code ec;
    const fs::path tmp =
        a.parent_path() / ("." + a.filename().string() + "." + std::to_string(::getpid()) + "-" +
                           std::to_string(contatore++) + ".tmp");
    fs::copy_file(da, tmp, fs::copy_options::overwrite_existing, ec);
    if (ec) {
        std::error_code ignora;
        fs::remove(tmp, ignora);
        fallisci("copiare il file", a, ec);
    }
    int r = ::link(tmp.c_str(), a.c_str());
    int errore = errno;
    fs::remove(tmp, ec);
    if (r == 0) return true;
    if (errore == EEXIST) return false;
    fallisci("copiare il file", a, std::error_code(errore, std::generic_category()));
}

}  // namespace

const std::vector<std::string>& filepredefiniti() {
    static const std::vector<std::string> nomi = {"climatica.sca", "solare.sca", "irrigazione.sca",
                                                  "climatica.jpg", "solare.jpg", "irrigazione.jpg"};
    return nomi;
}

std::vector<fs::path> preparaunita(const fs::path& dati, const DosDevices& dove) {
    unitaC(dove);
    // An existing "Lavoro\Arduino" of the user is the folder the commands
    // reach, so that one gets the files.
    const fs::path cartella = resolvePath("c:\\lavoro\\arduino", dove);
    std::error_code ec;
    fs::create_directories(cartella, ec);
    if (ec) fallisci("creare la cartella", cartella, ec);

    std::vector<fs::path> copiati;
    for (const auto& nome : filepredefiniti()) {
        if (esisteSenzaMaiuscole(cartella, nome)) continue;
        const fs::path sorgente = dati / nome;
        if (!fs::is_regular_file(sorgente, ec))
            throw ErroreUnita("Manca il file predefinito " + sorgente.string() +
                              ": l'installazione è incompleta");
        if (copiaSenzaSovrascrivere(sorgente, cartella / nome)) copiati.push_back(cartella / nome);
    }
    return copiati;
}

std::vector<fs::path> preparaunita(const fs::path& dati) {
    return preparaunita(dati, userDosDevices());
}

std::optional<fs::path> accantoalprogramma(const fs::path& relativa) {
    std::error_code ec;
    const fs::path eseguibile = fs::read_symlink("/proc/self/exe", ec);
    if (ec) return std::nullopt;
    fs::path accanto = eseguibile.parent_path().parent_path() / "share" / relativa;
    if (!fs::is_directory(accanto, ec)) return std::nullopt;
    return accanto;
}

fs::path cartellautente() {
    const char* xdg = std::getenv("XDG_DATA_HOME");
    if (xdg && *xdg && fs::path(xdg).is_absolute()) return fs::path(xdg) / "lumetto";
    const char* casa = std::getenv("HOME");
    return fs::path(casa ? casa : ".") / ".local" / "share" / "lumetto";
}

fs::path cartellaprogramma(const char* variabile, const fs::path& relativa,
                           const fs::path& sviluppo, const fs::path& installata) {
    if (const char* d = std::getenv(variabile); d && *d) return fs::path(d);
    if (auto accanto = accantoalprogramma(relativa)) return *accanto;
    std::error_code ec;
    if (!sviluppo.empty() && fs::is_directory(sviluppo, ec)) return sviluppo;
    return installata;
}

// The build defines where the tree's and the installed copies are; a build
// that does not (a tool compiling this file alone) gets the usual prefix.
#ifndef LUMETTO_DATI_SORGENTE
#define LUMETTO_DATI_SORGENTE ""
#endif
#ifndef LUMETTO_DATI_INSTALLATI
#define LUMETTO_DATI_INSTALLATI "/usr/share/lumetto"
#endif

fs::path cartelladati() {
    return cartellaprogramma("LUMETTO_DATI", "lumetto", LUMETTO_DATI_SORGENTE,
                             LUMETTO_DATI_INSTALLATI);
}

}  // namespace lumetto::platform
