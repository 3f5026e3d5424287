#pragma once
// The pin-state panel: the board's digital inputs D2 to D7 as check marks,
// its analog inputs A0 to A5 as bars with their voltages, and the digital
// outputs D8 to D13 to tick. "aggiorna" does one whole exchange.

#include <array>

#include "panels/qt/pannello.h"
#include "panels/statopin.h"

class QLabel;
class QListWidget;
class QPushButton;
class QSlider;

namespace lumetto::panels {

class TFormarduino final : public Pannello {
  public:
    explicit TFormarduino(QWidget* parent = nullptr);

    // Laid out each time it is shown, with the voltage labels emptied.
    void disponi(int W, int H) override;
    // "aggiorna": read the pins, show them, send the output levels.
    void vai_ricevodati() override;
    // "taratura": the board says how it measures its supply, the teacher
    // types the multimeter's reading of the 5V pin, the board keeps it.
    void taratura();

  private:
    void mostra(const StatoLetto& s);

    QListWidget* CheckListBox1 = nullptr;
    QListWidget* CheckListBox2 = nullptr;
    std::array<QSlider*, 6> TrackBar{};
    std::array<QLabel*, 6> Label{};  // Label1 to Label6
    QLabel* Label7 = nullptr;
    QPushButton* BitBtn3 = nullptr;  // "taratura", where the hidden "&COMANDI" would be
};

}  // namespace lumetto::panels
