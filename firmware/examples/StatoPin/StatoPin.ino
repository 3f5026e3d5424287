/* Lumetto - StatoPin (the "stato arduino" and "servo" panels, and the panes
   of "6 ingressi analogici")

   ---- wiring: from firmware/cablaggi.toml ----
   Part                   Pins         What the panels show or send
   switches, buttons      5V  5V       check marks "D2 ON" / "D2 OFF"
   (with 10 kOhm          D2 .. D7
   resistors to GND)      GND GND
   potentiometers, analog 5V  5V       bars and "A0 V=2.502": the reading 0..1023 of
   sensors                A0 .. A5     0..5 V
                          GND GND
   LEDs, relays (with a   D8 .. D13    "H1".."H6" on, "L1".."L6" off (on is HIGH, or LOW
   resistor/driver)       GND GND      with LUMETTO_RELE_ACCESO LOW): output 1 is D8, 6
                                       is D13
   three servos (signal   S1  D7       "S1090": servo 1 to 90 degrees; servo 1 on D7, 2
   wire; power them apart S2  D8       on D8, 3 on D9
   from the board)        S3  D9
                          GND GND
                          V+  own 5V

   D7, D8 and D9 serve servo 1, 2 and 3 as well as the input or output wired there,
   whichever command came last: wire one of the two at a time.

   The inputs have no pull-up: each switch goes between its pin and 5V, with a 10
   kOhm resistor from the pin to GND, so an open switch reads OFF.

   Servos take up to 1 A each while they move: feed their V+ from a 5 V supply of
   their own (4 AA cells or a 5 V 2 A adapter), never from the board's 5V, and join
   that supply's GND to the board's GND.

   The bootloader flashes D13 (and the board's L LED) for about a second at every
   reset, and the board resets whenever the program opens its port: a relay on D13
   would click on and off each time. Wire relays to the other outputs; D13 suits a
   LED.

   Leave AREF unconnected: the converter's reference is chosen inside the chip (the
   supply, or the internal 1.1 V that the library switches to for an LM35), and a
   voltage on AREF would be shorted to it (and can damage the chip).
   ---- end of wiring ----

   "A" answers with the 78-character pin state: "D2HHHH" .. "D7LLLL", then
   A0 .. A5 as the reading plus 1000 ("A01512"), then "FINE" and the line end.
   A reading is the mean of the input's latest 16, on the panel's 5.000 V
   scale whatever the USB supply (the board measures its own).
   A pin is an input, an output or a servo's, whichever command came last:
   a servo command on D7, D8 or D9 takes the pin; an output command on D8 or
   D9 stops that servo. Inputs have no pull-up: a pin left unconnected reads
   at random, as the panel warns.

   A ticked output is on ("H1"), an unticked one off ("L1"), as
   LUMETTO_RELE_ACCESO says for the lab's relay modules: with HIGH (the
   library's default) on is 5 V; with LOW, for the modules that switch on
   with a low input, on is 0 V and off 5 V. Every output starts off, its off
   level written before the pin drives, so no relay clicks on at reset (a LED
   from the pin to GND is then lit while off: wire LEDs to 5V instead). The
   reply carries the inputs only; the outputs are as the panel ticked them.
*/
#include <Lumetto.h>
#include <LumettoServo.h>

const uint8_t PRIMA_USCITA = 8;  // output 1 is D8 .. output 6 is D13
const uint8_t PIN_SERVO[lumettoServo::kServi] = {7, 8, 9};

LumettoComandi comandi;

void setup() {
    for (uint8_t pin = 2; pin <= 7; ++pin)
        pinMode(pin, INPUT);
    for (uint8_t pin = PRIMA_USCITA; pin < PRIMA_USCITA + 6; ++pin)
        lumettoUscita(pin);
    for (uint8_t canale = 0; canale < 6; ++canale)
        lumettoMisura(A0 + canale);
    lumettoInizia("StatoPin");
}

void loop() {
    const LumettoComandi::Comando c = comandi.leggi();
    switch (c.tipo) {
        case LumettoComandi::Lettera:
            lumettoStatoPin();
            break;
        case LumettoComandi::Uscita: {
            const uint8_t pin = PRIMA_USCITA + c.numero - 1;
            for (uint8_t s = 1; s <= lumettoServo::kServi; ++s)
                if (PIN_SERVO[s - 1] == pin) lumettoServo::ferma(s);
            lumettoAttiva(pin, c.alto);  // the level before the pin drives
            pinMode(pin, OUTPUT);
            break;
        }
        case LumettoComandi::Servo:
            lumettoServo::muovi(c.numero, PIN_SERVO[c.numero - 1], c.gradi);
            break;
        case LumettoComandi::Nessuno:
            break;
    }
}
