// What the start-up tells a teacher whose plugged-in board does not open:
// each reason with what to do, on a scripted system; and the real system's
// test of an open and of another process's lock.
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <map>

#include "platform/diagnosi.h"

namespace fs = std::filesystem;
using namespace lumetto::platform;

namespace {

class SistemaFinto final : public SistemaPorte {
  public:
    std::vector<fs::path> dispositivi() const override { return presenti; }
    int prova(const fs::path& p) const override {
        auto e = errori.find(p.string());
        return e == errori.end() ? 0 : e->second;
    }
    std::string gruppo(const fs::path&) const override { return "dialout"; }
    bool membro(const std::string&) const override { return giaMembro; }
    std::string utente() const override { return "maria"; }
    std::vector<std::string> detentori(const fs::path&) const override { return chi; }
    bool inesecuzione(const std::string& p) const override {
        for (const auto& c : attivi)
            if (c == p) return true;
        return false;
    }

    std::vector<fs::path> presenti;
    std::map<std::string, int> errori;
    bool giaMembro = false;
    std::vector<std::string> chi, attivi;
};

}  // namespace

TEST(DiagnosiPorte, EachReasonSaysWhatToDo) {
    struct Caso {
        const char* nome;
        int errore;
        bool membro;
        std::vector<std::string> chi, attivi;
        std::vector<std::string> dice;
    };
    const Caso casi[] = {
        {"not in the group",
         EACCES,
         false,
         {},
         {},
         {"/dev/ttyACM0", "gruppo dialout", "sudo usermod -aG dialout maria",
          "uscire dalla sessione e rientrare"}},
        {"added but not logged in again",
         EACCES,
         true,
         {},
         {},
         {"già nel gruppo dialout", "nuovo accesso"}},
        {"ModemManager holds it",
         EBUSY,
         false,
         {"ModemManager"},
         {},
         {"occupata dal programma ModemManager", "sudo systemctl stop ModemManager",
          "disable --now ModemManager"}},
        {"a lock nobody here can see, brltty running",
         EWOULDBLOCK,
         false,
         {},
         {"brltty"},
         {"probabilmente brltty", "sudo apt remove brltty"}},
        {"busy, nothing known running", EBUSY, false, {}, {}, {"fuser -v /dev/ttyACM0"}},
        {"an IDE's monitor", EBUSY, false, {"java"}, {}, {"occupata dal programma java", "IDE"}},
        {"gone", ENODEV, false, {}, {}, {"scollegata"}},
    };
    for (const Caso& c : casi) {
        SCOPED_TRACE(c.nome);
        SistemaFinto s;
        s.presenti = {"/dev/ttyACM0"};
        s.errori["/dev/ttyACM0"] = c.errore;
        s.giaMembro = c.membro;
        s.chi = c.chi;
        s.attivi = c.attivi;
        const auto m = diagnosiporte(s);
        ASSERT_TRUE(m);
        for (const auto& parte : c.dice)
            EXPECT_NE(m->find(parte), std::string::npos) << parte << " in: " << *m;
    }
}

TEST(DiagnosiPorte, SilentWithoutABoardOrWhenEveryOneOpens) {
    SistemaFinto s;
    EXPECT_FALSE(diagnosiporte(s));
    s.presenti = {"/dev/ttyACM0", "/dev/ttyUSB0"};
    EXPECT_FALSE(diagnosiporte(s));
    // The first that does not open is the one told.
    s.errori["/dev/ttyUSB0"] = EACCES;
    auto m = diagnosiporte(s);
    ASSERT_TRUE(m);
    EXPECT_NE(m->find("/dev/ttyUSB0"), std::string::npos);
}

TEST(DiagnosiPorte, TheRealSystemSeesAnotherHoldersLock) {
    const fs::path p = fs::temp_directory_path() / ("lumetto-diagnosi-" + std::to_string(getpid()));
    std::ofstream(p) << "";
    const auto& s = sistemaporte();
    EXPECT_EQ(s.prova(p), 0);
    // A lock of another open, as another program's: the device opens, the lock does not.
    const int fd = ::open(p.c_str(), O_RDWR);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0);
    EXPECT_EQ(s.prova(p), EWOULDBLOCK);
    ::close(fd);
    EXPECT_EQ(s.prova(p), 0);
    EXPECT_EQ(s.prova(p.string() + ".manca"), ENOENT);
    fs::remove(p);
}
