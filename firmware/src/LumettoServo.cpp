// The servo pulses of LumettoServo.h: Timer1's compare interrupt. Only the
// sketches that move a servo link this file, and with it Timer1.
#include "LumettoServo.h"

#include <util/atomic.h>

#include "Lumetto.h"

namespace lumettoServo {
namespace {

const uint16_t kMinimoUs = 544, kMassimoUs = 2400, kTramaUs = 20000;

// Timer1 counts at 2 MHz (16 MHz / 8): half a microsecond a tick.
struct Canale {
    volatile uint8_t* porta;
    uint8_t maschera;
    volatile uint16_t tick;  // 0: not attached
};
Canale canali[kServi];
volatile int8_t corrente = -1;  // the servo whose pulse is running, -1 between frames

uint16_t impulso(uint8_t gradi) {
    if (gradi > 180) gradi = 180;
    // As the Servo library's map(): 544 + gradi x 1856 / 180, cut.
    return static_cast<uint16_t>(kMinimoUs +
                                 static_cast<uint32_t>(gradi) * (kMassimoUs - kMinimoUs) / 180);
}

void avvia() {
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

}  // namespace

void muovi(uint8_t n, uint8_t pin, uint8_t gradi) {
    if (n < 1 || n > kServi) return;
    Canale& c = canali[n - 1];
    pinMode(pin, OUTPUT);
    const uint16_t tick = static_cast<uint16_t>(impulso(gradi) * 2);
    ATOMIC_BLOCK(ATOMIC_RESTORESTATE) {
        c.porta = portOutputRegister(digitalPinToPort(pin));
        c.maschera = digitalPinToBitMask(pin);
        c.tick = tick;
    }
    avvia();
}

void ferma(uint8_t n) {
    if (n < 1 || n > kServi) return;
    Canale& c = canali[n - 1];
    ATOMIC_BLOCK(ATOMIC_RESTORESTATE) {
        if (c.porta) *c.porta &= static_cast<uint8_t>(~c.maschera);
        c.tick = 0;
    }
}

bool attivo(uint8_t n) {
    if (n < 1 || n > kServi) return false;
    uint16_t tick;
    ATOMIC_BLOCK(ATOMIC_RESTORESTATE) {
        tick = canali[n - 1].tick;
    }
    return tick != 0;
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
