#pragma once
// The acquisition without widgets against the virtual board on a real
// pseudo-terminal in the same process, with the board's faults: what the user
// would see (boxes, timer, rows), what the process holds (descriptors, CPU).
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>
#include <cmath>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "acquisition/acquisizione.h"
#include "board/scheda.h"
#include "board/sketch.h"
#include "link/collegamento.h"
#include "link/letture.h"
#include "schemes/schema.h"
#include "serial/report.h"
#include "support/acquisizione.h"
#include "support/dialoghi.h"
#include "support/scheda.h"
#include "support/trame.h"

namespace lumetto::prove {

// The main window as the acquisition sees it: it counts rows and keeps the title.
class VistaContata final : public acquisition::VistaMuta {
  public:
    void didascalia(const std::string& t) override { titolo = t; }
    void aggiungiRiga(const acquisition::Riga&) override { ++righe; }
    void mostraSchema() override { ++righe; }
    std::string titolo;
    int righe = 0;
};

// Process CPU time (every thread, the board's included) against the wall clock.
class Consumo {
  public:
    Consumo() : cpu0_(cpu()), muro0_(std::chrono::steady_clock::now()) {}
    double muro() const {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - muro0_).count();
    }
    double cpuSecondi() const { return cpu() - cpu0_; }

  private:
    static double cpu() {
        rusage u{};
        getrusage(RUSAGE_SELF, &u);
        return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
               static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
    }
    double cpu0_;
    std::chrono::steady_clock::time_point muro0_;
};

// Descriptors of this process open on `percorso` (the board's device).
inline int descrittoriSu(const std::string& percorso) {
    namespace fs = std::filesystem;
    int n = 0;
    std::error_code ec;
    for (fs::directory_iterator it("/proc/self/fd", ec), fine; !ec && it != fine;
         it.increment(ec)) {
        std::error_code ec2;
        if (fs::read_symlink(it->path(), ec2) == percorso) ++n;
    }
    return n;
}

class Banco : public ::testing::Test {
  protected:
    ~Banco() override {
        acquisition::fermaacquisizione();
        board.reset();  // before the acquisition is put back
    }

    // A board on COM13 running `sketch` with seed kSeme; a second copy of
    // the sketch gives the frames it will send.
    void collega(const std::string& sketch, scheda::Guasto guasto = scheda::Guasto::Nessuno,
                 scheda::Opzioni o = {}) {
        o.porta = 13;
        o.sketch = sketch;
        o.seme = kSeme;
        o.guasto = guasto;
        board.reset();
        board = std::make_unique<InServizio>(o);
        ASSERT_TRUE(board->ok);
        copia = std::make_unique<scheda::Logica>(sketch, kSeme);
        dispositivo = board->scheda.percorsoSlave();
    }
    void premi(const char* controllo) {
        ASSERT_TRUE(acquisition::avviacomando(*acquisition::comando(controllo)));
    }
    // The values of the board's next frame for `lettera`.
    std::vector<double> prossima(char lettera) { return valoriTrama(copia->ricevi(lettera, 0)); }
    // Reading r, a missing value as kVuota (a NaN would never compare equal).
    static constexpr double kVuota = -1e300;
    std::vector<double> riga(int r, size_t colonne) {
        const auto& t = link::tabellaletture[static_cast<size_t>(r)];
        std::vector<double> v(t.begin() + 1, t.begin() + 1 + static_cast<long>(colonne));
        for (double& x : v)
            if (std::isnan(x)) x = kVuota;
        return v;
    }
    // Descriptors the program holds on the board's device; the board keeps
    // one of its own on it while plugged in.
    int tenuti() const {
        bool suo =
            board && board->scheda.collegata() && board->scheda.percorsoSlave() == dispositivo;
        return descrittoriSu(dispositivo) - (suo ? 1 : 0);
    }
    // The run has stopped and let go of the device.
    void fermaERilascia() {
        EXPECT_FALSE(vista.attivo);
        EXPECT_EQ(link::portetrattenute(), 0u);
        EXPECT_EQ(tenuti(), 0);
    }

    static constexpr uint64_t kSeme = 5;
    DialoghiScritti box;
    VistaContata vista;
    // The component's own error texts would be boxes too: none is expected.
    AcquisizioneDiProva acquisizione{vista, box};
    std::unique_ptr<InServizio> board;
    std::unique_ptr<scheda::Logica> copia;
    std::string dispositivo;  // the pseudo-terminal the program opens
};

}  // namespace lumetto::prove
