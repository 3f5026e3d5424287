// The free-stream sketch on the virtual board's thread: its lines go out at
// their own instants on a monotonic timer, whatever the program sends; the
// program opening the port starts the sketch again, as it resets an Uno; and a
// program that reads at another rate gets what a UART at that rate would read.
#include <sys/inotify.h>
#include <sys/timerfd.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>

#include "board/scheda.h"

namespace lumetto::scheda {

namespace {

// From the port's opening to the first line: the reset and setup(). A real
// Uno's bootloader waits about a second; the board is quicker, so that tests
// do not wait, and still leaves the program time to set the line up.
constexpr int64_t kAvvioNs = 100'000'000;

int64_t adessoNs() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return int64_t{t.tv_sec} * 1'000'000'000 + t.tv_nsec;
}

std::string primaRiga(const std::string& byte) {
    std::string r = byte.substr(0, byte.find_first_of("\r\n"));
    if (r.size() > 80) r = r.substr(0, 80) + "…";
    for (char& c : r)
        if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) >= 0x7f) c = '?';
    return r;
}

}  // namespace

bool Scheda::libera() const {
    std::lock_guard lock(m_);
    return logica_->libera();
}

void Scheda::avviaFlusso(int64_t traNs) {
    if (timer_ < 0) timer_ = timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
    if (timer_ < 0) {
        segnala(std::string("flusso libero impossibile: ") + std::strerror(errno));
        return;
    }
    const bool prima = !flusso_;
    flusso_ = true;
    partenza_ = adessoNs() + traNs;
    riga_ = 0;
    itimerspec quando{};
    quando.it_value.tv_sec = partenza_ / 1'000'000'000;
    quando.it_value.tv_nsec = partenza_ % 1'000'000'000;
    timerfd_settime(timer_, TFD_TIMER_ABSTIME, &quando, nullptr);
    if (prima) {
        const auto& o = opz_.libero;
        std::string colonne;
        for (const auto& c : o.colonne)
            colonne += (colonne.empty() ? "" : ",") + c;
        segnala("flusso libero: " + std::to_string(o.frequenza) + " righe al secondo a " +
                std::to_string(o.baud) + " baud, " +
                (colonneConNome(o) ? "colonne " + colonne : "valori senza nome") +
                (o.intestazione ? ", intestazione in testa" : ""));
        // A UART carries a tenth of its rate in characters a second.
        const size_t carattere = rigaLibera(o, Guasto::Nessuno, opz_.seme, 1).byte.size();
        if (carattere * static_cast<size_t>(o.frequenza) > o.baud / 10)
            segnala("attenzione: una scheda vera a " + std::to_string(o.baud) + " baud non manda " +
                    std::to_string(o.frequenza) + " righe così al secondo; questa sì");
    }
}

void Scheda::fermaFlusso() {
    flusso_ = false;
    if (timer_ >= 0) {
        itimerspec ferma{};
        timerfd_settime(timer_, 0, &ferma, nullptr);
    }
}

void Scheda::guardaAperture() {
    if (guardia_ >= 0) close(guardia_);
    guardia_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (guardia_ >= 0 && inotify_add_watch(guardia_, slavePath_.c_str(), IN_OPEN) < 0) {
        close(guardia_);
        guardia_ = -1;
    }
    // Without it the sketch runs from the board's start only, as a board
    // that does not reset (a Leonardo): lines still go out on time.
    if (guardia_ < 0 && libera())
        segnala("la scheda non vede quando il programma apre la porta: non riparte");
}

