/* Lumetto - Climatica ("regolazione climatica" and "climatica dati", letter C,
   header "Test..Tint..Set...Umid..CO2...Cald..Cond..Vent..Fin...", 54
   characters: the scheme c:\lavoro\arduino\climatica.sca)

   ---- wiring: from firmware/cablaggi.toml ----
   Part                   Pins         Field  Meaning
   LM35 outdoors          +Vs   5V     Test   outside temperature, degrees Celsius, +2
                          Vout  A0            to 110 (below +2 the LM35's basic circuit
                          GND   GND           reads about 0 to 2)
   LM35 in the room       +Vs   5V     Tint   room temperature, degrees Celsius
                          Vout  A1
                          GND   GND
   potentiometer 10 kOhm  1     5V     Set    set point, 15 to 30 degrees
   between 5V and GND     wiper A2
                          3     GND
   humidity sensor with   VCC   5V     Umid   relative humidity, percent
   0-5 V output (0-100 %) OUT   A3
                          GND   GND
   CO2 sensor with analog Vin   5V     CO2    carbon dioxide, ppm
   output 0.4-2.0 V for   Vo    A4
   0-5000 ppm (MH-Z19)    GND   GND
   relay: heater          VCC   5V     Cald   HHHHHH heating
                          GND   GND
                          IN    D8
   relay: air conditioner VCC   5V     Cond   HHHHHH cooling
                          GND   GND
                          IN    D9
   relay: fan             VCC   5V     Vent   HHHHHH running
                          GND   GND
                          IN    D10
   relay: window motor    VCC   5V     Fin    apre (HHHHHH) or chiude (LLLLLL)
                          GND   GND
                          IN    D11

   LM35 pins seen with the flat face towards you, left to right: +Vs, Vout, GND.

   A relay module here switches on with its IN high (LUMETTO_RELE_ACCESO is HIGH in
   the library); for modules that switch on with IN low (most opto-isolated ones)
   write #define LUMETTO_RELE_ACCESO LOW before #include <Lumetto.h>. Either way
   every relay is off from the moment the board starts.

   Each relay coil takes about 70 mA from the board's 5V: with three or more relays,
   and the sensors besides, feed the relay modules' VCC from a 5 V supply of their
   own (a 5 V 1 A adapter) and join its GND to the board's GND.

   Leave AREF unconnected: the converter's reference is chosen inside the chip (the
   supply, or the internal 1.1 V that the library switches to for an LM35), and a
   voltage on AREF would be shorted to it (and can damage the chip).
   ---- end of wiring ----

   The loop: heating under Set - 0.5 until Set + 0.5; cooling over Set + 1.5
   until Set + 0.5; the fan over 65 % humidity until 55 %; the window opens
   over 1200 ppm of CO2 and closes under 700.

   A room probe that fails switches the heater and the air conditioner off:
   a reading under SONDA_MINIMA (an LM35 without its supply, or its wire cut
   with a 100 kOhm resistor from A1 to GND, reads 0) or at the top of the
   scale (its GND wire cut) is no temperature; the reply carries -9999 for
   Tint. A CO2 sensor under CO2_MINIMO_V (its analog output is never under
   0.4 V while it is fed: a wire cut or the sensor unfed) closes the window
   (its motor's relay off); the reply carries -9999 for CO2. The program says
   which sensor and which outputs; each loop starts again by itself once its
   reading is plausible. The outdoor probe drives nothing, and a humidity
   sensor that loses its output reads 0 %, which keeps the fan off.
*/
#include <Lumetto.h>

const uint8_t ESTERNA = A0, INTERNA = A1, REGOLAZIONE = A2, UMIDITA = A3, CO2 = A4;
const uint8_t CALDAIA = 8, CONDIZIONATORE = 9, VENTOLA = 10, FINESTRA = 11;
const float SET_MINIMO = 15, SET_MASSIMO = 30;
const float CALDO_SOTTO = 0.5, CALDO_FINO = 0.5;  // degrees under / over Set
const float FREDDO_SOPRA = 1.5, FREDDO_FINO = 0.5;
const float VENTOLA_SOPRA = 65, VENTOLA_FINO = 55;        // percent of humidity
const float FINESTRA_APRE = 1200, FINESTRA_CHIUDE = 700;  // ppm of CO2
const float CO2_ZERO_V = 0.4, CO2_PIENO_V = 2.0, CO2_PIENO_PPM = 5000;
const float CO2_MINIMO_V = 0.3;  // under it no sensor is answering
// The basic LM35 circuit reads 0 to 2 degrees for anything below +2: no
// classroom reads under 1 degree, and the 1.1 V scale ends at 110.
const float SONDA_MINIMA = 1.0, SONDA_MASSIMA = 109.5;

bool caldaia = false, condizionatore = false, ventola = false, finestra = false;

float ppm(float v) {
    return v < CO2_ZERO_V ? 0 : (v - CO2_ZERO_V) * CO2_PIENO_PPM / (CO2_PIENO_V - CO2_ZERO_V);
}

void setup() {
    lumettoUscita(CALDAIA);
    lumettoUscita(CONDIZIONATORE);
    lumettoUscita(VENTOLA);
    lumettoUscita(FINESTRA);
    lumettoMisuraLM35(ESTERNA);
    lumettoMisuraLM35(INTERNA);
    lumettoMisura(REGOLAZIONE);
    lumettoMisura(UMIDITA);
    lumettoMisura(CO2);
    lumettoInizia("Climatica");
}

void loop() {
    const float tint = lumettoLM35(INTERNA);
    const float set = SET_MINIMO + lumettoFrazione(REGOLAZIONE) * (SET_MASSIMO - SET_MINIMO);
    const float umid = lumettoVolt(UMIDITA) * 100 / 5;
    const float co2v = lumettoVolt(CO2);
    const float co2 = ppm(co2v);
    const bool guastoTint = tint < SONDA_MINIMA || tint > SONDA_MASSIMA;
    const bool guastoCo2 = co2v < CO2_MINIMO_V;
    caldaia = !guastoTint && (tint < set - CALDO_SOTTO || (caldaia && tint < set + CALDO_FINO));
    condizionatore =
        !guastoTint && (tint > set + FREDDO_SOPRA || (condizionatore && tint > set + FREDDO_FINO));
    ventola = umid > VENTOLA_SOPRA || (ventola && umid > VENTOLA_FINO);
    if (co2 > FINESTRA_APRE) finestra = true;
    if (co2 < FINESTRA_CHIUDE || guastoCo2) finestra = false;
    lumettoAttiva(CALDAIA, caldaia);
    lumettoAttiva(CONDIZIONATORE, condizionatore);
    lumettoAttiva(VENTOLA, ventola);
    lumettoAttiva(FINESTRA, finestra);

    if (lumettoComando("C")) {
        LumettoTrama t(54);
        t.numero(lumettoLM35(ESTERNA));
        t.numero(guastoTint ? lumetto::trama::kMinimo : tint);
        t.numero(set);
        t.numero(umid);
        t.numero(guastoCo2 ? lumetto::trama::kMinimo : co2);
        t.acceso(caldaia);
        t.acceso(condizionatore);
        t.acceso(ventola);
        t.acceso(finestra);
        t.fine();
    }
}
