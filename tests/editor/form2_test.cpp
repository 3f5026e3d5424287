// The scheme editor window on the offscreen platform: its controls and
// layout, and its commands as a user presses them, with scripted file
// dialogs and real picture and scheme files in a folder of the test.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <QApplication>
#include <QFontInfo>
#include <QFontMetrics>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "platform/unita.h"
#include "schemes/etichette.h"
#include "schemes/qt/form2.h"
#include "schemes/schema.h"
#include "support/dialoghi.h"

namespace fs = std::filesystem;
using namespace lumetto;
using namespace lumetto::schemes;

namespace {

std::string leggi(const fs::path& p) {
    std::ifstream f(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), {}};
}

void scrivi(const fs::path& p, const std::string& dati) {
    std::ofstream(p, std::ios::binary) << dati;
}

std::string righeCrLf(const std::vector<std::string>& righe) {
    std::string r;
    for (const auto& riga : righe)
        r += riga + "\r\n";
    return r;
}

// The 24 position lines of slots 1 to 12, the slots not given at 0.
std::vector<std::string> posizioni(const std::vector<std::pair<int, int>>& date) {
    std::vector<std::string> r;
    for (std::size_t i = 0; i < 12; ++i) {
        auto [x, y] = i < date.size() ? date[i] : std::pair{0, 0};
        std::string sx = std::to_string(x), sy = std::to_string(y);
        r.push_back(std::string(6 - sx.size(), ' ') + sx);
        r.push_back(std::string(6 - sy.size(), ' ') + sy);
    }
    return r;
}

class Editore : public ::testing::Test {
  protected:
    Editore() {
        azzeraschema();
        dir = fs::path(getenv("HOME")) /
              ::testing::UnitTest::GetInstance()->current_test_info()->name();
        fs::create_directories(dir);
        // The picture control's size on a 1366 x 768 screen, 12 pixels
        // narrower than the main window's: positions are the main window's.
        bmp = figura("impianto.bmp", 941, 645);
    }
    ~Editore() override {
        w.reset();
        azzeraschema();
    }

    // A picture of w x h written as its extension asks.
    std::string figura(const std::string& nome, int larghezza, int altezza) {
        QImage img(larghezza, altezza, QImage::Format_RGB32);
        img.fill(Qt::darkCyan);
        std::string p = (dir / nome).string();
        EXPECT_TRUE(img.save(QString::fromStdString(p)));
        return p;
    }

    // A scheme of four variables over the BMP picture.
    std::string schemaDiQuattro(const std::string& nome = "quattro.sca") {
        std::vector<std::string> r = {"temp..set...scost.banda.",
                                      "1234",
                                      "0123",
                                      "012",
                                      "",  // empty slots are moved up by the box
                                      "1>25",
                                      "",
                                      "3<4.5",
                                      "2=on",
                                      "",
                                      "",
                                      "",
                                      "",
                                      "",
                                      bmp};
        for (auto& p : posizioni({{120, 45}, {300, 60}, {50, 200}, {400, 300}}))
            r.push_back(p);
        std::string p = (dir / nome).string();
        scrivi(p, righeCrLf(r));
        return p;
    }

    void apri() {
        w = std::make_unique<TForm2>();
        w->show();  // runs inizia
    }
    // Opens the window and loads the scheme of four variables with "carica scada".
    void apriConQuattro() {
        apri();
        box.risposte.push_back(schemaDiQuattro());
        premi("BitBtn5");
        ASSERT_TRUE(box.errori.empty()) << box.errori.front();
        ASSERT_EQ(schemacorrente().numvariabili, 4);
    }
    template <typename T = QWidget>
    T* c(const QString& nome) {
        T* p = w->findChild<T*>(nome);
        if (!p) ADD_FAILURE() << "no control " << nome.toStdString();
        return p;
    }
    QLabel* valore(int i) { return c<QLabel>(QStringLiteral("Label%1").arg(i + 1)); }
    QString testo(const char* nome) { return c<QLineEdit>(nome)->text(); }
    // Where a scheme's position stands on the editor's picture control.
    QPoint sulcontrollo(QPoint p) {
        auto* f = c<QLabel>("Image1");
        const Scala s = Scala::riferimento(f->width(), f->height());
        return {s.controllox(p.x()), s.controlloy(p.y())};
    }
    void premi(const char* nome) { QTest::mouseClick(c<QPushButton>(nome), Qt::LeftButton); }
    void clic(QPoint p, Qt::MouseButton b = Qt::LeftButton) {
        QTest::mouseClick(c<QLabel>("Image1"), b, {}, p);
    }

