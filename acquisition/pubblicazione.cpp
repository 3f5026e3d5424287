// Hands the archive's runs to the class's publisher; see pubblicazione.h.
#include "acquisition/pubblicazione.h"

#include "platform/dialoghi.h"

namespace lumetto::acquisition {

PubblicazioneClasse::PubblicazioneClasse(RegistroCorse& registro, classe::Configurazione c)
    : registro_(registro),
      pubblicatore_(
          std::move(c), [&registro] { return registro.apriarchivio(); },
          [](const std::string& testo) { platform::dialoghi().avviso(testo); }) {
    // What the archive commits goes out, in the tick or later when it waited.
    registro_.doposcrittura([this] { pubblica(); });
    pubblicatore_.avvia();
}

PubblicazioneClasse::~PubblicazioneClasse() {
    registro_.doposcrittura({});
}

void PubblicazioneClasse::nuovacorsa() {
    // A run started over the one going on: that one has stopped.
    pubblicatore_.fermata();
    corsa_ = 0;
}

void PubblicazioneClasse::letturamemorizzata(int) {
    // Published once the archive commits it (pubblica), which gives the run
    // its id.
}

void PubblicazioneClasse::pubblica() {
    const int64_t id = registro_.corsa();
    if (id == 0) return;
    // A new run, or its facts written again (a free run named a column, a
    // new file took the run whole): the facts go before the readings.
    if (id != corsa_ || registro_.revisione() != revisione_) {
        corsa_ = id;
        revisione_ = registro_.revisione();
        pubblicatore_.corsa(registro_.fatti());
    }
    for (const archivio::Lettura& l : registro_.appenascritte())
        pubblicatore_.lettura(l);
}

void PubblicazioneClasse::fermata() {
    pubblicatore_.fermata();
}

std::unique_ptr<PubblicazioneClasse> pubblicazionedaimpostazioni(RegistroCorse& registro) {
    classe::EsitoConfigurazione esito = classe::leggiconfigurazione();
    if (!esito.errore.empty()) {
        platform::dialoghi().avviso("Le impostazioni della classe non valgono: " + esito.errore +
                                    "\nQuesto banco non pubblica le sue corse.");
        return nullptr;
    }
    if (!esito.configurazione) return nullptr;
    return std::make_unique<PubblicazioneClasse>(registro, std::move(*esito.configurazione));
}

}  // namespace lumetto::acquisition
