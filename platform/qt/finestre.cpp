#include "platform/qt/finestre.h"

namespace lumetto::platform {

QFont carattereFisso() {
    QFont f(QStringLiteral("Courier New"));
    f.setPointSize(14);
    f.setStyleHint(QFont::TypeWriter);
    f.setFixedPitch(true);
    return f;
}

QFont carattereTimes(int punti) {
    QFont f(QStringLiteral("Times New Roman"));
    f.setStyleHint(QFont::Serif);
    f.setPointSize(punti);
    return f;
}

QFont carattereSans(int punti) {
    QFont f(QStringLiteral("MS Sans Serif"));
    f.setStyleHint(QFont::SansSerif);
    f.setPointSize(punti);
    return f;
}

QFont conDimensione(QFont f, int punti) {
    f.setPointSize(punti);
    return f;
}

}  // namespace lumetto::platform
