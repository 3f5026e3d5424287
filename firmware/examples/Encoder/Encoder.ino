/* Lumetto - Encoder ("Encoder", letter G, header "V1....V2....V3....", 18 characters)

   ---- wiring: from firmware/cablaggi.toml ----
   Part                   Pins         Field  Meaning
   LM393 slotted optical  VCC 5V       V1     angle of the wheel in this turn, degrees
   sensor, disc of 20     GND GND      V2     speed, revolutions per minute
   slots on the wheel     DO  D2       V3     whole turns since the board started
   ---- end of wiring ----

   Each slot passing the sensor is one pulse, counted by the interrupt of D2
   (edges within 200 us of the one before, as the slot opens or as it
   closes, are the module's chatter, and ignored); the
   speed is measured every half second.
*/
#include <Lumetto.h>
#include <LumettoGiri.h>

const uint8_t SENSORE = 2, FORI = 20;
const unsigned int PERIODO_MS = 500;

void setup() {
    lumettoGiri::inizia(SENSORE, FORI, PERIODO_MS);
    lumettoInizia("Encoder");
}

void loop() {
    lumettoGiri::aggiorna();
    if (lumettoComando("G")) {
        LumettoTrama t(18);
        t.numero(lumettoGiri::angolo());
        t.numero(lumettoGiri::rpm());
        t.numero(lumettoGiri::giri());
        t.fine();
    }
}
