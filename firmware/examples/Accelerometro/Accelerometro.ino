/* Lumetto - Accelerometro ("accelerometro", letter G, header
   "Ax....Ay....Az....", 18 characters)

   ---- wiring: from firmware/cablaggi.toml ----
   Part                   Pins            Field  Meaning
   ADXL335 three-axis     VCC 3.3V and A3 Ax     acceleration along X, in g
   accelerometer          X   A0          Ay     along Y, in g
                          Y   A1          Az     along Z, in g (1 g lying flat)
                          Z   A2
                          GND GND

   A3 reads the same 3.3 V that feeds the ADXL335: the sketch reads each axis as a
   share of it.

   Leave AREF unconnected: the converter's reference is chosen inside the chip (the
   supply, or the internal 1.1 V that the library switches to for an LM35), and a
   voltage on AREF would be shorted to it (and can damage the chip).
   ---- end of wiring ----

   The ADXL335's output follows its own supply: half of it at 0 g, a tenth of
   it per g (1.65 V and 330 mV at 3.3 V). The sketch reads each axis against
   the 3.3 V on A3, so neither the USB supply nor the 3.3 V regulator's own
   error moves the zero; steps of about 0.015 g. Without the wire to A3 it
   takes the 3.3 V as exact and reads the axes in volts.
*/
#include <Lumetto.h>

const uint8_t ASSE[3] = {A0, A1, A2};
const uint8_t TRE_VOLT = A3;
const float ZERO_G = 0.5, PER_G = 0.1;  // shares of the supply
const float ALIMENTAZIONE = 3.3;        // volts, when A3 is not wired
const float MINIMO = 3.0, MASSIMO = 3.6;  // what A3 reads when it is

void setup() {
    for (uint8_t i = 0; i < 3; ++i)
        lumettoMisura(ASSE[i]);
    lumettoMisura(TRE_VOLT);
    lumettoInizia("Accelerometro");
}

void loop() {
    if (lumettoComando("G")) {
        float alimentazione = lumettoVolt(TRE_VOLT);
        if (alimentazione < MINIMO || alimentazione > MASSIMO) alimentazione = ALIMENTAZIONE;
        LumettoTrama t(18);
        for (uint8_t i = 0; i < 3; ++i)
            t.numero((lumettoVolt(ASSE[i]) / alimentazione - ZERO_G) / PER_G);
        t.fine();
    }
}
