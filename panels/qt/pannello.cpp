#include "panels/qt/pannello.h"

#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>

#include "panels/qt/comuni.h"

namespace lumetto::panels {

using namespace dettaglio;

Pannello::Pannello(const char* nome, const QString& titolo, QWidget* parent)
    : QDialog(parent), titolo_(titolo) {
    setObjectName(QString::fromLatin1(nome));
    setWindowTitle(titolo_);
    setModal(true);
    setFont(platform::carattereFinestra());
    stile_ = new StilePannello;
    stile_->setParent(this);

    Button1 = platform::bottone(this, QStringLiteral("Button1"), QStringLiteral("aggiorna"));
    BitBtn1 = platform::bottone(this, QStringLiteral("BitBtn1"), QStringLiteral("&Uscita"));
    BitBtn2 = platform::bottone(this, QStringLiteral("BitBtn2"), QStringLiteral("&COMANDI"));
    BitBtn2->hide();
    for (QPushButton* b : {Button1, BitBtn2})
        b->setFont(caratterePannello(8));
    BitBtn1->setFont(carattereBottone(8));
    connect(Button1, &QPushButton::clicked, this, [this] { vai_ricevodati(); });
    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::reject);
}

Pannello::~Pannello() = default;

void Pannello::impostaRegistro(QTextEdit* pannello) {
    registro_ = pannello ? std::make_unique<RegistroQt>(pannello) : nullptr;
}

Registro* Pannello::registro() const {
    return registro_.get();
}

void Pannello::showEvent(QShowEvent* e) {
    inizia();
    QDialog::showEvent(e);
}

void Pannello::inizia() {
    setWindowTitle(titolo_);
    const QSize schermo = platform::tuttoschermo(this);
    disponi(schermo.width(), schermo.height());
}

void Pannello::disponiBottoni(int W, int H) {
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
}

}  // namespace lumetto::panels
