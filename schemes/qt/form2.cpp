#include "schemes/qt/form2.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QStringList>
#include <algorithm>
#include <cstdint>
#include <exception>

#include "platform/dialoghi.h"
#include "platform/dosdevices.h"
#include "platform/images/immagini.h"
#include "platform/qt/finestre.h"
#include "platform/qt/guida.h"
#include "schemes/cp1252.h"
#include "schemes/editor.h"
#include "schemes/etichette.h"
#include "schemes/qt/figura.h"
#include "schemes/sca.h"
#include "schemes/schema.h"

namespace lumetto::schemes {

namespace {

const QString kTitolo = QStringLiteral("maschere dati");
const QString kEsamina = QStringLiteral("Esamina dati");

QString deCp1252(std::string_view cp1252) {
    return QString::fromStdString(utf8dacp1252(cp1252));
}

// A character that Windows-1252 cannot hold becomes '?', as the file would.
std::string aCp1252(const QString& testo) {
    return cp1252dautf8(testo.toStdString());
}

using platform::parte;

int fondo(const QWidget* w) {
    return w->y() + w->height();
}

using platform::carattereFisso;

// The gap between a labelled edit box and its label above it.
constexpr int kSpazioEtichetta = 3;

}  // namespace

TForm2::TForm2(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(kTitolo);
    platform::installaguida(this, "schemi.html");
    setFont(carattereFisso());

    LabeledEdit1 = editEtichettato("LabeledEdit1", QStringLiteral("testata"), etichetta1_);
    LabeledEdit2 =
        editEtichettato("LabeledEdit2", QStringLiteral("maschera tipo dati"), etichetta2_);
    LabeledEdit3 = editEtichettato("LabeledEdit3", QStringLiteral("maschera colori"), etichetta3_);
    LabeledEdit4 =
        editEtichettato("LabeledEdit4", QStringLiteral("maschera dimensioni"), etichetta4_);

    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setAccessibleName(QStringLiteral("variabile selezionata"));
    Edit1->setReadOnly(true);  // a status line: typing there would change nothing

    BitBtn2 = platform::bottone(this, QStringLiteral("BitBtn2"), QStringLiteral("carica immagine"));
    Label1 = new QLabel(QStringLiteral("condizioni logiche"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setAccessibleName(Label1->text());
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);  // one condition per line
    Label1->setBuddy(Memo1);
    BitBtn3 = platform::bottone(this, QStringLiteral("BitBtn3"), QStringLiteral("+"));
    BitBtn3->setAccessibleDescription(QStringLiteral("variabile successiva"));
    BitBtn4 = platform::bottone(this, QStringLiteral("BitBtn4"), QStringLiteral("-"));
    BitBtn4->setAccessibleDescription(QStringLiteral("variabile precedente"));
    BitBtn1 = platform::bottone(this, QStringLiteral("BitBtn1"), QStringLiteral("&Esci"));

    // Stacked in this order: the value labels over the picture, the report
    // over both.
    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setAccessibleName(QStringLiteral("immagine dell'impianto"));
    Image1->setScaledContents(true);
    Image1->setCursor(Qt::CrossCursor);
    Image1->installEventFilter(this);
    figura_ = std::make_unique<FiguraSchema>(Image1);
    for (int i = 0; i < kEtichette; ++i) {
        auto* l = new QLabel(this);
        l->setObjectName(QStringLiteral("Label%1").arg(i + 2));
        // A click on a label places the selected variable just as one beside it.
        l->setAttribute(Qt::WA_TransparentForMouseEvents);
        l->hide();
        valori_[i] = l;
    }
    Memo2 = new QPlainTextEdit(this);
    Memo2->setObjectName(QStringLiteral("Memo2"));
    Memo2->setAccessibleName(QStringLiteral("esame dati"));
    Memo2->setReadOnly(true);
    Memo2->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo2->hide();

    BitBtn5 = platform::bottone(this, QStringLiteral("BitBtn5"), QStringLiteral("carica scada"));
    BitBtn6 = platform::bottone(this, QStringLiteral("BitBtn6"), QStringLiteral("salva scada"));
    BitBtn7 = platform::bottone(this, QStringLiteral("BitBtn7"), kEsamina);

    connect(BitBtn1, &QPushButton::clicked, this, &TForm2::vaifine);
    connect(BitBtn2, &QPushButton::clicked, this, &TForm2::vaicarica);
    connect(BitBtn3, &QPushButton::clicked, this, &TForm2::aumenta);
    connect(BitBtn4, &QPushButton::clicked, this, &TForm2::diminuisci);
    connect(BitBtn5, &QPushButton::clicked, this, &TForm2::carica);
    connect(BitBtn6, &QPushButton::clicked, this, &TForm2::salva);
    connect(BitBtn7, &QPushButton::clicked, this, &TForm2::vaiesame);
}

TForm2::~TForm2() = default;

QLineEdit* TForm2::editEtichettato(const char* nome, const QString& etichetta, QLabel*& buddy) {
    buddy = new QLabel(etichetta, this);
    buddy->setObjectName(QString::fromLatin1(nome) + QStringLiteral("Label"));
    auto* e = new QLineEdit(this);
    e->setObjectName(QString::fromLatin1(nome));
    e->setAccessibleName(etichetta);
    buddy->setBuddy(e);
    return e;
}

void TForm2::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    // Not when the window comes back from being minimised: that would throw
    // away what the user typed.
    if (!e->spontaneous()) inizia();
}

bool TForm2::eventFilter(QObject* o, QEvent* e) {
    if (o == Image1 && e->type() == QEvent::MouseButtonPress) {
        const QPoint p = static_cast<QMouseEvent*>(e)->position().toPoint();
        esamina(p.x(), p.y());
        return true;
    }
    return QDialog::eventFilter(o, e);
}

void TForm2::inizia() {
    const QSize schermo = platform::tuttoschermo(this);
    setWindowTitle(kTitolo);
    disponi(schermo.width(), schermo.height());

    const Schema& s = schemacorrente();
    mostracampi(s);
    QStringList righe;
    for (const auto& c : tuttelecondizioni(s))
        righe << deCp1252(c);
    Memo1->setPlainText(righe.join(QLatin1Char('\n')));
    Memo2->clear();
    Memo2->hide();
    BitBtn7->setText(kEsamina);
    BitBtn7->setAccessibleName(kEsamina);
    Edit1->clear();

    for (QLabel* l : valori_) {
        QFont f = l->font();
        f.setPointSize(14);
        l->setFont(f);
        l->setAutoFillBackground(false);  // the picture shows through
    }
    mostraetichetteeditor(false);
}

void TForm2::metti(QLabel* etichetta, QLineEdit* sotto, int larga) {
    etichetta->setFont(LabeledEdit1->font());
    entro(etichetta, larga);
    etichetta->adjustSize();
    const int y = sotto->y() - etichetta->height() - kSpazioEtichetta;
    if (y >= 0) {
        sotto->setTextMargins(0, 0, 0, 0);
        etichetta->move(sotto->x(), y);
        return;
    }
    // The header box stands at the top of the window with no room above it:
    // its label goes inside the box, before the text, rather than off the
    // window.
    const int margine = 4;
    sotto->setTextMargins(etichetta->width() + margine, 0, 0, 0);
    etichetta->move(sotto->x() + margine, sotto->y() + (sotto->height() - etichetta->height()) / 2);
    etichetta->raise();
    etichetta->setAttribute(Qt::WA_TransparentForMouseEvents);
}

void TForm2::entro(QLabel* etichetta, int larga) {
    // On a small screen "maschera dimensioni" at 14 points runs under the
    // picture: a point smaller at a time, until it keeps to its column.
    QFont f = etichetta->font();
    while (f.pointSize() > 6 && QFontMetrics(f).horizontalAdvance(etichetta->text()) > larga) {
        f.setPointSize(f.pointSize() - 1);
    }
    etichetta->setFont(f);
}

void TForm2::disponi(int W, int H) {
    QLineEdit* const LE1 = LabeledEdit1;
    LE1->setFont(carattereFisso());
    LE1->setGeometry(5, parte(H, 1, 100), parte(W, 50, 100), parte(H, 4, 100));
    const int x = LE1->x(), h = LE1->height();
    const int w2 = parte(LE1->width(), 26, 100);

    LabeledEdit2->setGeometry(x, LE1->y() + 2 * h + 1, w2, h);
    Edit1->setGeometry(x + LE1->width() + 1, LE1->y(), 3 * w2, h);
    LabeledEdit3->setGeometry(x, LabeledEdit2->y() + 2 * h + 1, w2, h);
    LabeledEdit4->setGeometry(x, LabeledEdit3->y() + 2 * h + 1, w2, h);
    // The labels keep to the left column: up to the picture, not under it.
    const int colonna = parte(w2, 12, 10) + 2;
    metti(etichetta1_, LabeledEdit1, LE1->width());
    metti(etichetta2_, LabeledEdit2, colonna);
    metti(etichetta3_, LabeledEdit3, colonna);
    metti(etichetta4_, LabeledEdit4, colonna);

    BitBtn2->setGeometry(x, fondo(LabeledEdit4) + 3, parte(w2, 12, 10), h);
    Label1->setGeometry(x, fondo(BitBtn2) + 2, 2 * w2, h);
    Label1->setFont(LE1->font());
    entro(Label1, colonna);
    Memo1->setGeometry(Label1->x(), fondo(Label1) + 10, w2, 10 * h);
    BitBtn3->setGeometry(x, fondo(Memo1) + 10, w2, h);
    BitBtn4->setGeometry(x, fondo(BitBtn3) + 10, w2, h);
    BitBtn1->setGeometry(x, fondo(BitBtn4) + 10, w2, h);

    Image1->setGeometry(LabeledEdit2->x() + parte(w2, 12, 10) + 2, fondo(LE1) + 5,
                        W - parte(w2, 246, 100) + 10, H - parte(h, 41, 10));
    Memo2->setGeometry(Image1->geometry());

    BitBtn5->setGeometry(Image1->x() + Image1->width() + 2, Image1->y(), w2, h);
    BitBtn6->setGeometry(BitBtn5->x(), fondo(BitBtn5) + 2, w2, h);
    BitBtn7->setGeometry(BitBtn5->x(), fondo(BitBtn6) + 2, w2, h);
}

void TForm2::posizionaetichettaeditor(int i, int x, int y, std::string_view testo) {
    if (i < 1 || i > kEtichette) return;
    figura_->metti(valori_[i - 1],
                   posizionaetichetta(schemacorrente(), i, x, y, testo, QualeFinestra::Editor));
}

void TForm2::mostraetichetteeditor(bool visibili) {
    for (QLabel* l : valori_)
        l->setVisible(visibili);
}

void TForm2::mostracampi(const Schema& s) {
    LabeledEdit1->setText(deCp1252(s.testata));
    LabeledEdit2->setText(deCp1252(s.mascheratipo));
    LabeledEdit3->setText(deCp1252(s.mascheracolori));
    LabeledEdit4->setText(deCp1252(s.mascheradimensioni));
}

void TForm2::leggicampi(Schema& s) const {
    s.testata = aCp1252(LabeledEdit1->text());
    s.mascheratipo = aCp1252(LabeledEdit2->text());
    s.mascheracolori = aCp1252(LabeledEdit3->text());
    s.mascheradimensioni = aCp1252(LabeledEdit4->text());
}

std::vector<std::string> TForm2::righeMemo1() const {
    std::vector<std::string> r;
    for (const QString& riga : Memo1->toPlainText().split(QLatin1Char('\n')))
        r.push_back(aCp1252(riga));
    return r;
}

bool TForm2::caricaimmagine(const std::string& immagine) {
    if (immagine.empty()) {
        platform::dialoghi().errore("Lo schema non indica il file dell'immagine.");
        return false;
    }
    try {
        const std::string percorso = platform::resolvePath(testopercorso(immagine)).string();
        figura_->mostra(platform::caricaimmagine(percorso, figura_->dadecodificare()));
        return true;
    } catch (const std::exception& e) {
        platform::dialoghi().errore(e.what());
        return false;
    }
}

void TForm2::vaifine() {
    leggicampi(schemacorrente());
    copiacondizioni(schemacorrente(), righeMemo1());
    accept();
}

void TForm2::vaicarica() {
    Schema& s = schemacorrente();
    s.numvariabili = 0;
    s.punto = 0;
    auto scelto = platform::dialoghi().apri("apri file immagine", "files |*.jpg|*.bmp");
    if (!scelto) return;
    mostraetichetteeditor(false);
    if (!caricaimmagine(*scelto)) return;
    // As chosen: a path of this system, used as it is when the scheme is read.
    s.immagine = *scelto;
}

void TForm2::aumenta() {
    Schema& s = schemacorrente();
    // A selection left past the variables (a smaller scheme since) comes back
    // to the last one rather than naming a variable that is not there.
    if (s.punto < s.numvariabili) {
        ++s.punto;
    } else {
        s.punto = s.numvariabili;
    }
    if (s.punto == 0) return;
    Edit1->setText(deCp1252(rigaselezione(s)));
}

void TForm2::diminuisci() {
    Schema& s = schemacorrente();
    if (s.punto <= 1) return;
    s.punto = std::min<std::uint16_t>(static_cast<std::uint16_t>(s.punto - 1), s.numvariabili);
    if (s.punto == 0) return;
    Edit1->setText(deCp1252(rigaselezione(s)));
}

void TForm2::esamina(int x, int y) {
    Schema& s = schemacorrente();
    // Positions are kept for the 12 variables a scheme file holds.
    if (s.punto == 0 || s.punto > kMaxVariabili) return;
    // The scheme pixel under the mouse, where the main window draws it too.
    const Scala scala = figura_->scala();
    const int px = std::clamp(scala.figurax(x), 0, 65535);
    const int py = std::clamp(scala.figuray(y), 0, 65535);
    Edit1->setText(deCp1252(rigapunto(s, px, py)));
    s.posx(s.punto) = static_cast<std::uint16_t>(px);
    s.posy(s.punto) = static_cast<std::uint16_t>(py);
    posizionaetichettaeditor(s.punto, px, py, {});
}

void TForm2::carica() {
    Schema& s = schemacorrente();
    if (auto scelto = platform::dialoghi().apri("apri file scada", "files |*.sca")) {
        try {
            caricaschema(*scelto);
        } catch (const std::exception& e) {
            platform::dialoghi().errore(e.what());
            return;
        }
        dividitestata(s);
        s.punto = 0;
    }

    QStringList righe;
    for (const auto& c : righecondizioni(s))
        righe << deCp1252(c);
    Memo1->setPlainText(righe.join(QLatin1Char('\n')));
    mostracampi(s);
    Image1->show();
    mostraetichetteeditor(false);
    if (!caricaimmagine(s.immagine)) {
        figura_->svuota();  // not the picture of the scheme before
        return;
    }
    dividitestata(s);
    if (s.numvariabili == 0) return;
    for (int i = 1; i <= kMaxVariabili; ++i)
        posizionaetichettaeditor(i, s.posx(i), s.posy(i), {});
}

void TForm2::salva() {
    Schema& s = schemacorrente();
    if (s.numvariabili == 0) {
        platform::dialoghi().messaggio("nessun dato scada in memoria!");
        return;
    }
    leggicampi(schemacorrente());
    if (auto perche = controllosalvataggio(s)) {
        platform::dialoghi().messaggio(*perche);
        return;
    }
    auto scelto = platform::dialoghi().salva("salva il file scada", "files |*.sca");
    if (!scelto) return;
    try {
        salvaschema(nomesca(*scelto), righeMemo1());
    } catch (const std::exception& e) {
        platform::dialoghi().errore(e.what());
    }
}

void TForm2::vaiesame() {
    if (!Memo2->isHidden()) {
        Memo2->hide();
        BitBtn7->setText(QStringLiteral("esame dati"));
    } else {
        Memo2->show();
        Memo2->clear();
        BitBtn7->setText(QStringLiteral("fine"));
        esamedati();
    }
    BitBtn7->setAccessibleName(BitBtn7->text());
}

void TForm2::esamedati() {
    // The scheme's own header is split again, so that the variables come back
    // after a new picture reset their count.
    dividitestata(schemacorrente());
    // The report tells what the boxes say, typed or not yet stored.
    Schema c = schemacorrente();
    leggicampi(c);
    copiacondizioni(c, righeMemo1());
    QStringList righe;
    for (const auto& r : schemes::esamedati(c))
        righe << deCp1252(r);
    Memo2->setPlainText(righe.join(QLatin1Char('\n')));
}

}  // namespace lumetto::schemes
