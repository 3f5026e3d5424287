#include "acquisition/qt/mainform.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeySequence>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QShowEvent>
#include <QSpinBox>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextEdit>
#include <QTextFrame>
#include <algorithm>
#include <cstdint>
#include <utility>

#include "acquisition/libero.h"
#include "link/collegamento.h"
#include "link/letture.h"
#include "platform/dialoghi.h"
#include "platform/dosdevices.h"
#include "platform/qt/finestre.h"
#include "platform/qt/guida.h"
#include "schemes/cp1252.h"
#include "schemes/editor.h"
#include "schemes/etichette.h"
#include "schemes/qt/figura.h"
#include "schemes/schema.h"
#include "serial/report.h"

namespace lumetto::acquisition {

namespace {

const QString kBanner = QStringLiteral("Lumetto - 15 nov 2016");

QString deCp1252(const std::string& cp1252) {
    return QString::fromStdString(schemes::utf8dacp1252(cp1252));
}

QString daUtf8(std::string_view utf8) {
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

using platform::carattereFisso;
using platform::conDimensione;
using platform::CursoreOccupato;
using platform::nomeAccessibile;
using platform::parte;

QFont carattereBottoni(int punti) {
    return platform::carattereTimes(punti);
}

void inFondo(QTextEdit* pannello) {
    QScrollBar* s = pannello->verticalScrollBar();
    s->setValue(s->maximum());
}

// The left column below Button2, then the right column below BitBtn3.
constexpr const char* kColonnaSinistra[] = {
    "BitBtn6",  "BitBtn7",  "BitBtn15", "BitBtn16", "BitBtn4",  "BitBtn9",  "BitBtn14",
    "BitBtn5",  "BitBtn17", "BitBtn10", "BitBtn12", "BitBtn13", "BitBtn19", "BitBtn20",
    "BitBtn22", "BitBtn21", "BitBtn23", "BitBtn11", "BitBtn8",  "BitBtn18", "BitBtn32"};
constexpr const char* kColonnaDestra[] = {"Button1",  "BitBtn24", "BitBtn25",
                                          "BitBtn28", "BitBtn26", "BitBtn27",
                                          "BitBtn29", "BitBtn30", "BitBtn31"};
// The scheme buttons of the right column: laid out, then hidden for good.
struct Nascosto {
    const char* nome;
    const char* didascalia;
};
constexpr Nascosto kNascosti[] = {{"BitBtn28", "IMMAGINE"},    {"BitBtn26", "-"},
                                  {"BitBtn27", "+"},           {"BitBtn29", "leggi scada"},
                                  {"BitBtn30", "salva scada"}, {"BitBtn31", "nuovo scada"},
                                  {"BitBtn1", "fotocellula"}};

}  // namespace

Tmainform::Tmainform(Avvio avvio, QWidget* parent) : QWidget(parent), avvio_(avvio) {
    setObjectName(QStringLiteral("mainform"));
    setWindowTitle(kBanner);
    platform::installaguida(this, "index.html");
    // Named, not left to fontconfig: the port label's size sets the columns.
    setFont(platform::carattereFinestra());

    Label3 = etichetta("Label3", QStringLiteral("Porta Seriale"));
    SpinEdit1 = new QSpinBox(this);
    SpinEdit1->setObjectName(QStringLiteral("SpinEdit1"));
    SpinEdit1->setAccessibleName(Label3->text());
    SpinEdit1->setRange(1, 20);
    SpinEdit1->setValue(13);
    Label3->setBuddy(SpinEdit1);

    for (const Comando& c : comandi()) {
        QPushButton* b = platform::bottone(this, daUtf8(c.controllo), daUtf8(c.didascalia));
        connect(b, &QPushButton::clicked, this, [this, &c] { esegui(c); });
    }
    for (const auto& n : kNascosti)
        platform::bottone(this, QString::fromLatin1(n.nome), QString::fromLatin1(n.didascalia))
            ->hide();

    RichEdit2 = new QTextEdit(this);
    RichEdit2->setObjectName(QStringLiteral("RichEdit2"));
    RichEdit2->setAccessibleName(QStringLiteral("intestazione delle colonne"));
    RichEdit2->setReadOnly(true);
    RichEdit2->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    RichEdit2->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

    RichEdit1 = new QTextEdit(this);
    RichEdit1->setObjectName(QStringLiteral("RichEdit1"));
    RichEdit1->setAccessibleName(QStringLiteral("registro delle letture"));
    RichEdit1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    RichEdit1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    for (QTextEdit* p : {RichEdit2, RichEdit1}) {
        p->setFont(carattereFisso());
        p->document()->setDefaultFont(carattereFisso());
        // A row is one line; the columns scroll sideways rather than wrap.
        p->setLineWrapMode(QTextEdit::NoWrap);
        // Ctrl+Z must not take rows back out of the log.
        p->setUndoRedoEnabled(false);
        p->setAcceptRichText(false);
        // Both panes alike, so that the columns line up; the 30-pixel header
        // pane holds a whole line of 14 points only with a thin margin.
        p->document()->setDocumentMargin(1);
    }

    Image1 = etichetta("Image1");
    figura_ = std::make_unique<schemes::FiguraSchema>(Image1);
    Image1->setScaledContents(true);
    Image1->setCursor(Qt::PointingHandCursor);
    Image1->hide();
    Image1->installEventFilter(this);
    constexpr const char* kValori[] = {"Label1", "Label2", "Label4", "Label5",  "Label6",
                                       "Label7", "Label8", "Label9", "Label10", "Label11"};
    for (std::size_t i = 0; i < etichette_.size(); ++i) {
        etichette_[i] = etichetta(kValori[i]);
        etichette_[i]->hide();
    }

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    connect(Timer1, &QTimer::timeout, this, &Tmainform::leggiidati);

    impostaVista(this);
    link::impostaVistaCollegamento({[this] { return SpinEdit1->value(); },
                                    [this](int n) { SpinEdit1->setValue(n); },
                                    [] { fermaacquisizione(); }});
    serial::setCommErrorHook([](const std::string& t, int) { platform::dialoghi().messaggio(t); });
}

Tmainform::~Tmainform() {
    Timer1->stop();
    serial::setCommErrorHook(nullptr);
    link::impostaVistaCollegamento({});
    impostaVista(nullptr);
}

QLabel* Tmainform::etichetta(const char* nome, const QString& t) {
    auto* l = new QLabel(t, this);
    l->setObjectName(QString::fromLatin1(nome));
    if (!t.isEmpty()) l->setAccessibleName(t);
    return l;
}

QPushButton* Tmainform::cerca(const char* nome) const {
    return findChild<QPushButton*>(QString::fromLatin1(nome), Qt::FindDirectChildrenOnly);
}

void Tmainform::impostaFinestre(QDialog* statoArduino, QDialog* servo, QDialog* editor) {
    statoArduino_ = statoArduino;
    servo_ = servo;
    editor_ = editor;
}

void Tmainform::impostaGrafico(QWidget* grafico) {
    grafico_ = grafico;
}

void Tmainform::showEvent(QShowEvent* e) {
    QWidget::showEvent(e);
    if (avvio_ == Avvio::AllaPrimaMostra && !iniziata_) {
        iniziata_ = true;
        // Once the window is on the screen, so that the port search's box
        // stands over it.
        QTimer::singleShot(0, this, &Tmainform::inizia);
    }
}

void Tmainform::closeEvent(QCloseEvent* e) {
    QWidget::closeEvent(e);
    if (!e->isAccepted()) return;
    // The run stops now: not a letter more goes to the board.
    fermaacquisizione();
    // The plot is not modal and would keep the loop alive; a panel or the
    // editor may be open over this window when the window manager closes it.
    for (QWidget* f : {grafico_.data(), static_cast<QWidget*>(statoArduino_.data()),
                       static_cast<QWidget*>(servo_.data()), static_cast<QWidget*>(editor_.data())})
        if (f && f->isVisible()) f->close();
    // Every loop ends, a box's included; nothing happens without a loop.
    QCoreApplication::quit();
}

void Tmainform::inizia() {
    iniziata_ = true;
    const QSize schermo = platform::tuttoschermo(this);
    RichEdit1->clear();
    setWindowTitle(kBanner);
    impostaTimer(false, 0);

    disponi(schermo.width(), schermo.height());

    for (const char* nome : {"Label2", "Label4", "Label5", "Label6", "Label7", "Label8", "Label9",
                             "Label10", "Label11"}) {
        auto* l = findChild<QLabel*>(QString::fromLatin1(nome), Qt::FindDirectChildrenOnly);
        l->setFont(conDimensione(l->font(), 16));
        l->setAutoFillBackground(false);  // the plant picture shows through
    }

    link::cercaporta();

    stato.codiceesperimento = 0;
    schemes::schemacorrente().punto = 1;
    // Asked for on the command line: as if its button were pressed now that
    // the port search has said what it found.
    if (auto f = std::exchange(allavvio_, nullptr)) f();
}

void Tmainform::disponi(int W, int H) {
    Label3->setGeometry(2, 5, parte(W, 16, 100), parte(H, 16, 100));
    Label3->setFont(conDimensione(font(), 14));
    Label3->resize(Label3->sizeHint());  // sizes itself to its text

    // Button2's designer size, 12 points, is what the port number gets.
    SpinEdit1->setFont(conDimensione(font(), 12));
    SpinEdit1->setGeometry(Label3->x() + Label3->width() + 2, Label3->y(),
                           SpinEdit1->sizeHint().width(), parte(H, 18, 100));
    SpinEdit1->resize(SpinEdit1->sizeHint());  // its height follows its font

    QPushButton* Button2 = cerca("Button2");
    Button2->setGeometry(Label3->x(), Label3->y() + Label3->height() + 5,
                         parte(Label3->width(), 125, 100) + SpinEdit1->width(), parte(H, 36, 1000));
    Button2->setFont(carattereBottoni(14));
    const int wB = Button2->width(), hB = Button2->height();

    RichEdit2->setGeometry(Button2->x() + wB + 3, Label3->y(), W - 2 * wB - 10, parte(H, 4, 100));
    RichEdit2->clear();
    RichEdit1->setGeometry(RichEdit2->x(), RichEdit2->y() + RichEdit2->height(), RichEdit2->width(),
                           parte(H, 775, 1000));
    RichEdit1->clear();

    QWidget* prima = Button2;
    for (const char* nome : kColonnaSinistra) {
        QPushButton* b = cerca(nome);
        b->setGeometry(Label3->x(), prima->y() + prima->height() + 1, wB, hB);
        b->setFont(Button2->font());
        b->show();
        prima = b;
    }

    QPushButton* uscita = cerca("BitBtn2");
    uscita->setGeometry(Label3->x(), prima->y() + prima->height() + 2, wB, parte(hB, 135, 100));
    uscita->setFont(carattereBottoni(16));

    QPushButton* excel = cerca("BitBtn3");
    excel->setGeometry(RichEdit1->x() + RichEdit1->width() + 1, RichEdit1->y(), wB,
                       parte(hB, 125, 100));
    excel->setFont(Button2->font());
    prima = excel;
    for (const char* nome : kColonnaDestra) {
        QPushButton* b = cerca(nome);
        b->setGeometry(excel->x(), prima->y() + prima->height() + 1, wB, excel->height());
        b->setFont(Button2->font());
        prima = b;
    }
    for (const auto& n : kNascosti)
        cerca(n.nome)->hide();
    // "grafico" right below "SCADA", on the place of the hidden "IMMAGINE".
    QPushButton* grafico = cerca("BitBtn33");
    grafico->setGeometry(cerca("BitBtn28")->geometry());
    grafico->setFont(Button2->font());
    grafico->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_G));
    // The teacher's own experiments on the places of the hidden "-" and "+".
    for (auto [nome, posto] :
         {std::pair{"BitBtn34", "BitBtn26"}, std::pair{"BitBtn35", "BitBtn27"}}) {
        QPushButton* b = cerca(nome);
        b->setGeometry(cerca(posto)->geometry());
        b->setFont(Button2->font());
    }
    QPushButton* fotocellula = cerca("BitBtn1");
    fotocellula->setGeometry(cerca("BitBtn6")->geometry());
    fotocellula->setFont(Button2->font());

