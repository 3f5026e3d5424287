#pragma once
// The virtual board: a pseudo-terminal linked as ~/.lumetto/dosdevices/comN
// whose other side answers like a lab board running a sketch. It speaks the
// bytes a real board would, and can play the faults of a real one.

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "board/guasti.h"
#include "board/libero.h"
#include "board/sketch.h"

namespace lumetto::scheda {

struct Opzioni {
    int porta = 13;
    std::string sketch = "tutti";
    uint64_t seme = 1;
    double passo = 2.0;  // simulated seconds per reply
    int campiUtente = 12;
    Guasto guasto = Guasto::Nessuno;
    int ritardoMs = 1500;    // how late a late board answers
    int staccaDopo = 0;      // unplug after this many replies (0: never)
    int ricollegaMs = -1;    // plug back in after this long (negative: never)
    bool vecchia = false;    // an older board: it does not know "?"
    OpzioniLibero libero{};  // the free-stream sketch's lines and rate
    std::string dosdevices;  // folder of the links; empty: the user's own
};

class Scheda {
  public:
    explicit Scheda(Opzioni opzioni);
    ~Scheda();  // removes the link if it is still ours
    Scheda(const Scheda&) = delete;
    Scheda& operator=(const Scheda&) = delete;

    // Creates the pseudo-terminal and links comN to it; false with the reason.
    bool collega(std::string& errore);
    // Serves the program until ferma(). Runs on one thread.
    void esegui();
    // Safe from any thread and from a signal handler.
    void ferma();

    // The board's state, for the window (any thread).
    Pin pin() const;
    void impostaDigitale(int indice, bool alto);    // D2 + indice
    void impostaAnalogico(int indice, int valore);  // A0 + indice, 0 .. 1023
    void cambiaSketch(const std::string& nome);
    std::string sketch() const;
    std::string ultimoComando() const;  // the last whole command: "A", "H1", "S2090"
    std::string ultimaRisposta() const;
    std::string percorsoSlave() const;
    std::string percorsoLink() const { return link_; }
    bool collegata() const;
    const OpzioniLibero& opzioniLibere() const { return opz_.libero; }

    // Each thing that happens, in words: on the board's thread while it
    // serves, on the caller's in collega() and cambiaSketch(). Set it before
    // esegui() starts.
    std::function<void(const std::string&)> evento;

  private:
    bool apriPty(std::string& errore);
    void stacca();
    void staccaSeLetta(int64_t ora);
    void rispondi(std::string risposta, int64_t ora);
    void contaScambio(int64_t ora);
    void diciChi(const std::string& riga);
    void scrivi(const std::string& byte);
    void controllaLinea();
    void segnala(const std::string& s);
    void segnalaInAttesa();
    int64_t adessoMs() const;

    // The free-stream sketch, on the board's thread (flusso.cpp): it speaks
    // on a timer of its own, from its start on, and starts again whenever
    // the program opens the port, as an Uno resets then.
    bool libera() const;
    void avviaFlusso(int64_t traNs);
    void fermaFlusso();
    void serviFlusso();
    void emetti(int64_t k, int64_t ora);
    void guardaAperture();
    void apertaDalProgramma();
    Opzioni opz_;
    std::string link_;
    int master_ = -1;
    int slave_ = -1;  // keeps the master from reporting hang-up while no program has the port
    std::string slavePath_;
    int stop_ = -1;
    int sveglia_ = -1;  // wakes esegui() when the window switches the sketch
    mutable std::mutex m_;
    std::unique_ptr<Logica> logica_;
    Rumore guasti_;
    std::string comando_, risposta_;
    std::vector<std::string> inAttesa_;  // what the sketch said, told once the lock is released
    std::string precedente_;             // the slave of before an unplug
    int scambi_ = 0;
    uint32_t velocitaSegnalata_ = 9600;
    std::optional<int64_t> ricollegaAlle_;
    std::optional<int64_t> staccaDopoMs_;  // unplugs from then on, once the last reply is read
    std::optional<int64_t> staccaEntro_;   // or by then
    std::deque<std::pair<int64_t, std::string>> ritardate_;
    int64_t prossimaInondazione_ = 0;
    int64_t inizio_;

    int timer_ = -1;    // the free stream's next line (timerfd, absolute, monotonic)
    int guardia_ = -1;  // inotify on the slave: the program opening the port
    bool flusso_ = false;
    int64_t partenza_ = 0;  // monotonic nanoseconds of line 0
    int64_t riga_ = 0;      // the next line
    bool giusta_ = true;    // the program reads at the board's rate: lines go out whole
};

}  // namespace lumetto::scheda
