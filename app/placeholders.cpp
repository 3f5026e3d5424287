#include "app/placeholders.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace lumetto::app {

FinestraProvvisoria::FinestraProvvisoria(const char* nome, const QString& titolo) {
    setObjectName(QString::fromLatin1(nome));
    setWindowTitle(titolo);
    auto* avviso = new QLabel(QStringLiteral("Questa finestra non è ancora disponibile."), this);
    auto* chiudi = new QPushButton(QStringLiteral("&Chiudi"), this);
    chiudi->setObjectName(QStringLiteral("chiudi"));
    chiudi->setAccessibleName(QStringLiteral("Chiudi"));
    connect(chiudi, &QPushButton::clicked, this, &QDialog::reject);
    auto* colonna = new QVBoxLayout(this);
    colonna->addWidget(avviso);
    colonna->addWidget(chiudi, 0, Qt::AlignRight);
}

TFormarduino::TFormarduino()
    : FinestraProvvisoria("TFormarduino",
                          QStringLiteral("stato arduino ingressi  digitali ed analogici")) {}

TFormarduino2::TFormarduino2()
    : FinestraProvvisoria("TFormarduino2", QStringLiteral("controllo servo")) {}

}  // namespace lumetto::app
