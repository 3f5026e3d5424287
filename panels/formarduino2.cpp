#include "panels/formarduino2.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QSlider>
#include <algorithm>

#include "panels/comuni.h"
#include "panels/scambi.h"

namespace lumetto::panels {

using namespace dettaglio;

namespace {

const QString kTitolo = QStringLiteral("controllo servo");
const std::array<QString, kServi> kPin = {QStringLiteral("Servo1 su D7"),
                                          QStringLiteral("Servo 2 su D8"),
                                          QStringLiteral("Servo 3 su D9")};
constexpr std::array<int, kServi> kPosizioniIniziali = {0, 50, 50};

QPushButton* bottone(QWidget* genitore, const char* nome, const QString& didascalia) {
    auto* b = new QPushButton(didascalia, genitore);
    b->setObjectName(QString::fromLatin1(nome));
    b->setAccessibleName(nomeAccessibile(didascalia));
    b->setAutoDefault(false);  // Enter must not close the panel or move the servos
    return b;
}

QLabel* etichetta(QWidget* genitore, int numero, const QString& testo = {}) {
    auto* l = new QLabel(testo, genitore);
    l->setObjectName(QStringLiteral("Label%1").arg(numero));
    l->setFont(caratterePannello(8));
    l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return l;
}

}  // namespace

TFormarduino2::TFormarduino2(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TFormarduino2"));
    setWindowTitle(kTitolo);
    setModal(true);

    stile_ = new StilePannello;
    stile_->setParent(this);
    for (int i = 0; i < kServi; ++i) {
        std::string nome = "TrackBar" + std::to_string(i + 1);
        auto k = static_cast<size_t>(i);
        TrackBar[k] = barra(this, nome.c_str(), kMassimoServo, kPosizioniIniziali[k]);
        TrackBar[k]->setStyle(stile_);
        TrackBar[k]->setAccessibleName(kPin[k]);
        Posizione[k] = etichetta(this, i + 1);
        Pin[k] = etichetta(this, i + 4, kPin[k]);
        Pin[k]->setBuddy(TrackBar[k]);
        // Moving a bar only says where it is; nothing goes to the board.
        connect(TrackBar[k], &QSlider::valueChanged, this, [this, k](int v) {
            Posizione[k]->setText(QString::fromStdString(etichettaservo(v)));
        });
    }

    Button1 = bottone(this, "Button1", QStringLiteral("aggiorna"));
    BitBtn1 = bottone(this, "BitBtn1", QStringLiteral("&Uscita"));
    BitBtn2 = bottone(this, "BitBtn2", QStringLiteral("&COMANDI"));
    BitBtn2->hide();
    for (QPushButton* b : {Button1, BitBtn2})
        b->setFont(caratterePannello(8));
    BitBtn1->setFont(carattereBottone(8));

    connect(Button1, &QPushButton::clicked, this, &TFormarduino2::vai_ricevodati);
    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::reject);
}

TFormarduino2::~TFormarduino2() = default;

void TFormarduino2::impostaRegistro(QTextEdit* pannello) {
    registro_ = pannello ? std::make_unique<RegistroQt>(pannello) : nullptr;
}

void TFormarduino2::showEvent(QShowEvent* e) {
    inizia();
    QDialog::showEvent(e);
}

void TFormarduino2::inizia() {
    QRect schermo = QGuiApplication::primaryScreen()->geometry();
    setWindowTitle(kTitolo);
    setGeometry(0, 0, schermo.width(), schermo.height());
    setWindowState(windowState() | Qt::WindowMaximized);
    disponi(schermo.width(), schermo.height());
}

void TFormarduino2::disponi(int W, int H) {
    const int gap = W / 25;

    BitBtn1->setFont(carattereBottone(16));
    const int hB = H / 12;
    BitBtn1->setGeometry(W / 5, H - 2 * hB, W / 6, hB);

    Button1->setGeometry(BitBtn1->x() + BitBtn1->width() + 10, BitBtn1->y(), W / 6,
                         BitBtn1->height());
    Button1->setFont(caratterePannello(16));
    Button1->setText(QStringLiteral("aggiorna"));

    BitBtn2->setGeometry(Button1->x() + Button1->width() + 10, Button1->y(), W / 5,
                         Button1->height());
    BitBtn2->setText(QStringLiteral("&COMANDI"));
    BitBtn2->hide();

    QSlider* prima = nullptr;
    for (QSlider* b : TrackBar) {
        int x = prima ? prima->x() + prima->width() + gap : 5;
        b->setGeometry(x, H / 20, W / 9, parte(H, 2, 5));
        b->setEnabled(true);
        b->setMaximum(kMassimoServo);
        prima = b;
    }

    const QSlider* primo = TrackBar[0];
    for (size_t i = 0; i < TrackBar.size(); ++i) {
        // All three on one line under the bars (the first one was once 5
        // pixels higher, which showed).
        int sotto = primo->y() + primo->height() + 10;
        Posizione[i]->setGeometry(TrackBar[i]->x(), sotto, primo->width(), H / 20);
        Posizione[i]->setFont(caratterePannello(16));
        Posizione[i]->clear();

        // Wholly above its bar: a caption reaching over the bar's top would
        // take the clicks meant for a thumb at 0 degrees.
        Pin[i]->setFont(caratterePannello(16));
        const int alta = Pin[i]->fontMetrics().height();
        Pin[i]->setGeometry(TrackBar[i]->x(), std::max(0, primo->y() - alta - 2), primo->width(),
                            alta);
        Pin[i]->setText(kPin[i]);
    }
}

void TFormarduino2::vai_ricevodati() {
    CursoreOccupato occupato;
    std::array<int, kServi> posizioni{};
    for (size_t i = 0; i < TrackBar.size(); ++i)
        posizioni[i] = TrackBar[i]->value();
    scambioservo(posizioni, registro_.get());
}

}  // namespace lumetto::panels
