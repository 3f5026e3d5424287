/* Lumetto - StatoPin (the "stato arduino" and "servo" panels, and the panes
   of "6 ingressi analogici")

   Part                   Pins                  What the panels show or send
   switches, buttons      D2 .. D7 (inputs)     check marks "D2 ON" / "D2 OFF"
   potentiometers,        A0 .. A5              bars and "A0 V=2.502": the reading
   analog sensors                                0..1023 of 0..5 V
   LEDs, relays (with     D8 .. D13 (outputs)   "H1".."H6" high, "L1".."L6" low:
   a resistor/driver)                            output 1 is D8, 6 is D13
   three servos (signal   D7, D8, D9            "S1090": servo 1 to 90 degrees;
   wire; power them                              servo 1 on D7, 2 on D8, 3 on D9
   apart from the board)

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
