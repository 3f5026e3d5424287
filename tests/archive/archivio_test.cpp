// The archive file on its own: what is written is read back whole, lists are
// newest first and narrowed as asked, a damaged file is moved aside, a newer
// schema is left alone, and a run's CSV reads back to the same numbers.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <sstream>

#include "archive/archivio.h"
#include "archive/csv.h"
#include "support/cartella.h"

namespace fs = std::filesystem;
using namespace lumetto::archivio;

namespace {

Corsa fatti(const std::string& esperimento, const std::string& inizio) {
    Corsa c;
    c.codice = 7;
    c.esperimento = esperimento;
    c.testata = "temp..tempo.";
    c.mascheratipo = "13";
    c.mascheracolori = "00";
    c.mascheradimensioni = "11";
    c.fileschema = "c:\\lavoro\\arduino\\serbatoio.sca";
    c.intervallo = 2;
    c.inizio = inizio;
    c.fuso = "+01:00";
    c.porta = "COM13";
    c.sketch = "Termostato";
    c.versione = "0.2.0";
    c.banco = "banco03";
    return c;
}

Lettura lettura(int n, double a, double b) {
    Lettura l;
    l.numero = n;
    l.ms = n * 2000;
    l.valori.fill(std::numeric_limits<double>::quiet_NaN());
    l.valori[0] = a;
    l.valori[1] = b;
    return l;
}

// The first schema, as the first release made it.
constexpr const char* kSchema1 = R"(
    PRAGMA journal_mode = WAL;
    CREATE TABLE corsa (id INTEGER PRIMARY KEY, codice INTEGER NOT NULL,
      esperimento TEXT NOT NULL, testata TEXT NOT NULL, mascheratipo TEXT NOT NULL,
      mascheracolori TEXT NOT NULL, mascheradimensioni TEXT NOT NULL,
      fileschema TEXT NOT NULL, intervallo INTEGER NOT NULL, inizio TEXT NOT NULL,
      fuso TEXT NOT NULL, porta TEXT NOT NULL, sketch TEXT NOT NULL,
      versione TEXT NOT NULL, banco TEXT NOT NULL, titolo TEXT NOT NULL DEFAULT '',
      nota TEXT NOT NULL DEFAULT '');
    CREATE TABLE lettura (corsa INTEGER NOT NULL REFERENCES corsa(id) ON DELETE CASCADE,
      numero INTEGER NOT NULL, ms INTEGER NOT NULL, v1 REAL, v2 REAL, v3 REAL, v4 REAL,
      v5 REAL, v6 REAL, v7 REAL, v8 REAL, v9 REAL, v10 REAL, v11 REAL, v12 REAL,
      v13 REAL, PRIMARY KEY (corsa, numero)) WITHOUT ROWID;
    CREATE INDEX corsa_inizio ON corsa(inizio);
    PRAGMA user_version = 1;)";

// What the second schema added.
constexpr const char* kSchema2 = R"(
    ALTER TABLE corsa ADD COLUMN pubblicata INTEGER NOT NULL DEFAULT 0;
    ALTER TABLE lettura ADD COLUMN pubblicata INTEGER NOT NULL DEFAULT 0;
    CREATE INDEX lettura_dapubblicare ON lettura(corsa, numero) WHERE pubblicata = 0;
    PRAGMA user_version = 2;)";

int64_t versionedi(const fs::path& file) {
    sqlite3* db = nullptr;
    sqlite3_open(file.c_str(), &db);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "PRAGMA user_version", -1, &st, nullptr);
    int64_t v = sqlite3_step(st) == SQLITE_ROW ? sqlite3_column_int64(st, 0) : -1;
    sqlite3_finalize(st);
    sqlite3_close(db);
    return v;
}

}  // namespace

