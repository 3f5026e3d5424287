// The virtual board's pseudo-terminal, its link and the loop that serves the program.
#include "board/scheda.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>

#include "platform/dosdevices.h"
#include "serial/posix/termios2.h"

namespace fs = std::filesystem;

namespace lumetto::scheda {

const char* nomeGuasto(Guasto g) {
    switch (g) {
        case Guasto::Muto:
            return "muto";
        case Guasto::Lento:
            return "lento";
        case Guasto::Perde:
            return "perde";
        case Guasto::Storpia:
            return "storpia";
        case Guasto::Inonda:
            return "inonda";
        case Guasto::Lunga:
            return "lunga";
        case Guasto::Rumore:
            return "rumore";
        case Guasto::Manca:
            return "manca";
        case Guasto::Nan:
            return "nan";
        case Guasto::Virgola:
            return "virgola";
        case Guasto::Silenzio:
            return "silenzio";
        case Guasto::Nessuno:
            break;
    }
    return "nessuno";
}

std::optional<Guasto> guastoDaNome(const std::string& nome) {
    for (Guasto g : {Guasto::Nessuno, Guasto::Muto, Guasto::Lento, Guasto::Perde, Guasto::Storpia,
                     Guasto::Inonda, Guasto::Lunga, Guasto::Rumore, Guasto::Manca, Guasto::Nan,
                     Guasto::Virgola, Guasto::Silenzio})
        if (nome == nomeGuasto(g)) return g;
    return std::nullopt;
}

bool guastoDelFlusso(Guasto g) {
    return g >= Guasto::Lunga;
}

namespace {

constexpr int kInondaOgniMs = 5;
constexpr int kLetturaMs =
    2000;  // how long an unplugging board waits for its last reply to be read
constexpr int kGuardaCodaMs = 10;
constexpr int kConsegnaMs = 100;
constexpr uint32_t kVelocitaScheda = 9600;

}  // namespace

Scheda::Scheda(Opzioni opzioni)
    : opz_(std::move(opzioni)),
      stop_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)),
      sveglia_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)),
      logica_(std::make_unique<Logica>(opz_.sketch, opz_.seme, opz_.passo, opz_.campiUtente)),
      guasti_(opz_.seme ^ 0x9e3779b97f4a7c15ull) {
    inizio_ = adessoMs();
    logica_->conoscechi = !opz_.vecchia;
    logica_->evento = [this](const std::string& e) { inAttesa_.push_back(e); };
    std::string dir =
        opz_.dosdevices.empty() ? platform::userDosDevices().dosdevices.string() : opz_.dosdevices;
    link_ = dir + "/com" + std::to_string(opz_.porta);
}

Scheda::~Scheda() {
    // The link goes only if it is still ours: another board may have taken the name.
    std::error_code ec;
    if (!slavePath_.empty() && fs::is_symlink(fs::symlink_status(link_, ec)) &&
        fs::read_symlink(link_, ec) == slavePath_)
        fs::remove(link_, ec);
    if (master_ >= 0) close(master_);
    if (slave_ >= 0) close(slave_);
    for (int fd : {timer_, guardia_})
        if (fd >= 0) close(fd);
    close(sveglia_);
    close(stop_);
}

int64_t Scheda::adessoMs() const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