    prove::DialoghiScritti box;
    fs::path dir;
    std::string bmp;
    std::unique_ptr<TForm2> w;
};

}  // namespace

TEST_F(Editore, ControlsWithTheirNamesAndCaptions) {
    apri();
    EXPECT_EQ(w->objectName(), "Form2");
    EXPECT_EQ(w->windowTitle(), "maschere dati");
    std::pair<const char*, const char*> bottoni[] = {
        {"BitBtn1", "&Esci"},       {"BitBtn2", "carica immagine"}, {"BitBtn3", "+"},
        {"BitBtn4", "-"},           {"BitBtn5", "carica scada"},    {"BitBtn6", "salva scada"},
        {"BitBtn7", "Esamina dati"}};
    for (auto [nome, didascalia] : bottoni) {
        auto* b = c<QPushButton>(nome);
        ASSERT_NE(b, nullptr);
        EXPECT_EQ(b->text(), didascalia);
        EXPECT_EQ(b->accessibleName(), QString(didascalia).remove('&'));
        EXPECT_FALSE(b->autoDefault()) << nome;  // Enter in a box presses nothing
        EXPECT_TRUE(b->isVisible()) << nome;
    }
    EXPECT_EQ(c<QPushButton>("BitBtn1")->shortcut(), QKeySequence(Qt::ALT | Qt::Key_E));

    std::pair<const char*, const char*> caselle[] = {{"LabeledEdit1", "testata"},
                                                     {"LabeledEdit2", "maschera tipo dati"},
                                                     {"LabeledEdit3", "maschera colori"},
                                                     {"LabeledEdit4", "maschera dimensioni"}};
    for (auto [nome, etichetta] : caselle) {
        auto* e = c<QLineEdit>(nome);
        EXPECT_EQ(e->accessibleName(), etichetta);
        auto* l = c<QLabel>(QString(nome) + "Label");
        ASSERT_NE(l, nullptr);
        EXPECT_EQ(l->text(), etichetta);
        EXPECT_EQ(l->buddy(), e);
        EXPECT_TRUE(l->isVisible());
        // 14 points, or a point or two less where the text would run under
        // the picture ("maschera dimensioni" does on this screen).
        EXPECT_LE(QFontInfo(l->font()).pointSize(), 14);
        EXPECT_GE(QFontInfo(l->font()).pointSize(), 12);
        EXPECT_LE(l->x() + QFontMetrics(l->font()).horizontalAdvance(etichetta), c("Image1")->x());
    }
    EXPECT_EQ(QFontInfo(c("LabeledEdit2Label")->font()).pointSize(), 14);
    EXPECT_EQ(c<QLabel>("Label1")->text(), "condizioni logiche");
    EXPECT_EQ(c<QLabel>("Label1")->buddy(), c("Memo1"));
    EXPECT_TRUE(c<QPlainTextEdit>("Memo2")->isHidden());
    EXPECT_TRUE(c<QPlainTextEdit>("Memo2")->isReadOnly());
    EXPECT_TRUE(c<QLineEdit>("Edit1")->isReadOnly());
    for (int i = 1; i <= 10; ++i)
        EXPECT_TRUE(valore(i)->isHidden()) << i;

    // "courier new" is a fixed-pitch face here, so the masks line up.
    QFontInfo f(c("LabeledEdit1")->font());
    EXPECT_TRUE(f.fixedPitch()) << f.family().toStdString();
    EXPECT_EQ(f.pointSize(), 14);
}

