#include "app/programma.h"

#include <QApplication>
#include <QTimer>

#include "acquisition/esperimenti.h"
#include "acquisition/libero.h"
#include "acquisition/proprio.h"
#include "acquisition/pubblicazione.h"
#include "acquisition/qt/formesperimenti.h"
#include "acquisition/qt/formgrafico.h"
#include "acquisition/qt/mainform.h"
#include "acquisition/registrocorse.h"
#include "link/collegamento.h"
#include "panels/qt/formarduino.h"
#include "panels/qt/formarduino2.h"
#include "platform/dialoghi.h"
#include "platform/qt/finestre.h"
#include "platform/unita.h"
#include "schemes/qt/form2.h"

namespace lumetto {

int eseguiprogramma(const std::string& esperimento) {
    Opzioni o;
    o.esperimento = esperimento;
    return eseguiprogramma(o);
}

int eseguiprogramma(const Opzioni& opzioni) {
    // A new user's c: drive, with the default plants where the scheme commands
    // look for them. A failure is told and the program goes on: only those
    // commands need the files, and they say so again when one is missing.
    try {
        platform::preparaunita(platform::cartelladati());
    } catch (const platform::ErroreUnita& e) {
        platform::dialoghi().errore(e.what());
    }

    acquisition::Tmainform mainform;
    panels::TFormarduino formarduino;
    panels::TFormarduino2 formarduino2;
    schemes::TForm2 form2;
    // The plot window, after the four of the design.
    acquisition::TFormgrafico grafico;
    // Every run kept in the user's archive as it happens.
    acquisition::RegistroCorse corse;
    acquisition::aggiungiascoltatore(&corse);
    // What the archive could not take in the tick (another program's lock,
    // a full disk) is tried again each second, also after the run's end.
    QTimer riprova;
    QObject::connect(&riprova, &QTimer::timeout, [&corse] { corse.riprova(); });
    riprova.start(1000);
    // With the class's settings, each run also goes to the class broker as
    // the archive commits it (so after it among the listeners).
    std::unique_ptr<acquisition::PubblicazioneClasse> classe =
        acquisition::pubblicazionedaimpostazioni(corse);
    if (classe) acquisition::aggiungiascoltatore(classe.get());
    formarduino.impostaRegistro(mainform.registro());
    formarduino2.impostaRegistro(mainform.registro());
    mainform.impostaFinestre(&formarduino, &formarduino2, &form2);
    mainform.impostaGrafico(&grafico);
    // "il mio esperimento...": the teacher's experiments, one to start.
    mainform.impostaMioEsperimento([&mainform] {
        acquisition::TFormesperimenti elenco(acquisition::cartellaesperimenti(),
                                             acquisition::kCartellaCondivisa, &mainform);
        if (auto s = elenco.scegli()) {
            platform::CursoreOccupato occupato;
            acquisition::avviamio(s->esperimento, s->file.string());
        }
    });

    if (opzioni.mio) {
        mainform.eseguiallavvio(
            [&opzioni] { acquisition::avviamio(*opzioni.mio, opzioni.fileesperimento); });
    } else if (opzioni.esperimento == "BitBtn35") {
        mainform.eseguiallavvio([&opzioni] { acquisition::avvialibero(opzioni.baud); });
    } else {
        mainform.eseguiallavvio(acquisition::comando(opzioni.esperimento));
    }
    // Showing it runs its set-up: layout over the screen, then the port search.
    mainform.show();
    const int esito = QApplication::exec();
    // A run that ended without a reply may still hold its port: let it go
    // while the program is whole, not among the destructors at exit.
    link::rilasciaporte();
    acquisition::togliascoltatore(classe.get());
    acquisition::togliascoltatore(&corse);
    return esito;
}

}  // namespace lumetto
