// Turns and speed of a wheel with a slotted disc read by an optical sensor
// (an LM393 module, 20 slots) on D2 or D3, counted by the pin's interrupt.
// Include it in the sketches that use it: it takes that interrupt.
#ifndef LUMETTO_GIRI_H
#define LUMETTO_GIRI_H

#include <Arduino.h>

namespace lumettoGiri {

volatile unsigned long impulsi = 0;
uint8_t fori = 20;
unsigned long finestra = 0, contati = 0;  // the last whole half second
float giriMinuto = 0;

inline void conta() {
    ++impulsi;
}

inline void inizia(uint8_t pin, uint8_t foriDisco) {
    fori = foriDisco;
    pinMode(pin, INPUT);
    attachInterrupt(digitalPinToInterrupt(pin), conta, RISING);
    finestra = millis();
}

inline unsigned long letti() {
    noInterrupts();
    const unsigned long n = impulsi;
    interrupts();
    return n;
}

// Call it often (every pass of loop): the speed is measured over each half second.
inline void aggiorna() {
    const unsigned long ora = millis();
    if (ora - finestra < 500) return;
    const unsigned long n = letti();
    giriMinuto = (n - contati) * 60000.0f / fori / (ora - finestra);
    contati = n;
    finestra = ora;
}

// Revolutions per minute, over the last half second.
inline float rpm() {
    return giriMinuto;
}
// Whole turns since the start.
inline unsigned long giri() {
    return letti() / fori;
}
// Degrees of the current turn.
inline float angolo() {
    return (letti() % fori) * 360.0f / fori;
}

}  // namespace lumettoGiri

#endif
