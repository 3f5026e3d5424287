// The archive under faults, each played in a child process: killed with
// SIGKILL in the middle of a run, a full disk, a folder that cannot be
// written, two programs writing to one file at once. The child drives the
// archive's listener as the tick does and reports on a pipe.
#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "acquisition/acquisizione.h"
#include "acquisition/registrocorse.h"
#include "archive/archivio.h"
#include "link/letture.h"
#include "platform/diagnostica.h"
#include "support/cartella.h"
#include "support/dialoghi.h"
#include "support/permessi.h"

namespace fs = std::filesystem;
using namespace lumetto;

namespace {

// Reading r of a run of two columns, as the link would have stored it.
double valore(int r, int j) {
    return r * 10.0 + j + 0.25;
}

// One run through the listener, as the tick drives it: n readings, `dopo`
// called after each one is handed over.
void corsa(acquisition::RegistroCorse& reg, int n, const std::function<void(int)>& dopo) {
    acquisition::stato.codiceesperimento = 11;
    acquisition::stato.lunghezzatestata = 12;
    reg.nuovacorsa();
    for (int r = 1; r <= n; ++r) {
        link::tabellaletture[size_t(r)][1] = valore(r, 1);
        link::tabellaletture[size_t(r)][2] = valore(r, 2);
        reg.letturamemorizzata(r);
        dopo(r);
    }
}

struct Figlio {
    pid_t pid = -1;
    FILE* uscita = nullptr;  // what the child writes on its pipe
};

// Runs f in a child process whose standard output is a pipe to us.
Figlio avvia(const std::function<void()>& f) {
    int p[2];
    EXPECT_EQ(pipe(p), 0);
    std::fflush(nullptr);
    pid_t pid = fork();
    if (pid == 0) {
        close(p[0]);
        dup2(p[1], 1);
        f();
        std::fflush(nullptr);
        _exit(0);
    }
    close(p[1]);
    return {pid, fdopen(p[0], "r")};
}

std::string leggitutto(Figlio& f) {
    std::string t;
    char buf[512];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f.uscita)) > 0)
        t.append(buf, n);
    std::fclose(f.uscita);
    int st = 0;
    waitpid(f.pid, &st, 0);
    EXPECT_TRUE(WIFEXITED(st) && WEXITSTATUS(st) == 0) << t;
    return t;
}

void scrivi(const fs::path& p, const std::string& t) {
    std::ofstream(p) << t;
}

// A private mount namespace where `dove` is a small tmpfs: as root, or as
// anyone where user namespaces are allowed. False where neither is (a user
// in a chroot).
bool tmpfsprivato(const fs::path& dove, const char* opzioni, unsigned long flag) {
    const uid_t uid = getuid();
    const gid_t gid = getgid();
    if (uid != 0) {
        if (unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0) return false;
        scrivi("/proc/self/setgroups", "deny");
        scrivi("/proc/self/uid_map", "0 " + std::to_string(uid) + " 1");
        scrivi("/proc/self/gid_map", "0 " + std::to_string(gid) + " 1");
    } else if (unshare(CLONE_NEWNS) != 0) {
        return false;
    }
    if (mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) return false;
    return mount("lumetto-prova", dove.c_str(), "tmpfs", flag, opzioni) == 0;
}

}  // namespace

