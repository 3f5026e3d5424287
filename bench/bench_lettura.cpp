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
#include "bench/misure.h"
#include "link/collegamento.h"
#include "link/letture.h"
#include "scheda/scheda.h"

namespace {

using lumetto::bench::mediana;
using lumetto::bench::percentile;

using Clock = std::chrono::steady_clock;
using namespace lumetto;

// Measures n ticks of the experiment of `controllo` against `sketch`; microseconds each.
std::vector<double> misura(const char* sketch, const char* controllo, int n) {
    scheda::Opzioni o;
    o.sketch = sketch;
    o.seme = 1;
    scheda::Scheda board(o);
    std::string errore;
    if (!board.collega(errore)) {
        std::fprintf(stderr, "bench_lettura: %s\n", errore.c_str());
        std::exit(1);
    }
    std::thread servizio([&] { board.esegui(); });
    acquisition::azzeraacquisizione();
    link::impostaVistaCollegamento(
        {[] { return 13; }, [](int) {}, [] { acquisition::fermaacquisizione(); }});
    acquisition::avviacomando(*acquisition::comando(controllo));
    std::vector<double> us;
    for (int i = 0; i < n; ++i) {
        if (link::numerolettura >= 1000)
            acquisition::avviacomando(*acquisition::comando(controllo));
        auto t0 = Clock::now();
        acquisition::eseguilettura();
        us.push_back(std::chrono::duration<double, std::micro>(Clock::now() - t0).count());
    }
    acquisition::fermaacquisizione();
    board.ferma();
    servizio.join();
    return us;
}

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
        auto us = misura(c.sketch, c.controllo, 500);
        std::printf("%-52s %-14s %.0f us (95th %.0f us)\n", c.nome, "< 1 ms", mediana(us),
                    percentile(us, 0.95));
    }
    std::filesystem::remove_all(home);
    return 0;
}
