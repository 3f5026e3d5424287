// The main window on the offscreen platform, against the virtual board on a
// pseudo-terminal linked as a COM port: controls, layout, port search, the
// commands as a user presses them, the log as it is shown.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QFontInfo>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSpinBox>
#include <QTest>
#include <QTextBlock>
#include <QTextEdit>
#include <QTimer>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <thread>

#include "acquisition/acquisizione.h"
#include "acquisition/finestraprincipale.h"
#include "acquisition/qt/formgrafico.h"
#include "acquisition/qt/mainform.h"
#include "board/scheda.h"
#include "link/letture.h"
#include "panels/qt/formarduino.h"
#include "panels/qt/formarduino2.h"
#include "platform/dosdevices.h"
#include "platform/qt/dialoghiqt.h"
#include "platform/unita.h"
#include "schemes/etichette.h"
#include "schemes/qt/form2.h"
#include "schemes/sca.h"
#include "schemes/schema.h"
#include "serial/report.h"
#include "support/dialoghi.h"
#include "support/scheda.h"
#include "support/spia.h"

namespace fs = std::filesystem;
using namespace lumetto;
using namespace lumetto::acquisition;
using namespace std::chrono_literals;

using prove::chiudiLaModale;
using prove::FinestraPrincipale;
using prove::Modale;
using prove::righe;
using prove::SchedaInServizio;

namespace {

// A real USB serial device would be COM1 and win the port search.
bool portaUsbPresente() {
    for (const auto& e : fs::directory_iterator("/dev")) {
        std::string n = e.path().filename().string();
        if (n.starts_with("ttyACM") || n.starts_with("ttyUSB")) return true;
    }
    return false;
}

}  // namespace

