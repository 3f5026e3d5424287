#include "scheda/finestra.h"

#include <QApplication>
#include <thread>

#include "scheda/scheda.h"

namespace lumetto::scheda {

int eseguiFinestra(Scheda& scheda, int argc, char** argv) {
    QApplication app(argc, argv);
    std::thread servizio([&] {
        scheda.esegui();
        QMetaObject::invokeMethod(&app, [] { QApplication::quit(); }, Qt::QueuedConnection);
    });
    int rc = app.exec();
    scheda.ferma();
    servizio.join();
    return rc;
}

}  // namespace lumetto::scheda
