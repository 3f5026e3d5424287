// The plot window on the offscreen platform at 1366 x 768: the 1000th reading
// of 12 columns added to the open plot, and a full repaint; and one tick of
// "Regolazione PI " against the virtual board with the plot open, as against
// it closed.
#include <stdlib.h>

#include <QApplication>
#include <QChartView>
#include <QPixmap>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "acquisition/acquisizione.h"
#include "acquisition/esperimenti.h"
#include "acquisition/qt/formgrafico.h"
#include "bench/corsa.h"
#include "bench/misure.h"
#include "board/scheda.h"
#include "link/collegamento.h"
#include "link/letture.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace lumetto;
using lumetto::bench::mediana;
using lumetto::bench::ms;
using lumetto::bench::percentile;

}  // namespace

int main(int argc, char** argv) {
    const std::string home = lumetto::bench::casaprovvisoria();
    if (home.empty()) return 1;
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);

    acquisition::TFormgrafico g;
    g.resize(1366, 768);
    g.show();
    // Twelve columns of slow waves and noise, 999 readings drawn.
    acquisition::avviaesperimento(
        100, "C1....C2....C3....C4....C5....C6....C7....C8....C9....C10...C11...C12...",
        "111111111111");
    std::mt19937 caso(1);
    std::uniform_real_distribution<double> rumore(-1, 1);
    for (int r = 1; r <= 1000; ++r)
        for (int c = 1; c <= 12; ++c)
            link::tabellaletture[static_cast<size_t>(r)][static_cast<size_t>(c)] =
                10 * c + 5 * std::sin(r / (20.0 + c)) + rumore(caso);
    std::vector<double> aggiunte, ridisegni;
    for (int volta = 0; volta < 20; ++volta) {
        link::numerolettura = 999;
        g.ricostruisci();
        QApplication::processEvents();
        link::numerolettura = 1000;
        auto t0 = Clock::now();
        g.letturamemorizzata(1000);
        aggiunte.push_back(ms(t0));
        t0 = Clock::now();
        g.disegna();     // what the event loop does right after the tick
        (void)g.grab();  // the whole window painted, chart and all
        ridisegni.push_back(ms(t0));
    }
    std::printf("%-62s %-10s %s\n", "what", "goal", "figure");
    std::printf("%-62s %-10s %.2f ms (95th %.2f)\n",
                "the 1000th reading of 12 columns added (the tick's share), median", "< 2 ms",
                mediana(aggiunte), percentile(aggiunte, 0.95));
    std::printf("%-62s %-10s %.1f ms (95th %.1f)\n",
                "then drawn into the series and the window repainted, 1366 x 768", "< 30 ms",
                mediana(ridisegni), percentile(ridisegni, 0.95));

    // The tick with the plot open, then closed.
    acquisition::azzeraacquisizione();
    const auto aperto =
        lumetto::bench::tick("pi", "Button2", 200, [] { QApplication::processEvents(); });
    g.hide();
    acquisition::azzeraacquisizione();
    const auto chiuso =
        lumetto::bench::tick("pi", "Button2", 200, [] { QApplication::processEvents(); });
    std::printf("%-62s %-10s %.0f us (95th %.0f)\n",
                "a \"Regolazione PI \" tick with the plot open, median", "< 1 ms", mediana(aperto),
                percentile(aperto, 0.95));
    std::printf("%-62s %-10s %.0f us (95th %.0f)\n", "the same with the plot closed", "< 1 ms",
                mediana(chiuso), percentile(chiuso, 0.95));
    std::filesystem::remove_all(home);
    return 0;
}
