#pragma once
// The main window shown against the virtual board on a pseudo-terminal, as
// the main window's suites (mainform_test, sovrapposizione_test) drive it.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QPushButton>
#include <QString>
#include <QStringList>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <functional>
#include <memory>

#include "acquisition/acquisizione.h"
#include "acquisition/qt/mainform.h"
#include "board/scheda.h"
#include "panels/qt/formarduino.h"
#include "panels/qt/formarduino2.h"
#include "schemes/qt/form2.h"
#include "schemes/schema.h"
#include "support/dialoghi.h"
#include "support/scheda.h"
#include "support/spia.h"

// Not in an unnamed namespace: both suites' tests share one fixture class.
namespace lumetto::prove {

// The virtual board of every experiment (seed 1), serving as COMn.
class SchedaInServizio : public prove::InServizio {
  public:
    explicit SchedaInServizio(int porta, scheda::Guasto guasto = scheda::Guasto::Nessuno)
        : prove::InServizio([&] {
              scheda::Opzioni o;
              o.porta = porta;
              o.guasto = guasto;
              return o;
          }()) {}
};

// The log's lines as shown.
inline QStringList righe(QTextEdit* pannello) {
    return pannello->toPlainText().split(QLatin1Char('\n'));
}

// What the modal window that a command opens looked like; the window is
// closed from inside its own event loop, as a user would close it.
struct Modale {
    QString nome, titolo;
    QDialog* finestra = nullptr;
    bool timerAttivo = false;
};
inline void chiudiLaModale(Modale& visto, const std::function<bool()>& timer) {
    QTimer::singleShot(0, [&visto, timer] {
        auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!d) return;
        visto = {d->objectName(), d->windowTitle(), d, timer()};
        d->reject();
    });
}

class FinestraPrincipale : public ::testing::Test {
  protected:
    FinestraPrincipale() {
        acquisition::azzeraacquisizione();
        schemes::azzeraschema();
    }
    ~FinestraPrincipale() override {
        if (w) w->close();
        w.reset();
        acquisition::azzeraacquisizione();
        schemes::azzeraschema();
    }
    // The board (if any) first, then the window shown and set up, as at start-up.
    void apri(bool conScheda = true, scheda::Guasto guasto = scheda::Guasto::Nessuno) {
        if (conScheda) scheda = std::make_unique<SchedaInServizio>(13, guasto);
        crea();
        w->inizia();
        box.mostrati.clear();
        spia.cursori.clear();
    }
    void crea() {
        w = std::make_unique<acquisition::Tmainform>(acquisition::Tmainform::Avvio::Manuale);
        w->impostaFinestre(&formarduino, &formarduino2, &form2);
        w->show();
    }
    template <typename T = QWidget>
    T* c(const char* nome) {
        T* p = w->findChild<T*>(QString::fromLatin1(nome));
        if (!p) ADD_FAILURE() << "no control " << nome;
        return p;
    }
    void premi(const char* nome) { QTest::mouseClick(c<QPushButton>(nome), Qt::LeftButton); }
    QTimer* timer() { return c<QTimer>("Timer1"); }

    prove::DialoghiScritti box;
    Spia spia{box};
    std::unique_ptr<SchedaInServizio> scheda;
    panels::TFormarduino formarduino;
    panels::TFormarduino2 formarduino2;
    schemes::TForm2 form2;
    std::unique_ptr<acquisition::Tmainform> w;
};

}  // namespace lumetto::prove
