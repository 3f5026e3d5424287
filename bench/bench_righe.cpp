// The free stream's cost per line on the GUI thread (up to 100 lines a
// second): bytes to a reading for the lines boards print, and for the worst
// lines that fit in 4 KiB.
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/misure.h"
#include "link/righe.h"

namespace {

using lumetto::bench::mediana;
using lumetto::bench::percentile;
using Clock = std::chrono::steady_clock;
using namespace lumetto::link;

volatile double pozzo;  // keeps the work from being optimised away

// Microseconds per line of `riga` fed as bytes, line end and all, to a run
// that has seen it before (its columns made).
void misura(const char* cosa, const std::string& riga) {
    Flusso f;
    double somma = 0;
    auto lavoro = [&] { f.aggiungi(riga, [&](const Esito& e) { somma += e.valori[0]; }); };
    for (int i = 0; i < 50; ++i)
        lavoro();
    std::vector<double> us;
    for (int i = 0; i < 2000; ++i) {
        const auto t0 = Clock::now();
        lavoro();
        us.push_back(std::chrono::duration<double, std::micro>(Clock::now() - t0).count());
    }
    pozzo = somma;
    std::printf("%-46s %5zu B  %8.2f us (p99 %8.2f us)\n", cosa, riga.size(), mediana(us),
                percentile(us, 0.99));
}

std::string ripeti(const std::string& pezzo, const std::string& fine) {
    std::string s;
    while (s.size() + pezzo.size() + fine.size() <= kMaxRiga)
        s += pezzo;
    return s + fine;
}

}  // namespace

int main() {
    std::printf("%-46s %7s  %s (goal: well under 100 us)\n", "line", "size", "median");
    misura("Serial Plotter labels", "temp:21.50,luce:431,umid:43.2\r\n");
    misura("bare values by tabs", "512\t23.5\t-1.25\t0.003\t1e3\n");
    misura("13 labelled columns", "a:1,b:2,c:3,d:4,e:5,f:6,g:7,h:8,i:9,j:10,k:11,l:12,m:13\r\n");
    misura("decimal comma between labels", "temp:21,5,luce:43,07\r\n");
    misura("Italian CSV", "12;21,5;43;-0,25\r\n");
    misura("4 KiB: 2000 bare values", ripeti("1,", "1\n"));
    misura("4 KiB: 2000 words (a row of names)", ripeti("a ", "a\n"));
    misura("4 KiB: words into a label", ripeti("a ", "a:1\n"));
    misura("4 KiB: 1000 labels", ripeti("a:1,", "a:1\n"));
    misura("4 KiB: decimal commas", ripeti("a:1,5,", "a:1\n"));
    misura("4 KiB: one label", std::string(kMaxRiga - 4, 'x') + ":1\n");
    misura("over 4 KiB (dropped)", std::string(3 * kMaxRiga, '7') + "\n");
    return 0;
}
