// The .sca file: reading, writing, and what a failure leaves behind.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/resource.h>

#include <algorithm>
#include <cerrno>
#include <clocale>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

#include "schemes/sca.h"
#include "support/manca.h"

using namespace lumetto::schemes;
namespace fs = std::filesystem;

namespace {

std::string leggi(const fs::path& p) {
    std::ifstream f(p, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

void scrivi(const fs::path& p, const std::string& dati) {
    std::ofstream(p, std::ios::binary) << dati;
}

// Lines of a file, joined with the given end.
std::string file(const std::vector<std::string>& righe, const char* fine = "\r\n") {
    std::string r;
    for (const auto& l : righe)
        r += l + fine;
    return r;
}

std::string motivo(int errore) {
    return std::generic_category().message(errore);
}

class Sca : public testing::Test {
  protected:
    void SetUp() override {
        azzeraschema();
        std::string d = (fs::temp_directory_path() / "lumetto-sca-XXXXXX").string();
        ASSERT_TRUE(mkdtemp(d.data()));
        dir = d;
    }
    void TearDown() override {
        azzeraschema();
        fs::remove_all(dir);
    }
    // Everything in the folder but the named files: leftovers of a save.
    std::vector<std::string> altri(std::initializer_list<std::string> attesi) {
        std::vector<std::string> r;
        for (auto& e : fs::directory_iterator(dir)) {
            auto n = e.path().filename().string();
            if (std::find(attesi.begin(), attesi.end(), n) == attesi.end()) r.push_back(n);
        }
        return r;
    }
    static void riempi(Schema& s) {
        s.testata =
            "temp\xB0"
            "Cumid..perch\xE8";  // 18 characters of one byte each
        s.mascheratipo = "123";
        s.mascheracolori = "012";
        s.mascheradimensioni = "210";
        s.immagine = "c:\\lavoro\\arduino\\solare.jpg";
        for (int i = 1; i <= 12; ++i) {
            s.posx(i) = static_cast<std::uint16_t>(i * 1000 + 5);
            s.posy(i) = static_cast<std::uint16_t>(65535 - i);
        }
        s.posx(1) = 120;
        s.posy(1) = 45;
    }
    fs::path dir;
};

}  // namespace

TEST_F(Sca, SavedFileReadsBackWithConditionsCutToTen) {
    Schema& s = schemacorrente();
    riempi(s);
    const Schema salvato = s;
    std::vector<std::string> condizioni = {"1>25", "2=on", "", "3<12345678901"};
    salvaschema((dir / "a.sca").string(), condizioni);

    const std::string dati = leggi(dir / "a.sca");
    EXPECT_EQ(dati.substr(0, 20),
              "temp\xB0"
              "Cumid..perch\xE8\r\n");
    std::vector<std::string> righe;
    std::size_t inizio = 0, p;
    while ((p = dati.find("\r\n", inizio)) != std::string::npos)
        righe.push_back(dati.substr(inizio, p - inizio)), inizio = p + 2;
    EXPECT_EQ(inizio, dati.size());  // every line ends in CR LF
    ASSERT_EQ(righe.size(), 39u);
    EXPECT_EQ(righe[7], "3<12345678901");  // written whole
    EXPECT_EQ(righe[13], "");
    EXPECT_EQ(righe[15], "   120");
    EXPECT_EQ(righe[16], "    45");
    EXPECT_EQ(righe[38], " 65523");

    azzeraschema();
    caricaschema((dir / "a.sca").string());
    EXPECT_EQ(s.testata, salvato.testata);
    EXPECT_EQ(s.mascheratipo, salvato.mascheratipo);
    EXPECT_EQ(s.mascheracolori, salvato.mascheracolori);
    EXPECT_EQ(s.mascheradimensioni, salvato.mascheradimensioni);
    EXPECT_EQ(s.immagine, salvato.immagine);
    for (int i = 1; i <= 12; ++i) {
        EXPECT_EQ(s.posx(i), salvato.posx(i)) << i;
        EXPECT_EQ(s.posy(i), salvato.posy(i)) << i;
    }
    EXPECT_EQ(s.condizione(1), "1>25");
    EXPECT_EQ(s.condizione(2), "2=on");
    EXPECT_EQ(s.condizione(4), "3<12345678");
    EXPECT_EQ(s.condizione(10), "");
    dividitestata();
    EXPECT_EQ(s.numvariabili, 3);
    EXPECT_EQ(s.nomevariabile(1), "tem");
    EXPECT_EQ(s.nomevariabile(2), "umi");  // the degree sign is one character of field 1
}

TEST_F(Sca, PositionLines) {
    struct Caso {
        const char* riga;
        std::uint16_t valore;
    } casi[] = {
        {"   120", 120},
        {"12.9", 12},
        {"  -0.5", 0},
        {"+7", 7},
        {"", 0},
        {"65535", 65535},
        {"65535.9", 65535},
        {"1e3", 1000},
        // out of range: held to the nearest end
        {"65536", 65535},
        {"-5", 0},
        {"-1", 0},
        {"1e999", 65535},
        {"-1e999", 0},
        // not a number: 0
        {"abc", 0},
        {"12abc", 0},
        {"1,5", 0},
        {"nan", 0},
        {"inf", 0},
    };
    for (const auto& c : casi) {
        std::vector<std::string> righe(39);
        righe[15] = c.riga;
        righe[38] = c.riga;
        Schema s;
        leggisca(s, file(righe), "x.sca");
        EXPECT_EQ(s.posx(1), c.valore) << '"' << c.riga << '"';
        EXPECT_EQ(s.posy(12), c.valore) << '"' << c.riga << '"';
    }
}

TEST_F(Sca, LineEndsAndShortOrLongFiles) {
    std::vector<std::string> righe(39);
    righe[0] = "a.....b.....";
    righe[1] = "12";
    righe[4] = "1>5";
    righe[14] = "img.jpg";
    righe[15] = "   100";
    righe[38] = "    77";
    Schema crlf, lf, senzaFine;
    leggisca(crlf, file(righe), "x");
    leggisca(lf, file(righe, "\n"), "x");
    std::string ultimo = file(righe, "\n");
    ultimo.pop_back();  // no line end after line 39
    leggisca(senzaFine, ultimo, "x");
    EXPECT_EQ(crlf.testata, "a.....b.....");
    EXPECT_EQ(crlf.condizione(1), "1>5");
    EXPECT_EQ(crlf.immagine, "img.jpg");
    EXPECT_EQ(crlf.posx(1), 100);
    EXPECT_EQ(crlf.posy(12), 77);
    EXPECT_EQ(lf, crlf);
    EXPECT_EQ(senzaFine, crlf);

    // lines after 39 are not read
    Schema lungo;
    leggisca(lungo, file(righe) + "999\r\nxyz\r\n", "x");
    EXPECT_EQ(lungo, crlf);

    // a file of 15 lines: every position 0, also where something was before
    Schema corto;
    corto.posx(3) = 50;
    corto.posy(12) = 60;
    corto.posx(13) = 70;
    righe.resize(15);
    leggisca(corto, file(righe), "x");
    EXPECT_EQ(corto.immagine, "img.jpg");
    for (int i = 1; i <= 12; ++i)
        EXPECT_EQ(corto.posx(i) + corto.posy(i), 0) << i;
    EXPECT_EQ(corto.posx(13), 70);  // slots 13-20 are not in the file
}

TEST_F(Sca, HeaderOfMoreThanTwelveFieldsRefusesTheFile) {
    std::vector<std::string> righe(39);
    righe[0] = std::string(77, 'a');  // 12 fields and 5 characters
    Schema s;
    leggisca(s, file(righe), "x");
    EXPECT_EQ(s.testata.size(), 77u);

    riempi(s);
    const Schema prima = s;
    righe[0] = std::string(78, 'a');
    try {
        leggisca(s, file(righe), "c:\\lavoro\\x.sca");
        FAIL() << "accepted";
    } catch (const ErroreFile& e) {
        EXPECT_EQ(std::string(e.what()),
                  "Il file c:\\lavoro\\x.sca non è uno schema valido: la testata supera le 12 "
                  "variabili (78 caratteri, al massimo 77)");
        EXPECT_EQ(e.file(), "c:\\lavoro\\x.sca");
    }
    EXPECT_EQ(s, prima);
}

TEST_F(Sca, TypeMaskIsCutToTwelve) {
    std::vector<std::string> righe(39);
    righe[1] = "1234123412341";
    righe[2] = "0123012301230123";  // the other masks index nothing past their variable
    Schema s;
    leggisca(s, file(righe), "x");
    EXPECT_EQ(s.mascheratipo, "123412341234");
    EXPECT_EQ(s.mascheracolori, "0123012301230123");
}

TEST_F(Sca, LoadingTouchesOnlyTheFileFields) {
    Schema& s = schemacorrente();
    s.testata = "aa....bb....";
    dividitestata();
    s.punto = 2;
    s.posx(20) = 9;
    s.descrizionecondizione = "d";
    scrivi(dir / "b.sca", file({"zz...."}, "\n"));
    caricaschema((dir / "b.sca").string());
    EXPECT_EQ(s.testata, "zz....");
    EXPECT_EQ(s.numvariabili, 2);
    EXPECT_EQ(s.nomevariabile(2), "bb ");
    EXPECT_EQ(s.punto, 2);
    EXPECT_EQ(s.posx(20), 9);
    EXPECT_EQ(s.descrizionecondizione, "d");
}

TEST_F(Sca, FilesThatCannotBeReadLeaveTheSchemeAsItWas) {
    riempi(schemacorrente());
    const Schema prima = schemacorrente();
    fs::create_directory(dir / "cartella.sca");
    std::string grande(2 << 20, 'x');  // no line end in 2 MiB
    grande[100] = '\n';
    scrivi(dir / "grande.sca", grande);
    struct Caso {
        fs::path percorso;
        std::string nome, messaggio;
        int errore;
    } casi[] = {
        {dir / "manca.sca", "c:\\lavoro\\arduino\\climatica.sca",
         "Impossibile aprire il file c:\\lavoro\\arduino\\climatica.sca: " + motivo(ENOENT),
         ENOENT},
        {dir / "cartella.sca", "",
         "Impossibile leggere il file " + (dir / "cartella.sca").string() + ": " + motivo(EISDIR),
         EISDIR},
        {dir / "grande.sca", "g.sca",
         "Impossibile leggere il file g.sca: troppo grande per uno schema", 0},
    };
    for (const auto& c : casi) {
        try {
            caricaschema(c.percorso.string(), c.nome);
            ADD_FAILURE() << c.percorso << " accepted";
        } catch (const ErroreFile& e) {
            EXPECT_EQ(std::string(e.what()), c.messaggio);
            EXPECT_EQ(e.errore(), c.errore);
        }
        EXPECT_EQ(schemacorrente(), prima) << c.percorso;
    }
}

TEST_F(Sca, ConditionLinesComeFromTheCaller) {
    std::vector<std::string> undici;
    for (int k = 1; k <= 11; ++k)
        undici.push_back(std::to_string(k) + ">1");
    const std::string pieno = scrivisca(Schema{}, undici, "x");
    EXPECT_NE(pieno.find("\r\n10>1\r\n\r\n"), std::string::npos);  // line 14, then line 15
    EXPECT_EQ(pieno.find("11>1"), std::string::npos);
    EXPECT_EQ(scrivisca(Schema{}, {}, "x"),
              file({"",       "",       "",       "",       "",       "",       "",       "",
                    "",       "",       "",       "",       "",       "",       "",       "     0",
                    "     0", "     0", "     0", "     0", "     0", "     0", "     0", "     0",
                    "     0", "     0", "     0", "     0", "     0", "     0", "     0", "     0",
                    "     0", "     0", "     0", "     0", "     0", "     0", "     0"}));
}

TEST_F(Sca, ASaveThatFailsKeepsThePreviousFile) {
    const fs::path bersaglio = dir / "c.sca";
    scrivi(bersaglio, "vecchio");
    Schema& s = schemacorrente();
    struct Caso {
        std::string testata, condizione, messaggio;
    } casi[] = {
        {std::string(78, 'a'), "",
         "la testata supera le 12 variabili (78 caratteri, al massimo 77)"},
        {"a.....\r\nb.....", "", "la testata contiene un a capo"},
        {"a.....", "1>2\n3<4", "la condizione 2 contiene un a capo"},
    };
    for (const auto& c : casi) {
        s.testata = c.testata;
        try {
            salvaschema(bersaglio.string(), {"", c.condizione}, "c.sca");
            ADD_FAILURE() << c.messaggio;
        } catch (const ErroreFile& e) {
            EXPECT_EQ(std::string(e.what()), "Impossibile salvare il file c.sca: " + c.messaggio);
        }
        EXPECT_EQ(leggi(bersaglio), "vecchio");
    }
    EXPECT_EQ(altri({"c.sca"}), std::vector<std::string>{});
}

TEST_F(Sca, PlacesThatCannotBeWrittenRaiseTheSystemReason) {
    fs::create_directory(dir / "cartella.sca");
    scrivi(dir / "cartella.sca" / "dentro", "x");
    struct Caso {
        fs::path percorso;
        std::string messaggio;
        int errore;
    } casi[] = {
        {dir / "manca" / "d.sca",
         "Impossibile creare il file " + (dir / "manca" / "d.sca").string() + ": " + motivo(ENOENT),
         ENOENT},
        {dir / "cartella.sca",
         "Impossibile scrivere il file " + (dir / "cartella.sca").string() + ": " + motivo(EISDIR),
         EISDIR},
    };
    for (const auto& c : casi) {
        try {
            salvaschema(c.percorso.string(), {});
            ADD_FAILURE() << c.percorso;
        } catch (const ErroreFile& e) {
            EXPECT_EQ(std::string(e.what()), c.messaggio);
            EXPECT_EQ(e.errore(), c.errore);
        }
    }
    EXPECT_TRUE(fs::exists(dir / "cartella.sca" / "dentro"));
    EXPECT_EQ(altri({"cartella.sca"}), std::vector<std::string>{});  // no temporary left
}

TEST_F(Sca, AWriteThatFailsHalfWayKeepsThePreviousFile) {
    // A file size limit makes the write fail part-way, as a full disk would.
    const fs::path bersaglio = dir / "e.sca";
    scrivi(bersaglio, "vecchio");
    auto segnale = std::signal(SIGXFSZ, SIG_IGN);
    rlimit prima{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &prima), 0);
    rlimit piccolo = prima;
    piccolo.rlim_cur = 100;  // a scheme file is over 200 bytes
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &piccolo), 0);
    std::string messaggio = "accepted";
    try {
        salvaschema(bersaglio.string(), {}, "e.sca");
    } catch (const ErroreFile& e) {
        messaggio = e.what();
    }
    setrlimit(RLIMIT_FSIZE, &prima);
    std::signal(SIGXFSZ, segnale);
    EXPECT_EQ(messaggio, "Impossibile scrivere il file e.sca: " + motivo(EFBIG));
    EXPECT_EQ(leggi(bersaglio), "vecchio");
    EXPECT_EQ(altri({"e.sca"}), std::vector<std::string>{});
}

