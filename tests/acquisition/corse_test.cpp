// The runs' window over a real archive file and the plot it opens them in:
// the list newest first and narrowed, one run reopened, two of one
// experiment laid over each other, refusals, title and note, deletion asked
// first, and the CSV and workbook of a run.
#include <gtest/gtest.h>

#include <QChart>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QPlainTextEdit>
#include <QTreeWidget>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <sstream>

#include "acquisition/qt/formcorse.h"
#include "acquisition/qt/formgrafico.h"
#include "acquisition/qt/pannelloanalisi.h"
#include "archive/archivio.h"
#include "support/dialoghi.h"

namespace fs = std::filesystem;
using namespace lumetto;
using namespace lumetto::acquisition;

namespace {

int64_t archivia(archivio::Archivio& a, const std::string& esperimento, const std::string& testata,
                 const std::string& inizio, int n, double scala) {
    archivio::Corsa c;
    c.esperimento = esperimento;
    c.testata = testata;
    c.mascheratipo = "11";
    c.intervallo = 2;
    c.inizio = inizio;
    c.fuso = "+01:00";
    c.porta = "COM13";
    c.banco = "banco03";
    const int64_t id = a.nuovacorsa(c);
    for (int r = 1; r <= n; ++r) {
        archivio::Lettura l;
        l.numero = r;
        l.ms = r * 2000 + 7;
        l.valori.fill(std::numeric_limits<double>::quiet_NaN());
        l.valori[0] = scala * r;
        l.valori[1] = 100 + r;
        a.aggiungi(id, l);
    }
    return id;
}

std::vector<QLineSeries*> linee(TFormgrafico& g) {
    g.disegna();
    std::vector<QLineSeries*> l;
    for (QAbstractSeries* s : g.grafico()->series())
        if (auto* x = qobject_cast<QLineSeries*>(s);
            x && x->type() == QAbstractSeries::SeriesTypeLine)
            l.push_back(x);
    return l;
}

std::string leggi(const fs::path& p) {
    std::ifstream f(p, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

}  // namespace

TEST(Corse, ListedReopenedComparedTitledDeletedExported) {
    const fs::path file = fs::path(std::getenv("HOME")) / "corse" / "lumetto.sqlite";
    int64_t primo, secondo, sonar;
    {
        archivio::Archivio a(file);
        primo = archivia(a, "termostato", "temp..uscita", "2026-12-01T09:00:00.000Z", 3, 1);
        sonar = archivia(a, "Sonar", "dist..", "2026-12-02T09:00:00.000Z", 2, 5);
        secondo = archivia(a, "termostato", "temp..uscita", "2026-12-09T10:15:00.000Z", 4, 2);
        a.sostituiscicolonne(secondo, {{"temp", "°C", 1}, {"uscita, PWM", "%"}});
    }
    prove::DialoghiScritti box;
    TFormgrafico g;
    g.impostaarchivio(file);
    TFormcorse f(&g, file);
    f.show();
    QTreeWidget* l = f.elenco();
    ASSERT_EQ(l->topLevelItemCount(), 3);
    EXPECT_EQ(l->topLevelItem(0)->text(0), "09/12/2026 11:15");  // newest first, local time
    EXPECT_EQ(l->topLevelItem(0)->text(2), "4");
    f.findChild<QLineEdit*>("EditCerca")->setText("TERMO");
    EXPECT_EQ(l->topLevelItemCount(), 2);
    f.findChild<QLineEdit*>("EditCerca")->clear();

    // One run: its curves as kept, x from its own start.
    f.seleziona({primo});
    ASSERT_TRUE(f.apri());
    ASSERT_EQ(linee(g).size(), 2u);
    EXPECT_EQ(linee(g)[0]->points(), (QList<QPointF>{{1, 1}, {2, 2}, {3, 3}}));
    EXPECT_TRUE(g.grafico()->title().contains("01/12/2026 10:00"));

    // Two of one experiment: each run a line style, each column its colour.
    f.seleziona({primo, secondo});
    ASSERT_TRUE(f.apri());
    auto c = linee(g);
    ASSERT_EQ(c.size(), 4u);
    EXPECT_EQ(c[0]->pen().color(), c[2]->pen().color());
    EXPECT_NE(c[0]->pen().style(), c[2]->pen().style());
    EXPECT_NE(c[0]->pen().color(), c[1]->pen().color());
    EXPECT_TRUE(c[2]->name().contains("09/12/2026")) << c[2]->name().toStdString();
    EXPECT_EQ(c[2]->points().size(), 4);

    // Not two experiments, not five runs; a new run brings back the current one.
    f.seleziona({primo, sonar});
    EXPECT_FALSE(f.apri());
    ASSERT_EQ(box.mostrati.size(), 1u);
    EXPECT_NE(box.mostrati[0].find("stesso esperimento"), std::string::npos);
    EXPECT_EQ(g.corsemostrate().size(), 2u);
    g.nuovacorsa();
    EXPECT_TRUE(g.corsemostrate().empty());

    f.seleziona({secondo});
    EXPECT_TRUE(
        f.findChild<QLabel*>("LabelNota")->text().contains("\ncolonne: temp [°C], uscita, PWM [%]"))
        << f.findChild<QLabel*>("LabelNota")->text().toStdString();
    box.risposte = {std::string("Gruppo 2"), std::string("sonda nel bicchiere")};
    f.intitola();
    EXPECT_EQ(l->topLevelItem(0)->text(4), "Gruppo 2");

    const fs::path csv = fs::path(std::getenv("HOME")) / "corsa";
    box.risposte = {csv.string()};
    f.esporta(false);
    EXPECT_EQ(leggi(csv.string() + ".csv"),
              "lettura,secondi,temp [°C],\"uscita, PWM [%]\"\r\n1,2.007,2,101\r\n2,4.007,4,102\r\n"
              "3,6.007,6,103\r\n4,8.007,8,104\r\n");
    box.risposte = {csv.string() + ".xls"};
    f.esporta(true);
    EXPECT_EQ(leggi(csv.string() + ".xls").substr(0, 4), "\xD0\xCF\x11\xE0");
    EXPECT_TRUE(box.errori.empty()) << box.errori.front();

    box.risposte = {std::nullopt};  // "No"
    f.elimina();
    EXPECT_EQ(l->topLevelItemCount(), 3);
    EXPECT_NE(
        box.domande.back().find("Eliminare la corsa del 09/12/2026 11:15 (termostato, 4 letture)?"),
        std::string::npos);
    box.risposte = {std::string()};
    f.elimina();
    EXPECT_EQ(l->topLevelItemCount(), 2);

    // A run of the experiment whose header changed: not laid over the first
    // under its names; a whole copy of the archive, taken while it is open.
    const int64_t scambiata = [&] {
        archivio::Archivio a(file);
        return archivia(a, "termostato", "uscitatemp..", "2026-12-10T10:15:00.000Z", 2, 1);
    }();
    f.aggiorna();
    f.seleziona({primo, scambiata});
    EXPECT_FALSE(f.apri());
    EXPECT_NE(box.mostrati.back().find("stesse colonne"), std::string::npos) << box.mostrati.back();
    box.risposte = {(fs::path(std::getenv("HOME")) / "copia").string()};
    f.copia();
    EXPECT_EQ(archivio::Archivio(fs::path(std::getenv("HOME")) / "copia.sqlite").elenco().size(),
              3u);
}

// A run longer than a screen shows is drawn decimated (a minimum and a
// maximum a pixel column): the analysis still reads every reading.
TEST(Corse, ALongRunIsAnalysedOnEveryReadingNotOnItsDrawing) {
    const fs::path file = fs::path(std::getenv("HOME")) / "lunga" / "lumetto.sqlite";
    int64_t lunga;
    {
        archivio::Archivio a(file);
        lunga = archivia(a, "libero", "luce..temp..", "2026-12-03T09:00:00.000Z", 6000, 1);
    }
    prove::DialoghiScritti box;
    TFormgrafico g;
    g.resize(1000, 600);
    g.impostaarchivio(file);
    TFormcorse f(&g, file);
    f.show();
    f.seleziona({lunga});
    ASSERT_TRUE(f.apri()) << (box.mostrati.empty() ? "" : box.mostrati.front());
    ASSERT_LT(linee(g)[0]->points().size(), 6000);  // drawn decimated
    g.analisi()->selezione(1000.5, 5000.5);
    const QString testo = g.analisi()->risultati()->toPlainText();
    EXPECT_TRUE(testo.contains("Punti: 4000\n")) << testo.toStdString();
    EXPECT_TRUE(testo.contains("Media: 3000,5\n")) << testo.toStdString();
}
