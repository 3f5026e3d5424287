#pragma once
// Ticks of an experiment against the virtual board on a pseudo-terminal, each
// timed from the letter sent to the reading stored and shown.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "acquisition/acquisizione.h"
#include "acquisition/esperimenti.h"
#include "board/scheda.h"
#include "link/collegamento.h"
#include "link/letture.h"

namespace lumetto::bench {

// The virtual board serving on a thread of its own for as long as it lives;
// a board that cannot be linked ends the benchmark.
class SchedaInServizio {
  public:
    explicit SchedaInServizio(scheda::Opzioni o) : board_(std::move(o)) {
        std::string errore;
        if (!board_.collega(errore)) {
            std::fprintf(stderr, "bench: %s\n", errore.c_str());
            std::exit(1);
        }
        servizio_ = std::thread([this] { board_.esegui(); });
    }
    ~SchedaInServizio() {
        board_.ferma();
        servizio_.join();
    }
    SchedaInServizio(const SchedaInServizio&) = delete;
    SchedaInServizio& operator=(const SchedaInServizio&) = delete;

  private:
    scheda::Scheda board_;
    std::thread servizio_;
};

// n ticks of the experiment of button `controllo` against `sketch`, in
// microseconds; `dopo` runs after each tick, untimed (the event loop).
inline std::vector<double> tick(const char* sketch, const char* controllo, int n,
                                const std::function<void()>& dopo = {}) {
    using Clock = std::chrono::steady_clock;
    scheda::Opzioni o;
    o.sketch = sketch;
    o.seme = 1;
    SchedaInServizio board(o);
    acquisition::azzeraacquisizione();
    link::impostaVistaCollegamento(
        {[] { return 13; }, [](int) {}, [] { acquisition::fermaacquisizione(); }});
    acquisition::avviacomando(*acquisition::comando(controllo));
    std::vector<double> us;
    for (int i = 0; i < n; ++i) {
        if (link::numerolettura >= link::kMaxLetture)
            acquisition::avviacomando(*acquisition::comando(controllo));
        const auto t0 = Clock::now();
        acquisition::eseguilettura();
        us.push_back(std::chrono::duration<double, std::micro>(Clock::now() - t0).count());
        if (dopo) dopo();
    }
    acquisition::fermaacquisizione();
    return us;
}

}  // namespace lumetto::bench
