/* Lumetto - RegolazionePI ("Regolazione PI ", letter E, header
   "temp..set...scost.banda.tempo.azp...azi...azt...", 48 characters)

   Part                   Pins          Field  Meaning
   LM35 in the oven       A0            temp   temperature, degrees Celsius
   potentiometer 10 kOhm  A1            set    set point, 20 to 80 degrees
                                        scost  error: set - temp
                                        banda  proportional band, degrees (BANDA)
                                        tempo  seconds since the board started
                                        azp    proportional action, percent
                                        azi    integral action, percent
   heater (a lamp or a    D5 (PWM)      azt    total action, percent of the
   resistor) through a                         heater's power, 0 to 100
   MOSFET or a solid
   state relay

   The loop: azp = 100 x error / band; once a second azi grows by azp x
   1 s / TI (the integral time) and stays within -100..100; azt = azp + azi,
   within 0..100, drives the heater's PWM.
*/
#include <Lumetto.h>

const uint8_t SONDA = A0, REGOLAZIONE = A1, RISCALDATORE = 5;
const float BANDA = 10;  // degrees
const float TI = 120;    // seconds

float temp = 0, set = 0, azp = 0, azi = 0, azt = 0;
unsigned long ultimo = 0;

void setup() {
    pinMode(RISCALDATORE, OUTPUT);
    lumettoInizia();
}

void loop() {
    temp = lumettoLM35(SONDA);
    set = 20 + lumettoVolt(REGOLAZIONE) * 60 / 5;
    azp = 100 * (set - temp) / BANDA;
    if (millis() - ultimo >= 1000) {
        ultimo = millis();
        azi = constrain(azi + azp * 1.0 / TI, -100, 100);
    }
    azt = constrain(azp + azi, 0, 100);
    analogWrite(RISCALDATORE, static_cast<int>(azt * 255 / 100));
    if (lumettoComando("E")) {
        LumettoTrama t(48);
        t.numero(temp);
        t.numero(set);
        t.numero(set - temp);
        t.numero(BANDA);
        t.numero(millis() / 1000);
        t.numero(azp);
        t.numero(azi);
        t.numero(azt);
        t.fine();
    }
}
