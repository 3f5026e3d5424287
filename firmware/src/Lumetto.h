// The Lumetto library: what every sketch of the Lumetto laboratory shares.
// The program on the PC sends one command letter per reading, at 9600 baud,
// 7 data bits, even parity, 1 stop bit, and reads back a frame of exactly
// the length of its header: 6-character fields, each a number right-aligned
// after at least one blank or a status word (HHHHHH on, LLLLLL off, SSSSSS
// halt). The pin-state panel asks with "A" for a 78-character reply and sets
// the outputs D8 to D13 with "H1".."L6"; the servo panel moves three servos
// with "S1090" (servo 1 to 90 degrees). "?" asks the board who it is. A
// free-stream sketch speaks on its own instead, 8N1, one line of values at a
// time (LumettoRiga), and the program sends it nothing.
#ifndef LUMETTO_H
#define LUMETTO_H

#if !defined(__AVR_ATmega328P__) && !defined(__AVR_ATmega328__)
#error \
    "Lumetto: serve una scheda con ATmega328P (Arduino Uno, Nano, Pro Mini): scegli la scheda giusta in Strumenti > Scheda"
#endif

// Servo pulses, the converter's clock, the slot counter's chatter filter and
// the line were measured at 16 MHz only; an 8 MHz board (a Pro Mini at 3.3 V)
// would get servo pulses twice as wide, so it is refused here rather than
// run wrong.
#if F_CPU != 16000000L
#error \
    "Lumetto: la libreria funziona solo con le schede a 16 MHz (Arduino Uno, Nano, Pro Mini 5 V 16 MHz): in Strumenti > Processore scegli la versione a 16 MHz"
#endif

#include <Arduino.h>

#include "LumettoTrama.h"

// ---- The line ------------------------------------------------------------

// Opens the line as the program expects it. `nome` is the sketch's name,
// the example's folder ("Sonar"): the board answers "?" with it.
void lumettoInizia(const char* nome);

// The next character the program sent that is one of `lettere` (for example
// "A", or "ABCDEFGHIJ"), or 0 when none is waiting. "?" is answered on the
// spot (lumettoPresentati); any other character is dropped, so line noise
// never stops the sketch.
char lumettoComando(const char* lettere);

// The answer to "?": "Lumetto <nome> <version>" and the line end. Call it
// only between frames (lumettoComando and LumettoComandi do).
void lumettoPresentati();

// One reply frame of `lunghezza` characters (the length of the program's
// header), sent field by field as the sketch adds them. It is never longer:
// a field past the end is dropped; and never shorter: fine() completes it
// with blanks and the line end.
class LumettoTrama {
  public:
    explicit LumettoTrama(uint8_t lunghezza) : resto_(lunghezza) {}
    // A number: " 23.50", " 744.4", "  1235"; past the field's range it
    // shows as 99999 or -9999.
    void numero(float valore);
    // A digital state: true HHHHHH, false LLLLLL.
    void acceso(bool on);
    // 0 LLLLLL, 1 HHHHHH, 2 SSSSSS (halt).
    void stato(uint8_t s);
    // The rest of the frame: blanks where fields are missing, then the line
    // end. Call it once, after the last field.
    void fine();

  private:
    void campo(const char* testo);
    uint8_t resto_;
};

// ---- Analog inputs -------------------------------------------------------
//
// The converter samples the inputs in the background, at the 125 kHz the
// Arduino core sets (its rated clock for 10 bits), each input the mean of its
// latest 16 conversions, the first conversion after a switch of input or
// reference thrown away; so a reading costs no time and a letter is answered
// at once. The board's own supply (4.6 to 5.2 V from a USB port) is measured
// against the chip's 1.1 V bandgap, so readings in volts are right at any
// supply. Do not call analogRead() in a Lumetto sketch: it would fight the
// sampler for the converter.

// The board's bandgap is 1100 mV by the datasheet, 1000 to 1200 on a given
// chip. It is calibrated once per board from the program ("stato arduino",
// "taratura": the multimeter's reading of the 5V pin) and kept in the
// board's EEPROM, so every sketch uploaded afterwards reads right; a fresh
// board uses 1100. A constant in a sketch could reach only that sketch's
// own file, never the library's, so there is none.
#ifdef LUMETTO_BANDGAP_MV
#error \
    "Lumetto: LUMETTO_BANDGAP_MV non si usa più: la scheda si tara dal programma (stato arduino > taratura) e tiene la taratura nella sua memoria EEPROM"
#endif

// An input sampled from now on: against the supply (lumettoMisura: volts and
// fractions), or against the 1.1 V reference (lumettoMisuraLM35: an LM35,
// 0 to 110 degrees in steps of 0.11). Declare them in setup(); an input read
// without it is declared by its first reading, which then waits for the
// sampler (a few milliseconds).
void lumettoMisura(uint8_t pin);
void lumettoMisuraLM35(uint8_t pin);