TEST_F(Editore, LayoutOnA1366x768Screen) {
    apri();
    ASSERT_EQ(QGuiApplication::primaryScreen()->geometry(), QRect(0, 0, 1366, 768));
    EXPECT_EQ(w->size(), QSize(1366, 768));
    EXPECT_TRUE(w->windowState() & Qt::WindowMaximized);
    auto g = [&](const char* nome) { return c(nome)->geometry(); };
    // LE1: 1% and 4% of 768 are 7 and 30, half of 1366 is 683; LE2 is 26% of
    // that, 177; the picture's sides are 4.1 x 30 and 2.46 x 177 cut.
    EXPECT_EQ(g("LabeledEdit1"), QRect(5, 7, 683, 30));
    EXPECT_EQ(g("LabeledEdit2"), QRect(5, 68, 177, 30));
    EXPECT_EQ(g("Edit1"), QRect(689, 7, 531, 30));
    EXPECT_EQ(g("LabeledEdit3"), QRect(5, 129, 177, 30));
    EXPECT_EQ(g("LabeledEdit4"), QRect(5, 190, 177, 30));
    EXPECT_EQ(g("BitBtn2"), QRect(5, 223, 212, 30));
    EXPECT_EQ(g("Label1"), QRect(5, 255, 354, 30));
    EXPECT_EQ(g("Memo1"), QRect(5, 295, 177, 300));
    EXPECT_EQ(g("BitBtn3"), QRect(5, 605, 177, 30));
    EXPECT_EQ(g("BitBtn4"), QRect(5, 645, 177, 30));
    EXPECT_EQ(g("BitBtn1"), QRect(5, 685, 177, 30));
    EXPECT_EQ(g("Image1"), QRect(219, 42, 941, 645));
    EXPECT_EQ(g("Memo2"), g("Image1"));
    EXPECT_EQ(g("BitBtn5"), QRect(1162, 42, 177, 30));
    EXPECT_EQ(g("BitBtn6"), QRect(1162, 74, 177, 30));
    EXPECT_EQ(g("BitBtn7"), QRect(1162, 106, 177, 30));

    // Each label of a mask box stands right above its box, clear of the one
    // before; the header's, with no room above, inside its box before the text.
    for (const char* nome : {"LabeledEdit2", "LabeledEdit3", "LabeledEdit4"}) {
        QRect l = c(QString(nome) + "Label")->geometry(), e = g(nome);
        EXPECT_EQ(l.bottom() + 1 + 3, e.top()) << nome;
        EXPECT_EQ(l.left(), e.left());
        EXPECT_GT(l.top(), e.top() - 2 * e.height()) << nome;
    }
    QRect l1 = c("LabeledEdit1Label")->geometry();
    EXPECT_TRUE(g("LabeledEdit1").contains(l1));
    EXPECT_GE(c<QLineEdit>("LabeledEdit1")->textMargins().left(), l1.width());
    // Nothing runs off the screen.
    for (auto* figlio : w->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (figlio->isHidden()) continue;
        EXPECT_TRUE(QRect(0, 0, 1366, 768).contains(figlio->geometry()))
            << figlio->objectName().toStdString();
    }

    // Another screen: the same rules, every product cut toward zero.
    w->disponi(1920, 1080);
    EXPECT_EQ(g("LabeledEdit1"), QRect(5, 10, 960, 43));  // 10.8, 43.2
    EXPECT_EQ(g("LabeledEdit2").width(), 249);            // 249.6
    EXPECT_EQ(g("Image1"), QRect(305, 58, 1318, 904));    // 298.8, 176.3, 612.54
    EXPECT_EQ(g("BitBtn7"), QRect(1625, 58 + 2 * 45, 249, 43));
}

