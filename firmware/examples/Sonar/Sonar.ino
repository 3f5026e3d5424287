/* Lumetto - Sonar ("Sonar", letter A, header "dist..", 6 characters)

   ---- wiring: from firmware/cablaggi.toml ----
   Part                   Pins         Field  Meaning
   HC-SR04 ultrasonic     VCC  5V      dist   distance of the object in centimetres, 2
   distance sensor        Trig D9             to 400; -1 when no echo came back from
                          Echo D10            within 400 cm (nothing in front, or out of
                          GND  GND            range)
   ---- end of wiring ----

   On "A" the sketch triggers one measurement and answers at once with it:
   the echo is waited for at most 30 ms, so the reply never comes later.
*/
#include <Lumetto.h>

const uint8_t TRIG = 9;
const uint8_t ECHO = 10;
const float PORTATA_CM = 400;                   // the HC-SR04's range
const unsigned long ATTESA_MASSIMA_US = 30000;  // 30 ms: about 5 m there and back
const float US_PER_CM = 58;                     // 343 m/s, there and back

float distanza() {
    digitalWrite(TRIG, LOW);
    delayMicroseconds(2);
    digitalWrite(TRIG, HIGH);  // a 10 us pulse starts a measurement
    delayMicroseconds(10);
    digitalWrite(TRIG, LOW);
    const unsigned long eco = pulseIn(ECHO, HIGH, ATTESA_MASSIMA_US);
    // Past its range the sensor's echo means nothing: no echo, as the program expects.
    if (eco == 0 || eco > PORTATA_CM * US_PER_CM) return -1;
    return eco / US_PER_CM;
}

void setup() {
    digitalWrite(TRIG, LOW);
    pinMode(TRIG, OUTPUT);
    pinMode(ECHO, INPUT);
    lumettoInizia("Sonar");
}

void loop() {
    if (lumettoComando("A")) {
        LumettoTrama t(6);
        t.numero(distanza());
        t.fine();
    }
}