TEST(Archivio, WhatIsWrittenIsReadBackAndListedNewestFirst) {
    lumetto::prove::CartellaProva cartella;
    fs::path file = cartella.percorso() / "sotto" / "lumetto.sqlite";  // its folder made too
    Archivio a(file);
    EXPECT_FALSE(a.spostato());
    EXPECT_EQ(versionedi(file), kVersione);
    Corsa vecchia = fatti("termostato", "2026-11-30T23:30:00.000Z");  // 1 December in Rome
    // Texts go in as data, whatever they hold.
    vecchia.titolo = "'); DROP TABLE corsa; -- Città, ÉCOLE";
    vecchia.nota = "riga 1\nriga «2», 25 °C";
    vecchia.colonne = {{"temp", "°C", 1}, {"luce esterna", "%"}, {"fase, \"B\"", "", 0}};
    vecchia.fileesperimento = "/home/prof/.local/share/lumetto/esperimenti/serra.toml";
    int64_t v = a.nuovacorsa(vecchia);
    int64_t n = a.nuovacorsa(fatti("livello serbatoio", "2026-12-09T10:15:02.123Z"));
    a.aggiungi(v, lettura(1, 21.5, 2.0));
    a.aggiungi(v, lettura(2, 22.25, 4.0));
    a.aggiungi(v, lettura(2, 22.5, 4.0));  // sent again: replaces, never doubles
    a.aggiungi(n, lettura(1, -3e-7, 1e300));

    auto tutte = a.elenco();
    ASSERT_EQ(tutte.size(), 2u);
    EXPECT_EQ(tutte[0].id, n);
    EXPECT_EQ(tutte[1].id, v);
    Corsa atteso = vecchia;
    atteso.id = v;
    atteso.letture = 2;
    EXPECT_EQ(tutte[1].titolo, atteso.titolo);
    EXPECT_EQ(tutte[1].nota, atteso.nota);
    EXPECT_EQ(tutte[1].fileschema, atteso.fileschema);
    EXPECT_EQ(tutte[1].letture, 2);
    EXPECT_EQ(tutte[1].colonne, atteso.colonne);
    EXPECT_EQ(tutte[1].fileesperimento, atteso.fileesperimento);
    // A run written without columns takes its header's.
    EXPECT_EQ(tutte[0].colonne, (std::vector<ColonnaCorsa>{{"temp"}, {"tempo"}}));
    auto letture = a.letture(v);
    ASSERT_EQ(letture.size(), 2u);
    EXPECT_EQ(letture[1].valori[0], 22.5);
    EXPECT_EQ(letture[1].ms, 4000);
    EXPECT_TRUE(std::isnan(letture[1].valori[2]));
    EXPECT_EQ(a.letture(n)[0].valori[1], 1e300);

    struct Riga {
        Filtro filtro;
        std::vector<int64_t> trovate;
    } righe[] = {
        {{"TERMO", "", ""}, {v}},                               // any case
        {{"drop table", "", ""}, {v}},                          // the title counts too
        {{"CITTÀ", "", ""}, {v}},                               // any case of any letter
        {{"école", "", ""}, {v}},         {{"%", "", ""}, {}},  // no pattern characters
        {{"", "2026-12-01", ""}, {v, n}},                       // the local date, not UTC's
        {{"", "", "2026-11-30"}, {}},     {{"", "2026-12-02", "2026-12-09"}, {n}},
    };
    for (const Riga& r : righe) {
        std::vector<int64_t> id;
        for (const Corsa& c : a.elenco(r.filtro))
            id.push_back(c.id);
        if (r.trovate.size() == 2)
            EXPECT_THAT(id, ::testing::UnorderedElementsAreArray(r.trovate)) << r.filtro.testo;
        else
            EXPECT_EQ(id, r.trovate) << r.filtro.testo << r.filtro.dal << r.filtro.al;
    }

    a.intitola(n, "Serbatoio, gruppo 2", "");
    EXPECT_EQ(a.corsa(n)->titolo, "Serbatoio, gruppo 2");
    a.elimina(v);
    EXPECT_FALSE(a.corsa(v));
    EXPECT_TRUE(a.letture(v).empty());  // its readings went with it
    EXPECT_EQ(a.elenco().size(), 1u);
}

