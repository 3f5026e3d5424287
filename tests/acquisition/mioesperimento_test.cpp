// A teacher's experiment files: each kind of bad file refused naming its line
// and key, every valid experiment written and read back the same, and the
// list of the user's and the school's files.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <bit>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <limits>
#include <random>
#include <string>

#include "acquisition/mioesperimento.h"
#include "support/cartella.h"

namespace fs = std::filesystem;
using namespace lumetto::acquisition;

namespace {

const std::string kTesta = "nome = \"Luce\"\nmodo = \"chiesto\"\n";  // lines 1 and 2
const std::string kColonna = "[[colonna]]\nnome = \"luce\"\n";

std::string colonne(int n) {
    std::string s;
    for (int i = 0; i < n; ++i)
        s += "[[colonna]]\nnome = \"c" + std::to_string(i) + "\"\n";
    return s;
}

std::string ripeti(const std::string& s, int n) {
    std::string r;
    for (int i = 0; i < n; ++i)
        r += s;
    return r;
}

struct Sbagliato {
    const char* caso;
    std::string testo;
    int riga;            // 0: the message names no line
    const char* chiave;  // "" for a syntax error or a file refused whole
    const char* frammento;
};

const Sbagliato kSbagliati[] = {
    {"no name", "modo = \"chiesto\"\n" + kColonna, 0, "nome", "manca \"nome\""},
    {"a name of 61 characters, counted as characters",
     "nome = \"" + ripeti("è", 61) + "\"\nmodo = \"chiesto\"\n" + kColonna, 1, "nome",
     "ha 61 caratteri: al massimo 60"},
    {"no mode", "nome = \"x\"\n" + kColonna, 0, "modo", "manca \"modo\""},
    {"a mode misspelt", "nome = \"x\"\nmodo = \"chiest\"\n" + kColonna, 2, "modo",
     "(è \"chiest\")"},
    {"the board's question as the letter", kTesta + "lettera = \"?\"\n" + kColonna, 3, "lettera",
     "diverso da \"?\""},
    {"a letter of two characters", kTesta + "lettera = \"JK\"\n" + kColonna, 3, "lettera",
     "(è \"JK\")"},
    {"an asked mode's key in free mode", "nome = \"x\"\nmodo = \"libero\"\nintervallo = 2\n", 3,
     "intervallo", "vale solo con modo = \"chiesto\""},
    {"an interval under a tenth", kTesta + "intervallo = 0.05\n" + kColonna, 3, "intervallo",
     "va da 0.1 a 3600 secondi (è 0.05)"},
    {"an interval between tenths", kTesta + "intervallo = 0.25\n" + kColonna, 3, "intervallo",
     "in decimi di secondo"},
    {"an interval in quotes", kTesta + "intervallo = \"1\"\n" + kColonna, 3, "intervallo",
     "deve essere un numero (è un testo)"},
    {"a baud rate the board cannot use", "nome = \"x\"\nmodo = \"libero\"\nbaud = 4800\n", 3,
     "baud", "(è 4800)"},
    {"no column when asked", kTesta, 0, "colonna", "servono da 1 a 12 colonne"},
    {"13 columns when asked: the 13th's header", kTesta + colonne(13), 27, "colonna",
     "ce ne sono 13"},
    {"14 columns in free mode", "nome = \"x\"\nmodo = \"libero\"\n" + colonne(14), 29, "colonna",
     "al massimo 13 colonne"},
    {"one column name twice", kTesta + kColonna + kColonna, 6, "nome", "stesso \"nome\""},
    {"a column without a name", kTesta + "[[colonna]]\nunita = \"%\"\n", 3, "nome",
     "manca \"nome\" della colonna 1"},
    {"a tab in a column's name", kTesta + "[[colonna]]\nnome = \"a\\tb\"\n", 4, "nome",
     "carattere di controllo"},
    {"a unit of 17 characters", kTesta + kColonna + "unita = \"" + std::string(17, 'u') + "\"\n", 5,
     "unita", "ha 17 caratteri: al massimo 16"},
    {"decimals as a float", kTesta + kColonna + "decimali = 1.0\n", 5, "decimali",
     "deve essere un numero intero"},
    {"a zero gain", kTesta + kColonna + "a = 0\n", 5, "a", "non può essere 0"},
    {"an infinite offset", kTesta + kColonna + "b = -inf\n", 5, "b", "numero finito"},
    {"a key misspelt in a column", kTesta + kColonna + "decimal = 2\n", 5, "decimal",
     "chiave sconosciuta \"decimal\""},
    {"an experiment's key after the columns", kTesta + kColonna + "schema = \"a.sca\"\n", 5,
     "schema", "vanno prima del primo [[colonna]]"},
    {"a single [colonna] table", kTesta + "[colonna]\nnome = \"a\"\n", 3, "colonna",
     "va scritta come [[colonna]]"},
    {"a decimal comma", kTesta + "intervallo = 1,5\n" + kColonna, 3, "", "col punto: 1.5"},
    {"a text without quotes", kTesta + kColonna + "unita = °C\n", 5, "",
     "riga 5, carattere 9: non è TOML valido: \"°\" non può stare fuori dalle virgolette"},
    {"a sign after an accented text: columns in characters",
     "nome = \"è\" °\nmodo = \"chiesto\"\n" + kColonna, 1, "", "riga 1, carattere 12:"},
    {"an accented key", kTesta + kColonna + "unità = \"%\"\n", 5, "", "\"à\" non può stare"},
    {"an accented key in quotes", kTesta + kColonna + "\"unità\" = \"%\"\n", 5, "unità",
     "chiave sconosciuta \"unità\""},
    {"an escaped accented letter", "nome = \"\\è\"\n", 1, "", "riga 1, carattere 10"},
    {"a byte that is not UTF-8", kTesta + "# \xff\n", 3, "",
     "riga 3, carattere 3: non è TOML valido: il file non è testo UTF-8"},
    {"a file over 64 KiB", kTesta + kColonna + "#" + std::string(64 * 1024, 'x') + "\n", 0, "",
     "supera 64 KiB"},
};

class FileSbagliato : public ::testing::TestWithParam<Sbagliato> {};

TEST_P(FileSbagliato, IsRefusedNamingItsLineAndKey) {
    const Sbagliato& s = GetParam();
    try {
        leggiesperimento(s.testo, "esperimenti/luce.toml");
        FAIL() << "read";
    } catch (const ErroreEsperimento& e) {
        const std::string atteso =
            "esperimenti/luce.toml" + (s.riga ? ", riga " + std::to_string(s.riga) : "");
        EXPECT_TRUE(std::string(e.what()).starts_with(atteso)) << e.what();
        EXPECT_NE(std::string(e.what()).find(s.frammento), std::string::npos) << e.what();
        EXPECT_EQ(e.riga(), s.riga) << e.what();
        EXPECT_EQ(e.chiave(), s.chiave) << e.what();
        EXPECT_EQ(e.file(), "esperimenti/luce.toml");
        // toml++'s English stays out of the user's text.
        EXPECT_EQ(std::string(e.what()).find("expected"), std::string::npos) << e.what();
    }
}

INSTANTIATE_TEST_SUITE_P(Esperimenti, FileSbagliato, ::testing::ValuesIn(kSbagliati),
                         [](const auto& i) { return "r" + std::to_string(i.index); });

// Accented texts as a teacher may write them, read as written though toml++
// is handed them in ASCII (see tomlascii.h).
struct Accentato {
    const char* caso;
    std::string testo;
    const char* nome;
};

const Accentato kAccentati[] = {
    {"in double quotes", "nome = \"Velocità °C\"", "Velocità °C"},
    {"in single quotes, with a backslash and a double quote", "nome = 'Velocità \\ \"x\"'",
     "Velocità \\ \"x\""},
    {"in ''' with two quotes closing it", "nome = '''è'''''", "è''"},
    {"in \"\"\" with two quotes closing it", "nome = \"\"\"è\"\"\"\"\"", "è\"\""},
    {"after a line-ending backslash", "nome = \"\"\"a\\\n   § b\"\"\"", "a§ b"},
    {"beyond U+FFFF", "nome = \"🌡 \\u00e8\"", "🌡 è"},
    {"in comments", "# Velocità ° 🌡\nnome = \"x\" # è", "x"},
    {"after a byte-order mark", "\xEF\xBB\xBFnome = \"è\"", "è"},
};

TEST(MioEsperimento, AccentedTextsReadAsWritten) {
    for (const Accentato& a : kAccentati) {
        try {
            const MioEsperimento e =
                leggiesperimento(a.testo + "\nmodo = \"chiesto\"\n" + kColonna, "a.toml");
            EXPECT_EQ(e.nome, a.nome) << a.caso;
        } catch (const ErroreEsperimento& x) {
            ADD_FAILURE() << a.caso << ": " << x.what();
        }
    }
}

TEST(MioEsperimento, TheExampleReadsAndWritesInItsFixedForm) {
    const std::string scritto = R"(# Luce e temperatura sul banco 3
nome = "Luce e temperatura"
modo = "chiesto"          # a letter each tick
lettera = "J"
intervallo = 1.5
schema = "~/lavoro/banco3.sca"

[[colonna]]
nome = "luce"
unita = "%"
decimali = 0
a = 0.09775
b = 0.0

[[colonna]]
nome = "temp"
unita = "°C"
)";
    const MioEsperimento e = leggiesperimento(scritto, "luce.toml");
    EXPECT_EQ(e.decimi, 15);
    ASSERT_EQ(e.colonne.size(), 2u);
    EXPECT_EQ(e.colonne[1].decimali, 1);
    EXPECT_DOUBLE_EQ(e.colonne[0].valore(1023), 0.09775 * 1023);
    EXPECT_EQ(scriviesperimento(e), R"(# Luce e temperatura
nome = "Luce e temperatura"
modo = "chiesto"
lettera = "J"
intervallo = 1.5
schema = "~/lavoro/banco3.sca"

[[colonna]]
nome = "luce"
unita = "%"
decimali = 0
a = 0.09775
b = 0.0

[[colonna]]
nome = "temp"
unita = "°C"
decimali = 1
)");
    const std::string casa = std::getenv("HOME");
    EXPECT_EQ(fileschema(e, "/x/luce.toml"), fs::path(casa) / "lavoro/banco3.sca");
    MioEsperimento r = e;
    r.schema = "banco3.sca";
    EXPECT_EQ(fileschema(r, "/x/luce.toml"), "/x/banco3.sca");
}