TEST_F(Editore, OpeningRefreshesTheBoxesFromTheScheme) {
    auto& s = schemacorrente();
    s.testata =
        "\xB0"
        "C....umid..";  // Windows-1252 degree sign
    s.mascheratipo = "13";
    s.condizione(2) = "1>90";
    s.condizione(10) = "2<5";
    apri();
    EXPECT_EQ(testo("LabeledEdit1"), QString::fromUtf8("°C....umid.."));
    EXPECT_EQ(testo("LabeledEdit2"), "13");
    EXPECT_EQ(testo("LabeledEdit3"), "");
    // All ten slots, one line each, empty ones included.
    EXPECT_EQ(c<QPlainTextEdit>("Memo1")->toPlainText(), "\n1>90\n\n\n\n\n\n\n\n2<5");

    // What was typed, the report and the status line go when it opens again.
    c<QLineEdit>("LabeledEdit2")->setText("4444");
    premi("BitBtn7");
    c<QLineEdit>("Edit1")->setText("punto=  1");
    w->reject();  // the close box: nothing stored
    EXPECT_EQ(s.mascheratipo, "13");
    w->show();
    EXPECT_EQ(testo("LabeledEdit2"), "13");
    EXPECT_TRUE(c("Memo2")->isHidden());
    EXPECT_EQ(c<QPushButton>("BitBtn7")->text(), "Esamina dati");
    EXPECT_EQ(testo("Edit1"), "");
}

TEST_F(Editore, LoadingASchemeShowsItAndAllTenLabels) {
    apri();
    schemacorrente().punto = 3;
    box.risposte.push_back(schemaDiQuattro());
    premi("BitBtn5");
    ASSERT_EQ(box.domande.size(), 1u);
    EXPECT_EQ(box.domande[0], "apri file scada|files |*.sca");
    ASSERT_TRUE(box.errori.empty()) << box.errori.front();

    const auto& s = schemacorrente();
    EXPECT_EQ(s.numvariabili, 4);
    EXPECT_EQ(s.punto, 0);
    EXPECT_EQ(testo("LabeledEdit1"), "temp..set...scost.banda.");
    EXPECT_EQ(testo("LabeledEdit2"), "1234");
    EXPECT_EQ(testo("LabeledEdit3"), "0123");
    EXPECT_EQ(testo("LabeledEdit4"), "012");
    // Only the non-empty conditions, moved up.
    EXPECT_EQ(c<QPlainTextEdit>("Memo1")->toPlainText(), "1>25\n3<4.5\n2=on");
    auto* image1 = c<QLabel>("Image1");
    EXPECT_TRUE(image1->isVisible());
    ASSERT_FALSE(image1->pixmap().isNull());
    EXPECT_EQ(image1->pixmap().size(), QSize(941, 645));

    const char* nomi[] = {"tem", "set", "sco", "ban"};
    const QPoint posti[] = {{120, 45}, {300, 60}, {50, 200}, {400, 300}};
    const QColor colori[] = {Qt::black, QColor(255, 0, 0), QColor(0, 0, 255), QColor(0, 128, 0)};
    const int punti[] = {14, 16, 18, 14};
    for (int i = 1; i <= 10; ++i) {
        QLabel* l = valore(i);
        ASSERT_TRUE(l->isVisible()) << i;
        if (i > 4) {
            EXPECT_EQ(l->text(), "") << i;  // nothing in those slots since the start
            EXPECT_EQ(l->pos(), image1->pos()) << i;
            continue;
        }
        EXPECT_EQ(l->text(), nomi[i - 1]);
        EXPECT_EQ(l->pos(), image1->pos() + sulcontrollo(posti[i - 1])) << i;
        EXPECT_EQ(l->palette().color(QPalette::WindowText), colori[i - 1]) << i;
        EXPECT_EQ(l->font().pointSize(), punti[i - 1]) << i;
        EXPECT_FALSE(l->autoFillBackground());
    }
    // Stacked over the picture, under the report.
    const QObjectList figli = w->children();
    EXPECT_GT(figli.indexOf(valore(1)), figli.indexOf(image1));
    EXPECT_GT(figli.indexOf(c("Memo2")), figli.indexOf(valore(10)));
}

