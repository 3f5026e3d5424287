// The acquisition end to end without widgets: commands, ticks, log rows and
// messages, against the virtual board's sketches on a scripted port.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>

#include "acquisition/acquisizione.h"
#include "acquisition/banco.h"
#include "acquisition/grafico.h"
#include "board/sketch.h"
#include "firmware/src/LumettoTrama.h"
#include "link/campi.h"
#include "link/collegamento.h"
#include "link/letture.h"
#include "schemes/sca.h"
#include "serial/posix/fakeport.h"
#include "serial/report.h"
#include "support/dialoghi.h"
#include "support/orologio.h"

namespace fs = std::filesystem;
using namespace lumetto;
using namespace lumetto::acquisition;
using prove::Acquisizione;
using prove::testo;
using ::testing::ElementsAre;

TEST_F(Acquisizione, SonarRoadOfOneReading) {
    premi("BitBtn4");
    EXPECT_EQ(schemes::schemacorrente().testata, "dist..");
    EXPECT_THAT(vista.testate, ElementsAre("Prg...dist.."));
    EXPECT_TRUE(vista.attivo);
    EXPECT_EQ(vista.intervalloMs, 2000);
    EXPECT_EQ(stato.lunghezzatestata, 6);
    EXPECT_EQ(stato.codiceesperimento, 3);
    for (int i = 1; i <= 3; ++i) {
        eseguilettura();
        EXPECT_EQ(vista.titolo, "lettura n:     " + std::to_string(i));
        ASSERT_EQ(vista.righe.size(), size_t(i));
        const Riga& r = vista.righe.back();
        ASSERT_EQ(r.size(), 2u);
        EXPECT_EQ(r[0].testo, "  " + std::to_string(i) + "   ");
        EXPECT_EQ(r[1].testo.size(), 6u);
        double d = link::tabellaletture[size_t(i)][1];
        EXPECT_GE(d, 10);
        EXPECT_EQ(r[1].testo, schemes::formattavalore(d, '1'));
        EXPECT_EQ(link::portacom(), nullptr);  // closed after every reading
    }
    EXPECT_EQ(inviati(), "?AAA");  // who the board is, once, then a letter a reading
    EXPECT_EQ(vista.testate.back(), "prg...dist..");
    EXPECT_EQ(stato.letturemostrate, 3);
    EXPECT_TRUE(box.mostrati.empty());
}

TEST_F(Acquisizione, EightColumnsOfRegolazionePI) {
    premi("Button2");
    eseguilettura();
    const Riga& r = vista.righe.back();
    ASSERT_EQ(r.size(), 9u);
    for (size_t k = 1; k < r.size(); ++k)
        EXPECT_EQ(r[k].testo.size(), 6u) << k;
    // The columns line up under "Prg..." + header, in a fixed-pitch font.
    EXPECT_EQ(testo(r).size(), vista.testate.front().size());
    EXPECT_EQ(stato.titoliesportazione[2].str(), "tem");
    EXPECT_EQ(stato.titoliesportazione[9].str(), "azt");
}

TEST_F(Acquisizione, ConditionsOfASchemeMarkCellsRedAndBlue) {
    // The drive c: of the program and a scheme file on it.
    fs::path home = std::getenv("HOME");
    fs::create_directories(home / ".lumetto/drive_c/lavoro/arduino");
    fs::create_directories(home / ".lumetto/dosdevices");
    fs::remove(home / ".lumetto/dosdevices/c:");
    fs::create_directory_symlink(home / ".lumetto/drive_c", home / ".lumetto/dosdevices/c:");
    auto& s = schemes::schemacorrente();
    s.testata = "Test..Tint..Set...Umid..CO2...Cald..Cond..Vent..Fin...";
    s.mascheratipo = "111112224";
    schemes::salvaschema((home / ".lumetto/drive_c/lavoro/arduino/climatica.sca").string(),
                         {"3>0", "1<1000", "6=off"});
    schemes::azzeraschema();

    premi("BitBtn15");  // "climatica dati": the scheme's header, masks and conditions, in the log
    EXPECT_EQ(stato.codiceesperimento, 55);
    EXPECT_EQ(vista.testate.front(), "Prg..." + s.testata);
    eseguilettura();
    const Riga& r = vista.righe.back();
    ASSERT_EQ(r.size(), 10u);
    EXPECT_EQ(r[3].colore, (schemes::Rgb{255, 0, 0}));  // Set 21 > 0
    EXPECT_TRUE(r[3].grassetto);
    EXPECT_EQ(r[1].colore, (schemes::Rgb{0, 0, 255}));  // Test below 1000
    EXPECT_TRUE(r[1].grassetto);
    EXPECT_EQ(r[2].colore, (schemes::Rgb{0, 0, 0}));
    EXPECT_FALSE(r[2].grassetto);
    EXPECT_EQ(inviati(), "?C");

    // A scheme file that is not there: the error box, and nothing starts.
    fs::remove(home / ".lumetto/drive_c/lavoro/arduino/solare.sca");
    EXPECT_FALSE(avviacomando(*comando("BitBtn16")));
    ASSERT_EQ(box.errori.size(), 1u);
    EXPECT_NE(box.errori[0].find("solare.sca"), std::string::npos) << box.errori[0];
    EXPECT_EQ(stato.codiceesperimento, 55);
}

