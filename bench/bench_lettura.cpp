// One reading from the letter sent to the row built: the time the program adds
// to the bytes' own transfer, against the virtual board answering at once on a
// pseudo-terminal (where the transfer itself takes microseconds). And the
// question that starts a run, "?", against a board that answers it and one
// that does not.
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "acquisition/acquisizione.h"
#include "bench/corsa.h"
#include "bench/misure.h"
#include "board/scheda.h"
#include "link/collegamento.h"
#include "link/letture.h"

namespace {

using lumetto::bench::mediana;
using lumetto::bench::percentile;

using Clock = std::chrono::steady_clock;
using namespace lumetto;

}  // namespace

namespace {

// n questions "?" to the virtual board running `sketch`, in milliseconds.
std::vector<double> chiedi(const char* sketch, bool vecchia, int n) {
    scheda::Opzioni o;
    o.sketch = sketch;
    o.vecchia = vecchia;
    bench::SchedaInServizio board(o);
    acquisition::azzeraacquisizione();
    link::impostaVistaCollegamento({[] { return 13; }, [](int) {}, [] {}});
    std::vector<double> ms;
    for (int i = 0; i < n; ++i) {
        const auto t0 = Clock::now();
        const link::Identita chi = link::chiedichisei();
        ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
        if (chi.sketch.empty() != vecchia) {
            std::fprintf(stderr, "bench: the board %s\n", vecchia ? "answered" : "did not answer");
            std::exit(1);
        }
    }
    return ms;
}

}  // namespace

int main() {
    const std::string home = lumetto::bench::casaprovvisoria();
    if (home.empty()) return 1;

    std::printf("%-52s %-14s %s\n", "what", "goal", "figure");
    struct Caso {
        const char* nome;
        const char* sketch;
        const char* controllo;
        int caratteri;
    } casi[] = {{"Sonar (6 characters), letter to row, median", "sonar", "BitBtn4", 6},
                {"Regolazione PI (48 characters), median", "pi", "Button2", 48}};
    for (const auto& c : casi) {
        auto us = lumetto::bench::tick(c.sketch, c.controllo, 500);
        std::printf("%-52s %-14s %.0f us (95th %.0f us)\n", c.nome, "< 1 ms", mediana(us),
                    percentile(us, 0.95));
    }
    auto detto = chiedi("sonar", false, 200);
    std::printf("%-52s %-14s %.2f ms (95th %.2f ms)\n", "\"?\" answered, open to close, median",
                "< 150 ms", mediana(detto), percentile(detto, 0.95));
    auto muto = chiedi("sonar", true, 20);
    std::printf("%-52s %-14s %.1f ms (max %.1f ms)\n", "\"?\" to an older board, median",
                "<= 150 ms", mediana(muto), percentile(muto, 1.0));
    std::filesystem::remove_all(home);
    return 0;
}
