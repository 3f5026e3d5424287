// The class's messages: the wire format of each kind, what the writers make
// read back equal through the teacher's parser (numbers to the bit, missing
// values, texts of any script), and a table of topics and payloads the
// parser must refuse, with the reason it gives.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "classroom/messaggi.h"

using namespace lumetto;
using namespace lumetto::classe;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

archivio::Lettura lettura(int numero, int64_t ms, std::vector<double> valori) {
    archivio::Lettura l;
    l.numero = numero;
    l.ms = ms;
    l.valori.fill(kNaN);
    for (std::size_t k = 0; k < valori.size(); ++k)
        l.valori[k] = valori[k];
    return l;
}

archivio::Corsa fatti() {
    archivio::Corsa c;
    c.id = 12;
    c.codice = 7;
    c.esperimento = "termostato";
    c.testata = "temp..tempo.";
    c.mascheratipo = "13";
    c.intervallo = 2;
    c.inizio = "2026-12-09T10:15:02.123Z";
    c.fuso = "+01:00";
    c.porta = "COM13";
    c.sketch = "Termostato";
    c.versione = "0.2.0";
    c.banco = "banco03";
    return c;
}

}  // namespace

// One of each, as it goes on the wire: other programs (mosquitto_sub, a
// school's own dashboard) read these.
TEST(ClasseMessaggi, TopicsAndPayloadsAsTheyGoOnTheWire) {
    EXPECT_EQ(argomentostato("3B", "banco03"), "lumetto/3B/banco03/stato");
    EXPECT_EQ(argomentocorsa("3B", "banco03", 12), "lumetto/3B/banco03/corsa/12");
    EXPECT_EQ(argomentoletture("3B", "banco03", 12), "lumetto/3B/banco03/corsa/12/letture");
    EXPECT_EQ(filtroclasse("3B"), "lumetto/3B/#");
    EXPECT_EQ(
        scrivistato({Stato::InCorsa, "termostato", "Termostato", "0.2.0", 12}),
        R"({"corsa":12,"esperimento":"termostato","sketch":"Termostato","stato":"in corsa","versione":"0.2.0"})");
    EXPECT_EQ(scrivistato({}), R"({"stato":"offline"})");
    // A run that names no columns sends its header's.
    EXPECT_EQ(scrivicorsa(fatti()),
              R"({"banco":"banco03","codice":7,"colonne":[{"nome":"temp"},{"nome":"tempo"}],)"
              R"("esperimento":"termostato","fuso":"+01:00","id":12,)"
              R"("inizio":"2026-12-09T10:15:02.123Z","intervallo":2,"mascheratipo":"13",)"
              R"("porta":"COM13","sketch":"Termostato","testata":"temp..tempo.","titolo":"",)"
              R"("versione":"0.2.0"})");
    EXPECT_EQ(scrivilettura(lettura(3, 4000, {21.5, kNaN, -0.125})),
              R"({"ms":4000,"numero":3,"valori":[21.5,null,-0.125]})");
}