TEST_F(Acquisizione, UtenteKeepsHeaderAndPanesAndSendsJ) {
    premi("BitBtn13");  // Temperature
    eseguilettura();
    size_t righe = vista.righe.size();
    premi("BitBtn11");
    EXPECT_EQ(stato.codiceesperimento, 100);
    EXPECT_EQ(vista.righe.size(), righe);
    EXPECT_EQ(vista.testate.size(), 2u);  // no new "Prg..." line
    eseguilettura();
    EXPECT_EQ(inviati(), "?A?J");
    EXPECT_EQ(link::numerolettura, 1);
}

TEST_F(Acquisizione, UtenteReadsAsLongAFrameAsTheHeaderItUses) {
    scheda("utente");
    // At start the header is empty: nothing to ask for, and the user is told how.
    EXPECT_FALSE(avviacomando(*comando("BitBtn11")));
    EXPECT_THAT(box.mostrati, ElementsAre(kUtenteSenzaTestata));
    EXPECT_FALSE(vista.attivo);
    // Columns named in SCADA, no experiment started before.
    auto& s = schemes::schemacorrente();
    s.testata = "luce..temp..";
    s.mascheratipo = "11";
    premi("BitBtn11");
    EXPECT_EQ(stato.lunghezzatestata, 12);
    scheda::Logica copia("utente", 1);
    for (int r = 1; r <= 3; ++r) {
        eseguilettura();
        const auto campi = link::dividicampi(copia.ricevi('J', 0));
        for (int j = 1; j <= 2; ++j)
            EXPECT_EQ(link::tabellaletture[size_t(r)][size_t(j)],
                      link::valorecampo(campi[size_t(j - 1)]))
                << "reading " << r << ", column " << j;
    }
    EXPECT_EQ(inviati(), "?JJJ");
    EXPECT_THAT(box.mostrati, ElementsAre(kUtenteSenzaTestata));
    EXPECT_TRUE(box.avvisi.empty());
}

TEST_F(Acquisizione, AFieldThatIsNotANumberIsMissingAndSaidOnceARun) {
    // A Serial Plotter sketch asked as if it were a Lumetto one.
    com13.onWrite = [this](const std::string& b) {
        if (b == "J") com13.receive("temp:21.5,lu");
    };
    auto& s = schemes::schemacorrente();
    s.testata = "luce..temp..";
    s.mascheratipo = "11";
    link::tabellaletture[1][2] = 7;  // an earlier run's value is not this reading's
    premi("BitBtn11");
    eseguilettura();
    eseguilettura();
    EXPECT_TRUE(std::isnan(link::tabellaletture[1][1]));
    EXPECT_TRUE(std::isnan(link::tabellaletture[1][2]));
    EXPECT_EQ(testo(vista.righe.front()), "  1               ");
    ASSERT_EQ(box.avvisi.size(), 1u);
    EXPECT_NE(box.avvisi[0].find(
                  "la scheda manda \"temp:21.5,lu\": non è una risposta di uno sketch Lumetto"),
              std::string::npos)
        << box.avvisi[0];
    EXPECT_TRUE(box.mostrati.empty());
    EXPECT_TRUE(vista.attivo);
    premi("BitBtn11");  // a new run says it again
    eseguilettura();
    EXPECT_EQ(box.avvisi.size(), 2u);
}

