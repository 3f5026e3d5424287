/* Lumetto - Cascata ("cascata", letter F, header
   "1.....2.....3.....4.....T.....Set...Delta.E/I....", 49 characters: eight
   fields and the line end)

   ---- wiring: from firmware/cablaggi.toml ----
   Part                   Pins         Field  Meaning
   relay modules of the   GND   GND    1..4   boiler 1..4: HHHHHH burning
   four boilers           IN1   D8
                          IN2   D9
                          IN3   D10
                          IN4   D11
                          VCC   5V
   LM35 in the delivery   +Vs   5V     T      water temperature, degrees Celsius (2 to
   pipe                   Vout  A0            110)
                          GND   GND
   potentiometer 10 kOhm  1     5V     Set    set point, 40 to 80 degrees
   between 5V and GND     wiper A1
                          3     GND
                                       Delta  differential, degrees (DELTA below)
   switch summer/winter   1     D2     E/I    HHHHHH winter (heating on): switch closed
                          2     GND

   A relay module here switches on with its IN high (LUMETTO_RELE_ACCESO is HIGH in
   the library); for modules that switch on with IN low (most opto-isolated ones)
   write #define LUMETTO_RELE_ACCESO LOW before #include <Lumetto.h>. Either way
   every relay is off from the moment the board starts.

   Each relay coil takes about 70 mA from the board's 5V: with three or more relays,
   and the sensors besides, feed the relay modules' VCC from a 5 V supply of their
   own (a 5 V 1 A adapter) and join its GND to the board's GND.

   LM35 pins seen with the flat face towards you, left to right: +Vs, Vout, GND.

   Leave AREF unconnected: the converter's reference is chosen inside the chip (the
   supply, or the internal 1.1 V that the library switches to for an LM35), and a
   voltage on AREF would be shorted to it (and can damage the chip).
   ---- end of wiring ----

   The loop: every 20 seconds one more boiler starts when the water is colder
   than Set - Delta, and one stops when it is warmer than Set + Delta, so the
   boilers follow the demand one at a time. In summer every boiler is off.

   A probe that fails switches every boiler off at once: a reading under
   SONDA_MINIMA (an LM35 without its supply, or its wire cut with a 100 kOhm
   resistor from A0 to GND, reads 0) or at the top of the scale (its GND wire
   cut) is no temperature. The reply then carries -9999 for T, the program
   says which probe and which relays, and the boilers start again one at a
   time once the reading is plausible.
*/
#include <Lumetto.h>

const uint8_t CALDAIA[4] = {8, 9, 10, 11};
const uint8_t SONDA = A0, REGOLAZIONE = A1, INVERNO = 2;
const float DELTA = 4;
const float SET_MINIMO = 40, SET_MASSIMO = 80;
const unsigned long PASSO_MS = 20000;
// The basic LM35 circuit reads 0 to 2 degrees for anything below +2: no
// boiler's delivery reads under 1 degree, and the 1.1 V scale ends at 110.
const float SONDA_MINIMA = 1.0, SONDA_MASSIMA = 109.5;

uint8_t accese = 0;
unsigned long ultimo = 0;
bool primo = true;

void setup() {
    for (uint8_t i = 0; i < 4; ++i)
        lumettoUscita(CALDAIA[i]);
    pinMode(INVERNO, INPUT_PULLUP);
    lumettoMisuraLM35(SONDA);
    lumettoMisura(REGOLAZIONE);
    lumettoInizia("Cascata");
}

void loop() {
    const bool inverno = lumettoChiuso(INVERNO);
    const float t = lumettoLM35(SONDA);
    const float set = SET_MINIMO + lumettoFrazione(REGOLAZIONE) * (SET_MASSIMO - SET_MINIMO);
    const bool guasto = t < SONDA_MINIMA || t > SONDA_MASSIMA;
    if (guasto) {
        accese = 0;
        primo = true;  // back at once, from the first boiler, when it is plausible
    } else if (!inverno) {
        accese = 0;
    } else if (primo || millis() - ultimo >= PASSO_MS) {
        primo = false;
        ultimo = millis();
        if (t < set - DELTA && accese < 4) ++accese;
        if (t > set + DELTA && accese > 0) --accese;
    }
    for (uint8_t i = 0; i < 4; ++i)
        lumettoAttiva(CALDAIA[i], i < accese);

    if (lumettoComando("F")) {
        LumettoTrama f(49);
        for (uint8_t i = 0; i < 4; ++i)
            f.acceso(i < accese);
        f.numero(guasto ? lumetto::trama::kMinimo : t);
        f.numero(set);
        f.numero(DELTA);
        f.acceso(inverno);
        f.fine();
    }
}
