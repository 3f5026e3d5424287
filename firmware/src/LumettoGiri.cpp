// The slot counter of LumettoGiri.h. Only the sketches that count turns link
// this file, and with it the external interrupt.
#include "LumettoGiri.h"

#include <util/atomic.h>

#include "Lumetto.h"

namespace lumettoGiri {
namespace {

const unsigned long kRimbalzoUs = 200;
const unsigned long kFermoMs = 2000;  // no slot for this long: the wheel stands

volatile unsigned long impulsi = 0;
volatile unsigned long fronte = 0;  // micros() of the last slot counted
// Every edge, either way: when the last came and the level read after it.
// The last read of a burst of chatter is the level the line settles at (an
// edge after that read raises the interrupt again), so the first edge after
// a quiet spell goes the other way.
volatile unsigned long ultimoFronte = 0;
volatile bool alto = false;
volatile uint8_t* ingresso = nullptr;
uint8_t maschera = 0;
uint8_t fori = 20;
unsigned int periodo = 500;
unsigned long misurato = 0;                    // millis() of the last measure
unsigned long contati = 0, fronteContato = 0;  // the slots and the edge it ended on
bool primo = true;
float giriMinuto = 0;

void conta() {
    const bool letto = (*ingresso & maschera) != 0;
    const unsigned long ora = micros();
    // A slot opens when the line, quiet and low, starts to rise; the chatter
    // of either edge comes within kRimbalzoUs of the edge before.
    if (ora - ultimoFronte >= kRimbalzoUs && !alto) {
        fronte = ora;
        ++impulsi;
    }
    ultimoFronte = ora;
    alto = letto;
}

unsigned long letti() {
    unsigned long n;
    ATOMIC_BLOCK(ATOMIC_RESTORESTATE) {
        n = impulsi;
    }
    return n;
}

}  // namespace

void inizia(uint8_t pin, uint8_t foriDisco, unsigned int periodoMs) {
    fori = foriDisco > 0 ? foriDisco : 1;
    periodo = periodoMs;
    pinMode(pin, INPUT);
    ingresso = portInputRegister(digitalPinToPort(pin));
    maschera = digitalPinToBitMask(pin);
    alto = (*ingresso & maschera) != 0;
    ultimoFronte = micros() - kRimbalzoUs;
    attachInterrupt(digitalPinToInterrupt(pin), conta, CHANGE);
    misurato = millis();
}

bool aggiorna() {
    const unsigned long ora = millis();
    if (ora - misurato < periodo) return false;
    misurato = ora;
    unsigned long n, t;
    ATOMIC_BLOCK(ATOMIC_RESTORESTATE) {
        n = impulsi;
        t = fronte;
    }
    if (n != contati) {
        // From a standing wheel, the first slots only set where to count from.
        if (!primo && t != fronteContato && t - fronteContato < kFermoMs * 1000UL)
            giriMinuto = (n - contati) * 60e6f / fori / (t - fronteContato);
        primo = false;
        contati = n;
        fronteContato = t;
    } else if (!primo) {
        // No slot this period: the wheel is slower than one slot since the
        // last, and stands after a while.
        const unsigned long da = micros() - fronteContato;
        const float alPiu = 60e6f / fori / da;
        if (da > kFermoMs * 1000UL)
            giriMinuto = 0;
        else if (alPiu < giriMinuto)
            giriMinuto = alPiu;
    }
    return true;
}

float rpm() {
    return giriMinuto;
}

unsigned long giri() {
    return letti() / fori;
}

float angolo() {
    return (letti() % fori) * 360.0f / fori;
}

}  // namespace lumettoGiri
