// The plot window on the offscreen platform: what its series hold for a run
// and for a thermostat run against the virtual board, the state steps, the
// condition marks, a new run, the X-Y view, and the PNG and PDF it saves as
// other programs read them.
#include <gtest/gtest.h>

#include <QAbstractAxis>
#include <QApplication>
#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLegend>
#include <QLegendMarker>
#include <QLineSeries>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QScatterSeries>
#include <QSet>
#include <QTest>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <sstream>
#include <string>

#include "acquisition/acquisizione.h"
#include "acquisition/decima.h"
#include "acquisition/qt/formgrafico.h"
#include "acquisition/qt/mainform.h"
#include "acquisition/qt/pannelloanalisi.h"
#include "link/collegamento.h"
#include "link/letture.h"
#include "schemes/maschere.h"
#include "schemes/schema.h"
#include "support/dialoghi.h"
#include "support/scheda.h"

namespace fs = std::filesystem;
using namespace lumetto;
using namespace lumetto::acquisition;

namespace {

// A curve's name, with its unit where it has one ("dist [cm]").
bool chiamata(const QAbstractSeries* s, const QString& nome) {
    return s->name() == nome || s->name().startsWith(nome + QStringLiteral(" ["));
}

QList<QPointF> punti(TFormgrafico& g, const QString& nome) {
    g.disegna();  // as the event loop does after a reading
    for (QAbstractSeries* s : g.grafico()->series())
        if (chiamata(s, nome)) return static_cast<QXYSeries*>(s)->points();
    std::string tutte;
    for (QAbstractSeries* s : g.grafico()->series())
        tutte += s->name().toStdString() + ",";
    ADD_FAILURE() << "no series " << nome.toStdString() << " among " << tutte;
    return {};
}

QXYSeries* serie(TFormgrafico& g, const QString& nome) {
    for (QAbstractSeries* s : g.grafico()->series())
        if (chiamata(s, nome)) return static_cast<QXYSeries*>(s);
    return nullptr;
}

// Every point of both colours' marks, whichever axis they stand on.
QList<QPointF> segni(TFormgrafico& g, Qt::GlobalColor colore) {
    g.disegna();
    QList<QPointF> r;
    for (QAbstractSeries* s : g.grafico()->series())
        if (auto* sc = qobject_cast<QScatterSeries*>(s); sc && sc->color() == QColor(colore))
            r += sc->points();
    return r;
}

// What a command-line program prints.
std::string esegui(const std::string& comando) {
    std::string uscita;
    if (FILE* f = ::popen((comando + " 2>/dev/null").c_str(), "r")) {
        char buf[512];
        while (size_t n = std::fread(buf, 1, sizeof buf, f))
            uscita.append(buf, n);
        ::pclose(f);
    }
    return uscita;
}

class Grafico : public ::testing::Test {
  protected:
    Grafico() {
        azzeraacquisizione();
        schemes::azzeraschema();
    }
    ~Grafico() override {
        fermaacquisizione();
        azzeraacquisizione();
        schemes::azzeraschema();
    }
    // A run as the tick stores it, told to the listeners.
    void corsa(int16_t codice, const std::string& testata, const std::string& maschera,
               const std::vector<std::vector<double>>& letture) {
        avviaesperimento(codice, testata, maschera);
        for (const auto& valori : letture) {
            ++link::numerolettura;
            for (size_t i = 0; i < valori.size(); ++i)
                link::tabellaletture[static_cast<size_t>(link::numerolettura)][i + 1] = valori[i];
            g.letturamemorizzata(link::numerolettura);
        }
    }
    prove::DialoghiScritti box;
    TFormgrafico g;
};

}  // namespace

