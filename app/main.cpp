// Lumetto: a desktop's boxes, name and icon, then the program.
// Closing the main window ends the program; nothing is saved.

#include <QApplication>
#include <QIcon>

#include "app/programma.h"
#include "platform/qt/dialoghiqt.h"
#include "platform/qt/finestre.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // Desktops match the windows to the menu entry and its icon by this name.
    QGuiApplication::setDesktopFileName(QStringLiteral("lumetto"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("lumetto")));
    // The message boxes in the windows' own face.
    QApplication::setFont(lumetto::platform::carattereFinestra());
    lumetto::platform::DialoghiQt dialoghi;
    lumetto::platform::impostaDialoghi(&dialoghi);
    const int esito = lumetto::eseguiprogramma();
    lumetto::platform::impostaDialoghi(nullptr);
    return esito;
}
