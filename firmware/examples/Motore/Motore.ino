/* Lumetto - Motore ("motore+ encoder", letter G, header "g/m...Set...", 12 characters)

   Part                   Pins          Field  Meaning
   DC motor on a driver   D5 (PWM)      g/m    speed measured, revolutions per minute
   (L298N, or a MOSFET)
   LM393 slotted optical  D2 (DO)
   sensor, 20-slot disc
   potentiometer 10 kOhm  A0            Set    set point, 0 to 3000 rpm
   between 5V and GND

   The loop, every 100 ms: the speed measured over those 100 ms, then a PI
   regulator drives the motor's PWM (0 to 255) so that it follows the set point.
*/
#include <Lumetto.h>
#include <LumettoGiri.h>

const uint8_t MOTORE = 5, SENSORE = 2, REGOLAZIONE = A0, FORI = 20;
const unsigned int PERIODO_MS = 100;
const float SET_MASSIMO = 3000;    // rpm
const float KP = 0.05, KI = 0.02;  // PWM steps per rpm of error, and per rpm x 100 ms

float integrale = 0;

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
        const float errore = setPoint() - lumettoGiri::rpm();
        integrale = constrain(integrale + KI * errore, 0, 255);
        analogWrite(MOTORE, static_cast<int>(constrain(KP * errore + integrale, 0, 255)));
    }
    if (lumettoComando("G")) {
        LumettoTrama t(12);
        t.numero(lumettoGiri::rpm());
        t.numero(setPoint());
        t.fine();
    }
}
