#include "schemes/qt/figura.h"

#include <QLabel>
#include <QPixmap>

#include "schemes/cp1252.h"

namespace lumetto::schemes {

QSize FiguraSchema::dadecodificare() const {
    return controllo_->size() * controllo_->devicePixelRatioF();
}

void FiguraSchema::mostra(const QImage& figura) {
    if (figura.cacheKey() == mostrata_) return;
    controllo_->setPixmap(QPixmap::fromImage(figura));
    mostrata_ = figura.cacheKey();
}

void FiguraSchema::svuota() {
    controllo_->clear();
    mostrata_ = 0;
}

Scala FiguraSchema::scala() const {
    return Scala::riferimento(controllo_->width(), controllo_->height());
}

void FiguraSchema::metti(QLabel* l, const Etichetta& e) const {
    const Scala s = scala();
    l->setText(QString::fromStdString(utf8dacp1252(e.didascalia)));
    l->setAccessibleName(l->text());
    QPalette p = l->palette();
    p.setColor(QPalette::WindowText, QColor(e.colore.r, e.colore.g, e.colore.b));
    l->setPalette(p);
    QFont f = l->font();
    f.setPointSizeF(s.punti(e.dimensione));
    l->setFont(f);
    l->adjustSize();
    l->move(controllo_->pos() + QPoint(s.controllox(e.x), s.controlloy(e.y)));
    l->setVisible(e.visibile);
}

}  // namespace lumetto::schemes
