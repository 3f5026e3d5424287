// Every window on the screen this process was given (LUMETTO_SCHERMO: ctest
// runs this suite once per common screen size, and on a high-density screen
// that Qt scales by 2): the default plants' labels in their boxes in both the
// overlay and the editor, a click in the editor landing on the picture pixel
// where the main window then draws the label, nothing off the screen, cut or
// covered; and the same geometry under a fontconfig of other defaults.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QFontInfo>
#include <QFontMetrics>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QSet>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTest>
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <regex>
#include <sstream>
#include <string>

#include "acquisition/acquisizione.h"
#include "acquisition/esperimenti.h"
#include "acquisition/qt/formgrafico.h"
#include "acquisition/qt/mainform.h"
#include "board/sketch.h"
#include "link/campi.h"
#include "link/letture.h"
#include "panels/qt/formarduino.h"
#include "panels/qt/formarduino2.h"
#include "platform/dosdevices.h"
#include "platform/unita.h"
#include "schemes/etichette.h"
#include "schemes/qt/form2.h"
#include "schemes/sca.h"
#include "schemes/schema.h"
#include "support/dialoghi.h"

namespace fs = std::filesystem;
using namespace lumetto;

namespace {

constexpr const char* kImpianti[] = {"climatica", "solare", "irrigazione"};
// The main window's value labels of variables 1 to 10.
constexpr const char* kEtichetteMain[] = {"Label1", "Label2", "Label4", "Label5",  "Label6",
                                          "Label7", "Label8", "Label9", "Label10", "Label11"};

std::string leggi(const fs::path& p) {
    std::ifstream f(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), {}};
}

// A drawing's own size and its white boxes "valore-N", where the label of
// variable N must stay: the pictures are those drawings at that size.
struct Disegno {
    QSize dimensione;
    std::map<int, QRectF> caselle;
};
Disegno disegno(const std::string& nome) {
    const std::string svg = leggi(fs::path(LUMETTO_DISEGNI) / (nome + ".svg"));
    Disegno d;
    std::smatch m;
    if (std::regex_search(svg, m,
                          std::regex(R"re(<svg[^>]*\bwidth="(\d+)"[^>]*\bheight="(\d+)")re")))
        d.dimensione = QSize(std::stoi(m[1]), std::stoi(m[2]));
    const std::regex rett(R"(<rect\b[^>]*>)"), id(R"re(\bid="valore-(\d+)")re");
    auto attributo = [](const std::string& r, const char* chiave) {
        std::smatch a;
        std::regex_search(r, a, std::regex(std::string("\\b") + chiave + "=\"([\\d.]+)\""));
        return std::stod(a[1]);
    };
    for (auto it = std::sregex_iterator(svg.begin(), svg.end(), rett); it != std::sregex_iterator();
         ++it) {
        const std::string r = it->str();
        std::smatch n;
        if (!std::regex_search(r, n, id)) continue;
        d.caselle[std::stoi(n[1])] = QRectF(attributo(r, "x"), attributo(r, "y"),
                                            attributo(r, "width"), attributo(r, "height"));
    }
    return d;
}

// A label's rectangle in pixels of the picture its control shows stretched.
QRectF sullaFigura(const QWidget* etichetta, const QWidget* figura, QSize propria) {
    const QRect r = etichetta->geometry().translated(-figura->pos());
    const double sx = static_cast<double>(propria.width()) / figura->width();
    const double sy = static_cast<double>(propria.height()) / figura->height();
    return {r.x() * sx, r.y() * sy, r.width() * sx, r.height() * sy};
}

// What a control covers: a label of one line, only as far as its text goes.
QRect visibile(const QWidget* w) {
    auto* l = qobject_cast<const QLabel*>(w);
    if (!l || !l->pixmap().isNull() || l->wordWrap() || !(l->alignment() & Qt::AlignLeft) ||
        l->text().isEmpty())
        return w->geometry();
    const int testo = QFontMetrics(l->font()).horizontalAdvance(l->text());
    return {w->pos(), QSize(std::min(w->width(), testo), w->height())};
}

