// The class's settings files: which file wins, the defaults that follow
// from TLS and the host name, the password from a file, and every bad value
// refused with the file and the key named.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>

#include "classroom/configurazione.h"
#include "support/cartella.h"

namespace fs = std::filesystem;
using namespace lumetto::classe;

namespace {

struct Caso {
    const char* nome;
    std::optional<std::string> sistema, utente;  // the two files, where they exist
    // What comes out: "" nothing of the class; else the settings summed up
    // (riassunto; $D for the test's folder); or "errore <file> <key>" for a
    // refusal that must name that file ("sistema", "utente", "password")
    // and that key.
    std::string atteso;
    std::string nomecomputer = "pc-07";
    std::string password = "segreta\r\nseconda riga\n";  // password.txt
    // The files' mode bits: what only their user reads and writes, unless
    // a row says otherwise.
    fs::perms modosistema = fs::perms::owner_read | fs::perms::owner_write;
    fs::perms modoutente = modosistema, modopassword = modosistema;
};

constexpr fs::perms k600 = fs::perms::owner_read | fs::perms::owner_write;
constexpr fs::perms k640 = k600 | fs::perms::group_read;
constexpr fs::perms k644 = k640 | fs::perms::others_read;

std::string riassunto(const Configurazione& c, const std::string& cartella) {
    std::string r = c.host + ":" + std::to_string(c.porta) + (c.tls ? " tls" : "") +
                    (c.ca.empty() ? "" : " ca=" + c.ca) +
                    (c.cert.empty() ? "" : " cert=" + c.cert) +
                    (c.key.empty() ? "" : " key=" + c.key) + " utente=" + c.utente +
                    " password=" + c.password + " " + c.nome + "/" + c.banco;
    for (std::size_t i; (i = r.find(cartella)) != std::string::npos;)
        r.replace(i, cartella.size(), "$D");
    return r;
}

const std::string kBase = "[broker]\nhost=aula-server\n[classe]\nnome=3B\nbanco=banco03\n";

const Caso kCasi[] = {
    {"no file at all", std::nullopt, std::nullopt, ""},
    {"the system's file alone", kBase, std::nullopt,
     "aula-server:1883 utente= password= 3B/banco03"},
    {"the user's file alone", std::nullopt, kBase, "aula-server:1883 utente= password= 3B/banco03"},
    {"the user's file wins key by key",
     "[broker]\nhost=aula-server\nport=1884\nutente=banco03\npassword=x\n[classe]\nnome=3B\n",
     "[broker]\nport=1999\n[classe]\nbanco=banco09\n",
     "aula-server:1999 utente=banco03 password=x 3B/banco09"},
    {"the bench defaults to the host name", "[broker]\nhost=10.0.0.2\n[classe]\nnome=3B\n",
     std::nullopt, "10.0.0.2:1883 utente= password= 3B/pc-07"},
    {"TLS with a CA, its default port, paths from the file's folder",
     "[broker]\nhost=aula\nca=ca.crt\ncert=/etc/lumetto/b.crt\nkey=chiavi/"
     "b.key\n[classe]\nnome=3B\n",
     std::nullopt,
     "aula:8883 tls ca=$D/ca.crt cert=/etc/lumetto/b.crt key=$D/chiavi/b.key utente= password= "
     "3B/pc-07"},
    {"TLS on a port of its own",
     "[broker]\nhost=aula\nca=/etc/ca.crt\nport=9883\n[classe]\nnome=3B\n", std::nullopt,
     "aula:9883 tls ca=/etc/ca.crt utente= password= 3B/pc-07"},
    {"an empty value in the user's file takes the key away",
     "[broker]\nhost=aula\nca=/etc/ca.crt\n[classe]\nnome=3B\n", "[broker]\nca=\n",
     "aula:1883 utente= password= 3B/pc-07"},
    {"the first line of passwordfile, its line end removed",
     "[broker]\nhost=aula\nutente=b1\npasswordfile=password.txt\n[classe]\nnome=3B\n", std::nullopt,
     "aula:1883 utente=b1 password=segreta 3B/pc-07"},
    {"password wins over passwordfile",
     "[broker]\nhost=aula\nutente=b1\npasswordfile=password.txt\n[classe]\nnome=3B\n",
     "[broker]\npassword=mia\n", "aula:1883 utente=b1 password=mia 3B/pc-07"},
    {"a comma in quotes, non-ASCII names",
     "[broker]\nhost=aula\nutente=b1\npassword=\"a,b\"\n[classe]\nnome=3ªB\nbanco=banco_è.1\n",
     std::nullopt, "aula:1883 utente=b1 password=a,b 3ªB/banco_è.1"},
    {"a 64-byte bench name",
     "[broker]\nhost=aula-server\n[classe]\nnome=3B\nbanco=" + std::string(64, 'b') + "\n",
     std::nullopt, "aula-server:1883 utente= password= 3B/" + std::string(64, 'b')},

    {"no host", "[broker]\nport=1883\n[classe]\nnome=3B\n", std::nullopt,
     "errore sistema «host» di [broker]"},
    {"no class", "[broker]\nhost=aula\n", "[classe]\nbanco=b1\n",
     "errore utente «nome» di [classe]"},
    {"a blank in the host", "[broker]\nhost=aula server\n[classe]\nnome=3B\n", std::nullopt,
     "errore sistema «host» di [broker]"},
    {"a port that is no number", kBase, "[broker]\nport=88x3\n",
     "errore utente «port» di [broker]"},
    {"port 0", kBase, "[broker]\nport=0\n", "errore utente «port» di [broker]"},
    {"port 65536", kBase + "[broker]\nport=65536\n", std::nullopt,
     "errore sistema «port» di [broker]"},
    {"a negative port", kBase, "[broker]\nport=-1\n", "errore utente «port» di [broker]"},
    {"a bench name with a slash", kBase, "[classe]\nbanco=banco/03\n",
     "errore utente «banco» di [classe]"},
    {"a bench name with +", kBase, "[classe]\nbanco=+\n", "errore utente «banco» di [classe]"},
    {"a bench name with #", kBase, "[classe]\nbanco=\"b#\"\n", "errore utente «banco» di [classe]"},
    {"a bench name with a blank", kBase, "[classe]\nbanco=banco 03\n",
     "errore utente «banco» di [classe]"},
    {"a 65-byte bench name", kBase, "[classe]\nbanco=" + std::string(65, 'b') + "\n",
     "errore utente «banco» di [classe]"},
    {"a class name with a wildcard", "[broker]\nhost=aula\n[classe]\nnome=3B/+\n", std::nullopt,
     "errore sistema «nome» di [classe]"},
    {"a host name that is no bench name", "[broker]\nhost=aula\n[classe]\nnome=3B\n", std::nullopt,
     "errore sistema «banco» di [classe]", "pc 07"},
    {"a comma outside quotes", kBase, "[broker]\nutente=b1\npassword=a,b\n",
     "errore utente «password» di [broker]"},
    {"a password file that is not there",
     "[broker]\nhost=aula\nutente=b1\npasswordfile=manca.txt\n[classe]\nnome=3B\n", std::nullopt,
     "errore sistema «passwordfile» di [broker]"},
    {"a password file with an empty first line",
     "[broker]\nhost=aula\nutente=b1\npasswordfile=password.txt\n[classe]\nnome=3B\n", std::nullopt,
     "errore password «passwordfile» di [broker]", "pc-07", "\nsegreta\n"},
    {"a password without a user", kBase, "[broker]\npassword=x\n",
     "errore utente «utente» di [broker]"},
    {"a certificate without its key",
     "[broker]\nhost=aula\nca=/c\ncert=/b.crt\n[classe]\nnome=3B\n", std::nullopt,
     "errore sistema «cert» di [broker]"},
    {"a client certificate without TLS",
     "[broker]\nhost=aula\ncert=/b.crt\nkey=/b.key\n[classe]\nnome=3B\n", std::nullopt,
     "errore sistema «cert» di [broker]"},
    {"a line that is no key", "[broker]\nhost=aula\nsolo testo\n[classe]\nnome=3B\n", std::nullopt,
     "errore sistema INI"},

    // Secrets kept like secrets: modes of the files.
    {"a file without a password others may read", kBase, std::nullopt,
     "aula-server:1883 utente= password= 3B/banco03", "pc-07", "", k644},
    {"a password in a file root and a group read",
     "[broker]\nhost=aula\nutente=b1\npassword=x\n[classe]\nnome=3B\n", std::nullopt,
     "aula:1883 utente=b1 password=x 3B/pc-07", "pc-07", "", k640},
    {"a password in a file others may read",
     "[broker]\nhost=aula\nutente=b1\npassword=x\n[classe]\nnome=3B\n", std::nullopt,
     "errore sistema leggibile da tutti gli utenti: ", "pc-07", "", k644},
    {"a password in the user's file others may write", kBase, "[broker]\nutente=b1\npassword=x\n",
     "errore utente scrivibile da tutti gli utenti: ", "pc-07", "", k600,
     k600 | fs::perms::others_write},
    {"a file others may write, without a password", kBase, "[broker]\nport=1884\n",
     "errore utente scrivibile da tutti gli utenti: ", "pc-07", "", k600,
     k644 | fs::perms::others_write},
    {"a password file others may read",
     "[broker]\nhost=aula\nutente=b1\npasswordfile=password.txt\n[classe]\nnome=3B\n", std::nullopt,
     "errore password leggibile da tutti gli utenti: ", "pc-07", "segreta\n", k644, k600, k644},
    {"a password file others may write",
     "[broker]\nhost=aula\nutente=b1\npasswordfile=password.txt\n[classe]\nnome=3B\n", std::nullopt,
     "errore password scrivibile da tutti gli utenti: ", "pc-07", "segreta\n", k600, k600,
     k600 | fs::perms::others_write},
};

void scrivi(const std::string& file, const std::string& testo, fs::perms modo) {
    std::ofstream(file, std::ios::binary) << testo;
    fs::permissions(file, modo);
}

}  // namespace