// Experiments the dialog might hand over that break a rule: never written.
struct Invalido {
    const char* caso;
    void (*guasta)(MioEsperimento&);
    const char* frammento;
};

const Invalido kInvalidi[] = {
    // A line break in the name would end the file's comment line and start a key.
    {"a line break in the name", [](MioEsperimento& e) { e.nome = "x\nmodo = 3"; },
     "\"nome\" contiene un carattere di controllo"},
    {"a name that is not UTF-8", [](MioEsperimento& e) { e.nome = "\xe8"; }, "non è testo UTF-8"},
    {"a NaN gain", [](MioEsperimento& e) { e.colonne[1].a = std::nan(""); },
     "colonna 2: \"a\" deve essere un numero finito"},
    {"seven decimals", [](MioEsperimento& e) { e.colonne[0].decimali = 7; },
     "colonna 1: \"decimali\" va da 0 a 6 (è 7)"},
    {"an interval of 0", [](MioEsperimento& e) { e.decimi = 0; }, "va da 0.1 a 3600"},
    {"a baud rate of 300 in free mode",
     [](MioEsperimento& e) {
         e.modo = ModoEsperimento::Libero;
         e.baud = 300;
     },
     "(è 300)"},
};

TEST(MioEsperimento, AnExperimentBreakingARuleIsNeverWritten) {
    for (const Invalido& c : kInvalidi) {
        MioEsperimento e{.nome = "x", .colonne = {{.nome = "a"}, {.nome = "b"}}};
        c.guasta(e);
        try {
            (void)scriviesperimento(e);
            ADD_FAILURE() << c.caso << ": written";
        } catch (const ErroreEsperimento& x) {
            EXPECT_NE(std::string(x.what()).find(c.frammento), std::string::npos)
                << c.caso << ": " << x.what();
        }
    }
}

