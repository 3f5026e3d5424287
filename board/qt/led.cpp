// The virtual board's output LED; see led.h.
#include "board/qt/led.h"

#include <QPainter>
#include <algorithm>

namespace lumetto::scheda {

Led::Led(const QString& nome, QWidget* parent) : QWidget(parent), nome_(nome) {
    setObjectName("uscita_" + nome);
    setAccessibleName(nome);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    mostra();
}

void Led::imposta(bool acceso) {
    if (acceso == acceso_) return;
    acceso_ = acceso;
    mostra();
}

QSize Led::sizeHint() const {
    return {std::max(64, fontMetrics().horizontalAdvance("HIGH") + 24),
            kDiametro + 8 + 2 * fontMetrics().height()};
}

void Led::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QRectF cerchio((width() - kDiametro) / 2.0, 2, kDiametro, kDiametro);
    QRadialGradient luce(cerchio.center() - QPointF(4, 4), kDiametro * 0.7);
    if (acceso_) {
        luce.setColorAt(0, QColor(255, 220, 200));
        luce.setColorAt(0.35, QColor(255, 60, 40));
        luce.setColorAt(1, QColor(190, 20, 10));
    } else {
        luce.setColorAt(0, QColor(170, 130, 130));
        luce.setColorAt(1, QColor(90, 55, 55));
    }
    p.setPen(QPen(QColor(60, 40, 40), 1.5));
    p.setBrush(luce);
    p.drawEllipse(cerchio);

    int riga = fontMetrics().height();
    QRect testo(0, kDiametro + 6, width(), riga);
    QFont f = font();
    f.setBold(true);
    p.setFont(f);
    p.setPen(palette().color(QPalette::WindowText));
    p.drawText(testo, Qt::AlignCenter, nome_);
    p.setFont(font());
    p.setPen(acceso_ ? QColor(190, 20, 10) : palette().color(QPalette::PlaceholderText));
    p.drawText(testo.translated(0, riga), Qt::AlignCenter, acceso_ ? "HIGH" : "LOW");
}

void Led::mostra() {
    setProperty("acceso", acceso_);
    setAccessibleDescription(acceso_ ? "HIGH" : "LOW");
    setToolTip(nome_ + (acceso_ ? ": alta (HIGH, 5 V)" : ": bassa (LOW, 0 V)"));
    update();
}

}  // namespace lumetto::scheda
