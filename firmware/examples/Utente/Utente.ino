/* Lumetto - Utente ("Utente", letter J): your own experiment.

   "Utente" keeps the header of the experiment or scheme started last, so
   the frame must be as long as that header: six characters a field, up to
   twelve fields; set LUNGHEZZA to the header's length (a header of 26 or
   49 characters gets the line end after its last whole field). As it
   comes, the sketch sends twelve fields, for a header of 72 characters:

   ---- wiring: from firmware/cablaggi.toml ----
   Part                   Pins         Field  Meaning
   anything analog        5V  5V       1..6   volts, 0 to 5
                          A0 .. A5
                          GND GND
   anything on/off        5V  5V       7..12  HHHHHH high, LLLLLL low
                          D2 .. D7
                          GND GND

   The inputs have no pull-up: a switch goes between its pin and 5V, with a 10 kOhm
   resistor from the pin to GND, so an open switch reads LLLLLL.

   Leave AREF unconnected: the converter's reference is chosen inside the chip (the
   supply, or the internal 1.1 V that the library switches to for an LM35), and a
   voltage on AREF would be shorted to it (and can damage the chip).
   ---- end of wiring ----

   Replace the fields with your own values, in the order of your header:
   t.numero(x) for a number (" 23.50"), t.acceso(b) for a state. Read an
   analog input with lumettoVolt(pin) (volts), lumettoFrazione(pin) (a
   potentiometer's share, 0 to 1) or lumettoLM35(pin) (degrees), never with
   analogRead(): the board samples its inputs in the background, and
   analogRead() would upset it. Declare them in setup() with lumettoMisura(pin)
   or lumettoMisuraLM35(pin), so the first reply does not wait for them.
*/
#include <Lumetto.h>

const uint8_t LUNGHEZZA = 72;

void setup() {
    for (uint8_t pin = 2; pin <= 7; ++pin)
        pinMode(pin, INPUT);
    for (uint8_t canale = 0; canale < 6; ++canale)
        lumettoMisura(A0 + canale);
    lumettoInizia("Utente");
}

void loop() {
    if (lumettoComando("J")) {
        LumettoTrama t(LUNGHEZZA);
        // ---- your fields, from here ----
        for (uint8_t canale = 0; canale < 6; ++canale)
            t.numero(lumettoVolt(A0 + canale));
        for (uint8_t pin = 2; pin <= 7; ++pin)
            t.acceso(digitalRead(pin) == HIGH);
        // ---- to here ----
        t.fine();
    }
}
