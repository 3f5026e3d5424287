/* Lumetto - Pneumatica ("pneumatica", letter H, header
   "S1A...S1B...S2A...S2B...S3A...S3B...1.....2.....3.....START.STOP..",
   66 characters: eleven fields)

   Part                   Pins          Field  Meaning
   limit switches (reed   D2, D3        S1A    cylinder 1 retracted (HHHHHH: switch closed)
   sensors) of cylinder 1                S1B    cylinder 1 extended
   of cylinder 2          D4, D5        S2A S2B
   of cylinder 3          D6, D7        S3A S3B
   solenoid valves 5/2    D8, D9, D10   1 2 3  valve of each cylinder: HHHHHH pushes it out
   (through relay modules
   or a driver)
   START push button      A0 and GND    START  HHHHHH while the cycle runs
   STOP push button       A1 and GND    STOP   HHHHHH while STOP is held

   Every switch and button goes to GND, with the internal pull-up. The cycle:
   A+ B+ C+ A- B- C-, each move starting when the one before has reached its
   limit switch. STOP halts it where it is, valves held. START starts it;
   with a cylinder away from home (after a STOP, or at power-up) START first
   brings them home, A- B- C-, and the cycle follows.
*/
#include <Lumetto.h>

const uint8_t FINE_CORSA[6] = {2, 3, 4, 5, 6, 7};  // S1A S1B S2A S2B S3A S3B
const uint8_t VALVOLA[3] = {8, 9, 10};
const uint8_t START = A0, STOP = A1;
// The moves: 0..2 push cylinders 1..3 out, 3..5 bring them back; 6..8 bring
// them home before a cycle, 1 to 3 in turn.
const int8_t FERMO = -1, CICLO = 0, ULTIMA = 5, A_CASA = 6, A_CASA_ULTIMA = 8;

int8_t fase = FERMO;  // the move being made
bool valvola[3] = {false, false, false};

bool aCapo(uint8_t cilindro, bool fuori) {
    return lumettoChiuso(FINE_CORSA[2 * cilindro + (fuori ? 1 : 0)]);
}

bool aCasa() {
    return aCapo(0, false) && aCapo(1, false) && aCapo(2, false);
}

void setup() {
    for (uint8_t i = 0; i < 3; ++i)
        lumettoUscita(VALVOLA[i]);
    for (uint8_t i = 0; i < 6; ++i)
        pinMode(FINE_CORSA[i], INPUT_PULLUP);
    pinMode(START, INPUT_PULLUP);
    pinMode(STOP, INPUT_PULLUP);
    lumettoInizia("Pneumatica");
}

void loop() {
    const bool stop = lumettoChiuso(STOP);
    if (stop) fase = FERMO;
    if (fase == FERMO && !stop && lumettoChiuso(START)) fase = aCasa() ? CICLO : A_CASA;
    if (fase >= A_CASA) {
        const uint8_t cilindro = fase - A_CASA;
        valvola[cilindro] = false;
        if (aCapo(cilindro, false)) fase = fase == A_CASA_ULTIMA ? CICLO : fase + 1;
    } else if (fase >= CICLO) {
        const uint8_t cilindro = fase % 3;
        const bool fuori = fase < 3;
        valvola[cilindro] = fuori;
        if (aCapo(cilindro, fuori)) fase = fase == ULTIMA ? FERMO : fase + 1;
    }
    for (uint8_t i = 0; i < 3; ++i)
        lumettoAttiva(VALVOLA[i], valvola[i]);

    if (lumettoComando("H")) {
        LumettoTrama t(66);
        for (uint8_t i = 0; i < 6; ++i)
            t.acceso(lumettoChiuso(FINE_CORSA[i]));
        for (uint8_t i = 0; i < 3; ++i)
            t.acceso(valvola[i]);
        t.acceso(fase != FERMO);
        t.acceso(stop);
        t.fine();
    }
}
