#include "panels/qt/formarduino2.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QSlider>
#include <algorithm>

#include "panels/qt/comuni.h"
#include "panels/scambi.h"
#include "platform/qt/guida.h"

namespace lumetto::panels {

using namespace dettaglio;

namespace {

const QString kTitolo = QStringLiteral("controllo servo");
const std::array<QString, kServi> kPin = {QStringLiteral("Servo1 su D7"),
                                          QStringLiteral("Servo 2 su D8"),
                                          QStringLiteral("Servo 3 su D9")};
constexpr std::array<int, kServi> kPosizioniIniziali = {0, 50, 50};

QLabel* etichetta(QWidget* genitore, int numero, const QString& testo = {}) {
    auto* l = new QLabel(testo, genitore);
    l->setObjectName(QStringLiteral("Label%1").arg(numero));
    l->setFont(caratterePannello(8));
    l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return l;
}

}  // namespace

TFormarduino2::TFormarduino2(QWidget* parent) : Pannello("TFormarduino2", kTitolo, parent) {
    platform::installaguida(this, "pannelli.html#servo");
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
}

void TFormarduino2::disponi(int W, int H) {
    const int gap = W / 25;
    disponiBottoni(W, H);

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
        // As wide as the room up to the next bar: "Servo 2 su D8" at 16
        // points is wider than a bar on a 1280 x 720 screen.
        Pin[i]->setGeometry(TrackBar[i]->x(), std::max(0, primo->y() - alta - 2),
                            primo->width() + gap - 2, alta);
        Pin[i]->setText(kPin[i]);
    }
}

void TFormarduino2::vai_ricevodati() {
    CursoreOccupato occupato;
    std::array<int, kServi> posizioni{};
    for (size_t i = 0; i < TrackBar.size(); ++i)
        posizioni[i] = TrackBar[i]->value();
    scambioservo(posizioni, registro());
}

}  // namespace lumetto::panels