TEST_F(Grafico, ASonarRunOfThreeReadings) {
    g.show();
    corsa(3, "dist..", "1", {{12}, {15.4}, {20}});
    EXPECT_EQ(punti(g, "dist"), (QList<QPointF>{{1, 12}, {2, 15.4}, {3, 20}}));
    EXPECT_TRUE(g.grafico()->title().startsWith("Sonar - ")) << g.grafico()->title().toStdString();
    // Seconds from the start: a reading every 2 s, the first one 2 s in.
    g.findChild<QComboBox*>("ComboAsseX")->setCurrentIndex(1);
    EXPECT_EQ(punti(g, "dist"), (QList<QPointF>{{2, 12}, {4, 15.4}, {6, 20}}));
    // Automatic scaling shows the whole run.
    auto* x = static_cast<QValueAxis*>(g.grafico()->axes(Qt::Horizontal).front());
    EXPECT_LE(x->min(), 2);
    EXPECT_GE(x->max(), 6);

    // A new run clears it; a stopped one stays on screen.
    fermaacquisizione();
    EXPECT_EQ(punti(g, "dist").size(), 3);
    corsa(20, "Temp..", "1", {{21.5}});
    EXPECT_EQ(serie(g, "dist"), nullptr);
    EXPECT_EQ(punti(g, "Temp").size(), 1);
}

TEST_F(Grafico, StatesAreStepsAndConditionsAreMarked) {
    auto& s = schemes::schemacorrente();
    s.condizione(1) = "1>20";  // red where the temperature is over 20
    s.condizione(2) = "2<50";  // blue where the humidity is under 50
    g.show();
    corsa(17, "temp....umid..Set...Stato.", "1112",
          {{19.5, 55, 20, 1}, {20.6, 52, 20, 0}, {20.2, 48, 20, 1}});
    EXPECT_EQ(punti(g, "temp"), (QList<QPointF>{{1, 19.5}, {2, 20.6}, {3, 20.2}}));
    // The state holds until the next reading, then steps.
    EXPECT_EQ(punti(g, "Stato"), (QList<QPointF>{{1, 1}, {2, 1}, {2, 0}, {3, 0}, {3, 1}}));
    // On its own axis, with the words of the log.
    auto* asse = qobject_cast<QCategoryAxis*>(serie(g, "Stato")->attachedAxes().back());
    ASSERT_NE(asse, nullptr);
    EXPECT_EQ(asse->categoriesLabels(), (QStringList{"OFF", "ON", "Halt"}));
    EXPECT_TRUE(asse->isVisible());
    // Exactly where a condition holds, as the log makes its cells bold.
    for (auto [colore, esito] : {std::pair{Qt::red, 1}, std::pair{Qt::blue, 2}}) {
        QList<QPointF> attesi;
        for (int r = 1; r <= 3; ++r)
            for (int c = 1; c <= 4; ++c) {
                const double v =
                    link::tabellaletture[static_cast<size_t>(r)][static_cast<size_t>(c)];
                if (schemes::valutacondizioni(c, v) == esito) attesi.append({double(r), v});
            }
        EXPECT_FALSE(attesi.isEmpty());
        auto visti = segni(g, colore);
        std::sort(visti.begin(), visti.end(),
                  [](auto a, auto b) { return a.x() != b.x() ? a.x() < b.x() : a.y() < b.y(); });
        std::sort(attesi.begin(), attesi.end(),
                  [](auto a, auto b) { return a.x() != b.x() ? a.x() < b.x() : a.y() < b.y(); });
        EXPECT_EQ(visti, attesi) << esito;
    }
}

TEST_F(Grafico, TheXYViewAndAHiddenWindow) {
    // Hidden, it draws nothing; shown, it draws the whole run at once.
    corsa(21, "Ax....Ay....Az....", "111", {{0.1, -1, 0.5}, {0.2, -0.9, 0.6}});
    for (QAbstractSeries* s : g.grafico()->series())
        EXPECT_TRUE(static_cast<QXYSeries*>(s)->points().isEmpty());
    g.show();
    EXPECT_EQ(punti(g, "Ax").size(), 2);
    g.findChild<QComboBox*>("ComboColonnaX")->setCurrentIndex(0);
    g.findChild<QComboBox*>("ComboColonnaY")->setCurrentIndex(2);
    g.findChild<QCheckBox*>("CheckXY")->setChecked(true);
    EXPECT_EQ(punti(g, "Az [g] / Ax [g]"), (QList<QPointF>{{0.1, 0.5}, {0.2, 0.6}}));
    ++link::numerolettura;
    link::tabellaletture[3][1] = 0.3;
    link::tabellaletture[3][3] = 0.7;
    g.letturamemorizzata(3);
    EXPECT_EQ(punti(g, "Az [g] / Ax [g]").back(), QPointF(0.3, 0.7));
}

