/* Lumetto - Solare ("impianto solare" and "solare dati", letter D, header
   "Tcoll.Tbass.Talto.Irr...DeltaTPompa.Integ.Deviat", 48 characters: the
   scheme c:\lavoro\arduino\solare.sca)

   ---- wiring: from firmware/cablaggi.toml ----
   Part                   Pins         Field  Meaning
   LM35 on the collector  +Vs  5V      Tcoll  collector temperature, degrees Celsius (2
                          Vout A0             to 110, as every LM35 here)
                          GND  GND
   LM35, bottom of tank   +Vs  5V      Tbass  tank, bottom, degrees
                          Vout A1
                          GND  GND
   LM35, top of tank      +Vs  5V      Talto  tank, top, degrees
                          Vout A2
                          GND  GND
   irradiance sensor with VCC  5V      Irr    sunlight on the collector, W/m2
   0-5 V output for       OUT  A3
   0-1000 W/m2            GND  GND
                                       DeltaT Tcoll - Tbass, degrees
   relay: circulation     VCC  5V      Pompa  HHHHHH running
   pump                   GND  GND
                          IN   D8
   relay: electric heater VCC  5V      Integ  HHHHHH heating the top of the tank
                          GND  GND
                          IN   D9
   relay: diverting valve VCC  5V      Deviat apre (HHHHHH): heat dumped to the
                          GND  GND            dissipator; chiude (LLLLLL)
                          IN   D10

   LM35 pins seen with the flat face towards you, left to right: +Vs, Vout, GND.

   A relay module here switches on with its IN high (LUMETTO_RELE_ACCESO is HIGH in
   the library); for modules that switch on with IN low (most opto-isolated ones)
   write #define LUMETTO_RELE_ACCESO LOW before #include <Lumetto.h>. Either way
   every relay is off from the moment the board starts.

   Each relay coil takes about 70 mA from the board's 5V: with three or more relays,
   and the sensors besides, feed the relay modules' VCC from a 5 V supply of their
   own (a 5 V 1 A adapter) and join its GND to the board's GND.

   The load (heater, motor, valve coil) runs from a supply of its own, never from the
   board's 5V; join that supply's GND to the board's GND. Mains loads only through an
   SSR or a relay module rated for them, wired by someone qualified.

   Leave AREF unconnected: the converter's reference is chosen inside the chip (the
   supply, or the internal 1.1 V that the library switches to for an LM35), and a
   voltage on AREF would be shorted to it (and can damage the chip).
   ---- end of wiring ----

   The loop (a differential controller): the pump starts when the collector
   is 6 degrees warmer than the bottom of the tank and stops under 2; the
   heater tops the tank up under 42 degrees until 48; the valve opens over
   75 degrees at the top and closes under 65.

   A probe that fails switches off what depends on it: a reading under
   SONDA_MINIMA (an LM35 without its supply, or its wire cut with a 100 kOhm
   resistor to GND, reads 0) or at the top of the scale (its GND wire cut) is
   no temperature. The collector's or the bottom's probe stops the pump, the
   top's switches the heater off and closes the valve. The reply carries
   -9999 for that probe (and 0 for DeltaT without either of its two), the
   program says which probe and which outputs, and each loop starts again by
   itself once its reading is plausible. A collector colder than +1 degree
   reads as a failed probe too: the pump would stand then anyway.
*/
#include <Lumetto.h>

const uint8_t COLLETTORE = A0, BASSO = A1, ALTO = A2, IRRAGGIAMENTO = A3;
const uint8_t POMPA = 8, INTEGRAZIONE = 9, DEVIATRICE = 10;
const float POMPA_SOPRA = 6, POMPA_SOTTO = 2;       // degrees, collector over bottom
const float INTEGRA_SOTTO = 42, INTEGRA_FINO = 48;  // degrees at the top
const float DEVIA_SOPRA = 75, DEVIA_SOTTO = 65;     // degrees at the top
const float IRRAGGIAMENTO_PIENO = 1000;             // W/m2 at 5 V
// The basic LM35 circuit reads 0 to 2 degrees for anything below +2, and the
// 1.1 V scale ends at 110.
const float SONDA_MINIMA = 1.0, SONDA_MASSIMA = 109.5;

bool pompa = false, integrazione = false, deviatrice = false;

bool guasta(float t) {
    return t < SONDA_MINIMA || t > SONDA_MASSIMA;
}

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
    const bool guastoColl = guasta(coll), guastoBasso = guasta(basso), guastoAlto = guasta(alto);
    const bool senzaDelta = guastoColl || guastoBasso;
    const float delta = senzaDelta ? 0 : coll - basso;
    if (delta > POMPA_SOPRA) pompa = true;
    if (delta < POMPA_SOTTO) pompa = false;
    if (alto < INTEGRA_SOTTO) integrazione = true;
    if (alto > INTEGRA_FINO) integrazione = false;
    if (alto > DEVIA_SOPRA) deviatrice = true;
    if (alto < DEVIA_SOTTO) deviatrice = false;
    if (guastoAlto) integrazione = deviatrice = false;
    lumettoAttiva(POMPA, pompa);
    lumettoAttiva(INTEGRAZIONE, integrazione);
    lumettoAttiva(DEVIATRICE, deviatrice);

    if (lumettoComando("D")) {
        LumettoTrama t(48);
        t.numero(guastoColl ? lumetto::trama::kMinimo : coll);
        t.numero(guastoBasso ? lumetto::trama::kMinimo : basso);
        t.numero(guastoAlto ? lumetto::trama::kMinimo : alto);
        t.numero(lumettoVolt(IRRAGGIAMENTO) * IRRAGGIAMENTO_PIENO / 5);
        t.numero(delta);
        t.acceso(pompa);
        t.acceso(integrazione);
        t.acceso(deviatrice);
        t.fine();
    }
}