TEST_F(FinestraPrincipale, EveryControlHasItsComponentNameAndCaption) {
    apri();
    EXPECT_EQ(w->windowTitle(), "Lumetto - 15 nov 2016");
    for (const Comando& k : comandi()) {
        auto* b = c<QPushButton>(k.controllo.data());
        ASSERT_NE(b, nullptr);
        QString didascalia = QString::fromUtf8(k.didascalia.data(), qsizetype(k.didascalia.size()));
        EXPECT_EQ(b->text(), didascalia);
        EXPECT_EQ(b->accessibleName(), QString(didascalia).remove('&'));  // "Uscita"
        EXPECT_TRUE(b->isVisible()) << k.controllo;
    }
    EXPECT_EQ(c<QPushButton>("BitBtn2")->shortcut(), QKeySequence(Qt::ALT | Qt::Key_U));
    std::pair<const char*, const char*> nascosti[] = {
        {"BitBtn28", "IMMAGINE"},    {"BitBtn26", "-"},           {"BitBtn27", "+"},
        {"BitBtn29", "leggi scada"}, {"BitBtn30", "salva scada"}, {"BitBtn31", "nuovo scada"},
        {"BitBtn1", "fotocellula"}};
    for (auto [nome, didascalia] : nascosti) {
        auto* b = c<QPushButton>(nome);
        ASSERT_NE(b, nullptr);
        EXPECT_EQ(b->accessibleName(), didascalia);
        EXPECT_TRUE(b->isHidden()) << nome;
    }
    EXPECT_EQ(c<QLabel>("Label3")->accessibleName(), "Porta Seriale");
    EXPECT_EQ(c<QSpinBox>("SpinEdit1")->accessibleName(), "Porta Seriale");
    EXPECT_EQ(c<QSpinBox>("SpinEdit1")->maximum(), 20);
    for (const char* nome : {"Image1", "Label1", "Label2", "Label4", "Label5", "Label6", "Label7",
                             "Label8", "Label9", "Label10", "Label11"}) {
        ASSERT_NE(c(nome), nullptr);
        EXPECT_TRUE(c(nome)->isHidden()) << nome;
    }
    EXPECT_EQ(c("Image1")->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_FALSE(timer()->isActive());

    // The faces fontconfig gives for the designed names: the panes must be
    // fixed-pitch for the columns to line up.
    for (const char* nome : {"RichEdit2", "RichEdit1"}) {
        QFontInfo f(c<QTextEdit>(nome)->document()->defaultFont());
        EXPECT_TRUE(f.fixedPitch()) << f.family().toStdString();
        EXPECT_EQ(f.pointSize(), 14);
    }
    QFontInfo bottoni(c("BitBtn4")->font());
    EXPECT_EQ(bottoni.pointSize(), 14);
    EXPECT_TRUE(bottoni.family().contains("Serif") || bottoni.family().contains("Times"))
        << bottoni.family().toStdString();
}

TEST_F(FinestraPrincipale, LayoutOnA1366x768Screen) {
    apri(false);
    ASSERT_EQ(QGuiApplication::primaryScreen()->geometry(), QRect(0, 0, 1366, 768));
    EXPECT_EQ(w->geometry(), QRect(0, 0, 1366, 768));
    auto g = [&](const char* nome) { return c(nome)->geometry(); };

    // The figures a teacher measures on the lab PCs.
    EXPECT_EQ(g("Button2").height(), 27);
    EXPECT_EQ(g("RichEdit2").height(), 30);
    EXPECT_EQ(g("RichEdit1").height(), 595);
    EXPECT_EQ(g("Image1").height(), 645);
    EXPECT_EQ(g("BitBtn2").height(), 36);
    EXPECT_EQ(g("BitBtn3").height(), 33);

    // The label and the spin box take the size of their text.
    QRect etichetta = g("Label3"), porta = g("SpinEdit1");
    EXPECT_EQ(etichetta, QRect(QPoint(2, 5), c("Label3")->sizeHint()));
    EXPECT_EQ(porta, QRect(QPoint(etichetta.right() + 3, 5), c("SpinEdit1")->sizeHint()));
    QRect b2 = g("Button2");
    EXPECT_EQ(b2.topLeft(), QPoint(2, 5 + etichetta.height() + 5));
    EXPECT_EQ(b2.width(), etichetta.width() * 125 / 100 + porta.width());
    EXPECT_EQ(g("RichEdit2"), QRect(2 + b2.width() + 3, 5, 1366 - 2 * b2.width() - 10, 30));
    EXPECT_EQ(g("RichEdit1"), QRect(g("RichEdit2").x(), 35, g("RichEdit2").width(), 595));
    EXPECT_EQ(g("Image1"), QRect(2 + b2.width() + 5, 40, g("RichEdit2").width() - 3, 645));

    // The left column: each button right below the one before, all alike.
    QRect prima = b2;
    for (size_t i = 1; comandi()[i].controllo != "BitBtn2"; ++i) {
        QRect r = g(comandi()[i].controllo.data());
        EXPECT_EQ(r, QRect(2, prima.bottom() + 2, b2.width(), 27)) << comandi()[i].controllo;
        prima = r;
    }
    EXPECT_EQ(comandi()[21].controllo, "BitBtn32");
    EXPECT_EQ(g("BitBtn2"), QRect(2, prima.bottom() + 3, b2.width(), 36));
    EXPECT_EQ(g("BitBtn1"), g("BitBtn6"));
    // The right column beside the log.
    prima = g("BitBtn3");
    EXPECT_EQ(prima, QRect(g("RichEdit1").right() + 2, 35, b2.width(), 33));
    for (const char* nome : {"Button1", "BitBtn24", "BitBtn25", "BitBtn28", "BitBtn26", "BitBtn27",
                             "BitBtn29", "BitBtn30", "BitBtn31"}) {
        QRect r = g(nome);
        EXPECT_EQ(r, QRect(prima.x(), prima.bottom() + 2, b2.width(), 33)) << nome;
        prima = r;
    }
    // Nothing the user needs runs off the screen or under another control.
    for (auto* figlio : w->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (figlio->isHidden()) continue;
        EXPECT_TRUE(QRect(0, 0, 1366, 768).contains(figlio->geometry()))
            << figlio->objectName().toStdString();
        if (qobject_cast<QPushButton*>(figlio)) {
            EXPECT_FALSE(figlio->geometry().intersects(g("RichEdit1")))
                << figlio->objectName().toStdString();
        }
    }

    // Other screens follow the same rules, every product cut toward zero.
    w->disponi(1920, 1080);
    EXPECT_EQ(g("Button2").height(), 38);    // 38.88
    EXPECT_EQ(g("RichEdit2").height(), 43);  // 43.2
    EXPECT_EQ(g("RichEdit1").height(), 837);
    EXPECT_EQ(g("Image1").height(), 907);  // 907.2
    EXPECT_EQ(g("BitBtn2").height(), 51);  // 1.35 x 38 = 51.3
    EXPECT_EQ(g("BitBtn3").height(), 47);  // 1.25 x 38 = 47.5
}

TEST_F(FinestraPrincipale, PortSearchFindsTheBoardAndSaysWhere) {
    if (portaUsbPresente()) GTEST_SKIP() << "a USB serial device would be COM1";
    for (int n : {13, 7}) {
        SCOPED_TRACE(n);
        box.mostrati.clear();
        SchedaInServizio b(n);
        crea();
        w->impostaTimer(true, 2000);
        stato.codiceesperimento = 55;
        schemes::schemacorrente().punto = 4;
        w->inizia();
        EXPECT_EQ(box.mostrati, std::vector<std::string>{"Arduino collegato su porta seriale=COM" +
                                                         std::to_string(n)});
        EXPECT_EQ(c<QSpinBox>("SpinEdit1")->value(), n);
        EXPECT_EQ(stato.codiceesperimento, 0);
        EXPECT_EQ(schemes::schemacorrente().punto, 1);
        EXPECT_FALSE(w->timerAttivo());
        EXPECT_FALSE(timer()->isActive());
        w.reset();
    }
    // No board: nothing said, and the port number stays as it was.
    box.mostrati.clear();
    crea();
    w->inizia();
    EXPECT_TRUE(box.mostrati.empty());
    EXPECT_EQ(c<QSpinBox>("SpinEdit1")->value(), 13);
}

TEST_F(FinestraPrincipale, SetUpRunsOnceWhenTheWindowIsFirstShown) {
    if (portaUsbPresente()) GTEST_SKIP() << "a USB serial device would be COM1";
    scheda = std::make_unique<SchedaInServizio>(13);
    Tmainform f;
    f.show();
    EXPECT_TRUE(box.mostrati.empty());  // the window is on the screen before the search
    EXPECT_TRUE(QTest::qWaitFor([&] { return !box.mostrati.empty(); }, 10000));
    f.hide();
    f.show();
    QCoreApplication::processEvents();
    EXPECT_EQ(box.mostrati, std::vector<std::string>{"Arduino collegato su porta seriale=COM13"});
}

TEST_F(FinestraPrincipale, SonarShowsThreeReadings) {
    apri();
    premi("BitBtn4");
    auto* registro = c<QTextEdit>("RichEdit1");
    auto* testata = c<QTextEdit>("RichEdit2");
    EXPECT_EQ(testata->toPlainText(), "Prg...dist..");
    EXPECT_TRUE(w->timerAttivo());
    EXPECT_TRUE(timer()->isActive());
    EXPECT_EQ(timer()->interval(), 2000);
    for (int i = 0; i < 3; ++i)
        w->leggiidati();
    EXPECT_TRUE(scheda->ricevuto("A"));
    EXPECT_EQ(w->windowTitle(), "lettura n:     3");
    QStringList r = righe(registro);
    ASSERT_EQ(r.size(), 4) << registro->toPlainText().toStdString();
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(r[i].startsWith(QString("  %1   ").arg(i + 1))) << r[i].toStdString();
        EXPECT_EQ(r[i].size(), 12) << r[i].toStdString();
        double d = link::tabellaletture[size_t(i + 1)][1];
        EXPECT_GE(d, 10);
        EXPECT_NEAR(r[i].mid(6).trimmed().toDouble(), d, 0.0501);
    }
    EXPECT_TRUE(r[3].isEmpty());  // every row ends its paragraph
    EXPECT_EQ(righe(testata).back(), "prg...dist..");
    EXPECT_TRUE(box.mostrati.empty());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);  // the busy cursor went with the tick
    EXPECT_TRUE(registro->isVisible());
    EXPECT_TRUE(c("Image1")->isHidden());
}

