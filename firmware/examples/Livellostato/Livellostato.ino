/* Lumetto - Livellostato ("livellostato", letter F, header "Min...Max...Pompa.",
   18 characters)

   Part                   Pins          Field  Meaning
   float switch, low      D2 and GND    Min    HHHHHH: the water reaches the minimum
   float switch, high     D3 and GND    Max    HHHHHH: the water reaches the maximum
   relay module (pump)    D8            Pompa  HHHHHH: the pump fills the tank

   A float switch closes when the water lifts it. The loop: the pump starts
   when the water is below the minimum and stops when it reaches the maximum.
*/
#include <Lumetto.h>

const uint8_t MINIMO = 2, MASSIMO = 3, POMPA = 8;

bool pompa = false;

void setup() {
    lumettoUscita(POMPA);
    pinMode(MINIMO, INPUT_PULLUP);
    pinMode(MASSIMO, INPUT_PULLUP);
    lumettoInizia("Livellostato");
}

void loop() {
    const bool minimo = lumettoChiuso(MINIMO), massimo = lumettoChiuso(MASSIMO);
    if (!minimo) pompa = true;
    if (massimo) pompa = false;
    lumettoAttiva(POMPA, pompa);

    if (lumettoComando("F")) {
        LumettoTrama t(18);
        t.acceso(minimo);
        t.acceso(massimo);
        t.acceso(pompa);
        t.fine();
    }
}
