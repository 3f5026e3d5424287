// lumetto-scheda: a virtual lab board on a pseudo-terminal, for trying Lumetto
// without hardware and for its end-to-end tests.

#include <signal.h>

#include <charconv>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <optional>
#include <random>
#include <string>

#include "board/qt/finestra.h"
#include "board/scheda.h"
#include "platform/qt/dialoghiqt.h"

using namespace lumetto::scheda;

namespace {

Scheda* inServizio = nullptr;

void alSegnale(int) {
    if (inServizio) inServizio->ferma();
}

void uso(std::FILE* f) {
    std::fprintf(f,
                 "uso: lumetto-scheda [opzioni]\n"
                 "  --porta N        collega ~/.lumetto/dosdevices/comN (1..20, predefinita 13)\n"
                 "  --sketch NOME    lo sketch che la scheda esegue (predefinito: tutti)\n"
                 "  --elenco         elenca gli sketch\n"
                 "  --seed N         rende ripetibile ogni esecuzione\n"
                 "  --passo S        secondi simulati per ogni risposta (predefinito 2)\n"
                 "  --campi N        campi dello sketch utente (1..12, predefinito 12)\n"
                 "  --guasto NOME    muto, lento, perde, storpia, inonda; per lo sketch libero:\n"
                 "                   lunga, rumore, manca, nan, virgola, silenzio\n"
                 "  --ritardo MS     ritardo delle risposte con --guasto lento (predefinito 1500)\n"
                 "  --stacca N       si scollega dopo N risposte\n"
                 "  --ricollega MS   e si ricollega dopo MS millisecondi\n"
                 "  --vecchia        una scheda di prima: non risponde a \"?\" (chi sei)\n"
                 "  --headless       nessuna finestra: gli eventi vanno sullo standard output\n"
                 "Sketch libero (--sketch libero: parla da sé, una riga da Serial Plotter):\n"
                 "  --colonne NOMI   i nomi separati da virgole (predefiniti luce,temp);\n"
                 "                   \"\" due valori senza nome, \",,\" tre\n"
                 "  --frequenza N    righe al secondo (1..10000, predefinita 10)\n"
                 "  --baud N         la velocità della scheda (predefinita 115200)\n"
                 "  --righe N        tace dopo N righe, con la porta aperta\n"
                 "  --intestazione   prima una riga con i nomi, poi i soli valori\n");
}

template <typename T>
std::optional<T> numero(const char* s) {
    T v{};
    auto fine = s + std::strlen(s);
    auto [p, ec] = std::from_chars(s, fine, v);
    if (ec != std::errc() || p != fine) return std::nullopt;
    return v;
}

int avvia(int argc, char** argv) {
    Opzioni opz;
    opz.seme = std::random_device{}();
    bool headless = false;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        auto valore = [&]() -> const char* {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "lumetto-scheda: manca il valore di %s\n", a.c_str());
                std::exit(2);
            }
            return argv[++i];
        };
        auto intero = [&](int minimo, int massimo) {
            const char* s = valore();
            auto v = numero<int>(s);
            if (!v || *v < minimo || *v > massimo) {
                std::fprintf(stderr, "lumetto-scheda: %s vuole un numero da %d a %d, non \"%s\"\n",
                             a.c_str(), minimo, massimo, s);
                std::exit(2);
            }
            return *v;
        };
        if (a == "--help" || a == "-h") {
            uso(stdout);
            return 0;
        } else if (a == "--elenco") {
            for (const auto& n : nomiSketch())
                std::printf("%s\n", n.c_str());
            return 0;
        } else if (a == "--porta") {
            opz.porta = intero(1, 20);
        } else if (a == "--sketch") {
            opz.sketch = valore();
            bool noto = false;
            for (const auto& n : nomiSketch())
                noto |= n == opz.sketch;
            if (!noto) {
                std::fprintf(stderr,
                             "lumetto-scheda: sketch sconosciuto \"%s\" (--elenco li mostra)\n",
                             opz.sketch.c_str());
                return 2;
            }
        } else if (a == "--seed") {
            const char* s = valore();
            auto v = numero<uint64_t>(s);
            if (!v) {
                std::fprintf(stderr, "lumetto-scheda: --seed vuole un numero, non \"%s\"\n", s);
                return 2;
            }
            opz.seme = *v;
        } else if (a == "--passo") {
            const char* s = valore();
            auto v = numero<double>(s);
            if (!v || *v <= 0 || *v > 3600) {
                std::fprintf(stderr, "lumetto-scheda: --passo vuole secondi (0 < S <= 3600)\n");
                return 2;
            }
            opz.passo = *v;
        } else if (a == "--campi") {
            opz.campiUtente = intero(1, 12);
        } else if (a == "--guasto") {
            const char* s = valore();
            auto g = guastoDaNome(s);
            if (!g) {
                std::fprintf(stderr, "lumetto-scheda: guasto sconosciuto \"%s\"\n", s);
                return 2;
            }
            opz.guasto = *g;
        } else if (a == "--ritardo") {
            opz.ritardoMs = intero(0, 600000);
        } else if (a == "--stacca") {
            opz.staccaDopo = intero(1, 1000000);
        } else if (a == "--ricollega") {
            opz.ricollegaMs = intero(0, 600000);
        } else if (a == "--colonne") {
            std::string errore;
            auto c = colonneDaTesto(valore(), errore);
            if (!c) {
                std::fprintf(stderr, "lumetto-scheda: --colonne: %s\n", errore.c_str());
                return 2;
            }
            opz.libero.colonne = *c;
        } else if (a == "--frequenza") {
            opz.libero.frequenza = intero(1, kFrequenzaMassima);
        } else if (a == "--baud") {
            opz.libero.baud = static_cast<uint32_t>(intero(50, 4000000));
        } else if (a == "--righe") {
            opz.libero.righe = intero(1, 2000000000);
        } else if (a == "--intestazione") {
            opz.libero.intestazione = true;
        } else if (a == "--vecchia") {
            opz.vecchia = true;
        } else if (a == "--dosdevices") {
            opz.dosdevices = valore();
        } else if (a == "--headless") {
            headless = true;
        } else {
            std::fprintf(stderr, "lumetto-scheda: opzione sconosciuta \"%s\"\n", a.c_str());
            uso(stderr);
            return 2;
        }
    }

    if (opz.libero.intestazione && !colonneConNome(opz.libero)) {
        std::fprintf(stderr, "lumetto-scheda: --intestazione vuole i nomi delle colonne\n");
        return 2;
    }
    if (opz.guasto != Guasto::Nessuno && guastoDelFlusso(opz.guasto) != (opz.sketch == "libero")) {
        std::fprintf(stderr,
                     guastoDelFlusso(opz.guasto)
                         ? "lumetto-scheda: il guasto \"%s\" è delle righe dello sketch libero\n"
                         : "lumetto-scheda: il guasto \"%s\" è delle risposte: lo sketch libero "
                           "non risponde\n",
                     nomeGuasto(opz.guasto));
        return 2;
    }

    Scheda scheda(opz);
    inServizio = &scheda;
    struct sigaction sa {};
    sa.sa_handler = alSegnale;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGHUP, &sa, nullptr);
    sigaction(SIGQUIT, &sa, nullptr);

    if (headless) {
        scheda.evento = [](const std::string& e) {
            std::cout << e << std::endl;  // one line per event, at once: another program reads them
        };
    }
    std::string errore;
    if (!scheda.collega(errore)) {
        std::fprintf(stderr, "lumetto-scheda: %s\n", errore.c_str());
        return 1;
    }
    int rc = 0;
    if (headless) {
        scheda.esegui();
        std::cout << "fine" << std::endl;
    } else {
        // The window's boxes (F1 where the guide is missing) are the desktop's.
        lumetto::platform::DialoghiQt dialoghi;
        lumetto::platform::impostaDialoghi(&dialoghi);
        rc = eseguiFinestra(scheda, argc, argv);
        lumetto::platform::impostaDialoghi(nullptr);
    }
    inServizio = nullptr;
    return rc;  // the link goes with the board
}

}  // namespace

int main(int argc, char** argv) {
    try {
        return avvia(argc, argv);
    } catch (const std::exception& e) {
        // Reached only after the board's destructor has removed the link.
        std::fprintf(stderr, "lumetto-scheda: %s\n", e.what());
        return 1;
    }
}
