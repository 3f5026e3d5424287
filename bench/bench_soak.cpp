// A long run of every experiment that reads frames: 1000 ticks against the
// experiment's own sketch on the virtual board in the same process, the tick
// called directly, then the export. Checked at the end of each:
// - every row of the reading table holds the values of the frame the board
//   sent for that reading (a second copy of the sketch with the same seed
//   gives the same frames; each 6-character field is read on its own, so the
//   only tolerance is the board's own formatting);
// - the heap in use and the resident size after the last tick and after the
//   export equal those after the first 10 ticks, but for the allocator's own
//   caching (kScartoHeap, kScartoRssKiB; not under the address sanitizer,
//   whose leak check at exit speaks instead);
// - the descriptors open after the run are those open before it.
// Exits non-zero on any failure.
#include <malloc.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "acquisition/acquisizione.h"
#include "acquisition/esperimenti.h"
#include "acquisition/esportazione.h"
#include "board/scheda.h"
#include "board/sketch.h"
#include "link/collegamento.h"
#include "link/letture.h"
#include "platform/dialoghi.h"
#include "platform/unita.h"
#include "schemes/schema.h"
#include "support/trame.h"

#if defined(__SANITIZE_ADDRESS__)
#define LUMETTO_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define LUMETTO_ASAN 1
#endif
#endif

namespace {

using namespace lumetto;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kTick = link::kMaxLetture;  // a full run: the table's every row
constexpr int kPrimi = 10;
constexpr uint64_t kSeme = 7;
// What "equal" allows for: the board thread's short-lived strings and the
// blocks the allocator caches per thread move the heap by a few hundred bytes,
// and freed memory comes back to the system in whole pages. Keeping even one
// of the smallest blocks (32 bytes) per tick would add 31 KiB by the end.
constexpr long kScartoHeap = 4096;
constexpr long kScartoRssKiB = 16;

// The main window without widgets: it only counts.
class VistaContata final : public acquisition::VistaMuta {
  public:
    void aggiungiRiga(const acquisition::Riga&) override { ++righe; }
    void mostraSchema() override { ++schemi; }
    long righe = 0, schemi = 0;
};

// Every box is a failure of the run except the export's own message.
class Scatole final : public platform::DialoghiMuti {
  public:
    void messaggio(const std::string& t) override { testi.push_back(t); }
    void errore(const std::string& t) override { testi.push_back("errore: " + t); }
    std::vector<std::string> testi;
};

// Resident size once the allocator has given back the free memory it caches:
// what the program holds, not what malloc keeps for later.
long rssKiB() {
    malloc_trim(0);
    long pagine = 0, residenti = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pagine, &residenti) != 2) residenti = 0;
        std::fclose(f);
    }
    return residenti * (sysconf(_SC_PAGESIZE) / 1024);
}

// Bytes the allocator has handed out and not had back (all arenas).
long heapInUso() {
    struct mallinfo2 m = mallinfo2();
    return static_cast<long>(m.uordblks + m.hblkhd);
}

int descrittori() {
    int n = 0;
    std::error_code ec;
    for (fs::directory_iterator it("/proc/self/fd", ec), fine; !ec && it != fine; it.increment(ec))
        ++n;
    return n - 1;  // the iterator's own
}

// The sketch whose frame is the experiment's header, character for character.
const scheda::Esperimento* sketchDi(char lettera, const std::string& testata) {
    for (const auto& e : scheda::esperimenti())
        if (e.lettera == lettera && e.testata == testata) return &e;
    return nullptr;
}

struct Esito {
    std::string nome;
    std::string sketch;
    int tick = 0;
    int righeGiuste = 0;
    long rss10 = 0, rssFine = 0, rssExport = 0;
    long heap10 = 0, heapFine = 0, heapExport = 0;
    int fdPrima = 0, fdDopo = 0;
    double secondi = 0;
    std::vector<std::string> guasti;
};

