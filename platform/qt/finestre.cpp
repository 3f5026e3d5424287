#include "platform/qt/finestre.h"

#include <QGuiApplication>
#include <QLibraryInfo>
#include <QScreen>
#include <QStringList>
#include <QTranslator>

namespace lumetto::platform {

namespace {

// The designed name first, where a machine has the real face; then the
// installed face with the same metrics. A name fontconfig does not know
// would otherwise get whatever its default for the style is.
QFont nominato(QStringList facce, QFont::StyleHint stile, int punti) {
    QFont f;
    f.setFamilies(facce);
    f.setStyleHint(stile);
    f.setPointSize(punti);
    // Glyphs fitted to the pixel grid in height only, as Debian renders by
    // default: text widths then follow the face's own metrics, not a
    // machine's hinting setting, which would move the layout by pixels.
    f.setHintingPreference(QFont::PreferVerticalHinting);
    return f;
}

}  // namespace

QFont carattereFisso() {
    QFont f = nominato({QStringLiteral("Courier New"), QStringLiteral("Liberation Mono")},
                       QFont::TypeWriter, 14);
    f.setFixedPitch(true);
    return f;
}

QFont carattereTimes(int punti) {
    return nominato({QStringLiteral("Times New Roman"), QStringLiteral("Liberation Serif")},
                    QFont::Serif, punti);
}

QFont carattereSans(int punti) {
    return nominato({QStringLiteral("DejaVu Sans")}, QFont::SansSerif, punti);
}

QFont carattereFinestra() {
    QFont f = carattereSans(9);
    const QFont desktop = QApplication::font();
    if (desktop.pointSizeF() > 0) f.setPointSizeF(desktop.pointSizeF());
    return f;
}

QPushButton* bottone(QWidget* genitore, const QString& nome, const QString& didascalia) {
    auto* b = new QPushButton(didascalia, genitore);
    b->setObjectName(nome);
    b->setAccessibleName(nomeAccessibile(didascalia));
    b->setAutoDefault(false);
    b->setDefault(false);
    return b;
}

QSize tuttoschermo(QWidget* finestra) {
    const QRect schermo = QGuiApplication::primaryScreen()->geometry();
    finestra->setGeometry(0, 0, schermo.width(), schermo.height());
    finestra->setWindowState(finestra->windowState() | Qt::WindowMaximized);
    return schermo.size();
}

QFont conDimensione(QFont f, int punti) {
    f.setPointSize(punti);
    // Glyphs fitted to the pixel grid in height only, as Debian renders by
    // default: text widths then follow the face's own metrics, not a
    // machine's hinting setting, which would move the layout by pixels.
    f.setHintingPreference(QFont::PreferVerticalHinting);
    return f;
}

}  // namespace lumetto::platform

namespace lumetto::platform {

bool traduzioneqt(QCoreApplication& app) {
    // One for the life of the program: the application keeps a pointer.
    static QTranslator traduttore;
    if (!traduttore.isEmpty()) return true;
    if (!traduttore.load(QStringLiteral("qtbase_it"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        return false;
    return app.installTranslator(&traduttore);
}

}  // namespace lumetto::platform