TEST(ArchivioGuasti, AKilledProgramKeepsEveryReadingItCommitted) {
    lumetto::prove::CartellaProva cartella;
    fs::path file = cartella.percorso() / "lumetto.sqlite";
    Figlio f = avvia([&] {
        acquisition::RegistroCorse reg(file);
        corsa(reg, link::kMaxLetture, [](int r) {
            std::printf("%d\n", r);
            std::fflush(stdout);
            if (r == link::kMaxLetture) pause();  // never the end of a run
        });
    });
    int ultima = 0;
    while (ultima < 50 && std::fscanf(f.uscita, "%d", &ultima) == 1) {
    }
    ASSERT_EQ(ultima, 50);
    kill(f.pid, SIGKILL);
    int st = 0;
    waitpid(f.pid, &st, 0);
    std::fclose(f.uscita);
    ASSERT_TRUE(WIFSIGNALED(st));

    archivio::Archivio a(file);  // opens as it is: not damaged, nothing to recover by hand
    EXPECT_FALSE(a.spostato());
    auto corse = a.elenco();
    ASSERT_EQ(corse.size(), 1u);
    EXPECT_TRUE(corse[0].interrotta);  // not taken for a finished run
    auto letture = a.letture(corse[0].id);
    ASSERT_GE(letture.size(), 50u);  // every one it said was stored, perhaps one more
    for (size_t i = 0; i < letture.size(); ++i) {
        int r = static_cast<int>(i) + 1;
        EXPECT_EQ(letture[i].numero, r);
        EXPECT_EQ(letture[i].valori[0], valore(r, 1));
        EXPECT_EQ(letture[i].valori[1], valore(r, 2));
    }
}

