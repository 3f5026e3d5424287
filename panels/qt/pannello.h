#pragma once
// What both panels are: a modal window over the whole screen, laid out afresh
// each time it is shown, with "&Uscita", "aggiorna" and the hidden "&COMANDI"
// along the bottom, whose exchanges write the main window's log.

#include <QDialog>
#include <QString>
#include <memory>

class QPushButton;
class QShowEvent;
class QTextEdit;

namespace lumetto::panels {

class Registro;

namespace dettaglio {
class RegistroQt;
class StilePannello;
}  // namespace dettaglio

class Pannello : public QDialog {
  public:
    ~Pannello() override;
    Pannello(const Pannello&) = delete;
    Pannello& operator=(const Pannello&) = delete;

    // The main window's log pane (its "RichEdit1"); without it nothing is logged.
    void impostaRegistro(QTextEdit* pannello);

    // Each time the panel is shown: over the whole screen, laid out for it.
    void inizia();
    // The layout rules for a screen of W x H pixels.
    virtual void disponi(int W, int H) = 0;
    // "aggiorna": one exchange with the board.
    virtual void vai_ricevodati() = 0;

  protected:
    Pannello(const char* nome, const QString& titolo, QWidget* parent);
    void showEvent(QShowEvent* e) override;
    // The three buttons along the bottom of a W x H screen.
    void disponiBottoni(int W, int H);
    Registro* registro() const;

    QPushButton* Button1 = nullptr;              // "aggiorna"
    QPushButton* BitBtn1 = nullptr;              // "&Uscita"
    QPushButton* BitBtn2 = nullptr;              // "&COMANDI", never shown
    dettaglio::StilePannello* stile_ = nullptr;  // a child of the panel

  private:
    QString titolo_;
    std::unique_ptr<dettaglio::RegistroQt> registro_;
};

}  // namespace lumetto::panels
