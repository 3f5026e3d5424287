// The windows of "il mio esperimento" on temporary folders: an experiment
// made, changed, started and deleted as a teacher does it; broken files
// listed with their error and kept from starting; an editor's error that
// leaves every field as the user typed it.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include "acquisition/qt/formesperimenti.h"
#include "support/cartella.h"
#include "support/dialoghi.h"
#include "support/finestre.h"

namespace lumetto::acquisition {
// A failed comparison shows the file's text, not the struct's bytes.
static void PrintTo(const MioEsperimento& e, std::ostream* o) {
    *o << "\n" << scriviesperimento(e);
}
}  // namespace lumetto::acquisition

namespace fs = std::filesystem;
using namespace lumetto;
using namespace lumetto::acquisition;
using prove::figlio;

namespace {

void scrivi(const fs::path& p, const std::string& testo) {
    fs::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << testo;
}

std::string leggi(const fs::path& p) {
    std::ifstream f(p, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

void premi(QWidget* w, const char* bottone) {
    QPushButton* b = figlio<QPushButton>(w, QString::fromLatin1(bottone));
    ASSERT_NE(b, nullptr);
    ASSERT_TRUE(b->isEnabled()) << bottone;
    QTest::mouseClick(b, Qt::LeftButton);
}

// Runs `passi` in the next modal window, within its own event loop; closes
// it if the steps left it open, so that a failed step never hangs the test.
template <typename T>
void nellaprossima(std::function<void(T&)> passi) {
    QTimer::singleShot(0, [passi] {
        auto* d = dynamic_cast<T*>(QApplication::activeModalWidget());
        if (!d) {
            ADD_FAILURE() << "no modal window of the kind expected";
            if (auto* altra = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
                altra->reject();
            return;
        }
        passi(*d);
        if (d->isVisible()) d->reject();
    });
}

// The row of the list whose first column starts with `testo`.
QTreeWidgetItem* riga(TFormesperimenti& l, const QString& testo) {
    for (int i = 0; i < l.elenco()->topLevelItemCount(); ++i)
        if (l.elenco()->topLevelItem(i)->text(0).startsWith(testo))
            return l.elenco()->topLevelItem(i);
    ADD_FAILURE() << "no row " << testo.toStdString();
    return nullptr;
}

void scegliriga(TFormesperimenti& l, const QString& testo) {
    if (QTreeWidgetItem* r = riga(l, testo)) l.elenco()->setCurrentItem(r);
}

void cella(QWidget* m, int r, int c, const QString& testo) {
    auto* t = figlio<QTableWidget>(m, QStringLiteral("TabellaColonne"));
    ASSERT_NE(t->item(r, c), nullptr) << r << "," << c;
    t->item(r, c)->setData(Qt::EditRole, testo);
}

void scrivicampo(QWidget* m, const char* nome, const QString& testo) {
    auto* e = figlio<QLineEdit>(m, QString::fromLatin1(nome));
    e->selectAll();
    QTest::keyClicks(e, testo);
}

// Every field of the editor as shown, to tell that nothing changed.
QStringList campi(QWidget* m) {
    QStringList c;
    for (const char* e : {"EditNome", "EditLettera", "EditIntervallo", "EditSchema"})
        c << figlio<QLineEdit>(m, QString::fromLatin1(e))->text();
    c << (figlio<QRadioButton>(m, QStringLiteral("RadioChiesto"))->isChecked() ? "chiesto"
                                                                               : "libero");
    c << figlio<QComboBox>(m, QStringLiteral("ComboBaud"))->currentText();
    auto* t = figlio<QTableWidget>(m, QStringLiteral("TabellaColonne"));
    for (int r = 0; r < t->rowCount(); ++r)
        for (int k = 0; k < t->columnCount(); ++k)
            c << (t->item(r, k) ? t->item(r, k)->data(Qt::EditRole).toString() : "-");
    return c;
}

}  // namespace

TEST(FinestreMioEsperimento, MadeChangedStartedAndDeleted) {
    prove::CartellaProva cartella;
    const fs::path utente = cartella.percorso() / "miei" / "esperimenti";  // made on saving
    const fs::path scuola = cartella.percorso() / "scuola";
    const std::string serra =
        "nome = \"Serra\"\nmodo = \"libero\"\nbaud = 9600\nschema = \"serra.sca\"\n";
    scrivi(scuola / "serra.toml", serra);
    prove::DialoghiScritti box;
    TFormesperimenti lista(utente, scuola);

    const fs::path file = utente / "luce-e-temperatura.toml";
    MioEsperimento atteso;
    atteso.nome = "Luce e temperatura";
    atteso.lettera = 'K';
    atteso.decimi = 15;
    atteso.colonne = {{"luce", "%", 0, 0.09775, 0}, {"temp", "°C", 1, 1, -0.5}};

    nellaprossima<TFormesperimenti>([&](TFormesperimenti& l) {
        ASSERT_EQ(l.elenco()->topLevelItemCount(), 1);
        QTreeWidgetItem* r = l.elenco()->topLevelItem(0);
        EXPECT_EQ(r->text(1), "libero, 9600 baud");
        EXPECT_EQ(r->text(3), "della scuola");

        nellaprossima<TFormmio>([&](TFormmio& m) {
            scrivicampo(&m, "EditNome", "Luce e temperatura");
            scrivicampo(&m, "EditLettera", "K");
            scrivicampo(&m, "EditIntervallo", "1,5");
            cella(&m, 0, 0, "luce");
            cella(&m, 0, 1, "%");
            cella(&m, 0, 2, "0");
            cella(&m, 0, 3, "0,09775");
            premi(&m, "BitBtnAggiungi");
            cella(&m, 1, 0, "temp");
            cella(&m, 1, 1, "°C");
            // Typed in the cell and saved with Alt+S, the cell still open.
            m.activateWindow();
            ASSERT_TRUE(QTest::qWaitForWindowActive(&m));
            auto* t = figlio<QTableWidget>(&m, QStringLiteral("TabellaColonne"));
            t->setFocus();
            t->setCurrentCell(1, 4);
            t->editItem(t->item(1, 4));
            ASSERT_TRUE(QApplication::focusWidget() && QApplication::focusWidget() != t);
            QTest::keyClicks(QApplication::focusWidget(), "-0.5");
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_S, Qt::AltModifier);
            // The shortcut presses the button visibly; the click follows.
            EXPECT_TRUE(QTest::qWaitFor([&] { return !m.isVisible(); }, 5000));
        });
        premi(&l, "BitBtnNuovo");
        ASSERT_TRUE(fs::exists(file));
        EXPECT_EQ(caricaesperimento(file), atteso);
        EXPECT_EQ(l.selezionato(), file);
        r = riga(l, "Luce e temperatura");
        ASSERT_NE(r, nullptr);
        EXPECT_EQ(r->text(1), "chiesto, lettera K, ogni 1,5 s");
        EXPECT_EQ(r->text(2), "luce [%], temp [°C]");
        EXPECT_EQ(r->text(3), "");

        // A note written by hand in the file is asked about before it is lost.
        scrivi(file, leggi(file) + "# sonda sul banco 3\n");
        atteso.modo = ModoEsperimento::Libero;
        atteso.baud = 115200;
        std::swap(atteso.colonne[0], atteso.colonne[1]);
        nellaprossima<TFormmio>([&](TFormmio& m) {
            EXPECT_EQ(figlio<QLineEdit>(&m, QStringLiteral("EditIntervallo"))->text(), "1,5");
            EXPECT_EQ(
                figlio<QTableWidget>(&m, QStringLiteral("TabellaColonne"))->item(0, 3)->text(),
                "0,09775");
            QTest::mouseClick(figlio<QRadioButton>(&m, QStringLiteral("RadioLibero")),
                              Qt::LeftButton);
            EXPECT_FALSE(figlio<QLineEdit>(&m, QStringLiteral("EditIntervallo"))->isVisible());
            auto* baud = figlio<QComboBox>(&m, QStringLiteral("ComboBaud"));
            EXPECT_TRUE(baud->isVisible());
            baud->setCurrentIndex(baud->findData(115200));
            figlio<QTableWidget>(&m, QStringLiteral("TabellaColonne"))->setCurrentCell(1, 0);
            premi(&m, "BitBtnSu");
            box.risposte = {std::nullopt};  // "No": nothing written, the window stays
            premi(&m, "BitBtnSalva");
            EXPECT_TRUE(m.isVisible());
            EXPECT_NE(leggi(file).find("# sonda"), std::string::npos);
            box.risposte = {std::string()};
            premi(&m, "BitBtnSalva");
        });
        premi(&l, "BitBtnModifica");
        ASSERT_EQ(box.domande.size(), 2u);
        EXPECT_NE(box.domande[0].find("commenti scritti a mano"), std::string::npos);
        EXPECT_EQ(caricaesperimento(file), atteso);
        r = riga(l, "Luce e temperatura");
        ASSERT_NE(r, nullptr);
        EXPECT_EQ(r->text(1), "libero, 115200 baud");
        EXPECT_EQ(r->text(2), "temp [°C], luce [%]");

        // The school's file is changed as a copy of the user's, its scheme
        // still found from there; the school's own stays as it was.
        scegliriga(l, "Serra");
        EXPECT_EQ(figlio<QPushButton>(&l, QStringLiteral("BitBtnModifica"))->text(),
                  "&Modifica una copia...");
        EXPECT_FALSE(figlio<QPushButton>(&l, QStringLiteral("BitBtnElimina"))->isEnabled());
        nellaprossima<TFormmio>([&](TFormmio& m) { premi(&m, "BitBtnSalva"); });
        premi(&l, "BitBtnModifica");
        const fs::path copia = utente / "serra-2.toml";
        ASSERT_TRUE(fs::exists(copia));
        EXPECT_EQ(caricaesperimento(copia).schema, (scuola / "serra.sca").string());
        EXPECT_EQ(leggi(scuola / "serra.toml"), serra);
        EXPECT_EQ(l.selezionato(), copia);

        scegliriga(l, "Luce e temperatura");
        premi(&l, "BitBtnAvvia");
    });
    const auto scelta = lista.scegli();
    ASSERT_TRUE(scelta.has_value());
    EXPECT_EQ(scelta->file, file);
    EXPECT_EQ(scelta->esperimento, atteso);

    nellaprossima<TFormesperimenti>([&](TFormesperimenti& l) {
        scegliriga(l, "Luce e temperatura");
        box.risposte = {std::nullopt};
        premi(&l, "BitBtnElimina");
        EXPECT_TRUE(fs::exists(file));
        EXPECT_NE(box.domande.back().find("Eliminare l'esperimento «Luce e temperatura»?"),
                  std::string::npos);
        box.risposte = {std::string()};
        premi(&l, "BitBtnElimina");
        EXPECT_FALSE(fs::exists(file));
        EXPECT_EQ(l.elenco()->topLevelItemCount(), 2);
        premi(&l, "BitBtnChiudi");
    });
    EXPECT_FALSE(lista.scegli().has_value());
    EXPECT_TRUE(box.errori.empty()) << box.errori.front();

    // Nothing left: the window says how to begin and where the files go.
    fs::remove(utente / "serra-2.toml");
    fs::remove(scuola / "serra.toml");
    lista.aggiorna();
    EXPECT_EQ(lista.elenco()->topLevelItemCount(), 0);
    EXPECT_EQ(figlio<QLabel>(&lista, QStringLiteral("LabelVuoto"))->text().toStdString(),
              "Nessun esperimento: premi Nuovo... per descriverne uno. I file sono in " +
                  utente.string());
}

struct Rotto {
    bool dellascuola;
    const char* file;
    const char* testo;
    const char* errore;  // what the row says after the file's name
};

const Rotto kRotti[] = {
    {false, "decimali.toml",
     "nome = \"A\"\nmodo = \"chiesto\"\n[[colonna]]\nnome = \"x\"\ndecimali = 9\n",
     "decimali.toml, riga 5: \"decimali\" va da 0 a 6 (è 9)"},
    {false, "virgola.toml", "nome = \"B\"\nmodo = \"chiesto\"\nintervallo = 1,5\n",
     "virgola.toml, riga 3"},
    {false, "vuoto.toml", "", "vuoto.toml"},
    {true, "scuola.toml", "modo = \"libero\"\n", "scuola.toml"},
};

TEST(FinestreMioEsperimento, ABrokenFileIsListedWithItsErrorAndNeverStarted) {
    prove::CartellaProva cartella;
    const fs::path utente = cartella.percorso() / "miei";
    const fs::path scuola = cartella.percorso() / "scuola";
    scrivi(utente / "buono.toml",
           "nome = \"Buono\"\nmodo = \"chiesto\"\n[[colonna]]\nnome = \"x\"\n");
    for (const Rotto& r : kRotti)
        scrivi((r.dellascuola ? scuola : utente) / r.file, r.testo);
    prove::DialoghiScritti box;
    TFormesperimenti l(utente, scuola);
    ASSERT_EQ(l.elenco()->topLevelItemCount(), 1 + static_cast<int>(std::size(kRotti)));
    for (const Rotto& r : kRotti) {
        SCOPED_TRACE(r.file);
        const fs::path file = (r.dellascuola ? scuola : utente) / r.file;
        QTreeWidgetItem* v = riga(l, QString::fromUtf8(r.file));
        ASSERT_NE(v, nullptr);
        EXPECT_TRUE(v->text(0).startsWith(QString::fromUtf8(r.errore))) << v->text(0).toStdString();
        EXPECT_EQ(v->foreground(0).color(), QColor(176, 0, 0));
        EXPECT_FALSE(v->icon(0).isNull());
        l.elenco()->setCurrentItem(v);
        EXPECT_EQ(l.selezionato(), file);
        EXPECT_FALSE(figlio<QPushButton>(&l, QStringLiteral("BitBtnAvvia"))->isEnabled());
        EXPECT_FALSE(figlio<QPushButton>(&l, QStringLiteral("BitBtnModifica"))->isEnabled());
        EXPECT_EQ(figlio<QPushButton>(&l, QStringLiteral("BitBtnElimina"))->isEnabled(),
                  !r.dellascuola);
        // Where the file is, to fix it by hand.
        EXPECT_TRUE(figlio<QLabel>(&l, QStringLiteral("LabelNota"))
                        ->text()
                        .contains(QString::fromStdString(file.string())));
        // A double click says why it does not start.
        box.mostrati.clear();
        emit l.elenco()->itemActivated(v, 0);
        ASSERT_EQ(box.mostrati.size(), 1u);
        EXPECT_NE(box.mostrati[0].find("non si può avviare"), std::string::npos);
    }
    EXPECT_TRUE(box.errori.empty());
}

// Each row: what the user does to a new experiment named "Luce" with one
// column "luce" before "Salva", and what the error says.
struct Sbaglio {
    const char* caso;
    std::function<void(TFormmio&)> fa;
    const char* errore;
};

TEST(FinestreMioEsperimento, AnEditorErrorKeepsWhatTheUserTyped) {
    prove::CartellaProva cartella;
    const fs::path utente = cartella.percorso() / "miei";
    const fs::path scuola = cartella.percorso() / "scuola";
    auto campo = [](const char* nome, const char* testo) {
        return [=](TFormmio& m) {
            figlio<QLineEdit>(&m, QString::fromLatin1(nome))->setText(QString::fromUtf8(testo));
        };
    };
    const Sbaglio casi[] = {
        {"two decimals", campo("EditIntervallo", "1,55"), "con al massimo un decimale"},
        {"interval not a number", campo("EditIntervallo", "due"), "(è \"due\")"},
        {"interval too long", campo("EditIntervallo", "99999999999"), "va da 0,1 a 3600 secondi"},
        {"interval zero", campo("EditIntervallo", "0,0"), "va da 0,1 a 3600 secondi"},
        {"the board's question mark", campo("EditLettera", "?"), "\"lettera\""},
        {"no letter", campo("EditLettera", ""), "(è vuota)"},
        {"a not a number", [](TFormmio& m) { cella(&m, 0, 3, "1,5,2"); },
         "colonna 1: \"a\" deve essere un numero"},
        {"a of 0", [](TFormmio& m) { cella(&m, 0, 3, "0"); }, "\"a\" non può essere 0"},
        {"two columns of one name",
         [](TFormmio& m) {
             m.aggiungi();
             cella(&m, 1, 0, "luce");
         },
         "stesso \"nome\""},
        {"asked with no column", [](TFormmio& m) { m.togli(); }, "da 1 a 12 colonne"},
        {"13 free columns then asked",
         [](TFormmio& m) {
             figlio<QRadioButton>(&m, QStringLiteral("RadioLibero"))->setChecked(true);
             for (int i = 1; i < 13; ++i) {
                 m.aggiungi();
                 cella(&m, i, 0, QString::number(i));
             }
             EXPECT_FALSE(figlio<QPushButton>(&m, QStringLiteral("BitBtnAggiungi"))->isEnabled());
             figlio<QRadioButton>(&m, QStringLiteral("RadioChiesto"))->setChecked(true);
             EXPECT_FALSE(figlio<QPushButton>(&m, QStringLiteral("BitBtnAggiungi"))->isEnabled());
         },
         "da 1 a 12 colonne"},
    };
    for (const Sbaglio& c : casi) {
        SCOPED_TRACE(c.caso);
        prove::DialoghiScritti box;
        MioEsperimento e;
        e.nome = "Luce";
        e.colonne = {{"luce", "%", 0, 1, 0}};
        TFormmio m(e, {}, utente, scuola);
        c.fa(m);
        const QStringList prima = campi(&m);
        EXPECT_FALSE(m.salva());
        ASSERT_EQ(box.errori.size(), 1u);
        EXPECT_NE(box.errori[0].find(c.errore), std::string::npos) << box.errori[0];
        EXPECT_EQ(campi(&m), prima);
        EXPECT_NE(m.result(), QDialog::Accepted);
        EXPECT_FALSE(fs::exists(utente));
    }

    // A folder that cannot be made: said, and the fields kept for another try.
    scrivi(utente, "un file dove andrebbe la cartella");
    prove::DialoghiScritti box;
    MioEsperimento e;
    e.nome = "Luce";
    e.colonne = {{"luce", "%", 0, 1, 0}};
    TFormmio m(e, {}, utente, scuola);
    const QStringList prima = campi(&m);
    EXPECT_FALSE(m.salva());
    ASSERT_EQ(box.errori.size(), 1u);
    EXPECT_NE(box.errori[0].find("Impossibile"), std::string::npos) << box.errori[0];
    EXPECT_EQ(campi(&m), prima);
}