    Image1->setGeometry(Button2->x() + wB + 5, RichEdit1->y() + 5, RichEdit2->width() - 3,
                        parte(H, 84, 100));
    Image1->hide();
}

void Tmainform::esegui(const Comando& c) {
    switch (c.azione) {
        case Azione::Esperimento:
        case Azione::EsperimentoSchema:
        case Azione::Utente: {
            // The board is asked who it is: an exchange like a tick's.
            CursoreOccupato occupato;
            avviacomando(c);
            break;
        }
        case Azione::Servo:
            // The timer keeps ticking with the current code while the panel is open.
            avviaacquisizione();
            apriModale(servo_);
            break;
        case Azione::StatoArduino:
            stato.codiceesperimento = c.codice;
            fermaacquisizione();
            apriModale(statoArduino_);
            break;
        case Azione::Editor:
            apriModale(editor_);
            break;
        case Azione::Uscita:
            close();
            break;
        case Azione::Excel:
            fermaacquisizione();
            // A failed save keeps the readings, so the user can try again.
            if (esportafoglio() != Esportazione::fallita) {
                stato.letturemostrate = 0;
                link::numerolettura = 0;
            }
            break;
        case Azione::Fine:
            fine();
            break;
        case Azione::Intervallo:
            chiedointervallo();
            break;
        case Azione::Grafico:
            // Not modal: it stays beside the main window while runs go on.
            if (grafico_) {
                // The first time over the log pane, so both columns of
                // buttons stay in reach; after that where the user left it.
                if (!graficoAperto_) {
                    graficoAperto_ = true;
                    grafico_->setGeometry(QRect(mapToGlobal(RichEdit1->pos()), RichEdit1->size()));
                }
                grafico_->show();
                grafico_->raise();
                grafico_->activateWindow();
            }
            break;
        case Azione::MioEsperimento:
            if (mioesperimento_) mioesperimento_();
            break;
        case Azione::Libero: {
            CursoreOccupato occupato;
            avvialibero(0);
            break;
        }
        case Azione::Nessuna:
            break;
    }
}

