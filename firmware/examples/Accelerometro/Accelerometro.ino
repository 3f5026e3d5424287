/* Lumetto - Accelerometro ("accelerometro", letter G, header
   "Ax....Ay....Az....", 18 characters)

   Part                   Pins              Field  Meaning
   ADXL335 three-axis     VCC 3.3V, GND,    Ax     acceleration along X, in g
   accelerometer          X A0, Y A1, Z A2  Ay     along Y, in g
                                            Az     along Z, in g (1 g lying flat)

   At 3.3 V the ADXL335 gives 1.65 V at 0 g and 330 mV per g; the converter
   reads steps of 4.9 mV, about 0.015 g.
*/
#include <Lumetto.h>

const uint8_t ASSE[3] = {A0, A1, A2};
const float ZERO_G = 1.65, VOLT_PER_G = 0.33;

void setup() {
    lumettoInizia();
}

void loop() {
    if (lumettoComando("G")) {
        LumettoTrama t(18);
        for (uint8_t i = 0; i < 3; ++i)
            t.numero((lumettoVolt(ASSE[i]) - ZERO_G) / VOLT_PER_G);
        t.fine();
    }
}