// What is found at the archive's path and is not a Lumetto archive of this
// version: kept byte for byte, aside or in place, never changed.
TEST(Archivio, WhatIsNotOursIsMovedAsideAndANewerOneOnlyRead) {
    lumetto::prove::CartellaProva cartella;
    const fs::path d = cartella.percorso();
    auto sql = [](const fs::path& file, const char* testo) {
        sqlite3* db = nullptr;
        sqlite3_open(file.c_str(), &db);
        EXPECT_EQ(sqlite3_exec(db, testo, nullptr, nullptr, nullptr), SQLITE_OK) << testo;
        sqlite3_close(db);
    };
    auto bytes = [](const fs::path& f) {
        std::ifstream i(f, std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(i)), {});
    };
    struct Caso {
        const char* nome;
        const char* sql;       // the file made by another program; none: 8 KiB of junk
        const char* spostato;  // how the file moved aside is named; none: kept in place
    } casi[] = {
        {"junk", nullptr, "danneggiato"},
        {"another program's", "CREATE TABLE misure (t REAL); INSERT INTO misure VALUES (1.5);",
         "estraneo"},
        {"another program's with a table corsa", "CREATE TABLE corsa (x);", "estraneo"},
        {"a newer Lumetto's",
         "PRAGMA journal_mode = DELETE; ALTER TABLE corsa ADD COLUMN futuro; "
         "PRAGMA user_version = 99;",
         nullptr},
    };
    for (const Caso& c : casi) {
        SCOPED_TRACE(c.nome);
        const fs::path file = d / c.nome / "lumetto.sqlite";
        fs::create_directories(file.parent_path());
        if (!c.spostato)  // this version's archive, then a newer one's changes
            Archivio(file).nuovacorsa(fatti("termostato", "2026-12-09T10:00:00.000Z"));
        if (c.sql)
            sql(file, c.sql);
        else
            std::ofstream(file) << std::string(8192, 'x');
        const std::string prima = bytes(file);
        Archivio a(file);
        if (c.spostato) {
            ASSERT_TRUE(a.spostato());
            EXPECT_THAT(a.spostato()->filename().string(),
                        ::testing::MatchesRegex(std::string("lumetto\\.sqlite\\.") + c.spostato +
                                                "-[0-9]{8}-[0-9]{6}"));
            EXPECT_EQ(bytes(*a.spostato()), prima);  // for whoever wants it
            EXPECT_EQ(a.solalettura(), "");
            EXPECT_EQ(a.nuovacorsa(fatti("sonar", "2026-12-09T10:00:00.000Z")), 1);
        } else {
            EXPECT_FALSE(a.spostato());
            EXPECT_THAT(a.solalettura(), ::testing::HasSubstr("più recente (schema 99)"));
            ASSERT_EQ(a.elenco().size(), 1u);  // browsed all the same
            try {
                a.nuovacorsa(fatti("sonar", "2026-12-09T10:00:00.000Z"));
                ADD_FAILURE() << "a newer archive was written";
            } catch (const ErroreArchivio& e) {
                EXPECT_THAT(e.what(), ::testing::HasSubstr("più recente"));
            }
            EXPECT_EQ(bytes(file), prima);  // not even its journal mode
            EXPECT_FALSE(fs::exists(file.string() + "-wal"));
        }
    }
}