std::string nomeDi(const QWidget* w) {
    return w->objectName().toStdString();
}

// The text a control shows must fit it, and it must lie on its window and
// on no other control; the value labels (`sopra`) stand over the picture by
// design, and an edit box's label may stand inside the box.
void controllaFinestra(QWidget* finestra, const QStringList& sopra = {}) {
    SCOPED_TRACE(nomeDi(finestra));
    const QRect schermo = QGuiApplication::primaryScreen()->geometry();
    // Where a window stands is the window manager's: it must fit the screen.
    EXPECT_LE(finestra->width(), schermo.width());
    EXPECT_LE(finestra->height(), schermo.height());
    std::vector<QWidget*> controlli;
    for (QWidget* c : finestra->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (c->isHidden()) continue;
        EXPECT_TRUE(finestra->rect().contains(c->geometry())) << nomeDi(c) << " off the window";
        QString testo;
        if (auto* b = qobject_cast<QAbstractButton*>(c)) testo = b->text().remove(QLatin1Char('&'));
        if (auto* e = qobject_cast<QLabel*>(c); e && e->pixmap().isNull()) {
            testo = e->text();
            if (e->buddy()) testo.remove(QLatin1Char('&'));  // the mnemonic's mark
        }
        auto* l = qobject_cast<QLabel*>(c);
        if (l && l->wordWrap() && !testo.isEmpty()) {
            const QRect servono = QFontMetrics(c->font()).boundingRect(
                QRect(0, 0, c->width(), 100000), Qt::TextWordWrap, testo);
            EXPECT_LE(servono.height(), c->height()) << nomeDi(c) << " cuts its last line";
        } else if (!testo.isEmpty()) {
            const QFontMetrics fm(c->font());
            const int margine = qobject_cast<QAbstractButton*>(c) ? 4 : 0;
            EXPECT_LE(fm.horizontalAdvance(testo), c->width() - margine)
                << nomeDi(c) << " cuts \"" << testo.toStdString() << "\"";
            EXPECT_LE(fm.height(), c->height()) << nomeDi(c) << " cuts its text's height";
        }
        if (auto* e = qobject_cast<QLineEdit*>(c)) {
            EXPECT_LE(QFontMetrics(e->font()).height(), e->height()) << nomeDi(c);
        }
        // A box shows each of its entries whole when chosen.
        if (auto* b = qobject_cast<QComboBox*>(c)) {
            QStyleOptionComboBox o;
            o.initFrom(b);
            const QRect campo = b->style()->subControlRect(QStyle::CC_ComboBox, &o,
                                                           QStyle::SC_ComboBoxEditField, b);
            for (int i = 0; i < b->count(); ++i)
                EXPECT_LE(QFontMetrics(b->font()).horizontalAdvance(b->itemText(i)), campo.width())
                    << nomeDi(c) << " cuts \"" << b->itemText(i).toStdString() << "\"";
        }
        controlli.push_back(c);
    }
    auto valore = [&](const QWidget* w) { return sopra.contains(w->objectName()); };
    // The editor's report lies over its picture.
    auto sovrapposti = [](const QWidget* a, const QWidget* b) {
        const QSet<QString> coppia{a->objectName(), b->objectName()};
        return coppia == QSet<QString>{QStringLiteral("Image1"), QStringLiteral("Memo2")};
    };
    for (std::size_t i = 0; i < controlli.size(); ++i) {
        for (std::size_t j = i + 1; j < controlli.size(); ++j) {
            QWidget *a = controlli[i], *b = controlli[j];
            if (valore(a) || valore(b) || sovrapposti(a, b)) continue;
            auto* la = qobject_cast<QLabel*>(a);
            auto* lb = qobject_cast<QLabel*>(b);
            if ((la && la->buddy() == b) || (lb && lb->buddy() == a)) continue;
            EXPECT_FALSE(visibile(a).intersects(visibile(b))) << nomeDi(a) << " over " << nomeDi(b);
        }
    }
}