// Whatever kept the archive from taking readings in the tick (another
// program's write lock, a full disk, its folder deleted, the file damaged
// under it), the tick never waited for it, and at the run's end the archive
// holds exactly the run's readings, marked whole, with each cause told once.
TEST(ArchivioGuasti, TheArchiveEndsHoldingTheWholeRun) {
    constexpr int kLetture = 60, kDa = 10, kA = 40;
    struct Riga {
        const char* nome;
        std::function<void(const fs::path&file)> guasto, rimedio;
        const char* detto;  // the last notice expected; none: no notice
        int avvisi = 1;
    } righe[] = {
        {"another program's lock", nullptr, nullptr, nullptr},
        {"a full disk, then space again",
         [](const fs::path& file) {
             // The journal may grow no more: the next commit fails.
             signal(SIGXFSZ, SIG_IGN);
             const auto n = static_cast<rlim_t>(fs::file_size(file.string() + "-wal"));
             rlimit lim{n, RLIM_INFINITY};
             setrlimit(RLIMIT_FSIZE, &lim);
         },
         [](const fs::path&) {
             rlimit lim{RLIM_INFINITY, RLIM_INFINITY};
             setrlimit(RLIMIT_FSIZE, &lim);
         },
         "dimensione più grande concessa"},
        {"its folder deleted", [](const fs::path& file) { fs::remove_all(file.parent_path()); },
         nullptr, "è stato cancellato"},
        {"the file damaged under it",
         [](const fs::path& file) {
             sqlite3* db = nullptr;
             sqlite3_open(file.c_str(), &db);
             sqlite3_exec(db,
                          "PRAGMA writable_schema = ON; UPDATE sqlite_master SET sql = 'CREATE "
                          "TABLE lettura (' WHERE name = 'lettura'; PRAGMA schema_version = 1000;",
                          nullptr, nullptr, nullptr);
             sqlite3_close(db);
         },
         nullptr, "si è danneggiato"},
        {"another program's file put in its place",
         [](const fs::path& file) {
             fs::remove(file);
             sqlite3* db = nullptr;
             sqlite3_open(file.c_str(), &db);
             sqlite3_exec(db, "CREATE TABLE misure (t REAL)", nullptr, nullptr, nullptr);
             sqlite3_close(db);
         },
         nullptr, "di un altro programma", 2},
    };
    for (const Riga& riga : righe) {
        SCOPED_TRACE(riga.nome);
        lumetto::prove::CartellaProva cartella;
        const fs::path file = cartella.percorso() / "archivio" / "lumetto.sqlite";
        const bool blocco = !riga.guasto;
        Figlio f = avvia([&] {
            prove::DialoghiScritti box;
            acquisition::RegistroCorse reg(file);
            sqlite3* altro = nullptr;
            double lunghissimo = 0;
            // The longest time between the end of one reading's handling
            // and the end of the next's: a tick's own time.
            auto prima = std::chrono::steady_clock::now();
            double tick = 0;
            corsa(reg, kLetture, [&](int r) {
                const auto ora = std::chrono::steady_clock::now();
                tick = std::max(tick, std::chrono::duration<double>(ora - prima).count());
                if (r == kDa && blocco) {
                    sqlite3_open(file.c_str(), &altro);
                    sqlite3_exec(altro, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
                } else if (r == kDa) {
                    riga.guasto(file);
                }
                if (r == kA && blocco) {
                    std::printf("inattesa=%zu\n", reg.inattesa());
                    sqlite3_exec(altro, "COMMIT", nullptr, nullptr, nullptr);
                    sqlite3_close(altro);
                } else if (r == kA && riga.rimedio) {
                    riga.rimedio(file);
                }
                prima = std::chrono::steady_clock::now();
            });
            std::printf("tick=%.3f\n", tick);
            // The run's end, and the window's retry a second later.
            const auto t0 = std::chrono::steady_clock::now();
            reg.fermata();
            reg.riprova();
            lunghissimo =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
            std::printf("fine=%zu secondi=%.3f\n", reg.inattesa(), lunghissimo);
            for (const std::string& a : box.avvisi)
                std::printf("avviso: %s\n", a.c_str());
        });
        const std::string t = leggitutto(f);
        EXPECT_THAT(t, ::testing::HasSubstr("fine=0 ")) << t;
        // A write that waited for the lock would wait its two seconds: no
        // tick comes near one, however loaded the machine.
        double tick = 9;
        ASSERT_EQ(std::sscanf(t.c_str() + t.find("tick="), "tick=%lf", &tick), 1) << t;
        RecordProperty(std::string("tick_") + riga.nome, std::to_string(tick));
        EXPECT_LT(tick, 1.0) << t;
        if (blocco) {
            // The readings under the lock waited in memory: none was written
            // by waiting for it.
            EXPECT_THAT(t, ::testing::HasSubstr("inattesa=" + std::to_string(kA - kDa))) << t;
        }
        int avvisi = 0;
        for (std::size_t p = t.find("avviso: "); p != std::string::npos;
             p = t.find("avviso: ", p + 1))
            ++avvisi;
        if (riga.detto) {
            EXPECT_EQ(avvisi, riga.avvisi) << t;
            EXPECT_THAT(t, ::testing::HasSubstr(riga.detto));
        } else {
            EXPECT_EQ(avvisi, 0) << t;
        }
        archivio::Archivio a(file);
        const auto corse = a.elenco();
        ASSERT_EQ(corse.size(), 1u) << t;
        EXPECT_FALSE(corse[0].interrotta);
        const auto letture = a.letture(corse[0].id);
        ASSERT_EQ(letture.size(), size_t{kLetture});
        for (int r = 1; r <= kLetture; ++r) {
            EXPECT_EQ(letture[size_t(r - 1)].numero, r);
            EXPECT_EQ(letture[size_t(r - 1)].valori[0], valore(r, 1));
            EXPECT_EQ(letture[size_t(r - 1)].valori[1], valore(r, 2));
        }
    }
}

// Each row: what the child makes of the archive's folder, and what it must tell.
TEST(ArchivioGuasti, AnArchiveThatCannotWriteIsToldOnceAndTheRunGoesOn) {
    lumetto::prove::CartellaProva cartella;
    // Without a mount (a user in a chroot may make none, nor may root in a
    // chroot or in a container without CAP_SYS_ADMIN) the kernel's file size
    // limit stands for a full disk, and permissions for a read-only folder
    // (root dropping what overrides them); the limit runs everywhere, so its
    // row is always played.
    struct Riga {
        const char* nome;
        const char* opzioni;  // of the tmpfs; none: the file size limit
        unsigned long flag;
        const char* detto;       // on the tmpfs, or under the limit
        const char* dettoSenza;  // where no mount could be made
    } righe[] = {
        {"pieno", "size=256k", 0, "il disco è pieno", "dimensione più grande concessa"},
        {"limite", nullptr, 0, "dimensione più grande concessa", "dimensione più grande concessa"},
        {"solalettura", "size=256k", MS_RDONLY, "non si apre: il disco è in sola lettura",
         "non si apre: mancano i permessi per scrivere"},
    };
    for (const Riga& riga : righe) {
        SCOPED_TRACE(riga.nome);
        fs::path d = cartella.percorso() / riga.nome;
        fs::create_directories(d);
        Figlio f = avvia([&] {
            const bool tmpfs = riga.opzioni && tmpfsprivato(d, riga.opzioni, riga.flag);
            if (!tmpfs && (riga.flag & MS_RDONLY)) {
                chmod(d.c_str(), 0555);
                if (!prove::senzaprivilegi()) std::printf("root keeps writing anywhere\n");
            } else if (!tmpfs) {
                signal(SIGXFSZ, SIG_IGN);
                rlimit lim{256 * 1024, 256 * 1024};
                setrlimit(RLIMIT_FSIZE, &lim);
            }
            // The diagnostic log, every room on, printed after the report.
            static std::string registro;
            diagnostica::imposta({[](diagnostica::Stanza) { return true; },
                                  [](diagnostica::Stanza s, std::string_view t) {
                                      registro.append(diagnostica::nome(s)).append(": ");
                                      registro.append(t).append("\n");
                                  }});
            prove::DialoghiScritti box;
            acquisition::RegistroCorse reg(d / "lumetto.sqlite");
            corsa(reg, 1000, [](int) {});
            int salvate = 0;
            if (reg.archivio()) {
                rlimit lim{RLIM_INFINITY, RLIM_INFINITY};
                setrlimit(RLIMIT_FSIZE, &lim);
                salvate = static_cast<int>(reg.archivio()->letture(reg.corsa()).size());
            }
            std::printf("tmpfs=%d avvisi=%zu salvate=%d tabella=%.17g\n", tmpfs, box.avvisi.size(),
                        salvate, link::tabellaletture[1000][2]);
            for (const std::string& a : box.avvisi)
                std::printf("%s\n", a.c_str());
            std::printf("%s", registro.c_str());
        });
        std::string t = leggitutto(f);
        int tmpfs = 0, avvisi = -1, salvate = -1;
        double tabella = 0;
        ASSERT_EQ(std::sscanf(t.c_str(), "tmpfs=%d avvisi=%d salvate=%d tabella=%lg", &tmpfs,
                              &avvisi, &salvate, &tabella),
                  4)
            << t;
        RecordProperty(std::string("tmpfs_") + riga.nome, tmpfs);
        EXPECT_EQ(avvisi, 1) << t;
        EXPECT_THAT(t, ::testing::HasSubstr(tmpfs || !riga.opzioni ? riga.detto : riga.dettoSenza));
        EXPECT_THAT(t, ::testing::HasSubstr("->EXCEL"));
        // The box in the log, and beside it the cause it leaves out.
        EXPECT_THAT(t, ::testing::HasSubstr("platform: box avviso: L'archivio delle corse"));
        EXPECT_THAT(t, ::testing::ContainsRegex("archivio: SQLite [0-9]+ \\("));
        EXPECT_EQ(tabella, valore(1000, 2));  // the run went on to its end
        if (riga.flag & MS_RDONLY) {
            EXPECT_EQ(salvate, 0);
        } else {
            // What fitted was committed and reads back; not the whole run.
            EXPECT_GT(salvate, 0) << t;
            EXPECT_LT(salvate, 1000) << t;
        }
        if (!tmpfs) chmod(d.c_str(), 0755);
    }
}

TEST(ArchivioGuasti, TwoProgramsOnOnePcBothKeepTheirRuns) {
    lumetto::prove::CartellaProva cartella;
    fs::path file = cartella.percorso() / "lumetto.sqlite";
    auto banco = [&] {
        prove::DialoghiScritti box;
        acquisition::RegistroCorse reg(file);
        corsa(reg, 300, [](int) {});
        std::printf("%zu\n", box.avvisi.size());
        for (const std::string& t : box.avvisi)
            std::fprintf(stderr, "%s\n", t.c_str());
    };
    Figlio uno = avvia(banco), due = avvia(banco);
    EXPECT_EQ(leggitutto(uno), "0\n");
    EXPECT_EQ(leggitutto(due), "0\n");
    archivio::Archivio a(file);
    auto corse = a.elenco();
    ASSERT_EQ(corse.size(), 2u);
    EXPECT_EQ(corse[0].letture, 300);
    EXPECT_EQ(corse[1].letture, 300);
}