TEST_F(Editore, PlusAndMinusStayWithinTheVariables) {
    apriConQuattro();
    auto& s = schemacorrente();
    auto* edit1 = c<QLineEdit>("Edit1");
    premi("BitBtn4");  // "-" with nothing selected
    EXPECT_EQ(s.punto, 0);
    EXPECT_EQ(edit1->text(), "");

    premi("BitBtn3");
    EXPECT_EQ(s.punto, 1);
    EXPECT_EQ(edit1->text(), " 1 tem x=   120 Y=    45");
    for (int k = 0; k < 6; ++k)
        premi("BitBtn3");
    EXPECT_EQ(s.punto, 4);
    EXPECT_EQ(edit1->text(), " 4 ban x=   400 Y=   300");
    for (int k = 0; k < 6; ++k)
        premi("BitBtn4");
    EXPECT_EQ(s.punto, 1);
    EXPECT_EQ(edit1->text(), " 1 tem x=   120 Y=    45");

    // A selection left past the variables comes back to the last one.
    s.punto = 9;
    premi("BitBtn3");
    EXPECT_EQ(s.punto, 4);
    s.punto = 9;
    premi("BitBtn4");
    EXPECT_EQ(s.punto, 4);
    EXPECT_EQ(edit1->text(), " 4 ban x=   400 Y=   300");

    // No variables: nothing to select.
    s.numvariabili = 0;
    s.punto = 1;  // as the main window leaves it at start
    premi("BitBtn3");
    EXPECT_EQ(s.punto, 0);
    EXPECT_EQ(edit1->text(), " 4 ban x=   400 Y=   300");
}

TEST_F(Editore, AClickOnThePicturePlacesTheSelectedVariable) {
    apriConQuattro();
    auto& s = schemacorrente();
    auto* image1 = c<QLabel>("Image1");
    clic({500, 400});  // nothing selected: nothing happens
    EXPECT_EQ(testo("Edit1"), "");
    EXPECT_EQ(s.posx(1), 120);
    EXPECT_EQ(valore(1)->pos(), image1->pos() + sulcontrollo({120, 45}));

    premi("BitBtn3");
    premi("BitBtn3");
    premi("BitBtn3");
    // The control is 941 pixels wide, the reference 953: the click's pixel
    // 200 is the scheme's 203 (200.5 x 953 / 941), drawn back on 200.
    clic({200, 150}, Qt::RightButton);  // any button
    EXPECT_EQ(testo("Edit1"), "punto=  3 sco x=   203 Y=   150");
    EXPECT_EQ(s.posx(3), 203);
    EXPECT_EQ(s.posy(3), 150);
    EXPECT_TRUE(valore(3)->isVisible());
    EXPECT_EQ(valore(3)->text(), "sco");  // the name alone
    EXPECT_EQ(valore(3)->pos(), image1->pos() + QPoint(200, 150));

    // A click that lands on a label reaches the picture under it.
    premi("BitBtn4");
    QPoint sopraEtichetta = valore(1)->geometry().center();
    QTest::mouseClick(w->windowHandle(), Qt::LeftButton, {}, sopraEtichetta);
    const Scala scala = Scala::riferimento(image1->width(), image1->height());
    QPoint atteso = sopraEtichetta - image1->pos();
    EXPECT_EQ(s.posx(2), scala.figurax(atteso.x()));
    EXPECT_EQ(s.posy(2), scala.figuray(atteso.y()));
    EXPECT_EQ(valore(2)->pos(), sopraEtichetta);
}

