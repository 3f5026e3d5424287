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
#include "acquisition/qt/formgrafico.h"
#include "acquisition/qt/mainform.h"
#include "link/letture.h"
#include "panels/qt/formarduino.h"
#include "panels/qt/formarduino2.h"
#include "platform/dosdevices.h"
#include "platform/qt/dialoghiqt.h"
#include "platform/unita.h"
#include "board/scheda.h"
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

namespace {

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

using prove::Spia;

// A real USB serial device would be COM1 and win the port search.
bool portaUsbPresente() {
    for (const auto& e : fs::directory_iterator("/dev")) {
        std::string n = e.path().filename().string();
        if (n.starts_with("ttyACM") || n.starts_with("ttyUSB")) return true;
    }
    return false;
}

QStringList righe(QTextEdit* pannello) {
    return pannello->toPlainText().split(QLatin1Char('\n'));
}

// What the modal window that a command opens looked like; the window is
// closed from inside its own event loop, as a user would close it.
struct Modale {
    QString nome, titolo;
    QDialog* finestra = nullptr;
    bool timerAttivo = false;
};
void chiudiLaModale(Modale& visto, const std::function<bool()>& timer) {
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
        azzeraacquisizione();
        schemes::azzeraschema();
    }
    ~FinestraPrincipale() override {
        if (w) w->close();
        w.reset();
        azzeraacquisizione();
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
        w = std::make_unique<Tmainform>(Tmainform::Avvio::Manuale);
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
    std::unique_ptr<Tmainform> w;
};

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

// The plant overlay: the picture in Image1 and one label per variable.

namespace {

const char* const kEtichette[] = {"Label1", "Label2", "Label4", "Label5",  "Label6",
                                  "Label7", "Label8", "Label9", "Label10", "Label11"};

// A picture of w x h written as the extension asks, in a folder of the test.
std::string figura(const std::string& nome, int larghezza = 320, int altezza = 200,
                   QColor colore = Qt::darkCyan) {
    fs::path dir = fs::path(getenv("HOME")) / "figure";
    fs::create_directories(dir);
    QImage img(larghezza, altezza, QImage::Format_RGB32);
    img.fill(colore);
    std::string percorso = (dir / nome).string();
    EXPECT_TRUE(img.save(QString::fromStdString(percorso)));
    return percorso;
}

}  // namespace

TEST_F(FinestraPrincipale, SolarPlantShowsItsLiveValuesOverThePicture) {
    platform::preparaunita(platform::cartelladati());
    apri();
    premi("BitBtn7");  // "impianto solare"
    ASSERT_TRUE(box.mostrati.empty()) << box.mostrati.front();
    ASSERT_TRUE(timer()->isActive());
    w->leggiidati();
    w->leggiidati();
    ASSERT_TRUE(box.mostrati.empty()) << box.mostrati.front();

    auto* image1 = c<QLabel>("Image1");
    EXPECT_TRUE(image1->isVisible());
    EXPECT_FALSE(image1->pixmap().isNull());
    EXPECT_FALSE(c("RichEdit1")->isVisible());
    EXPECT_TRUE(c("RichEdit2")->isVisible());
    EXPECT_FALSE(c("Label3")->isVisible());  // hidden with the value labels, for good

    const auto& s = schemes::schemacorrente();
    ASSERT_EQ(s.numvariabili, 8);
    EXPECT_EQ(s.punto, 0);
    for (int i = 1; i <= 10; ++i) {
        auto* l = c<QLabel>(kEtichette[i - 1]);
        if (i > s.numvariabili) {
            EXPECT_FALSE(l->isVisible()) << i;
            continue;
        }
        ASSERT_TRUE(l->isVisible()) << i;
        // The name, "=" and the value of the second reading, with no blanks.
        std::string valore = testoschema(i);
        EXPECT_EQ(valore.find(' '), std::string::npos);
        EXPECT_EQ(l->text().toStdString(), s.nomevariabile(i) + valore);
        EXPECT_EQ(l->pos(), image1->pos() + QPoint(s.posx(i), s.posy(i))) << i;
        auto colore = schemes::coloremaschera(s.mascheracolori, i);
        EXPECT_EQ(l->palette().color(QPalette::WindowText), QColor(colore.r, colore.g, colore.b));
        EXPECT_EQ(l->font().pointSize(), schemes::dimensionemaschera(s.mascheradimensioni, i));
        EXPECT_TRUE(image1->geometry().contains(l->geometry())) << i << " runs off the picture";
    }
    // The pump's state reads as a word: "Pom=ON" or "Pom=OFF".
    EXPECT_TRUE(c<QLabel>("Label7")->text().startsWith("Pom=O"))
        << c<QLabel>("Label7")->text().toStdString();
    EXPECT_EQ(link::numerolettura, 2);
}

TEST_F(FinestraPrincipale, TwelveVariablesDrawOnlyTenLabels) {
    apri();
    auto& s = schemes::schemacorrente();
    s.testata = "aaaaa.bbbbb.ccccc.ddddd.eeeee.fffff.ggggg.hhhhh.iiiii.jjjjj.kkkkk.lllll.";
    s.mascheratipo = "222222222222";
    s.mascheracolori = "01";     // shorter than the variables: black from the third on
    s.mascheradimensioni = "2";  // and 14 points from the second on
    s.immagine = figura("dodici.bmp", 953, 645);  // the picture control's size
    for (int i = 1; i <= 12; ++i) {
        s.posx(i) = static_cast<uint16_t>(10 * i);
        s.posy(i) = static_cast<uint16_t>(20 * i);
    }
    link::numerolettura = 5;
    for (int i = 1; i <= 12; ++i)
        link::tabellaletture[5][static_cast<size_t>(i)] = 1;
    ASSERT_TRUE(w->preparaSchema());
    w->mostraSchema();
    EXPECT_EQ(s.numvariabili, 12);
    auto* image1 = c<QLabel>("Image1");
    for (int i = 1; i <= 10; ++i) {
        auto* l = c<QLabel>(kEtichette[i - 1]);
        EXPECT_TRUE(l->isVisible()) << i;
        std::string nome(1, static_cast<char>('a' + i - 1));
        EXPECT_EQ(l->text().toStdString(), nome + nome + nome + "=ON") << i;
        EXPECT_EQ(l->pos(), image1->pos() + QPoint(10 * i, 20 * i));
    }
    EXPECT_EQ(c<QLabel>("Label1")->font().pointSize(), 18);
    EXPECT_EQ(c<QLabel>("Label2")->font().pointSize(), 14);
    EXPECT_EQ(c<QLabel>("Label2")->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    EXPECT_EQ(c<QLabel>("Label4")->palette().color(QPalette::WindowText), QColor(0, 0, 0));
    EXPECT_TRUE(box.mostrati.empty());
}

TEST_F(FinestraPrincipale, AClickOnThePicturePlacesTheSelectedVariable) {
    apri();
    auto& s = schemes::schemacorrente();
    s.testata = "Temp..Umid..Cald..";
    s.mascheratipo = "112";
    s.immagine = figura("clic.jpg");
    ASSERT_TRUE(w->preparaSchema());  // the tick turns positioning off
    auto* image1 = c<QLabel>("Image1");
    auto* testata = c<QTextEdit>("RichEdit2");
    testata->setPlainText("prima");
    QTest::mouseClick(image1, Qt::LeftButton, {}, QPoint(40, 30));
    EXPECT_EQ(testata->toPlainText(), "prima");
    EXPECT_EQ(s.posx(2), 0);

    s.punto = 2;  // as the editor leaves it
    // The picture control on 1366 x 768 is the reference space of schemes
    // (953 x 645): the click stores its own pixel, whatever the picture's
    // size (320 x 200 here), and the label stands on it.
    QTest::mouseClick(image1, Qt::RightButton, {}, QPoint(123, 45));
    EXPECT_EQ(testata->toPlainText(), "punto=  2 Umi x=   123 Y=    45");
    EXPECT_EQ(s.posx(2), 123);
    EXPECT_EQ(s.posy(2), 45);
    auto* l = c<QLabel>("Label2");
    EXPECT_TRUE(l->isVisible());
    EXPECT_EQ(l->text(), "Umi=xxxx.x");
    EXPECT_EQ(l->pos(), image1->pos() + QPoint(123, 45));
}

TEST_F(FinestraPrincipale, ABadPictureIsToldAndTheProgramGoesOn) {
    apri();
    auto& s = schemes::schemacorrente();
    s.testata = "Temp..";
    s.mascheratipo = "1";
    fs::path testo = fs::path(getenv("HOME")) / "figure" / "testo.jpg";
    fs::create_directories(testo.parent_path());
    std::FILE* f = std::fopen(testo.c_str(), "w");
    std::fputs("non sono una figura\n", f);
    std::fclose(f);
    std::string manca = figura("manca.bmp") + ".no";
    // A JPEG cut in half, one whose header claims 60000 x 60000 points, a BMP
    // whose header is broken.
    auto riscrivi = [](const std::string& percorso, const QByteArray& byte) {
        QFile file(QString::fromStdString(percorso));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(byte);
    };
    auto leggi = [](const std::string& percorso) {
        QFile file(QString::fromStdString(percorso));
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        return file.readAll();
    };
    std::string tronca = figura("tronca.jpg", 640, 480);
    QByteArray jpeg = leggi(tronca);
    riscrivi(tronca, jpeg.left(jpeg.size() / 2));
    std::string enorme = figura("enorme.jpg", 16, 16);
    QByteArray grande = leggi(enorme);
    qsizetype sof = grande.indexOf(QByteArray("\xFF\xC0", 2));
    ASSERT_GT(sof, 0);
    for (int k : {5, 7}) {  // height, then width: 60000 is 0xEA60
        grande[sof + k] = static_cast<char>(0xEA);
        grande[sof + k + 1] = static_cast<char>(0x60);
    }
    riscrivi(enorme, grande);
    std::string rotta = figura("rotta.bmp", 32, 32);
    QByteArray bmp = leggi(rotta);
    bmp.replace(14, 4, QByteArray("\xFF\xFF\xFF\x7F", 4));  // the info header's size
    riscrivi(rotta, bmp);
    const std::string cattive[] = {testo.string(), manca, std::string(), tronca, enorme, rotta};
    for (const std::string& percorso : cattive) {
        s.immagine = percorso;
        EXPECT_FALSE(w->preparaSchema()) << percorso;
    }
    ASSERT_EQ(box.errori.size(), std::size(cattive));
    EXPECT_NE(box.errori[0].find("testo.jpg"), std::string::npos) << box.errori[0];
    EXPECT_NE(box.errori[1].find("manca.bmp.no"), std::string::npos) << box.errori[1];
    EXPECT_EQ(box.errori[2], "Nessuna immagine da caricare: manca il nome del file");
    for (std::size_t k = 3; k < std::size(cattive); ++k)
        EXPECT_NE(box.errori[k].find(fs::path(cattive[k]).filename().string()), std::string::npos)
            << box.errori[k];

    // A picture that comes back shows at the next tick; a changed one shows
    // changed; a removed one is an error again.
    std::string buona = figura("torna.bmp", 64, 48, Qt::red);
    s.immagine = buona;
    ASSERT_TRUE(w->preparaSchema());
    auto* image1 = c<QLabel>("Image1");
    EXPECT_EQ(image1->pixmap().toImage().pixelColor(1, 1), QColor(Qt::red));
    std::this_thread::sleep_for(10ms);  // a new modification time
    figura("torna.bmp", 64, 48, Qt::blue);
    ASSERT_TRUE(w->preparaSchema());
    EXPECT_EQ(image1->pixmap().toImage().pixelColor(1, 1), QColor(Qt::blue));
    fs::remove(buona);
    box.errori.clear();
    EXPECT_FALSE(w->preparaSchema());
    EXPECT_EQ(box.errori.size(), 1u);
}

TEST_F(FinestraPrincipale, ASchemeCommandWithItsFileMissingStartsNothing) {
    apri();
    fs::path climatica = platform::resolvePath("c:\\lavoro\\arduino\\climatica.sca");
    fs::remove(climatica);
    premi("BitBtn6");  // "regolazione climatica"
    EXPECT_EQ(box.errori.size(), 1u);
    EXPECT_FALSE(timer()->isActive());
    EXPECT_EQ(stato.codiceesperimento, 0);
    EXPECT_FALSE(c("Image1")->isVisible());
    platform::preparaunita(platform::cartelladati());  // back for the tests that follow
}

TEST_F(FinestraPrincipale, ExcelSavesTheRunAndAFailedSaveKeepsIt) {
    apri();
    premi("BitBtn4");  // Sonar
    w->leggiidati();
    w->leggiidati();
    fs::path cartella = fs::path(getenv("HOME")) / "esportazioni";
    fs::create_directories(cartella);

    // A folder that is not there: the error box, no file, the readings kept.
    box.risposte = {(cartella / "manca" / "sonar").string()};
    premi("BitBtn3");
    EXPECT_FALSE(timer()->isActive());
    ASSERT_EQ(box.errori.size(), 1u);
    EXPECT_NE(box.errori[0].find("sonar.xls"), std::string::npos) << box.errori[0];
    EXPECT_TRUE(box.mostrati.empty());
    EXPECT_EQ(stato.letturemostrate, 2);
    EXPECT_EQ(link::numerolettura, 2);

    // Again, where it can be written: the file, its message, the count restarts.
    box.risposte = {(cartella / "sonar").string()};
    premi("BitBtn3");
    EXPECT_EQ(box.domande.back(), "scrivi il  file xls|files excel|*.xls");
    fs::path file = cartella / "sonar.xls";
    ASSERT_EQ(box.mostrati.size(), 1u);
    EXPECT_EQ(box.mostrati[0], "salvato il file:" + file.string());
    EXPECT_GT(fs::file_size(file), 4096u);
    EXPECT_EQ(stato.letturemostrate, 0);
    EXPECT_EQ(link::numerolettura, 0);
    EXPECT_EQ(std::distance(fs::directory_iterator(cartella), fs::directory_iterator()), 1)
        << "a temporary file was left";
}

// The plot window, even hidden, hears of every run, and leaves the scheme as
// the design has it: the editor finds no scheme after "6 ingressi analogici",
// and "+" selects nothing after a new picture and a run without a header.
TEST_F(FinestraPrincipale, ThePlotReadsTheRunAndLeavesTheSchemeAlone) {
    TFormgrafico grafico;
    apri(false);
    w->impostaGrafico(&grafico);
    auto nelleditor = [this](const std::vector<const char*>& bottoni) {
        QTimer::singleShot(0, [&, bottoni] {
            for (const char* b : bottoni)
                QTest::mouseClick(form2.findChild<QPushButton*>(b), Qt::LeftButton);
            form2.reject();
        });
        premi("BitBtn25");  // "SCADA"
    };
    premi("BitBtn19");  // "6 ingressi analogici"
    fermaacquisizione();
    nelleditor({"BitBtn6"});  // "salva scada"
    EXPECT_EQ(box.mostrati, std::vector<std::string>{"nessun dato scada in memoria!"});
    EXPECT_TRUE(box.domande.empty()) << box.domande.front();

    // A scheme whose variables "carica immagine" then puts out of reach.
    auto& s = schemes::schemacorrente();
    s.testata = "Temp..Umid..";
    s.mascheratipo = "11";
    schemes::dividitestata();
    box.risposte.push_back(figura("nuova.bmp"));
    nelleditor({"BitBtn2"});  // "carica immagine"
    ASSERT_EQ(s.numvariabili, 0);
    Modale visto;
    for (const char* corsa : {"BitBtn9", "BitBtn11"}) {  // "servo" (its panel closed), "Utente"
        if (corsa == std::string("BitBtn9")) chiudiLaModale(visto, [] { return true; });
        premi(corsa);
        fermaacquisizione();
        nelleditor({"BitBtn3"});  // "+"
        EXPECT_EQ(s.punto, 0) << corsa;
        EXPECT_EQ(s.numvariabili, 0) << corsa;
    }
}
