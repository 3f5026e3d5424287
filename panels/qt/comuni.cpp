#include "panels/qt/comuni.h"

#include <QScrollBar>
#include <QStyleOptionSlider>
#include <QStylePainter>
#include <QTextCursor>

namespace lumetto::panels::dettaglio {

QFont caratterePannelloPixel(int pixel) {
    QFont f = caratterePannello(9);
    f.setPixelSize(pixel);
    return f;
}

namespace {

// Paints its groove mirrored and its thumb where it is: the style fills the
// groove from the minimum, which is at the top here.
class BarraLivello final : public QSlider {
  public:
    using QSlider::QSlider;

  protected:
    void paintEvent(QPaintEvent*) override {
        QStyleOptionSlider o;
        initStyleOption(&o);
        o.subControls = QStyle::SC_SliderGroove | QStyle::SC_SliderHandle;
        o.upsideDown = !o.upsideDown;
        o.sliderPosition = o.maximum + o.minimum - o.sliderPosition;
        o.sliderValue = o.maximum + o.minimum - o.sliderValue;
        QStylePainter p(this);
        p.drawComplexControl(QStyle::CC_Slider, o);
    }
};

}  // namespace

int StilePannello::pixelMetric(PixelMetric m, const QStyleOption* o, const QWidget* w) const {
    switch (m) {
        case PM_IndicatorWidth:
        case PM_IndicatorHeight:
            return 28;
        case PM_SliderLength:
            return 24;
        case PM_SliderThickness:
        case PM_SliderControlThickness:
            return 50;
        default:
            return QProxyStyle::pixelMetric(m, o, w);
    }
}

QSlider* barra(QWidget* genitore, const char* nome, int massimo, int posizione, Riempimento r) {
    QSlider* b = r == Riempimento::SottoIlCursore ? new BarraLivello(Qt::Vertical, genitore)
                                                  : new QSlider(Qt::Vertical, genitore);
    b->setObjectName(QString::fromLatin1(nome));
    b->setRange(0, massimo);
    b->setValue(posizione);
    b->setInvertedAppearance(true);
    b->setInvertedControls(true);  // the Up key moves the thumb up
    b->setPageStep(10);
    return b;
}

void RegistroQt::svuota() {
    if (pannello_) pannello_->clear();
}

void RegistroQt::aggiungi(const std::string& riga) {
    if (!pannello_) return;
    // Its own cursor at the end, as the main window writes its rows: the
    // user's caret and selection stay where they are.
    QTextCursor c(pannello_->document());
    c.movePosition(QTextCursor::End);
    c.insertText(QString::fromStdString(riga), QTextCharFormat());
    c.insertBlock();
    QScrollBar* s = pannello_->verticalScrollBar();
    s->setValue(s->maximum());
}

}  // namespace lumetto::panels::dettaglio