TEST_F(Editore, SavingWritesTheSchemeFileByteForByte) {
    apriConQuattro();
    premi("BitBtn3");
    clic({7, 612});  // variable 1 to a new place
    c<QLineEdit>("LabeledEdit1")->setText(QString::fromUtf8("temp..set...scost.banda.°C...."));
    c<QLineEdit>("LabeledEdit4")->setText(QString::fromUtf8("01Ω"));  // no Windows-1252 form
    // 14 characters: written whole; a blank line kept in its place.
    c<QPlainTextEdit>("Memo1")->setPlainText("1>25\n\n3<4.5 e 3>100\n2=on");
    std::string nome = (dir / "nuovo.sca").string();
    box.risposte.push_back(nome);
    premi("BitBtn6");
    ASSERT_TRUE(box.errori.empty()) << box.errori.front();
    ASSERT_TRUE(box.mostrati.empty()) << box.mostrati.front();
    EXPECT_EQ(box.domande.back(), "salva il file scada|files |*.sca");

    std::vector<std::string> attese = {
        "temp..set...scost.banda.\xB0"
        "C....",
        "1234",
        "0123",
        "01?",
        "1>25",
        "",
        "3<4.5 e 3>100",
        "2=on",
        "",
        "",
        "",
        "",
        "",
        "",
        bmp};
    for (auto& p : posizioni({{7, 612}, {300, 60}, {50, 200}, {400, 300}}))
        attese.push_back(p);
    ASSERT_EQ(attese.size(), 39u);
    EXPECT_EQ(leggi(nome), righeCrLf(attese));
    // The boxes went into the scheme; the conditions only through "&Esci".
    EXPECT_EQ(schemacorrente().mascheradimensioni, "01?");
    EXPECT_EQ(schemacorrente().condizione(4), "3<4.5");

    // And it reads back as the same scheme, the long condition cut to 10.
    box.risposte.push_back(nome);
    premi("BitBtn5");
    EXPECT_EQ(c<QPlainTextEdit>("Memo1")->toPlainText(), "1>25\n3<4.5 e 3>\n2=on");
    EXPECT_EQ(schemacorrente().numvariabili, 5);
}

TEST_F(Editore, AnUpperCaseExtensionGetsSca) {
    apriConQuattro();
    box.risposte.push_back((dir / "b.SCA").string());
    premi("BitBtn6");
    EXPECT_TRUE(fs::exists(dir / "b.SCA.sca"));
    EXPECT_FALSE(fs::exists(dir / "b.SCA"));

    // Cancelled: nothing written, the boxes stored all the same.
    c<QLineEdit>("LabeledEdit2")->setText("4321");
    box.risposte.push_back(std::nullopt);
    premi("BitBtn6");
    EXPECT_EQ(schemacorrente().mascheratipo, "4321");
    EXPECT_TRUE(box.errori.empty());
}

TEST_F(Editore, SavingIsRefusedWithoutVariablesOrWithMoreThanTwelve) {
    apri();
    box.risposte.push_back((dir / "vuoto.sca").string());
    premi("BitBtn6");
    EXPECT_EQ(box.mostrati, std::vector<std::string>{"nessun dato scada in memoria!"});
    EXPECT_TRUE(box.domande.empty());  // no dialog asked
    EXPECT_FALSE(fs::exists(dir / "vuoto.sca"));

    box.mostrati.clear();
    box.risposte.clear();
    apriConQuattro();
    box.domande.clear();
    c<QLineEdit>("LabeledEdit1")->setText(QString(13 * 6, QLatin1Char('.')));
    box.risposte.push_back((dir / "tredici.sca").string());
    premi("BitBtn6");
    ASSERT_EQ(box.mostrati.size(), 1u);
    EXPECT_EQ(box.mostrati[0],
              "La testata ha più di 12 variabili (78 caratteri, al massimo 77): accorciala e "
              "salva di nuovo.");
    EXPECT_TRUE(box.domande.empty());
    EXPECT_FALSE(fs::exists(dir / "tredici.sca"));
}

TEST_F(Editore, ASaveThatFailsIsTold) {
    apriConQuattro();
    box.risposte.push_back((dir / "manca" / "x.sca").string());
    premi("BitBtn6");
    ASSERT_EQ(box.errori.size(), 1u);
    EXPECT_NE(box.errori[0].find("x.sca"), std::string::npos) << box.errori[0];
}

