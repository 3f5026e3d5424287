// The export of a full run, 1000 readings of 12 values (14 sheet columns):
// the whole command (block, object, workbook, file written, flushed and
// renamed) and the workbook writer alone. Goal: the command under 100 ms.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "acquisition/acquisizione.h"
#include "acquisition/esportazione.h"
#include "acquisition/foglio.h"
#include "bench/misure.h"
#include "link/letture.h"
#include "platform/dialoghi.h"
#include "schemes/numeri.h"
#include "xls/biff8.h"
#include "xls/composto.h"

namespace {

using namespace lumetto;
using Clock = std::chrono::steady_clock;

// The save dialog answers with the file; every box is silent.
class Risposte final : public platform::DialoghiMuti {
  public:
    explicit Risposte(std::string file) : file_(std::move(file)) {}
    void errore(const std::string& t) override { std::fprintf(stderr, "errore: %s\n", t.c_str()); }
    std::optional<std::string> salva(const std::string&, const std::string&) override {
        return file_;
    }

  private:
    std::string file_;
};

double ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

}  // namespace

int main(int argc, char** argv) {
    const std::filesystem::path cartella =
        argc > 1 ? std::filesystem::path(argv[1]) : std::filesystem::temp_directory_path();
    const std::string file = (cartella / "lumetto-bench-export.xls").string();
    const int giri = 30;

    acquisition::azzeraacquisizione();
    acquisition::avviaesperimento(
        4, "A0....A1....A2....A3....A4....A5....A6....A7....A8....A9....B0....B1....",
        "111111111111");
    xls::Celle celle;
    for (int r = 1; r <= link::kMaxLetture; ++r) {
        link::numerolettura = r;
        celle[{static_cast<uint32_t>(r), 1}] = static_cast<double>(r);
        for (std::size_t k = 1; k <= 12; ++k) {
            double v = (r * 37 + static_cast<int>(k) * 101) % 10007 / 7.0;
            link::tabellaletture[static_cast<std::size_t>(r)][k] = v;
            celle[{static_cast<uint32_t>(r), static_cast<uint32_t>(k + 1)}] = v;
        }
        acquisition::mostralettura();
    }
    for (uint32_t k = 0; k < 12; ++k)
        celle[{0, k + 2}] = acquisition::utf16("A" + std::to_string(k));
    acquisition::stato.letturemostrate = link::kMaxLetture;
    acquisition::fermaacquisizione();

    Risposte risposte(file);
    platform::impostaDialoghi(&risposte);
    std::vector<double> comando, scrittore;
    std::size_t byte = 0;
    for (int g = 0; g < giri; ++g) {
        auto t0 = Clock::now();
        auto esito = acquisition::esportafoglio("", 13);
        comando.push_back(ms(Clock::now() - t0));
        if (esito != acquisition::Esportazione::salvata) return 1;

        t0 = Clock::now();
        byte = xls::filecomposto(xls::flussobiff8(u"sei ingressi analogici", celle)).size();
        scrittore.push_back(ms(Clock::now() - t0));
    }
    platform::impostaDialoghi(nullptr);
    std::printf("export of 1000 readings x 14 columns (%d runs), file %zu bytes in %s\n", giri,
                static_cast<std::size_t>(std::filesystem::file_size(file)), cartella.c_str());
    std::printf(
        "  whole command, file flushed and renamed: median %.2f ms, p90 %.2f ms, max %.2f ms\n",
        bench::mediana(comando), bench::percentile(comando, 0.9), bench::percentile(comando, 1.0));
    std::printf("  workbook writer alone (%zu bytes in memory): median %.2f ms, p90 %.2f ms\n",
                byte, bench::mediana(scrittore), bench::percentile(scrittore, 0.9));
    std::filesystem::remove(file);
    const bool entro = bench::mediana(comando) < 100;
    std::printf("goal: median under 100 ms: %s\n", entro ? "met" : "NOT met");
    return entro ? 0 : 1;
}