TEST(ClasseConfigurazione, FilesMergeKeyByKeyAndBadValuesAreNamed) {
    for (const Caso& caso : kCasi) {
        SCOPED_TRACE(caso.nome);
        lumetto::prove::CartellaProva d;  // a folder a row: QSettings caches files by name
        const std::string sistema = d / "sistema.conf", utente = d / "utente.conf";
        if (caso.sistema) scrivi(sistema, *caso.sistema, caso.modosistema);
        if (caso.utente) scrivi(utente, *caso.utente, caso.modoutente);
        scrivi(d / "password.txt", caso.password, caso.modopassword);
        const EsitoConfigurazione e = leggiconfigurazione(sistema, utente, caso.nomecomputer);
        if (caso.atteso.rfind("errore ", 0) == 0) {
            EXPECT_FALSE(e.configurazione);
            const std::string resto = caso.atteso.substr(7);
            const std::string file = resto.substr(0, resto.find(' '));
            const std::string chiave = resto.substr(resto.find(' ') + 1);
            EXPECT_NE(e.errore.find("«" + (d / (file + (file == "password" ? ".txt" : ".conf")))),
                      std::string::npos)
                << e.errore;
            EXPECT_NE(e.errore.find(chiave), std::string::npos) << e.errore;
        } else if (caso.atteso.empty()) {
            EXPECT_FALSE(e.configurazione);
            EXPECT_EQ(e.errore, "");
        } else {
            ASSERT_TRUE(e.configurazione) << e.errore;
            EXPECT_EQ(e.errore, "");
            EXPECT_EQ(riassunto(*e.configurazione, d.percorso().string()), caso.atteso);
        }
    }
}

TEST(ClasseConfigurazione, TheUsersFileFollowsXdgConfigHome) {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    const std::string prima = xdg ? xdg : "";
    const std::string home = std::getenv("HOME");
    struct {
        const char* xdg;  // nullptr: unset
        std::string atteso;
    } righe[] = {
        {"/srv/conf", "/srv/conf/lumetto/classe.conf"},
        {nullptr, home + "/.config/lumetto/classe.conf"},
        {"relativa", home + "/.config/lumetto/classe.conf"},  // not absolute: ignored
    };
    for (const auto& r : righe) {
        if (r.xdg)
            setenv("XDG_CONFIG_HOME", r.xdg, 1);
        else
            unsetenv("XDG_CONFIG_HOME");
        EXPECT_EQ(fileutente().string(), r.atteso) << (r.xdg ? r.xdg : "unset");
    }
    if (xdg)
        setenv("XDG_CONFIG_HOME", prima.c_str(), 1);
    else
        unsetenv("XDG_CONFIG_HOME");
}
