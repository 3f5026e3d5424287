/* Lumetto - LiberoLumetto: le righe di Libero ("luce:43,temp:21.5", circa 10
   al secondo a 115200 baud), scritte con la libreria Lumetto.

   Come Libero, la scheda parla per prima e non legge niente: Lumetto la legge
   come "esperimento libero", il Plotter seriale dell'Arduino IDE disegna le
   stesse righe. La libreria dà due cose in più:
   - la temperatura giusta con qualunque alimentazione USB (da 4,6 a 5,2 V):
     l'LM35 letto contro il riferimento da 1,1 V, a passi di 0,11 gradi
     invece di 0,49 (la luce è una frazione dell'alimentazione, come in Libero);
   - LumettoRiga, che scrive la riga senza sbagliare separatori:
         LumettoRiga riga;
         riga.valore("luce", luce, 0);     // nome, valore, cifre decimali
         riga.valore(F("temp"), temp, 1);  // F(): il nome resta nella flash
         riga.fine();                      // il ritorno a capo
     Un nome vuoto ("") manda il solo numero; F("...") risparmia la RAM, poca
     sulla Uno (2 KB).

   ---- wiring: from firmware/cablaggi.toml ----
   Part                   Pins         Field  Meaning
   photoresistor (LDR),   1    5V      luce   light, 0 (dark) to 100 percent of the
   from 5V to A0          2    A0             supply
   resistor 10 kOhm, from 1    A0
   A0 to GND              2    GND
   LM35 temperature       +Vs  5V      temp   temperature in degrees Celsius, 2 to 110,
   sensor                 Vout A1             in steps of 0.11 degrees
                          GND  GND

   The wiring and the lines of Libero, read with the Lumetto library: the light as a
   share of the supply as measured, the LM35 against the 1.1 V reference in steps of
   0.11 degrees, whatever the USB port's supply.

   LM35 pins seen with the flat face towards you, left to right: +Vs, Vout, GND.

   Leave AREF unconnected: the converter's reference is chosen inside the chip (the
   supply, or the internal 1.1 V that the library switches to for an LM35), and a
   voltage on AREF would be shorted to it (and can damage the chip).
   ---- end of wiring ----

   Le letture si fanno con lumettoFrazione e lumettoLM35, mai con analogRead:
   la libreria campiona gli ingressi per conto suo.
*/
#include <Lumetto.h>

const uint8_t FOTORESISTENZA = A0;
const uint8_t SENSORE_TEMP = A1;

void setup() {
    lumettoMisura(FOTORESISTENZA);
    lumettoMisuraLM35(SENSORE_TEMP);
    Serial.begin(115200);
}

void loop() {
    LumettoRiga riga;
    riga.valore("luce", lumettoFrazione(FOTORESISTENZA) * 100, 0);
    riga.valore(F("temp"), lumettoLM35(SENSORE_TEMP), 1);
    riga.fine();
    delay(100);
}
