#include "platform/salvataggio.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <filesystem>
#include <system_error>

#include "platform/descrittore.h"

namespace lumetto::platform {

namespace {

using Fase = ErroreSalvataggio::Fase;

[[noreturn]] void fallito(Fase f, int e) {
    throw ErroreSalvataggio(f, e);
}

// The temporary file: its descriptor closed on every path, the file
// removed unless kept.
class Temporaneo {
  public:
    Temporaneo(int fd, std::string nome) : fd_(fd), nome_(std::move(nome)) {}
    ~Temporaneo() {
        if (!tenuto_) ::unlink(nome_.c_str());
    }
    Temporaneo(const Temporaneo&) = delete;
    Temporaneo& operator=(const Temporaneo&) = delete;

    int fd() const { return fd_.fd(); }
    int chiudi() { return fd_.chiudi(); }
    void tieni() { tenuto_ = true; }

  private:
    Descrittore fd_;
    std::string nome_;
    bool tenuto_ = false;
};

}  // namespace

ErroreSalvataggio::ErroreSalvataggio(Fase f, int e)
    : std::runtime_error(std::generic_category().message(e)), fase(f), errore(e) {}

void salvasicuro(const std::string& percorso, std::string_view dati) {
    namespace fs = std::filesystem;
    fs::path destinazione(percorso);
    if (!destinazione.has_filename()) fallito(Fase::Creare, EISDIR);
    std::error_code ec;
    if (fs::is_symlink(destinazione, ec)) {
        const fs::path reale = fs::canonical(destinazione, ec);
        if (!ec) destinazione = reale;
    }
    // A file the user may not write stays as it is, as if written in place.
    if (::access(destinazione.c_str(), F_OK) == 0 && ::access(destinazione.c_str(), W_OK) != 0)
        fallito(Fase::Creare, errno);
    fs::path cartella = destinazione.parent_path();
    if (cartella.empty()) cartella = ".";

    // A short name of our own, created exclusively: the user's name may
    // already be as long as a name can be.
    static std::atomic<unsigned> contatore{0};
    int fd = -1;
    std::string nome;
    for (int tentativo = 0; fd < 0; ++tentativo) {
        nome = (cartella / (".lumetto-" + std::to_string(::getpid()) + "-" +
                            std::to_string(contatore++) + ".tmp"))
                   .string();
        fd = ::open(nome.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && (errno != EEXIST || tentativo >= 100)) fallito(Fase::Creare, errno);
    }
    Temporaneo temporaneo(fd, nome);

    struct stat prima {};
    if (::stat(destinazione.c_str(), &prima) == 0 && S_ISREG(prima.st_mode))
        (void)::fchmod(fd, prima.st_mode & 07777);

    std::size_t scritti = 0;
    while (scritti < dati.size()) {
        ssize_t n = ::write(fd, dati.data() + scritti, dati.size() - scritti);
        if (n < 0) {
            if (errno == EINTR) continue;
            fallito(Fase::Scrivere, errno);
        }
        if (n == 0) fallito(Fase::Scrivere, EIO);
        scritti += static_cast<std::size_t>(n);
    }
    if (::fsync(fd) != 0) fallito(Fase::Scrivere, errno);
    if (temporaneo.chiudi() != 0) fallito(Fase::Scrivere, errno);
    if (::rename(nome.c_str(), destinazione.c_str()) != 0) fallito(Fase::Scrivere, errno);
    temporaneo.tieni();

    // The new name itself reaches the disk with the folder. The file is
    // already in place, so a folder that cannot be synced is no failure.
    int dir = ::open(cartella.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
}

}  // namespace lumetto::platform
