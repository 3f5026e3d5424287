// The cost of appending a row to the reading log, early in a run and at its
// thousandth row: it must not grow with the rows already there.
#include <QApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "acquisition/qt/mainform.h"
#include "bench/misure.h"

namespace {

using lumetto::bench::mediana;
using lumetto::bench::percentile;

using Clock = std::chrono::steady_clock;
using namespace lumetto;

acquisition::Riga riga(int n) {
    // A "Regolazione PI " row: the prefix and eight columns, two of them marked.
    acquisition::Riga r;
    r.push_back(
        {std::to_string(n).insert(0, 3 - std::min<size_t>(3, std::to_string(n).size()), ' ') +
             "   ",
         {0, 0, 0},
         false});
    for (int i = 0; i < 8; ++i)
        r.push_back({"  23.5", i == 2 ? schemes::Rgb{255, 0, 0} : schemes::Rgb{0, 0, 0}, i == 2});
    return r;
}

}  // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    const int giri = 5;
    std::vector<double> presto, tardi;          // microseconds per row, rows 1-20 and 981-1000
    std::vector<double> soloPresto, soloTardi;  // the insertion alone, before the repaint
    std::vector<double> soloCento;              // rows 81-100: the pane is full and scrolls
    for (int g = 0; g < giri; ++g) {
        acquisition::Tmainform finestra(acquisition::Tmainform::Avvio::Manuale);
        finestra.disponi(1366, 768);
        finestra.show();
        const int righe = std::getenv("RIGHE") ? std::atoi(std::getenv("RIGHE")) : 1000;
        for (int n = 1; n <= righe; ++n) {
            auto t0 = Clock::now();
            finestra.aggiungiRiga(riga(n));
            auto t1 = Clock::now();
            QApplication::processEvents();  // the repaint a real run does between ticks
            double us = std::chrono::duration<double, std::micro>(Clock::now() - t0).count();
            double solo = std::chrono::duration<double, std::micro>(t1 - t0).count();
            if (n <= 20) presto.push_back(us), soloPresto.push_back(solo);
            if (n > 80 && n <= 100) soloCento.push_back(solo);
            if (n > righe - 20) tardi.push_back(us), soloTardi.push_back(solo);
        }
    }
    double a = mediana(presto), b = mediana(tardi);
    double sa = mediana(soloPresto), sb = mediana(soloTardi);
    std::printf("%-52s %-14s %s\n", "what", "goal", "figure");
    std::printf("%-52s %-14s %.0f us\n", "insert a log row, rows 1-20, median", "-", sa);
    double sc = mediana(soloCento);
    std::printf("%-52s %-14s %.0f us\n", "insert a log row, rows 81-100, median", "-", sc);
    std::printf("%-52s %-14s %.0f us (x%.2f of rows 81-100)\n",
                "insert a log row, last 20 rows, median", "no growth", sb, sb / sc);
    std::printf("%-52s %-14s %.0f us\n", "insert and repaint, rows 1-20, median", "-", a);
    std::printf("%-52s %-14s %.0f us (x%.2f)\n", "insert and repaint, last 20 rows, median",
                "no growth", b, b / a);
    return 0;
}