TEST(ClasseMessaggi, ReadingsReadBackExactly) {
    const double massimo = std::numeric_limits<double>::max();
    const double minimo = std::numeric_limits<double>::denorm_min();
    const std::vector<archivio::Lettura> righe = {
        lettura(1, 0, {}),  // nothing came: no value at all
        lettura(1000, kMaxIntero, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13}),
        lettura(2, 2000, {kNaN, 21.5, kNaN, kNaN, 0.1}),  // NaN -> null -> NaN
        lettura(3, 1, {massimo, -massimo, minimo, -minimo, std::numeric_limits<double>::min()}),
        lettura(4, 7, {1.0 / 3, 2.0 / 3, 1e-300, 6.02214076e23, 9007199254740993.0, 3e15, -0.0}),
        lettura(5, 9, {3000000.5, 1e21, 1e22, 123456789012345678.0, 0.30000000000000004}),
        lettura(6, 11, {kNaN, kNaN, kNaN, kNaN, kNaN, kNaN, kNaN, kNaN, kNaN, kNaN, kNaN, kNaN, 5}),
        lettura(7, 13, {kMaxValore, -kMaxValore, 999999999999999.9, 123456789012345.67}),
    };
    for (const auto& l : righe) {
        const std::string dati = scrivilettura(l);
        const EsitoMessaggio e = leggimessaggio("3B", argomentoletture("3B", "banco03", 7), dati);
        ASSERT_TRUE(e.messaggio) << dati << ": " << e.errore;
        EXPECT_EQ(e.messaggio->banco, "banco03");
        EXPECT_EQ(e.messaggio->corsa, 7);
        const auto* letta = std::get_if<archivio::Lettura>(&e.messaggio->contenuto);
        ASSERT_TRUE(letta);
        // A value past ±kMaxValore goes as a missing one, as the parser
        // would refuse the whole reading for it.
        archivio::Lettura atteso = l;
        for (double& v : atteso.valori)
            if (std::abs(v) > kMaxValore) v = kNaN;
        EXPECT_TRUE(archivio::stessalettura(*letta, atteso)) << dati;
    }
    // Infinity has no JSON: it goes as a missing value.
    const auto e = leggimessaggio("3B", argomentoletture("3B", "b", 1),
                                  scrivilettura(lettura(1, 0, {HUGE_VAL, 1})));
    ASSERT_TRUE(e.messaggio) << e.errore;
    EXPECT_TRUE(archivio::stessalettura(std::get<archivio::Lettura>(e.messaggio->contenuto),
                                        lettura(1, 0, {kNaN, 1})));
}

TEST(ClasseMessaggi, StatesAndRunFactsReadBackEqual) {
    const std::vector<StatoBanco> stati = {
        {},
        {Stato::Fermo, "", "", "", 0},
        {Stato::Fermo, "livello serbatoio", "Livello", "0.2.0", kMaxIntero},
        {Stato::InCorsa, "Regolazione PI ", "PI", "1.0.0-β", 1},
    };
    for (const auto& s : stati) {
        const auto e = leggimessaggio("3ªB", argomentostato("3ªB", "banco_é"), scrivistato(s));
        ASSERT_TRUE(e.messaggio) << e.errore;
        EXPECT_EQ(e.messaggio->classe, "3ªB");
        EXPECT_EQ(e.messaggio->banco, "banco_é");
        EXPECT_EQ(std::get<StatoBanco>(e.messaggio->contenuto), s) << scrivistato(s);
    }

    auto c = fatti();
    c.titolo = "Prova «1» — 25 °C, 温度, \"virgolette\", \\ e\na capo";
    c.codice = -3;
    c.intervallo = std::numeric_limits<int32_t>::max();
    auto e = leggimessaggio("3B", argomentocorsa("3B", "banco03", 12), scrivicorsa(c));
    ASSERT_TRUE(e.messaggio) << e.errore;
    const auto& letta = std::get<archivio::Corsa>(e.messaggio->contenuto);
    EXPECT_EQ(e.messaggio->corsa, 12);
    EXPECT_EQ(scrivicorsa(letta), scrivicorsa(c));  // every field the payload has
    EXPECT_EQ(letta.titolo, c.titolo);
    EXPECT_EQ(letta.colonne, archivio::colonnedatestata(c.testata));

    // The bench is the topic's: a body that names none gets it. Starts from
    // a PC whose clock battery is dead still come, up to the last year.
    for (const char* inizio : {"1900-01-01T00:00:00Z", "1970-01-01T00:00:00.000Z",
                               "2000-01-01T00:00:00Z", "2199-12-31T23:59:59.999Z"}) {
        c.banco.clear();
        c.inizio = inizio;
        e = leggimessaggio("3B", argomentocorsa("3B", "banco07", 12), scrivicorsa(c));
        ASSERT_TRUE(e.messaggio) << inizio << ": " << e.errore;
        EXPECT_EQ(std::get<archivio::Corsa>(e.messaggio->contenuto).banco, "banco07");
    }
    c = fatti();

    // Columns with their units and decimals, in any script, up to the bounds.
    c.colonne = {{"temp", "°C", 1},
                 {"luce esterna", "%", 0},
                 {"fase, \"B\"\n2", "", -1},
                 {"温度", "µS/cm", kMaxDecimali},
                 {std::string(kMaxNomeColonna, 'n'), std::string(kMaxUnita, 'u'), -1}};
    for (int k = 6; k <= archivio::kColonne; ++k)
        c.colonne.push_back({"c" + std::to_string(k)});
    e = leggimessaggio("3B", argomentocorsa("3B", "banco03", 12), scrivicorsa(c));
    ASSERT_TRUE(e.messaggio) << e.errore;
    EXPECT_EQ(std::get<archivio::Corsa>(e.messaggio->contenuto).colonne, c.colonne);

    // A title past the bound is cut at a character's end, and still reads.
    c.titolo = "a";
    for (int k = 0; k < 600; ++k)
        c.titolo += "è";  // two bytes each: the bound falls inside one
    e = leggimessaggio("3B", argomentocorsa("3B", "banco03", 12), scrivicorsa(c));
    ASSERT_TRUE(e.messaggio) << e.errore;
    const std::string& corto = std::get<archivio::Corsa>(e.messaggio->contenuto).titolo;
    EXPECT_EQ(corto.size(), kMaxTesto - 1);
    EXPECT_EQ(corto, c.titolo.substr(0, kMaxTesto - 1));
}

