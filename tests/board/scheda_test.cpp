// The virtual board on a real pseudo-terminal, reached as the program reaches
// a board: through ~/.lumetto/dosdevices/com13 and the serial component.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <mutex>
#include <thread>

#include "board/scheda.h"
#include "link/campi.h"
#include "serial/comm.h"
#include "serial/report.h"
#include "support/pty.h"
#include "support/scheda.h"

namespace fs = std::filesystem;
using namespace lumetto;
using namespace lumetto::scheda;
using namespace std::chrono_literals;
using lumetto::prove::InServizio;

namespace {

Opzioni opzioni(const std::string& sketch, Guasto g = Guasto::Nessuno) {
    Opzioni o;
    o.sketch = sketch;
    o.seme = 1;
    o.guasto = g;
    return o;
}

// A component set up as the program sets it up for the board.
struct Porta {
    explicit Porta(const char* nome = "COM13") {
        comm.setBaudRate(serial::br9600);
        comm.DataControl().setDataBits(serial::db7);
        comm.DataControl().setParity(serial::paEven);
        comm.DataControl().setStopBits(serial::sb1);
        comm.setDeviceName(nome);
        aperta = comm.OpenDevice();
    }
    std::string chiedi(const std::string& comando, uint32_t n, uint32_t attesaMs = 2000) {
        comm.SendString(comando);
        std::string r(n, '\0');
        r.resize(comm.ReceiveData(r.data(), n, attesaMs));
        return r;
    }
    serial::TXComm comm;
    bool aperta;
};

std::string linkCom13() {
    return lumetto::prove::dosdevicesDir() + "/com13";
}

}  // namespace

TEST(SchedaVirtuale, SonarAnswersOneFrameOfOneDistance) {
    InServizio b(opzioni("sonar"));
    ASSERT_TRUE(fs::is_symlink(linkCom13()));
    Porta p;
    ASSERT_TRUE(p.aperta);
    std::string r = p.chiedi("A", 6);
    ASSERT_EQ(r.size(), 6u);
    auto campi = link::dividicampi(r);
    double d = link::valorecampo(campi[0]);
    EXPECT_GE(d, 10);
    EXPECT_LE(d, 100);
    EXPECT_TRUE(campi[1].empty());
    char altro;
    EXPECT_FALSE(p.comm.ReceiveChar(altro));  // exactly one frame, nothing after it
}

TEST(SchedaVirtuale, PanelsReadThePinsAndDriveOutputsAndServos) {
    InServizio b(opzioni("pin"));
    b.scheda.impostaDigitale(0, true);
    b.scheda.impostaDigitale(5, true);
    b.scheda.impostaAnalogico(1, 512);
    {
        Porta p;
        ASSERT_TRUE(p.aperta);
        std::string r = p.chiedi("A", 78);
        ASSERT_EQ(r.size(), 78u);
        EXPECT_EQ(r.substr(2, 4), "HHHH");
        EXPECT_EQ(r.substr(8, 4), "LLLL");
        EXPECT_EQ(r.substr(32, 4), "HHHH");
        EXPECT_EQ(r.substr(44, 4), "1512");
        EXPECT_TRUE(p.comm.SendString("H1L2L3L4L5H6"));
        p.comm.CloseDevice();  // the panel closes right after its last command
    }
    EXPECT_TRUE(b.finche([&] { return b.scheda.pin().uscite[5]; }));
    EXPECT_EQ(b.scheda.pin().uscite, (std::array<bool, 6>{true, false, false, false, false, true}));
    {
        Porta p;
        ASSERT_TRUE(p.aperta);
        EXPECT_TRUE(p.comm.SendString("AS1000S2090S3180"));  // the servo panel never reads
        p.comm.CloseDevice();
    }
    EXPECT_TRUE(b.finche([&] { return b.scheda.pin().servo[2] == 180; }));
    EXPECT_EQ(b.scheda.pin().servo, (std::array<int, 3>{0, 90, 180}));
}

