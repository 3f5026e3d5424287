#include "platform/qt/dialoghiqt.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QStringList>

namespace lumetto::platform {

namespace {

QString q(const std::string& s) {
    return QString::fromStdString(s);
}

QWidget* sopra() {
    return QApplication::activeWindow();
}

// A box can open in the middle of a reading, under its busy cursor: the user
// gets the ordinary arrow to press OK with, and the busy cursor back after.
struct CursoreNormale {
    CursoreNormale() { QApplication::setOverrideCursor(Qt::ArrowCursor); }
    ~CursoreNormale() { QApplication::restoreOverrideCursor(); }
    CursoreNormale(const CursoreNormale&) = delete;
    CursoreNormale& operator=(const CursoreNormale&) = delete;
};

// Input that was waiting while the window was blocked (a click or a key
// pressed during a long exchange with the board) reaches whatever box
// opens next, and would answer it before anyone read it. A box takes no
// key or button for its first moments on screen: a person needs longer to
// read it, a queue of old input is delivered sooner.
class Guardia final : public QObject {
  public:
    explicit Guardia(QWidget* box) : QObject(box), box_(box) {
        QApplication::instance()->installEventFilter(this);
    }
    ~Guardia() override { QApplication::instance()->removeEventFilter(this); }
    Guardia(const Guardia&) = delete;
    Guardia& operator=(const Guardia&) = delete;

  protected:
    bool eventFilter(QObject* o, QEvent* e) override {
        if (e->type() == QEvent::Show && o == box_) orologio_.start();
        if (!ingresso(e->type())) return false;
        auto* w = qobject_cast<QWidget*>(o);
        if (!w || (w != box_ && !box_->isAncestorOf(w))) return false;
        return !orologio_.isValid() || orologio_.elapsed() < kMs;
    }

  private:
    static constexpr qint64 kMs = 300;
    static bool ingresso(QEvent::Type t) {
        switch (t) {
            case QEvent::KeyPress:
            case QEvent::KeyRelease:
            case QEvent::ShortcutOverride:
            case QEvent::Shortcut:
            case QEvent::MouseButtonPress:
            case QEvent::MouseButtonRelease:
            case QEvent::MouseButtonDblClick:
                return true;
            default:
                return false;
        }
    }
    QWidget* box_;
    QElapsedTimer orologio_;
};

}  // namespace

QString filtroQt(const std::string& filtro) {
    QStringList parti = q(filtro).split(QLatin1Char('|'));
    QStringList voci;
    for (qsizetype i = 0; i + 1 < parti.size(); i += 2) {
        QString modelli = parti[i + 1].replace(QLatin1Char(';'), QLatin1Char(' '));
        // "files |*.jpg|*.bmp": a pattern left without a description of its
        // own belongs to the entry before, so both kinds of file are listed.
        if (i + 3 == parti.size()) modelli += QLatin1Char(' ') + parti[i + 2];
        voci << parti[i].trimmed() + QStringLiteral(" (") + modelli + QStringLiteral(")");
    }
    return voci.join(QStringLiteral(";;"));
}

QString suffissoFiltro(const std::string& filtro) {
    QStringList parti = q(filtro).split(QLatin1Char('|'));
    if (parti.size() < 2) return {};
    QString modello = parti[1].split(QLatin1Char(';')).constFirst().trimmed();
    if (!modello.startsWith(QStringLiteral("*.")) || modello.mid(2).contains(QLatin1Char('*')))
        return {};
    return modello.mid(2);
}

void DialoghiQt::messaggio(const std::string& testo) {
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Lumetto"), q(testo), QMessageBox::Ok,
                    sopra());
    new Guardia(&box);
    CursoreNormale freccia;
    box.exec();
}

void DialoghiQt::errore(const std::string& testo) {
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Lumetto"), q(testo), QMessageBox::Ok,
                    sopra());
    new Guardia(&box);
    CursoreNormale freccia;
    box.exec();
}

void DialoghiQt::avviso(const std::string& testo) {
    // Shown and left: the caller (a tick) goes on while it stays on screen.
    auto* box = new QMessageBox(QMessageBox::Warning, QStringLiteral("Lumetto"), q(testo),
                                QMessageBox::Ok, sopra());
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setModal(false);
    new Guardia(box);
    box->show();
}

bool DialoghiQt::conferma(const std::string& testo) {
    QMessageBox box(QMessageBox::Question, QStringLiteral("Lumetto"), q(testo),
                    QMessageBox::Yes | QMessageBox::No, sopra());
    box.button(QMessageBox::Yes)->setText(QStringLiteral("Sì"));
    box.button(QMessageBox::No)->setText(QStringLiteral("No"));
    box.setDefaultButton(QMessageBox::No);
    new Guardia(&box);
    CursoreNormale freccia;
    return box.exec() == QMessageBox::Yes;
}

std::optional<std::string> DialoghiQt::input(const std::string& titolo, const std::string& domanda,
                                             const std::string& predefinito) {
    QInputDialog box(sopra());
    box.setWindowTitle(q(titolo));
    box.setLabelText(q(domanda));
    box.setTextValue(q(predefinito));
    new Guardia(&box);
    CursoreNormale freccia;
    if (box.exec() != QDialog::Accepted) return std::nullopt;
    return box.textValue().toStdString();
}

std::optional<std::string> DialoghiQt::apri(const std::string& titolo, const std::string& filtro) {
    CursoreNormale freccia;
    QString f = QFileDialog::getOpenFileName(sopra(), q(titolo), QString(), filtroQt(filtro));
    if (f.isEmpty()) return std::nullopt;
    return f.toStdString();
}

std::optional<std::string> DialoghiQt::salva(const std::string& titolo, const std::string& filtro) {
    CursoreNormale freccia;
    QFileDialog d(sopra(), q(titolo), QString(), filtroQt(filtro));
    d.setAcceptMode(QFileDialog::AcceptSave);
    // A name typed without an extension gets the filter's own before the
    // dialog asks whether to replace an existing file, so the question is
    // about the file that will really be written.
    d.setDefaultSuffix(suffissoFiltro(filtro));
    if (d.exec() != QDialog::Accepted || d.selectedFiles().isEmpty()) return std::nullopt;
    QString f = d.selectedFiles().constFirst();
    if (f.isEmpty()) return std::nullopt;
    return f.toStdString();
}

}  // namespace lumetto::platform