// Texts of one code point each, among them what TOML must escape and what
// a comment or a key could be mistaken for.
const char* const kPezzi[] = {"a", "Z", "7", " ", "è",  "°",    "µ", "\"", "\\", "#",
                              "=", "[", "]", "'", "日", "🌡", "ß", ".",  "~",  "/"};

std::string testo(std::mt19937_64& g, std::size_t n) {
    std::string s;
    for (std::size_t i = 0; i < n; ++i)
        s += kPezzi[g() % std::size(kPezzi)];
    return s;
}

double reale(std::mt19937_64& g) {
    static const double kNotevoli[] = {0.1,
                                       -0.0,
                                       1e-300,
                                       std::numeric_limits<double>::denorm_min(),
                                       std::numeric_limits<double>::max(),
                                       -std::numeric_limits<double>::max(),
                                       9223372036854775808.0,
                                       1e22,
                                       0.09775,
                                       123456.0};
    if (g() % 3 == 0) return kNotevoli[g() % std::size(kNotevoli)];
    for (;;) {
        const double v = std::bit_cast<double>(g());
        if (std::isfinite(v) && v != 0) return v;
    }
}

TEST(MioEsperimento, EveryValidExperimentReadsBackAsWritten) {
    std::mt19937_64 g(20240611);
    const int kBaud[] = {kBaudAutomatica, 9600, 19200, 38400, 57600, 115200};
    for (int prova = 0; prova < 2000; ++prova) {
        MioEsperimento e;
        e.nome = testo(g, 1 + g() % kMaxCaratteriNome);
        e.modo = g() % 2 ? ModoEsperimento::Chiesto : ModoEsperimento::Libero;
        e.lettera = static_cast<char>('!' + g() % 94);
        if (e.lettera == '?') e.lettera = '"';
        e.decimi = prova % 7 == 0 ? (prova % 2 ? kMinDecimi : kMaxDecimi)
                                  : kMinDecimi + static_cast<int>(g() % kMaxDecimi);
        e.baud = kBaud[g() % std::size(kBaud)];
        if (g() % 2) e.schema = testo(g, g() % 80);
        const std::size_t massimo =
            e.modo == ModoEsperimento::Chiesto ? kMaxColonneChiesto : kMaxColonneLibero;
        const std::size_t n = (e.modo == ModoEsperimento::Chiesto) + g() % massimo;
        for (std::size_t i = 0; i < n; ++i) {
            ColonnaEsperimento c;
            // A first letter of its own keeps the names apart.
            c.nome =
                std::string(1, static_cast<char>('a' + i)) + testo(g, g() % kMaxCaratteriColonna);
            c.unita = testo(g, g() % (kMaxCaratteriUnita + 1));
            c.decimali = static_cast<int>(g() % (kMaxDecimali + 1));
            if (g() % 2) {
                do
                    c.a = reale(g);
                while (c.a == 0);
                c.b = g() % 2 ? reale(g) : 0;
            }
            e.colonne.push_back(c);
        }
        const std::string scritto = scriviesperimento(e);
        MioEsperimento letto;
        try {
            letto = leggiesperimento(scritto, "giro.toml");
        } catch (const ErroreEsperimento& x) {
            FAIL() << x.what() << "\n" << scritto;
        }
        ASSERT_EQ(letto, e) << scritto;
        // Bit for bit: -0.0 and 0.0 compare equal, and an offset of -0.0 is
        // not written at all.
        for (std::size_t i = 0; i < n; ++i)
            ASSERT_EQ(std::bit_cast<uint64_t>(letto.colonne[i].a),
                      std::bit_cast<uint64_t>(e.colonne[i].a))
                << scritto;
    }
}

