#pragma once
// What every window of the program shares: the layout's integer arithmetic,
// the designed faces resolved to fonts this system has, accessible names, and
// the busy cursor of an exchange with the board.

#include <QApplication>
#include <QFont>
#include <QString>
#include <cstdint>

namespace lumetto::platform {

// n times num/den, cut toward zero, in integers: 0.04 x 750 is 30 and 4.1 x 30
// is 123, where a double product could give 29 or 122.
inline int parte(int n, int num, int den) {
    return static_cast<int>(static_cast<int64_t>(n) * num / den);
}

// "Courier New", 14 points: fontconfig gives Liberation Mono; the hints make
// any other answer a fixed-pitch face too, so columns line up under a header.
QFont carattereFisso();
// "Times New Roman" of the buttons: Liberation Serif.
QFont carattereTimes(int punti);
// "MS Sans Serif" of the panels' controls: the nearest sans-serif face.
QFont carattereSans(int punti);
QFont conDimensione(QFont f, int punti);

// A screen reader says "Uscita", not "&Uscita".
inline QString nomeAccessibile(QString didascalia) {
    return didascalia.remove(QLatin1Char('&'));
}

// An exchange blocks the window while it waits for the board.
struct CursoreOccupato {
    CursoreOccupato() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~CursoreOccupato() { QApplication::restoreOverrideCursor(); }
    CursoreOccupato(const CursoreOccupato&) = delete;
    CursoreOccupato& operator=(const CursoreOccupato&) = delete;
};

}  // namespace lumetto::platform