TEST_F(FinestraPrincipale, RegolazionePIColumnsStandUnderTheHeader) {
    apri();
    premi("Button2");
    w->leggiidati();
    w->leggiidati();
    auto* registro = c<QTextEdit>("RichEdit1");
    auto* testata = c<QTextEdit>("RichEdit2");
    QString intestazione = righe(testata).front();
    EXPECT_EQ(intestazione, "Prg...temp..set...scost.banda.tempo.azp...azi...azt...");
    QStringList r = righe(registro);
    ASSERT_EQ(r.size(), 3);
    EXPECT_EQ(r[0].size(), intestazione.size());
    EXPECT_EQ(r[1].size(), intestazione.size());
    // On the screen, not only in characters: every column starts at the same
    // x in the log as in the header.
    QTextCursor t(testata->document()), l(registro->document());
    for (int colonna = 0; colonna <= 9; ++colonna) {
        t.setPosition(colonna * 6);
        l.setPosition(registro->document()->findBlockByNumber(1).position() + colonna * 6);
        EXPECT_EQ(testata->cursorRect(t).x(), registro->cursorRect(l).x()) << colonna;
    }
    // The header pane is one line high: the newest line is the one in view,
    // whole, and nothing of the line before it.
    EXPECT_EQ(righe(testata).size(), 3);
    QTextCursor ultima(testata->document());
    ultima.movePosition(QTextCursor::End);
    QRect vista = testata->viewport()->rect();
    QRect r2 = testata->cursorRect(ultima);
    EXPECT_TRUE(vista.contains(r2)) << r2.y() << " " << r2.height() << " in " << vista.height();
    ultima.movePosition(QTextCursor::PreviousBlock);
    EXPECT_LT(testata->cursorRect(ultima).bottom(), 0);
}

