#include "schemes/qt/figura.h"

#include <QLabel>
#include <QPixmap>
#include <algorithm>

#include "platform/immagini/immagini.h"
#include "schemes/cp1252.h"

namespace lumetto::schemes {

QSize FiguraSchema::dadecodificare() const {
    return controllo_->size() * controllo_->devicePixelRatioF();
}

void FiguraSchema::mostra(const QImage& figura) {
    propria_ = platform::dimensionepropria(figura);
    if (figura.cacheKey() == mostrata_) return;
    controllo_->setPixmap(QPixmap::fromImage(figura));
    mostrata_ = figura.cacheKey();
}

void FiguraSchema::svuota() {
    controllo_->clear();
    propria_ = {};
    mostrata_ = 0;
}

Scala FiguraSchema::scala() const {
    return {propria_.width(), propria_.height(), controllo_->width(), controllo_->height()};
}

void FiguraSchema::metti(QLabel* l, const Etichetta& e) const {
    const Scala s = scala();
    l->setText(QString::fromStdString(utf8dacp1252(e.didascalia)));
    l->setAccessibleName(l->text());
    QPalette p = l->palette();
    p.setColor(QPalette::WindowText, QColor(e.colore.r, e.colore.g, e.colore.b));
    l->setPalette(p);
    QFont f = l->font();
    f.setPointSizeF(std::max(1.0, s.punti(e.dimensione)));  // Qt refuses a size of 0
    l->setFont(f);
    l->adjustSize();
    l->move(controllo_->pos() + QPoint(s.controllox(e.x), s.controlloy(e.y)));
    l->setVisible(e.visibile);
}

}  // namespace lumetto::schemes