TEST(ClasseMessaggi, WhatIsNotAMessageOfTheClassIsRefusedWithAReason) {
    const std::string s = argomentostato("3B", "banco03");
    const std::string c = argomentocorsa("3B", "banco03", 12);
    const std::string l = argomentoletture("3B", "banco03", 12);
    const std::string buono = R"({"numero":1,"ms":0,"valori":[1]})";
    const std::string fattibuoni = scrivicorsa(fatti());
    auto senza = [&](const std::string& chiave) {
        std::string t = scrivicorsa(fatti());  // no value but the columns holds a comma
        const auto i = t.find("\"" + chiave + "\":");
        const auto fine = t.find_first_of(",}", i);
        return t.erase(i, fine - i + (t[fine] == ',' ? 1 : 0));
    };
    // The good facts with a text field set to `valore`.
    auto conCampo = [&](const std::string& chiave, const std::string& valore) {
        std::string t = fattibuoni;
        const auto i = t.find("\"" + chiave + "\":\"") + chiave.size() + 4;
        return t.replace(i, t.find('"', i) - i, valore);
    };
    // The good facts with another value of "colonne" (their names hold no "]").
    auto conColonne = [&](const std::string& colonne) {
        std::string t = fattibuoni;
        const auto i = t.find("\"colonne\":") + 10;
        return t.replace(i, t.find(']', i) + 1 - i, colonne);
    };
    struct {
        std::string argomento, dati, perche;
    } righe[] = {
        // Topics.
        {"lumetto/3A/banco03/stato", R"({"stato":"fermo"})", "un'altra classe"},
        {"lumetto/3B/banco03/stato/x", R"({"stato":"fermo"})", "argomento sconosciuto"},
        {"lumetto/3B/banco03", R"({"stato":"fermo"})", "argomento sconosciuto"},
        {"lumetto/3B/banco03/corsa/12/letture/", buono, "argomento sconosciuto"},
        {"lumetto/3B/banco03/altro/12", buono, "argomento sconosciuto"},
        {"altro/3B/banco03/stato", R"({"stato":"fermo"})", "non di Lumetto"},
        {"/lumetto/3B/banco03/stato", R"({"stato":"fermo"})", "argomento sconosciuto"},
        {"lumetto/+/banco03/stato", R"({"stato":"fermo"})", "un'altra classe"},
        {"lumetto/3B/+/stato", R"({"stato":"fermo"})", "nome di banco"},
        {"lumetto/3B/#/stato", R"({"stato":"fermo"})", "nome di banco"},
        {"lumetto/3B//stato", R"({"stato":"fermo"})", "nome di banco"},
        {"lumetto/3B/banco 03/stato", R"({"stato":"fermo"})", "nome di banco"},
        {"lumetto/3B/banco\xff/stato", R"({"stato":"fermo"})", "nome di banco"},
        {"lumetto/3B/" + std::string(65, 'b') + "/stato", R"({"stato":"fermo"})", "nome di banco"},
        {"lumetto/3B/banco03/corsa/0/letture", buono, "numero di corsa"},
        {"lumetto/3B/banco03/corsa/012/letture", buono, "numero di corsa"},
        {"lumetto/3B/banco03/corsa/-1", fattibuoni, "numero di corsa"},
        {"lumetto/3B/banco03/corsa/dodici", fattibuoni, "numero di corsa"},
        {"lumetto/3B/banco03/corsa/9007199254740993/letture", buono, "numero di corsa"},
        {"lumetto/3B/banco03/corsa/" + std::string(300, '1'), buono, "troppo lungo"},
        // Payloads of any kind.
        {s, "", "vuoto"},
        {s, std::string(kMaxMessaggio + 1, ' '), "oltre"},
        {l, buono.substr(0, buono.size() - 1), "JSON non valido"},
        {l, buono + "x", "JSON non valido"},
        {l, "[1,2]", "non è un oggetto"},
        {s, "\"fermo\"", "JSON non valido"},
        {s, std::string("{\"stato\":\"fermo\"}\0", 18), "JSON non valido"},
        {l, std::string(200, '[') + std::string(200, ']'), "non è un oggetto"},
        // States.
        {s, R"({"stato":"acceso"})", "«stato»"},
        {s, R"({"stato":1})", "«stato»"},
        {s, R"({})", "«stato»"},
        {s, R"({"stato":"in corsa"})", "senza «corsa»"},
        {s, R"({"stato":"fermo","corsa":0})", "«corsa»"},
        {s, R"({"stato":"fermo","corsa":"12"})", "«corsa»"},
        {s, R"({"stato":"fermo","sketch":["T"]})", "«sketch»"},
        {s, R"({"stato":"fermo","esperimento":")" + std::string(kMaxTesto + 1, 'e') + "\"}",
         "«esperimento» supera"},
        // Run facts.
        {argomentocorsa("3B", "banco03", 13), fattibuoni, "«id» 12"},
        {c, senza("id"), "manca «id»"},
        {c, senza("esperimento"), "manca «esperimento»"},
        {c, senza("inizio"), "manca «inizio»"},
        {c, senza("intervallo"), "manca «intervallo»"},
        {c, R"({"id":12,"codice":2.5})", "«codice»"},
        {c, R"({"id":12,"codice":2147483648})", "«codice»"},
        {c, R"({"id":"12"})", "«id»"},
        {c, R"({"id":12,"codice":1,"intervallo":-1})", "«intervallo»"},
        {c, R"({"id":12,"codice":1,"intervallo":1,"esperimento":null})", "«esperimento»"},
        {c,
         R"({"id":12,"codice":1,"intervallo":1,"esperimento":"t","testata":"",)"
         R"("inizio":"ieri"})",
         "«inizio»"},
        {c,
         R"({"id":12,"codice":1,"intervallo":1,"esperimento":"t","testata":"",)"
         R"("inizio":"2026-12-09T10:15:02Z","fuso":"01:00"})",
         "«fuso»"},
        {c,
         R"({"id":12,"codice":1,"intervallo":1,"esperimento":"t","testata":"",)"
         R"("inizio":"2026-12-09T10:15:02Z","titolo":{"a":1}})",
         "«titolo»"},
        // Another bench's name: its run would take that bench's place.
        {c, conCampo("banco", "banco01"), "«banco» «banco01» non è il banco dell'argomento"},
        {c, conCampo("banco", "banco03 "), "«banco»"},
        // Starts no clock gives: the plot's axis and the lesson's day go wrong.
        {c, conCampo("inizio", "9999-12-31T23:59:59Z"), "«inizio» è nell'anno 9999"},
        {c, conCampo("inizio", "2200-01-01T00:00:00Z"), "«inizio» è nell'anno 2200"},
        {c, conCampo("inizio", "1899-12-31T23:59:59Z"), "«inizio» è nell'anno 1899"},
        // Run facts' columns.
        {c, conColonne(R"("temp")"), "«colonne» non è un elenco"},
        {c,
         conColonne(R"([{"nome":"a"},{"nome":"b"},{"nome":"c"},{"nome":"d"},{"nome":"e"},)"
                    R"({"nome":"f"},{"nome":"g"},{"nome":"h"},{"nome":"i"},{"nome":"j"},)"
                    R"({"nome":"k"},{"nome":"l"},{"nome":"m"},{"nome":"n"}])"),
         "più di 13 colonne"},
        {c, conColonne(R"(["temp"])"), "colonna 1: non è un oggetto"},
        {c, conColonne(R"([{"nome":"t"},{"unita":"°C"}])"), "colonna 2: manca «nome»"},
        {c, conColonne(R"([{"nome":""}])"), "colonna 1: «nome» è vuoto"},
        {c, conColonne(R"([{"nome":7}])"), "colonna 1: «nome» non è un testo"},
        {c, conColonne(R"([{"nome":")" + std::string(kMaxNomeColonna + 1, 'n') + R"("}])"),
         "colonna 1: «nome» supera 256 byte"},
        {c, conColonne(R"([{"nome":"t","unita":null}])"), "colonna 1: «unita» non è un testo"},
        {c, conColonne(R"([{"nome":"t","unita":")" + std::string(kMaxUnita + 1, 'u') + R"("}])"),
         "colonna 1: «unita» supera 64 byte"},
        {c, conColonne(R"([{"nome":"t","decimali":1.5}])"), "colonna 1: «decimali»"},
        {c, conColonne(R"([{"nome":"t","decimali":-1}])"), "colonna 1: «decimali»"},
        {c, conColonne(R"([{"nome":"t","decimali":16}])"), "colonna 1: «decimali»"},
        // Readings.
        {l, R"({"ms":0,"valori":[]})", "manca «numero»"},
        {l, R"({"numero":0,"ms":0,"valori":[]})", "«numero»"},
        {l, R"({"numero":100001,"ms":0,"valori":[]})", "«numero»"},
        {l, R"({"numero":1.5,"ms":0,"valori":[]})", "«numero»"},
        {l, R"({"numero":"1","ms":0,"valori":[]})", "«numero»"},
        {l, R"({"numero":1,"ms":-1,"valori":[]})", "«ms»"},
        {l, R"({"numero":1,"ms":1e300,"valori":[]})", "«ms»"},
        {l, R"({"numero":1,"ms":0})", "«valori»"},
        {l, R"({"numero":1,"ms":0,"valori":{"0":1}})", "«valori»"},
        {l, R"({"numero":1,"ms":0,"valori":[1,2,3,4,5,6,7,8,9,10,11,12,13,14]})", "più di 13"},
        {l, R"({"numero":1,"ms":0,"valori":[1,"2"]})", "valore 2"},
        {l, R"({"numero":1,"ms":0,"valori":[[1]]})", "valore 1"},
        {l, R"({"numero":1,"ms":0,"valori":[true]})", "valore 1"},
        {l, R"({"numero":1,"ms":0,"valori":[1e400]})", "JSON non valido"},
        // Finite, but no lab's value: a plot's range over them overflows.
        {l, R"({"numero":1,"ms":0,"valori":[1,-1.7976931348623157e308]})",
         "il valore 2, -1.7976931348623157e+308, supera in grandezza 1e+15"},
        {l, R"({"numero":1,"ms":0,"valori":[1.0000000000000002e15]})", "valore 1"},
        {l, R"({"numero":1,"ms":0,"valori":[NaN]})", "JSON non valido"},
    };
    for (const auto& r : righe) {
        const EsitoMessaggio e = leggimessaggio("3B", r.argomento, r.dati);
        EXPECT_FALSE(e.messaggio) << r.argomento << " " << r.dati.substr(0, 80);
        EXPECT_NE(e.errore.find(r.perche), std::string::npos)
            << r.argomento << " " << r.dati.substr(0, 80) << ": " << e.errore;
    }
    // The same payloads where they belong are taken.
    EXPECT_TRUE(leggimessaggio("3B", l, buono).messaggio);
    EXPECT_TRUE(leggimessaggio("3B", c, fattibuoni).messaggio);
    EXPECT_TRUE(leggimessaggio("3B", s, R"({"stato":"fermo","nuovo":[1,{}]})").messaggio);
}