void Tmainform::apriModale(QDialog* finestra) {
    if (finestra) finestra->exec();
}

// The readings of the run, with the columns the current experiment shows.
Esportazione Tmainform::esportafoglio() {
    return acquisition::esportafoglio("", static_cast<uint16_t>(stato.numerocolonne + 1));
}

void Tmainform::leggiidati() {
    CursoreOccupato occupato;
    eseguilettura();
}

void Tmainform::impostaTimer(bool attivo, int intervalloMs) {
    timerAbilitato_ = attivo;
    // Qt's 0 ms timer would fire on every pass of the event loop and hammer
    // the board; an interval of 0 means enabled and silent.
    if (attivo && intervalloMs > 0) {
        Timer1->start(intervalloMs);
    } else {
        Timer1->stop();
    }
}

void Tmainform::didascalia(const std::string& t) {
    setWindowTitle(deCp1252(t));
}

void Tmainform::svuotaPannelli() {
    RichEdit1->clear();
    RichEdit2->clear();
}

void Tmainform::mostraPannelli() {
    RichEdit1->show();
    RichEdit2->show();
    Image1->hide();
}

void Tmainform::aggiungiTestata(const std::string& riga) {
    QTextDocument* doc = RichEdit2->document();
    // The pane is one line high and shows the newest line whole, from its
    // top, with no sliver of the line before: room below the last line lets
    // it scroll that far. Set only when it changes, for it lays out again.
    QTextFrameFormat cornice = doc->rootFrame()->frameFormat();
    if (cornice.bottomMargin() != RichEdit2->viewport()->height()) {
        cornice.setBottomMargin(RichEdit2->viewport()->height());
        doc->rootFrame()->setFrameFormat(cornice);
    }
    QTextCursor c(doc);
    c.movePosition(QTextCursor::End);
    if (!doc->isEmpty()) c.insertBlock();
    c.insertText(deCp1252(riga), QTextCharFormat());
    QScrollBar* s = RichEdit2->verticalScrollBar();
    auto cima = doc->documentLayout()->blockBoundingRect(c.block()).top();
    s->setValue(std::min(s->maximum(), static_cast<int>(cima)));
}