bool Scheda::apriPty(std::string& errore) {
    int m = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    if (m < 0 || grantpt(m) != 0 || unlockpt(m) != 0) {
        errore = std::string("impossibile creare lo pseudo-terminale: ") + std::strerror(errno);
        if (m >= 0) close(m);
        return false;
    }
    char nome[128];
    if (ptsname_r(m, nome, sizeof nome) != 0) {
        errore = "impossibile trovare il nome dello pseudo-terminale";
        close(m);
        return false;
    }
    int s = open(nome, O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    if (s < 0) {
        errore = std::string("impossibile aprire ") + nome + ": " + std::strerror(errno);
        close(m);
        return false;
    }
    // Raw both ways, at the board's rate, until the program sets its own.
    termios2 t{};
    if (serial::posix::readLine(s, t)) {
        serial::posix::makeRaw(t);
        serial::posix::setLineRate(t, kVelocitaScheda);
        serial::posix::writeLine(s, t);
    }
    {
        std::lock_guard lock(m_);
        master_ = m;
        slave_ = s;
        slavePath_ = nome;
    }
    guardaAperture();
    return true;
}

bool Scheda::collega(std::string& errore) {
    std::error_code ec;
    fs::create_directories(fs::path(link_).parent_path(), ec);
    auto st = fs::symlink_status(link_, ec);
    if (fs::exists(st)) {
        if (!fs::is_symlink(st)) {
            errore = link_ + " esiste e non è un collegamento: la scheda non lo tocca";
            return false;
        }
        fs::path bersaglio = fs::read_symlink(link_, ec);
        bool nostro = !precedente_.empty() && bersaglio == precedente_;
        if (!nostro && fs::exists(fs::status(link_, ec))) {
            errore = link_ + " porta già a " + bersaglio.string() +
                     ", un dispositivo presente: scegli un'altra porta con --porta";
            return false;
        }
        fs::remove(link_, ec);  // a link left dangling by a board that is gone
    }
    if (!apriPty(errore)) return false;
    fs::create_symlink(slavePath_, link_, ec);
    if (ec) {
        errore = "impossibile creare " + link_ + ": " + ec.message();
        return false;
    }
    segnala("collegata: COM" + std::to_string(opz_.porta) + " -> " + slavePath_ + ", sketch " +
            sketch());
    return true;
}

void Scheda::stacca() {
    std::lock_guard lock(m_);
    if (master_ >= 0) close(master_);
    if (slave_ >= 0) close(slave_);
    master_ = slave_ = -1;
    precedente_ = slavePath_;
    ritardate_.clear();
    staccaEntro_.reset();
}

void Scheda::ferma() {
    uint64_t uno = 1;
    [[maybe_unused]] ssize_t n = write(stop_, &uno, sizeof uno);
}

void Scheda::segnala(const std::string& s) {
    if (evento) evento(s);
}

void Scheda::segnalaInAttesa() {
    std::vector<std::string> dire;
    {
        std::lock_guard lock(m_);
        dire.swap(inAttesa_);
    }
    for (const auto& e : dire)
        segnala(e);
}

void Scheda::scrivi(const std::string& byte) {
    if (master_ < 0) return;
    // A board whose buffer is full because nobody reads just loses what it sends.
    [[maybe_unused]] ssize_t n = write(master_, byte.data(), byte.size());
}

void Scheda::controllaLinea() {
    termios2 t{};
    if (master_ < 0 || !serial::posix::readLine(master_, t)) return;
    uint32_t v = serial::posix::lineRate(t);
    if (v != velocitaSegnalata_) {
        velocitaSegnalata_ = v;
        // The free stream tells of its rate with the line it sends.
        if (flusso_) return;
        segnala(v == kVelocitaScheda ? "linea di nuovo a 9600 baud"
                                     : "attenzione: il programma ha impostato " +
                                           std::to_string(v) + " baud, la scheda parla a 9600");
    }
}

void Scheda::rispondi(std::string r, int64_t ora) {
    if (r.empty()) return;
    ++scambi_;
    switch (opz_.guasto) {
        case Guasto::Muto:
            segnala("risposta taciuta (guasto muto)");
            r.clear();
            break;
        case Guasto::Perde:
            r.erase(guasti_.intero(r.size()), 1);
            break;
        case Guasto::Storpia: {
            size_t campi = std::max<size_t>(r.size() / 6, 1);
            size_t k = guasti_.intero(campi) * 6;
            for (size_t i = k; i < std::min(r.size(), k + 6); ++i)
                if (r[i] != '\r' && r[i] != '\n') r[i] = "#?*%&@"[guasti_.intero(6)];
            break;
        }
        default:
            break;
    }
    {
        std::lock_guard lock(m_);
        risposta_ = r;
    }
    if (!r.empty()) {
        if (opz_.guasto == Guasto::Lento) {
            ritardate_.emplace_back(ora + opz_.ritardoMs, r);
        } else {
            scrivi(r);
            segnala("risposta: " + r.substr(0, r.find_first_of("\r\n")));
        }
    }
    contaScambio(ora);
}

void Scheda::contaScambio(int64_t ora) {
    if (opz_.staccaDopo > 0 && scambi_ == opz_.staccaDopo) {
        // The kernel hands the bytes to the program's side a moment later: the
        // queue looks empty before they are there.
        staccaDopoMs_ = ora + kConsegnaMs;
        staccaEntro_ = ora + kLetturaMs;
    }
}

// Who the board is is no reading: the faults that spoil replies and the
// count of replies before an unplug leave it alone. A mute board says
// nothing at all. A frame that is late has not begun, so the line goes now.
void Scheda::diciChi(const std::string& riga) {
    if (riga.empty()) return;
    if (opz_.guasto == Guasto::Muto) {
        segnala("chi sei taciuto (guasto muto)");
        return;
    }
    scrivi(riga);
    segnala("chi sei: " + riga.substr(0, riga.find_first_of("\r\n")));
}

void Scheda::staccaSeLetta(int64_t ora) {
    // A hang-up throws away what the program has not read yet: the last reply
    // goes out whole before the board is unplugged.
    int inCoda = 0;
    if (!staccaEntro_ || !ritardate_.empty() || ora < *staccaDopoMs_) return;
    if (ioctl(slave_, FIONREAD, &inCoda) == 0 && inCoda > 0 && ora < *staccaEntro_) return;
    staccaEntro_.reset();
    staccaDopoMs_.reset();
    stacca();
    segnala("scollegata (dopo " + std::to_string(scambi_) + " risposte)");
    if (opz_.ricollegaMs >= 0) ricollegaAlle_ = ora + opz_.ricollegaMs;
}

void Scheda::esegui() {
    char buf[256];
    for (;;) {
        if (libera() != flusso_) {
            if (flusso_)
                fermaFlusso();
            else
                avviaFlusso(0);
        }
        int64_t ora = adessoMs();
        int64_t prossimo = ora + 1000;
        {
            std::lock_guard lock(m_);
            if (auto s = logica_->scadenza()) prossimo = std::min(prossimo, *s);
        }
        if (!ritardate_.empty()) prossimo = std::min(prossimo, ritardate_.front().first);
        if (ricollegaAlle_) prossimo = std::min(prossimo, *ricollegaAlle_);
        if (staccaEntro_) prossimo = std::min(prossimo, ora + kGuardaCodaMs);
        if (opz_.guasto == Guasto::Inonda && master_ >= 0)
            prossimo = std::min(prossimo, prossimaInondazione_);
        int attesa = static_cast<int>(std::clamp<int64_t>(prossimo - ora, 0, 1000));

        // A descriptor of -1 is left out by poll().
        pollfd p[5] = {{stop_, POLLIN, 0},
                       {master_, POLLIN, 0},
                       {sveglia_, POLLIN, 0},
                       {flusso_ ? timer_ : -1, POLLIN, 0},
                       {flusso_ && master_ >= 0 ? guardia_ : -1, POLLIN, 0}};
        int n = poll(p, 5, attesa);
        if (n < 0 && errno != EINTR) return;
        if (p[0].revents) return;
        if (p[2].revents & POLLIN) {
            uint64_t volte;
            [[maybe_unused]] ssize_t letti = read(sveglia_, &volte, sizeof volte);
        }
        if (p[4].revents & POLLIN) apertaDalProgramma();
        if (p[3].revents & POLLIN) serviFlusso();
        ora = adessoMs();

        if (master_ >= 0 && (p[1].revents & POLLIN)) {
            ssize_t letti = read(master_, buf, sizeof buf);
            if (letti > 0) controllaLinea();
            for (ssize_t i = 0; i < letti; ++i) {
                Logica::Detto d;
                {
                    std::lock_guard lock(m_);
                    d = logica_->ascolta(buf[i], ora);
                    comando_ = logica_->ultimoComando;
                }
                segnalaInAttesa();
                rispondi(std::move(d.trame), ora);
                if (master_ < 0) break;
                diciChi(d.chi);
            }
        }
        std::string scaduta;
        {
            std::lock_guard lock(m_);
            if (auto s = logica_->scadenza(); s && *s <= ora) {
                scaduta = logica_->scaduto(ora);
                comando_ = logica_->ultimoComando;
            }
        }
        segnalaInAttesa();
        rispondi(std::move(scaduta), ora);
        while (!ritardate_.empty() && ritardate_.front().first <= ora) {
            scrivi(ritardate_.front().second);
            segnala("risposta in ritardo: " +
                    ritardate_.front().second.substr(
                        0, ritardate_.front().second.find_first_of("\r\n")));
            ritardate_.pop_front();
        }
        if (master_ >= 0) staccaSeLetta(ora);
        if (opz_.guasto == Guasto::Inonda && master_ >= 0 && ora >= prossimaInondazione_) {
            scrivi("  12.34  56.78 HHHHHH rumore sulla linea 0123456789 LLLLLL  -9.99\r\n");
            prossimaInondazione_ = ora + kInondaOgniMs;
        }
        if (ricollegaAlle_ && ora >= *ricollegaAlle_) {
            ricollegaAlle_.reset();
            scambi_ = 0;
            std::string errore;
            if (collega(errore)) {
                segnala("ricollegata");
                if (flusso_) avviaFlusso(0);  // powered again: the sketch starts over
            } else {
                segnala("non riesco a ricollegarmi: " + errore);
            }
        }
    }
}

Pin Scheda::pin() const {
    std::lock_guard lock(m_);
    return logica_->pin;
}

void Scheda::impostaDigitale(int indice, bool alto) {
    std::lock_guard lock(m_);
    if (indice >= 0 && indice < 6) logica_->pin.digitali[static_cast<size_t>(indice)] = alto;
}

void Scheda::impostaAnalogico(int indice, int valore) {
    std::lock_guard lock(m_);
    if (indice >= 0 && indice < 6)
        logica_->pin.analogici[static_cast<size_t>(indice)] = std::clamp(valore, 0, 1023);
}

void Scheda::cambiaSketch(const std::string& nome) {
    auto nuova = std::make_unique<Logica>(nome, opz_.seme, opz_.passo, opz_.campiUtente);
    {
        std::lock_guard lock(m_);
        nuova->pin = logica_->pin;  // the wiring stays as it is
        nuova->conoscechi = logica_->conoscechi;
        nuova->evento = [this](const std::string& e) { inAttesa_.push_back(e); };
        logica_ = std::move(nuova);
        opz_.sketch = nome;
    }
    segnala("sketch " + nome);
    // The free stream starts or stops on the board's thread, now.
    uint64_t uno = 1;
    [[maybe_unused]] ssize_t n = write(sveglia_, &uno, sizeof uno);
}

std::string Scheda::sketch() const {
    std::lock_guard lock(m_);
    return logica_->sketch();
}

std::string Scheda::ultimoComando() const {
    std::lock_guard lock(m_);
    return comando_;
}

std::string Scheda::ultimaRisposta() const {
    std::lock_guard lock(m_);
    return risposta_;
}

std::string Scheda::percorsoSlave() const {
    std::lock_guard lock(m_);
    return slavePath_;
}

bool Scheda::collegata() const {
    std::lock_guard lock(m_);
    return master_ >= 0;
}

}  // namespace lumetto::scheda
