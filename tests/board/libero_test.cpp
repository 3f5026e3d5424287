// The free-stream sketch: its lines as the pure function makes them (each
// option and fault a row), the wrong-rate receiver, and the board itself on a
// pseudo-terminal read through the serial component.
#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <regex>
#include <string>
#include <vector>

#include "board/libero.h"
#include "serial/comm.h"
#include "support/scheda.h"

using namespace lumetto;
using namespace lumetto::scheda;
using namespace std::chrono_literals;

namespace {

struct CasoRiga {
    const char* nome;
    const char* colonne;
    bool intestazione;
    Guasto guasto;
    const char* forma;  // a clean reading's line, as a regular expression
};

void PrintTo(const CasoRiga& c, std::ostream* o) {
    *o << c.nome;
}

OpzioniLibero opzioni(const CasoRiga& c) {
    OpzioniLibero o;
    std::string errore;
    o.colonne = *colonneDaTesto(c.colonne, errore);
    o.intestazione = c.intestazione;
    return o;
}

std::vector<std::string> campi(const std::string& riga) {
    std::vector<std::string> c;
    size_t a = 0, b;
    while ((b = riga.find(',', a)) != std::string::npos) {
        c.push_back(riga.substr(a, b - a));
        a = b + 1;
    }
    c.push_back(riga.substr(a));
    return c;
}

std::string duedecimali(double v) {
    char b[32];
    return std::string(b, std::to_chars(b, b + 32, v, std::chars_format::fixed, 2).ptr);
}

class Righe : public ::testing::TestWithParam<CasoRiga> {};

}  // namespace

