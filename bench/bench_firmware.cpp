// Reply time of every sketch on the emulated Uno, in the board's own time:
// from the letter's last bit in to the first character out, and to the last
// character's last bit, against the line's own limit (1.04 ms a character at
// 9600 baud 7E1: the Uno makes 9615 baud). 20 replies each; medians and the
// worst.
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/misure.h"
#include "firmware/emulata.h"

namespace {

struct Sketch {
    const char* nome;
    char lettera;
    int lunghezza;
    std::vector<std::string> stimoli;
};

// Reads what the board sends for `ms` milliseconds of quiet.
void scola(int fd, int ms) {
    char buf[256];
    pollfd p{fd, POLLIN, 0};
    while (::poll(&p, 1, ms) > 0 && ::read(fd, buf, sizeof buf) > 0) {
    }
}

}  // namespace

int main() {
    namespace fs = std::filesystem;
    const std::string casa = (fs::temp_directory_path() / "lumetto-bench-firmware").string();
    fs::create_directories(casa);
    setenv("HOME", casa.c_str(), 1);
    const std::vector<Sketch> sketch = {
        {"Sonar", 'A', 6, {"sonar 120"}},
        {"Temperature", 'A', 6, {"analogico 0 235"}},
        {"Termostato", 'B', 26, {"analogico 0 180", "analogico 2 2500"}},
        {"Encoder", 'G', 18, {"impulsi D2 40"}},
        {"Accelerometro", 'G', 18, {"analogico 2 1980", "analogico 3 3300"}},
        {"Motore", 'G', 12, {"impulsi D2 400", "analogico 0 2000"}},
        {"Livellostato", 'F', 18, {}},
        {"Pneumatica", 'H', 66, {}},
        {"Cascata", 'F', 49, {"analogico 0 500", "pin D2 0"}},
        {"RegolazionePI", 'E', 48, {"analogico 0 300", "analogico 1 2500"}},
        {"Climatica", 'C', 54, {"analogico 1 170", "analogico 4 1200"}},
        {"Solare", 'D', 48, {"analogico 0 450", "analogico 1 300"}},
        {"Irrigazione", 'I', 48, {"analogico 0 4000"}},
        {"Utente", 'J', 72, {}},
        {"StatoPin", 'A', 78, {}},
    };
    std::printf("reply time on the emulated Uno, emulated microseconds, 20 replies each\n");
    std::printf("%-14s %5s %11s %11s %11s %11s %10s\n", "sketch", "chars", "first med", "first max",
                "last med", "last max", "line limit");
    const std::string link = casa + "/.lumetto/dosdevices/com13";
    for (const auto& s : sketch) {
        lumetto::prove::SchedaEmulata board(s.nome);
        if (!board.pronto()) {
            std::printf("%-14s the emulator did not start\n", s.nome);
            return 1;
        }
        for (const auto& c : s.stimoli)
            board.comanda(c);
        board.sincronizza(100);
        const int fd = ::open(link.c_str(), O_RDWR | O_NOCTTY);
        std::vector<double> primi, ultimi;
        int caratteri = 0;
        for (int i = 0; i < 20; ++i) {
            const size_t da = board.quanti();
            const ssize_t n = ::write(fd, &s.lettera, 1);
            (void)n;
            auto r = board.attendi("risposta", std::chrono::seconds(5), da);
            scola(fd, 10);
            if (!r) {
                std::printf("%-14s silent\n", s.nome);
                return 1;
            }
            char l = 0;
            double primo = 0, ultimo = 0;
            if (std::sscanf(r->c_str(), "risposta %c %lf %lf %d", &l, &primo, &ultimo,
                            &caratteri) == 4) {
                primi.push_back(primo);
                ultimi.push_back(ultimo);
            }
        }
        ::close(fd);
        if (caratteri != s.lunghezza) {
            std::printf("%-14s sent %d characters, not %d\n", s.nome, caratteri, s.lunghezza);
            return 1;
        }
        using lumetto::bench::mediana;
        using lumetto::bench::percentile;
        std::printf("%-14s %5d %11.0f %11.0f %11.0f %11.0f %10.0f\n", s.nome, caratteri,
                    mediana(primi), percentile(primi, 1), mediana(ultimi), percentile(ultimi, 1),
                    caratteri * 1040.0);
    }
    return 0;
}
