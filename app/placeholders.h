#pragma once
// Stand-ins for the panels the main window opens modally (pin-state panel,
// servo panel) until they are built: each has its caption and a close button,
// so the commands that open them can already be used.

#include <QDialog>

namespace lumetto::app {

class FinestraProvvisoria : public QDialog {
  public:
    FinestraProvvisoria(const char* nome, const QString& titolo);
};

// The pin-state panel.
class TFormarduino final : public FinestraProvvisoria {
  public:
    TFormarduino();
};

// The servo panel.
class TFormarduino2 final : public FinestraProvvisoria {
  public:
    TFormarduino2();
};

}  // namespace lumetto::app