TEST_F(Editore, ANewPictureResetsTheVariablesEvenWhenCancelled) {
    apriConQuattro();
    auto& s = schemacorrente();
    premi("BitBtn3");
    box.risposte.push_back(std::nullopt);
    premi("BitBtn2");
    EXPECT_EQ(box.domande.back(), "apri file immagine|files |*.jpg|*.bmp");
    EXPECT_EQ(s.numvariabili, 0);
    EXPECT_EQ(s.punto, 0);
    EXPECT_EQ(s.immagine, bmp);
    EXPECT_TRUE(valore(1)->isVisible());  // cancelled: the labels stay

    std::string jpg = figura("nuova.jpg", 640, 480);
    box.risposte.push_back(jpg);
    premi("BitBtn2");
    ASSERT_TRUE(box.errori.empty()) << box.errori.front();
    EXPECT_EQ(s.immagine, jpg);  // as chosen
    EXPECT_FALSE(c<QLabel>("Image1")->pixmap().isNull());
    for (int i = 1; i <= 10; ++i)
        EXPECT_TRUE(valore(i)->isHidden()) << i;

    // Until the header is split again, "+" selects nothing and saving refuses.
    premi("BitBtn3");
    EXPECT_EQ(s.punto, 0);
    premi("BitBtn6");
    EXPECT_EQ(box.mostrati.back(), "nessun dato scada in memoria!");
    // The report splits it.
    premi("BitBtn7");
    EXPECT_EQ(s.numvariabili, 4);
    premi("BitBtn3");
    EXPECT_EQ(s.punto, 1);
}

TEST_F(Editore, ABadPictureIsToldAndTheWindowGoesOn) {
    apriConQuattro();
    auto& s = schemacorrente();
    std::string falsa = (dir / "falsa.jpg").string();
    scrivi(falsa, "questo non è un JPEG\n");
    box.risposte.push_back(falsa);
    premi("BitBtn2");
    ASSERT_EQ(box.errori.size(), 1u);
    EXPECT_NE(box.errori[0].find("falsa.jpg"), std::string::npos) << box.errori[0];
    EXPECT_EQ(s.immagine, bmp);  // the picture named stays the one shown
    EXPECT_FALSE(c<QLabel>("Image1")->pixmap().isNull());

    // A scheme naming a missing picture: told, and its picture not left over.
    box.errori.clear();
    std::string p = schemaDiQuattro();
    std::string dati = leggi(p);
    dati.replace(dati.find(bmp), bmp.size(), (dir / "manca.bmp").string());
    scrivi(p, dati);
    box.risposte.push_back(p);
    premi("BitBtn5");
    ASSERT_EQ(box.errori.size(), 1u);
    EXPECT_NE(box.errori[0].find("manca.bmp"), std::string::npos) << box.errori[0];
    EXPECT_TRUE(c<QLabel>("Image1")->pixmap().isNull());
    EXPECT_EQ(testo("LabeledEdit1"), "temp..set...scost.banda.");

    // Still working.
    box.errori.clear();
    box.risposte.push_back(schemaDiQuattro());
    premi("BitBtn5");
    EXPECT_TRUE(box.errori.empty());
    EXPECT_FALSE(c<QLabel>("Image1")->pixmap().isNull());
    EXPECT_TRUE(valore(4)->isVisible());
}

TEST_F(Editore, LoadingErrorsAndCancelledLoads) {
    apri();
    auto& s = schemacorrente();
    // Cancelled with no picture named: the boxes are refreshed and the missing
    // picture is told.
    s.condizione(3) = "1>2";
    box.risposte.push_back(std::nullopt);
    premi("BitBtn5");
    EXPECT_EQ(c<QPlainTextEdit>("Memo1")->toPlainText(), "1>2");
    EXPECT_EQ(box.errori, std::vector<std::string>{"Lo schema non indica il file dell'immagine."});

    // A file that is no scheme: told, the scheme as it was.
    box.errori.clear();
    std::string lunga = (dir / "lunga.sca").string();
    scrivi(lunga, std::string(80, 'x') + "\r\n");
    box.risposte.push_back(lunga);
    premi("BitBtn5");
    ASSERT_EQ(box.errori.size(), 1u);
    EXPECT_NE(box.errori[0].find("lunga.sca"), std::string::npos);
    EXPECT_EQ(s.testata, "");
}