TEST_F(Grafico, ThermostatRunAgainstTheVirtualBoard) {
    prove::InServizio board([] {
        scheda::Opzioni o;
        o.porta = 13;
        o.sketch = "termostato";
        return o;
    }());
    ASSERT_TRUE(board.ok);
    link::impostaVistaCollegamento({[] { return 13; }, [](int) {}, [] { fermaacquisizione(); }});
    g.show();
    avviaesperimento(17, "temp....umid..Set...Stato.", "1112");
    for (int i = 0; i < 3; ++i)
        eseguilettura();
    ASSERT_TRUE(box.mostrati.empty()) << box.mostrati.front();
    ASSERT_EQ(link::numerolettura, 3);
    const char* nomi[] = {"temp", "umid", "Set"};
    for (int c = 1; c <= 3; ++c) {
        QList<QPointF> attesi;
        for (int r = 1; r <= 3; ++r)
            attesi.append(
                {double(r), link::tabellaletture[static_cast<size_t>(r)][static_cast<size_t>(c)]});
        EXPECT_EQ(punti(g, nomi[c - 1]), attesi) << nomi[c - 1];
    }
    EXPECT_EQ(punti(g, "Stato").size(), 5);
    fermaacquisizione();
    link::impostaVistaCollegamento({});
}

TEST_F(Grafico, SavedAsPngAndPdfForOtherPrograms) {
    g.show();
    corsa(17, "temp....umid..Set...Stato.", "1112", {{19.5, 55, 20, 1}, {20.6, 52, 20, 0}});
    const fs::path dir = fs::path(std::getenv("HOME")) / "grafici";
    fs::create_directories(dir);
    // Through the dialogs, a name without its extension.
    box.risposte.push_back((dir / "termostato").string());
    QTest::mouseClick(g.findChild<QPushButton*>("BitBtnPNG"), Qt::LeftButton);
    box.risposte.push_back((dir / "termostato.pdf").string());
    QTest::mouseClick(g.findChild<QPushButton*>("BitBtnPDF"), Qt::LeftButton);
    EXPECT_EQ(box.domande,
              (std::vector<std::string>{"salva il grafico come immagine|immagine PNG|*.png",
                                        "salva il grafico in PDF|documento PDF|*.pdf"}));
    ASSERT_TRUE(box.errori.empty()) << box.errori.front();
    ASSERT_TRUE(fs::exists(dir / "termostato.png"));
    ASSERT_TRUE(fs::exists(dir / "termostato.pdf"));
    // ImageMagick and poppler read them: 1600 x 1000 pixels, an A4 page lying down.
    EXPECT_EQ(esegui("identify -format '%m %wx%h' " + (dir / "termostato.png").string()),
              "PNG 1600x1000");
    std::map<std::string, std::string> info;  // "Pages:           1"
    std::istringstream righe(esegui("pdfinfo " + (dir / "termostato.pdf").string()));
    for (std::string r; std::getline(righe, r);)
        if (auto due = r.find(':'); due != std::string::npos)
            info[r.substr(0, due)] = r.substr(r.find_first_not_of(' ', due + 1));
    EXPECT_EQ(info["Pages"], "1");
    EXPECT_EQ(info["Page size"], "842 x 595 pts (A4)");
    EXPECT_EQ(info["Title"].rfind("termostato - ", 0), 0u) << info["Title"];

    // A folder that cannot be written is told, with the file's name.
    EXPECT_FALSE(g.salvapng("/proc/non-si-puo.png"));
    ASSERT_EQ(box.errori.size(), 1u);
    EXPECT_NE(box.errori[0].find("/proc/non-si-puo.png"), std::string::npos);
}

