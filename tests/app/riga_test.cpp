// The program's command line as a shell gives it, where there is no display:
// --help and --version answer and end, anything else is refused.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

namespace {

struct Uscita {
    std::string testo;
    int esito = -1;
};

// The program run with these arguments, no display and Qt's desktop platform,
// standard output and error together.
Uscita esegui(const std::string& argomenti) {
    Uscita u;
    const std::string comando = "env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb " +
                                std::string(LUMETTO_BIN) + " " + argomenti + " 2>&1";
    if (FILE* f = ::popen(comando.c_str(), "r")) {
        char buf[512];
        while (size_t n = std::fread(buf, 1, sizeof buf, f))
            u.testo.append(buf, n);
        const int st = ::pclose(f);
        u.esito = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    }
    return u;
}

}  // namespace

TEST(RigaDiComando, HelpAndVersionWithoutADisplayAndNothingElse) {
    std::ifstream v(LUMETTO_VERSIONE_FILE);
    std::string versione;
    std::getline(v, versione);
    struct Caso {
        const char* argomenti;
        int esito;
        std::string inizio;
    } casi[] = {
        {"--help", 0, "Uso: lumetto [OPZIONE]\n"},
        {"--version", 0, "lumetto " + versione + "\n"},
        {"--aiuto", 2, "lumetto: opzione non riconosciuta «--aiuto»\n"},
        // Told before any window opens, with the names that work.
        {"--esperimento=Motore+Encod", 2,
         "lumetto: esperimento sconosciuto «Motore+Encod»; gli esperimenti sono:\n"
         "  regolazione-pi\n"},
        {"--esperimento 'Motore+ Encoder' --version", 0, "lumetto " + versione + "\n"},
        {"--esperimento libero --baud 4800", 2, "lumetto: velocità «4800» non ammessa"},
        {"--esperimento utente --esperimento libero --baud 57600 --version", 0, "lumetto "},
        // A teacher's file that cannot be used is said before any window.
        {"--esperimento manca.toml", 2, "lumetto: manca.toml: "},
        // The diagnostic log: a file that cannot be written is said at once.
        {"--diagnostica --version", 0, "lumetto " + versione + "\n"},
        {"--diagnostica= --version", 2, "lumetto: --diagnostica= senza il nome del file\n"},
        {"--diagnostica=/manca/diagnostica.txt", 2,
         "lumetto: il file del registro diagnostico «/manca/diagnostica.txt» non si apre: "},
    };
    for (const auto& c : casi) {
        SCOPED_TRACE(c.argomenti);
        const Uscita u = esegui(c.argomenti);
        EXPECT_EQ(u.esito, c.esito) << u.testo;
        EXPECT_EQ(u.testo.rfind(c.inizio, 0), 0u) << u.testo;
    }
}
