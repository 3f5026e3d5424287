// The pin-state and servo panels, as the main window opens them, against the
// StatoPin sketch on an emulated Uno: the check marks and voltages of the
// board's inputs, the outputs D8 to D13 at the levels ticked, and the servos'
// pulses on D7, D8, D9 as wide as the Arduino Servo library makes them.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <functional>
#include <memory>
#include <sstream>

#include "acquisition/acquisizione.h"
#include "acquisition/qt/mainform.h"
#include "firmware/emulata.h"
#include "panels/qt/formarduino.h"
#include "panels/qt/formarduino2.h"
#include "panels/scambi.h"
#include "panels/taratura.h"
#include "support/dialoghi.h"
#include "support/finestre.h"

using namespace lumetto;

namespace {

using prove::figlio;

class PannelliEmulati : public ::testing::Test {
  protected:
    PannelliEmulati() {
        acquisition::azzeraacquisizione();
        panels::azzerastatopin();
        main = std::make_unique<acquisition::Tmainform>(acquisition::Tmainform::Avvio::Manuale);
        auto* registro = figlio<QTextEdit>(main.get(), QStringLiteral("RichEdit1"));
        formarduino.impostaRegistro(registro);
        formarduino2.impostaRegistro(registro);
        main->impostaFinestre(&formarduino, &formarduino2, nullptr);
        main->show();
    }
    ~PannelliEmulati() override {
        main.reset();
        acquisition::azzeraacquisizione();
        panels::azzerastatopin();
    }
    // Presses the main window's command; `dentro` runs in the panel's own
    // event loop, then "&Uscita" closes it.
    void apri(const char* comando, QDialog& pannello, const std::function<void()>& dentro) {
        prove::apriEChiudi(main.get(), comando, pannello, dentro);
    }
    void aggiorna(QDialog& d) {
        QTest::mouseClick(figlio<QPushButton>(&d, QStringLiteral("Button1")), Qt::LeftButton);
    }

    prove::DialoghiScritti box;
    std::unique_ptr<acquisition::Tmainform> main;
    panels::TFormarduino formarduino;
    panels::TFormarduino2 formarduino2;
};

}  // namespace

namespace {

// StatoPin as built for relay modules that switch on with a high input (the
// library's default) and with a low one: the level that means "on".
struct Polarita {
    const char* sketch;
    int acceso;
};

void PrintTo(const Polarita& p, std::ostream* o) {
    *o << p.sketch;
}

class PolaritaRele : public PannelliEmulati, public ::testing::WithParamInterface<Polarita> {};

// The level the board last drove on a pin, the chip's reset level (low) if none.
int livello(prove::SchedaEmulata& board, const std::string& pin) {
    int l = 0;
    for (const auto& r : board.rapporti())
        if (r.rfind("pin " + pin + " ", 0) == 0) l = r.back() - '0';
    return l;
}

}  // namespace

TEST_P(PolaritaRele, OutputsStartOffAndTheTickMeansOn) {
    const Polarita& p = GetParam();
    prove::SchedaEmulata board(p.sketch);
    ASSERT_TRUE(board.pronto());
    ASSERT_TRUE(board.sincronizza(20));
    for (int d = 8; d <= 13; ++d)
        EXPECT_EQ(livello(board, "D" + std::to_string(d)), 1 - p.acceso) << "D" << d << " at reset";

    auto spunta = [&](bool acceso) {
        apri("BitBtn14", formarduino, [&] {
            auto* uscite = figlio<QListWidget>(&formarduino, QStringLiteral("CheckListBox2"));
            uscite->item(0)->setCheckState(acceso ? Qt::Checked : Qt::Unchecked);  // D8
            aggiorna(formarduino);
        });
        ASSERT_TRUE(box.mostrati.empty()) << box.mostrati.front();
        ASSERT_TRUE(board.sincronizza(20));
    };
    spunta(true);
    EXPECT_EQ(livello(board, "D8"), p.acceso);
    for (int d = 9; d <= 13; ++d)
        EXPECT_EQ(livello(board, "D" + std::to_string(d)), 1 - p.acceso) << "D" << d;
    spunta(false);
    EXPECT_EQ(livello(board, "D8"), 1 - p.acceso);
}

