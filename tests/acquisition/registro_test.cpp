// Runs kept in the archive as the tick stores their readings: the run's facts
// with its first reading, each reading as stored, nothing for a run that
// stored none.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>

#include "acquisition/banco.h"
#include "acquisition/registrocorse.h"
#include "link/letture.h"

using namespace lumetto;
using namespace lumetto::acquisition;

namespace {

class Registro : public prove::Acquisizione {
  protected:
    Registro()
        : file(std::filesystem::path(std::getenv("HOME")) /
               (std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) +
                ".sqlite")),
          registro(file) {
        aggiungiascoltatore(&registro);
    }
    ~Registro() override { togliascoltatore(&registro); }
    std::filesystem::path file;
    RegistroCorse registro;
};

}  // namespace

TEST_F(Registro, EveryStoredReadingIsKeptWithItsRunsFacts) {
    premi("BitBtn4");  // sonar: started, then left before its first reading
    premi("Button2");  // PI regulation: eight columns
    for (int i = 0; i < 3; ++i)
        eseguilettura();
    ASSERT_NE(registro.archivio(), nullptr);
    archivio::Archivio& a = *registro.archivio();
    auto corse = a.elenco();
    ASSERT_EQ(corse.size(), 1u);
    const archivio::Corsa& c = corse[0];
    EXPECT_EQ(c.esperimento, "Regolazione PI");
    EXPECT_EQ(c.codice, stato.codiceesperimento);
    EXPECT_EQ(c.testata, schemes::schemacorrente().testata);
    EXPECT_EQ(c.mascheratipo, schemes::schemacorrente().mascheratipo);
    EXPECT_EQ(c.intervallo, 2);
    EXPECT_EQ(c.porta, "COM13");
    EXPECT_EQ(c.sketch, "Tutti");
    EXPECT_FALSE(c.versione.empty());
    EXPECT_EQ(c.banco, nomebanco());
    EXPECT_EQ(c.inizio.size(), 24u) << c.inizio;  // 2026-12-09T10:15:02.123Z
    EXPECT_EQ(c.letture, 3);
    auto letture = a.letture(c.id);
    ASSERT_EQ(letture.size(), 3u);
    for (int r = 1; r <= 3; ++r) {
        const archivio::Lettura& l = letture[size_t(r - 1)];
        EXPECT_EQ(l.numero, r);
        for (int j = 1; j <= 8; ++j)
            EXPECT_EQ(l.valori[size_t(j - 1)], link::tabellaletture[size_t(r)][size_t(j)]);
        for (int j = 9; j <= archivio::kColonne; ++j)
            EXPECT_TRUE(std::isnan(l.valori[size_t(j - 1)]));
        if (r > 1) {
            EXPECT_GE(l.ms, letture[size_t(r - 2)].ms);
        }
    }

    premi("BitBtn4");  // a second run: its own row, listed first
    eseguilettura();
    muta = true;  // a reading that did not come is not a reading
    eseguilettura();
    corse = a.elenco();
    ASSERT_EQ(corse.size(), 2u);
    EXPECT_EQ(corse[0].letture, 1);
    EXPECT_EQ(corse[0].testata, "dist..");
    EXPECT_TRUE(box.avvisi.empty());
}

TEST_F(Registro, ARunDeletedWhileItRunsIsNotWrittenOn) {
    premi("BitBtn4");
    eseguilettura();
    ASSERT_NE(registro.archivio(), nullptr);
    archivio::Archivio(file).elimina(registro.corsa());  // from the runs' window
    eseguilettura();
    EXPECT_EQ(link::numerolettura, 2);
    EXPECT_TRUE(registro.archivio()->elenco().empty());
    EXPECT_TRUE(box.avvisi.empty()) << box.avvisi.front();
}