class Schermo : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { platform::preparaunita(platform::cartelladati()); }
    Schermo() {
        acquisition::azzeraacquisizione();
        schemes::azzeraschema();
    }
    ~Schermo() override {
        if (main) main->close();
        main.reset();
        acquisition::azzeraacquisizione();
        schemes::azzeraschema();
    }
    void apri() {
        main = std::make_unique<acquisition::Tmainform>(acquisition::Tmainform::Avvio::Manuale);
        main->impostaFinestre(&formarduino, &formarduino2, &form2);
        main->show();
        main->inizia();
    }
    static void caricaImpianto(const std::string& nome) {
        schemes::caricaschema(
            platform::resolvePath("c:\\lavoro\\arduino\\" + nome + ".sca").string());
        schemes::dividitestata();
    }
    // Reading r of the plant's own sketch, into the reading table.
    static void lettura(scheda::Logica& board, char lettera, int r) {
        const auto campi = link::dividicampi(board.ricevi(lettera, r * 1000));
        for (std::size_t i = 0; i < campi.size() && i < link::kColonne; ++i)
            link::tabellaletture[static_cast<std::size_t>(r)][i + 1] = link::valorecampo(campi[i]);
        link::numerolettura = r;
    }
    template <typename T = QWidget>
    static T* in(QWidget* finestra, const char* n) {
        T* p = finestra->findChild<T*>(QString::fromLatin1(n));
        if (!p) ADD_FAILURE() << "no control " << n;
        return p;
    }

    prove::DialoghiScritti box;
    panels::TFormarduino formarduino;
    panels::TFormarduino2 formarduino2;
    schemes::TForm2 form2;
    std::unique_ptr<acquisition::Tmainform> main;
};

char letteraDi(const std::string& nome) {
    for (const auto& e : scheda::esperimenti())
        if (e.nome == nome) return e.lettera;
    ADD_FAILURE() << "no sketch " << nome;
    return 0;
}

}  // namespace

// Over each default plant, for 40 readings of its own sketch, every label
// stands where the scheme puts it and inside its box.
TEST_F(Schermo, TheOverlaysLabelsStayInTheirBoxes) {
    apri();
    auto* image1 = in<QLabel>(main.get(), "Image1");
    for (const std::string nome : kImpianti) {
        SCOPED_TRACE(nome);
        const Disegno d = disegno(nome);
        caricaImpianto(nome);
        const auto& s = schemes::schemacorrente();
        scheda::Logica board(nome, 3);
        for (int r = 1; r <= 40; ++r) {
            lettura(board, letteraDi(nome), r);
            ASSERT_TRUE(main->preparaSchema());
            main->mostraSchema();
            ASSERT_TRUE(box.errori.empty()) << box.errori.front();
            std::vector<QRectF> posti;
            for (int i = 1; i <= s.numvariabili && i <= 10; ++i) {
                auto* l = in<QLabel>(main.get(), kEtichetteMain[i - 1]);
                ASSERT_TRUE(l->isVisible()) << i;
                const QRectF p = sullaFigura(l, image1, d.dimensione);
                EXPECT_NEAR(p.x(), s.posx(i), 1.0) << i;
                EXPECT_NEAR(p.y(), s.posy(i), 1.0) << i;
                EXPECT_TRUE(d.caselle.at(i).contains(p))
                    << l->text().toStdString() << " leaves its box, reading " << r;
                for (const QRectF& altro : posti)
                    EXPECT_FALSE(altro.intersects(p)) << l->text().toStdString();
                posti.push_back(p);
            }
        }
    }
}

