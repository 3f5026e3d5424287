/* Lumetto - Climatica ("regolazione climatica" and "climatica dati", letter C,
   header "Test..Tint..Set...Umid..CO2...Cald..Cond..Vent..Fin...", 54
   characters: the scheme c:\lavoro\arduino\climatica.sca)

   Part                   Pins          Field  Meaning
   LM35 outdoors          A0            Test   outside temperature, degrees Celsius,
                                               +2 to 110 (below +2 the LM35's
                                               basic circuit reads about 0 to 2)
   LM35 in the room       A1            Tint   room temperature, degrees Celsius
   potentiometer 10 kOhm  A2            Set    set point, 15 to 30 degrees
   between 5V and GND
   humidity sensor with   A3            Umid   relative humidity, percent
   0-5 V output (0-100 %)
   CO2 sensor with analog A4            CO2    carbon dioxide, ppm
   output 0.4-2.0 V for
   0-5000 ppm (MH-Z19)
   relay: heater          D8            Cald   HHHHHH heating
   relay: air conditioner D9            Cond   HHHHHH cooling
   relay: fan             D10           Vent   HHHHHH running
   relay: window motor    D11           Fin    apre (HHHHHH) or chiude (LLLLLL)

   The loop: heating under Set - 0.5 until Set + 0.5; cooling over Set + 1.5
   until Set + 0.5; the fan over 65 % humidity until 55 %; the window opens
   over 1200 ppm of CO2 and closes under 700.
*/
#include <Lumetto.h>

const uint8_t ESTERNA = A0, INTERNA = A1, REGOLAZIONE = A2, UMIDITA = A3, CO2 = A4;
const uint8_t CALDAIA = 8, CONDIZIONATORE = 9, VENTOLA = 10, FINESTRA = 11;
const float SET_MINIMO = 15, SET_MASSIMO = 30;
const float CALDO_SOTTO = 0.5, CALDO_FINO = 0.5;  // degrees under / over Set
const float FREDDO_SOPRA = 1.5, FREDDO_FINO = 0.5;
const float VENTOLA_SOPRA = 65, VENTOLA_FINO = 55;   // percent of humidity
const float FINESTRA_APRE = 1200, FINESTRA_CHIUDE = 700;  // ppm of CO2
const float CO2_ZERO_V = 0.4, CO2_PIENO_V = 2.0, CO2_PIENO_PPM = 5000;

bool caldaia = false, condizionatore = false, ventola = false, finestra = false;

float ppm() {
    const float v = lumettoVolt(CO2);
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
    const float co2 = ppm();
    caldaia = tint < set - CALDO_SOTTO || (caldaia && tint < set + CALDO_FINO);
    condizionatore =
        tint > set + FREDDO_SOPRA || (condizionatore && tint > set + FREDDO_FINO);
    ventola = umid > VENTOLA_SOPRA || (ventola && umid > VENTOLA_FINO);
    if (co2 > FINESTRA_APRE) finestra = true;
    if (co2 < FINESTRA_CHIUDE) finestra = false;
    lumettoAttiva(CALDAIA, caldaia);
    lumettoAttiva(CONDIZIONATORE, condizionatore);
    lumettoAttiva(VENTOLA, ventola);
    lumettoAttiva(FINESTRA, finestra);

    if (lumettoComando("C")) {
        LumettoTrama t(54);
        t.numero(lumettoLM35(ESTERNA));
        t.numero(tint);
        t.numero(set);
        t.numero(umid);
        t.numero(co2);
        t.acceso(caldaia);
        t.acceso(condizionatore);
        t.acceso(ventola);
        t.acceso(finestra);
        t.fine();
    }
}