INSTANTIATE_TEST_SUITE_P(Uno, PolaritaRele,
                         ::testing::Values(Polarita{"StatoPin", 1}, Polarita{"StatoPinBasso", 0}),
                         [](const auto& i) { return std::string(i.param.sketch); });

TEST_F(PannelliEmulati, InputsShowAndTickedOutputsReachThePins) {
    prove::SchedaEmulata board("StatoPin");
    ASSERT_TRUE(board.pronto());
    const bool alti[] = {true, false, false, false, true, false};  // D2 .. D7
    for (int i = 0; i < 6; ++i)
        board.comanda("pin D" + std::to_string(i + 2) + (alti[i] ? " 1" : " 0"));
    // Readings 0, 512, 1023, 11, 511, 100 (the converter gives mV x 1023 / 5000).
    const int mv[] = {0, 2503, 5000, 54, 2498, 489};
    for (int i = 0; i < 6; ++i)
        board.comanda("analogico " + std::to_string(i) + " " + std::to_string(mv[i]));
    ASSERT_TRUE(board.sincronizza(20));
    const size_t prima = board.quanti();

    apri("BitBtn14", formarduino, [&] {
        auto* uscite = figlio<QListWidget>(&formarduino, QStringLiteral("CheckListBox2"));
        uscite->item(0)->setCheckState(Qt::Checked);  // D8
        uscite->item(5)->setCheckState(Qt::Checked);  // D13
        aggiorna(formarduino);

        auto* ingressi = figlio<QListWidget>(&formarduino, QStringLiteral("CheckListBox1"));
        for (int i = 0; i < 6; ++i) {
            EXPECT_EQ(ingressi->item(i)->text(),
                      QStringLiteral(" D%1 %2").arg(i + 2).arg(alti[i] ? "ON" : "OFF"));
            EXPECT_EQ(ingressi->item(i)->checkState(), alti[i] ? Qt::Checked : Qt::Unchecked);
        }
        const int barre[] = {100, 50, 0, 99, 51, 91};
        for (int i = 0; i < 6; ++i)
            EXPECT_EQ(
                figlio<QSlider>(&formarduino, QStringLiteral("TrackBar%1").arg(i + 1))->value(),
                barre[i])
                << "A" << i;
        EXPECT_EQ(figlio<QLabel>(&formarduino, QStringLiteral("Label2"))->text(), "A1 V=2.502");
        EXPECT_EQ(figlio<QLabel>(&formarduino, QStringLiteral("Label3"))->text(), "A2 V=5.000");
    });
    ASSERT_TRUE(box.mostrati.empty()) << "StatoPin is silent or late: " << box.mostrati.front();
    // The outputs as ticked: D8 and D13 high; D9 .. D12 stay low.
    EXPECT_TRUE(board.attendi("pin D8 1", std::chrono::seconds(5), prima));
    EXPECT_TRUE(board.attendi("pin D13 1", std::chrono::seconds(5), prima));
    ASSERT_TRUE(board.sincronizza(20));
    for (const auto& r : board.rapporti())
        for (const char* basso : {"pin D9 1", "pin D10 1", "pin D11 1", "pin D12 1"})
            EXPECT_NE(r, basso);
}