// The editor shows each plant with its labels (the names alone) in their
// boxes; a click there places the label on the picture pixel under the mouse,
// and the main window draws it on that same pixel.
TEST_F(Schermo, AClickInTheEditorLandsWhereTheMainWindowDrawsTheLabel) {
    apri();
    form2.show();
    auto* figura2 = in<QLabel>(&form2, "Image1");
    for (const std::string nome : kImpianti) {
        SCOPED_TRACE(nome);
        const Disegno d = disegno(nome);
        box.risposte.push_back(
            platform::resolvePath("c:\\lavoro\\arduino\\" + nome + ".sca").string());
        QTest::mouseClick(in<QPushButton>(&form2, "BitBtn5"), Qt::LeftButton);
        ASSERT_TRUE(box.errori.empty()) << box.errori.front();
        const auto& s = schemes::schemacorrente();
        for (int i = 1; i <= s.numvariabili && i <= 10; ++i) {
            auto* l = in<QLabel>(&form2, QStringLiteral("Label%1").arg(i + 1).toLatin1().data());
            const QRectF p = sullaFigura(l, figura2, d.dimensione);
            EXPECT_NEAR(p.x(), s.posx(i), 1.0) << i;
            EXPECT_NEAR(p.y(), s.posy(i), 1.0) << i;
            EXPECT_TRUE(d.caselle.at(i).contains(p)) << l->text().toStdString();
        }
    }

    // Variable 3 of the irrigation plant to the middle of the box of variable 5.
    QTest::mouseClick(in<QPushButton>(&form2, "BitBtn3"), Qt::LeftButton);
    QTest::mouseClick(in<QPushButton>(&form2, "BitBtn3"), Qt::LeftButton);
    QTest::mouseClick(in<QPushButton>(&form2, "BitBtn3"), Qt::LeftButton);
    auto& s = schemes::schemacorrente();
    ASSERT_EQ(s.punto, 3);
    const QPointF meta = disegno("irrigazione").caselle.at(5).center();
    const QPoint clic(static_cast<int>(meta.x() * figura2->width() / 953),
                      static_cast<int>(meta.y() * figura2->height() / 645));
    QTest::mouseClick(figura2, Qt::LeftButton, {}, clic);
    EXPECT_NEAR(s.posx(3), meta.x(), 953.0 / figura2->width() + 1);
    EXPECT_NEAR(s.posy(3), meta.y(), 645.0 / figura2->height() + 1);
    const std::string stato = in<QLineEdit>(&form2, "Edit1")->text().toStdString();
    EXPECT_EQ(stato, schemes::rigapunto(s, s.posx(3), s.posy(3)));
    const QRectF nelEditor = sullaFigura(in<QLabel>(&form2, "Label4"), figura2, {953, 645});
    form2.close();

    ASSERT_TRUE(main->preparaSchema());
    main->mostraSchema();
    const QRectF nellaPrincipale =
        sullaFigura(in<QLabel>(main.get(), "Label4"), in<QLabel>(main.get(), "Image1"), {953, 645});
    for (const QRectF& p : {nelEditor, nellaPrincipale}) {
        EXPECT_NEAR(p.x(), s.posx(3), 1.0);
        EXPECT_NEAR(p.y(), s.posy(3), 1.0);
    }
}