TEST_F(FinestraPrincipale, ConditionsShowBoldRedAndBlueCells) {
    apri();
    auto& schema = schemes::schemacorrente();
    schema.condizione(1) = "1>0";  // every distance is high
    premi("BitBtn4");
    w->leggiidati();
    schema.condizione(2) = "1<1000";  // and low: low wins
    w->leggiidati();
    QTextDocument* doc = c<QTextEdit>("RichEdit1")->document();
    auto formato = [&](int riga, int carattere) {
        QTextCursor k(doc);
        k.setPosition(doc->findBlockByNumber(riga).position() + carattere + 1);
        return k.charFormat();  // of the character before the cursor
    };
    EXPECT_EQ(formato(0, 2).foreground().color(), QColor(0, 0, 0));
    EXPECT_EQ(formato(0, 2).fontWeight(), QFont::Normal);
    EXPECT_EQ(formato(0, 9).foreground().color(), QColor(255, 0, 0));
    EXPECT_EQ(formato(0, 9).fontWeight(), QFont::Bold);
    EXPECT_EQ(formato(1, 2).fontWeight(), QFont::Normal);
    EXPECT_EQ(formato(1, 9).foreground().color(), QColor(0, 0, 255));
    EXPECT_EQ(formato(1, 9).fontWeight(), QFont::Bold);
}

TEST_F(FinestraPrincipale, RowsGoToTheEndWhateverTheUserSelected) {
    apri();
    premi("BitBtn13");  // Temperature
    w->leggiidati();
    auto* registro = c<QTextEdit>("RichEdit1");
    QTextCursor utente(registro->document());
    utente.setPosition(0);
    utente.setPosition(3, QTextCursor::KeepAnchor);
    registro->setTextCursor(utente);
    QString scelto = registro->textCursor().selectedText();
    w->leggiidati();
    QStringList r = righe(registro);
    ASSERT_EQ(r.size(), 3);
    EXPECT_TRUE(r[0].startsWith("  1   ")) << r[0].toStdString();
    EXPECT_TRUE(r[1].startsWith("  2   ")) << r[1].toStdString();
    EXPECT_EQ(registro->textCursor().selectedText(), scelto);
    // Many rows later the newest is still in view, and Ctrl+Z takes none back.
    for (int i = 0; i < 100; ++i)
        w->aggiungiRiga({{"  x   ", {0, 0, 0}, false}, {"  21.4", {0, 0, 0}, false}});
    QScrollBar* s = registro->verticalScrollBar();
    EXPECT_GT(s->maximum(), 0);
    EXPECT_EQ(s->value(), s->maximum());
    EXPECT_FALSE(registro->document()->isUndoAvailable());
    EXPECT_EQ(registro->document()->blockCount(), 103);
}