TEST_F(Acquisizione, AThousandReadingsThenTheLimit) {
    premi("BitBtn4");
    link::numerolettura = 999;
    eseguilettura();
    EXPECT_EQ(link::numerolettura, 1000);
    EXPECT_NE(link::tabellaletture[1000][1], 0);
    EXPECT_EQ(vista.righe.back()[0].testo, "1000   ");
    eseguilettura();
    EXPECT_THAT(box.mostrati, ElementsAre("raggiunto il numero massimo di punti!"));
    EXPECT_EQ(vista.titolo, "Arduino  collegato dato:  1000");
    EXPECT_EQ(vista.righe.size(), 1u);
    eseguilettura();  // the port is still held by the 1001st tick
    EXPECT_THAT(box.mostrati,
                ElementsAre("raggiunto il numero massimo di punti!", "Arduino non collegato!!"));
    EXPECT_FALSE(vista.attivo);
    // Stopping released the port: a new experiment works without a restart.
    premi("BitBtn4");
    eseguilettura();
    EXPECT_EQ(vista.righe.size(), 1u);
    EXPECT_EQ(box.mostrati.size(), 2u);
}

TEST_F(Acquisizione, ABoardThatNeverAnswers) {
    muta = true;
    premi("BitBtn4");
    eseguilettura();
    EXPECT_THAT(box.mostrati, ElementsAre("nessun dato in ricezione!"));
    EXPECT_EQ(vista.righe.size(), 1u);  // the row is shown with what it holds
    EXPECT_EQ(stato.letturemostrate, 1);
    eseguilettura();
    EXPECT_THAT(box.mostrati, ElementsAre("nessun dato in ricezione!", "Arduino non collegato!!"));
    EXPECT_FALSE(vista.attivo);
    muta = false;
    premi("BitBtn13");
    eseguilettura();
    EXPECT_EQ(box.mostrati.size(), 2u);
    EXPECT_EQ(vista.righe.size(), 1u);
}

TEST_F(Acquisizione, ABoardThatVanishesMidRun) {
    premi("BitBtn4");
    eseguilettura();
    com13.onWrite = [this](const std::string&) { com13.vanished = true; };
    eseguilettura();
    EXPECT_THAT(box.mostrati, ElementsAre("nessun dato in ricezione!"));
    com13.present = false;  // unplugged: the next open fails
    eseguilettura();
    EXPECT_THAT(box.mostrati, ElementsAre("nessun dato in ricezione!", "Arduino non collegato!!"));
    EXPECT_FALSE(vista.attivo);
}

// At the start of a run the board says who it is: the right sketch and the
// demo that serves every letter pass in silence, another of the library's
// sketches gets one box and the run goes on, a board that does not answer
// changes nothing and costs at most the bounded wait.
TEST_F(Acquisizione, TheBoardSaysWhoItIsWhenARunStarts) {
    const std::string v = trama::kVersione;
    struct Caso {
        const char* sketch;
        bool conoscechi;
        const char* controllo;
        link::Identita chi;
        const char* avviso;  // what the one box must name; none: no box
    } casi[] = {
        {"sonar", true, "BitBtn4", {"Sonar", v}, nullptr},
        {"tutti", true, "Button2", {"Tutti", v}, nullptr},
        {"temperatura",
         true,
         "BitBtn4",
         {"Temperature", v},
         "La scheda su COM13 esegue lo sketch «Temperature» della libreria Lumetto, ma "
         "l'esperimento «Sonar» richiede lo sketch «Sonar»"},
        {"cascata",
         true,
         "BitBtn21",
         {"Cascata", v},
         "«livellostato» richiede lo sketch «Livellostato»: le letture possono essere "
         "sbagliate.\n\nCarica quello giusto con l'IDE di Arduino:\nFile > Esempi > Lumetto > "
         "Livellostato,\npoi il pulsante Carica.\n\nL'acquisizione intanto continua."},
        {"sonar", false, "BitBtn4", {}, nullptr},
    };
    for (const auto& c : casi) {
        SCOPED_TRACE(std::string(c.sketch) + (c.conoscechi ? "" : ", older board"));
        scheda(c.sketch, c.conoscechi);
        box.mostrati.clear();
        const uint32_t prima = orologio.ora();
        premi(c.controllo);
        EXPECT_LE(orologio.ora() - prima, link::kAttesaIdentitaMs);
        EXPECT_EQ(stato.scheda, c.chi);
        if (c.avviso) {
            ASSERT_EQ(box.mostrati.size(), 1u);
            EXPECT_NE(box.mostrati[0].find(c.avviso), std::string::npos) << box.mostrati[0];
        } else {
            EXPECT_TRUE(box.mostrati.empty());
        }
        // The run goes on: its readings come and are stored, and nothing more is said.
        EXPECT_TRUE(vista.attivo);
        eseguilettura();
        eseguilettura();
        EXPECT_EQ(link::numerolettura, 2);
        EXPECT_NE(link::tabellaletture[2][1], 0);
        EXPECT_EQ(box.mostrati.size(), c.avviso ? 1u : 0u);
        fine();
    }
    // The experiment as its button names it, without the caption's blanks.
    EXPECT_NE(avvisosketch(*comando("Button2"), "Termostato", "COM3").find("«Regolazione PI»"),
              std::string::npos);

    // A port that does not open at the question says nothing there: the
    // run's first tick says it, once.
    box.mostrati.clear();
    porta = 9;
    premi("BitBtn4");
    EXPECT_TRUE(box.mostrati.empty());
    EXPECT_EQ(stato.scheda, link::Identita{});
    eseguilettura();
    EXPECT_THAT(box.mostrati, ElementsAre("Arduino non collegato!!"));
}

