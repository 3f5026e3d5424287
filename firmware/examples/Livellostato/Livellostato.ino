/* Lumetto - Livellostato ("livellostato", letter F, header "Min...Max...Pompa.",
   18 characters)

   ---- wiring: from firmware/cablaggi.toml ----
   Part                   Pins         Field  Meaning
   float switch, low      1   D2       Min    HHHHHH: the water reaches the minimum
                          2   GND
   float switch, high     1   D3       Max    HHHHHH: the water reaches the maximum
                          2   GND
   relay module (pump)    VCC 5V       Pompa  HHHHHH: the pump fills the tank
                          GND GND
                          IN  D8

   A relay module here switches on with its IN high (LUMETTO_RELE_ACCESO is HIGH in
   the library); for modules that switch on with IN low (most opto-isolated ones)
   write #define LUMETTO_RELE_ACCESO LOW before #include <Lumetto.h>. Either way
   every relay is off from the moment the board starts.

   The load (heater, motor, valve coil) runs from a supply of its own, never from the
   board's 5V; join that supply's GND to the board's GND. Mains loads only through an
   SSR or a relay module rated for them, wired by someone qualified.
   ---- end of wiring ----

   A float switch closes when the water lifts it. The loop: the pump starts
   when the water is below the minimum and stops when it reaches the maximum.

   Switches that cannot be right stop the pump: the maximum closed with the
   minimum open (one of them stuck or its wire cut), or the pump running
   for RIEMPIMENTO_MASSIMO_S without either switch changing (a switch stuck,
   the pump dry or its hose off). The reply then carries SSSSSS for the pump
   and the program says so. The first fault ends when the switches agree
   again; the second when a switch changes (the level seen to move), or at
   the board's reset.
*/
#include <Lumetto.h>

const uint8_t MINIMO = 2, MASSIMO = 3, POMPA = 8;
// The longest the pump may run without the level reaching a switch: the
// lab tank's filling from empty to the maximum, with room to spare.
const unsigned long RIEMPIMENTO_MASSIMO_S = 120;

bool pompa = false;
bool ferma = false;                  // the level did not move while the pump ran
bool primo = false, ultimo = false;  // the switches when the level last moved
unsigned long dal = 0;

void setup() {
    lumettoUscita(POMPA);
    pinMode(MINIMO, INPUT_PULLUP);
    pinMode(MASSIMO, INPUT_PULLUP);
    lumettoInizia("Livellostato");
}

void loop() {
    const bool minimo = lumettoChiuso(MINIMO), massimo = lumettoChiuso(MASSIMO);
    if (minimo != primo || massimo != ultimo || !pompa) {
        if (minimo != primo || massimo != ultimo) ferma = false;  // the level moved
        primo = minimo;
        ultimo = massimo;
        dal = millis();
    }
    if (pompa && millis() - dal > RIEMPIMENTO_MASSIMO_S * 1000UL) ferma = true;
    const bool guasto = (massimo && !minimo) || ferma;
    if (!minimo) pompa = true;
    if (massimo || guasto) pompa = false;
    lumettoAttiva(POMPA, pompa);

    if (lumettoComando("F")) {
        LumettoTrama t(18);
        t.acceso(minimo);
        t.acceso(massimo);
        t.stato(guasto ? 2 : pompa ? 1 : 0);
        t.fine();
    }
}