TEST(SchedaVirtuale, ReportsARateThatIsNot9600) {
    InServizio b(opzioni("sonar"));
    Porta p;
    ASSERT_TRUE(p.aperta);
    EXPECT_EQ(p.chiedi("A", 6).size(), 6u);
    p.comm.setBaudRate(serial::br19200);
    EXPECT_EQ(p.chiedi("A", 6).size(), 6u);
    EXPECT_TRUE(b.visto("19200 baud"));
}

TEST(SchedaGuasti, MuteLateAndLossyBoards) {
    {
        InServizio b(opzioni("sonar", Guasto::Muto));
        Porta p;
        EXPECT_EQ(p.chiedi("A", 6, 300), "");
        EXPECT_TRUE(b.visto("taciuta"));
    }
    {
        Opzioni o = opzioni("sonar", Guasto::Lento);
        o.ritardoMs = 400;
        InServizio b(o);
        Porta p;
        EXPECT_EQ(p.chiedi("A", 6, 100), "");  // not yet
        std::string r(6, '\0');
        r.resize(p.comm.ReceiveData(r.data(), 6, 5000));
        EXPECT_EQ(r.size(), 6u);
    }
    {
        InServizio b(opzioni("termostato", Guasto::Perde));
        Porta p;
        EXPECT_EQ(p.chiedi("B", 26, 300).size(), 25u);
    }
    {
        InServizio b(opzioni("pi", Guasto::Storpia));
        Porta p;
        std::string r = p.chiedi("E", 48);
        ASSERT_EQ(r.size(), 48u);
        size_t storpiati = 0;
        for (size_t k = 0; k < 8; ++k)
            storpiati += r.substr(k * 6, 6).find_first_not_of(" -.0123456789") != std::string::npos;
        EXPECT_EQ(storpiati, 1u);
    }
}

// "?" is answered with one line, after a frame and never inside it; the
// faults that spoil replies leave it whole; a mute board and an older one
// say nothing.
TEST(SchedaGuasti, WhoItIsComesWholeAfterTheFrame) {
    struct Caso {
        const char* sketch;
        Guasto guasto;
        bool vecchia;
        const char* domanda;
        size_t prima;         // characters of a frame before the line
        const char* esempio;  // the line; none: no line
        size_t dopo;          // characters of a frame after it
    } casi[] = {
        {"pi", Guasto::Nessuno, false, "E?", 48, "RegolazionePI", 0},
        {"pi", Guasto::Perde, false, "E?", 47, "RegolazionePI", 0},
        {"termostato", Guasto::Storpia, false, "?B", 0, "Termostato", 26},
        {"tutti", Guasto::Nessuno, false, "H?", 66, "Tutti", 0},  // "H" alone is settled first
        {"sonar", Guasto::Muto, false, "?", 0, nullptr, 0},
        {"sonar", Guasto::Nessuno, true, "?A", 0, nullptr, 6},
    };
    for (const auto& c : casi) {
        SCOPED_TRACE(std::string(c.sketch) + " " + nomeGuasto(c.guasto) +
                     (c.vecchia ? " vecchia" : ""));
        Opzioni o = opzioni(c.sketch, c.guasto);
        o.vecchia = c.vecchia;
        InServizio b(o);
        Porta p;
        ASSERT_TRUE(p.aperta);
        const std::string riga = c.esempio ? rigaChi(c.esempio) : "";
        const size_t tutto = c.prima + riga.size() + c.dopo;
        // One character more than expected is waited for, and must not come.
        std::string r = p.chiedi(c.domanda, static_cast<uint32_t>(tutto + 1), 300);
        ASSERT_EQ(r.size(), tutto);
        EXPECT_EQ(r.substr(c.prima, riga.size()), riga);
    }
}

TEST(SchedaGuasti, FloodingBoardSendsWithoutBeingAsked) {
    InServizio b(opzioni("sonar", Guasto::Inonda));
    Porta p;
    ASSERT_TRUE(p.aperta);
    std::string r(2000, '\0');
    r.resize(p.comm.ReceiveData(r.data(), 2000, 3000));
    EXPECT_EQ(r.size(), 2000u);
}

