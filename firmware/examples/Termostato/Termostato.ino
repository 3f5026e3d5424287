/* Lumetto - Termostato ("termostato", letter B, header
   "temp....umid..Set...Stato.", 26 characters: four fields and the line end)

   ---- wiring: from firmware/cablaggi.toml ----
   Part                   Pins         Field  Meaning
   LM35                   +Vs   5V     temp   room temperature, degrees Celsius (2 to
                          Vout  A0            110)
                          GND   GND
   humidity sensor with   VCC   5V     umid   relative humidity, percent
   0-5 V output (0-100 %) OUT   A1
                          GND   GND
   potentiometer 10 kOhm  1     5V     Set    set point, 10 to 30 degrees
   between 5V and GND     wiper A2
                          3     GND
   relay module (heater)  VCC   5V     Stato  heater: HHHHHH on, LLLLLL off
                          GND   GND
                          IN    D8

   LM35 pins seen with the flat face towards you, left to right: +Vs, Vout, GND.

   A relay module here switches on with its IN high (LUMETTO_RELE_ACCESO is HIGH in
   the library); for modules that switch on with IN low (most opto-isolated ones)
   write #define LUMETTO_RELE_ACCESO LOW before #include <Lumetto.h>. Either way
   every relay is off from the moment the board starts.

   The load (heater, motor, valve coil) runs from a supply of its own, never from the
   board's 5V; join that supply's GND to the board's GND. Mains loads only through an
   SSR or a relay module rated for them, wired by someone qualified.

   Leave AREF unconnected: the converter's reference is chosen inside the chip (the
   supply, or the internal 1.1 V that the library switches to for an LM35), and a
   voltage on AREF would be shorted to it (and can damage the chip).
   ---- end of wiring ----

   The loop: the heater goes on under Set - 0.5 degrees and off over
   Set + 0.5 (half a degree of hysteresis, so the relay does not chatter).

   A probe that fails switches the heater off: a reading under SONDA_MINIMA
   (an LM35 without its supply, or its wire cut with a 100 kOhm resistor from
   A0 to GND, reads 0) or at the top of the scale (its GND wire cut: the
   output rises to the supply) is no temperature. The reply then carries
   -9999 for the temperature, the program says which probe and which relay,
   and the loop starts again by itself once the reading is plausible.
*/
#include <Lumetto.h>

const uint8_t SONDA = A0, UMIDITA = A1, REGOLAZIONE = A2, CALDAIA = 8;
const float ISTERESI = 0.5;
const float SET_MINIMO = 10, SET_MASSIMO = 30;
// The basic LM35 circuit reads 0 to 2 degrees for anything below +2: no room
// reads under 1 degree, and the 1.1 V scale ends at 110.
const float SONDA_MINIMA = 1.0, SONDA_MASSIMA = 109.5;

bool caldaia = false;

void setup() {
    lumettoUscita(CALDAIA);
    lumettoMisuraLM35(SONDA);
    lumettoMisura(UMIDITA);
    lumettoMisura(REGOLAZIONE);
    lumettoInizia("Termostato");
}

void loop() {
    const float temp = lumettoLM35(SONDA);
    const float set = SET_MINIMO + lumettoFrazione(REGOLAZIONE) * (SET_MASSIMO - SET_MINIMO);
    const bool guasto = temp < SONDA_MINIMA || temp > SONDA_MASSIMA;
    if (guasto) {
        caldaia = false;
    } else {
        if (temp < set - ISTERESI) caldaia = true;
        if (temp > set + ISTERESI) caldaia = false;
    }
    lumettoAttiva(CALDAIA, caldaia);

    if (lumettoComando("B")) {
        LumettoTrama t(26);
        t.numero(guasto ? lumetto::trama::kMinimo : temp);
        t.numero(lumettoVolt(UMIDITA) * 100 / 5);
        t.numero(set);
        t.acceso(caldaia);
        t.fine();
    }
}
