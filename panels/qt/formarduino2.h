#pragma once
// The servo panel: three bars set the angles (0 to 180 degrees) of the servos
// on D7, D8 and D9; "aggiorna" sends all three in one exchange.

#include <array>

#include "panels/qt/pannello.h"
#include "panels/statopin.h"

class QLabel;
class QSlider;

namespace lumetto::panels {

class TFormarduino2 final : public Pannello {
  public:
    explicit TFormarduino2(QWidget* parent = nullptr);

    // Laid out each time it is shown, with the position labels emptied.
    void disponi(int W, int H) override;
    // "aggiorna": the three positions to the board.
    void vai_ricevodati() override;

  private:
    std::array<QSlider*, kServi> TrackBar{};
    std::array<QLabel*, kServi> Posizione{};  // Label1 to Label3, under the bars
    std::array<QLabel*, kServi> Pin{};        // Label4 to Label6, over the bars
};

}  // namespace lumetto::panels
