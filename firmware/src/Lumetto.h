// The Lumetto library: what every sketch of the Lumetto laboratory shares.
// The program on the PC sends one command letter per reading, at 9600 baud,
// 7 data bits, even parity, 1 stop bit, and reads back a frame of exactly
// the length of its header: 6-character fields, each a number right-aligned
// after at least one blank or a status word (HHHHHH on, LLLLLL off, SSSSSS
// halt). The pin-state panel asks with "A" for a 78-character reply and sets
// the outputs D8 to D13 with "H1".."L6"; the servo panel moves three servos
// with "S1090" (servo 1 to 90 degrees).
#ifndef LUMETTO_H
#define LUMETTO_H

#include <Arduino.h>

#include "LumettoTrama.h"

// Opens the line as the program expects it.
void lumettoInizia();

// The next character the program sent that is one of `lettere` (for example
// "A", or "ABCDEFGHIJ"), or 0 when none is waiting. Any other character is
// dropped, so line noise never stops the sketch.
char lumettoComando(const char* lettere);

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

// Volts on an analog input, 0 to 5: the mean of 4 readings after one thrown
// away (a quarter of a millisecond).
float lumettoVolt(uint8_t pin);
// An LM35 on an analog input: degrees Celsius, 10 mV a degree, read in steps
// of 4.9 mV (about half a degree).
float lumettoLM35(uint8_t pin);
// A switch or a button between the pin and GND, with the internal pull-up
// (call pinMode(pin, INPUT_PULLUP) in setup): true while it is closed.
bool lumettoChiuso(uint8_t pin);
// A relay, a valve or a lamp on an output pin: on or off.
void lumettoAttiva(uint8_t pin, bool on);

// The pin-state reply, 78 characters: D2..D7 as "D2HHHH" or "D2LLLL", the
// readings of A0..A5 plus 1000 ("A01512" for 512), then "FINE\r\n".
void lumettoStatoPin();

// The panels' commands, read a character at a time: "A" (the letter, for
// the caller to answer), "H1".."H6" and "L1".."L6" (an output high or low),
// "S1000".."S3180" (a servo's angle). A command cut short by silence or by
// another letter is dropped.
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

// Servo pulses come from LumettoServo.h, which only the pin-state sketch
// includes: it takes Timer1.

#endif
