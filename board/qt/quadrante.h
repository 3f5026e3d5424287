#pragma once
// A servo of the virtual board's window drawn as a needle on a protractor.

#include <QString>
#include <QWidget>

namespace lumetto::scheda {

// A servo's last commanded angle on a protractor, 0° on the left and 180° on
// the right. Its object name is "servo_" + its number; the property
// "angolo" says the angle.
class Quadrante : public QWidget {
  public:
    Quadrante(int numero, QWidget* parent);
    void imposta(int angolo);
    QSize sizeHint() const override { return {200, 150}; }

  protected:
    void paintEvent(QPaintEvent*) override;

  private:
    void mostra();

    QString nome_;
    int angolo_ = 90;
};

}  // namespace lumetto::scheda
