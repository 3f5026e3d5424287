/* Lumetto - Pneumatica ("pneumatica", letter H, header
   "S1A...S1B...S2A...S2B...S3A...S3B...1.....2.....3.....START.STOP..",
   66 characters: eleven fields)

   Part                   Pins          Field  Meaning
   limit switches (reed   D2, D3        S1A    cylinder 1 retracted (HHHHHH: switch closed)
   sensors) of cylinder 1                S1B    cylinder 1 extended
   of cylinder 2          D4, D5        S2A S2B
   of cylinder 3          D6, D7        S3A S3B
   solenoid valves 5/2    D8, D9, D10   1 2 3  valve of each cylinder: HHHHHH pushes it out
   (through a driver)
   START push button      A0 and GND    START  HHHHHH while the cycle runs
   STOP push button       A1 and GND    STOP   HHHHHH while STOP is held

   Every switch and button goes to GND, with the internal pull-up. The cycle:
   A+ B+ C+ A- B- C-, each move starting when the one before has reached its
   limit switch; START (with every cylinder retracted) starts it, STOP halts
   it where it is, valves held.
*/
#include <Lumetto.h>

const uint8_t FINE_CORSA[6] = {2, 3, 4, 5, 6, 7};  // S1A S1B S2A S2B S3A S3B
const uint8_t VALVOLA[3] = {8, 9, 10};
const uint8_t START = A0, STOP = A1;

int8_t fase = -1;  // 0..5: the move being made; -1: stopped
bool valvola[3] = {false, false, false};

bool aCapo(uint8_t cilindro, bool fuori) {
    return lumettoChiuso(FINE_CORSA[2 * cilindro + (fuori ? 1 : 0)]);
}

void setup() {
    for (uint8_t i = 0; i < 6; ++i)
        pinMode(FINE_CORSA[i], INPUT_PULLUP);
    for (uint8_t i = 0; i < 3; ++i)
        pinMode(VALVOLA[i], OUTPUT);
    pinMode(START, INPUT_PULLUP);
    pinMode(STOP, INPUT_PULLUP);
    lumettoInizia();
}

void loop() {
    const bool stop = lumettoChiuso(STOP);
    if (stop) fase = -1;
    if (fase < 0 && !stop && lumettoChiuso(START) && aCapo(0, false) && aCapo(1, false) &&
        aCapo(2, false))
        fase = 0;
    if (fase >= 0) {
        // Moves 0..2 push cylinders 1..3 out, moves 3..5 bring them back.
        const uint8_t cilindro = fase % 3;
        const bool fuori = fase < 3;
        valvola[cilindro] = fuori;
        if (aCapo(cilindro, fuori)) fase = fase == 5 ? -1 : fase + 1;
    }
    for (uint8_t i = 0; i < 3; ++i)
        lumettoAttiva(VALVOLA[i], valvola[i]);

    if (lumettoComando("H")) {
        LumettoTrama t(66);
        for (uint8_t i = 0; i < 6; ++i)
            t.acceso(lumettoChiuso(FINE_CORSA[i]));
        for (uint8_t i = 0; i < 3; ++i)
            t.acceso(valvola[i]);
        t.acceso(fase >= 0);
        t.acceso(stop);
        t.fine();
    }
}
