/* Lumetto - Motore ("motore+ encoder", letter G, header "g/m...Set...", 12 characters)

   ---- wiring: from firmware/cablaggi.toml ----
   Part                   Pins            Field  Meaning
   DC motor on a driver   +12V  own 6-12V g/m    speed measured, revolutions per minute
   (L298N, or a MOSFET)   GND   GND
                          ENA   D5
                          IN1   5V
                          IN2   GND
   LM393 slotted optical  VCC   5V
   sensor, 20-slot disc   GND   GND
                          DO    D2
   potentiometer 10 kOhm  1     5V        Set    set point, 0 to 3000 rpm
   between 5V and GND     wiper A0
                          3     GND

   On the L298N: take off the ENA jumper (D5 drives ENA), the motor on OUT1 and OUT2,
   its supply on +12V and GND. With a logic-level MOSFET module instead: its SIG on
   D5, its GND to GND, the motor between its output and the supply's +.

   The load (heater, motor, valve coil) runs from a supply of its own, never from the
   board's 5V; join that supply's GND to the board's GND. Mains loads only through an
   SSR or a relay module rated for them, wired by someone qualified.

   Leave AREF unconnected: the converter's reference is chosen inside the chip (the
   supply, or the internal 1.1 V that the library switches to for an LM35), and a
   voltage on AREF would be shorted to it (and can damage the chip).
   ---- end of wiring ----

   The loop, every 100 ms: the speed measured over those 100 ms, then a PI
   regulator drives the motor's PWM (0 to 255) so that it follows the set point.

   A sensor that stops counting would leave the regulator driving the motor
   harder and harder: with the drive at half or more (SPINTA_GUASTO) and no
   speed measured for FERMO_MS beyond the library's 2 s without a slot (the
   sensor unplugged, its disc off the shaft, or the motor jammed), the motor
   is switched off and stays off. The reply then carries -9999 for the speed
   and the program says so. Turning the knob to zero (a set point under
   SET_RIPARTE) or the board's reset starts it again.
*/
#include <Lumetto.h>
#include <LumettoGiri.h>

const uint8_t MOTORE = 5, SENSORE = 2, REGOLAZIONE = A0, FORI = 20;
const unsigned int PERIODO_MS = 100;
const float SET_MASSIMO = 3000;    // rpm
const float KP = 0.05, KI = 0.02;  // PWM steps per rpm of error, and per rpm x 100 ms
const float SPINTA_GUASTO = 128;   // PWM: a motor that stands at this drive is not turning
const unsigned long FERMO_MS = 1000;
const float SET_RIPARTE = 50;  // rpm

float integrale = 0;
bool guasto = false;
unsigned long fermoDal = 0;  // millis() since the drive is high and no speed is measured
bool fermo = false;

float setPoint() {
    return lumettoFrazione(REGOLAZIONE) * SET_MASSIMO;
}

void setup() {
    digitalWrite(MOTORE, LOW);
    pinMode(MOTORE, OUTPUT);
    lumettoMisura(REGOLAZIONE);
    lumettoGiri::inizia(SENSORE, FORI, PERIODO_MS);
    lumettoInizia("Motore");
}

void loop() {
    if (lumettoGiri::aggiorna()) {
        const float set = setPoint();
        if (guasto && set < SET_RIPARTE) guasto = false;
        float spinta = 0;
        if (!guasto) {
            const float errore = set - lumettoGiri::rpm();
            integrale = constrain(integrale + KI * errore, 0, 255);
            spinta = constrain(KP * errore + integrale, 0, 255);
        }
        const bool senzaGiri = spinta >= SPINTA_GUASTO && lumettoGiri::rpm() == 0;
        if (!senzaGiri) {
            fermo = false;
        } else if (!fermo) {
            fermo = true;
            fermoDal = millis();
        } else if (millis() - fermoDal >= FERMO_MS) {
            guasto = true;
            fermo = false;
            integrale = spinta = 0;
        }
        analogWrite(MOTORE, static_cast<int>(spinta));
    }
    if (lumettoComando("G")) {
        LumettoTrama t(12);
        t.numero(guasto ? lumetto::trama::kMinimo : lumettoGiri::rpm());
        t.numero(setPoint());
        t.fine();
    }
}