// Volts on an analog input, 0 to the supply: for a sensor with its own
// voltage output (0-5 V, 0.4-2.0 V, ...).
float lumettoVolt(uint8_t pin);
// The input as a share of the supply, 0 to 1: for a potentiometer or a
// resistive divider fed by the board's 5V, whose output follows the supply.
float lumettoFrazione(uint8_t pin);
// An LM35 on an analog input: degrees Celsius, 10 mV a degree, read against
// the 1.1 V reference: 0 to 110 degrees in steps of 0.11.
float lumettoLM35(uint8_t pin);
// The board's supply as measured, in volts (4.5 to 5.5).
float lumettoAlimentazione();
// The bandgap in use, in tenths of a millivolt, and whether it is the
// board's own (calibrated) rather than the nominal 1100 mV.
uint16_t lumettoBandgap();
bool lumettoTarata();

// The pin-state reply, 78 characters: D2..D7 as "D2HHHH" or "D2LLLL", the
// readings of A0..A5 plus 1000 ("A01512" for 512), then "FINE\r\n". A reading
// is on the program's 5.000 V scale, whatever the board's supply.
void lumettoStatoPin();

// ---- Switches and outputs ------------------------------------------------

// A switch or a button between the pin and GND, with the internal pull-up
// (call pinMode(pin, INPUT_PULLUP) in setup): true while it is closed.
bool lumettoChiuso(uint8_t pin);

// How the lab's relay modules switch on: HIGH for those that switch on with a
// high input (the default), LOW for the opto-isolated ones that switch on
// LOW. Every plant sketch's relays, valves and heaters follow it. Set it here
// once for the lab's modules, or in one sketch with
// "#define LUMETTO_RELE_ACCESO LOW" before "#include <Lumetto.h>".
#ifndef LUMETTO_RELE_ACCESO
#define LUMETTO_RELE_ACCESO HIGH
#endif

// A relay, a valve or a lamp on an output pin, on or off.
inline void lumettoAttiva(uint8_t pin, bool on) {
    digitalWrite(pin, on == (LUMETTO_RELE_ACCESO == HIGH) ? HIGH : LOW);
}
// The pin made an output for a relay, off from the first instant: the off
// level is written before the pin drives (a pin is an input until then).
inline void lumettoUscita(uint8_t pin) {
    lumettoAttiva(pin, false);
    pinMode(pin, OUTPUT);
}

// ---- The panels' commands ------------------------------------------------

// The panels' commands, read a character at a time: "A" (the letter, for
// the caller to answer), "H1".."H6" and "L1".."L6" (an output high or low),
// "S1000".."S3180" (a servo's angle). A command cut short by silence or by
// another letter is dropped; "?" is answered on the spot and cuts nothing.
class LumettoComandi {
  public:
    enum Tipo { Nessuno, Lettera, Uscita, Servo };
    struct Comando {
        Tipo tipo;
        char lettera;    // Lettera: 'A'
        uint8_t numero;  // Uscita: 1..6; Servo: 1..3
        bool alto;       // Uscita: H or L
        uint8_t gradi;   // Servo: 0..180
    };
    // The next whole command, or tipo == Nessuno while none is complete.
    Comando leggi();

  private:
    char attesa_ = 0;  // 'H', 'L' or 'S' while its digits come
    uint8_t cifre_ = 0;
    uint16_t valore_ = 0;
    unsigned long dal_ = 0;
};

// ---- The free stream ------------------------------------------------------
//
// Una riga per il Plotter seriale dell'Arduino IDE e per l'"esperimento
// libero" di Lumetto: coppie nome:valore separate da virgole, poi il ritorno
// a capo ("luce:43,temp:21.5"). Lo sketch apre la linea da sé, con
// Serial.begin(115200), e non chiama lumettoInizia (che è per gli
// esperimenti a lettere, a 9600 baud 7E1):
//
//     LumettoRiga riga;
//     riga.valore("luce", luce, 0);   // nome, valore, cifre decimali
//     riga.valore("temp", temp, 1);
//     riga.fine();
//
// valore() scrive la virgola prima di ogni valore tranne il primo; un nome
// vuoto ("") manda il solo numero; nel nome, spazi, virgole e due punti
// diventano "_", così la riga resta leggibile. F("temp") tiene il nome nella
// memoria flash. Un valore che non è un numero esce "nan", e Lumetto lo
// registra come mancante. fine() chiude la riga: una volta, dopo l'ultimo
// valore. L'oggetto occupa un byte, sullo stack.
class LumettoRiga {
  public:
    void valore(const char* nome, float v, uint8_t decimali = 2);
    void valore(const __FlashStringHelper* nome, float v, uint8_t decimali = 2);
    void fine();

  private:
    void separa();
    bool primo_ = true;
};

// ---- Inside the library ----------------------------------------------------

namespace lumetto {
namespace interno {
// The answer to a calibration command ("K5012", "K0000"): set by the sampler
// when a sketch reads its first analog input; without it the board answers
// with no supply measured.
extern void (*taratura)(uint16_t multimetroMv);
// The bandgap kept in the EEPROM, in tenths of a millivolt; 0 when none is
// kept (a fresh board, or a record that fails its check).
uint16_t bandgapSalvato();
void salvaBandgap(uint16_t decimi);
// Reads "K" and its four digits a character at a time; true when `c` was
// taken (and, with the fourth digit, answered).
bool leggiTaratura(char c);
}  // namespace interno
}  // namespace lumetto

// Servo pulses come from LumettoServo.h (Timer1), turns of a slotted disc
// from LumettoGiri.h (an external interrupt): only the sketches that include
// them take those.

#endif
