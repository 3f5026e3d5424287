/* Lumetto - Termostato ("termostato", letter B, header
   "temp....umid..Set...Stato.", 26 characters: four fields and the line end)

   Part                   Pins          Field  Meaning
   LM35                   A0            temp   room temperature, degrees Celsius
                                               (2 to 110)
   humidity sensor with   A1            umid   relative humidity, percent
   0-5 V output (0-100 %)
   potentiometer 10 kOhm  A2            Set    set point, 10 to 30 degrees
   between 5V and GND
   relay module (heater)  D8            Stato  heater: HHHHHH on, LLLLLL off

   The loop: the heater goes on under Set - 0.5 degrees and off over
   Set + 0.5 (half a degree of hysteresis, so the relay does not chatter).
*/
#include <Lumetto.h>

const uint8_t SONDA = A0, UMIDITA = A1, REGOLAZIONE = A2, CALDAIA = 8;
const float ISTERESI = 0.5;
const float SET_MINIMO = 10, SET_MASSIMO = 30;

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
    if (temp < set - ISTERESI) caldaia = true;
    if (temp > set + ISTERESI) caldaia = false;
    lumettoAttiva(CALDAIA, caldaia);

    if (lumettoComando("B")) {
        LumettoTrama t(26);
        t.numero(temp);
        t.numero(lumettoVolt(UMIDITA) * 100 / 5);
        t.numero(set);
        t.acceso(caldaia);
        t.fine();
    }
}
