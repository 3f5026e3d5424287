// The list of a teacher's experiment files and the editor of one; see
// formesperimenti.h.

#include "acquisition/qt/formesperimenti.h"

#include <QComboBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <system_error>

#include "archive/archivio.h"
#include "platform/dialoghi.h"
#include "platform/qt/finestre.h"
#include "platform/qt/guida.h"

namespace fs = std::filesystem;

namespace lumetto::acquisition {

namespace {

const QColor kRossoErrore(176, 0, 0);

QString qs(const std::string& s) {
    return QString::fromStdString(s);
}

std::string secondi(int decimi) {
    std::string s = std::to_string(decimi / 10);
    if (decimi % 10 != 0) s += "," + std::to_string(decimi % 10);
    return s;
}

// "chiesto, lettera J, ogni 1,5 s", "libero, 115200 baud".
std::string modotesto(const MioEsperimento& e) {
    if (e.modo == ModoEsperimento::Chiesto)
        return "chiesto, lettera " + std::string(1, e.lettera) + ", ogni " + secondi(e.decimi) +
               " s";
    if (e.baud == kBaudAutomatica) return "libero, velocità automatica";
    return "libero, " + std::to_string(e.baud) + " baud";
}

// "luce [%], temp [°C]".
std::string colonnetesto(const MioEsperimento& e) {
    if (e.colonne.empty()) return "i nomi che manda la scheda";
    std::string s;
    for (const ColonnaEsperimento& c : e.colonne) {
        if (!s.empty()) s += ", ";
        s += archivio::titolocolonna(c.nome, c.unita);
    }
    return s;
}

std::string nomemostrato(const VoceEsperimento& v) {
    return v.esperimento ? v.esperimento->nome : v.file.filename().string();
}

// An error names the file by its whole path; the row names it by its file
// name alone, the note under the list says where it is.
std::string erroreinbreve(const VoceEsperimento& v) {
    const std::string percorso = v.file.string();
    if (v.errore.starts_with(percorso) && v.errore.size() > percorso.size())
        return v.file.filename().string() + v.errore.substr(percorso.size());
    return v.errore;
}

bool eliminabile(const VoceEsperimento& v) {
    std::error_code ec;
    return !v.condiviso && !fs::is_directory(v.file, ec);
}

}  // namespace

TFormesperimenti::TFormesperimenti(fs::path utente, fs::path condivisa, QWidget* parent)
    : QDialog(parent), utente_(std::move(utente)), condivisa_(std::move(condivisa)) {
    setObjectName(QStringLiteral("Formesperimenti"));
    setWindowTitle(QStringLiteral("il mio esperimento"));
    setModal(true);
    platform::installaguida(this, "mio-esperimento.html");
    setFont(platform::carattereFinestra());

    elenco_ = new QTreeWidget(this);
    elenco_->setObjectName(QStringLiteral("ListaEsperimenti"));
    elenco_->setAccessibleName(QStringLiteral("esperimenti"));
    elenco_->setHeaderLabels({QStringLiteral("esperimento"), QStringLiteral("modo"),
                              QStringLiteral("colonne"), QString()});
    elenco_->setRootIsDecorated(false);
    elenco_->setSelectionMode(QAbstractItemView::SingleSelection);
    elenco_->setAllColumnsShowFocus(true);
    elenco_->setTextElideMode(Qt::ElideRight);
    elenco_->header()->setStretchLastSection(false);
    elenco_->header()->setSectionResizeMode(2, QHeaderView::Stretch);
    vuoto_ = new QLabel(this);
    vuoto_->setObjectName(QStringLiteral("LabelVuoto"));
    vuoto_->setWordWrap(true);
    vuoto_->setAlignment(Qt::AlignCenter);
    vuoto_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    vuoto_->setFrameShape(QFrame::StyledPanel);
    pagine_ = new QStackedWidget(this);
    pagine_->addWidget(elenco_);
    pagine_->addWidget(vuoto_);
    nota_ = new QLabel(this);
    nota_->setObjectName(QStringLiteral("LabelNota"));
    nota_->setWordWrap(true);
    nota_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    nota_->setMinimumHeight(3 * fontMetrics().lineSpacing());
    nota_->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    avvia_ = platform::bottone(this, QStringLiteral("BitBtnAvvia"), QStringLiteral("&Avvia"));
    nuovo_ = platform::bottone(this, QStringLiteral("BitBtnNuovo"), QStringLiteral("&Nuovo..."));
    modifica_ =
        platform::bottone(this, QStringLiteral("BitBtnModifica"), QStringLiteral("&Modifica..."));
    elimina_ = platform::bottone(this, QStringLiteral("BitBtnElimina"), QStringLiteral("&Elimina"));
    chiudi_ = platform::bottone(this, QStringLiteral("BitBtnChiudi"), QStringLiteral("&Chiudi"));
    auto* bottoni = new QHBoxLayout;
    for (QPushButton* b : {avvia_, nuovo_, modifica_, elimina_})
        bottoni->addWidget(b);
    bottoni->addStretch();
    bottoni->addWidget(chiudi_);

    auto* tutto = new QVBoxLayout(this);
    tutto->addWidget(pagine_, 1);
    tutto->addWidget(nota_);
    tutto->addLayout(bottoni);

    connect(elenco_, &QTreeWidget::itemSelectionChanged, this, [this] { aggiornabottoni(); });
    connect(elenco_, &QTreeWidget::itemActivated, this, [this] { avvia(); });
    connect(avvia_, &QPushButton::clicked, this, [this] { avvia(); });
    connect(nuovo_, &QPushButton::clicked, this, [this] { nuovo(); });
    connect(modifica_, &QPushButton::clicked, this, [this] { modifica(); });
    connect(elimina_, &QPushButton::clicked, this, [this] { elimina(); });
    connect(chiudi_, &QPushButton::clicked, this, &QDialog::reject);
    resize(860, 440);
    aggiorna();
}

TFormesperimenti::~TFormesperimenti() = default;

std::optional<Scelta> TFormesperimenti::scegli() {
    scelta_.reset();
    aggiorna();
    elenco_->setFocus();
    if (exec() != QDialog::Accepted) return std::nullopt;
    return std::move(scelta_);
}

void TFormesperimenti::changeEvent(QEvent* e) {
    QDialog::changeEvent(e);
    // A file fixed by hand in an editor, or copied in, shows when the user
    // comes back to the window.
    if (e->type() == QEvent::ActivationChange && isActiveWindow()) aggiorna();
}

void TFormesperimenti::aggiorna(const fs::path& file) {
    const fs::path scelto = file.empty() ? selezionato() : file;
    voci_ = elencaesperimenti(condivisa_, utente_);
    const QSignalBlocker zitto(elenco_);
    elenco_->clear();
    const QIcon attenzione = style()->standardIcon(QStyle::SP_MessageBoxWarning);
    for (std::size_t i = 0; i < voci_.size(); ++i) {
        const VoceEsperimento& v = voci_[i];
        auto* riga = new QTreeWidgetItem(elenco_);
        riga->setData(0, Qt::UserRole, static_cast<int>(i));
        if (v.esperimento) {
            riga->setText(0, qs(v.esperimento->nome));
            riga->setText(1, qs(modotesto(*v.esperimento)));
            riga->setText(2, qs(colonnetesto(*v.esperimento)));
            riga->setToolTip(2, riga->text(2));
            if (v.condiviso) riga->setText(3, QStringLiteral("della scuola"));
        } else {
            riga->setText(0, qs(erroreinbreve(v) + (v.condiviso ? " (della scuola)" : "")));
            riga->setToolTip(0, qs(v.errore));
            riga->setIcon(0, attenzione);
            riga->setForeground(0, kRossoErrore);
            riga->setFirstColumnSpanned(true);
        }
    }
    // A little air between columns, and a long name cut rather than the rest.
    const int aria = fontMetrics().horizontalAdvance(QStringLiteral("MM"));
    for (int c : {0, 1, 3}) {
        elenco_->resizeColumnToContents(c);
        elenco_->setColumnWidth(c, elenco_->columnWidth(c) + aria);
    }
    elenco_->setColumnWidth(0, std::min(elenco_->columnWidth(0), width() / 3));
    vuoto_->setText(qs("Nessun esperimento: premi Nuovo... per descriverne uno. I file sono in " +
                       utente_.string()));
    pagine_->setCurrentWidget(voci_.empty() ? static_cast<QWidget*>(vuoto_) : elenco_);
    if (!scelto.empty()) seleziona(scelto);
    if (!elenco_->currentItem() && elenco_->topLevelItemCount() > 0)
        elenco_->setCurrentItem(elenco_->topLevelItem(0));
    aggiornabottoni();
}

const VoceEsperimento* TFormesperimenti::voce() const {
    const QTreeWidgetItem* riga = elenco_->currentItem();
    if (!riga || !riga->isSelected()) return nullptr;
    const int i = riga->data(0, Qt::UserRole).toInt();
    return i >= 0 && static_cast<std::size_t>(i) < voci_.size()
               ? &voci_[static_cast<std::size_t>(i)]
               : nullptr;
}

fs::path TFormesperimenti::selezionato() const {
    const VoceEsperimento* v = voce();
    return v ? v->file : fs::path();
}

void TFormesperimenti::seleziona(const fs::path& file) {
    for (int i = 0; i < elenco_->topLevelItemCount(); ++i) {
        QTreeWidgetItem* riga = elenco_->topLevelItem(i);
        if (voci_[static_cast<std::size_t>(riga->data(0, Qt::UserRole).toInt())].file == file) {
            elenco_->setCurrentItem(riga);
            return;
        }
    }
}

void TFormesperimenti::aggiornabottoni() {
    const VoceEsperimento* v = voce();
    const bool buono = v && v->esperimento;
    avvia_->setEnabled(buono);
    const QString modifica = buono && v->condiviso ? QStringLiteral("&Modifica una copia...")
                                                   : QStringLiteral("&Modifica...");
    modifica_->setText(modifica);
    modifica_->setAccessibleName(platform::nomeAccessibile(modifica));
    modifica_->setEnabled(buono);
    elimina_->setEnabled(v && eliminabile(*v));

    std::string nota;
    if (!v) {
    } else if (buono) {
        nota = (v->condiviso ? "Esperimento della scuola, nel file " : "Nel file ") +
               v->file.string() + ".";
        if (!v->esperimento->schema.empty())
            nota += "\nSchema: " + fileschema(*v->esperimento, v->file).string() + ".";
        if (v->condiviso)
            nota += "\nNon si cambia: «Modifica una copia...» ne fa una tua, da cambiare.";
    } else {
        nota = v->errore;
        if (!v->errore.starts_with(v->file.string())) nota = v->file.string() + ": " + nota;
        std::error_code ec;
        if (fs::is_directory(v->file, ec))
            nota += "\nControlla i permessi della cartella.";
        else if (v->condiviso)
            nota += "\nÈ un file della scuola: lo può correggere chi amministra questo computer.";
        else
            nota +=
                "\nPer usarlo, correggilo a mano con un editor di testo: l'elenco si aggiorna "
                "quando torni qui.";
    }
    nota_->setText(qs(nota));
    nota_->setStyleSheet(v && !buono ? QStringLiteral("color: #b00000") : QString());
}

bool TFormesperimenti::avvia() {
    const VoceEsperimento* v = voce();
    if (!v) {
        platform::dialoghi().messaggio("Scegli un esperimento dall'elenco.");
        return false;
    }
    // A copy: every box below runs an event loop, in which the list may be read again.
    const VoceEsperimento scelta = *v;
    if (!scelta.esperimento) {
        platform::dialoghi().messaggio("«" + scelta.file.filename().string() +
                                       "» non si può avviare:\n" + scelta.errore);
        return false;
    }
    // What the file says now, should it have changed since it was listed.
    try {
        scelta_ = Scelta{caricaesperimento(scelta.file), scelta.file};
    } catch (const ErroreEsperimento& e) {
        platform::dialoghi().errore(e.what());
        aggiorna();
        return false;
    }
    accept();
    return true;
}

void TFormesperimenti::nuovo() {
    MioEsperimento e;
    e.colonne.push_back({});
    const fs::path scritto = modifica(e, {});
    if (!scritto.empty()) aggiorna(scritto);
}

void TFormesperimenti::modifica() {
    const VoceEsperimento* v = voce();
    if (!v || !v->esperimento) return;
    const VoceEsperimento scelta = *v;
    MioEsperimento e;
    try {
        e = caricaesperimento(scelta.file);
    } catch (const ErroreEsperimento& x) {
        platform::dialoghi().errore(x.what());
        aggiorna();
        return;
    }
    fs::path file = scelta.file;
    if (scelta.condiviso) {
        // The copy goes to the user's folder: a scheme named from the
        // school's folder must still be found from there.
        const fs::path s(e.schema);
        if (!e.schema.empty() && e.schema != "~" && !e.schema.starts_with("~/") && s.is_relative())
            e.schema = fileschema(e, scelta.file).lexically_normal().string();
        file.clear();
    }
    const fs::path scritto = modifica(e, file);
    if (!scritto.empty()) aggiorna(scritto);
}

fs::path TFormesperimenti::modifica(const MioEsperimento& e, const fs::path& file) {
    TFormmio editor(e, file, utente_, condivisa_, this);
    if (editor.exec() != QDialog::Accepted) return {};
    return editor.file();
}

void TFormesperimenti::elimina() {
    const VoceEsperimento* v = voce();
    if (!v || !eliminabile(*v)) return;
    const VoceEsperimento scelta = *v;
    const std::string nome = nomemostrato(scelta);
    if (!platform::dialoghi().conferma("Eliminare l'esperimento «" + nome + "»?\nIl file " +
                                       scelta.file.string() + " non si potrà recuperare."))
        return;
    std::error_code ec;
    fs::remove(scelta.file, ec);
    if (ec)
        platform::dialoghi().errore("Impossibile eliminare l'esperimento «" + nome + "»: il file " +
                                    scelta.file.string() + " non si cancella: " + ec.message());
    aggiorna();
}

}  // namespace lumetto::acquisition
