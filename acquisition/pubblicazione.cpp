// Hands the archive's runs to the class's publisher; see pubblicazione.h.
#include "acquisition/pubblicazione.h"

#include "platform/dialoghi.h"

namespace lumetto::acquisition {

PubblicazioneClasse::PubblicazioneClasse(RegistroCorse& registro, classe::Configurazione c)
    : registro_(registro),
      pubblicatore_(
          std::move(c), [&registro] { return registro.apriarchivio(); },
          [](const std::string& testo) { platform::dialoghi().avviso(testo); }) {
    pubblicatore_.avvia();
}

void PubblicazioneClasse::nuovacorsa() {
    // A run started over the one going on: that one has stopped.
    pubblicatore_.fermata();
    corsa_ = 0;
}

void PubblicazioneClasse::letturamemorizzata(int r) {
    // Without the archive there is no run id to publish under.
    const int64_t id = registro_.corsa();
    if (id == 0) return;
    // A new run, or its facts written again (a free run named a column):
    // the facts go before the reading that needs them.
    if (id != corsa_ || registro_.revisione() != revisione_) {
        corsa_ = id;
        revisione_ = registro_.revisione();
        pubblicatore_.corsa(registro_.fatti());
    }
    if (const archivio::Lettura* l = registro_.salvata(r)) pubblicatore_.lettura(*l);
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
