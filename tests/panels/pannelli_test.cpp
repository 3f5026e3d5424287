// The pin-state and servo panels on the offscreen platform, opened by the main
// window's commands, against the virtual board's pin sketch on a
// pseudo-terminal: what they show, what reaches the board, the log pane.
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
#include <thread>

#include "acquisition/acquisizione.h"
#include "acquisition/qt/mainform.h"
#include "board/sketch.h"
#include "link/collegamento.h"
#include "panels/qt/formarduino.h"
#include "panels/qt/formarduino2.h"
#include "panels/scambi.h"
#include "support/dialoghi.h"
#include "support/finestre.h"
#include "support/pty.h"
#include "support/scheda.h"
#include "support/spia.h"

using namespace lumetto;
using namespace lumetto::panels;

namespace {

// The virtual board running the pin sketch on COM13.
class SchedaPin : public prove::InServizio {
  public:
    SchedaPin()
        : prove::InServizio([] {
              scheda::Opzioni o;
              o.porta = 13;
              o.sketch = "pin";
              return o;
          }()) {}
};

using prove::Spia;

using prove::figlio;

class Pannelli : public ::testing::Test {
  protected:
    Pannelli() {
        acquisition::azzeraacquisizione();
        azzerastatopin();
        main = std::make_unique<acquisition::Tmainform>(acquisition::Tmainform::Avvio::Manuale);
        registro = figlio<QTextEdit>(main.get(), QStringLiteral("RichEdit1"));
        // As the program wires them: the panels write the main window's log.
        formarduino.impostaRegistro(registro);
        formarduino2.impostaRegistro(registro);
        main->impostaFinestre(&formarduino, &formarduino2, nullptr);
        main->show();
    }
    ~Pannelli() override {
        main.reset();
        acquisition::azzeraacquisizione();
        azzerastatopin();
    }

    // Presses a main window command that opens a panel; `dentro` runs in the
    // panel's own event loop, then the panel is closed with "&Uscita".
    void apri(const char* comando, QDialog& pannello, const std::function<void()>& dentro) {
        EXPECT_TRUE(prove::apriEChiudi(main.get(), comando, pannello, dentro)) << comando;
        EXPECT_FALSE(pannello.isVisible());
    }
    template <typename T = QWidget>
    T* c(QDialog& d, const char* nome) {
        return figlio<T>(&d, QString::fromLatin1(nome));
    }
    void aggiorna(QDialog& d) { QTest::mouseClick(c<QPushButton>(d, "Button1"), Qt::LeftButton); }
    QStringList righeRegistro() {
        QStringList r = registro->toPlainText().split(QLatin1Char('\n'));
        if (!r.isEmpty() && r.back().isEmpty())
            r.removeLast();  // the paragraph after the last line
        return r;
    }

    prove::DialoghiScritti box;
    Spia spia{box};
    std::unique_ptr<acquisition::Tmainform> main;
    QTextEdit* registro = nullptr;
    TFormarduino formarduino;
    TFormarduino2 formarduino2;
};

}  // namespace