// A teacher's own pictures, a 4000 x 3000 photo and a small BMP: positions
// are kept in the reference space of the main window's picture on 1366 x 768,
// so each label stands at the same fraction of the drawing whatever the
// picture's size and the screen's, its text is the mask's size at the
// reference scale (never under 8 points), and a click in the editor puts it
// where the main window then draws it.
TEST_F(Schermo, ASchemeKeepsItsPlacesAndReadableTextOverAnyPicture) {
    apri();
    const bool usuale = QGuiApplication::primaryScreen()->size() == QSize(1366, 768);
    const fs::path dir = fs::path(std::getenv("HOME")) / "figure-proprie";
    fs::create_directories(dir);
    struct Figura {
        const char* nome;
        int larga, alta;
    };
    for (const Figura f : {Figura{"foto.jpg", 4000, 3000}, Figura{"schizzo.bmp", 800, 600}}) {
        SCOPED_TRACE(f.nome);
        QImage figura(f.larga, f.alta, QImage::Format_RGB32);
        figura.fill(Qt::darkCyan);
        const std::string percorso = (dir / f.nome).string();
        ASSERT_TRUE(figura.save(QString::fromStdString(percorso)));
        schemes::azzeraschema();
        auto& s = schemes::schemacorrente();
        s.testata = "Temp..Umid..Luce..";
        s.mascheratipo = "111";
        s.mascheracolori = "000";
        s.mascheradimensioni = "012";
        s.immagine = percorso;
        const QPoint posti[] = {{100, 80}, {476, 322}, {900, 600}};
        for (int i = 1; i <= 3; ++i) {
            s.posx(i) = static_cast<uint16_t>(posti[i - 1].x());
            s.posy(i) = static_cast<uint16_t>(posti[i - 1].y());
            link::tabellaletture[1][static_cast<std::size_t>(i)] = 12.5 * i;
        }
        schemes::dividitestata();
        link::numerolettura = 1;
        const std::string sca = (dir / "propria.sca").string();
        schemes::salvaschema(sca, {});

        ASSERT_TRUE(main->preparaSchema());
        main->mostraSchema();
        auto* image1 = in<QLabel>(main.get(), "Image1");
        if (usuale) {
            ASSERT_EQ(image1->size(), QSize(953, 645));
        }
        const double sx = image1->width() / 953.0, sy = image1->height() / 645.0;
        for (int i = 1; i <= 3; ++i) {
            auto* l = in<QLabel>(main.get(), kEtichetteMain[i - 1]);
            ASSERT_TRUE(l->isVisible()) << i;
            const QPoint dove = l->pos() - image1->pos();
            EXPECT_NEAR(dove.x(), posti[i - 1].x() * sx, 1.0) << i;
            EXPECT_NEAR(dove.y(), posti[i - 1].y() * sy, 1.0) << i;
            const double punti = 14 + 2 * (i - 1);
            EXPECT_NEAR(l->font().pointSizeF(), std::max(8.0, punti * std::min(sx, sy)), 0.01);
            if (usuale) {
                EXPECT_EQ(l->font().pointSizeF(), punti) << i;
            }
        }

        // Variable 2 placed by a click at a quarter across and three quarters
        // down the editor's picture: the main window draws it on that spot.
        form2.show();
        box.risposte.push_back(sca);
        QTest::mouseClick(in<QPushButton>(&form2, "BitBtn5"), Qt::LeftButton);
        ASSERT_TRUE(box.errori.empty()) << box.errori.front();
        QTest::mouseClick(in<QPushButton>(&form2, "BitBtn3"), Qt::LeftButton);
        QTest::mouseClick(in<QPushButton>(&form2, "BitBtn3"), Qt::LeftButton);
        ASSERT_EQ(s.punto, 2);
        auto* figura2 = in<QLabel>(&form2, "Image1");
        const QPoint clic(figura2->width() / 4, figura2->height() * 3 / 4);
        QTest::mouseClick(figura2, Qt::LeftButton, {}, clic);
        auto* nelEditor = in<QLabel>(&form2, "Label3");
        const QPointF fEditor(double(nelEditor->x() - figura2->x()) / figura2->width(),
                              double(nelEditor->y() - figura2->y()) / figura2->height());
        form2.close();
        ASSERT_TRUE(main->preparaSchema());
        main->mostraSchema();
        auto* nellaPrincipale = in<QLabel>(main.get(), "Label2");
        const QPointF fPrincipale(double(nellaPrincipale->x() - image1->x()) / image1->width(),
                                  double(nellaPrincipale->y() - image1->y()) / image1->height());
        // Within a pixel of each control, and of the scheme's own pixel where
        // the control is larger than the reference.
        const double tx = 1.0 / std::min(figura2->width(), image1->width()) + 1.0 / 953;
        const double ty = 1.0 / std::min(figura2->height(), image1->height()) + 1.0 / 645;
        for (const QPointF& p : {fEditor, fPrincipale}) {
            EXPECT_NEAR(p.x(), double(clic.x()) / figura2->width(), tx);
            EXPECT_NEAR(p.y(), double(clic.y()) / figura2->height(), ty);
        }
        EXPECT_NEAR(fEditor.x(), fPrincipale.x(), tx);
        EXPECT_NEAR(fEditor.y(), fPrincipale.y(), ty);
    }
}

