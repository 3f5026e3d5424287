/* Lumetto - Sonar ("Sonar", letter A, header "dist..", 6 characters)

   ---- wiring: from firmware/cablaggi.toml ----
   Part                   Pins         Field  Meaning
   HC-SR04 ultrasonic     VCC  5V      dist   distance of the object in centimetres, 2
   distance sensor        Trig D9             to 400; -1 when no echo came back from
                          Echo D8             within 400 cm (nothing in front, or out of
                          GND  GND            range)
   ---- end of wiring ----

   On "A" the sketch triggers one measurement and answers at once with it:
   the echo is waited for at most 30 ms, so the reply never comes later.

   The echo is timed by Timer1's input capture on D8 (ICP1): the chip copies
   the timer into ICR1 at the very edge, in steps of 0.5 us (0.009 cm), so
   the interrupts the board serves meanwhile (Timer0's every 1.024 ms, the
   serial line's) take nothing from it. pulseIn() counts loop turns instead,
   and each interrupt's time is lost: 2.4 cm short at 4 m. Timer1 is the
   servos' timer too: this sketch moves no servo, and PWM on D9 and D10
   (analogWrite) stops while it runs.
*/
#include <Lumetto.h>

const uint8_t TRIG = 9;
const uint8_t ECHO = 8;                         // ICP1: Timer1's input capture
const float PORTATA_CM = 400;                   // the HC-SR04's range
const unsigned long ATTESA_MASSIMA_US = 30000;  // 30 ms: about 5 m there and back
const float US_PER_CM = 58;                     // 343 m/s, there and back
const float PASSI_PER_US = 2;                   // Timer1 at 16 MHz / 8

// Waits for the edge that ICES1 selects; false when it does not come in time.
bool fronte(unsigned long dal, uint16_t& quando) {
    while (!(TIFR1 & _BV(ICF1)))
        if (micros() - dal > ATTESA_MASSIMA_US) return false;
    quando = ICR1;
    return true;
}

float distanza() {
    TCCR1A = 0;
    TCCR1B = _BV(ICES1) | _BV(CS11);  // normal mode, 0.5 us steps, the rising edge
    TIFR1 = _BV(ICF1);
    digitalWrite(TRIG, LOW);
    delayMicroseconds(2);
    digitalWrite(TRIG, HIGH);  // a 10 us pulse starts a measurement
    delayMicroseconds(10);
    digitalWrite(TRIG, LOW);
    const unsigned long dal = micros();
    uint16_t sale = 0, scende = 0;
    if (!fronte(dal, sale)) return -1;  // no echo
    TCCR1B = _BV(CS11);                 // now the falling edge
    TIFR1 = _BV(ICF1);                  // changing the edge may set the flag
    if (!fronte(dal, scende)) return -1;
    // The timer wraps every 32.8 ms, longer than any echo waited for.
    const float eco = static_cast<uint16_t>(scende - sale) / PASSI_PER_US;
    // Past its range the sensor's echo means nothing: no echo, as the program expects.
    if (eco > PORTATA_CM * US_PER_CM) return -1;
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
