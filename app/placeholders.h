#pragma once
// Stand-ins for the windows the main window opens modally (pin-state panel,
// servo panel, scheme editor) until they are built: each has its caption and
// a close button, so the commands that open them can already be used.

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

// The scheme editor.
class TForm2 final : public FinestraProvvisoria {
  public:
    TForm2();
};

}  // namespace lumetto::app
