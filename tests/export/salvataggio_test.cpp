// A save that fails leaves no file behind (and an older file as it was) and
// says which file and why.
#include "xls/salvataggio.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>

#include "lettori.h"
#include "support/cartella.h"
#include "support/permessi.h"
#include "xls/errore.h"

namespace lumetto::xls {
namespace {

using prove::CartellaProva;

void scrivi(const std::string& percorso, const std::string& testo) {
    std::ofstream(percorso, std::ios::binary) << testo;
}

// The error text of a save that must fail, or "" if it did not.
std::string errore(const std::string& percorso, std::string_view dati) {
    try {
        scrivisostituendo(percorso, dati);
    } catch (const Errore& e) {
        return e.what();
    }
    return "";
}

// The same, as an ordinary user: run as root, the save is made by a child
// process that has become "nobody", for whom permissions hold; where nobody
// does not exist (a container's user namespace maps root alone), by a child
// that is root without the power to override permissions.
std::string erroreDaUtente(const std::string& percorso, std::string_view dati) {
    if (::geteuid() != 0) return errore(percorso, dati);
    int tubo[2];
    if (::pipe(tubo) != 0) return "pipe failed";
    const pid_t figlio = ::fork();
    if (figlio == 0) {
        ::close(tubo[0]);
        if ((::setgid(65534) != 0 || ::setuid(65534) != 0) && !prove::senzaprivilegi()) ::_exit(2);
        const std::string t = errore(percorso, dati);
        ssize_t scritti = ::write(tubo[1], t.data(), t.size());
        ::_exit(scritti == static_cast<ssize_t>(t.size()) ? 0 : 3);
    }
    ::close(tubo[1]);
    std::string testo;
    char b[512];
    for (ssize_t n; (n = ::read(tubo[0], b, sizeof b)) > 0;)
        testo.append(b, static_cast<std::size_t>(n));
    ::close(tubo[0]);
    int stato = 0;
    ::waitpid(figlio, &stato, 0);
    if (!WIFEXITED(stato) || WEXITSTATUS(stato) != 0) return "the child failed";
    return testo;
}

void controllaTesto(const std::string& testo, const std::string& percorso, int codice) {
    EXPECT_NE(testo.find("Impossibile salvare il file \"" + percorso + "\": "), std::string::npos)
        << testo;
    EXPECT_NE(testo.find(std::generic_category().message(codice)), std::string::npos) << testo;
}

TEST(Salvataggio, ScriveESostituisceInteramente) {
    CartellaProva c;
    const std::string file = c / "dati.xls";
    scrivi(file, std::string(100000, 'v'));
    scrivisostituendo(file, "nuovo");
    EXPECT_EQ(prove::leggifile(file), "nuovo");
    EXPECT_EQ(c.contenuto(), std::vector<std::string>{"dati.xls"});
    // The file gets the ordinary permissions of a new file (umask applies).
    const mode_t maschera = ::umask(022);
    ::umask(maschera);
    EXPECT_EQ(std::filesystem::status(file).permissions(),
              static_cast<std::filesystem::perms>(0666 & ~maschera));
    // A name without a folder lands in the current one.
    const auto prima = std::filesystem::current_path();
    std::filesystem::current_path(c.percorso());
    scrivisostituendo("qui.xls", "q");
    std::filesystem::current_path(prima);
    EXPECT_EQ(prove::leggifile(c / "qui.xls"), "q");
}

TEST(Salvataggio, CartellaCheNonCEOppureNomeDiCartella) {
    CartellaProva c;
    const std::string manca = c / "manca/dati.xls";
    controllaTesto(errore(manca, "x"), manca, ENOENT);
    std::filesystem::create_directory(c / "sotto");
    controllaTesto(errore(c / "sotto", "x"), c / "sotto", EISDIR);
    controllaTesto(errore(c / "sotto/", "x"), c / "sotto/", EISDIR);
    EXPECT_EQ(errore("", "x"), "Impossibile salvare il file: nessun nome");
    // No temporary file is left behind.
    EXPECT_EQ(c.contenuto(), std::vector<std::string>{"sotto"});
    EXPECT_TRUE(std::filesystem::is_empty(c / "sotto"));
}

TEST(Salvataggio, CartellaInSolaLettura) {
    CartellaProva c;
    const std::string vecchio = c / "vecchio.xls";
    scrivi(vecchio, "vecchio");
    namespace fs = std::filesystem;
    fs::permissions(c.percorso(), fs::perms::owner_read | fs::perms::owner_exec |
                                      fs::perms::group_read | fs::perms::group_exec |
                                      fs::perms::others_read | fs::perms::others_exec);
    controllaTesto(erroreDaUtente(c / "dati.xls", "x"), c / "dati.xls", EACCES);
    controllaTesto(erroreDaUtente(vecchio, "x"), vecchio, EACCES);
    fs::permissions(c.percorso(), fs::perms::owner_write, fs::perm_options::add);
    EXPECT_EQ(c.contenuto(), std::vector<std::string>{"vecchio.xls"});
    EXPECT_EQ(prove::leggifile(vecchio), "vecchio");
}

TEST(Salvataggio, FileInSolaLetturaNonSiSostituisce) {
    CartellaProva c;
    const std::string file = c / "protetto.xls";
    scrivi(file, "mio");
    namespace fs = std::filesystem;
    // A folder anyone may write in; the file itself read-only.
    fs::permissions(c.percorso(), fs::perms::all);
    fs::permissions(file, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    controllaTesto(erroreDaUtente(file, "x"), file, EACCES);
    EXPECT_EQ(c.contenuto(), std::vector<std::string>{"protetto.xls"});
    EXPECT_EQ(prove::leggifile(file), "mio");
}

// The disk fills up halfway through: played with the file size limit, which
// holds for root too.
TEST(Salvataggio, DiscoPienoAMetaScrittura) {
    CartellaProva c;
    const std::string file = c / "dati.xls";
    scrivi(file, "vecchio");
    rlimit prima{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &prima), 0);
    auto segnale = ::signal(SIGXFSZ, SIG_IGN);
    rlimit stretto = prima;
    stretto.rlim_cur = 4096;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &stretto), 0);
    std::string testo = errore(file, std::string(100000, 'n'));
    ::setrlimit(RLIMIT_FSIZE, &prima);
    ::signal(SIGXFSZ, segnale);
    controllaTesto(testo, file, EFBIG);
    EXPECT_EQ(prove::leggifile(file), "vecchio");
    EXPECT_EQ(c.contenuto(), std::vector<std::string>{"dati.xls"});
}

}  // namespace
}  // namespace lumetto::xls
