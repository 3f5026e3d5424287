// "->EXCEL" without the window: the block, where it lands, the calls to the
// spreadsheet object, the save dialog and the messages. Files are read back
// with xlrd where it is installed.
#include "acquisition/esportazione.h"
#include "acquisition/proprio.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <sstream>

#include "acquisition/acquisizione.h"
#include "acquisition/foglio.h"
#include "lettori.h"
#include "link/letture.h"
#include "schemes/schema.h"
#include "support/cartella.h"
#include "support/dialoghi.h"
#include "support/manca.h"

namespace lumetto::acquisition {
namespace {

using prove::CartellaProva;
using xls::ValoreCella;

ValoreCella testo(const std::string& s) {
    return acquisition::utf16(s);
}

// The cells as Gnumeric's ssconvert and LibreOffice write them in CSV (where
// installed), each with the index of its first used column.
using TabellaCsv = std::vector<std::vector<std::string>>;
std::vector<std::pair<TabellaCsv, std::size_t>> altrilettori(const std::string& file,
                                                             const CartellaProva& cartella,
                                                             bool comemostrato = false) {
    auto tabella = [](const std::string& csv) {
        TabellaCsv righe;
        std::istringstream in(csv);
        for (std::string r; std::getline(in, r);) {
            righe.emplace_back();
            std::istringstream campi(r);
            for (std::string c; std::getline(campi, c, ',');)
                righe.back().push_back(c);
        }
        return righe;
    };
    std::vector<std::pair<TabellaCsv, std::size_t>> r;
    if (prove::ssconvertpresente())
        r.emplace_back(tabella(prove::csvconssconvert(file, comemostrato).value_or("")), 0);
    if (prove::libreofficepresente())
        r.emplace_back(
            tabella(prove::csvconlibreoffice(file, cartella.percorso().string(), comemostrato)
                        .value_or("")),
            1);
    return r;
}

// A number of a CSV, with the point whatever the locale the tests run under.
double numero(const std::string& t) {
    double v = std::nan("");
    std::from_chars(t.data(), t.data() + t.size(), v);
    return v;
}

class Esporta : public ::testing::Test {
  protected:
    void SetUp() override {
        azzeraacquisizione();
        schemes::azzeraschema();
        acquisition::impostaregistro(&chiamate);
    }
    void TearDown() override { acquisition::impostaregistro(nullptr); }

    // A run as the tick leaves it: each reading stored and shown in the log,
    // which sets the export titles.
    void corsa(int16_t codice, const std::string& testata, const std::string& maschera,
               const std::vector<std::vector<double>>& letture) {
        avviaesperimento(codice, testata, maschera);
        for (const auto& valori : letture) {
            ++link::numerolettura;
            for (std::size_t i = 0; i < valori.size(); ++i)
                link::tabellaletture[static_cast<std::size_t>(link::numerolettura)][i + 1] =
                    valori[i];
            mostralettura();
            ++stato.letturemostrate;
        }
        fermaacquisizione();
    }
    // The command as the window runs it.
    Esportazione excel() {
        return esportafoglio("", static_cast<uint16_t>(stato.numerocolonne + 1));
    }
    xls::Celle letto(const std::string& file, const std::string& foglio) {
        if (!prove::pythonconxlrd()) return {};
        auto l = prove::leggiconxlrd({file}).at(file);
        EXPECT_EQ(l.errore, "");
        EXPECT_TRUE(l.avvisi.empty()) << l.avvisi.front();
        EXPECT_EQ(l.fogli, std::vector<std::string>{foglio});
        return l.celle;
    }