void Tmainform::aggiungiRiga(const Riga& riga) {
    // A free run may hold 100,000 readings: the log keeps its last rows, as
    // many as anyone scrolls through, and the archive keeps them all.
    const int massimo = stato.codiceesperimento == kCodiceLibero ? kRigheRegistroLibero : 0;
    if (RichEdit1->document()->maximumBlockCount() != massimo)
        RichEdit1->document()->setMaximumBlockCount(massimo);
    // A cursor of our own at the end of the document: the user's caret and
    // selection stay where they are and the rows keep their order. Only the
    // new paragraph is laid out.
    QTextCursor c(RichEdit1->document());
    c.movePosition(QTextCursor::End);
    c.beginEditBlock();
    for (const Pezzo& p : riga) {
        QTextCharFormat f;
        f.setForeground(QColor(p.colore.r, p.colore.g, p.colore.b));
        f.setFontWeight(p.grassetto ? QFont::Bold : QFont::Normal);
        c.insertText(deCp1252(p.testo), f);
    }
    c.insertBlock();
    c.endEditBlock();
    inFondo(RichEdit1);
}

bool Tmainform::preparaSchema() {
    Image1->show();
    RichEdit2->show();
    RichEdit1->hide();
    auto& s = schemes::schemacorrente();
    try {
        // Looked at on every tick, decoded again only when the file changed,
        // and at the size shown: a photo of 4000 x 3000 costs a fraction.
        figura_->mostra(
            immagini_.carica(platform::resolvePath(schemes::testopercorso(s.immagine)).string(),
                             figura_->dadecodificare()));
    } catch (const platform::ErroreImmagine& e) {
        platform::dialoghi().errore(e.what());
        return false;
    }
    s.punto = 0;
    schemes::dividitestata();
    mostraetichette(false);
    return true;
}

