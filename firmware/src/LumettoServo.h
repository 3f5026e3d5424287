// Servo pulses on up to three pins, made by Timer1's compare interrupt as the
// Arduino Servo library makes them (Debian's Arduino core ships no Servo
// library): in every 20 ms frame, one pulse per servo in turn, 544 us at 0
// degrees to 2400 us at 180. Include it in one sketch only: it takes Timer1
// and its interrupt, so PWM on D9 and D10 is not available with it.
#ifndef LUMETTO_SERVO_H
#define LUMETTO_SERVO_H

#include <Arduino.h>

namespace lumettoServo {

const uint8_t kServi = 3;
const uint16_t kMinimoUs = 544, kMassimoUs = 2400, kTramaUs = 20000;

// Timer1 counts at 2 MHz (16 MHz / 8): half a microsecond a tick.
struct Canale {
    volatile uint8_t* porta;
    uint8_t maschera;
    volatile uint16_t tick;  // 0: not attached
};
Canale canali[kServi];
volatile int8_t corrente = -1;  // the servo whose pulse is running, -1 between frames

inline uint16_t impulso(uint8_t gradi) {
    if (gradi > 180) gradi = 180;
    // As the Servo library's map(): 544 + gradi x 1856 / 180, cut.
    return static_cast<uint16_t>(kMinimoUs +
                                 static_cast<uint32_t>(gradi) * (kMassimoUs - kMinimoUs) / 180);
}

inline void avvia() {
    static bool avviato = false;
    if (avviato) return;
    avviato = true;
    TCCR1A = 0;
    TCCR1B = _BV(CS11);
    TCNT1 = 0;
    OCR1A = 100;
    TIFR1 = _BV(OCF1A);
    TIMSK1 |= _BV(OCIE1A);
}

// Servo n (1 to 3) on `pin` at `gradi`; the first call starts the timer.
inline void muovi(uint8_t n, uint8_t pin, uint8_t gradi) {
    if (n < 1 || n > kServi) return;
    Canale& c = canali[n - 1];
    pinMode(pin, OUTPUT);
    const uint16_t tick = static_cast<uint16_t>(impulso(gradi) * 2);
    noInterrupts();
    c.porta = portOutputRegister(digitalPinToPort(pin));
    c.maschera = digitalPinToBitMask(pin);
    c.tick = tick;
    interrupts();
    avvia();
}

// Servo n stops: no more pulses; its pin stays low and free for other use.
inline void ferma(uint8_t n) {
    if (n < 1 || n > kServi) return;
    Canale& c = canali[n - 1];
    noInterrupts();
    if (c.porta) *c.porta &= static_cast<uint8_t>(~c.maschera);
    c.tick = 0;
    interrupts();
}

inline bool attivo(uint8_t n) {
    return n >= 1 && n <= kServi && canali[n - 1].tick != 0;
}

}  // namespace lumettoServo

ISR(TIMER1_COMPA_vect) {
    using namespace lumettoServo;
    if (corrente < 0) {
        TCNT1 = 0;  // a new frame
    } else if (canali[corrente].tick != 0) {
        *canali[corrente].porta &= static_cast<uint8_t>(~canali[corrente].maschera);
    }
    ++corrente;
    // The next attached servo's pulse starts now.
    while (corrente < kServi && canali[corrente].tick == 0)
        ++corrente;
    if (corrente < kServi) {
        *canali[corrente].porta |= canali[corrente].maschera;
        OCR1A = static_cast<uint16_t>(TCNT1 + canali[corrente].tick);
        return;
    }
    // The rest of the 20 ms frame.
    const uint16_t fine = kTramaUs * 2;
    OCR1A = TCNT1 + 8 < fine ? fine : static_cast<uint16_t>(TCNT1 + 8);
    corrente = -1;
}

#endif
