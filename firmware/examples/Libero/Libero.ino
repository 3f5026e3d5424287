/* Lumetto - Libero: uno sketch qualunque, scritto per il Serial Plotter
   dell'Arduino IDE, che Lumetto legge come "esperimento libero".

   La scheda parla per prima: non aspetta lettere dal PC e non ne legge.
   Circa 10 volte al secondo manda una riga come questa:

       luce:43,temp:21.5

   coppie nome:valore separate da virgole (vanno bene anche spazi o
   tabulazioni; si possono mandare anche i soli numeri), chiuse dal ritorno a
   capo di Serial.println. Ogni riga è una lettura: Lumetto la registra con
   l'ora di arrivo e chiama le colonne "luce" e "temp" come dice la riga.

   Con Lumetto: carica lo sketch, scegli "esperimento libero", la porta della
   scheda e 115200 baud (la velocità di Serial.begin qui sotto; Lumetto la
   trova anche da sé, ascoltando le velocità una dopo l'altra). Senza Lumetto:
   Strumenti > Plotter seriale dell'Arduino IDE, a 115200 baud, disegna le
   stesse righe. Chiudi il Plotter prima di avviare Lumetto: la porta la tiene
   un programma alla volta. Quando un programma apre la porta la Uno si
   riavvia: la prima riga arriva dopo circa un secondo.

   Questo sketch non usa la libreria Lumetto: è lo sketch che un insegnante
   scrive da sé, solo Serial.begin e Serial.print, ed è fatto apposta così. Le
   letture sono quelle di analogRead, contro i 5 V dell'alimentazione: se la
   porta USB dà 4,8 V invece di 5, la temperatura esce più alta del 4 %.
   LiberoLumetto fa le stesse righe con la libreria, che misura
   l'alimentazione e legge l'LM35 contro il riferimento da 1,1 V.

   ---- wiring: from firmware/cablaggi.toml ----
   Part                   Pins         Field  Meaning
   photoresistor (LDR),   1    5V      luce   light, 0 (dark) to 100 percent of the
   from 5V to A0          2    A0             supply; more light, less resistance, more
                                              volts on A0
   resistor 10 kOhm, from 1    A0
   A0 to GND              2    GND
   LM35 temperature       +Vs  5V      temp   temperature in degrees Celsius, read
   sensor                 Vout A1             against the 5 V supply in steps of 0.49
                          GND  GND            degrees

   The board speaks first, at 115200 baud 8N1: a line such as luce:43,temp:21.5 about
   ten times a second. Lumetto reads it as an "esperimento libero"; the Arduino IDE's
   Serial Plotter draws the same lines.

   LM35 pins seen with the flat face towards you, left to right: +Vs, Vout, GND.

   Leave AREF unconnected: the converter's reference is chosen inside the chip (the
   supply, or the internal 1.1 V that the library switches to for an LM35), and a
   voltage on AREF would be shorted to it (and can damage the chip).
   ---- end of wiring ----

   Per cambiare esperimento basta cambiare i nomi e i valori stampati: un
   nome per colonna, senza spazi né due punti.
*/

const uint8_t FOTORESISTENZA = A0;
const uint8_t SENSORE_TEMP = A1;

void setup() {
    Serial.begin(115200);
}

void loop() {
    // La luce da 0 (buio) a 100: la tensione su A0 sale con la luce.
    int luce = map(analogRead(FOTORESISTENZA), 0, 1023, 0, 100);
    // L'LM35 dà 10 mV per grado: 5 V / 1023 passi, 0,49 gradi per passo.
    float temp = analogRead(SENSORE_TEMP) * 500.0 / 1023.0;

    Serial.print("luce:");
    Serial.print(luce);
    Serial.print(",temp:");
    Serial.println(temp, 1);  // una cifra dopo il punto, poi il ritorno a capo
    delay(100);
}
