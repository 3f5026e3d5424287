#include "panels/qt/formarduino.h"

#include <QGuiApplication>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QSlider>

#include "panels/qt/comuni.h"
#include "panels/scambi.h"
#include "platform/dialoghi.h"
#include "platform/qt/guida.h"

namespace lumetto::panels {

using namespace dettaglio;

namespace {

const QString kTitolo = QStringLiteral("stato arduino ingressi  digitali ed analogici");
const QString kAvviso = QStringLiteral(
    "attenzione! i pin di Arduino che non sono collegati ad uno stato fisso possono dare "
    "valori casuali!");
constexpr int kAltezzaVoce = 46;  // pixels, for a 40-pixel face

QListWidget* listaSpunte(QWidget* genitore, const char* nome, const QString& accessibile,
                         int primo) {
    auto* l = new QListWidget(genitore);
    l->setObjectName(QString::fromLatin1(nome));
    l->setAccessibleName(accessibile);
    l->setFont(caratterePannelloPixel(40));
    l->setSelectionMode(QAbstractItemView::NoSelection);
    for (int i = 0; i < 6; ++i) {
        auto* v = new QListWidgetItem(QStringLiteral("D%1").arg(primo + i), l);
        v->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
        v->setCheckState(Qt::Unchecked);
        v->setSizeHint(QSize(0, kAltezzaVoce));
    }
    return l;
}

}  // namespace

TFormarduino::TFormarduino(QWidget* parent) : Pannello("TFormarduino", kTitolo, parent) {
    platform::installaguida(this, "pannelli.html#stato-arduino");
    CheckListBox1 = listaSpunte(this, "CheckListBox1", QStringLiteral("ingressi digitali"), 2);
    CheckListBox2 = listaSpunte(this, "CheckListBox2", QStringLiteral("uscite digitali"), 8);
    // The inputs cannot be ticked, but they are what the panel is for: they
    // keep the dark text of the outputs rather than the greyed one.
    QPalette tavolozza = CheckListBox1->palette();
    for (auto ruolo : {QPalette::Text, QPalette::WindowText})
        tavolozza.setColor(QPalette::Disabled, ruolo, tavolozza.color(QPalette::Active, ruolo));
    CheckListBox1->setPalette(tavolozza);
    for (QListWidget* l : {CheckListBox1, CheckListBox2})
        l->setStyle(stile_);
    for (int i = 0; i < 6; ++i) {
        std::string nome = "TrackBar" + std::to_string(i + 1);
        TrackBar[i] = barra(this, nome.c_str(), kMassimoBarra, 50, Riempimento::SottoIlCursore);
        TrackBar[i]->setStyle(stile_);
        TrackBar[i]->setAccessibleName(QStringLiteral("ingresso analogico A%1").arg(i));
        nome = "Label" + std::to_string(i + 1);
        Label[i] = new QLabel(this);
        Label[i]->setObjectName(QString::fromStdString(nome));
        Label[i]->setFont(caratterePannello(8));
        Label[i]->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    }
    BitBtn3 = platform::bottone(this, QStringLiteral("BitBtn3"), QStringLiteral("taratura"));
    BitBtn3->setFont(caratterePannello(8));
    connect(BitBtn3, &QPushButton::clicked, this, [this] { taratura(); });
    Label7 = new QLabel(kAvviso, this);
    Label7->setObjectName(QStringLiteral("Label7"));
    Label7->setAccessibleName(kAvviso);
    Label7->setWordWrap(true);
    Label7->setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

void TFormarduino::disponi(int W, int H) {
    const int gap = W / 25;
    const int hB = H / 12;
    disponiBottoni(W, H);

    BitBtn3->setGeometry(Button1->x() + Button1->width() + 10, Button1->y(), W / 6,
                         Button1->height());
    BitBtn3->setFont(caratterePannello(16));

    const int hListe = parte(H, 2, 5);
    CheckListBox1->setGeometry(10, H - 6 * hB, W / 6, hListe);
    CheckListBox1->setEnabled(false);  // the board's inputs: shown, never ticked here
    CheckListBox2->setGeometry(W - W / 6 - 19, H - 6 * hB, W / 6, hListe);
    CheckListBox2->setEnabled(true);

    QSlider* prima = nullptr;
    for (QSlider* b : TrackBar) {
        int x = prima ? prima->x() + prima->width() + gap : 5;
        b->setGeometry(x, 10, W / 9, hListe);
        b->setEnabled(false);  // they show the inputs; the user cannot move them
        prima = b;
    }

    for (size_t i = 0; i < Label.size(); ++i) {
        QSlider* b = TrackBar[i];
        Label[i]->setGeometry(b->x(), b->y() + b->height() + 10, b->width(), H / 20);
        Label[i]->clear();
        Label[i]->setFont(caratterePannello(16));
    }

    // The warning takes the room between the two lists, over the buttons: on
    // one line under a bar it would run into the output list.
    const int x7 = CheckListBox1->x() + CheckListBox1->width() + 5;
    const int y7 = BitBtn1->y() - H / 12;
    Label7->setGeometry(x7, y7, CheckListBox2->x() - 5 - x7, BitBtn1->y() - 2 - y7);
    Label7->setText(kAvviso);
    Label7->setFont(caratterePannello(16));
}

void TFormarduino::vai_ricevodati() {
    CursoreOccupato occupato;
    std::array<bool, kUscite> alte{};
    for (int i = 0; i < kUscite; ++i)
        alte[static_cast<size_t>(i)] = CheckListBox2->item(i)->checkState() == Qt::Checked;
    if (auto s = scambiostato(alte, registro())) mostra(*s);
}

void TFormarduino::taratura() {
    auto& box = platform::dialoghi();
    const QString titolo = QStringLiteral("taratura");
    std::optional<Taratura> ora;
    bool aperta = false;
    {
        CursoreOccupato occupato;
        ora = scambiotaratura(0, aperta);
    }
    if (!aperta) return;
    if (!ora) {
        box.messaggio(
            "La scheda non risponde alla taratura: carica sulla scheda lo sketch StatoPin della "
            "libreria Lumetto (File > Esempi > Lumetto > StatoPin) e riprova.");
        return;
    }
    const auto testo = box.input(
        titolo.toStdString(),
        testotaratura(*ora) +
            "\n\nMisura col multimetro la tensione fra il pin 5V e il pin GND della scheda e "
            "scrivila qui, in volt (per esempio 5.02):",
        "");
    if (!testo) return;
    const auto mv = letturamultimetro(*testo);
    if (!mv) {
        box.messaggio("\"" + *testo +
                      "\" non è una lettura valida: scrivi la tensione del pin 5V in volt, fra "
                      "4.5 e 5.5 (per esempio 5.02). La taratura della scheda non è cambiata.");
        return;
    }
    std::optional<Taratura> dopo;
    {
        CursoreOccupato occupato;
        dopo = scambiotaratura(*mv, aperta);
    }
    if (!aperta) return;
    if (!dopo) {
        box.messaggio(
            "La scheda non ha risposto: premi di nuovo \"taratura\" per vedere se ha preso la "
            "lettura.");
        return;
    }
    box.messaggio(testotaratura(*dopo));
}

void TFormarduino::mostra(const StatoLetto& s) {
    for (size_t i = 0; i < s.digitali.size(); ++i) {
        QListWidgetItem* v = CheckListBox1->item(static_cast<int>(i));
        v->setText(QString::fromStdString(s.digitali[i].testo));
        v->setCheckState(s.digitali[i].spuntato ? Qt::Checked : Qt::Unchecked);
    }
    for (size_t i = 0; i < s.analogici.size(); ++i) {
        TrackBar[i]->setValue(s.analogici[i].posizione);
        Label[i]->setText(QString::fromStdString(s.analogici[i].etichetta));
    }
}

}  // namespace lumetto::panels
