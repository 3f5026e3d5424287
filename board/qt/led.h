#pragma once
// An output pin of the virtual board's window drawn as an LED.

#include <QString>
#include <QWidget>

namespace lumetto::scheda {

// An output pin as an LED: lit while the sketch holds it HIGH. Its object
// name is "uscita_" + the pin's name; the property "acceso" says its state.
class Led : public QWidget {
  public:
    Led(const QString& nome, QWidget* parent);
    void imposta(bool acceso);
    QSize sizeHint() const override;

  protected:
    void paintEvent(QPaintEvent*) override;

  private:
    static constexpr int kDiametro = 26;

    void mostra();

    QString nome_;
    bool acceso_ = false;
};

}  // namespace lumetto::scheda
