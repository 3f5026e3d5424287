/* Lumetto - Climatica ("regolazione climatica" and "climatica dati", letter C,
   header "Test..Tint..Set...Umid..CO2...Cald..Cond..Vent..Fin...", 54
   characters: the scheme c:\lavoro\arduino\climatica.sca)

   Part                   Pins          Field  Meaning
   LM35 outdoors          A0            Test   outside temperature, degrees Celsius
   LM35 in the room       A1            Tint   room temperature, degrees Celsius
   potentiometer 10 kOhm  A2            Set    set point, 15 to 30 degrees
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

bool caldaia = false, condizionatore = false, ventola = false, finestra = false;

float ppm() {
    const float v = lumettoVolt(CO2);
    return v < 0.4 ? 0 : (v - 0.4) * 5000 / 1.6;
}

void setup() {
    pinMode(CALDAIA, OUTPUT);
    pinMode(CONDIZIONATORE, OUTPUT);
    pinMode(VENTOLA, OUTPUT);
    pinMode(FINESTRA, OUTPUT);
    lumettoInizia();
}

void loop() {
    const float tint = lumettoLM35(INTERNA);
    const float set = 15 + lumettoVolt(REGOLAZIONE) * 15 / 5;
    const float umid = lumettoVolt(UMIDITA) * 100 / 5;
    const float co2 = ppm();
    caldaia = tint < set - 0.5 || (caldaia && tint < set + 0.5);
    condizionatore = tint > set + 1.5 || (condizionatore && tint > set + 0.5);
    ventola = umid > 65 || (ventola && umid > 55);
    if (co2 > 1200) finestra = true;
    if (co2 < 700) finestra = false;
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