// Each curve is named by its whole field, no two alike, in a colour of its
// own that a colour-blind student tells apart (solid for the first eight of
// the palette, dashed after), and the X-Y boxes offer the same names.
TEST_F(Grafico, EveryCurveHasItsOwnNameAndColour) {
    g.show();
    corsa(1, "temp..set...scost.banda.tempo.azp...azi...azt...", "11111111",
          {{21.5, 25, 3.5, 10, 2, 35, 4.25, 39.3}});
    // Whole names with the units of the experiment's table.
    const QStringList pi = {"temp [°C]", "set [°C]", "scost [°C]", "banda [°C]",
                            "tempo [s]", "azp [%]",  "azi [%]",    "azt [%]"};
    QStringList nomi, scelte;
    QSet<QRgb> colori;
    for (QAbstractSeries* s : g.grafico()->series())
        if (auto* l = qobject_cast<QLineSeries*>(s)) {
            nomi << l->name();
            colori << l->pen().color().rgb();
            EXPECT_EQ(l->pen().style(), Qt::SolidLine) << l->name().toStdString();
        }
    EXPECT_EQ(nomi, pi);
    EXPECT_EQ(colori.size(), 8);
    auto* colonne = g.findChild<QComboBox*>("ComboColonnaX");
    for (int i = 0; i < colonne->count(); ++i)
        scelte << colonne->itemText(i);
    EXPECT_EQ(scelte, pi);
    // The y axis names what is shown: the temperature alone "temp [°C]",
    // with the set point "valore [°C]", all eight "valore".
    auto assey = [&] {
        for (QAbstractAxis* a : serie(g, "temp [°C]")->attachedAxes())
            if (a->orientation() == Qt::Vertical) return a->titleText().toStdString();
        return std::string();
    };
    EXPECT_EQ(assey(), "valore");
    const auto voci = g.grafico()->legend()->markers();
    for (qsizetype i = 1; i < pi.size(); ++i)
        emit voci[i]->clicked();
    EXPECT_EQ(assey(), "temp [°C]");
    emit voci[1]->clicked();
    EXPECT_EQ(assey(), "valore [°C]");
    // A name that fills its field stays apart from the next one.
    EXPECT_EQ(nomecampo("Umid1.Umid2.PioggiLiv...Pompa.", 3), "Pioggi");
    EXPECT_EQ(nomecampo("Umid1.Umid2.PioggiLiv...Pompa.", 4), "Liv");
    EXPECT_EQ(nomecampo("temp....umid..Set...Stato.", 4), "Stato");
    EXPECT_EQ(nomecampo("temp....umid..Set...Stato.", 5), "");

    // Twelve columns, two of them alike: twelve names and twelve colours.
    corsa(99, "T.....T.....a.....b.....c.....d.....e.....f.....g.....h.....i.....j.....",
          "111111111111", {std::vector<double>(12, 1)});
    nomi.clear();
    colori.clear();
    int tratteggiate = 0;
    for (QAbstractSeries* s : g.grafico()->series())
        if (auto* l = qobject_cast<QLineSeries*>(s)) {
            nomi << l->name();
            colori << l->pen().color().rgb();
            tratteggiate += l->pen().style() == Qt::DashLine;
        }
    EXPECT_EQ(nomi.mid(0, 3), (QStringList{"T", "T (2)", "a"}));
    EXPECT_EQ(QSet<QString>(nomi.begin(), nomi.end()).size(), 12);
    EXPECT_EQ(colori.size(), 12);
    EXPECT_EQ(tratteggiate, 4);
}

