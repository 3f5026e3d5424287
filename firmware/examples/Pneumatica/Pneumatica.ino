/* Lumetto - Pneumatica ("pneumatica", letter H, header
   "S1A...S1B...S2A...S2B...S3A...S3B...1.....2.....3.....START.STOP..",
   66 characters: eleven fields)

   ---- wiring: from firmware/cablaggi.toml ----
   Part                   Pins         Field  Meaning
   limit switches (reed   S1A D2       S1A    cylinder 1 retracted (HHHHHH: switch
   sensors) of cylinder 1 S1B D3              closed)
                          GND GND      S1B    cylinder 1 extended
   of cylinder 2          S2A D4       S2A    cylinder 2 retracted
                          S2B D5       S2B    cylinder 2 extended
                          GND GND
   of cylinder 3          S3A D6       S3A    cylinder 3 retracted
                          S3B D7       S3B    cylinder 3 extended
                          GND GND
   solenoid valves 5/2    GND GND      1 2 3  valve of each cylinder: HHHHHH pushes it
   (through relay modules IN1 D8              out
   or a driver)           IN2 D9
                          IN3 D10
                          VCC 5V
   START push button      1   A0       START  HHHHHH while the cycle runs
                          2   GND
   STOP push button       1   A1       STOP   HHHHHH while STOP is held
                          2   GND

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

   Leave AREF unconnected: the converter's reference is chosen inside the chip (the
   supply, or the internal 1.1 V that the library switches to for an LM35), and a
   voltage on AREF would be shorted to it (and can damage the chip).
   ---- end of wiring ----

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
