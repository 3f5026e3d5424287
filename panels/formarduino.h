#pragma once
// The pin-state panel: the board's digital inputs D2 to D7 as check marks,
// its analog inputs A0 to A5 as bars with their voltages, and the digital
// outputs D8 to D13 to tick. "aggiorna" does one whole exchange.

#include <QDialog>
#include <array>
#include <memory>

#include "panels/statopin.h"

class QLabel;
class QListWidget;
class QPushButton;
class QSlider;
class QTextEdit;

namespace lumetto::panels {

namespace dettaglio {
class RegistroQt;
class StilePannello;
}  // namespace dettaglio

class TFormarduino final : public QDialog {
  public:
    explicit TFormarduino(QWidget* parent = nullptr);
    ~TFormarduino() override;
    TFormarduino(const TFormarduino&) = delete;
    TFormarduino& operator=(const TFormarduino&) = delete;

    // The main window's log pane (its "RichEdit1"), which every exchange
    // clears and writes; without it nothing is logged.
    void impostaRegistro(QTextEdit* pannello);

    // Each time the panel is shown: over the whole screen, laid out for it,
    // the voltage labels emptied.
    void inizia();
    // The layout rules for a screen of W x H pixels.
    void disponi(int W, int H);
    // "aggiorna": read the pins, show them, send the output levels.
    void vai_ricevodati();

  protected:
    void showEvent(QShowEvent* e) override;

  private:
    void mostra(const StatoLetto& s);

    QListWidget* CheckListBox1 = nullptr;
    QListWidget* CheckListBox2 = nullptr;
    std::array<QSlider*, 6> TrackBar{};
    std::array<QLabel*, 6> Label{};  // Label1 to Label6
    QLabel* Label7 = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* BitBtn1 = nullptr;
    QPushButton* BitBtn2 = nullptr;
    dettaglio::StilePannello* stile_ = nullptr;  // a child of the panel
    std::unique_ptr<dettaglio::RegistroQt> registro_;
};

}  // namespace lumetto::panels
