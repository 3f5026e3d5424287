// The written files as other programs read them: xlrd (cells, types, sheet
// name, the compound file's streams), Gnumeric's ssconvert and LibreOffice.
#include <gtest/gtest.h>

#include <fstream>
#include <random>

#include "acquisition/acquisizione.h"
#include "acquisition/esportazione.h"
#include "acquisition/foglio.h"
#include "lettori.h"
#include "link/letture.h"
#include "schemes/numeri.h"
#include "schemes/schema.h"
#include "support/cartella.h"
#include "support/dialoghi.h"
#include "support/manca.h"
#include "xls/biff8.h"
#include "xls/composto.h"

namespace lumetto {
namespace {

using prove::CartellaProva;

#define RICHIEDE_XLRD()          \
    if (!prove::pythonconxlrd()) \
    return prove::manca("python3-xlrd is not installed (the test set-up installs it)")

// A Sonar export of three readings, by the command's own path.
std::string sonar(const CartellaProva& c) {
    acquisition::azzeraacquisizione();
    schemes::azzeraschema();
    acquisition::avviaesperimento(3, "dist..", "1");
    const double valori[] = {12, 15.4, 20};
    for (double v : valori) {
        link::tabellaletture[static_cast<std::size_t>(++link::numerolettura)][1] = v;
        acquisition::mostralettura();
        ++acquisition::stato.letturemostrate;
    }
    prove::DialoghiScritti dialoghi;
    dialoghi.risposte.push_back(c / "sonar.xls");
    EXPECT_EQ(acquisition::esportafoglio("", 2), acquisition::Esportazione::salvata);
    return c / "sonar.xls";
}

// A workbook of the given cells saved through the object; the cells it holds.
xls::Celle salva(const std::string& file, const acquisition::Blocco& b,
                 const std::string& nome = "dati") {
    auto app = acquisition::creaoggetto("Excel.Application");
    app->Workbooks().Add(acquisition::xlWBATWorksheet);
    auto foglio = app->Workbooks(1).WorkSheets(1);
    foglio.Name(nome);
    auto fine = xls::Posizione{static_cast<uint32_t>(b.righe() - 1),
                               static_cast<uint32_t>(b.colonne() - 1)};
    std::string angolo;
    for (uint32_t c = fine.colonna + 1; c > 0; c = (c - 1) / 26)
        angolo.insert(angolo.begin(), static_cast<char>('A' + (c - 1) % 26));
    foglio.Range("A1", angolo + std::to_string(fine.riga + 1)).Value(b);
    app->Workbooks(1).SaveAs(file);
    xls::Celle celle;
    for (std::size_t r = 0; r < b.righe(); ++r)
        for (std::size_t c = 0; c < b.colonne(); ++c)
            if (auto v = foglio.Cells(static_cast<int32_t>(r + 1), static_cast<int32_t>(c + 1)))
                celle[{static_cast<uint32_t>(r), static_cast<uint32_t>(c)}] = *v;
    return celle;
}

void controlla(const prove::LetturaXlrd& l, const std::string& foglio, const xls::Celle& celle) {
    EXPECT_EQ(l.errore, "");
    EXPECT_TRUE(l.avvisi.empty()) << l.avvisi.front();
    EXPECT_EQ(l.fogli, std::vector<std::string>{foglio});
    EXPECT_EQ(l.celle.size(), celle.size());
    EXPECT_TRUE(l.celle == celle);  // not printed: thousands of cells
}

TEST(Gnumeric, SonarInCsv) {
    if (!prove::ssconvertpresente())
        return prove::manca("ssconvert (gnumeric) is not installed (the test set-up installs it)");
    CartellaProva c;
    // Gnumeric writes the used columns, from B: the reading numbers and the values.
    EXPECT_EQ(prove::csvconssconvert(sonar(c)), ",dis\n1,12\n2,15\n3,20\n");
}

TEST(LibreOffice, SonarInCsv) {
    if (!prove::libreofficepresente())
        return prove::manca("LibreOffice is not installed (the test set-up installs it)");
    CartellaProva c;
    EXPECT_EQ(prove::csvconlibreoffice(sonar(c), c.percorso().string()),
              ",,dis\n,1,12\n,2,15\n,3,20\n");
}

// From no reading to the thousandth, twelve columns: every file intact.
TEST(Dimensioni, DaZeroAMilleLettureDiDodiciColonne) {
    RICHIEDE_XLRD();
    CartellaProva c;
    const std::string testata =
        "A0....A1....A2....A3....A4....A5....A6....A7....A8....A9....B0....B1....";
    std::vector<std::string> file;
    std::vector<xls::Celle> attese;
    std::mt19937 caso(7);
    std::uniform_real_distribution<double> valore(-999, 9999);
    for (int n : {0, 1, 2, 9, 31, 32, 33, 100, 249, 250, 251, 500, 777, 999, 1000}) {
        acquisition::azzeraacquisizione();
        schemes::azzeraschema();
        acquisition::avviaesperimento(4, testata, "111111111111");
        ASSERT_EQ(acquisition::stato.numerocolonne, 12);
        xls::Celle celle;
        for (int r = 1; r <= n; ++r) {
            link::numerolettura = r;
            celle[{static_cast<uint32_t>(r), 1}] = static_cast<double>(r);
            for (std::size_t k = 1; k <= 12; ++k) {
                double v = valore(caso);
                link::tabellaletture[static_cast<std::size_t>(r)][k] = v;
                // As the value text reads: rounded to three decimals.
                celle[{static_cast<uint32_t>(r), static_cast<uint32_t>(k + 1)}] =
                    *schemes::leggireale(schemes::scrivireale(v, 3, 7));
            }
            acquisition::mostralettura();
        }
        acquisition::stato.letturemostrate = static_cast<uint16_t>(n);
        if (n > 0)
            for (uint32_t k = 0; k < 12; ++k)
                celle[{0, k + 2}] = acquisition::utf16(testata.substr(6 * k, 2) + " ");
        prove::DialoghiScritti dialoghi;
        file.push_back(c / ("letture" + std::to_string(n) + ".xls"));
        dialoghi.risposte.push_back(file.back());
        ASSERT_EQ(acquisition::esportafoglio("", 13), acquisition::Esportazione::salvata);
        attese.push_back(std::move(celle));
    }
    auto letture = prove::leggiconxlrd(file);
    for (std::size_t i = 0; i < file.size(); ++i) {
        SCOPED_TRACE(file[i]);
        controlla(letture.at(file[i]), "sei ingressi analogici", attese[i]);
    }
}

// The shared string table past one record: long texts, many texts, texts in
// one byte and in two per character, split at every kind of place.
TEST(TabellaTesti, OltreUnRecordConContinue) {
    RICHIEDE_XLRD();
    CartellaProva c;
    std::vector<std::string> file;
    std::vector<xls::Celle> attese;
    {
        // Lengths 1 to 400, each in Latin-1 and with a euro sign (two bytes a
        // character): the record boundaries fall inside texts and between them.
        acquisition::Blocco b(400, 3);
        for (std::size_t i = 0; i < 400; ++i) {
            b(i, 0) = std::string(i + 1, static_cast<char>('a' + i % 26));
            b(i, 1) = "\xE2\x82\xAC" + std::string(i, 'x');
            b(i, 2) = "\xC3\xA8" + std::to_string(i);  // è: one byte in the file
        }
        file.push_back(c / "molti.xls");
        attese.push_back(salva(file.back(), b));
    }
    {
        // The longest texts a cell holds, one per encoding, and the same text twice.
        acquisition::Blocco b(3, 1);
        std::string lungo;
        for (std::size_t i = 0; i < xls::kMaxCaratteri; ++i)
            lungo += static_cast<char>('0' + i % 10);
        b(0, 0) = lungo;
        std::string largo;
        for (std::size_t i = 0; i < xls::kMaxCaratteri; ++i)
            largo += i % 2 ? "\xE2\x82\xAC" : "a";
        b(1, 0) = largo;
        b(2, 0) = lungo;
        file.push_back(c / "lunghi.xls");
        attese.push_back(salva(file.back(), b, "testi lunghi"));
    }
    auto letture = prove::leggiconxlrd(file);
    controlla(letture.at(file[0]), "dati", attese[0]);
    controlla(letture.at(file[1]), "testi lunghi", attese[1]);

    if (prove::ssconvertpresente()) {
        auto csv = prove::csvconssconvert(file[0]);
        ASSERT_TRUE(csv);
        EXPECT_EQ(csv->substr(0, csv->find('\n', csv->find('\n') + 1) + 1),
                  "a,\xE2\x82\xAC,\xC3\xA8"
                  "0\nbb,\xE2\x82\xAC"
                  "x,\xC3\xA8"
                  "1\n");
        EXPECT_NE(csv->find("\xC3\xA8"
                            "399\n"),
                  std::string::npos);
    }
}

// The compound file around its boundaries: the mini stream cut-off, one more
// FAT sector, the first DIFAT sectors.
TEST(FileComposto, FlussiDiOgniDimensione) {
    RICHIEDE_XLRD();
    CartellaProva c;
    std::vector<std::pair<std::string, std::string>> coppie;
    std::mt19937 caso(11);
    for (std::size_t dimensione :
         {std::size_t{0}, std::size_t{1}, std::size_t{4095}, std::size_t{4096}, std::size_t{4097},
          std::size_t{126 * 512}, std::size_t{126 * 512 + 1}, std::size_t{127 * 512 + 1},
          std::size_t{13842 * 512}, std::size_t{13842 * 512 + 1}, std::size_t{13960 * 512},
          std::size_t{30100 * 512}}) {
        std::string flusso(dimensione, '\0');
        for (auto& b : flusso)
            b = static_cast<char>(caso());
        const std::string nome = c / ("flusso" + std::to_string(dimensione));
        std::ofstream(nome + ".bin", std::ios::binary) << flusso;
        std::ofstream(nome + ".xls", std::ios::binary) << xls::filecomposto(flusso);
        coppie.emplace_back(nome + ".xls", nome + ".bin");
    }
    auto esiti = prove::confrontaflussi(coppie);
    for (const auto& [file, atteso] : coppie)
        EXPECT_EQ(esiti[file], "OK") << file;
}

}  // namespace
}  // namespace lumetto