TEST_F(Sca, SaveReplacesTheFileKeepingModeAndLinks) {
    const fs::path vero = dir / "vero.sca", link = dir / "link.sca";
    scrivi(vero, "vecchio");
    fs::permissions(vero, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    fs::create_symlink("vero.sca", link);
    schemacorrente().testata = "nuovo.";
    salvaschema(link.string(), {});
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(leggi(vero).substr(0, 8), "nuovo.\r\n");
    EXPECT_EQ(fs::status(vero).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(altri({"vero.sca", "link.sca"}), std::vector<std::string>{});
}

TEST_F(Sca, ItalianLocaleReadsAndWritesPoints) {
    const std::string prima = std::setlocale(LC_ALL, nullptr);
    if (!std::setlocale(LC_ALL, "it_IT.UTF-8"))
        return lumetto::prove::manca("it_IT.UTF-8 not installed");
    std::vector<std::string> righe(39);
    righe[15] = " 12.9";
    righe[16] = "1e2";
    Schema s;
    leggisca(s, file(righe), "x");
    EXPECT_EQ(s.posx(1), 12);
    EXPECT_EQ(s.posy(1), 100);
    s.posx(2) = 65535;
    EXPECT_NE(scrivisca(s, {}, "x").find("\r\n 65535\r\n"), std::string::npos);
    std::setlocale(LC_ALL, prima.c_str());
}