    prove::DialoghiScritti dialoghi;
    std::vector<std::string> chiamate;
    CartellaProva cartella;
};

TEST_F(Esporta, SonarConTreLetture) {
    corsa(3, "dist..", "1", {{12}, {15.4}, {20}});
    const std::string file = cartella / "sonar.xls";
    dialoghi.risposte.push_back(file);
    EXPECT_EQ(excel(), Esportazione::salvata);

    EXPECT_EQ(dialoghi.domande, std::vector<std::string>{"scrivi il  file xls|files excel|*.xls"});
    EXPECT_EQ(dialoghi.mostrati, std::vector<std::string>{"salvato il file:" + file});
    EXPECT_TRUE(dialoghi.errori.empty());
    const std::vector<std::string> attese = {
        R"(CreateObject("Excel.Application"))",
        "Application.Visible = False",
        "Application.Workbooks()",
        "Workbooks.Add(-4167)",
        "Application.Workbooks(1)",
        "Workbook.WorkSheets(1)",
        R"(Worksheet.Name = "sonar")",
        R"(Worksheet.Range("A1", "C4"))",
        "Range.Value = [4 x 4]",
        "Application.Workbooks(1)",
        "Workbook.SaveAs(\"" + file + "\")",
        "Application.DisplayAlerts = False",
        "Application.Quit()",
        "Release Application",
    };
    EXPECT_EQ(chiamate, attese);

    if (!prove::pythonconxlrd())
        return prove::manca("python3-xlrd is not installed: file not read back");
    // A1 and B1 empty, the short name in C1; reading numbers and rounded values below.
    const xls::Celle celle = {
        {{0, 2}, testo("dis")}, {{1, 1}, 1.0}, {{1, 2}, 12.0}, {{2, 1}, 2.0},
        {{2, 2}, 15.0},         {{3, 1}, 3.0}, {{3, 2}, 20.0},
    };
    EXPECT_EQ(letto(file, "sonar"), celle);
}

// A teacher's experiment writes its own columns: whole names with units, the
// values as stored, a missing one as an empty cell.
TEST_F(Esporta, UnEsperimentoProprioScriveINomiInteriConLeUnita) {
    stato.codiceesperimento = kCodiceMio;
    stato.nomeesperimento = "Luce e temperatura";
    stato.colonne = {{"luce esterna", "%", 0, '1'}, {"temp", "°C", 1, '1'}};
    link::tabellaletture[1][1] = 43;
    link::tabellaletture[1][2] = 21.5;
    link::tabellaletture[2][1] = 44;
    link::tabellaletture[2][2] = std::nan("");
    stato.letturemostrate = 2;
    const std::string file = cartella / "mio.xls";
    dialoghi.risposte.push_back(file);
    EXPECT_EQ(excel(), Esportazione::salvata);
    if (!prove::pythonconxlrd())
        return prove::manca("python3-xlrd is not installed: file not read back");
    const xls::Celle celle = {
        {{0, 1}, testo("lettura")},
        {{0, 2}, testo("luce esterna [%]")},
        {{0, 3}, testo("temp [°C]")},
        {{1, 1}, 1.0},
        {{1, 2}, 43.0},
        {{1, 3}, 21.5},
        {{2, 1}, 2.0},
        {{2, 2}, 44.0},
    };
    EXPECT_EQ(letto(file, "Foglio1"), celle);
}

// Every other experiment writes each number as the board sent it, shown with
// the log's decimals by the cell's format, and states as their words (the
// design left those cells empty).
TEST_F(Esporta, RegolazionePiScriveOttoColonneDiNumeri) {
    const std::string testata = "temp..set...scost.banda.tempo.azp...azi...azt...";
    const std::vector<std::vector<double>> letture = {{21.5, 25, 3.5, 10, 2, 35, 4.25, 39.3},
                                                      {22, 25, 3, 10, 4, 30, 4.5, 34.5},
                                                      {23.04, 25, 1.96, 10, 6, 19.6, 4.66, 24.3}};
    corsa(1, testata, "11111113", letture);
    const std::string file = cartella / "pi.xls";
    dialoghi.risposte.push_back(file);
    EXPECT_EQ(excel(), Esportazione::salvata);
    // Ten sheet columns (A to J) and four rows; no sheet name is given.
    EXPECT_EQ(chiamate[6], R"(Worksheet.Range("A1", "J4"))");
    EXPECT_EQ(chiamate[7], "Range.Value = [4 x 11]");
    // Each value column's readings shown with the log's decimals.
    EXPECT_EQ(chiamate[8], R"(Worksheet.Range("C2", "C4"))");
    EXPECT_EQ(chiamate[9], R"(Range.NumberFormat = "0.0")");
    EXPECT_EQ(chiamate[23], R"(Range.NumberFormat = "0.000")");
    for (const auto& c : chiamate)
        EXPECT_EQ(c.find("Worksheet.Name"), std::string::npos);

    if (!prove::pythonconxlrd())
        return prove::manca("python3-xlrd is not installed: file not read back");
    xls::Celle celle;
    std::map<xls::Posizione, std::string> formati;
    const char* nomi[] = {"tem", "set", "sco", "ban", "tem", "azp", "azi", "azt"};
    for (uint32_t i = 0; i < 8; ++i)
        celle[{0, i + 2}] = testo(nomi[i]);
    for (uint32_t r = 1; r <= 3; ++r) {
        celle[{r, 1}] = static_cast<double>(r);
        for (uint32_t i = 0; i < 8; ++i) {
            celle[{r, i + 2}] = letture[r - 1][i];  // 4.25 stays 4.25
            formati[{r, i + 2}] = i == 7 ? "0.000" : "0.0";
        }
    }
    const auto l = prove::leggiconxlrd({file}).at(file);
    EXPECT_EQ(l.errore, "");
    EXPECT_TRUE(l.avvisi.empty()) << l.avvisi.front();
    EXPECT_EQ(l.celle, celle);
    EXPECT_EQ(l.formati, formati);
    // Gnumeric and LibreOffice hold what the board sent and show it with
    // the log's decimals.
    for (const auto& [righe, primo] : altrilettori(file, cartella)) {
        ASSERT_EQ(righe.size(), 4u);
        ASSERT_EQ(righe[1].size(), primo + 9);
        EXPECT_DOUBLE_EQ(numero(righe[1][primo + 7]), 4.25);
        EXPECT_DOUBLE_EQ(numero(righe[3][primo + 1]), 23.04);
    }
    for (const auto& [righe, primo] : altrilettori(file, cartella, true)) {
        ASSERT_EQ(righe.size(), 4u);
        ASSERT_EQ(righe[1].size(), primo + 9);
        EXPECT_EQ(righe[1][primo + 7], "4.3");  // 4.25 with one decimal
        EXPECT_EQ(righe[1][primo + 8], "39.300");
        EXPECT_EQ(righe[3][primo + 1], "23.0");
    }
}

TEST_F(Esporta, TermostatoScriveLoStatoInParole) {
    corsa(17, "temp....umid..Set...Stato.", "1112", {{18.2, 55, 20, 1}, {20.6, 54, 20, 0}});
    const std::string file = cartella / "termostato.xls";
    dialoghi.risposte.push_back(file);
    ASSERT_EQ(excel(), Esportazione::salvata);
    if (!prove::pythonconxlrd())
        return prove::manca("python3-xlrd is not installed: file not read back");
    const auto celle = letto(file, "Foglio1");
    EXPECT_EQ(celle.at({1, 2}), ValoreCella{18.2});
    EXPECT_EQ(celle.at({1, 5}), testo("ON"));
    EXPECT_EQ(celle.at({2, 5}), testo("OFF"));
    // The other readers see the same: numbers (with the point), words as texts.
    for (const auto& [righe, primo] : altrilettori(file, cartella)) {
        ASSERT_EQ(righe.size(), 3u);
        ASSERT_EQ(righe[1].size(), primo + 5);
        EXPECT_EQ(righe[0][primo + 4], "Sta");
        EXPECT_DOUBLE_EQ(numero(righe[1][primo + 1]), 18.2);
        EXPECT_EQ(righe[1][primo + 4], "ON");
        EXPECT_EQ(righe[2][primo + 4], "OFF");
    }
}

TEST_F(Esporta, IValoriDiOgniEsperimentoEIlNomeDelFoglio) {
    struct Caso {
        int16_t codice;
        const char* testata;
        double valore;
        const char* foglio;
        double cella;
    };
    const Caso casi[] = {
        {20, "Temp..", 23.46, "temperature", 23.5},
        {21, "Ax....Ay....Az....", -0.12345, "accelerometro", -0.123},
        {3, "dist..", 99.7, "sonar", 100},
        {4, "A0....A1....A2....A3....A4....A5....", 4.99951, "sei ingressi analogici", 5.0},
    };
    std::vector<std::string> file;
    for (const auto& c : casi) {
        azzeraacquisizione();
        corsa(c.codice, c.testata, std::string(std::string(c.testata).size() / 6, '1'),
              {std::vector<double>(12, c.valore)});
        file.push_back(cartella / (std::to_string(c.codice) + ".xls"));
        dialoghi.risposte.push_back(file.back());
        ASSERT_EQ(excel(), Esportazione::salvata);
    }
    if (!prove::pythonconxlrd())
        return prove::manca("python3-xlrd is not installed: file not read back");
    auto letture = prove::leggiconxlrd(file);
    for (std::size_t i = 0; i < file.size(); ++i) {
        SCOPED_TRACE(casi[i].foglio);
        const auto& l = letture.at(file[i]);
        EXPECT_EQ(l.fogli, std::vector<std::string>{casi[i].foglio});
        const int colonne = static_cast<int>(std::string(casi[i].testata).size() / 6);
        EXPECT_EQ(l.colonne, colonne + 2);
        for (int k = 0; k < colonne; ++k)
            EXPECT_EQ(l.celle.at({1, static_cast<uint32_t>(k + 2)}), ValoreCella{casi[i].cella});
        EXPECT_TRUE(l.formati.empty());  // the designed texts, in General cells
    }
}

TEST_F(Esporta, SenzaLettureSoloLaRigaDeiTitoli) {
    corsa(3, "dist..", "1", {{12}});
    dialoghi.risposte.push_back(cartella / "prima.xls");
    ASSERT_EQ(excel(), Esportazione::salvata);
    // The window zeroes the counters after the export; the next one has no reading.
    stato.letturemostrate = 0;
    link::numerolettura = 0;
    chiamate.clear();
    const std::string file = cartella / "seconda.xls";
    dialoghi.risposte.push_back(file);
    EXPECT_EQ(excel(), Esportazione::salvata);
    EXPECT_EQ(chiamate[7], R"(Worksheet.Range("A1", "C1"))");
    EXPECT_EQ(chiamate[8], "Range.Value = [1 x 4]");

    // Right after start-up the titles are still empty: the sheet has no cell.
    azzeraacquisizione();
    const std::string nuovo = cartella / "vuoto.xls";
    dialoghi.risposte.push_back(nuovo);
    EXPECT_EQ(excel(), Esportazione::salvata);

    if (!prove::pythonconxlrd())
        return prove::manca("python3-xlrd is not installed: file not read back");
    EXPECT_EQ(letto(file, "sonar"), (xls::Celle{{{0, 2}, testo("dis")}}));
    EXPECT_EQ(letto(nuovo, "Foglio1"), xls::Celle{});
}

TEST_F(Esporta, DialogoAnnullatoNessunFileNessunMessaggio) {
    corsa(3, "dist..", "1", {{12}, {15.4}});
    dialoghi.risposte.push_back(std::nullopt);
    // Not a failure: the window zeroes the counters all the same.
    EXPECT_EQ(excel(), Esportazione::annullata);
    EXPECT_TRUE(dialoghi.mostrati.empty());
    EXPECT_TRUE(dialoghi.errori.empty());
    EXPECT_EQ(dialoghi.domande.size(), 1u);
    EXPECT_TRUE(cartella.contenuto().empty());
    // Released without saving and without Quit.
    ASSERT_GE(chiamate.size(), 2u);
    EXPECT_EQ(chiamate[chiamate.size() - 2], "Range.Value = [3 x 4]");
    EXPECT_EQ(chiamate.back(), "Release Application");
}

TEST_F(Esporta, SalvataggioFallitoMostraLErroreENonDiceSalvato) {
    corsa(3, "dist..", "1", {{12}});
    const std::string file = cartella / "manca/sonar.xls";
    dialoghi.risposte.push_back(file);
    EXPECT_EQ(excel(), Esportazione::fallita);
    ASSERT_EQ(dialoghi.errori.size(), 1u);
    EXPECT_NE(dialoghi.errori[0].find("Impossibile salvare il file \"" + file + "\""),
              std::string::npos)
        << dialoghi.errori[0];
    EXPECT_NE(dialoghi.errori[0].find(std::generic_category().message(ENOENT)), std::string::npos);
    EXPECT_TRUE(dialoghi.mostrati.empty());
    EXPECT_TRUE(cartella.contenuto().empty());
    // Nothing after the failed SaveAs but the release.
    ASSERT_GE(chiamate.size(), 2u);
    EXPECT_EQ(chiamate[chiamate.size() - 2], "Workbook.SaveAs(\"" + file + "\")");
    EXPECT_EQ(chiamate.back(), "Release Application");
}

TEST_F(Esporta, NomeDelFileEstensioneESostituzione) {
    corsa(3, "dist..", "1", {{12}});
    struct Caso {
        std::string scelto, scritto;
    };
    const Caso casi[] = {
        {"dati", "dati.xls"},         {"misure.xls", "misure.xls"},
        {"misure.XLS", "misure.XLS"}, {"lab.2024.xls", "lab.2024.xls"},
        {"testo.txt", "testo.txt"},  // the user's own extension is kept
    };
    for (const auto& c : casi) {
        dialoghi.risposte.push_back(cartella / c.scelto);
        EXPECT_EQ(excel(), Esportazione::salvata);
        EXPECT_EQ(dialoghi.mostrati.back(), "salvato il file:" + (cartella / c.scritto));
    }
    EXPECT_EQ(cartella.contenuto(),
              (std::vector<std::string>{"dati.xls", "lab.2024.xls", "misure.XLS", "misure.xls",
                                        "testo.txt"}));

    // A file the dialog confirmed to replace is replaced whole.
    const std::string file = cartella / "dati.xls";
    const auto prima = prove::leggifile(file);
    corsa(3, "dist..", "1", {{12}, {13}, {14}});
    dialoghi.risposte.push_back(file);
    EXPECT_EQ(excel(), Esportazione::salvata);
    EXPECT_NE(prove::leggifile(file), prima);
    EXPECT_EQ(cartella.contenuto().size(), 5u);

    // A file name given by the caller skips the dialog and is the name used.
    const auto domande = dialoghi.domande.size();
    EXPECT_EQ(esportafoglio(cartella / "diretto.xls", 2), Esportazione::salvata);
    EXPECT_EQ(dialoghi.domande.size(), domande);
    EXPECT_EQ(dialoghi.mostrati.back(), "salvato il file:" + (cartella / "diretto.xls"));
}

TEST_F(Esporta, TitoliDelloSchemaInWindows1252) {
    // Scheme names are Windows-1252 bytes: "°C" and "€" arrive as Unicode.
    corsa(20, "Temp..", "1", {{21}});
    stato.titoliesportazione[2] =
        "\xB0"
        "C";
    stato.titoliesportazione[3] = "\x80";
    const std::string file = cartella / "gradi.xls";
    dialoghi.risposte.push_back(file);
    ASSERT_EQ(esportafoglio("", 3), Esportazione::salvata);
    if (!prove::pythonconxlrd())
        return prove::manca("python3-xlrd is not installed: file not read back");
    auto celle = letto(file, "temperature");
    EXPECT_EQ(celle.at({0, 2}), testo("\xC2\xB0"
                                      "C"));
    EXPECT_EQ(celle.at({0, 3}), testo("\xE2\x82\xAC"));
}

TEST_F(Esporta, UnaColonnaSenzaLetteraFermaLEsportazione) {
    // More columns than letters: the range is refused, the error shown, no dialog.
    corsa(3, "dist..", "1", {{12}});
    EXPECT_EQ(esportafoglio("", 26), Esportazione::fallita);
    ASSERT_EQ(dialoghi.errori.size(), 1u);
    EXPECT_NE(dialoghi.errori[0].find("?2"), std::string::npos) << dialoghi.errori[0];
    EXPECT_TRUE(dialoghi.domande.empty());
}

TEST(NomeCella, LetteraERiga) {
    EXPECT_EQ(nomecella(1, 1), "A1");
    EXPECT_EQ(nomecella(4, 3), "C4");
    EXPECT_EQ(nomecella(1001, 14), "N1001");
    EXPECT_EQ(nomecella(7, 26), "Z7");
    EXPECT_EQ(nomecella(1, 27), "?1");
    EXPECT_EQ(nomecella(1, 0), "?1");
}

}  // namespace
}  // namespace lumetto::acquisition
