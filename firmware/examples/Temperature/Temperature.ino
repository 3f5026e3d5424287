/* Lumetto - Temperature ("Temperature", letter A, header "Temp..", 6 characters)

   ---- wiring: from firmware/cablaggi.toml ----
   Part                   Pins         Field  Meaning
   LM35 temperature       +Vs  5V      Temp   temperature in degrees Celsius, 2 to 110;
   sensor                 Vout A0             the sensor gives 10 mV a degree, read
                          GND  GND            against the 1.1 V reference in steps of
                                              0.11 degrees

   LM35 pins seen with the flat face towards you, left to right: +Vs, Vout, GND.

   Leave AREF unconnected: the converter's reference is chosen inside the chip (the
   supply, or the internal 1.1 V that the library switches to for an LM35), and a
   voltage on AREF would be shorted to it (and can damage the chip).
   ---- end of wiring ----

   The LM35 in its basic circuit reads from +2 degrees; the 1.1 V reference
   ends at 110. The board samples the sensor all the time (the mean of its
   latest 16 readings) and answers "A" at once.
*/
#include <Lumetto.h>

const uint8_t SENSORE = A0;

void setup() {
    lumettoMisuraLM35(SENSORE);
    lumettoInizia("Temperature");
}

void loop() {
    if (lumettoComando("A")) {
        LumettoTrama t(6);
        t.numero(lumettoLM35(SENSORE));
        t.fine();
    }
}
