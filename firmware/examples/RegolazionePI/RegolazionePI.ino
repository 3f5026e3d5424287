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
   (PWM), or a solid
   state relay or a relay
   module (SSR = true)

   LM35 pins seen with the flat face towards you, left to right: +Vs, Vout, GND.

   The load (heater, motor, valve coil) runs from a supply of its own, never from the
   board's 5V; join that supply's GND to the board's GND. Mains loads only through an
   SSR or a relay module rated for them, wired by someone qualified.

   A relay module here switches on with its IN high (LUMETTO_RELE_ACCESO is HIGH in
   the library); for modules that switch on with IN low (most opto-isolated ones)
   write #define LUMETTO_RELE_ACCESO LOW before #include <Lumetto.h>. Either way
   every relay is off from the moment the board starts.
   ---- end of wiring ----

   The loop: azp = 100 x error / band; once a second azi grows by azp x
   1 s / TI (the integral time) and stays within -100..100; azt = azp + azi,
   within 0..100, is the heater's power: by PWM on a MOSFET, or on an SSR or
   a relay as a share of every 2 s window (a zero-cross SSR switches only
   when the mains crosses zero, and cannot follow the 976 Hz PWM).

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
const bool SSR = false;                  // true: an SSR or a relay, by time windows
const unsigned long FINESTRA_MS = 2000;  // the SSR's window

float temp = 0, set = 0, azp = 0, azi = 0, azt = 0;
bool guasto = false;
unsigned long ultimo = 0, finestra = 0;

void setup() {
    if (SSR) {
        lumettoUscita(RISCALDATORE);
    } else {
        digitalWrite(RISCALDATORE, LOW);
        pinMode(RISCALDATORE, OUTPUT);
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
    if (SSR) {
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
