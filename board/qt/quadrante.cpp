// The virtual board's servo protractor; see quadrante.h.
#include "board/qt/quadrante.h"

#include <QPainter>
#include <algorithm>
#include <cmath>
#include <numbers>

namespace lumetto::scheda {

Quadrante::Quadrante(int numero, QWidget* parent)
    : QWidget(parent), nome_(QString("Servo %1").arg(numero)) {
    setObjectName(QString("servo_%1").arg(numero));
    setAccessibleName(nome_);
    setMinimumSize(120, 110);
    mostra();
}

void Quadrante::imposta(int angolo) {
    if (angolo == angolo_) return;
    angolo_ = angolo;
    mostra();
}

void Quadrante::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QFontMetrics fm = fontMetrics();
    int h = fm.height();
    // Above the arc a line for "90°"; below it one for the end labels, one for the caption.
    double r = std::min(width() / 2.0 - 6, height() - 3.0 * h - 16);
    r = std::max(r, 20.0);
    QPointF c(width() / 2.0, h + 6 + r);
    auto punto = [&](double gradi, double raggio) {
        double t = (180.0 - gradi) * std::numbers::pi / 180.0;
        return c + QPointF(std::cos(t) * raggio, -std::sin(t) * raggio);
    };

    QRectF arco(c.x() - r, c.y() - r, 2 * r, 2 * r);
    p.setPen(QPen(palette().color(QPalette::Mid), 1.5));
    p.setBrush(palette().color(QPalette::AlternateBase));
    p.drawPie(arco, 0, 180 * 16);
    for (int g = 0; g <= 180; g += 15) {
        double dentro = g % 45 == 0 ? r * 0.8 : r * 0.9;
        p.drawLine(punto(g, dentro), punto(g, r));
    }
    p.setPen(palette().color(QPalette::PlaceholderText));
    QRectF estremi(c.x() - r, c.y() + 2, 2 * r, h);
    p.drawText(estremi, Qt::AlignLeft | Qt::AlignTop, "0°");
    p.drawText(estremi, Qt::AlignRight | Qt::AlignTop, "180°");
    p.drawText(QRectF(c.x() - 40, c.y() - r - h - 2, 80, h), Qt::AlignCenter, "90°");

    QColor lancetta(21, 101, 192);
    p.setPen(QPen(lancetta, 4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(c, punto(angolo_, r * 0.85));
    p.setPen(Qt::NoPen);
    p.setBrush(lancetta);
    p.drawEllipse(c, 5, 5);

    QFont f = font();
    f.setBold(true);
    p.setFont(f);
    p.setPen(palette().color(QPalette::WindowText));
    QRectF sotto(0, c.y() + h + 6, width(), h);
    p.drawText(sotto, Qt::AlignCenter, QString("%1: %2°").arg(nome_).arg(angolo_));
}

void Quadrante::mostra() {
    setProperty("angolo", angolo_);
    setAccessibleDescription(QString("%1°").arg(angolo_));
    setToolTip(QString("%1 all'ultimo angolo comandato: %2°").arg(nome_).arg(angolo_));
    update();
}

}  // namespace lumetto::scheda