TEST_F(Schermo, EveryWindowFitsTheScreenWithNothingCutOrCovered) {
    apri();
    QStringList valori;
    for (const char* n : kEtichetteMain)
        valori << QString::fromLatin1(n);
    controllaFinestra(main.get(), valori);
    // The overlay over the solar plant.
    caricaImpianto("solare");
    ASSERT_TRUE(main->preparaSchema());
    main->mostraSchema();
    controllaFinestra(main.get(), valori);

    form2.show();
    box.risposte.push_back(platform::resolvePath("c:\\lavoro\\arduino\\solare.sca").string());
    QTest::mouseClick(in<QPushButton>(&form2, "BitBtn5"), Qt::LeftButton);
    valori.clear();
    for (int i = 2; i <= 11; ++i)
        valori << QStringLiteral("Label%1").arg(i);
    controllaFinestra(&form2, valori);
    QTest::mouseClick(in<QPushButton>(&form2, "BitBtn7"), Qt::LeftButton);  // the report
    controllaFinestra(&form2, valori);
    form2.close();

    for (QDialog* pannello : std::initializer_list<QDialog*>{&formarduino, &formarduino2}) {
        pannello->show();
        controllaFinestra(pannello);
        pannello->close();
    }

    // The plot of the experiment with the most curves, where "grafico" puts
    // it: over the log pane.
    acquisition::TFormgrafico grafico;
    main->impostaGrafico(&grafico);
    const auto& pi = *std::find_if(
        acquisition::comandi().begin(), acquisition::comandi().end(),
        [](const acquisition::Comando& c) { return c.didascalia == "Regolazione PI "; });
    acquisition::avviacomando(pi);
    acquisition::fermaacquisizione();
    QTest::mouseClick(in<QPushButton>(main.get(), "BitBtn33"), Qt::LeftButton);
    ASSERT_TRUE(grafico.isVisible());
    controllaFinestra(&grafico);
    grafico.close();

    // The longest warning of a board that runs another sketch, in a box as
    // the program shows it: whole on the screen.
    QMessageBox avviso(QMessageBox::NoIcon, QStringLiteral("Lumetto"),
                       QString::fromStdString(acquisition::avvisosketch(
                           *acquisition::comando("BitBtn6"), "RegolazionePI", "COM20")),
                       QMessageBox::Ok, main.get());
    avviso.show();
    controllaFinestra(&avviso);
    avviso.close();
    EXPECT_TRUE(box.errori.empty()) << box.errori.front();
}

// ---- The same geometry whatever fontconfig's defaults are -------------------

namespace {

// Where every control of every window stands, one line each.
std::string geometria(std::initializer_list<QWidget*> finestre) {
    std::ostringstream o;
    for (QWidget* f : finestre) {
        for (QWidget* c : f->findChildren<QWidget*>()) {
            const QRect g = c->geometry();
            o << nomeDi(f) << '/' << nomeDi(c) << ' ' << g.x() << ',' << g.y() << ' ' << g.width()
              << 'x' << g.height() << (c->isHidden() ? " nascosto" : "") << '\n';
        }
    }
    return o.str();
}

}  // namespace

// Run by the test below in a process of its own, under another fontconfig.
TEST_F(Schermo, DISABLED_WritesTheGeometry) {
    const char* file = std::getenv("LUMETTO_GEOMETRIA");
    ASSERT_NE(file, nullptr);
    apri();
    caricaImpianto("solare");
    for (int i = 1; i <= 12; ++i)
        link::tabellaletture[1][static_cast<std::size_t>(i)] = 123.4 * i;
    link::numerolettura = 1;
    ASSERT_TRUE(main->preparaSchema());
    main->mostraSchema();
    form2.show();
    formarduino.show();
    formarduino2.show();
    std::ofstream(file) << geometria({main.get(), &form2, &formarduino, &formarduino2});
    // What fontconfig makes of a face left to it, to tell that it was another.
    std::ofstream facce(std::string(file) + ".faccia");
    for (const char* generico : {"Sans Serif", "sans-serif", "serif", "monospace"})
        facce << generico << ": "
              << QFontInfo(QFont(QString::fromLatin1(generico))).family().toStdString() << '\n';
    form2.close();
    formarduino.close();
    formarduino2.close();
}