TEST_F(PannelliEmulati, ServoPulsesAsWideAsTheServoLibraryMakesThem) {
    prove::SchedaEmulata board("StatoPin");
    ASSERT_TRUE(board.pronto());
    apri("BitBtn9", formarduino2, [&] {
        const int gradi[] = {0, 90, 180};
        for (int i = 0; i < 3; ++i)
            figlio<QSlider>(&formarduino2, QStringLiteral("TrackBar%1").arg(i + 1))
                ->setValue(gradi[i]);
        aggiorna(formarduino2);
    });
    ASSERT_TRUE(box.mostrati.empty()) << "StatoPin is silent or late: " << box.mostrati.front();
    // 544 us at 0 degrees, 1472 at 90, 2400 at 180, every 20 ms.
    const std::pair<const char*, double> attesi[] = {{"D7", 544}, {"D8", 1472}, {"D9", 2400}};
    // The board first sends its 78-character state (81 ms), then reads the
    // servo commands; a few frames of 20 ms after that, in its own time.
    ASSERT_TRUE(board.sincronizza(400));
    for (auto [pin, us] : attesi) {
        SCOPED_TRACE(pin);
        double larghezza = 0, periodo = 0;
        int visti = 0;
        for (const auto& r : board.rapporti()) {
            // A stream reads the point whatever the locale the tests run under.
            std::istringstream in(r);
            std::string verbo, nome;
            double l = 0, p = 0;
            if ((in >> verbo >> nome >> l >> p) && verbo == "impulso" && nome == pin && p > 0) {
                larghezza = l;
                periodo = p;
                ++visti;
            }
        }
        ASSERT_GE(visti, 3) << "no pulses; the board said:\n"
                            << [&] {
                                   std::string r;
                                   for (const auto& l : board.rapporti())
                                       if (l.rfind("impulso", 0) != 0) r += l + "\n";
                                   return r;
                               }();
        EXPECT_NEAR(larghezza, us, 20);
        EXPECT_NEAR(periodo, 20000, 100);
    }
}

// The teacher's calibration from the pin-state panel, against a board whose
// bandgap (simavr's 1110 mV) is not the nominal 1100: a fresh board says it
// is not calibrated; after the multimeter's reading, the supply it measures
// and an input's volts are within 0.5 %, at either end of a USB port's range.
TEST_F(PannelliEmulati, CalibrationFromTheMultimeterReadingMakesReadingsRight) {
    for (const int alimentazione : {4600, 5300}) {
        SCOPED_TRACE(alimentazione);
        box.mostrati.clear();
        box.domande.clear();
        prove::SchedaEmulata board("StatoPin", 13, alimentazione);
        ASSERT_TRUE(board.pronto());
        board.comanda("analogico 1 2500");
        ASSERT_TRUE(board.sincronizza(20));
        box.risposte = {panels::volt(alimentazione)};
        apri("BitBtn14", formarduino, [&] {
            QTest::mouseClick(figlio<QPushButton>(&formarduino, QStringLiteral("BitBtn3")),
                              Qt::LeftButton);
            aggiorna(formarduino);
        });
        ASSERT_EQ(box.domande.size(), 1u);
        EXPECT_NE(box.domande[0].find("Scheda non tarata: riferimento interno nominale di 1100 mV"),
                  std::string::npos)
            << box.domande[0];
        ASSERT_EQ(box.mostrati.size(), 1u);
        const std::string& detto = box.mostrati[0];
        EXPECT_NE(detto.find("Taratura registrata sulla scheda"), std::string::npos) << detto;
        const std::string chiave = "Alimentazione misurata dalla scheda: ";
        const size_t a = detto.find(chiave);
        ASSERT_NE(a, std::string::npos) << detto;
        // Qt reads the point whatever the locale the tests run under.
        const double misurata =
            QString::fromStdString(detto.substr(a + chiave.size(), 5)).toDouble() * 1000;
        EXPECT_NEAR(misurata, alimentazione, alimentazione * 0.005) << detto;
        const QString a1 = figlio<QLabel>(&formarduino, QStringLiteral("Label2"))->text();
        EXPECT_NEAR(a1.mid(5).toDouble() * 1000, 2500, 2500 * 0.005) << a1.toStdString();
    }
}
