/* Lumetto - RegolazionePI ("Regolazione PI ", letter E, header
   "temp..set...scost.banda.tempo.azp...azi...azt...", 48 characters)

   ---- wiring: from firmware/cablaggi.toml ----
   Part                   Pins         Field  Meaning
   LM35 in the oven       +Vs   5V     temp   temperature, degrees Celsius (2 to 110)
                          Vout  A0
                          GND   GND
   potentiometer 10 kOhm  1     5V     set    set point, 20 to 80 degrees
   between 5V and GND     wiper A1
                          3     GND
                                       scost  error: set - temp
                                       banda  proportional band, degrees (BANDA)
                                       tempo  seconds since the board started
                                       azp    proportional action, percent
                                       azi    integral action, percent
   heater (a lamp or a    IN    D5     azt    total action, percent of the heater's
   resistor) through a    GND   GND           power, 0 to 100
   logic-level MOSFET
   (PWM), a solid state
   relay (USCITA = SSR)
   or a relay module
   (USCITA = RELE)

   LM35 pins seen with the flat face towards you, left to right: +Vs, Vout, GND.

   The load (heater, motor, valve coil) runs from a supply of its own, never from the
   board's 5V; join that supply's GND to the board's GND. Mains loads only through an
   SSR or a relay module rated for them, wired by someone qualified.

   A relay module here switches on with its IN high (LUMETTO_RELE_ACCESO is HIGH in
   the library); for modules that switch on with IN low (most opto-isolated ones)
   write #define LUMETTO_RELE_ACCESO LOW before #include <Lumetto.h>. Either way
   every relay is off from the moment the board starts.

   Leave AREF unconnected: the converter's reference is chosen inside the chip (the
   supply, or the internal 1.1 V that the library switches to for an LM35), and a
   voltage on AREF would be shorted to it (and can damage the chip).
   ---- end of wiring ----

   The loop: azp = 100 x error / band; once a second azi grows by azp x
   1 s / TI (the integral time) and stays within -100..100; azt = azp + azi,
   within 0..100, is the heater's power: by PWM on a MOSFET (USCITA =
   MOSFET), on a solid-state relay as a share of every 2 s window (SSR: a
   zero-cross SSR switches only when the mains crosses zero, and cannot
   follow the 976 Hz PWM), or on a relay module as a share of every minute
   (RELE).

   A mechanical relay wears with each switching: its contacts last about
   100,000 on-off cycles at their rated load (the common 5 V modules' SRD
   relay: 10^5 electrical, 10^7 mechanical). At the SSR's 2 s it would make
   up to 1,800 cycles an hour and be worn out after some 55 hours of
   lessons. RELE makes one cycle a minute at most (RELE_PERIODO_MS): 60 an
   hour, over 1,600 hours. A minute starts when the relay goes on (at once
   when a share is asked of a relay at rest); its share is taken then and
   held through it, whatever the temperature does meanwhile, and a share
   under RELE_MINIMO_MS (5 s) or within 5 s of the whole minute is made
   0 or 100 %, so two switchings are never closer than 5 s. An oven's
   temperature moves over minutes: a minute's cycle does not upset it. Only
   a failed probe switches the relay off at once.

   A probe that fails switches the heater off: a reading under SONDA_MINIMA
   (an LM35 without its supply, or its wire cut with a 100 kOhm resistor from
   A0 to GND, reads 0) or at the top of the scale (its GND wire cut) is no
   temperature. The reply then carries -9999 for the temperature and 0 for
   the actions, the program says which probe and which output, and the loop
   starts again from a zero integral once the reading is plausible.
*/
#include <Lumetto.h>

