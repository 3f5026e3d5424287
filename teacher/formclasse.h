#pragma once
// The teacher's window, lumetto-classe: every bench of the class as a live
// tile, the teacher's own connection to the broker in a status line, a
// bench's run in the plot window, and "raccogli" for the lesson's runs.
// Messages come from the network thread as queued calls; tiles are painted
// again a few times a second, only those that changed. The window never
// waits on the network.

#include <QPointer>
#include <QString>
#include <QWidget>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <string>

#include "classroom/aula.h"
#include "classroom/configurazione.h"

class QGridLayout;
class QLabel;
class QPushButton;
class QScrollArea;
class QTimer;

namespace lumetto::acquisition {
class TFormgrafico;
}

namespace lumetto::classe {

class Collegamento;
class Tessera;

class TFormclasse final : public QWidget {
  public:
    // `archivio` is where "raccogli" writes (the user's archive in the program).
    TFormclasse(Configurazione conf, std::filesystem::path archivio, QWidget* parent = nullptr);
    ~TFormclasse() override;
    TFormclasse(const TFormclasse&) = delete;
    TFormclasse& operator=(const TFormclasse&) = delete;

    // Connects as the teacher and subscribes to the class; empty, or why it
    // cannot start (in Italian).
    std::string collega(const std::string& idcliente, bool conservasessione = false);

    // What the broker delivered (on this thread), and the connection's news.
    void ricevi(const std::string& argomento, const std::string& dati, bool conservato);
    void collegato();
    void scollegato(const std::string& motivo);

    // The tiles that changed painted again, the status line written (a timer
    // calls it; tests too).
    void aggiorna();
    // The bench's run in the plot window, kept live.
    void apri(const std::string& banco);
    // Writes the lesson's runs: the archive, then a workbook or CSV files.
    void raccogli();

    const Aula& aula() const { return aula_; }
    Tessera* tessera(const std::string& banco) const;
    acquisition::TFormgrafico* grafico(const std::string& banco) const;
    QString statocollegamento() const;

    static constexpr int kAggiornamentoMs = 150;

  protected:
    void resizeEvent(QResizeEvent* e) override;

  private:
    struct Grafico {
        QPointer<acquisition::TFormgrafico> finestra;
        int64_t corsa = 0;  // the run it shows
    };
    void disponi();
    void mostracorsa(Grafico& g, const Banco& b);

    Configurazione conf_;
    std::filesystem::path archivio_;
    Aula aula_;
    std::map<std::string, Tessera*> tessere_;
    std::map<std::string, Grafico> grafici_;
    std::set<std::string> cambiati_;
    bool disporre_ = false;  // a tile came or went
    bool collegato_ = false;
    std::string motivo_;  // why not connected
    int colonne_ = 0;

    QScrollArea* scorri_ = nullptr;
    QWidget* griglia_ = nullptr;
    QGridLayout* disposizione_ = nullptr;
    QLabel* vuota_ = nullptr;
    QLabel* stato_ = nullptr;
    QPushButton* raccogli_ = nullptr;
    QTimer* timer_ = nullptr;
    // Last: stopped first, before anything its queued calls reach.
    std::unique_ptr<Collegamento> collegamento_;
};

}  // namespace lumetto::classe
