// One reading from the letter sent to the row built: the time the program adds
// to the bytes' own transfer, against the virtual board answering at once on a
// pseudo-terminal (where the transfer itself takes microseconds).
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
#include "link/collegamento.h"
#include "link/letture.h"
#include "scheda/scheda.h"

namespace {

using lumetto::bench::mediana;
using lumetto::bench::percentile;

using Clock = std::chrono::steady_clock;
using namespace lumetto;

}  // namespace

int main() {
    std::string home = (std::filesystem::temp_directory_path() / "lumetto-bench-XXXXXX").string();
    if (!mkdtemp(home.data())) return 1;
    setenv("HOME", home.c_str(), 1);

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
    std::filesystem::remove_all(home);
    return 0;
}
