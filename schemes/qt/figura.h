#pragma once
// What the main window's overlay and the scheme editor share: the plant
// picture stretched to its control, the scale from a scheme's reference
// pixels to the control's, and a value label put on the picture through it.

#include <QImage>
#include <QSize>

#include "schemes/etichette.h"

class QLabel;

namespace lumetto::schemes {

class FiguraSchema {
  public:
    explicit FiguraSchema(QLabel* controllo) : controllo_(controllo) {}

    // The size to decode the picture at: the control's, in the screen's own
    // pixels, so that a high-density screen gets a sharp picture.
    QSize dadecodificare() const;
    // Shows the picture stretched to the control; the same picture again
    // costs nothing.
    void mostra(const QImage& figura);
    void svuota();

    // The control's stretch against the reference space; the picture's own
    // size plays no part, so a sharper copy of a drawing keeps its labels.
    Scala scala() const;
    // The label of `e` (positions in reference pixels) over the picture:
    // caption, colour, size and place through the scale.
    void metti(QLabel* etichetta, const Etichetta& e) const;

  private:
    QLabel* controllo_;
    qint64 mostrata_ = 0;  // cacheKey of the picture in the control
};

}  // namespace lumetto::schemes