TEST(Caratteri, TheLayoutIsTheSameUnderAFontconfigWithOtherDefaults) {
    const fs::path dir = fs::path(std::getenv("HOME")) / "fontconfig";
    fs::create_directories(dir);
    // The system's fonts and none of its rules but one: no metric aliases, a
    // name fontconfig does not know falls to sans-serif as everywhere, and
    // the generic faces come from another family (fonts-urw-base35, which the
    // set-up installs for this test alone).
    std::ofstream(dir / "fonts.conf") << R"(<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "fonts.dtd">
<fontconfig>
  <dir>/usr/share/fonts</dir>
  <cachedir>)" << (dir / "cache").string()
                                      << R"(</cachedir>
  <match target="pattern">
    <test qual="all" name="family" compare="not_eq"><string>sans-serif</string></test>
    <test qual="all" name="family" compare="not_eq"><string>serif</string></test>
    <test qual="all" name="family" compare="not_eq"><string>monospace</string></test>
    <edit name="family" mode="append_last"><string>sans-serif</string></edit>
  </match>
  <alias><family>sans-serif</family><prefer><family>Nimbus Sans</family></prefer></alias>
  <alias><family>serif</family><prefer><family>Nimbus Roman</family></prefer></alias>
  <alias><family>monospace</family><prefer><family>Nimbus Mono PS</family></prefer></alias>
</fontconfig>
)";
    auto esegui = [&](const std::string& uscita, bool straniero) {
        std::string comando = "LUMETTO_GEOMETRIA='" + uscita + "' ";
        if (straniero) comando += "FONTCONFIG_FILE='" + (dir / "fonts.conf").string() + "' ";
        comando +=
            "/proc/self/exe --gtest_also_run_disabled_tests "
            "--gtest_filter=Schermo.DISABLED_WritesTheGeometry > '" +
            uscita + ".log' 2>&1";
        // /proc/self/exe is the shell here: name this program instead.
        comando.replace(comando.find("/proc/self/exe"), 14, fs::read_symlink("/proc/self/exe"));
        return std::system(comando.c_str());
    };
    const std::string normale = (dir / "normale.txt").string();
    const std::string straniera = (dir / "straniera.txt").string();
    ASSERT_EQ(esegui(normale, false), 0) << leggi(normale + ".log");
    ASSERT_EQ(esegui(straniera, true), 0) << leggi(straniera + ".log");
    // Every default must be another face, or the test would prove nothing.
    std::istringstream dn(leggi(normale + ".faccia")), ds(leggi(straniera + ".faccia"));
    std::string n, f;
    int facce = 0;
    while (std::getline(dn, n) && std::getline(ds, f)) {
        ++facce;
        EXPECT_NE(n, f) << "the same default face under both fontconfigs (fonts-urw-base35 is "
                           "missing? make setup installs it)";
    }
    ASSERT_EQ(facce, 4);
    std::istringstream a(leggi(normale)), b(leggi(straniera));
    std::string ra, rb;
    int righe = 0, diverse = 0;
    while (std::getline(a, ra)) {
        ++righe;
        if (!std::getline(b, rb)) rb = "(nothing)";
        if (ra != rb && ++diverse <= 10) ADD_FAILURE() << ra << "  became  " << rb;
    }
    EXPECT_GT(righe, 100);
    EXPECT_EQ(diverse, 0);
    EXPECT_FALSE(std::getline(b, rb)) << "more controls: " << rb;
}
