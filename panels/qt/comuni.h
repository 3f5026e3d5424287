#pragma once
// What the two panels share: the layout's integer arithmetic, their fonts, the
// busy cursor of an exchange, the bar they are built from, and the main
// window's log pane seen as a Registro.

#include <QApplication>
#include <QFont>
#include <QPointer>
#include <QProxyStyle>
#include <QSlider>
#include <QTextEdit>

#include "panels/scambi.h"
#include "platform/qt/finestre.h"

namespace lumetto::panels::dettaglio {

using platform::CursoreOccupato;
using platform::nomeAccessibile;
using platform::parte;

// "MS Sans Serif", the designed face of the panels' controls, and the
// "Times New Roman" of the close buttons.
inline QFont caratterePannello(int punti) {
    return platform::carattereSans(punti);
}
QFont caratterePannelloPixel(int pixel);
inline QFont carattereBottone(int punti) {
    return platform::carattereTimes(punti);
}

// A vertical bar with its lowest position at the top, as the boards' panels
// always drew them: a high reading or a small angle puts the thumb up there.
// A level bar fills its groove below the thumb instead of above it, so that
// a higher voltage shows as a fuller bar.
enum class Riempimento { SopraIlCursore, SottoIlCursore };
QSlider* barra(QWidget* genitore, const char* nome, int massimo, int posizione,
               Riempimento r = Riempimento::SopraIlCursore);

// The panels' look on top of the application's style: check marks that
// match the lists' 40-pixel face, and broad thumbs on the bars.
class StilePannello final : public QProxyStyle {
  public:
    int pixelMetric(PixelMetric m, const QStyleOption* o, const QWidget* w) const override;
};

// The main window's log pane: lines go to the end whatever the user selected
// there, in the pane's own font, and the last one is scrolled into view.
class RegistroQt final : public Registro {
  public:
    explicit RegistroQt(QTextEdit* pannello) : pannello_(pannello) {}
    void svuota() override;
    void aggiungi(const std::string& riga) override;

  private:
    QPointer<QTextEdit> pannello_;  // the main window may go first at exit
};

}  // namespace lumetto::panels::dettaglio