TEST_F(FinestraPrincipale, StoppingCommands) {
    apri();
    auto* registro = c<QTextEdit>("RichEdit1");
    premi("BitBtn4");
    w->leggiidati();
    w->leggiidati();
    // Buttons with no command bound leave the run and the log alone.
    QString log = registro->toPlainText();
    premi("BitBtn5");
    premi("BitBtn32");
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_TRUE(timer()->isActive());
    EXPECT_EQ(registro->toPlainText(), log);
    // "->EXCEL" stops and starts the count again, keeping what is shown.
    premi("BitBtn3");
    EXPECT_FALSE(timer()->isActive());
    EXPECT_EQ(stato.letturemostrate, 0);
    EXPECT_EQ(link::numerolettura, 0);
    EXPECT_EQ(registro->toPlainText(), log);
    // "fine acquisizione" stops and clears both panes.
    premi("BitBtn4");
    w->leggiidati();
    premi("Button1");
    EXPECT_FALSE(timer()->isActive());
    EXPECT_FALSE(w->timerAttivo());
    EXPECT_TRUE(registro->document()->isEmpty());
    EXPECT_TRUE(c<QTextEdit>("RichEdit2")->document()->isEmpty());
    EXPECT_EQ(link::numerolettura, 1);  // counters stay
    EXPECT_TRUE(box.mostrati.empty());
}

TEST_F(FinestraPrincipale, IntervalPromptAndTheSilentZero) {
    apri();
    box.risposte = {std::string("0")};
    premi("BitBtn24");
    EXPECT_EQ(box.domande.back(), "|intervallo di acquisizione in secondi|2");
    EXPECT_EQ(stato.intervallo, 0);
    premi("BitBtn4");
    EXPECT_TRUE(w->timerAttivo());      // enabled...
    EXPECT_FALSE(timer()->isActive());  // ...but never firing at the board

    // With 1 second the timer itself drives the ticks.
    box.risposte = {std::string("1")};
    premi("BitBtn24");
    premi("BitBtn4");
    EXPECT_TRUE(timer()->isActive());
    EXPECT_EQ(timer()->interval(), 1000);
    auto* registro = c<QTextEdit>("RichEdit1");
    EXPECT_TRUE(QTest::qWaitFor([&] { return !registro->document()->isEmpty(); }, 30000));
    EXPECT_TRUE(righe(registro).front().startsWith("  1   "));
    premi("Button1");
}

TEST_F(FinestraPrincipale, ABoardThatNeverAnswersStopsTheRunThenANewOneWorks) {
    apri(true, scheda::Guasto::Muto);
    premi("BitBtn4");
    w->leggiidati();
    EXPECT_EQ(box.mostrati, std::vector<std::string>{"nessun dato in ricezione!"});
    EXPECT_EQ(righe(c<QTextEdit>("RichEdit1")).size(), 2);  // shown with what the row holds
    w->leggiidati();
    EXPECT_EQ(box.mostrati,
              (std::vector<std::string>{"nessun dato in ricezione!", "Arduino non collegato!!"}));
    EXPECT_FALSE(timer()->isActive());
    EXPECT_FALSE(w->timerAttivo());
    // The boxes came up under the busy cursor of the tick (the real boxes put
    // the arrow over themselves), and the busy cursor is gone afterwards.
    EXPECT_EQ(spia.cursori, (std::vector<int>{Qt::WaitCursor, Qt::WaitCursor}));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    scheda.reset();
    scheda = std::make_unique<SchedaInServizio>(13);
    premi("BitBtn13");
    w->leggiidati();
    EXPECT_EQ(box.mostrati.size(), 2u);
    EXPECT_EQ(w->windowTitle(), "lettura n:     1");
    EXPECT_TRUE(righe(c<QTextEdit>("RichEdit1")).front().startsWith("  1   "));
}

TEST_F(FinestraPrincipale, UscitaClosesTheWindow) {
    apri(false);
    premi("BitBtn2");
    EXPECT_FALSE(w->isVisible());
    w->show();
    w->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
    QTest::keyClick(w.get(), Qt::Key_U, Qt::AltModifier);
    // A shortcut presses the button visibly, and the click follows.
    EXPECT_TRUE(QTest::qWaitFor([&] { return !w->isVisible(); }, 5000));
}