// The analysis as a user reaches it: Shift and a drag over a heating curve
// choose a range (the plot's x, not the screen's), the exponential fit is
// drawn over it and written with its parameters, Ctrl and a click gives the
// tangent, a flat range is refused without a curve, and the saved PDF
// carries the text.
TEST_F(Grafico, ARangeOfACurveIsMeasuredAndFitted) {
    g.resize(1200, 700);
    g.show();
    std::vector<std::vector<double>> letture;
    for (int r = 1; r <= 60; ++r)
        letture.push_back(
            {r <= 40 ? 50 - 30 * std::exp(-r / 8.0) + 0.02 * ((r * 7) % 5 - 2) : 49.9});
    corsa(20, "temp..", "1", letture);
    g.disegna();
    QTest::mouseClick(g.findChild<QPushButton*>("BitBtnAnalisi"), Qt::LeftButton);
    QWidget* vp = g.vistagrafico()->viewport();
    auto schermo = [&](double x) {
        const QPointF p = g.grafico()->mapToPosition(QPointF(x, 40));
        return g.vistagrafico()->mapFromScene(g.grafico()->mapToScene(p));
    };
    QTest::mousePress(vp, Qt::LeftButton, Qt::ShiftModifier, schermo(4.7));
    QMouseEvent muovi(QEvent::MouseMove, schermo(20), vp->mapToGlobal(schermo(20)), Qt::NoButton,
                      Qt::LeftButton, Qt::ShiftModifier);
    QApplication::sendEvent(vp, &muovi);
    QTest::mouseRelease(vp, Qt::LeftButton, Qt::ShiftModifier, schermo(40.3));
    auto* pannello = g.analisi();
    ASSERT_TRUE(pannello->selezionata());
    const double da = g.findChild<QDoubleSpinBox*>("SpinDa")->value();
    const double a = g.findChild<QDoubleSpinBox*>("SpinA")->value();
    EXPECT_NEAR(da, 4.7, 0.2);
    EXPECT_NEAR(a, 40.3, 0.2);
    pannello->modello()->setCurrentIndex(4);  // exponential
    const QString testo = pannello->risultati()->toPlainText();
    EXPECT_TRUE(testo.contains("Punti: 36")) << testo.toStdString();
    EXPECT_TRUE(testo.contains("Adattamento esponenziale")) << testo.toStdString();
    // 8 within its standard error, with the digits that error justifies.
    EXPECT_TRUE(testo.contains(QRegularExpression("τ = (7,9[5-9]|8,0[0-4])\\d ± 0,0\\d\\d\n")))
        << testo.toStdString();
    const QXYSeries* curva = serie(g, "adattamento esponenziale");
    ASSERT_NE(curva, nullptr);
    EXPECT_EQ(curva->points().front().x(), 5);  // over the points selected
    EXPECT_EQ(curva->points().back().x(), 40);

    QTest::mouseClick(vp, Qt::LeftButton, Qt::ControlModifier, schermo(10));
    EXPECT_TRUE(pannello->risultati()->toPlainText().contains("Tangente in x = 10"))
        << pannello->risultati()->toPlainText().toStdString();
    EXPECT_NE(serie(g, "tangente"), nullptr);

    const fs::path pdf = fs::path(std::getenv("HOME")) / "analisi.pdf";
    ASSERT_TRUE(g.salvapdf(pdf.string()));
    const std::string scritto = esegui("pdftotext " + pdf.string() + " -");
    EXPECT_NE(scritto.find("Adattamento esponenziale"), std::string::npos) << scritto;
    EXPECT_NE(scritto.find("R²"), std::string::npos) << scritto;

    pannello->selezione(45, 60);  // flat: nothing to fit, nothing drawn
    EXPECT_TRUE(pannello->risultati()->toPlainText().contains("Non riuscito"))
        << pannello->risultati()->toPlainText().toStdString();
    EXPECT_EQ(serie(g, "adattamento esponenziale"), nullptr);
}

// A long run as the screen shows it: no more than two points a pixel
// column, every peak kept, the line running on to the borders of a zoom.
TEST(Decima, EveryPeakStaysAndNoMoreThanTwoPointsAColumn) {
    QList<QPointF> punti;
    for (int i = 0; i < 100000; ++i)
        punti.append(QPointF(i, std::sin(i / 500.0)));
    punti[54321].setY(7);
    punti[77777].setY(-9);
    const auto intero = decima(punti, 0, 99999, 1000);
    EXPECT_LE(intero.size(), 2 * (1000 + 1));  // the right border is a column of its own
    EXPECT_TRUE(intero.contains(QPointF(54321, 7)));
    EXPECT_TRUE(intero.contains(QPointF(77777, -9)));
    EXPECT_TRUE(std::is_sorted(intero.begin(), intero.end(),
                               [](const QPointF& a, const QPointF& b) { return a.x() < b.x(); }));
    const auto zoom = decima(punti, 50000.5, 60000.5, 100);
    EXPECT_LE(zoom.size(), 2 * (100 + 1) + 2);
    EXPECT_EQ(zoom.front().x(), 50000);  // just outside, so the line reaches the border
    EXPECT_EQ(zoom.back().x(), 60001);
    EXPECT_TRUE(zoom.contains(QPointF(54321, 7)));
}
