#pragma once
// What every window of the program shares: the layout's integer arithmetic,
// the designed faces resolved to fonts this system has, accessible names, and
// the busy cursor of an exchange with the board.

#include <QApplication>
#include <QFont>
#include <QPushButton>
#include <QSize>
#include <QString>
#include <cstdint>

namespace lumetto::platform {

// n times num/den, cut toward zero, in integers: 0.04 x 750 is 30 and 4.1 x 30
// is 123, where a double product could give 29 or 122.
inline int parte(int n, int num, int den) {
    return static_cast<int>(static_cast<int64_t>(n) * num / den);
}

// The designed faces, each named with the installed face that stands for it,
// so that the layout, which sizes controls from their text, is the same on
// every machine whatever fontconfig's defaults are. The set-up installs
// fonts-liberation and fonts-dejavu-core.
//
// "Courier New", 14 points: Liberation Mono, metric-compatible, so the
// columns line up under a header.
QFont carattereFisso();
// "Times New Roman" of the buttons: Liberation Serif, metric-compatible.
QFont carattereTimes(int punti);
// "MS Sans Serif", the window font (the port label, the value labels, the
// panels' controls, the message boxes): DejaVu Sans. It has no
// metric-compatible stand-in; DejaVu Sans gives the main window its designed
// proportions (a 953 x 645 picture on a 1366 x 768 screen).
QFont carattereSans(int punti);
// The window font at the desktop's own size.
QFont carattereFinestra();
QFont conDimensione(QFont f, int punti);

// Qt's own texts (the boxes' buttons, the file dialog) in Italian, as every
// text of ours is, whatever the locale: Qt's translation of qtbase
// (qt6-translations-l10n) installed on the application. False when it is
// not installed, and the boxes keep Qt's English.
bool traduzioneqt(QCoreApplication& app);

// A screen reader says "Uscita", not "&Uscita".
inline QString nomeAccessibile(QString didascalia) {
    return didascalia.remove(QLatin1Char('&'));
}

// A push button as every window makes them: its component name, its caption
// ("&Uscita" gets Alt+U) and the caption without "&" as accessible name;
// never pressed by Enter in a box of the window.
QPushButton* bottone(QWidget* genitore, const QString& nome, const QString& didascalia);

// The window over the whole screen, as the layout rules of every window
// want it; under a window manager maximised instead, so that the frame and
// the panels take their share and nothing runs off the screen. The screen's
// size, for the layout.
QSize tuttoschermo(QWidget* finestra);

// An exchange blocks the window while it waits for the board.
struct CursoreOccupato {
    CursoreOccupato() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~CursoreOccupato() { QApplication::restoreOverrideCursor(); }
    CursoreOccupato(const CursoreOccupato&) = delete;
    CursoreOccupato& operator=(const CursoreOccupato&) = delete;
};

}  // namespace lumetto::platform