const uint8_t SONDA = A0, REGOLAZIONE = A1, RISCALDATORE = 5;
const float BANDA = 10;  // degrees
const float TI = 120;    // seconds
const float SET_MINIMO = 20, SET_MASSIMO = 80;
// The basic LM35 circuit reads 0 to 2 degrees for anything below +2: no oven
// reads under 1 degree, and the 1.1 V scale ends at 110.
const float SONDA_MINIMA = 1.0, SONDA_MASSIMA = 109.5;
// How D5 drives the heater: a logic-level MOSFET by PWM, a solid-state relay
// or a relay module, each by its share of a window.
enum Uscita { MOSFET, SSR, RELE };
const Uscita USCITA = MOSFET;
const unsigned long FINESTRA_MS = 2000;       // the SSR's window
const unsigned long RELE_PERIODO_MS = 60000;  // the relay's: at most 60 cycles an hour
const unsigned long RELE_MINIMO_MS = 5000;    // never two switchings of the relay closer

float temp = 0, set = 0, azp = 0, azi = 0, azt = 0;
bool guasto = false;
unsigned long ultimo = 0, finestra = 0;
// The relay: its state, its last switching, and the share of the minute under way.
bool rele = false, releInCorso = false;
unsigned long scatto = 0, releDal = 0, releAcceso = 0;

void scatta(bool acceso) {
    rele = acceso;
    scatto = millis();
    lumettoAttiva(RISCALDATORE, acceso);
}

void comandaRele() {
    const unsigned long ora = millis();
    if (guasto) {
        if (rele) scatta(false);
        releInCorso = false;
        return;
    }
    if (!releInCorso || ora - releDal >= RELE_PERIODO_MS) {
        unsigned long quota = static_cast<unsigned long>(azt * (RELE_PERIODO_MS / 100));
        if (quota < RELE_MINIMO_MS) quota = 0;
        if (quota > RELE_PERIODO_MS - RELE_MINIMO_MS) quota = RELE_PERIODO_MS;
        // A minute starts when the relay goes on: while nothing is asked it
        // stays off, and starts as soon as something is.
        releInCorso = false;
        if (quota == 0) {
            if (rele) scatta(false);
            return;
        }
        // After a fault, the relay rests its minimum before it starts again.
        if (!rele && ora - scatto < RELE_MINIMO_MS) return;
        releInCorso = true;
        releDal = ora;
        releAcceso = quota;
    }
    const bool acceso = ora - releDal < releAcceso;
    if (acceso != rele) scatta(acceso);
}

void setup() {
    if (USCITA == MOSFET) {
        digitalWrite(RISCALDATORE, LOW);
        pinMode(RISCALDATORE, OUTPUT);
    } else {
        lumettoUscita(RISCALDATORE);
    }
    lumettoMisuraLM35(SONDA);
    lumettoMisura(REGOLAZIONE);
    lumettoInizia("RegolazionePI");
}

void loop() {
    temp = lumettoLM35(SONDA);
    set = SET_MINIMO + lumettoFrazione(REGOLAZIONE) * (SET_MASSIMO - SET_MINIMO);
    guasto = temp < SONDA_MINIMA || temp > SONDA_MASSIMA;
    if (guasto) {
        azp = azi = azt = 0;  // no windup while the probe is out
    } else {
        azp = 100 * (set - temp) / BANDA;
        if (millis() - ultimo >= 1000) {
            ultimo = millis();
            azi = constrain(azi + azp * 1.0 / TI, -100, 100);
        }
        azt = constrain(azp + azi, 0, 100);
    }
    if (USCITA == RELE) {
        comandaRele();
    } else if (USCITA == SSR) {
        const unsigned long ora = millis();
        if (ora - finestra >= FINESTRA_MS) finestra = ora;
        lumettoAttiva(RISCALDATORE, ora - finestra < azt * FINESTRA_MS / 100);
    } else {
        analogWrite(RISCALDATORE, static_cast<int>(azt * 255 / 100));
    }
    if (lumettoComando("E")) {
        LumettoTrama t(48);
        t.numero(guasto ? lumetto::trama::kMinimo : temp);
        t.numero(set);
        t.numero(guasto ? 0 : set - temp);
        t.numero(BANDA);
        t.numero(millis() / 1000);
        t.numero(azp);
        t.numero(azi);
        t.numero(azt);
        t.fine();
    }
}