TEST_F(Pannelli, PinStatePanelControlsCaptionsAndLayout) {
    apri("BitBtn14", formarduino, [&] {
        EXPECT_EQ(formarduino.windowTitle(), "stato arduino ingressi  digitali ed analogici");
        EXPECT_EQ(formarduino.frameGeometry().topLeft(), QPoint(0, 0));
        EXPECT_EQ(formarduino.size(), QSize(1366, 768));
        auto* ingressi = c<QListWidget>(formarduino, "CheckListBox1");
        auto* uscite = c<QListWidget>(formarduino, "CheckListBox2");
        EXPECT_FALSE(ingressi->isEnabled());
        EXPECT_TRUE(uscite->isEnabled());
        for (int i = 0; i < 6; ++i) {
            EXPECT_EQ(ingressi->item(i)->text(), QStringLiteral("D%1").arg(i + 2));
            EXPECT_EQ(uscite->item(i)->text(), QStringLiteral("D%1").arg(i + 8));
        }
        EXPECT_EQ(c<QPushButton>(formarduino, "Button1")->text(), "aggiorna");
        EXPECT_EQ(c<QPushButton>(formarduino, "BitBtn1")->text(), "&Uscita");
        EXPECT_EQ(c<QPushButton>(formarduino, "BitBtn1")->accessibleName(), "Uscita");
        EXPECT_FALSE(c<QPushButton>(formarduino, "BitBtn2")->isVisible());
        EXPECT_EQ(c<QPushButton>(formarduino, "BitBtn2")->text(), "&COMANDI");

        // Buttons in a row near the bottom, SW / 5 in, each SW / 6 wide, SH / 12 high.
        EXPECT_EQ(c(formarduino, "BitBtn1")->geometry(), QRect(273, 640, 227, 64));
        EXPECT_EQ(c(formarduino, "Button1")->geometry(), QRect(510, 640, 227, 64));
        // Input list bottom left, output list bottom right.
        EXPECT_EQ(ingressi->geometry(), QRect(10, 384, 227, 307));
        EXPECT_EQ(uscite->geometry(), QRect(1120, 384, 227, 307));
        // Six bars in a row at the top, each with its empty label under it.
        QWidget* prima = nullptr;
        for (int i = 1; i <= 6; ++i) {
            auto* b = figlio<QSlider>(&formarduino, QStringLiteral("TrackBar%1").arg(i));
            auto* l = figlio<QLabel>(&formarduino, QStringLiteral("Label%1").arg(i));
            EXPECT_EQ(b->geometry(), QRect(prima ? prima->x() + 151 + 54 : 5, 10, 151, 307));
            EXPECT_FALSE(b->isEnabled());
            EXPECT_EQ(b->minimum(), 0);
            EXPECT_EQ(b->maximum(), 100);
            EXPECT_EQ(l->geometry(), QRect(b->x(), 327, 151, 38));
            EXPECT_TRUE(l->text().isEmpty());
            prima = b;
        }
        // The warning stands right of the input list, over the buttons, clear
        // of the output list, and its whole text fits.
        auto* avviso = c<QLabel>(formarduino, "Label7");
        EXPECT_EQ(avviso->text(),
                  "attenzione! i pin di Arduino che non sono collegati ad uno stato fisso "
                  "possono dare valori casuali!");
        EXPECT_EQ(avviso->x(), 242);
        EXPECT_EQ(avviso->y(), 576);
        EXPECT_LE(avviso->geometry().right(), uscite->x());
        EXPECT_LE(avviso->geometry().bottom(), 640);
        EXPECT_LE(avviso->heightForWidth(avviso->width()), avviso->height());
        // Every item of a list is seen whole.
        EXPECT_LE(ingressi->visualItemRect(ingressi->item(5)).bottom(),
                  ingressi->viewport()->height());
    });
    EXPECT_EQ(acquisition::stato.codiceesperimento, 100);
}

TEST_F(Pannelli, ServoPanelControlsCaptionsAndLayout) {
    apri("BitBtn9", formarduino2, [&] {
        EXPECT_EQ(formarduino2.windowTitle(), "controllo servo");
        const char* pin[] = {"Servo1 su D7", "Servo 2 su D8", "Servo 3 su D9"};
        const int iniziali[] = {0, 50, 50};
        for (int i = 1; i <= 3; ++i) {
            auto* b = figlio<QSlider>(&formarduino2, QStringLiteral("TrackBar%1").arg(i));
            EXPECT_TRUE(b->isEnabled());
            EXPECT_EQ(b->maximum(), 180);
            EXPECT_EQ(b->value(), iniziali[i - 1]);
            EXPECT_EQ(b->geometry(), QRect(5 + (i - 1) * (151 + 54), 38, 151, 307));
            auto* sopra = figlio<QLabel>(&formarduino2, QStringLiteral("Label%1").arg(i + 3));
            EXPECT_EQ(sopra->text(), pin[i - 1]);
            // The caption stands over its bar without reaching into it.
            EXPECT_EQ(sopra->x(), b->x());
            EXPECT_LT(sopra->geometry().bottom(), b->y());
            EXPECT_GE(sopra->y(), 0);
            EXPECT_LE(sopra->sizeHint().height(), sopra->height());
            EXPECT_LE(sopra->sizeHint().width(), sopra->width());
            auto* sotto = figlio<QLabel>(&formarduino2, QStringLiteral("Label%1").arg(i));
            EXPECT_TRUE(sotto->text().isEmpty());
            EXPECT_GT(sotto->y(), b->geometry().bottom());
        }
        EXPECT_EQ(c(formarduino2, "BitBtn1")->geometry(), QRect(273, 640, 227, 64));
        EXPECT_EQ(c(formarduino2, "Button1")->geometry(), QRect(510, 640, 227, 64));
        EXPECT_FALSE(c(formarduino2, "BitBtn2")->isVisible());
    });
}

