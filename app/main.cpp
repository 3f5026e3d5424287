// Lumetto: the four windows, created once in their order, and the message loop.
// Closing the main window ends the program; nothing is saved.

#include <QApplication>
#include <QIcon>

#include "acquisition/formgrafico.h"
#include "acquisition/mainform.h"
#include "link/collegamento.h"
#include "panels/formarduino.h"
#include "panels/formarduino2.h"
#include "platform/qt/dialoghiqt.h"
#include "platform/qt/finestre.h"
#include "platform/unita.h"
#include "schemes/qt/form2.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // Desktops match the windows to the menu entry and its icon by this name.
    QGuiApplication::setDesktopFileName(QStringLiteral("lumetto"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("lumetto")));
    // The message boxes in the windows' own face.
    QApplication::setFont(lumetto::platform::carattereFinestra());
    lumetto::platform::DialoghiQt dialoghi;
    lumetto::platform::impostaDialoghi(&dialoghi);
    // A new user's c: drive, with the default plants where the scheme commands
    // look for them. A failure is told and the program goes on: only those
    // commands need the files, and they say so again when one is missing.
    try {
        lumetto::platform::preparaunita(lumetto::platform::cartelladati());
    } catch (const lumetto::platform::ErroreUnita& e) {
        dialoghi.errore(e.what());
    }

    lumetto::acquisition::Tmainform mainform;
    lumetto::panels::TFormarduino formarduino;
    lumetto::panels::TFormarduino2 formarduino2;
    lumetto::schemes::TForm2 form2;
    // The plot window, after the four of the design.
    lumetto::acquisition::TFormgrafico grafico;
    formarduino.impostaRegistro(mainform.registro());
    formarduino2.impostaRegistro(mainform.registro());
    mainform.impostaFinestre(&formarduino, &formarduino2, &form2);
    mainform.impostaGrafico(&grafico);

    // Showing it runs its set-up: layout over the screen, then the port search.
    mainform.show();
    int esito = QApplication::exec();
    // A run that ended without a reply may still hold its port: let it go
    // while the program is whole, not among the destructors at exit.
    lumetto::link::rilasciaporte();
    lumetto::platform::impostaDialoghi(nullptr);
    return esito;
}
