#include "platform/qt/guida.h"

#include <QDesktopServices>
#include <QKeySequence>
#include <QShortcut>
#include <QString>
#include <QUrl>
#include <QWidget>
#include <system_error>

#include "platform/dialoghi.h"
#include "platform/guida.h"

namespace lumetto::platform {

void installaguida(QWidget* finestra, const char* pagina) {
    auto* f1 = new QShortcut(QKeySequence::HelpContents, finestra);
    // Each window its own page: the key belongs to the window that has the focus.
    f1->setContext(Qt::WindowShortcut);
    QObject::connect(f1, &QShortcut::activated, finestra, [pagina] { apriguida(pagina); });
}

void apriguida(const char* pagina) {
    const PaginaGuida p = paginaguida(pagina);
    std::error_code ec;
    if (!std::filesystem::is_regular_file(p.file, ec)) {
        dialoghi().errore("La guida di Lumetto non c'è: manca il file " + p.file.string() +
                          ".\nSe Lumetto è stato compilato dai sorgenti, installare pandoc e "
                          "compilarlo di nuovo.");
        return;
    }
    QUrl url = QUrl::fromLocalFile(QString::fromStdString(p.file.string()));
    if (!p.sezione.empty()) url.setFragment(QString::fromStdString(p.sezione));
    if (!QDesktopServices::openUrl(url))
        dialoghi().errore("Nessun browser ha aperto la guida di Lumetto. La guida è nel file " +
                          p.file.string() + ": aprirlo con un browser.");
}

}  // namespace lumetto::platform
