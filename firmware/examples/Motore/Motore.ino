/* Lumetto - Motore ("motore+ encoder", letter G, header "g/m...Set...", 12 characters)

   Part                   Pins          Field  Meaning
   DC motor on a driver   D5 (PWM)      g/m    speed measured, revolutions per minute
   (L298N, or a MOSFET)
   LM393 slotted optical  D2 (DO)
   sensor, 20-slot disc
   potentiometer 10 kOhm  A0            Set    set point, 0 to 3000 rpm

   The loop, every 100 ms: a PI regulator drives the motor's PWM (0 to 255)
   so that the measured speed follows the set point.
*/
#include <Lumetto.h>
#include <LumettoGiri.h>

const uint8_t MOTORE = 5, SENSORE = 2, REGOLAZIONE = A0, FORI = 20;
const float KP = 0.05, KI = 0.02;  // PWM steps per rpm of error, and per rpm x 100 ms

float integrale = 0;
unsigned long ultimo = 0;

float setPoint() {
    return lumettoVolt(REGOLAZIONE) * 3000 / 5;
}

void setup() {
    pinMode(MOTORE, OUTPUT);
    lumettoGiri::inizia(SENSORE, FORI);
    lumettoInizia();
}

void loop() {
    lumettoGiri::aggiorna();
    if (millis() - ultimo >= 100) {
        ultimo = millis();
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
