// The analog inputs, sampled in the background by the converter's interrupt,
// the board's supply measured against the bandgap, and the pin-state reply.
// Only the sketches that read an analog input link this file, and with it
// the converter's interrupt and the answer to a calibration command that
// measures the supply.
#include <util/atomic.h>

#include "Lumetto.h"

namespace {

// ADMUX: the reference in the top bits, the input in the low four.
const uint8_t kAVcc = _BV(REFS0);
const uint8_t kInterno = _BV(REFS1) | _BV(REFS0);  // 1.1 V
const uint8_t kRiferimento = _BV(REFS1) | _BV(REFS0);
const uint8_t kBandgap = 0x0E;  // MUX 1110: the 1.1 V bandgap as the input

// Each input's value is the sum of its latest kCampioni conversions.
const uint8_t kCampioni = 16;
// Conversions of 104 us thrown away after a switch: of input, one (the
// sample-and-hold still holds the last input); to the bandgap, four (its
// buffer charges the sample-and-hold slowly); of the reference down from the
// supply to 1.1 V, 10 ms' worth (the AREF pin's 100 nF capacitor discharges
// through the internal reference, about a volt a millisecond).
const uint8_t kScartoIngresso = 1, kScartoBandgap = 4, kScartoRiferimento = 96;

// Room for every input (eight on a Nano) on both references, and the bandgap.
const uint8_t kCanali = 17;
struct Canale {
    uint8_t admux;
    volatile uint16_t somma;
    volatile bool pronta;  // somma holds a whole mean
};
Canale canali[kCanali];
// The round visits the inputs in this order: the supply's first (the
// bandgap leading), then the 1.1 V ones, so the reference changes twice a round.
volatile uint8_t quanti = 0;
volatile uint8_t corrente = 0, scarti = 0, contati = 0;
volatile uint16_t accumulo = 0;

// The bandgap in use, tenths of a millivolt: the board's own from the
// EEPROM, or the nominal one; read when the sampler starts.
uint16_t bandgap = lumetto::trama::kBandgapNominale;
bool tarata = false;

void taraConMisura(uint16_t multimetroMv);

uint8_t scartiTra(uint8_t prima, uint8_t dopo) {
    if (prima == dopo) return 0;
    if ((dopo & kRiferimento) == kInterno && (prima & kRiferimento) != kInterno)
        return kScartoRiferimento;
    if ((dopo & 0x0F) == kBandgap) return kScartoBandgap;
    return kScartoIngresso;
}

// Where an ADMUX value goes in the round: the supply's inputs first, the
// bandgap first of all.
uint16_t ordine(uint8_t admux) {
    const uint8_t ingresso = admux & 0x0F;
    return static_cast<uint16_t>(((admux & kRiferimento) == kInterno ? 0x100 : 0) +
                                 (ingresso == kBandgap ? 0 : ingresso + 1));
}

uint8_t ingressodi(uint8_t pin) {
    return static_cast<uint8_t>((pin >= A0 ? pin - A0 : pin) & 0x07);
}

// The slot of an ADMUX value, added to the round (which starts again from
// its first input) if it is new.
uint8_t canale(uint8_t admux) {
    uint8_t i = 0;
    ATOMIC_BLOCK(ATOMIC_RESTORESTATE) {
        const uint8_t n = quanti;
        for (i = 0; i < n; ++i)
            if (canali[i].admux == admux) break;
        if (i == n && n < kCanali) {
            while (i > 0 && ordine(canali[i - 1].admux) > ordine(admux)) {
                canali[i].admux = canali[i - 1].admux;
                canali[i].somma = canali[i - 1].somma;
                canali[i].pronta = canali[i - 1].pronta;
                --i;
            }
            canali[i].admux = admux;
            canali[i].somma = 0;
            canali[i].pronta = false;
            quanti = static_cast<uint8_t>(n + 1);
            corrente = 0;
            contati = 0;
            accumulo = 0;
            // A conversion under way is thrown away with the rest.
            scarti = kScartoRiferimento;
            ADMUX = canali[0].admux;
            if (n == 0) {
                const uint16_t salvato = lumetto::interno::bandgapSalvato();
                tarata = salvato != 0;
                if (tarata) bandgap = salvato;
                lumetto::interno::taratura = taraConMisura;
                // The core's 125 kHz (16 MHz / 128), the interrupt at each result.
                ADCSRA = _BV(ADEN) | _BV(ADIE) | _BV(ADPS2) | _BV(ADPS1) | _BV(ADPS0);
                ADCSRA |= _BV(ADSC);
            }
        }
    }
    return i;
}

// The sum of a slot's latest conversions, waiting for the first ones.
uint16_t somma(uint8_t admux) {
    const uint8_t i = canale(admux);
    while (!canali[i].pronta) {
    }
    uint16_t s;
    ATOMIC_BLOCK(ATOMIC_RESTORESTATE) {
        s = canali[i].somma;
    }
    return s;
}

const float kScala = 1023.0f * kCampioni;

// The supply in millivolts, from the bandgap's next whole mean: a reading
// taken after the call, not one the sampler already held.
float alimentazioneNuova() {
    const uint8_t i = canale(kBandgap | kAVcc);
    ATOMIC_BLOCK(ATOMIC_RESTORESTATE) {
        canali[i].pronta = false;
    }
    return bandgap / 10.0f * kScala / somma(kBandgap | kAVcc);
}

void taraConMisura(uint16_t multimetroMv) {
    int esito = lumetto::trama::kTaraturaChiesta;
    if (multimetroMv != 0) {
        const long nuovo = lumetto::trama::nuovoBandgap(bandgap, alimentazioneNuova(),
                                                        static_cast<long>(multimetroMv));
        if (nuovo == 0) {
            esito = lumetto::trama::kTaraturaRifiutata;
        } else {
            bandgap = static_cast<uint16_t>(nuovo);
            tarata = true;
            lumetto::interno::salvaBandgap(bandgap);
            esito = lumetto::trama::kTaraturaTenuta;
        }
    }
    char r[lumetto::trama::kRispostaTaratura];
    lumetto::trama::rispostaTaratura(alimentazioneNuova(), bandgap, tarata, esito, r);
    Serial.write(reinterpret_cast<const uint8_t*>(r), sizeof r);
}

}  // namespace