// The first 400 lines of a run: clean readings of the row's shape, whose
// text carries exactly the values the function says; faulty ones, now and
// then, spoiled just as the fault says and nowhere else.
TEST_P(Righe, OgniRigaEQuelloCheDice) {
    const CasoRiga& c = GetParam();
    const OpzioniLibero o = opzioni(c);
    const std::regex forma(c.forma);
    int guaste = 0;
    for (int64_t k = 0; k < 400; ++k) {
        const RigaLibera r = rigaLibera(o, c.guasto, 7, k);
        SCOPED_TRACE("line " + std::to_string(k) + ": " + r.byte.substr(0, 200));
        EXPECT_EQ(r.byte, rigaLibera(o, c.guasto, 7, k).byte);  // from its index alone
        ASSERT_GE(r.byte.size(), 2u);
        ASSERT_EQ(r.byte.substr(r.byte.size() - 2), "\r\n");
        if (c.intestazione && k == 0) {
            EXPECT_TRUE(r.intestazione);
            EXPECT_EQ(r.byte, std::string(c.colonne) + "\r\n");
            continue;
        }
        ASSERT_FALSE(r.intestazione);
        ASSERT_EQ(r.valori.size(), o.colonne.size());
        // The values do not depend on the fault nor on a header before them.
        OpzioniLibero senzaTesta = o;
        senzaTesta.intestazione = false;
        const RigaLibera p = rigaLibera(o, Guasto::Nessuno, 7, k);
        const RigaLibera q =
            rigaLibera(senzaTesta, Guasto::Nessuno, 7, k - (c.intestazione ? 1 : 0));
        for (size_t i = 0; i < o.colonne.size(); ++i) {
            ASSERT_TRUE(p.valori[i].has_value());
            EXPECT_EQ(*p.valori[i], *q.valori[i]);
            if (r.valori[i]) {
                EXPECT_EQ(*r.valori[i], *p.valori[i]);
            }
        }
        if (r.guasto == Guasto::Nessuno) {
            EXPECT_TRUE(std::regex_match(r.byte, forma));
            const auto f = campi(r.byte.substr(0, r.byte.size() - 2));
            ASSERT_EQ(f.size(), o.colonne.size());
            for (size_t i = 0; i < f.size(); ++i) {
                const bool nomi = !o.colonne[i].empty() && !c.intestazione;
                EXPECT_EQ(f[i], (nomi ? o.colonne[i] + ":" : "") + duedecimali(*r.valori[i]));
                const double v = *r.valori[i];
                if (o.colonne[i] == "luce") {
                    EXPECT_TRUE(v >= 0 && v <= 100) << v;
                }
                if (o.colonne[i] == "temp") {
                    EXPECT_TRUE(v > 18 && v < 24) << v;
                }
            }
            continue;
        }
        ++guaste;
        ASSERT_EQ(r.guasto, c.guasto);
        const std::string pulita = p.byte;
        const size_t i = r.colonnaGuasta;
        ASSERT_LT(i, o.colonne.size());
        auto f = campi(pulita.substr(0, pulita.size() - 2));
        const std::string etichetta = f[i].substr(0, f[i].find(':') + 1);
        auto conCampo = [&](const std::string& nuovo) {
            auto g = f;
            g[i] = etichetta + nuovo;
            std::string riga;
            for (size_t j = 0; j < g.size(); ++j)
                riga += (j ? "," : "") + g[j];
            return riga + "\r\n";
        };
        std::string attesa;
        switch (r.guasto) {
            case Guasto::Manca:
                attesa = conCampo("");
                EXPECT_FALSE(r.valori[i].has_value());
                break;
            case Guasto::Nan:
                attesa = conCampo("nan");
                EXPECT_FALSE(r.valori[i].has_value());
                break;
            case Guasto::Virgola: {
                std::string comma = duedecimali(*p.valori[i]);
                comma[comma.find('.')] = ',';
                attesa = conCampo(comma);
                EXPECT_EQ(*r.valori[i], *p.valori[i]);
                break;
            }
            case Guasto::Lunga:
                EXPECT_GT(r.byte.size(), kRigaLunga + 2);
                EXPECT_EQ(r.byte.find('\n'), r.byte.size() - 1);
                attesa = r.byte;
                EXPECT_EQ(r.byte.substr(0, pulita.size() - 2), pulita.substr(0, pulita.size() - 2));
                break;
            case Guasto::Rumore:
                ASSERT_GE(r.byte.size(), pulita.size() + 8);
                EXPECT_LE(r.byte.size(), pulita.size() + 40);
                EXPECT_EQ(r.byte.substr(r.byte.size() - pulita.size()), pulita);
                attesa = r.byte;
                break;
            default:
                ADD_FAILURE() << "no line carries " << nomeGuasto(r.guasto);
        }
        EXPECT_EQ(r.byte, attesa);
    }
    if (c.guasto == Guasto::Nessuno || c.guasto == Guasto::Silenzio)
        EXPECT_EQ(guaste, 0);
    else
        EXPECT_GE(guaste, 4) << "a fault now and then, not once in a run";
}

INSTANTIATE_TEST_SUITE_P(
    Libero, Righe,
    ::testing::Values(
        CasoRiga{"predefinite", "luce,temp", false, Guasto::Nessuno,
                 R"(luce:\d{1,3}\.\d\d,temp:\d\d\.\d\d\r\n)"},
        CasoRiga{"altroordine", "temp,luce", false, Guasto::Nessuno,
                 R"(temp:\d\d\.\d\d,luce:\d{1,3}\.\d\d\r\n)"},
        CasoRiga{"altrinomi", "v1,pressione_kPa,°C", false, Guasto::Nessuno,
                 R"(v1:\d+\.\d\d,pressione_kPa:\d+\.\d\d,°C:\d+\.\d\d\r\n)"},
        CasoRiga{"senzanome", "", false, Guasto::Nessuno, R"(\d{1,3}\.\d\d,\d\d\.\d\d\r\n)"},
        CasoRiga{"tresenzanome", ",,", false, Guasto::Nessuno,
                 R"(\d{1,3}\.\d\d,\d\d\.\d\d,\d\d\.\d\d\r\n)"},
        CasoRiga{"intestazione", "luce,temp", true, Guasto::Nessuno,
                 R"(\d{1,3}\.\d\d,\d\d\.\d\d\r\n)"},
        CasoRiga{"lunga", "luce,temp", false, Guasto::Lunga, R"(luce:[\d.]+,temp:[\d.]+\r\n)"},
        CasoRiga{"rumore", "luce,temp", false, Guasto::Rumore, R"(luce:[\d.]+,temp:[\d.]+\r\n)"},
        CasoRiga{"manca", "luce,temp", false, Guasto::Manca, R"(luce:[\d.]+,temp:[\d.]+\r\n)"},
        CasoRiga{"mancasenzanome", "", false, Guasto::Manca, R"([\d.]+,[\d.]+\r\n)"},
        CasoRiga{"nan", "luce,temp", false, Guasto::Nan, R"(luce:[\d.]+,temp:[\d.]+\r\n)"},
        CasoRiga{"virgola", "luce,temp", false, Guasto::Virgola, R"(luce:[\d.]+,temp:[\d.]+\r\n)"},
        CasoRiga{"virgolaintestazione", "luce,temp", true, Guasto::Virgola, R"([\d.]+,[\d.]+\r\n)"},
        CasoRiga{"silenzio", "luce,temp", false, Guasto::Silenzio,
                 R"(luce:[\d.]+,temp:[\d.]+\r\n)"}),
    [](const auto& i) { return std::string(i.param.nome); });

