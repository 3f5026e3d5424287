#pragma once
// The class's publisher as a listener of the acquisition: each run, as the
// archive's listener commits it, goes to the class broker with the bench's
// state ("in corsa", "fermo"). Installed after the archive's listener, and
// only where the class's settings exist.

#include <cstdint>
#include <memory>
#include <string>

#include "acquisition/acquisizione.h"
#include "acquisition/registrocorse.h"
#include "classroom/configurazione.h"
#include "classroom/pubblicatore.h"

namespace lumetto::acquisition {

class PubblicazioneClasse final : public Ascoltatore {
  public:
    // Starts the connection at once; what goes wrong is told as a notice.
    PubblicazioneClasse(RegistroCorse& registro, classe::Configurazione c);
    ~PubblicazioneClasse() override;
    PubblicazioneClasse(const PubblicazioneClasse&) = delete;
    PubblicazioneClasse& operator=(const PubblicazioneClasse&) = delete;

    void nuovacorsa() override;
    void letturamemorizzata(int r) override;
    void fermata() override;

    classe::Pubblicatore& pubblicatore() { return pubblicatore_; }

  private:
    void pubblica();

    RegistroCorse& registro_;
    classe::Pubblicatore pubblicatore_;
    int64_t corsa_ = 0;  // the run the publisher was told of
    int revisione_ = 0;  // of its facts, as the archive's listener counts them
};

// The class's settings files read at start: the listener to install, or
// none (no settings; or broken ones, said once as a notice).
std::unique_ptr<PubblicazioneClasse> pubblicazionedaimpostazioni(RegistroCorse& registro);

}  // namespace lumetto::acquisition