TEST(MioEsperimento, SavingMakesTheFolderAndRefusesAFileTooLargeOrNotAFile) {
    lumetto::prove::CartellaProva c;
    const MioEsperimento e{.nome = "Luce", .colonne = {{.nome = "luce"}}};
    const fs::path file = c.percorso() / "nuova" / "cartella" / "luce.toml";
    salvaesperimento(e, file);
    EXPECT_EQ(caricaesperimento(file), e);

    std::ofstream(c / "grande.toml") << scriviesperimento(e) << "#" << std::string(64 * 1024, 'x');
    EXPECT_THROW(caricaesperimento(c / "grande.toml"), ErroreEsperimento);
    // A FIFO would block a plain open until a writer came.
    ASSERT_EQ(::mkfifo((c / "tubo.toml").c_str(), 0600), 0);
    try {
        caricaesperimento(c / "tubo.toml");
        FAIL() << "read";
    } catch (const ErroreEsperimento& x) {
        EXPECT_NE(std::string(x.what()).find("non è un file"), std::string::npos) << x.what();
    }
}

void scrivi(const fs::path& file, const std::string& nome) {
    fs::create_directories(file.parent_path());
    salvaesperimento(MioEsperimento{.nome = nome, .colonne = {{.nome = "v"}}}, file);
}

