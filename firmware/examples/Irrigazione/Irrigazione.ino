/* Lumetto - Irrigazione ("irrigazione", letter I, header
   "Umid1.Umid2.PioggiLiv...Pompa.EV1...EV2...Temp..", 48 characters: the
   scheme c:\lavoro\arduino\irrigazione.sca)

   Part                   Pins          Field  Meaning
   soil moisture probe    A0            Umid1  soil moisture of zone 1, percent
   (FC-28/YL-69, analog                        (the probe, fed by the board's 5V,
   output), zone 1                             gives all of it dry, 0 V wet)
   the same, zone 2       A1            Umid2  zone 2, percent
   rain sensor module     D2 (DO)       Pioggi HHHHHH raining (its output goes
   (FC-37)                                     low when wet)
   tank level sensor      A2            Liv    water in the tank, percent
   with 0-5 V output
   relay: pump            D8            Pompa  HHHHHH running
   solenoid valve zone 1  D9            EV1    apre (HHHHHH) or chiude (LLLLLL)
   solenoid valve zone 2  D10           EV2    the same for zone 2
   LM35                   A3            Temp   air temperature, degrees Celsius
                                               (2 to 110)

   The loop: a zone's valve opens when its soil is under 30 % and closes over
   60 % or when it rains; the pump runs while a valve is open and the tank
   has more than 10 % of water.
*/
#include <Lumetto.h>

const uint8_t UMIDITA[2] = {A0, A1};
const uint8_t PIOGGIA = 2, LIVELLO = A2, TEMPERATURA = A3;
const uint8_t POMPA = 8, VALVOLA[2] = {9, 10};
const float APRE_SOTTO = 30, CHIUDE_SOPRA = 60;  // percent of soil moisture
const float LIVELLO_MINIMO = 10;                  // percent of water in the tank

bool valvola[2] = {false, false}, pompa = false;

float umidita(uint8_t zona) {
    return 100 - lumettoFrazione(UMIDITA[zona]) * 100;
}

void setup() {
    pinMode(PIOGGIA, INPUT_PULLUP);
    lumettoUscita(POMPA);
    lumettoUscita(VALVOLA[0]);
    lumettoUscita(VALVOLA[1]);
    lumettoMisura(UMIDITA[0]);
    lumettoMisura(UMIDITA[1]);
    lumettoMisura(LIVELLO);
    lumettoMisuraLM35(TEMPERATURA);
    lumettoInizia("Irrigazione");
}

void loop() {
    const bool pioggia = lumettoChiuso(PIOGGIA);
    const float livello = lumettoVolt(LIVELLO) * 100 / 5;
    for (uint8_t z = 0; z < 2; ++z) {
        const float u = umidita(z);
        if (u < APRE_SOTTO) valvola[z] = true;
        if (u > CHIUDE_SOPRA || pioggia) valvola[z] = false;
        lumettoAttiva(VALVOLA[z], valvola[z]);
    }
    pompa = (valvola[0] || valvola[1]) && livello > LIVELLO_MINIMO;
    lumettoAttiva(POMPA, pompa);

    if (lumettoComando("I")) {
        LumettoTrama t(48);
        t.numero(umidita(0));
        t.numero(umidita(1));
        t.acceso(pioggia);
        t.numero(livello);
        t.acceso(pompa);
        t.acceso(valvola[0]);
        t.acceso(valvola[1]);
        t.numero(lumettoLM35(TEMPERATURA));
        t.fine();
    }
}