TEST_F(Pannelli, BoardInputsShowAndTickedOutputsReachTheBoard) {
    SchedaPin scheda;
    ASSERT_TRUE(scheda.ok);
    scheda.scheda.impostaDigitale(0, true);  // D2
    scheda.scheda.impostaDigitale(4, true);  // D6
    const int letture[] = {0, 512, 1023, 11, 511, 100};
    for (int i = 0; i < 6; ++i)
        scheda.scheda.impostaAnalogico(i, letture[i]);
    registro->setPlainText(QStringLiteral("una riga di prima"));

    apri("BitBtn14", formarduino, [&] {
        auto* uscite = c<QListWidget>(formarduino, "CheckListBox2");
        uscite->item(0)->setCheckState(Qt::Checked);  // D8
        uscite->item(5)->setCheckState(Qt::Checked);  // D13
        aggiorna(formarduino);

        auto* ingressi = c<QListWidget>(formarduino, "CheckListBox1");
        const bool alti[] = {true, false, false, false, true, false};
        for (int i = 0; i < 6; ++i) {
            QString atteso = QStringLiteral(" D%1 %2").arg(i + 2).arg(alti[i] ? "ON" : "OFF");
            EXPECT_EQ(ingressi->item(i)->text(), atteso);
            EXPECT_EQ(ingressi->item(i)->checkState(), alti[i] ? Qt::Checked : Qt::Unchecked);
        }
        const int barre[] = {100, 50, 0, 99, 51, 91};
        for (int i = 0; i < 6; ++i)
            EXPECT_EQ(
                figlio<QSlider>(&formarduino, QStringLiteral("TrackBar%1").arg(i + 1))->value(),
                barre[i]);
        EXPECT_EQ(c<QLabel>(formarduino, "Label2")->text(), "A1 V=2.502");
        EXPECT_EQ(c<QLabel>(formarduino, "Label3")->text(), "A2 V=5.000");

        // Exactly the decoder's twelve lines: the heading went with the clearing.
        StatoLetto atteso = decodificastato(scheda::statoPin(scheda.scheda.pin()));
        QStringList righe;
        for (const auto& r : atteso.righe)
            righe << QString::fromStdString(r);
        EXPECT_EQ(righeRegistro(), righe);

        std::array<bool, 6> alte{true, false, false, false, false, true};
        EXPECT_TRUE(scheda.finche([&] { return scheda.scheda.pin().uscite == alte; }));
        EXPECT_TRUE(scheda.ricevuto("H6"));
        EXPECT_TRUE(scheda.visto("uscita D13 alta"));
    });
    EXPECT_TRUE(box.mostrati.empty());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(Pannelli, ExactBytesOnTheLine) {
    // A board of our own on the pseudo-terminal: it answers "A" and keeps
    // every byte that arrives after it.
    prove::PtyBoard pty;
    pty.link(13);
    std::string arrivati;
    auto risponde = [&] {
        return std::thread([&] {
            arrivati = pty.take(5000, 1);
            if (arrivati != "A") return;
            pty.send(scheda::statoPin(scheda::Pin{}));
            arrivati += pty.take(300);
        });
    };

    std::thread t = risponde();
    apri("BitBtn14", formarduino, [&] {
        auto* uscite = c<QListWidget>(formarduino, "CheckListBox2");
        uscite->item(0)->setCheckState(Qt::Checked);
        uscite->item(5)->setCheckState(Qt::Checked);
        aggiorna(formarduino);
    });
    t.join();
    EXPECT_EQ(arrivati, "AH1L2L3L4L5H6");

    t = risponde();
    apri("BitBtn9", formarduino2, [&] {
        c<QSlider>(formarduino2, "TrackBar1")->setValue(0);
        c<QSlider>(formarduino2, "TrackBar2")->setValue(90);
        c<QSlider>(formarduino2, "TrackBar3")->setValue(180);
        aggiorna(formarduino2);
    });
    t.join();
    EXPECT_EQ(arrivati, "AS1000S2090S3180");
    EXPECT_TRUE(box.mostrati.empty());
}

TEST_F(Pannelli, ServoBarsMoveTheServosOnlyOnAggiorna) {
    SchedaPin scheda;
    ASSERT_TRUE(scheda.ok);
    apri("BitBtn9", formarduino2, [&] {
        auto* terza = c<QSlider>(formarduino2, "TrackBar3");
        terza->setValue(45);
        EXPECT_EQ(c<QLabel>(formarduino2, "Label3")->text(), "Pos=45");
        c<QSlider>(formarduino2, "TrackBar2")->setValue(5);
        EXPECT_EQ(c<QLabel>(formarduino2, "Label2")->text(), "Pos= 5");
        // Keys move the bar as the mouse does: the label follows.
        terza->setFocus();
        QTest::keyClick(terza, Qt::Key_End);
        EXPECT_EQ(c<QLabel>(formarduino2, "Label3")->text(), "Pos=180");
        QApplication::processEvents();
        EXPECT_EQ(scheda.scheda.ultimoComando(), "");
        EXPECT_EQ(scheda.scheda.pin().servo, (std::array<int, 3>{90, 90, 90}));

        c<QSlider>(formarduino2, "TrackBar1")->setValue(0);
        c<QSlider>(formarduino2, "TrackBar2")->setValue(90);
        aggiorna(formarduino2);
        EXPECT_TRUE(scheda.finche([&] {
            return scheda.scheda.pin().servo == std::array<int, 3>{0, 90, 180};
        }));
        EXPECT_TRUE(scheda.visto("comando A"));
        EXPECT_TRUE(scheda.ricevuto("S3180"));
        EXPECT_EQ(righeRegistro(), QStringList{"-------------->SERVO<-------------- "});
    });
    // The bars stay where they were left; the labels are empty again.
    apri("BitBtn9", formarduino2, [&] {
        EXPECT_EQ(c<QSlider>(formarduino2, "TrackBar3")->value(), 180);
        EXPECT_TRUE(c<QLabel>(formarduino2, "Label3")->text().isEmpty());
    });
    EXPECT_TRUE(box.mostrati.empty());
}

TEST_F(Pannelli, NoBoardSaysSoOnceAndSendsNothing) {
    // The board is on COM13 but another program holds the port: nothing of
    // this exchange may reach it.
    prove::PtyBoard pty;
    pty.link(13);
    serial::TXComm altro;
    altro.setDeviceName("COM13");
    ASSERT_TRUE(altro.OpenDevice());

    apri("BitBtn14", formarduino, [&] {
        c<QListWidget>(formarduino, "CheckListBox2")->item(2)->setCheckState(Qt::Checked);
        aggiorna(formarduino);
        EXPECT_EQ(box.mostrati, std::vector<std::string>{"Arduino non collegato!!"});
        EXPECT_EQ(spia.cursori, std::vector<int>{Qt::WaitCursor});
        EXPECT_EQ(c<QListWidget>(formarduino, "CheckListBox1")->item(0)->text(), "D2");
        EXPECT_EQ(righeRegistro(), QStringList{"-------------->lettura<-------------- "});
    });
    apri("BitBtn9", formarduino2, [&] { aggiorna(formarduino2); });
    EXPECT_EQ(box.mostrati.size(), 2u);
    EXPECT_EQ(pty.take(300), "");
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    altro.CloseDevice();
}

TEST_F(Pannelli, ReopeningKeepsTicksAndItemsAndEmptiesTheLabels) {
    SchedaPin scheda;
    ASSERT_TRUE(scheda.ok);
    scheda.scheda.impostaDigitale(0, true);
    scheda.scheda.impostaAnalogico(0, 1023);
    apri("BitBtn14", formarduino, [&] {
        c<QListWidget>(formarduino, "CheckListBox2")->item(3)->setCheckState(Qt::Checked);
        aggiorna(formarduino);
        EXPECT_EQ(c<QLabel>(formarduino, "Label1")->text(), "A0 V=5.000");
    });
    apri("BitBtn14", formarduino, [&] {
        EXPECT_EQ(c<QListWidget>(formarduino, "CheckListBox2")->item(3)->checkState(), Qt::Checked);
        EXPECT_EQ(c<QListWidget>(formarduino, "CheckListBox1")->item(0)->text(), " D2 ON");
        EXPECT_EQ(c<QListWidget>(formarduino, "CheckListBox1")->item(0)->checkState(), Qt::Checked);
        EXPECT_EQ(c<QSlider>(formarduino, "TrackBar1")->value(), 0);
        EXPECT_TRUE(c<QLabel>(formarduino, "Label1")->text().isEmpty());
    });
}