TEST_F(Acquisizione, IntervalPrompt) {
    struct Caso {
        std::optional<std::string> risposta;
        int32_t intervallo;
    } casi[] = {{"5", 5},   {std::nullopt, 2}, {"0.5", 0},     {"2.9", 2},           {"3,7", 3},
                {"abc", 3}, {"-1", 3},         {"2147484", 3}, {"2147483", 2147483}, {" 7", 7}};
    stato.intervallo = 9;
    for (const auto& c : casi) {
        box.risposte.push_back(c.risposta);
        chiedointervallo();
        EXPECT_EQ(stato.intervallo, c.intervallo) << c.risposta.value_or("(annullato)");
        if (c.intervallo == 3 && stato.intervallo != 3) stato.intervallo = 3;
    }
    EXPECT_EQ(box.domande.front(), "|intervallo di acquisizione in secondi|2");
    EXPECT_EQ(box.mostrati.size(), 2u);  // the two values out of range were refused aloud
    stato.intervallo = 0;
    premi("BitBtn4");
    EXPECT_TRUE(vista.attivo);
    EXPECT_EQ(vista.intervalloMs, 0);  // on, and silent
}

TEST_F(Acquisizione, FineAndCodesWithoutALetter) {
    premi("BitBtn19");  // six analog inputs: no letter
    eseguilettura();
    EXPECT_EQ(inviati(), "");
    EXPECT_EQ(link::numerolettura, 0);
    EXPECT_TRUE(vista.attivo);
    fine();
    EXPECT_FALSE(vista.attivo);
    EXPECT_TRUE(vista.testate.empty());
}

TEST_F(Acquisizione, LogTextsByMaskCharacter) {
    auto& s = schemes::schemacorrente();
    s.testata = "a.....b.....c.....d.....";
    s.mascheratipo = "2249";
    link::numerolettura = 4;
    link::tabellaletture[4][1] = 1;
    link::tabellaletture[4][2] = 2;
    link::tabellaletture[4][3] = 7;
    link::tabellaletture[4][4] = 23.46;
    Riga r = mostralettura();
    EXPECT_THAT(std::vector<std::string>({r[1].testo, r[2].testo, r[3].testo, r[4].testo}),
                ElementsAre(" ON   ", " Halt ", "   7.0", "  23.5"));
    // A mask longer than a reading is cut at 12 columns.
    s.mascheratipo = std::string(20, '1');
    EXPECT_EQ(mostralettura().size(), 13u);
}

// The plot's axes: round steps that hold the run, whatever its range.
TEST(ScalaDelGrafico, RoundStepsThatHoldTheRun) {
    // The last four at the ends of a double: two values a step cannot
    // divide, one value that a unit vanishes beside, the widest range kept.
    const std::pair<double, double> casi[] = {{0.9, 7.2},     {1, 1000},        {19.5, 20.6},
                                              {5, 5},         {-12.3, 0.4},     {0, 1e-3},
                                              {-9999, 99999}, {2.5, 2.5000001}, {-5e-324, 5e-324},
                                              {1e16, 1e16},   {-1e300, 1e300},  {1e300, 1e300}};
    for (auto [a, b] : casi) {
        SCOPED_TRACE(::testing::Message() << a << " .. " << b);
        const ScalaAsse s = scalatonda(a, b);
        EXPECT_LE(s.minimo, a);
        EXPECT_GE(s.massimo, b);
        ASSERT_GE(s.tacche, 3);
        EXPECT_LE(s.tacche, 12);
        const double passo = (s.massimo - s.minimo) / (s.tacche - 1);
        const double mantissa = passo / std::pow(10.0, std::floor(std::log10(passo) + 1e-9));
        EXPECT_TRUE(std::abs(mantissa - 1) < 1e-6 || std::abs(mantissa - 2) < 1e-6 ||
                    std::abs(mantissa - 5) < 1e-6)
            << passo;
    }
    EXPECT_EQ(scalatonda(1, 1000).massimo, 1000);  // a run of 1000 readings ends on its tick
}
