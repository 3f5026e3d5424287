/* Lumetto - Temperature ("Temperature", letter A, header "Temp..", 6 characters)

   Part                   Pins                  Field  Meaning
   LM35 temperature       +Vs 5V, GND,          Temp   temperature in degrees
   sensor                 Vout A0                      Celsius, 0 to 150; the
                                                       sensor gives 10 mV a degree,
                                                       the converter reads steps
                                                       of 4.9 mV (about 0.5 degrees)

   On "A" the sketch reads the sensor (the mean of 4 readings, a quarter of
   a millisecond) and answers at once.
*/
#include <Lumetto.h>

const uint8_t SENSORE = A0;

void setup() {
    lumettoInizia();
}

void loop() {
    if (lumettoComando("A")) {
        LumettoTrama t(6);
        t.numero(lumettoLM35(SENSORE));
        t.fine();
    }
}