TEST_F(Editore, EsciStoresTheBoxesAndConditionsCutToTen) {
    apriConQuattro();
    auto& s = schemacorrente();
    c<QLineEdit>("LabeledEdit1")->setText("pompa.");
    c<QLineEdit>("LabeledEdit3")->setText("3");
    c<QPlainTextEdit>("Memo1")->setPlainText("3<4.5 e 3>100\n\n2=on");
    bool chiusa = false;
    QObject::connect(w.get(), &QDialog::accepted, [&] { chiusa = true; });
    premi("BitBtn1");
    EXPECT_TRUE(chiusa);
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(s.testata, "pompa.");
    EXPECT_EQ(s.mascheratipo, "1234");
    EXPECT_EQ(s.mascheracolori, "3");
    EXPECT_EQ(s.condizione(1), "3<4.5 e 3>");
    EXPECT_EQ(s.condizione(2), "");
    EXPECT_EQ(s.condizione(3), "2=on");
    for (int k = 4; k <= 10; ++k)
        EXPECT_TRUE(s.condizione(k).empty()) << k;
    EXPECT_EQ(s.numvariabili, 4);  // the header is not split here
}

TEST_F(Editore, TheReportTogglesAndTellsWhatTheBoxesHold) {
    apriConQuattro();
    auto* memo2 = c<QPlainTextEdit>("Memo2");
    auto* bottone = c<QPushButton>("BitBtn7");
    premi("BitBtn7");
    EXPECT_TRUE(memo2->isVisible());
    EXPECT_EQ(bottone->text(), "fine");
    QStringList righe = memo2->toPlainText().split('\n');
    ASSERT_EQ(righe.size(), 10);  // the lines themselves are checked without the window
    EXPECT_EQ(righe[0], "       Esame dati introdotti");
    EXPECT_EQ(righe.last(), "variabile= 3 sco  variabile  3 =sco< 4.5");
    // Over the picture and its labels.
    QPoint dentro = valore(1)->geometry().center();
    EXPECT_EQ(w->childAt(dentro)->parentWidget(), memo2);  // its viewport

    premi("BitBtn7");
    EXPECT_TRUE(memo2->isHidden());
    EXPECT_EQ(bottone->text(), "esame dati");

    // What was typed and not yet stored is what the report tells.
    c<QLineEdit>("LabeledEdit3")->setText(QString::fromUtf8("€"));
    c<QPlainTextEdit>("Memo1")->setPlainText("4>80");
    premi("BitBtn7");
    EXPECT_EQ(bottone->text(), "fine");
    righe = memo2->toPlainText().split('\n');
    EXPECT_EQ(righe[2],
              "variabile= 1 tem  numero reale con 1 decimale colore= nero dimensione font 14");
    EXPECT_EQ(righe[3], "variabile= 2 set  valore logico  colore= nero dimensione font 16");
    EXPECT_EQ(righe.last(), "variabile= 4 ban  variabile  4 =ban> 80");
    EXPECT_EQ(schemacorrente().mascheracolori, "0123");
    EXPECT_EQ(schemacorrente().condizione(4), "3<4.5");
}

TEST_F(Editore, TheSolarPlantWithItsPictureOnTheCDrive) {
    platform::preparaunita(LUMETTO_DATI);
    apri();
    box.risposte.push_back(std::string(LUMETTO_DATI) + "/solare.sca");
    premi("BitBtn5");
    ASSERT_TRUE(box.errori.empty()) << box.errori.front();
    const auto& s = schemacorrente();
    EXPECT_EQ(s.immagine, "c:\\lavoro\\arduino\\solare.jpg");  // kept as the file has it
    EXPECT_EQ(s.numvariabili, 8);
    EXPECT_FALSE(c<QLabel>("Image1")->pixmap().isNull());
    for (int i = 1; i <= 8; ++i) {
        EXPECT_TRUE(valore(i)->isVisible());
        EXPECT_EQ(valore(i)->text().toStdString(), s.nomevariabile(i));
    }
}
