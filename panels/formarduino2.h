#pragma once
// The servo panel: three bars set the angles (0 to 180 degrees) of the servos
// on D7, D8 and D9; "aggiorna" sends all three in one exchange.

#include <QDialog>
#include <array>
#include <memory>

#include "panels/statopin.h"

class QLabel;
class QPushButton;
class QSlider;
class QTextEdit;

namespace lumetto::panels {

namespace dettaglio {
class RegistroQt;
class StilePannello;
}  // namespace dettaglio

class TFormarduino2 final : public QDialog {
  public:
    explicit TFormarduino2(QWidget* parent = nullptr);
    ~TFormarduino2() override;
    TFormarduino2(const TFormarduino2&) = delete;
    TFormarduino2& operator=(const TFormarduino2&) = delete;

    // The main window's log pane (its "RichEdit1"), where each exchange
    // leaves its heading line; without it nothing is logged.
    void impostaRegistro(QTextEdit* pannello);

    // Each time the panel is shown: over the whole screen, laid out for it,
    // the position labels emptied.
    void inizia();
    void disponi(int W, int H);
    // "aggiorna": the three positions to the board.
    void vai_ricevodati();

  protected:
    void showEvent(QShowEvent* e) override;

  private:
    std::array<QSlider*, kServi> TrackBar{};
    std::array<QLabel*, kServi> Posizione{};  // Label1 to Label3, under the bars
    std::array<QLabel*, kServi> Pin{};        // Label4 to Label6, over the bars
    QPushButton* Button1 = nullptr;
    QPushButton* BitBtn1 = nullptr;
    QPushButton* BitBtn2 = nullptr;
    dettaglio::StilePannello* stile_ = nullptr;  // a child of the panel
    std::unique_ptr<dettaglio::RegistroQt> registro_;
};

}  // namespace lumetto::panels
