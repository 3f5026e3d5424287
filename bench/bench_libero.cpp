// The virtual board's free stream: whether its lines go out on time at 100
// and 1000 lines a second (each line's arrival against line 0's plus k
// periods, so a drift would grow along the run) and what the board's thread
// costs, read on a pseudo-terminal at 115200 baud as the program reads it.
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <stdlib.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "bench/misure.h"
#include "board/scheda.h"

namespace {

using lumetto::bench::mediana;
using lumetto::bench::percentile;
using Clock = std::chrono::steady_clock;

double cpu(clockid_t c) {
    timespec t{};
    clock_gettime(c, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

void misura(int frequenza, double secondi) {
    lumetto::scheda::Opzioni o;
    o.sketch = "libero";
    o.seme = 1;
    o.libero.frequenza = frequenza;
    lumetto::scheda::Scheda board(o);
    std::string errore;
    if (!board.collega(errore)) {
        std::fprintf(stderr, "bench: %s\n", errore.c_str());
        std::exit(1);
    }
    std::thread servizio([&] { board.esegui(); });
    clockid_t orologio{};
    pthread_getcpuclockid(servizio.native_handle(), &orologio);

    const int fd = open(board.percorsoLink().c_str(), O_RDWR | O_NOCTTY);
    termios t{};
    tcgetattr(fd, &t);
    cfmakeraw(&t);
    cfsetspeed(&t, B115200);
    tcsetattr(fd, TCSANOW, &t);
    // The sketch starts again at the opening; its first second is left out.
    std::this_thread::sleep_for(std::chrono::seconds(1));
    tcflush(fd, TCIFLUSH);
    const double cpu0 = cpu(orologio);
    const auto t0 = Clock::now();
    std::vector<double> arrivi;  // seconds from t0, one per line end
    char buf[65536];
    while (Clock::now() - t0 < std::chrono::duration<double>(secondi)) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 100) <= 0) continue;
        const ssize_t n = read(fd, buf, sizeof buf);
        const double ora = std::chrono::duration<double>(Clock::now() - t0).count();
        for (ssize_t i = 0; i < n; ++i)
            if (buf[i] == '\n') arrivi.push_back(ora);
    }
    const double cpu1 = cpu(orologio);
    const double durata = std::chrono::duration<double>(Clock::now() - t0).count();
    close(fd);
    board.ferma();
    servizio.join();

    // The first whole line may be a cut one's end: from the second on.
    std::vector<double> ritardi;
    for (size_t k = 1; k < arrivi.size(); ++k)
        ritardi.push_back((arrivi[k] - arrivi[1] - static_cast<double>(k - 1) / frequenza) * 1000);
    const size_t ultimi = ritardi.size() / 10;
    std::vector<double> coda(ritardi.end() - static_cast<long>(ultimi), ritardi.end());
    std::printf(
        "| the free stream at %d lines a second, %.0f s read at 115200 baud: lines / lateness "
        "against line 1 plus k periods, median (99th, worst) / the same over the last tenth / "
        "the board's thread | on time, no drift, little CPU | %zu in %.1f s / %.2f ms (%.2f, %.2f) "
        "/ "
        "%.2f ms / %.1f %% of a core |\n",
        frequenza, durata, arrivi.size(), durata, mediana(ritardi), percentile(ritardi, 0.99),
        percentile(ritardi, 1.0), mediana(coda), 100 * (cpu1 - cpu0) / durata);
}

}  // namespace

int main() {
    const std::string home = lumetto::bench::casaprovvisoria();
    if (home.empty()) return 1;
    misura(100, 10);
    misura(1000, 10);
    std::filesystem::remove_all(home);
    return 0;
}
