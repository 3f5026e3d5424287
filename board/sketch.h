#pragma once
// The sketches the virtual board can run, and the logic of one: command bytes
// in, reply frames out. No descriptors and no clocks of its own: the caller
// gives the time, so tests drive it byte by byte.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "board/impianti.h"
#include "firmware/src/LumettoTrama.h"

namespace lumetto::scheda {

// An experiment of the program as the board sees it: the letter it sends and
// the header (whose length is the frame's) and type mask it reads with.
struct Esperimento {
    std::string nome;  // the sketch that serves it
    char lettera;
    std::string testata;
    std::string maschera;
    std::string esempio;  // the Lumetto library's example a real board runs for it
};

// Every experiment with a letter, in the program's order.
const std::vector<Esperimento>& esperimenti();

// The names --sketch accepts: one per experiment, "pin", "tutti" and
// "libero" (the free stream: a Serial Plotter sketch that speaks first).
std::vector<std::string> nomiSketch();

// The library's example a sketch of this board stands for: "Sonar" for
// "sonar", "StatoPin" for "pin", "Tutti" for the demo that serves every letter,
// "Libero" for the free stream.
std::string esempioDi(const std::string& sketch);

// What a board running the library's example `esempio` answers to "?":
// "Lumetto Sonar 0.2.0\r\n".
std::string rigaChi(const std::string& esempio);

// The 78-character pin-state reply: D2..D7 as "HHHH"/"LLLL", A0..A5 as
// reading + 1000, each after two characters of label, then "FINE\r\n".
std::string statoPin(const Pin& pin, const std::string& etichetta1 = "D2");

class Logica {
  public:
    // campiUtente: how many fields the user sketch sends (1 to 12).
    Logica(const std::string& sketch, uint64_t seme, double passoSecondi = 2.0,
           int campiUtente = 12);

    const std::string& sketch() const { return sketch_; }
    // The free-stream sketch: it speaks on its own (Scheda times its lines)
    // and ignores whatever it receives, "?" included.
    bool libera() const { return libera_; }
    // A byte from the program at time oraMs; the bytes to send back.
    std::string ricevi(char c, int64_t oraMs);
    // The same, with the line that says who the board is apart from the
    // frames: the board's faults act on frames only.
    struct Detto {
        std::string trame;
        std::string chi;
    };
    Detto ascolta(char c, int64_t oraMs);
    // When a half-read command must be settled if nothing more arrives.
    std::optional<int64_t> scadenza() const { return scadenza_; }
    std::string scaduto(int64_t oraMs);

    Pin pin;
    // False: an older board, which does not know "?" and drops it.
    bool conoscechi = true;
    // The supply as a multimeter reads it, and the chip's own bandgap (tenths
    // of a millivolt): the board measures the supply through the bandgap it
    // believes in, the nominal one until it is calibrated with "K" and the
    // multimeter's reading, as a real board keeps its own in its EEPROM.
    int alimentazioneMv = 5010;
    long bandgapChip = 10873;
    long bandgap = lumetto::trama::kBandgapNominale;
    bool tarata = false;
    // The supply the board measures now, in mV (0: the sketch reads no input).
    double alimentazioneMisurata() const;
    // The last whole command understood: a letter, "H1", "S2090".
    std::string ultimoComando;
    // What happened, in words, for the window and the headless log.
    std::function<void(const std::string&)> evento;

  private:
    std::string trame(char c, int64_t oraMs);
    std::string risposta(char lettera);
    void segnala(const std::string& s) {
        if (evento) evento(s);
    }

    struct Servizio {
        std::unique_ptr<Impianto> impianto;
        size_t lunghezza;
    };
    std::string sketch_;
    Rumore rumore_;
    double passo_;
    std::map<char, Servizio> lettere_;
    std::unique_ptr<Impianto> sonarStato_;  // the default sketch's answer to "A" carries a distance
    bool statoPin_ = false;                 // "A" gives the pin-state reply
    bool comandiUscite_ = false;            // "H1".."L6" and "S1090" drive the pins
    bool libera_ = false;

    std::string taratura(const std::string& cifre);

    bool misura_ = true;  // the sketch reads an analog input, so it measures its supply
    char attesa_ = 0;     // 'H', 'L', 'S' or 'K' while its digits are awaited
    std::string cifre_;
    std::optional<int64_t> scadenza_;
};

}  // namespace lumetto::scheda