Esito soak(const acquisition::Comando& c, const fs::path& cartella, VistaContata& vista,
           Scatole& scatole) {
    Esito e;
    e.nome = std::string(c.didascalia);
    while (!e.nome.empty() && e.nome.back() == ' ')
        e.nome.pop_back();
    auto t0 = Clock::now();
    e.fdPrima = descrittori();
    scatole.testi.clear();
    long righePrima = vista.righe, schemiPrima = vista.schemi;

    if (!acquisition::avviacomando(c)) {
        e.guasti.push_back("il comando non parte");
        return e;
    }
    char lettera = *acquisition::letteradicodice(c.codice);
    const std::string testata = schemes::schemacorrente().testata;
    const auto* esperimento = sketchDi(lettera, testata);
    if (!esperimento) {
        e.guasti.push_back("nessuno sketch serve la testata " + testata);
        return e;
    }
    e.sketch = esperimento->nome;
    {
        scheda::Opzioni o;
        o.porta = 13;
        o.sketch = e.sketch;
        o.seme = kSeme;
        scheda::Scheda board(o);
        std::string errore;
        if (!board.collega(errore)) {
            e.guasti.push_back(errore);
            return e;
        }
        std::thread servizio([&] { board.esegui(); });
        // The frames the board will send, worked out before the run so that the
        // harness allocates nothing between the measurements.
        scheda::Logica copia(e.sketch, kSeme);
        std::vector<std::vector<double>> attesi(kTick + 1);
        for (int i = 1; i <= kTick; ++i)
            attesi[static_cast<size_t>(i)] = prove::valoriTrama(copia.ricevi(lettera, 0));

        for (int i = 1; i <= kTick; ++i) {
            acquisition::eseguilettura();
            if (link::numerolettura != i || !scatole.testi.empty()) break;
            e.tick = i;
            if (i == kPrimi) {
                e.heap10 = heapInUso();
                e.rss10 = rssKiB();
            }
        }
        e.heapFine = heapInUso();
        e.rssFine = rssKiB();
        for (const auto& t : scatole.testi)
            e.guasti.push_back("messaggio alla lettura " + std::to_string(e.tick + 1) + ": " + t);
        if (!vista.attivo) e.guasti.push_back("il timer si è fermato");

        size_t colonne = testata.size() / 6;
        for (int r = 1; r <= e.tick; ++r) {
            const auto& a = attesi[static_cast<size_t>(r)];
            bool giusta = a.size() == colonne;
            for (size_t k = 0; giusta && k < colonne; ++k)
                giusta = link::tabellaletture[static_cast<size_t>(r)][k + 1] == a[k];
            if (giusta) {
                ++e.righeGiuste;
            } else if (e.guasti.size() < 5) {
                e.guasti.push_back("riga " + std::to_string(r) + " diversa da quanto inviato");
            }
        }
        long mostrate = (vista.righe - righePrima) + (vista.schemi - schemiPrima);
        if (mostrate != e.tick) e.guasti.push_back("righe mostrate: " + std::to_string(mostrate));

        scatole.testi.clear();
        {
            fs::path file = cartella / ("soak-" + std::string(c.controllo) + ".xls");
            auto esportata =
                acquisition::esportafoglio(file.string(), static_cast<uint16_t>(colonne + 1));
            std::error_code ec;
            bool salvata =
                esportata == acquisition::Esportazione::salvata && fs::file_size(file, ec) > 0 &&
                scatole.testi == std::vector<std::string>{"salvato il file:" + file.string()};
            fs::remove(file, ec);
            scatole.testi.clear();
            scatole.testi.shrink_to_fit();
            if (!salvata) e.guasti.push_back("esportazione non riuscita");
        }
        e.heapExport = heapInUso();
        e.rssExport = rssKiB();

        acquisition::fermaacquisizione();
        if (link::portetrattenute() != 0) e.guasti.push_back("porta trattenuta");
        board.ferma();
        servizio.join();
    }
    e.fdDopo = descrittori();
    e.secondi = std::chrono::duration<double>(Clock::now() - t0).count();

    if (e.tick != kTick) e.guasti.push_back("letture: " + std::to_string(e.tick));
    if (e.fdDopo != e.fdPrima) e.guasti.push_back("descrittori rimasti aperti");
#ifndef LUMETTO_ASAN
    // The sanitizer's allocator keeps freed blocks in quarantine: there only
    // its leak check at exit speaks for the memory.
    if (std::abs(e.heapFine - e.heap10) > kScartoHeap ||
        std::abs(e.heapExport - e.heap10) > kScartoHeap)
        e.guasti.push_back("heap cresciuto");
    if (e.rssFine - e.rss10 > kScartoRssKiB || e.rssExport - e.rss10 > kScartoRssKiB)
        e.guasti.push_back("RSS cresciuto");
#endif
    return e;
}

}  // namespace

