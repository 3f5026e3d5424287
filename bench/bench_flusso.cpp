// The free stream on the offscreen platform: a line from the moment the
// board writes it to the reading stored and archived (the board on a
// pseudo-terminal, 100 lines a second, the plot window open), the process's
// CPU meanwhile, and one repaint of the plot window holding a run of
// 100,000 readings.
#include <pty.h>
#include <stdlib.h>
#include <time.h>
#include <unistd.h>

#include <QApplication>
#include <QEventLoop>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "acquisition/libero.h"
#include "acquisition/qt/formgrafico.h"
#include "acquisition/registrocorse.h"
#include "bench/misure.h"
#include "board/libero.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace lumetto;
using lumetto::bench::mediana;
using lumetto::bench::ms;
using lumetto::bench::percentile;

double cpu(clockid_t quale) {
    timespec t{};
    clock_gettime(quale, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

// When each line was written, and how long it took to be stored.
struct Misura final : acquisition::Ascoltatore {
    std::vector<Clock::time_point>* scritte = nullptr;
    std::vector<double> ritardi;
    void nuovacorsa() override {}
    void letturamemorizzata(int r) override {
        const auto i = static_cast<std::size_t>(r - 1);
        if (i < scritte->size())
            ritardi.push_back(
                std::chrono::duration<double, std::milli>(Clock::now() - (*scritte)[i]).count());
    }
};

}  // namespace

int main(int argc, char** argv) {
    const std::string home = lumetto::bench::casaprovvisoria();
    if (home.empty()) return 1;
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);

    // The board: a pseudo-terminal linked as COM13.
    int master = -1, slave = -1;
    char nome[256] = {};
    if (openpty(&master, &slave, nome, nullptr, nullptr) != 0) return 1;
    termios t{};
    tcgetattr(slave, &t);
    cfmakeraw(&t);
    tcsetattr(slave, TCSANOW, &t);
    const auto dos = std::filesystem::path(home) / ".lumetto/dosdevices";
    std::filesystem::create_directories(dos);
    std::filesystem::create_symlink(nome, dos / "com13");

    acquisition::TFormgrafico g;
    g.resize(1366, 768);
    g.show();
    acquisition::RegistroCorse registro(std::filesystem::path(home) / "corse.sqlite");
    acquisition::aggiungiascoltatore(&registro);
    acquisition::aggiungiascoltatore(&g);
    Misura misura;
    acquisition::aggiungiascoltatore(&misura);
    if (!acquisition::avvialibero(115200)) return 1;

    constexpr int kRighe = 1000;  // ten seconds at 100 a second
    scheda::OpzioniLibero o;
    o.frequenza = 100;
    std::vector<Clock::time_point> scritte(kRighe);
    misura.scritte = &scritte;
    std::atomic<double> cpuscheda{0};
    const double cpu0 = cpu(CLOCK_PROCESS_CPUTIME_ID);
    const auto t0 = Clock::now();
    std::thread scheda([&] {
        const double c0 = cpu(CLOCK_THREAD_CPUTIME_ID);
        for (int k = 0; k < kRighe; ++k) {
            std::this_thread::sleep_until(t0 + std::chrono::milliseconds(10 * k));
            const std::string riga = scheda::rigaLibera(o, scheda::Guasto::Nessuno, 3, k).byte;
            scritte[static_cast<std::size_t>(k)] = Clock::now();
            if (::write(master, riga.data(), riga.size()) < 0) break;
        }
        cpuscheda = cpu(CLOCK_THREAD_CPUTIME_ID) - c0;
    });
    // The program's own loop, asleep between the lines as it is for a user.
    QEventLoop ciclo;
    QTimer guarda;
    QObject::connect(&guarda, &QTimer::timeout, [&] {
        if (acquisition::letturelibere().size() >= kRighe || ms(t0) > 30000) ciclo.quit();
    });
    guarda.start(100);
    ciclo.exec();
    scheda.join();
    const double secondi = ms(t0) / 1000;
    const double quota = (cpu(CLOCK_PROCESS_CPUTIME_ID) - cpu0 - cpuscheda) / secondi;
    acquisition::fermaacquisizione();
    acquisition::togliascoltatore(&misura);
    acquisition::togliascoltatore(&registro);

    std::printf("%-66s %-10s %s\n", "what", "goal", "figure");
    std::printf("%-66s %-10s %.3f ms (95th %.3f, %zu lines)\n",
                "a line from the board's write to the reading stored and archived", "< 1 ms",
                mediana(misura.ritardi), percentile(misura.ritardi, 0.95), misura.ritardi.size());
    std::printf("%-66s %-10s %.1f %% of one core\n",
                "CPU at 100 lines a second, plot window open (the board's excluded)", "< 10 %",
                100 * quota);

    // A run of 100,000 readings of two columns in the open plot.
    acquisition::azzeraacquisizione();
    acquisition::aggiungiascoltatore(&g);
    std::filesystem::remove(dos / "com13");
    std::filesystem::create_symlink(nome, dos / "com13");
    if (!acquisition::avvialibero(115200)) return 1;
    std::string tutto;
    const auto quando = Clock::now();
    for (int k = 0; k < acquisition::kMaxLettureLibere - 1; ++k)
        tutto += scheda::rigaLibera(o, scheda::Guasto::Nessuno, 3, k).byte;
    g.hide();  // filled at once, then drawn whole
    acquisition::ricevilibero(tutto, quando);
    g.show();
    g.ricostruisci();
    std::vector<double> ridisegni;
    for (int volta = 0; volta < 5; ++volta) {
        const auto r0 = Clock::now();
        (void)g.grab();
        ridisegni.push_back(ms(r0));
    }
    std::printf("%-66s %-10s %.1f ms (%zu readings)\n",
                "the plot window repainted whole, 1366 x 768, a run of 100,000", "< 50 ms",
                mediana(ridisegni), acquisition::letturelibere().size());
    acquisition::fermaacquisizione();
    acquisition::togliascoltatore(&g);
    ::close(master);
    ::close(slave);
    std::filesystem::remove_all(home);
    return 0;
}