TEST(Archivio, TheCsvOfARunReadsBackToTheSameNumbers) {
    std::vector<Lettura> letture = {lettura(1, 21.5, 0.1), lettura(2, -1e-9, 1.0 / 3)};
    letture[1].valori[1] = std::numeric_limits<double>::quiet_NaN();
    letture[1].ms = 4123;
    std::string t = testocsv({{1, "temp"}, {2, "fase, \"B\""}}, letture);
    EXPECT_EQ(t,
              "lettura,secondi,temp,\"fase, \"\"B\"\"\"\r\n"
              "1,2,21.5,0.1\r\n"
              "2,4.123,-1e-09,\r\n");
    EXPECT_EQ(campocsv("a\nb"), "\"a\nb\"");
    // A name with its unit, quoted as one field when either needs it.
    EXPECT_EQ(testocsv({{1, "temp", "°C"}, {2, "luce, esterna", "%"}, {3, "x", "\"u\""}}, {}),
              "lettura,secondi,temp [°C],\"luce, esterna [%]\",\"x [\"\"u\"\"]\"\r\n");
}

TEST(Archivio, TheUsersFileFollowsXdg) {
    const char* home = std::getenv("HOME");
    setenv("XDG_DATA_HOME", "/srv/dati", 1);
    EXPECT_EQ(filepredefinito(), fs::path("/srv/dati/lumetto/lumetto.sqlite"));
    setenv("XDG_DATA_HOME", "relativa", 1);  // ignored, as the rule says
    EXPECT_EQ(filepredefinito(), fs::path(home) / ".local/share/lumetto/lumetto.sqlite");
    unsetenv("XDG_DATA_HOME");
}

// A file of the first schema, as the first release wrote it, is brought up to
// date with its runs and readings, which count as not yet sent to the class;
// what the broker acknowledges is marked one by one, and a reading stored
// again counts as not sent.
TEST(Archivio, AFirstSchemaFileIsMigratedAndWhatWasSentIsKept) {
    lumetto::prove::CartellaProva cartella;
    const fs::path file = cartella.percorso() / "lumetto.sqlite";
    {
        sqlite3* db = nullptr;
        sqlite3_open(file.c_str(), &db);
        ASSERT_EQ(sqlite3_exec(db, kSchema1, nullptr, nullptr, nullptr), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(db, R"(
            INSERT INTO corsa VALUES (1, 3, 'Sonar', 'dist..', '1', '0', '1', '', 2,
              '2026-12-01T09:00:00.000Z', '+01:00', 'COM13', 'Sonar', '0.2.0', 'banco03', '', '');
            INSERT INTO lettura (corsa, numero, ms, v1) VALUES (1, 1, 2000, 12.5), (1, 2, 4000, 13);)",
                               nullptr, nullptr, nullptr),
                  SQLITE_OK);
        sqlite3_close(db);
    }
    Archivio a(file);
    EXPECT_EQ(versionedi(file), kVersione);
    ASSERT_EQ(a.letture(1).size(), 2u);
    EXPECT_EQ(a.letture(1)[1].valori[0], 13);
    const int64_t nuova = a.nuovacorsa(fatti("termostato", "2026-12-09T10:00:00.000Z"));
    a.aggiungi(nuova, lettura(1, 20, 1));

    auto numeri = [&] {
        std::vector<std::pair<int64_t, int>> n;
        for (const auto& d : a.letturedapubblicare(10))
            n.push_back({d.corsa, d.lettura.numero});
        return n;
    };
    using Coppie = std::vector<std::pair<int64_t, int>>;
    EXPECT_EQ(a.corsedapubblicare().size(), 2u);
    EXPECT_EQ(numeri(), (Coppie{{1, 1}, {1, 2}, {nuova, 1}}));  // oldest run first, in order
    EXPECT_EQ(a.letturedapubblicare(1).size(), 1u);
    a.corsapubblicata(1);
    a.letturapubblicata(1, 1);
    EXPECT_EQ(a.corsedapubblicare().front().id, nuova);
    EXPECT_EQ(numeri(), (Coppie{{1, 2}, {nuova, 1}}));
    a.aggiungi(1, lettura(1, 12.5, 0));  // stored again: sent again
    EXPECT_EQ(numeri(), (Coppie{{1, 1}, {1, 2}, {nuova, 1}}));

    // A free run that named a column: its facts go to the class again.
    a.corsapubblicata(nuova);
    const std::vector<ColonnaCorsa> tre = {{"temp", "°C", 1}, {"tempo"}, {"luce", "%"}};
    a.sostituiscicolonne(nuova, tre);
    EXPECT_EQ(a.corsa(nuova)->colonne, tre);
    ASSERT_EQ(a.corsedapubblicare().size(), 1u);
    EXPECT_EQ(a.corsedapubblicare().front().colonne, tre);
    a.elimina(nuova);
    try {
        a.sostituiscicolonne(nuova, tre);
        FAIL() << "columns written for a deleted run";
    } catch (const ErroreArchivio& e) {
        EXPECT_EQ(e.tipo(), ErroreArchivio::Tipo::Eliminata);
    }
}

