// Lumetto: a desktop's boxes, name and icon, then the program.
// Closing the main window ends the program; nothing is saved.

#include <QApplication>
#include <QIcon>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/opzioni.h"
#include "app/programma.h"
#include "platform/qt/diagnosticaqt.h"
#include "platform/qt/dialoghiqt.h"
#include "platform/qt/finestre.h"

int main(int argc, char** argv) {
    // Before Qt, which needs a display: --help and --version work without one.
    const lumetto::Opzioni opzioni =
        lumetto::leggiopzioni(std::vector<std::string>(argv + std::min(argc, 1), argv + argc));
    if (opzioni.azione != lumetto::Opzioni::Azione::Avvia) {
        std::fputs(opzioni.testo.c_str(),
                   opzioni.azione == lumetto::Opzioni::Azione::Errore ? stderr : stdout);
        return opzioni.esito;
    }
    lumetto::platform::instradadiagnostica();
    if (opzioni.diagnostica) {
        if (auto e = lumetto::platform::accendidiagnostica(*opzioni.diagnostica)) {
            std::fprintf(stderr, "lumetto: %s\n", e->c_str());
            return 2;
        }
    }
    QApplication app(argc, argv);
    lumetto::platform::traduzioneqt(app);
    // Desktops match the windows to the menu entry and its icon by this name.
    QGuiApplication::setDesktopFileName(QStringLiteral("lumetto"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("lumetto")));
    // The message boxes in the windows' own face.
    QApplication::setFont(lumetto::platform::carattereFinestra());
    lumetto::platform::DialoghiQt dialoghi;
    // LUMETTO_TRACCIA=1: every box's text also on standard error; "solo":
    // only there, no box shown and every question cancelled (a bench left to
    // run by itself, as in the class demonstration).
    lumetto::platform::DialoghiMuti muti;
    const char* t = std::getenv("LUMETTO_TRACCIA");
    const std::string traccia = t ? t : "";
    lumetto::platform::tracciasuerrore(!traccia.empty() && traccia != "0");
    lumetto::platform::impostaDialoghi(
        traccia == "solo" ? static_cast<lumetto::platform::Dialoghi*>(&muti) : &dialoghi);
    const int esito = lumetto::eseguiprogramma(opzioni);
    lumetto::platform::impostaDialoghi(nullptr);
    return esito;
}
