/* Lumetto - Solare ("impianto solare" and "solare dati", letter D, header
   "Tcoll.Tbass.Talto.Irr...DeltaTPompa.Integ.Deviat", 48 characters: the
   scheme c:\lavoro\arduino\solare.sca)

   Part                   Pins          Field  Meaning
   LM35 on the collector  A0            Tcoll  collector temperature, degrees Celsius
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

bool pompa = false, integrazione = false, deviatrice = false;

void setup() {
    pinMode(POMPA, OUTPUT);
    pinMode(INTEGRAZIONE, OUTPUT);
    pinMode(DEVIATRICE, OUTPUT);
    lumettoInizia();
}

void loop() {
    const float coll = lumettoLM35(COLLETTORE), basso = lumettoLM35(BASSO);
    const float alto = lumettoLM35(ALTO);
    const float delta = coll - basso;
    if (delta > 6) pompa = true;
    if (delta < 2) pompa = false;
    if (alto < 42) integrazione = true;
    if (alto > 48) integrazione = false;
    if (alto > 75) deviatrice = true;
    if (alto < 65) deviatrice = false;
    lumettoAttiva(POMPA, pompa);
    lumettoAttiva(INTEGRAZIONE, integrazione);
    lumettoAttiva(DEVIATRICE, deviatrice);

    if (lumettoComando("D")) {
        LumettoTrama t(48);
        t.numero(coll);
        t.numero(basso);
        t.numero(alto);
        t.numero(lumettoVolt(IRRAGGIAMENTO) * 1000 / 5);
        t.numero(delta);
        t.acceso(pompa);
        t.acceso(integrazione);
        t.acceso(deviatrice);
        t.fine();
    }
}
