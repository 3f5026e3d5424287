/* Lumetto - Irrigazione ("irrigazione", letter I, header
   "Umid1.Umid2.PioggiLiv...Pompa.EV1...EV2...Temp..", 48 characters: the
   scheme c:\lavoro\arduino\irrigazione.sca)

   ---- wiring: from firmware/cablaggi.toml ----
   Part                   Pins         Field  Meaning
   soil moisture probe    VCC  5V      Umid1  soil moisture of zone 1, percent (the
   (FC-28/YL-69, analog   GND  GND            probe, fed by the board's 5V, gives all of
   output), zone 1        AO   A0             it dry, 0 V wet)
   the same, zone 2       VCC  5V      Umid2  zone 2, percent
                          GND  GND
                          AO   A1
   rain sensor module     VCC  5V      Pioggi HHHHHH raining (its output goes low when
   (FC-37)                GND  GND            wet)
                          DO   D2
   tank level sensor with VCC  5V      Liv    water in the tank, percent
   0-5 V output           OUT  A2
                          GND  GND
   relay: pump            VCC  5V      Pompa  HHHHHH running
                          GND  GND
                          IN   D8
   relay: solenoid valve  VCC  5V      EV1    apre (HHHHHH) or chiude (LLLLLL)
   zone 1                 GND  GND
                          IN   D9
   relay: solenoid valve  VCC  5V      EV2    the same for zone 2
   zone 2                 GND  GND
                          IN   D10
   LM35                   +Vs  5V      Temp   air temperature, degrees Celsius (2 to
                          Vout A3             110)
                          GND  GND

   A relay module here switches on with its IN high (LUMETTO_RELE_ACCESO is HIGH in
   the library); for modules that switch on with IN low (most opto-isolated ones)
   write #define LUMETTO_RELE_ACCESO LOW before #include <Lumetto.h>. Either way
   every relay is off from the moment the board starts.

   Each relay coil takes about 70 mA from the board's 5V: with three or more relays,
   and the sensors besides, feed the relay modules' VCC from a 5 V supply of their
   own (a 5 V 1 A adapter) and join its GND to the board's GND.

   The load (heater, motor, valve coil) runs from a supply of its own, never from the
   board's 5V; join that supply's GND to the board's GND. Mains loads only through an
   SSR or a relay module rated for them, wired by someone qualified.

   LM35 pins seen with the flat face towards you, left to right: +Vs, Vout, GND.

   Leave AREF unconnected: the converter's reference is chosen inside the chip (the
   supply, or the internal 1.1 V that the library switches to for an LM35), and a
   voltage on AREF would be shorted to it (and can damage the chip).
   ---- end of wiring ----

   The loop: a zone's valve opens when its soil is under 30 % and closes over
   60 % or when it rains; the pump runs while a valve is open and the tank
   has more than 10 % of water.

   A moisture probe that reads the whole supply (under UMIDITA_MINIMA: the
   driest soil still conducts a little, a probe out of the ground or with its
   GND wire cut does not) would keep its valve open for good: its zone's
   valve closes instead, and the pump stops unless the other zone needs
   water. The reply carries -9999 for that zone, the program says which probe
   and which valve, and the zone starts again by itself once the reading is
   plausible. A level sensor that loses its output reads 0 %, which keeps the
   pump off already; the rain sensor and the LM35 drive nothing.
*/
#include <Lumetto.h>

const uint8_t UMIDITA[2] = {A0, A1};
const uint8_t PIOGGIA = 2, LIVELLO = A2, TEMPERATURA = A3;
const uint8_t POMPA = 8, VALVOLA[2] = {9, 10};
const float APRE_SOTTO = 30, CHIUDE_SOPRA = 60;  // percent of soil moisture
const float LIVELLO_MINIMO = 10;                 // percent of water in the tank
const float UMIDITA_MINIMA = 1;                  // percent: under it, no probe in soil

bool valvola[2] = {false, false}, pompa = false, guasto[2] = {false, false};

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
        guasto[z] = u < UMIDITA_MINIMA;
        if (u < APRE_SOTTO) valvola[z] = true;
        if (u > CHIUDE_SOPRA || pioggia || guasto[z]) valvola[z] = false;
        lumettoAttiva(VALVOLA[z], valvola[z]);
    }
    pompa = (valvola[0] || valvola[1]) && livello > LIVELLO_MINIMO;
    lumettoAttiva(POMPA, pompa);

    if (lumettoComando("I")) {
        LumettoTrama t(48);
        for (uint8_t z = 0; z < 2; ++z)
            t.numero(guasto[z] ? lumetto::trama::kMinimo : umidita(z));
        t.acceso(pioggia);
        t.numero(livello);
        t.acceso(pompa);
        t.acceso(valvola[0]);
        t.acceso(valvola[1]);
        t.numero(lumettoLM35(TEMPERATURA));
        t.fine();
    }
}