ISR(ADC_vect) {
    const uint16_t v = ADC;
    if (scarti > 0) {
        --scarti;
    } else {
        accumulo += v;
        if (++contati == kCampioni) {
            Canale& c = canali[corrente];
            c.somma = accumulo;
            c.pronta = true;
            accumulo = 0;
            contati = 0;
            const uint8_t prossimo = corrente + 1 < quanti ? corrente + 1 : 0;
            scarti = scartiTra(c.admux, canali[prossimo].admux);
            corrente = prossimo;
            ADMUX = canali[prossimo].admux;
        }
    }
    ADCSRA |= _BV(ADSC);
}

void lumettoMisura(uint8_t pin) {
    canale(kBandgap | kAVcc);
    canale(static_cast<uint8_t>(ingressodi(pin) | kAVcc));
}

void lumettoMisuraLM35(uint8_t pin) {
    canale(static_cast<uint8_t>(ingressodi(pin) | kInterno));
}

float lumettoAlimentazione() {
    return bandgap / 10.0f * kScala / somma(kBandgap | kAVcc) / 1000.0f;
}

uint16_t lumettoBandgap() {
    canale(kBandgap | kAVcc);  // the sampler started, the board's own bandgap read
    return bandgap;
}

bool lumettoTarata() {
    canale(kBandgap | kAVcc);
    return tarata;
}

float lumettoFrazione(uint8_t pin) {
    return somma(static_cast<uint8_t>(ingressodi(pin) | kAVcc)) / kScala;
}

float lumettoVolt(uint8_t pin) {
    return lumettoFrazione(pin) * lumettoAlimentazione();
}

float lumettoLM35(uint8_t pin) {
    // 10 mV a degree: millivolts / 10.
    return somma(static_cast<uint8_t>(ingressodi(pin) | kInterno)) / kScala * (bandgap / 100.0f);
}

void lumettoStatoPin() {
    char slot[lumetto::trama::kCampo];
    for (uint8_t pin = 2; pin <= 7; ++pin) {
        lumetto::trama::slotdigitale(pin, digitalRead(pin) == HIGH, slot);
        Serial.write(reinterpret_cast<const uint8_t*>(slot), sizeof slot);
    }
    // The program reads a slot as volts x 1023 / 5.
    const float alimentazione = lumettoAlimentazione();
    for (uint8_t canale = 0; canale < 6; ++canale) {
        const float volt = lumettoFrazione(static_cast<uint8_t>(A0 + canale)) * alimentazione;
        lumetto::trama::slotanalogico(canale, static_cast<int>(volt * (1023.0f / 5.0f) + 0.5f),
                                      slot);
        Serial.write(reinterpret_cast<const uint8_t*>(slot), sizeof slot);
    }
    Serial.print(lumetto::trama::finestatopin());
}