int main() {
    std::setlocale(LC_ALL, "");  // as the program does
    // One arena for every thread: otherwise the allocator opens a new one
    // whenever two threads meet in it, and the heap figure moves with chance.
    mallopt(M_ARENA_MAX, 1);
    std::string home = (fs::temp_directory_path() / "lumetto-soak-XXXXXX").string();
    if (!mkdtemp(home.data())) return 2;
    setenv("HOME", home.c_str(), 1);
    platform::preparaunita(platform::cartelladati());

    VistaContata vista;
    Scatole scatole;
    acquisition::impostaVista(&vista);
    platform::impostaDialoghi(&scatole);
    acquisition::azzeraacquisizione();
    link::impostaVistaCollegamento(
        {[] { return 13; }, [](int) {}, [] { acquisition::fermaacquisizione(); }});

    // The first look at /proc sets up what reading it needs for good: once
    // here, so that it does not count as growth of the first run.
    rssKiB();
    descrittori();

    std::vector<Esito> esiti;
    for (const auto& c : acquisition::comandi()) {
        bool legge = c.azione == acquisition::Azione::Esperimento ||
                     c.azione == acquisition::Azione::EsperimentoSchema;
        if (!legge || !acquisition::letteradicodice(c.codice)) continue;
        esiti.push_back(soak(c, home, vista, scatole));
    }
    acquisition::impostaVista(nullptr);
    platform::impostaDialoghi(nullptr);
    std::setlocale(LC_NUMERIC, "C");  // the figures with a decimal point, as docs/CIFRE.md has them

    std::printf("%-22s %-13s %5s %6s %9s %9s %9s %11s %7s %6s\n", "experiment", "sketch", "ticks",
                "right", "RSS@10", "RSS end", "RSS exp", "heap Δ (B)", "fds", "time");
    bool ok = true;
    double totale = 0;
    for (const auto& e : esiti) {
#ifdef LUMETTO_ASAN
        std::string heap = "n/a";  // the sanitizer's allocator keeps no such count
#else
        std::string heap =
            std::to_string(e.heapFine - e.heap10) + "/" + std::to_string(e.heapExport - e.heap10);
#endif
        std::printf("%-22s %-13s %5d %6d %9ld %9ld %9ld %11s %3d/%-3d %5.2fs\n", e.nome.c_str(),
                    e.sketch.c_str(), e.tick, e.righeGiuste, e.rss10, e.rssFine, e.rssExport,
                    heap.c_str(), e.fdPrima, e.fdDopo, e.secondi);
        for (const auto& g : e.guasti)
            std::printf("    FAILED: %s\n", g.c_str());
        ok &= e.guasti.empty();
        totale += e.secondi;
    }
    std::printf(
        "%zu experiments x %d ticks + export in %.1f s (RSS in KiB; heap Δ: after the "
        "last tick / after the export, against tick %d): %s\n",
        esiti.size(), kTick, totale, kPrimi, ok ? "all right" : "FAILED");
    fs::remove_all(home);
    return ok ? 0 : 1;
}
