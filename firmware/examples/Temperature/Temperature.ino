/* Lumetto - Temperature ("Temperature", letter A, header "Temp..", 6 characters)

   Part                   Pins                  Field  Meaning
   LM35 temperature       +Vs 5V, GND,          Temp   temperature in degrees
   sensor                 Vout A0                      Celsius, 0 to 150; the
                                                       sensor gives 10 mV a degree,
                                                       the converter reads steps
                                                       of 4.9 mV (about 0.5 degrees)

   On "A" the sketch reads the sensor (the mean of 8 readings, under 1 ms)
   and answers at once.
*/
#include <Lumetto.h>

const uint8_t SENSORE = A0;

float temperatura() {
    long somma = 0;
    for (int i = 0; i < 8; ++i)
        somma += analogRead(SENSORE);
    // 5 V over 1023 steps, 10 mV a degree: 500 / 1023 degrees a step.
    return somma / 8.0 * 500.0 / 1023.0;
}

void setup() {
    lumettoInizia();
}

void loop() {
    if (lumettoComando("A")) {
        LumettoTrama t(6);
        t.numero(temperatura());
        t.fine();
    }
}
