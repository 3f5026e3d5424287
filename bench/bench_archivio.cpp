// The archive of runs: a reading committed to a file on disk, the tick of
// "Regolazione PI " against the virtual board with the archive listening and
// without it, and a run of 1000 readings opened from the archive, alone and
// drawn in the plot window (offscreen); the runs' list with their columns,
// and a free run's columns replaced.
#include <stdlib.h>

#include <QApplication>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include "acquisition/acquisizione.h"
#include "acquisition/qt/formgrafico.h"
#include "acquisition/registrocorse.h"
#include "archive/archivio.h"
#include "bench/corsa.h"
#include "bench/misure.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace lumetto;
using lumetto::bench::mediana;
using lumetto::bench::ms;
using lumetto::bench::percentile;

void riga(const char* cosa, const char* obiettivo, const std::vector<double>& v,
          const char* unita) {
    std::printf("%-52s %-12s %.3f %s (95th %.3f %s)\n", cosa, obiettivo, mediana(v), unita,
                percentile(v, 0.95), unita);
}

}  // namespace

int main(int argc, char** argv) {
    // On the disk the user's data lives on, not in a memory file system.
    const std::string home = lumetto::bench::casaprovvisoria(std::filesystem::current_path());
    if (home.empty()) return 1;
    unsetenv("XDG_DATA_HOME");
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    std::printf("%-52s %-12s %s\n", "what", "goal", "figure");

    const std::filesystem::path file = std::filesystem::path(home) / "lumetto.sqlite";
    int64_t id = 0;
    {
        archivio::Archivio a(file);
        archivio::Corsa c;
        c.esperimento = "Regolazione PI";
        c.testata = "temp..set...scost.banda.tempo.azp...azi...azt...";
        c.mascheratipo = "11111111";
        c.inizio = archivio::oraUTC();
        c.fuso = archivio::fusolocale();
        id = a.nuovacorsa(c);
        std::vector<double> commit;
        for (int r = 1; r <= 1000; ++r) {
            archivio::Lettura l;
            l.numero = r;
            l.ms = r * 2000;
            l.valori.fill(std::numeric_limits<double>::quiet_NaN());
            for (int j = 0; j < 8; ++j)
                l.valori[size_t(j)] = 20 + std::sin(r * 0.01 + j);
            const auto t0 = Clock::now();
            a.aggiungi(id, l);
            commit.push_back(ms(t0));
        }
        riga("a reading committed (8 values, WAL, on disk)", "< 1 ms", commit, "ms");
    }

    // The tick with and without the archive listening, alternated in rounds
    // so that the machine's load falls on both alike.
    std::vector<double> senza, con;
    acquisition::RegistroCorse registro(file);
    for (int giro = 0; giro < 4; ++giro) {
        auto s = bench::tick("pi", "Button2", 200);
        senza.insert(senza.end(), s.begin(), s.end());
        acquisition::aggiungiascoltatore(&registro);
        auto k = bench::tick("pi", "Button2", 200);
        acquisition::togliascoltatore(&registro);
        con.insert(con.end(), k.begin(), k.end());
    }
    for (double& v : senza)
        v /= 1000;
    for (double& v : con)
        v /= 1000;
    riga("tick of Regolazione PI, archive off", "", senza, "ms");
    riga("tick of Regolazione PI, archive on", "< +0.1 ms", con, "ms");

    std::vector<double> apri, disegna;
    acquisition::TFormgrafico grafico;
    grafico.resize(1200, 700);
    grafico.show();
    for (int i = 0; i < 30; ++i) {
        auto t0 = Clock::now();
        archivio::Archivio a(file);
        auto corsa = a.corsa(id);
        auto letture = a.letture(id);
        auto c =
            std::make_unique<acquisition::CorsaArchiviata>(std::move(*corsa), std::move(letture));
        apri.push_back(ms(t0));
        std::vector<std::unique_ptr<acquisition::CorsaArchiviata>> una;
        una.push_back(std::move(c));
        grafico.mostracorse(std::move(una));
        QApplication::processEvents();
        disegna.push_back(ms(t0));
    }
    riga("a run of 1000 readings read from the archive", "< 100 ms", apri, "ms");
    riga("... and drawn in the plot window (8 curves)", "< 100 ms", disegna, "ms");

    // The runs' window lists every run with its columns: a school year's
    // runs of a bench, each with eight named columns.
    {
        archivio::Archivio a(file);
        archivio::Corsa c = *a.corsa(id);
        for (int k = 0; k < 8; ++k)
            c.colonne.push_back({"colonna " + std::to_string(k + 1), "°C", 1});
        for (std::size_t k = a.elenco().size(); k < 500; ++k)
            a.nuovacorsa(c);
        std::vector<double> elenco, colonne;
        for (int i = 0; i < 30; ++i) {
            auto t0 = Clock::now();
            if (a.elenco().size() != 500) return 1;
            elenco.push_back(ms(t0));
            c.colonne.push_back({"luce", "%"});
            t0 = Clock::now();
            a.sostituiscicolonne(id, c.colonne);
            colonne.push_back(ms(t0));
            c.colonne.pop_back();
        }
        riga("the runs' list: 500 runs with their columns", "< 100 ms", elenco, "ms");
        riga("a free run's columns replaced (one commit)", "< 1 ms", colonne, "ms");
    }

    // A free run's 100,000 readings, each committed on its own as the tick
    // does, then the file made whole at the run's end.
    {
        std::vector<double> tutto, consolida;
        for (int giro = 0; giro < 3; ++giro) {
            const auto f =
                std::filesystem::path(home) / ("lunga" + std::to_string(giro) + ".sqlite");
            archivio::Archivio a(f, 0);
            archivio::Corsa c;
            c.esperimento = "Flusso libero";
            c.testata = "temp..luce..";
            c.inizio = archivio::oraUTC();
            c.fuso = archivio::fusolocale();
            const auto t0 = Clock::now();
            const int64_t k = a.nuovacorsa(c);
            for (int r = 1; r <= 100000; ++r) {
                archivio::Lettura l;
                l.numero = r;
                l.ms = r * 10;
                l.valori.fill(std::numeric_limits<double>::quiet_NaN());
                l.valori[0] = 20 + std::sin(r * 0.001);
                l.valori[1] = 40 + std::cos(r * 0.001);
                a.aggiungi(k, l);
            }
            a.conclusa(k);
            const auto t1 = Clock::now();
            a.consolida();
            consolida.push_back(ms(t1));
            tutto.push_back(ms(t0));
        }
        for (double& v : tutto)
            v /= 1000;
        riga("a run of 100000 readings written and made whole", "< 2 s", tutto, "s");
        riga("... of which the file made whole at its end", "", consolida, "ms");
    }
    std::filesystem::remove_all(home);
    return 0;
}
