#pragma once
// What window tests do to windows: find a control by its component name,
// and open a modal panel from a command of the main window, work in it and
// close it, as a user would.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>

namespace lumetto::prove {

template <typename T>
T* figlio(QWidget* w, const QString& nome) {
    T* p = w->findChild<T*>(nome);
    if (!p) ADD_FAILURE() << "no control " << nome.toStdString();
    return p;
}

// Presses `comando` in `finestra`; `dentro` runs in the panel's own event
// loop, then its "&Uscita" (BitBtn1) closes it. False when the panel did not
// open.
inline bool apriEChiudi(QWidget* finestra, const char* comando, QDialog& pannello,
                        const std::function<void()>& dentro) {
    bool aperto = false;
    QTimer::singleShot(0, [&] {
        aperto = QApplication::activeModalWidget() == &pannello;
        if (aperto) dentro();
        QTest::mouseClick(figlio<QPushButton>(&pannello, QStringLiteral("BitBtn1")),
                          Qt::LeftButton);
    });
    QTest::mouseClick(figlio<QPushButton>(finestra, QString::fromLatin1(comando)), Qt::LeftButton);
    return aperto;
}

}  // namespace lumetto::prove