TEST_F(FinestraPrincipale, PanelsAndEditorOpenModally) {
    apri();
    auto attivo = [this] { return timer()->isActive(); };
    premi("BitBtn4");
    Modale visto;
    chiudiLaModale(visto, attivo);
    premi("BitBtn14");  // "stato arduino" stops the run first
    EXPECT_EQ(visto.nome, "TFormarduino");
    EXPECT_EQ(visto.titolo, "stato arduino ingressi  digitali ed analogici");
    EXPECT_FALSE(visto.timerAttivo);
    EXPECT_EQ(stato.codiceesperimento, 100);

    visto = {};
    chiudiLaModale(visto, attivo);
    premi("BitBtn9");  // "servo" runs the acquisition while its panel is open
    EXPECT_EQ(visto.nome, "TFormarduino2");
    EXPECT_TRUE(visto.timerAttivo);
    EXPECT_TRUE(timer()->isActive());
    w->leggiidati();  // code 100 left by "stato arduino": the user's letter
    EXPECT_TRUE(scheda->ricevuto("J"));

    for (const char* editor : {"BitBtn25", "BitBtn18"}) {
        visto = {};
        chiudiLaModale(visto, attivo);
        premi(editor);
        EXPECT_EQ(visto.finestra, &form2) << editor;
        EXPECT_EQ(visto.titolo, "maschere dati");
    }
    premi("Button1");
}

TEST_F(FinestraPrincipale, SerialErrorsReachTheBoxesOnlyWhileTheWindowLives) {
    apri(false);
    serial::ReportCommError("Device not opened.", 1);
    EXPECT_EQ(box.mostrati,
              std::vector<std::string>{"Arduino su:Device not opened. non collegato!"});
    w.reset();
    serial::ReportCommError("Device not opened.", 1);
    EXPECT_EQ(box.mostrati.size(), 1u);
    // The acquisition no longer draws into the window that has gone.
    ASSERT_TRUE(avviacomando(*comando("BitBtn4")));
    eseguilettura();
}

TEST(DialoghiQt, FiltersOfTheFileDialogs) {
    EXPECT_EQ(platform::suffissoFiltro("files excel|*.xls"), "xls");
    EXPECT_EQ(platform::suffissoFiltro("files |*.jpg|*.bmp"), "jpg");
    EXPECT_EQ(platform::suffissoFiltro("tutti|*.*"), "");
    EXPECT_EQ(platform::suffissoFiltro(""), "");
    EXPECT_EQ(platform::filtroQt("files excel|*.xls"), "files excel (*.xls)");
    EXPECT_EQ(platform::filtroQt("files |*.jpg|*.bmp"), "files (*.jpg *.bmp)");
    EXPECT_EQ(platform::filtroQt("a|*.a|b|*.b;*.c"), "a (*.a);;b (*.b *.c)");
}

TEST(DialoghiQt, BoxesShowTheArrowOverTheBusyCursor) {
    platform::DialoghiQt d;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    int visto = -1;
    auto chiudi = [&visto] {
        QTimer::singleShot(0, [&visto] {
            visto = QApplication::overrideCursor()->shape();
            if (QWidget* m = QApplication::activeModalWidget()) m->close();
        });
    };
    chiudi();
    d.messaggio("nessun dato in ricezione!");
    EXPECT_EQ(visto, Qt::ArrowCursor);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    visto = -1;
    chiudi();
    EXPECT_EQ(d.input("", "intervallo di acquisizione in secondi", "2"), std::nullopt);
    EXPECT_EQ(visto, Qt::ArrowCursor);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    QApplication::restoreOverrideCursor();
}

TEST(DialoghiQt, ABoxStaysUntilAnsweredWhateverInputWasWaiting) {
    platform::DialoghiQt d;
    // A key pressed while an exchange blocked the window reaches the box as
    // soon as it shows; the box must stay, for both boxes of a reading that
    // did not come (the second opens inside the first, from the next tick).
    std::vector<std::string> visti;
    auto tasto = [&visti](const char* chi) {
        QWidget* m = QApplication::activeModalWidget();
        if (!m) return;
        QTest::keyClick(m, Qt::Key_Return);
        QTest::keyClick(m, Qt::Key_Escape);
        if (m->isVisible()) visti.push_back(chi);
    };
    auto risposta = [] {
        if (QWidget* m = QApplication::activeModalWidget()) QTest::keyClick(m, Qt::Key_Return);
    };
    QTimer::singleShot(0, [&] {
        tasto("primo");
        QTimer::singleShot(0, [&] {
            QTimer::singleShot(0, [&] { tasto("secondo"); });
            QTimer::singleShot(600, risposta);
            d.messaggio("Arduino non collegato!!");
            visti.push_back("secondo chiuso");
            QTimer::singleShot(600, risposta);
        });
    });
    d.messaggio("nessun dato in ricezione!");
    EXPECT_EQ(visti, (std::vector<std::string>{"primo", "secondo", "secondo chiuso"}));
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}