// The seed makes the run: another seed, other noise.
TEST(RigheLibere, IlSemeFaLaCorsa) {
    const OpzioniLibero o;
    int diverse = 0;
    for (int64_t k = 0; k < 20; ++k)
        diverse +=
            rigaLibera(o, Guasto::Nessuno, 1, k).byte != rigaLibera(o, Guasto::Nessuno, 2, k).byte;
    EXPECT_GE(diverse, 18);
}

// The lines' instants: k periods, and Silenzio's pauses after every
// kRigheTraSilenzi lines; exact in nanoseconds at any rate.
TEST(RigheLibere, IstantiDelleRighe) {
    OpzioniLibero o;
    EXPECT_EQ(istanteRiga(o, Guasto::Nessuno, 0), 0);
    EXPECT_EQ(istanteRiga(o, Guasto::Nessuno, 3), 300'000'000);
    o.frequenza = 1000;
    EXPECT_EQ(istanteRiga(o, Guasto::Nessuno, 1001), 1'001'000'000);
    o.frequenza = 3;
    EXPECT_EQ(istanteRiga(o, Guasto::Nessuno, 4), 1'333'333'333);
    o.frequenza = 100;
    EXPECT_EQ(istanteRiga(o, Guasto::Silenzio, kRigheTraSilenzi - 1), 490'000'000);
    EXPECT_EQ(istanteRiga(o, Guasto::Silenzio, kRigheTraSilenzi),
              500'000'000 + int64_t{kSilenzioMs} * 1'000'000);
}

TEST(RigheLibere, NomiDiColonnaCheUnaRigaNonPorta) {
    struct {
        const char* testo;
        size_t colonne;  // 0: refused
    } casi[] = {{"luce,temp", 2}, {"", 2},       {",,", 3},      {"a", 1},
                {"a,,b", 0},      {"a b", 0},    {"temp:c", 0},  {"x\ty", 0},
                {"12.5", 0},      {"luce,7", 0}, {"°C,kPa_1", 2}};
    for (const auto& c : casi) {
        std::string errore;
        auto r = colonneDaTesto(c.testo, errore);
        EXPECT_EQ(r ? r->size() : 0, c.colonne) << c.testo;
        EXPECT_EQ(r.has_value(), errore.empty()) << c.testo << ": " << errore;
    }
}

namespace {

struct CasoVelocita {
    const char* nome;
    std::string inviato;
    uint32_t inviati, ricevuti;
    std::optional<std::string> letto;  // nullopt: anything but what was sent
};

void PrintTo(const CasoVelocita& c, std::ostream* o) {
    *o << c.nome;
}

class Velocita : public ::testing::TestWithParam<CasoVelocita> {};

std::string tuttiIByte() {
    std::string s;
    for (int i = 0; i < 256; ++i)
        s += static_cast<char>(i);
    return s;
}

}  // namespace

TEST_P(Velocita, QuelloCheUnaUartLegge) {
    const auto& c = GetParam();
    const std::string letto = allaVelocita(c.inviato, c.inviati, c.ricevuti);
    if (c.letto)
        EXPECT_EQ(letto, *c.letto);
    else
        EXPECT_NE(letto, c.inviato);
}

INSTANTIATE_TEST_SUITE_P(
    Libero, Velocita,
    ::testing::Values(CasoVelocita{"stessavelocita", tuttiIByte(), 115200, 115200, tuttiIByte()},
                      // Within a UART's tolerance (2.8 % over ten bits) the bytes survive.
                      CasoVelocita{"quasiuguale", tuttiIByte(), 115200, 112000, tuttiIByte()},
                      CasoVelocita{"troppodiversa", "luce:43.21,temp:21.50\r\n", 115200, 100000,
                                   std::nullopt},
                      // 'U' (start 0, then 1 0 1 0 1 0 1 0, stop 1) read twice as fast: the
                      // bits sampled at a quarter and three quarters of each sent bit give
                      // 0x66 with a bad stop bit, then a start found on the fall of the
                      // fifth data bit gives 0xE6.
                      CasoVelocita{"doppia", "U", 9600, 19200, std::string("\x66\xE6")},
                      // Read at half the rate, every start bit is high again in its middle:
                      // no byte at all.
                      CasoVelocita{"meta", "UU", 19200, 9600, std::string()},
                      // Nothing is read on a line hung up (0 baud).
                      CasoVelocita{"zerobaud", "luce:1\r\n", 115200, 0, std::string()}),
    [](const auto& i) { return std::string(i.param.nome); });

// The board on a pseudo-terminal, read as the program reads it. Each opening
// of the port starts the sketch again: the lines that come are line 0 on,
// exactly, however busy the machine; what the program sends changes nothing;
// at the wrong rate the same lines come as a UART at that rate reads them.
TEST(SchedaLibera, RigheAllAperturaEByteSenzaSensoAllaVelocitaSbagliata) {
    Opzioni o;
    o.sketch = "libero";
    o.seme = 11;
    o.libero.frequenza = 200;
    o.libero.righe = 30;
    prove::InServizio b(o);
    ASSERT_TRUE(b.ok);
    std::string attese, sbagliate;
    for (int64_t k = 0; k < 30; ++k) {
        const std::string r = rigaLibera(o.libero, Guasto::Nessuno, 11, k).byte;
        attese += r;
        sbagliate += allaVelocita(r, 115200, 9600);
    }
    ASSERT_LT(std::count(sbagliate.begin(), sbagliate.end(), '\n'), 30);

    auto leggi = [&](serial::TBaudRate velocita, size_t quanti) {
        serial::TXComm comm;
        comm.setBaudRate(velocita);
        comm.setDeviceName("COM13");
        const int aperture = b.contaEventi("porta aperta");
        EXPECT_TRUE(comm.OpenDevice());
        EXPECT_TRUE(b.finche([&] { return b.contaEventi("porta aperta") > aperture; }));
        comm.SendString("?A\r\n");  // the sketch reads nothing
        std::string letto(quanti, '\0');
        letto.resize(comm.ReceiveData(letto.data(), static_cast<uint32_t>(quanti), 10000));
        // The last line is the last: nothing more comes.
        char altro[64];
        EXPECT_EQ(comm.ReceiveData(altro, sizeof altro, 300), 0u);
        comm.CloseDevice();
        return letto;
    };
    EXPECT_EQ(leggi(serial::br115200, attese.size()), attese);
    EXPECT_EQ(leggi(serial::br9600, sbagliate.size()), sbagliate);
    EXPECT_TRUE(b.visto("linea a 9600 baud"));
    EXPECT_EQ(leggi(serial::br115200, attese.size()), attese);
    EXPECT_TRUE(b.visto("le righe arrivano intere dalla riga 0"));
}