TEST(MioEsperimento, TheListHasBothFoldersTheUsersFileFirstAndBrokenFilesWithTheirError) {
    lumetto::prove::CartellaProva c;
    const fs::path scuola = c.percorso() / "scuola", mia = c.percorso() / "mia";
    scrivi(scuola / "luce.toml", "Luce della scuola");
    scrivi(scuola / "caduta.toml", "caduta libera");
    scrivi(mia / "luce.toml", "Luce mia");
    scrivi(mia / "Bilancia.toml", "Bilancia");
    std::ofstream(mia / "rotto.toml") << "nome = \"Rotto\"\nmodo = \"chiesto\"\ndecimali = 3\n";
    std::ofstream(mia / "note.txt") << "non un esperimento";
    std::ofstream(mia / ".nascosto.toml") << "x";
    ASSERT_EQ(::mkfifo((mia / "tubo.toml").c_str(), 0600), 0);

    const auto voci = elencaesperimenti(scuola, mia);
    ASSERT_EQ(voci.size(), 4u);
    EXPECT_EQ(voci[0].esperimento->nome, "Bilancia");
    EXPECT_EQ(voci[1].esperimento->nome, "caduta libera");
    EXPECT_TRUE(voci[1].condiviso);
    EXPECT_EQ(voci[2].file, mia / "luce.toml");
    EXPECT_EQ(voci[2].esperimento->nome, "Luce mia");
    EXPECT_FALSE(voci[2].condiviso);
    EXPECT_EQ(voci[3].file, mia / "rotto.toml");
    EXPECT_FALSE(voci[3].esperimento);
    EXPECT_NE(voci[3].errore.find("riga 3: \"decimali\" va in una colonna"), std::string::npos)
        << voci[3].errore;

    EXPECT_TRUE(elencaesperimenti(c.percorso() / "manca", c.percorso() / "manca").empty());
}

TEST(MioEsperimento, TheUsersFolderFollowsXdgDataHome) {
    const std::string casa = std::getenv("HOME");
    unsetenv("XDG_DATA_HOME");
    EXPECT_EQ(cartellaesperimenti(), fs::path(casa) / ".local/share/lumetto/esperimenti");
    setenv("XDG_DATA_HOME", "relativa", 1);  // ignored, as the rule says
    EXPECT_EQ(cartellaesperimenti(), fs::path(casa) / ".local/share/lumetto/esperimenti");
    setenv("XDG_DATA_HOME", "/srv/dati", 1);
    EXPECT_EQ(cartellaesperimenti(), "/srv/dati/lumetto/esperimenti");
    unsetenv("XDG_DATA_HOME");
}

TEST(MioEsperimento, ANewFileNameIsPlainAndTakenInNeitherFolder) {
    lumetto::prove::CartellaProva c;
    const fs::path scuola = c.percorso() / "scuola", mia = c.percorso() / "mia";
    scrivi(mia / "luce-e-temperatura.toml", "x");
    scrivi(scuola / "luce-e-temperatura-2.toml", "x");
    const struct {
        const char* nome;
        const char* file;
    } kCasi[] = {
        {"Luce e temperatura", "luce-e-temperatura-3.toml"},
        {"  Velocità (m/s) à 3°C!  ", "velocita-m-s-a-3-c.toml"},
        {"日本", "esperimento.toml"},
        {"", "esperimento.toml"},
    };
    for (const auto& k : kCasi)
        EXPECT_EQ(nuovofileesperimento(k.nome, mia, scuola), mia / k.file) << k.nome;
}

}  // namespace
