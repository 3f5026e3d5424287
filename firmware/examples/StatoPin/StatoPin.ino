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
   LEDs, relays (with a   D8 .. D13    "H1".."H6" high, "L1".."L6" low: output 1 is D8,
   resistor/driver)       GND GND      6 is D13
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
   ---- end of wiring ----

   "A" answers with the 78-character pin state: "D2HHHH" .. "D7LLLL", then
   A0 .. A5 as the reading plus 1000 ("A01512"), then "FINE" and the line end.
   A reading is the mean of the input's latest 16, on the panel's 5.000 V
   scale whatever the USB supply (the board measures its own).
   A pin is an input, an output or a servo's, whichever command came last:
   a servo command on D7, D8 or D9 takes the pin; an output command on D8 or
   D9 stops that servo. Inputs have no pull-up: a pin left unconnected reads
   at random, as the panel warns. The outputs are the levels the panel ticks
   (HIGH when ticked), not relay states: all of them start LOW.
*/
#include <Lumetto.h>
#include <LumettoServo.h>

const uint8_t PRIMA_USCITA = 8;  // output 1 is D8 .. output 6 is D13
const uint8_t PIN_SERVO[lumettoServo::kServi] = {7, 8, 9};

LumettoComandi comandi;

void setup() {
    for (uint8_t pin = 2; pin <= 7; ++pin)
        pinMode(pin, INPUT);
    for (uint8_t pin = PRIMA_USCITA; pin < PRIMA_USCITA + 6; ++pin) {
        digitalWrite(pin, LOW);
        pinMode(pin, OUTPUT);
    }
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
            pinMode(pin, OUTPUT);
            digitalWrite(pin, c.alto ? HIGH : LOW);
            break;
        }
        case LumettoComandi::Servo:
            lumettoServo::muovi(c.numero, PIN_SERVO[c.numero - 1], c.gradi);
            break;
        case LumettoComandi::Nessuno:
            break;
    }
}
