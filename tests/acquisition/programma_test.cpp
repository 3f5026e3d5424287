// The program as a user runs it, its loop included: how it ends.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <thread>

#include "acquisition/acquisizione.h"
#include "acquisition/esperimenti.h"
#include "app/programma.h"
#include "schemes/schema.h"
#include "support/dialoghi.h"
#include "support/scheda.h"

using namespace lumetto;
using namespace std::chrono_literals;

namespace {

QWidget* finestra(const char* nome) {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == QLatin1String(nome)) return w;
    return nullptr;
}

void premi(QWidget* w, std::string_view nome) {
    auto* b = w ? w->findChild<QPushButton*>(
                      QString::fromUtf8(nome.data(), static_cast<qsizetype>(nome.size())))
                : nullptr;
    ASSERT_NE(b, nullptr) << nome;
    QTest::mouseClick(b, Qt::LeftButton);
}

}  // namespace

// "&Uscita" while a run goes on and the plot window is open: the loop ends at
// once, the plot goes with the main window, and the board hears no letter
// after the close.
TEST(Programma, ClosingTheMainWindowEndsTheProgramWhateverIsOpen) {
    acquisition::azzeraacquisizione();
    schemes::azzeraschema();
    prove::DialoghiScritti box;
    prove::InServizio scheda([] {
        scheda::Opzioni o;
        o.porta = 13;
        o.sketch = "sonar";
        return o;
    }());
    auto lettere = [&] { return scheda.contaEventi("comando "); };
    acquisition::stato.intervallo = 1;

    int allaChiusura = -1;
    bool graficoAperto = false, graficoChiuso = false;
    QTimer avvio, chiusura, guardia;
    avvio.setSingleShot(true);
    chiusura.setSingleShot(true);
    guardia.setSingleShot(true);
    QObject::connect(&avvio, &QTimer::timeout, [&] {
        QWidget* main = finestra("mainform");
        const auto& c = *std::find_if(acquisition::comandi().begin(), acquisition::comandi().end(),
                                      [](const auto& k) { return k.didascalia == "Sonar"; });
        premi(main, c.controllo);
        premi(main, "BitBtn33");  // "grafico"
        QWidget* grafico = finestra("Formgrafico");
        graficoAperto = grafico && grafico->isVisible();
        chiusura.start(1500);
    });
    QObject::connect(&chiusura, &QTimer::timeout, [&] {
        allaChiusura = lettere();
        premi(finestra("mainform"), "BitBtn2");  // "&Uscita"
        QWidget* grafico = finestra("Formgrafico");
        graficoChiuso = grafico && !grafico->isVisible();
    });
    // Only if the loop outlives the close: it ends the test instead of hanging.
    bool scaduto = false;
    QObject::connect(&guardia, &QTimer::timeout, [&] {
        scaduto = true;
        QCoreApplication::exit(1);
    });
    avvio.start(300);
    guardia.start(6000);

    EXPECT_EQ(eseguiprogramma(), 0);
    EXPECT_FALSE(scaduto) << "the program went on after its main window closed";
    EXPECT_TRUE(graficoAperto);
    EXPECT_TRUE(graficoChiuso);
    EXPECT_GE(allaChiusura, 1) << "the run never reached the board";
    std::this_thread::sleep_for(300ms);  // what was sent has been heard
    EXPECT_EQ(lettere(), allaChiusura);
    acquisition::azzeraacquisizione();
    schemes::azzeraschema();
}