void Scheda::apertaDalProgramma() {
    alignas(inotify_event) char buf[4096];
    bool aperta = false;
    ssize_t n;
    while ((n = read(guardia_, buf, sizeof buf)) > 0) {
        for (ssize_t i = 0; i < n;) {
            const auto* e = reinterpret_cast<const inotify_event*>(buf + i);
            aperta |= (e->mask & IN_OPEN) != 0;
            i += static_cast<ssize_t>(sizeof(inotify_event) + e->len);
        }
    }
    if (!aperta || master_ < 0) return;
    // A closed port keeps nothing a board said: what the sketch printed
    // before the opening is not waiting there for the program.
    tcflush(slave_, TCIFLUSH);
    // --stacca counts the lines of this run of the sketch.
    scambi_ = 0;
    staccaEntro_.reset();
    staccaDopoMs_.reset();
    avviaFlusso(kAvvioNs);
    segnala("porta aperta dal programma: lo sketch riparte (come una Uno al reset)");
}

void Scheda::serviFlusso() {
    uint64_t scadute;
    [[maybe_unused]] ssize_t letti = read(timer_, &scadute, sizeof scadute);
    const auto& o = opz_.libero;
    const int64_t adesso = adessoNs();
    const int64_t ora = adessoMs();
    const int64_t fine = o.righe > 0 ? o.righe : std::numeric_limits<int64_t>::max() / 2;
    auto dovuta = [&](int64_t k) {
        return k < fine && partenza_ + istanteRiga(o, opz_.guasto, k) <= adesso;
    };
    // Late by more than a second (a machine that stalled): the lines of that
    // time are skipped, as the sketch's clock went on, rather than sent in a
    // burst; the last one due goes out.
    if (dovuta(riga_ + std::max(o.frequenza, 1))) {
        const int64_t prima = riga_;
        while (dovuta(riga_ + 1))
            ++riga_;
        segnala("in ritardo: saltate " + std::to_string(riga_ - prima) + " righe");
    }
    int64_t inviate = 0;
    while (dovuta(riga_)) {
        emetti(riga_++, ora);
        ++inviate;
    }
    if (o.righe > 0 && riga_ >= o.righe) {
        if (inviate > 0)
            segnala(std::to_string(o.righe) + " righe mandate: la scheda tace (porta aperta)");
        return;  // the timer stays disarmed: it was one-shot
    }
    if (opz_.guasto == Guasto::Silenzio && riga_ > 0 && riga_ % kRigheTraSilenzi == 0 &&
        inviate > 0)
        segnala("silenzio per " + std::to_string(kSilenzioMs / 1000) + " s (guasto silenzio)");
    const int64_t prossima = partenza_ + istanteRiga(o, opz_.guasto, riga_);
    itimerspec quando{};
    quando.it_value.tv_sec = prossima / 1'000'000'000;
    quando.it_value.tv_nsec = prossima % 1'000'000'000;
    timerfd_settime(timer_, TFD_TIMER_ABSTIME, &quando, nullptr);
}

void Scheda::emetti(int64_t k, int64_t ora) {
    // Unplugged, or about to be once the last line is read: no power, no sketch.
    if (master_ < 0 || staccaEntro_) return;
    controllaLinea();
    const auto& o = opz_.libero;
    const RigaLibera r = rigaLibera(o, opz_.guasto, opz_.seme, k);
    const bool giusta = velocitaSegnalata_ == o.baud;
    if (giusta != giusta_) {
        giusta_ = giusta;
        segnala(giusta ? "linea a " + std::to_string(o.baud) +
                             " baud come la scheda: le righe arrivano intere dalla riga " +
                             std::to_string(k)
                       : "linea a " + std::to_string(velocitaSegnalata_) +
                             " baud, la scheda parla a " + std::to_string(o.baud) +
                             ": chi legge riceve byte senza senso");
    }
    const std::string fuori = giusta ? r.byte : allaVelocita(r.byte, o.baud, velocitaSegnalata_);
    scrivi(fuori);
    {
        // The line as the sketch printed it: what the program makes of it at
        // another rate is the program's side of the wire.
        std::lock_guard lock(m_);
        risposta_ = r.byte;
    }
    if (r.guasto != Guasto::Nessuno && o.frequenza <= 10)
        segnala("riga " + std::to_string(k) + " (guasto " + nomeGuasto(r.guasto) +
                "): " + primaRiga(r.byte));
    ++scambi_;
    contaScambio(ora);
}

}  // namespace lumetto::scheda
