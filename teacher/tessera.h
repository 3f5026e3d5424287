#pragma once
// A bench's tile in the teacher's window: its name, state, experiment,
// board, reading count, last values and a small curve of its run, all
// painted from the class model when the window asks for a repaint (no child
// widgets, so a reading never lays anything out again). A double click or
// Enter opens the run in the plot window.

#include <QWidget>
#include <functional>
#include <string>

#include "classroom/aula.h"

namespace lumetto::classe {

class Tessera final : public QWidget {
  public:
    Tessera(const Aula& aula, std::string banco, QWidget* parent = nullptr);

    const std::string& banco() const { return banco_; }
    // Called to open the bench's run.
    std::function<void()> apri;

    // What the tile says, as texts (for tests and the accessible name).
    QString testostato() const;
    QString testoletture() const;
    // The last values under their columns' names and units ("temp [°C] 21.5  luce [%] 43").
    QString testovalori() const;

    static constexpr int kLarghezza = 320;
    static constexpr int kAltezza = 178;

  protected:
    void paintEvent(QPaintEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

  private:
    const Aula& aula_;
    std::string banco_;
};

}  // namespace lumetto::classe
