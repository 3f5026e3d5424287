#pragma once
// The virtual board's window: the running sketch, the inputs a user sets, the
// outputs and servo angles as last commanded, the last command and reply.

#include <QString>
#include <QWidget>
#include <array>
#include <map>
#include <mutex>
#include <string>
#include <vector>

class QButtonGroup;
class QCheckBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QSlider;
class QSpinBox;
class QTimer;

namespace lumetto::scheda {

class Scheda;
class Led;
class Quadrante;

// The window of one board. It takes over the board's `evento` callback, so it
// must be built before the board's thread starts and outlive that thread.
class FinestraScheda : public QWidget {
  public:
    explicit FinestraScheda(Scheda& scheda, QWidget* parent = nullptr);
    ~FinestraScheda() override;

    // Reads the board's state again; a timer does it every 100 ms.
    void aggiorna();
    // Adds one line to the event log (window thread only).
    void aggiungiEvento(const QString& riga);

  private:
    QWidget* creaIntestazione();
    QWidget* creaSketch();
    QWidget* creaIngressi();
    QWidget* creaUscite();
    QWidget* creaComunicazione();
    QWidget* creaEventi();
    void sceltoSketch(const std::string& nome);
    void mostraSketch(const std::string& nome);
    void mostraAnalogico(int indice, int valore);
    // Called on the board's thread: queues the line for the window's thread.
    void dallaScheda(const std::string& evento);
    void consegnaEventi();

    Scheda& scheda_;
    QLabel* collegamento_ = nullptr;
    std::map<std::string, QPushButton*> sketch_;
    QButtonGroup* gruppoSketch_ = nullptr;
    QLabel* descrizione_ = nullptr;
    std::array<QCheckBox*, 6> digitali_{};
    std::array<QSlider*, 6> analogici_{};
    std::array<QSpinBox*, 6> numeri_{};
    std::array<QLabel*, 6> volt_{};
    std::array<Led*, 6> uscite_{};
    std::array<Quadrante*, 3> servo_{};
    QLabel* comando_ = nullptr;
    QLabel* risposta_ = nullptr;
    QLabel* lunghezza_ = nullptr;
    QPlainTextEdit* eventi_ = nullptr;
    QTimer* timer_ = nullptr;

    std::string sketchMostrato_;
    std::string comandoMostrato_, rispostaMostrata_;
    int statoMostrato_ = -1;  // collegata or not, as last shown
    std::string slaveMostrato_;

    std::mutex codaM_;
    std::vector<QString> coda_;  // events not yet in the log
};

// A board's bytes as plain text: control bytes as their Unicode pictures
// (CR as "␍", LF as "␊"), bytes past ASCII as "\xb0".
QString byteVisibili(const std::string& byte);
// The same as rich text for a label: control bytes as named tags ("CR", "LF").
QString byteHtml(const std::string& byte);

// Shows the window while the board serves on its own thread; returns the exit
// code once the window is closed or the board stops.
int eseguiFinestra(Scheda& scheda, int argc, char** argv);

}  // namespace lumetto::scheda
