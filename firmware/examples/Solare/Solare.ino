/* Lumetto - Solare ("impianto solare" and "solare dati", letter D, header
   "Tcoll.Tbass.Talto.Irr...DeltaTPompa.Integ.Deviat", 48 characters: the
   scheme c:\lavoro\arduino\solare.sca)

   Part                   Pins          Field  Meaning
   LM35 on the collector  A0            Tcoll  collector temperature, degrees Celsius
                                               (2 to 110, as every LM35 here)
   LM35, bottom of tank   A1            Tbass  tank, bottom, degrees
   LM35, top of tank      A2            Talto  tank, top, degrees
   irradiance sensor with A3            Irr    sunlight on the collector, W/m2
   0-5 V output for
   0-1000 W/m2
                                        DeltaT Tcoll - Tbass, degrees
   relay: circulation     D8            Pompa  HHHHHH running
   pump
   relay: electric heater D9            Integ  HHHHHH heating the top of the tank
   relay: diverting valve D10           Deviat apre (HHHHHH): heat dumped to the
                                               dissipator; chiude (LLLLLL)

   The loop (a differential controller): the pump starts when the collector
   is 6 degrees warmer than the bottom of the tank and stops under 2; the
   heater tops the tank up under 42 degrees until 48; the valve opens over
   75 degrees at the top and closes under 65.
*/
#include <Lumetto.h>

const uint8_t COLLETTORE = A0, BASSO = A1, ALTO = A2, IRRAGGIAMENTO = A3;
const uint8_t POMPA = 8, INTEGRAZIONE = 9, DEVIATRICE = 10;
const float POMPA_SOPRA = 6, POMPA_SOTTO = 2;               // degrees, collector over bottom
const float INTEGRA_SOTTO = 42, INTEGRA_FINO = 48;          // degrees at the top
const float DEVIA_SOPRA = 75, DEVIA_SOTTO = 65;             // degrees at the top
const float IRRAGGIAMENTO_PIENO = 1000;                     // W/m2 at 5 V

bool pompa = false, integrazione = false, deviatrice = false;

void setup() {
    lumettoUscita(POMPA);
    lumettoUscita(INTEGRAZIONE);
    lumettoUscita(DEVIATRICE);
    lumettoMisuraLM35(COLLETTORE);
    lumettoMisuraLM35(BASSO);
    lumettoMisuraLM35(ALTO);
    lumettoMisura(IRRAGGIAMENTO);
    lumettoInizia("Solare");
}

void loop() {
    const float coll = lumettoLM35(COLLETTORE), basso = lumettoLM35(BASSO);
    const float alto = lumettoLM35(ALTO);
    const float delta = coll - basso;
    if (delta > POMPA_SOPRA) pompa = true;
    if (delta < POMPA_SOTTO) pompa = false;
    if (alto < INTEGRA_SOTTO) integrazione = true;
    if (alto > INTEGRA_FINO) integrazione = false;
    if (alto > DEVIA_SOPRA) deviatrice = true;
    if (alto < DEVIA_SOTTO) deviatrice = false;
    lumettoAttiva(POMPA, pompa);
    lumettoAttiva(INTEGRAZIONE, integrazione);
    lumettoAttiva(DEVIATRICE, deviatrice);

    if (lumettoComando("D")) {
        LumettoTrama t(48);
        t.numero(coll);
        t.numero(basso);
        t.numero(alto);
        t.numero(lumettoVolt(IRRAGGIAMENTO) * IRRAGGIAMENTO_PIENO / 5);
        t.numero(delta);
        t.acceso(pompa);
        t.acceso(integrazione);
        t.acceso(deviatrice);
        t.fine();
    }
}
