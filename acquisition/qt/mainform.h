#pragma once
// The main window: the port choice, one button per experiment on the left, the
// header and log panes in the middle, the general commands on the right. The
// acquisition drives it through Vista; its buttons run the command table.

#include <QDialog>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>
#include <string>

#include "acquisition/acquisizione.h"
#include "acquisition/esperimenti.h"
#include "acquisition/esportazione.h"
#include "platform/images/immagini.h"

class QLabel;
class QPushButton;
class QSpinBox;
class QTextEdit;

namespace lumetto::schemes {
class FiguraSchema;
}

namespace lumetto::acquisition {

class Tmainform final : public QWidget, public Vista {
  public:
    // The set-up runs by itself once, when the window is first shown; with
    // Manuale (tests) it runs only when inizia() is called.
    enum class Avvio { AllaPrimaMostra, Manuale };

    explicit Tmainform(Avvio avvio = Avvio::AllaPrimaMostra, QWidget* parent = nullptr);
    ~Tmainform() override;
    Tmainform(const Tmainform&) = delete;
    Tmainform& operator=(const Tmainform&) = delete;

    // The windows that commands open modally; a missing one is not opened.
    void impostaFinestre(QDialog* statoArduino, QDialog* servo, QDialog* editor);
    // The plot window that "grafico" shows; none: the button does nothing.
    void impostaGrafico(QWidget* grafico);
    // The reading log (RichEdit1), which the panels also write.
    QTextEdit* registro() const { return RichEdit1; }

    // The set-up: window over the whole screen, layout, port search, code 0.
    void inizia();
    // The layout rules for a screen of W x H pixels.
    void disponi(int W, int H);
    // Timer1's handler: one tick of the acquisition.
    void leggiidati();
    // What a button of the command table does.
    void esegui(const Comando& c);
    // A command to run once at the end of the set-up (none: nothing).
    void eseguiallavvio(const Comando* c) {
        if (c) allavvio_ = [this, c] { esegui(*c); };
    }
    // What to do at start-up instead, once the board is found (an
    // experiment file on the command line).
    void eseguiallavvio(std::function<void()> f) { allavvio_ = std::move(f); }
    // What "il mio esperimento..." opens: the list of the teacher's experiments.
    void impostaMioEsperimento(std::function<void()> f) { mioesperimento_ = std::move(f); }

    // Vista
    void impostaTimer(bool attivo, int intervalloMs) override;
    bool timerAttivo() const override { return timerAbilitato_; }
    void didascalia(const std::string& testo) override;
    void svuotaPannelli() override;
    void mostraPannelli() override;
    void aggiungiTestata(const std::string& riga) override;
    void aggiungiRiga(const Riga& riga) override;
    bool preparaSchema() override;
    void mostraSchema() override;

    // The overlay: the label of variable i (1 to 10) at scheme pixel (x, y)
    // with its text; the value labels and Label3 shown or hidden; a click at
    // (x, y) of the picture control, which places the selected variable on
    // the scheme pixel under it.
    void posizionaetichetta(int i, int x, int y, const std::string& testo);
    void mostraetichette(bool visibili);
    void exmouse(int x, int y);

  protected:
    void showEvent(QShowEvent* e) override;
    // Closing it (its close box, "&Uscita", the window manager) ends the
    // program, whatever other windows are open.
    void closeEvent(QCloseEvent* e) override;
    bool eventFilter(QObject* o, QEvent* e) override;

  private:
    QLabel* etichetta(const char* nome, const QString& testo = {});
    QPushButton* cerca(const char* nome) const;
    Esportazione esportafoglio();
    static void apriModale(QDialog* finestra);

    Avvio avvio_;
    bool iniziata_ = false;
    bool timerAbilitato_ = false;  // Timer1 on; with 0 ms it stays silent
    QLabel* Label3 = nullptr;
    QSpinBox* SpinEdit1 = nullptr;
    QTextEdit* RichEdit2 = nullptr;
    QTextEdit* RichEdit1 = nullptr;
    QLabel* Image1 = nullptr;
    // Label1, Label2, Label4 .. Label11: the value labels of variables 1 to 10.
    std::array<QLabel*, 10> etichette_{};
    std::unique_ptr<schemes::FiguraSchema> figura_;  // Image1 and its scale
    platform::CacheImmagine immagini_;
    QTimer* Timer1 = nullptr;
    // Windows of their own, which may go before this one does.
    QPointer<QDialog> statoArduino_;
    QPointer<QDialog> servo_;
    QPointer<QDialog> editor_;
    QPointer<QWidget> grafico_;
    bool graficoAperto_ = false;
    std::function<void()> allavvio_;
    std::function<void()> mioesperimento_;
};

}  // namespace lumetto::acquisition