void Tmainform::mostraSchema() {
    const auto& s = schemes::schemacorrente();
    for (int i = 1; i <= s.numvariabili; ++i)
        posizionaetichetta(i, s.posx(i), s.posy(i), testoschema(i));
}

void Tmainform::posizionaetichetta(int i, int x, int y, const std::string& testo) {
    if (i < 1 || i > schemes::kEtichette) return;
    QLabel* l = etichette_[static_cast<std::size_t>(i - 1)];
    figura_->metti(l, schemes::posizionaetichetta(schemes::schemacorrente(), i, x, y, testo,
                                                  schemes::QualeFinestra::Principale));
    if (!l->isHidden()) l->raise();  // over the picture, whatever was shown last
}

void Tmainform::mostraetichette(bool visibili) {
    for (QLabel* l : etichette_)
        l->setVisible(visibili);
    Label3->setVisible(visibili);
}

void Tmainform::exmouse(int x, int y) {
    auto& s = schemes::schemacorrente();
    if (s.punto == 0) return;
    // The scheme pixel under the mouse: the label stands on that spot of the
    // drawing at any size of the control, here and in the editor.
    const schemes::Scala scala = figura_->scala();
    const int px = std::clamp(scala.figurax(x), 0, 65535);
    const int py = std::clamp(scala.figuray(y), 0, 65535);
    RichEdit2->clear();
    aggiungiTestata(schemes::rigapunto(s, px, py));
    s.posx(s.punto) = static_cast<std::uint16_t>(px);
    s.posy(s.punto) = static_cast<std::uint16_t>(py);
    posizionaetichetta(s.punto, px, py, "");
}

bool Tmainform::eventFilter(QObject* o, QEvent* e) {
    if (o == Image1 && e->type() == QEvent::MouseButtonPress) {
        QPoint punto = static_cast<QMouseEvent*>(e)->position().toPoint();
        exmouse(punto.x(), punto.y());
        return true;
    }
    return QWidget::eventFilter(o, e);
}

}  // namespace lumetto::acquisition
