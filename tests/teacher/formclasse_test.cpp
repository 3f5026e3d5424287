// The teacher's window on Qt's offscreen platform: benches fed through the
// class model show in their tiles; a tile opens the plot with the run's
// points and keeps it live; "raccogli" writes the archive, a workbook read
// back by xlrd and CSV files; against a real Mosquitto, two benches show and
// a stopped broker is said in the status line.
#include "teacher/formclasse.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QChart>
#include <QComboBox>
#include <QDateTime>
#include <QLineSeries>
#include <QPushButton>
#include <QTest>
#include <QValueAxis>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "acquisition/qt/formgrafico.h"
#include "archive/archivio.h"
#include "classroom/messaggi.h"
#include "classroom/mqtt.h"
#include "support/broker.h"
#include "support/cartella.h"
#include "support/dialoghi.h"
#include "teacher/tessera.h"

using namespace lumetto;
using namespace lumetto::classe;

namespace {

Configurazione configurazione(int porta = 1) {
    Configurazione c;
    c.host = "127.0.0.1";
    c.porta = porta;
    c.nome = "3B";
    return c;
}

archivio::Corsa fatti(const std::string& banco, int64_t id) {
    archivio::Corsa c;
    c.id = id;
    c.codice = 7;
    c.esperimento = "termostato";
    c.testata = "temp..umid..";
    c.mascheratipo = "11";
    c.intervallo = 1;
    // Runs of a bench begin minutes apart.
    c.inizio =
        QDateTime::currentDateTimeUtc().addSecs(-60 * id).toString(Qt::ISODateWithMs).toStdString();
    c.fuso = archivio::fusolocale();
    c.banco = banco;
    return c;
}

archivio::Lettura lettura(int numero) {
    archivio::Lettura l;
    l.numero = numero;
    l.ms = numero * 1000;
    l.valori.fill(std::numeric_limits<double>::quiet_NaN());
    l.valori[0] = 20 + numero * 0.5;
    l.valori[1] = 40 + numero;
    return l;
}

// A bench's state, a run's facts and its readings 1..n, as the broker delivers them.
void banco(TFormclasse& f, const std::string& nome, Stato s, int n, int64_t id = 5) {
    StatoBanco st;
    st.stato = s;
    st.esperimento = "termostato";
    st.sketch = "Termostato";
    st.versione = "0.3.0";
    st.corsa = id;
    f.ricevi(argomentostato("3B", nome), scrivistato(st), true);
    f.ricevi(argomentocorsa("3B", nome, id), scrivicorsa(fatti(nome, id)), false);
    for (int i = 1; i <= n; ++i)
        f.ricevi(argomentoletture("3B", nome, id), scrivilettura(lettura(i)), false);
}

int punti(acquisition::TFormgrafico* g, const QString& curva) {
    g->disegna();
    for (QAbstractSeries* s : g->grafico()->series())
        if (s->name() == curva) return static_cast<int>(static_cast<QLineSeries*>(s)->count());
    return -1;
}

std::string comando(const std::string& c) {
    std::string uscita;
    if (FILE* p = ::popen(c.c_str(), "r")) {
        char b[4096];
        std::size_t n;
        while ((n = std::fread(b, 1, sizeof b, p)) > 0)
            uscita.append(b, n);
        ::pclose(p);
    }
    return uscita;
}

std::string leggi(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

}  // namespace

TEST(FormClasse, TilesShowEachBenchAndOpenItsRunLiveInThePlot) {
    prove::CartellaProva d;
    TFormclasse f(configurazione(), d / "archivio.sqlite");
    f.show();
    banco(f, "banco10", Stato::Fermo, 2);
    banco(f, "banco2", Stato::InCorsa, 5);
    f.ricevi("lumetto/3B/banco2/stato/x", "{}", false);  // nonsense: counted, dropped
    f.aggiorna();

    ASSERT_NE(f.tessera("banco2"), nullptr);
    EXPECT_EQ(f.tessera("banco2")->testostato(), "in corsa");
    EXPECT_EQ(f.tessera("banco2")->testoletture(), "5 letture");
    EXPECT_EQ(f.tessera("banco10")->testostato(), "fermo");
    EXPECT_EQ(f.tessera("banco10")->testoletture(), "2 letture");
    EXPECT_TRUE(f.tessera("banco2")->isVisible());
    // "banco2" before "banco10", in one row at 1366 pixels.
    EXPECT_LT(f.tessera("banco2")->x(), f.tessera("banco10")->x());
    EXPECT_NE(f.statocollegamento().indexOf("collegamento non avviato. 2 banchi."), -1)
        << f.statocollegamento().toStdString();
    EXPECT_NE(f.statocollegamento().indexOf("1 messaggio scartato: argomento sconosciuto"), -1)
        << f.statocollegamento().toStdString();

    // Enter on the tile opens the plot with the run's points.
    f.tessera("banco2")->setFocus();
    QTest::keyClick(f.tessera("banco2"), Qt::Key_Return);
    acquisition::TFormgrafico* g = f.grafico("banco2");
    ASSERT_NE(g, nullptr);
    EXPECT_TRUE(g->isVisible());
    EXPECT_FALSE(g->findChild<QPushButton*>("BitBtnAttuale")->isVisible());
    EXPECT_EQ(punti(g, "temp"), 5);
    EXPECT_EQ(punti(g, "umid"), 5);
    // Live: a new reading, and a resend that changes nothing in the count.
    f.ricevi(argomentoletture("3B", "banco2", 5), scrivilettura(lettura(6)), false);
    f.ricevi(argomentoletture("3B", "banco2", 5), scrivilettura(lettura(3)), false);
    EXPECT_EQ(punti(g, "temp"), 6);
    f.aggiorna();
    EXPECT_EQ(f.tessera("banco2")->testoletture(), "6 letture");
    // A gap is said: readings 7 and 8 have not come.
    f.ricevi(argomentoletture("3B", "banco2", 5), scrivilettura(lettura(9)), false);
    f.aggiorna();
    EXPECT_EQ(f.tessera("banco2")->testoletture(), "7 letture (2 mancanti)");
    // A new run of the bench: the plot follows it.
    banco(f, "banco2", Stato::InCorsa, 2, 6);
    f.aggiorna();
    EXPECT_EQ(punti(g, "temp"), 2);
    EXPECT_EQ(f.tessera("banco2")->testovalori(), "temp 21  umid 42");
    // A free run names a column: its facts come again, tile and plot take it.
    archivio::Corsa nuovi = fatti("banco2", 6);
    nuovi.colonne = {{"temp", "°C", 1}, {"umid", "%"}, {"luce esterna", "%"}};
    f.ricevi(argomentocorsa("3B", "banco2", 6), scrivicorsa(nuovi), false);
    f.aggiorna();
    EXPECT_EQ(f.tessera("banco2")->testovalori(), "temp [°C] 21  umid [%] 42  luce esterna [%] -");
    EXPECT_EQ(punti(g, "luce esterna [%]"), 0);
    EXPECT_EQ(punti(g, "temp [°C]"), 2);
}

// Whatever the parser takes, the plot of a bench's run gets finite axes,
// by reading number and by seconds.
TEST(FormClasse, ThePlotsAxesStayFiniteForAnythingTheParserTakes) {
    const double denormale = std::numeric_limits<double>::denorm_min();
    struct Caso {
        const char* nome;
        std::vector<std::pair<int64_t, double>> letture;  // ms, value of column 1
        std::string inizio;
    } casi[] = {
        {"the widest range", {{0, kMaxValore}, {1000, -kMaxValore}}, "2026-12-09T10:15:02Z"},
        {"one value at the bound, the last time from the last year",
         {{kMaxIntero, kMaxValore}},
         "2199-12-31T23:59:59.999Z"},
        {"a flat line at the bound",
         {{0, -kMaxValore}, {kMaxIntero, -kMaxValore}},
         "1900-01-01T00:00:00Z"},
        {"the narrowest range", {{0, denormale}, {1, -denormale}, {2, 0}}, "1970-01-01T00:00:00Z"},
        {"one value next to nothing", {{0, denormale}}, "1970-01-01T00:00:00Z"},
    };
    for (const Caso& c : casi) {
        SCOPED_TRACE(c.nome);
        prove::CartellaProva d;
        TFormclasse f(configurazione(), d / "archivio.sqlite");
        archivio::Corsa corsa = fatti("banco01", 5);
        corsa.inizio = c.inizio;
        f.ricevi(argomentocorsa("3B", "banco01", 5), scrivicorsa(corsa), false);
        int numero = 0;
        for (const auto& [ms, valore] : c.letture) {
            archivio::Lettura l = lettura(++numero);
            l.ms = ms;
            l.valori[0] = l.valori[1] = valore;
            f.ricevi(argomentoletture("3B", "banco01", 5), scrivilettura(l), false);
        }
        EXPECT_EQ(f.aula().rifiutati(), 0) << f.aula().ultimorifiuto();
        f.apri("banco01");
        acquisition::TFormgrafico* g = f.grafico("banco01");
        ASSERT_NE(g, nullptr);
        // Each axis holds what it shows: Qt keeps the range it had when
        // asked for a range that is no number.
        double basso = c.letture.front().second, alto = basso;
        for (const auto& l : c.letture)
            basso = std::min(basso, l.second), alto = std::max(alto, l.second);
        for (int secondi : {0, 1}) {
            g->findChild<QComboBox*>("ComboAsseX")->setCurrentIndex(secondi);
            g->disegna();
            const double primo = secondi ? static_cast<double>(c.letture.front().first) / 1000 : 1;
            const double ultimo =
                secondi ? static_cast<double>(c.letture.back().first) / 1000 : numero;
            const std::pair<QValueAxis*, std::pair<double, double>> assi[] = {
                {qobject_cast<QValueAxis*>(g->grafico()->axes(Qt::Horizontal).front()),
                 {primo, ultimo}},
                {qobject_cast<QValueAxis*>(g->grafico()->axes(Qt::Vertical).front()),
                 {basso, alto}}};
            for (const auto& [v, dati] : assi) {
                ASSERT_NE(v, nullptr);
                EXPECT_TRUE(std::isfinite(v->min()) && std::isfinite(v->max()) &&
                            v->min() <= dati.first && v->max() >= dati.second &&
                            v->max() > v->min())
                    << (secondi ? "seconds, " : "readings, ") << v->titleText().toStdString()
                    << ": " << v->min() << " .. " << v->max() << " for " << dati.first << " .. "
                    << dati.second;
            }
        }
    }
}

TEST(FormClasse, RaccogliWritesTheArchiveAWorkbookAndCsvFiles) {
    prove::CartellaProva d;
    prove::DialoghiScritti dialoghi;
    TFormclasse f(configurazione(), d / "archivio.sqlite");
    // Two names alike in a sheet name's 31 characters, and a run without readings.
    const std::string sinistra = "laboratorio-di-fisica-banco-01-sinistra";
    const std::string destra = "laboratorio-di-fisica-banco-01-destra";
    banco(f, destra, Stato::Fermo, 3, 7);
    banco(f, destra, Stato::Fermo, 2, 8);
    banco(f, "banco02", Stato::Fermo, 0);
    banco(f, sinistra, Stato::InCorsa, 4);

    dialoghi.risposte = {std::string("s"), d / "lezione"};
    f.raccogli();
    ASSERT_EQ(dialoghi.mostrati.size(), 1u);
    EXPECT_NE(dialoghi.mostrati[0].find("3 nuove, 0 completate, 0 già presenti"), std::string::npos)
        << dialoghi.mostrati[0];
    EXPECT_NE(dialoghi.mostrati[0].find("1 senza letture"), std::string::npos);
    {
        archivio::Archivio a(d / "archivio.sqlite");
        const auto corse = a.elenco();
        ASSERT_EQ(corse.size(), 3u);
        int letture = 0;
        for (const auto& c : corse)
            letture += c.letture;
        EXPECT_EQ(letture, 9);
    }
    const std::string script =
        "import sys, xlrd\n"
        "b = xlrd.open_workbook(sys.argv[1])\n"
        "for s in b.sheets():\n"
        "    print(s.name, s.nrows, repr(s.cell_value(0, 0)), repr(s.cell_value(1, 2)),"
        " repr(s.cell_value(2, 2)))\n";
    std::ofstream(d / "leggi.py") << script;
    EXPECT_EQ(comando("/usr/bin/python3 " + d / "leggi.py" + " " + d / "lezione.xls"),
              "laboratorio-di-fisica-banco-01- 10 'termostato' 'temp' 20.5\n"
              "laboratorio-di-fisica-banco-0~2 6 'termostato' 'temp' 20.5\n");

    // Again, as CSV files; a reading more and the units its bench sent since:
    // the archive completes the run. A reading it holds, come again with
    // other values, is told and left as it was.
    f.ricevi(argomentoletture("3B", sinistra, 5), scrivilettura(lettura(5)), false);
    archivio::Lettura altra = lettura(2);
    altra.valori[0] = -273;
    f.ricevi(argomentoletture("3B", sinistra, 5), scrivilettura(altra), false);
    archivio::Corsa unita;
    for (const auto& c : archivio::Archivio(d / "archivio.sqlite").elenco())
        if (c.banco == sinistra) unita = c;  // the same start: the same run
    unita.id = 5;
    unita.colonne = {{"temp", "°C", 1}, {"umid, relativa", "%"}};
    f.ricevi(argomentocorsa("3B", sinistra, 5), scrivicorsa(unita), false);
    dialoghi.risposte = {std::nullopt, d / "csv"};
    f.raccogli();
    ASSERT_EQ(dialoghi.mostrati.size(), 2u);
    EXPECT_NE(dialoghi.mostrati[1].find("0 nuove, 1 completate, 2 già presenti"), std::string::npos)
        << dialoghi.mostrati[1];
    EXPECT_NE(dialoghi.mostrati[1].find("Il banco «" + sinistra +
                                        "» ha mandato 1 lettura della corsa 5 ("),
              std::string::npos)
        << dialoghi.mostrati[1];
    EXPECT_NE(dialoghi.mostrati[1].find("l'archivio tiene quelli di prima."), std::string::npos);
    EXPECT_NE(dialoghi.mostrati[1].find("Scritti 3 file CSV"), std::string::npos);
    archivio::Archivio a(d / "archivio.sqlite");
    EXPECT_EQ(a.elenco().size(), 3u);
    EXPECT_EQ(a.elenco().front().colonne, unita.colonne);  // the newest: sinistra's
    const auto tenute = a.letture(a.elenco().front().id);
    ASSERT_EQ(tenute.size(), 5u);
    EXPECT_EQ(tenute[1].valori[0], lettura(2).valori[0]);
    std::vector<std::string> file;
    for (const auto& e : std::filesystem::directory_iterator(d / "csv"))
        file.push_back(e.path().filename().string());
    std::sort(file.begin(), file.end());
    ASSERT_EQ(file.size(), 3u);
    EXPECT_EQ(file[0].rfind(destra + "_", 0), 0u);
    EXPECT_EQ(file[2].rfind(sinistra + "_", 0), 0u);
    EXPECT_EQ(file[2].size(), (sinistra + "_2026-12-09_11-15-02.csv").size());
    const std::string inizio =
        "lettura,secondi,temp [°C],\"umid, relativa [%]\"\r\n1,1,20.5,41\r\n";
    EXPECT_EQ(leggi(d / ("csv/" + file[2])).substr(0, inizio.size()), inizio);
}

TEST(FormClasse, TwoBenchesThroughARealBrokerAndTheBrokerStopped) {
    prove::CartellaProva d;
    prove::Broker broker(d, {});
    TFormclasse f(configurazione(broker.porta()), d / "archivio.sqlite");
    f.show();
    ASSERT_EQ(f.collega("lumetto-classe-prova-" + std::to_string(::getpid())), "");
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            f.aggiorna();
            return f.statocollegamento().startsWith("Collegato");
        },
        30000));

    struct Panchina {
        std::string nome;
        std::unique_ptr<Collegamento> c;
    };
    std::vector<Panchina> banchi;
    for (const char* nome : {"banco01", "banco02"}) {
        Configurazione c = configurazione(broker.porta());
        c.banco = nome;
        banchi.push_back({nome, std::make_unique<Collegamento>(c, nome, Avvisi{})});
        ASSERT_EQ(banchi.back().c->avvia(), "");
    }
    for (auto& b : banchi) {
        StatoBanco s;
        s.stato = Stato::InCorsa;
        s.corsa = 3;
        s.esperimento = "termostato";
        // QoS 1 waits for the connection, so nothing is lost to its timing.
        b.c->pubblica(argomentostato("3B", b.nome), scrivistato(s), 1, true);
        b.c->pubblica(argomentocorsa("3B", b.nome, 3), scrivicorsa(fatti(b.nome, 3)), 1, true);
        for (int i = 1; i <= 4; ++i)
            b.c->pubblica(argomentoletture("3B", b.nome, 3), scrivilettura(lettura(i)), 1, false);
    }
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            f.aggiorna();
            return f.tessera("banco01") && f.tessera("banco02") &&
                   f.tessera("banco01")->testoletture() == "4 letture" &&
                   f.tessera("banco02")->testoletture() == "4 letture";
        },
        30000));
    EXPECT_EQ(f.tessera("banco02")->testostato(), "in corsa");

    banchi.clear();
    broker.ferma();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            f.aggiorna();
            return f.statocollegamento().startsWith("Non collegato");
        },
        30000));
    EXPECT_NE(f.statocollegamento().indexOf("127.0.0.1"), -1);
}