TEST(SchedaGuasti, UnpluggedAfterTwoRepliesAndPluggedBack) {
    Opzioni o = opzioni("sonar");
    o.staccaDopo = 2;
    o.ricollegaMs = 300;
    InServizio b(o);
    {
        Porta p;
        ASSERT_TRUE(p.aperta);
        EXPECT_EQ(p.chiedi("A", 6).size(), 6u);
        EXPECT_EQ(p.chiedi("A", 6).size(), 6u);
        ASSERT_TRUE(b.visto("scollegata"));
        auto prima = std::chrono::steady_clock::now();
        EXPECT_EQ(p.chiedi("A", 6, 5000), "");  // the wait ends at once: the device is gone
        EXPECT_LT(std::chrono::steady_clock::now() - prima, 2s);
    }
    ASSERT_TRUE(b.visto("ricollegata"));
    Porta dopo;
    ASSERT_TRUE(dopo.aperta);
    EXPECT_EQ(dopo.chiedi("A", 6).size(), 6u);
}

TEST(SchedaLink, RemovedOnExitAndNeverTakenFromALiveDevice) {
    {
        InServizio b(opzioni("sonar"));
        EXPECT_TRUE(fs::is_symlink(linkCom13()));
    }
    EXPECT_FALSE(fs::exists(fs::symlink_status(linkCom13())));

    // A link to a device that is there belongs to someone else.
    fs::create_directories(lumetto::prove::dosdevicesDir());
    fs::create_symlink("/dev/null", linkCom13());
    {
        Scheda s(opzioni("sonar"));
        std::string errore;
        EXPECT_FALSE(s.collega(errore));
        EXPECT_NE(errore.find("/dev/null"), std::string::npos) << errore;
    }
    EXPECT_EQ(fs::read_symlink(linkCom13()), "/dev/null");
    fs::remove(linkCom13());

    // A link left dangling by a board that is gone is taken over.
    fs::create_symlink("/dev/pts/999999", linkCom13());
    {
        InServizio b(opzioni("sonar"));
        EXPECT_EQ(fs::read_symlink(linkCom13()), b.scheda.percorsoSlave());
    }
    EXPECT_FALSE(fs::exists(fs::symlink_status(linkCom13())));
}

TEST(SchedaProgramma, SignalsRemoveTheLink) {
    for (int segnale : {SIGTERM, SIGINT}) {
        int uscita[2];
        ASSERT_EQ(pipe(uscita), 0);
        pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            dup2(uscita[1], 1);
            execl(LUMETTO_SCHEDA_BIN, "lumetto-scheda", "--headless", "--sketch", "sonar", "--seed",
                  "1", static_cast<char*>(nullptr));
            _exit(127);
        }
        close(uscita[1]);
        // The first line says the board is linked.
        std::string riga;
        char c;
        while (read(uscita[0], &c, 1) == 1 && c != '\n')
            riga += c;
        EXPECT_NE(riga.find("collegata"), std::string::npos) << riga;
        EXPECT_TRUE(fs::is_symlink(linkCom13()));
        kill(pid, segnale);
        int stato = 0;
        waitpid(pid, &stato, 0);
        close(uscita[0]);
        EXPECT_TRUE(WIFEXITED(stato) && WEXITSTATUS(stato) == 0) << stato;
        EXPECT_FALSE(fs::exists(fs::symlink_status(linkCom13())));
    }
}

TEST(SchedaVirtuale, SameSeedSameBytesOverTheLine) {
    auto corsa = [] {
        InServizio b(opzioni("tutti"));
        Porta p;
        std::string tutto;
        const std::pair<const char*, uint32_t> domande[] = {{"A", 78}, {"B", 26}, {"C", 54},
                                                            {"D", 48}, {"E", 48}, {"F", 49},
                                                            {"G", 18}, {"I", 48}, {"J", 72}};
        for (int giro = 0; giro < 3; ++giro)
            for (auto [lettera, n] : domande)
                tutto += p.chiedi(lettera, n);
        return tutto;
    };
    std::string prima = corsa();
    EXPECT_EQ(prima.size(), 3u * (78 + 26 + 54 + 48 + 48 + 49 + 18 + 48 + 72));
    EXPECT_EQ(corsa(), prima);
}