// Runs kept before columns were, by the first or the second schema, read
// back with their header's whole names, as the plot named them.
TEST(Archivio, OldRunsReadBackNamedByTheirHeader) {
    struct Riga {
        std::string testata;
        std::vector<std::string> nomi;
    } righe[] = {
        {"temp..tempo.", {"temp", "tempo"}},
        {"Umid1.Umid2.PioggiLiv...Pompa.", {"Umid1", "Umid2", "Pioggi", "Liv", "Pompa"}},
        {"temp....umid..Set...Stato.", {"temp", "umid", "Set", "Stato"}},  // the tail's name
        {"umidità.umid.à", {"umidit", "àumid"}},  // six characters, not bytes, a field
        {"temp....temp", {"temp", "temp (2)"}},
        {"......dist..", {"C1", "dist"}},
        {"temp", {}},
        {"", {}},
    };
    for (const char* schema : {"", kSchema2}) {
        lumetto::prove::CartellaProva cartella;
        const fs::path file = cartella.percorso() / "lumetto.sqlite";
        sqlite3* db = nullptr;
        sqlite3_open(file.c_str(), &db);
        ASSERT_EQ(sqlite3_exec(db, kSchema1, nullptr, nullptr, nullptr), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(db, schema, nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(db,
                           "INSERT INTO corsa (codice, esperimento, testata, mascheratipo, "
                           "mascheracolori, mascheradimensioni, fileschema, intervallo, inizio, "
                           "fuso, porta, sketch, versione, banco) "
                           "VALUES (0, 'Utente', ?1, '', '', '', '', 2, "
                           "'2026-12-01T09:00:00.000Z', '+01:00', 'COM13', '', '', 'b')",
                           -1, &st, nullptr);
        for (const Riga& r : righe) {
            sqlite3_bind_text(st, 1, r.testata.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_step(st);
            sqlite3_reset(st);
        }
        sqlite3_finalize(st);
        sqlite3_close(db);

        Archivio a(file);
        EXPECT_EQ(versionedi(file), kVersione);
        for (std::size_t k = 0; k < std::size(righe); ++k) {
            const auto c = a.corsa(static_cast<int64_t>(k + 1));
            ASSERT_TRUE(c);
            std::vector<std::string> nomi;
            for (const ColonnaCorsa& col : c->colonne) {
                EXPECT_EQ(col.unita, "");
                EXPECT_EQ(col.decimali, -1);
                nomi.push_back(col.nome);
            }
            EXPECT_EQ(nomi, righe[k].nomi) << righe[k].testata;
            EXPECT_EQ(c->fileesperimento, "");
        }
        // Written into the file, for other SQLite tools too.
        std::size_t nomi = 0;
        for (const Riga& r : righe)
            nomi += r.nomi.size();
        sqlite3_open(file.c_str(), &db);
        sqlite3_prepare_v2(db, "SELECT count(*) FROM colonna", -1, &st, nullptr);
        EXPECT_EQ(sqlite3_step(st), SQLITE_ROW);
        EXPECT_EQ(static_cast<std::size_t>(sqlite3_column_int64(st, 0)), nomi);
        sqlite3_finalize(st);
        sqlite3_close(db);
    }
}
