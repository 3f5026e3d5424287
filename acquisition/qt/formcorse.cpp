// The runs' window; see formcorse.h.

#include "acquisition/qt/formcorse.h"

#include <QDateEdit>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "acquisition/esportacorsa.h"
#include "acquisition/grafico.h"
#include "acquisition/qt/formgrafico.h"
#include "acquisition/registrocorse.h"
#include "platform/dialoghi.h"
#include "platform/qt/finestre.h"
#include "platform/qt/guida.h"

namespace lumetto::acquisition {

namespace {

constexpr int kMaxConfronto = 4;

// The day before any run: a date box left there sets no limit.
const QDate kNessuna(2000, 1, 1);

QDateEdit* casella(QWidget* genitore, const QString& nome) {
    auto* d = new QDateEdit(genitore);
    d->setObjectName(nome);
    d->setDisplayFormat(QStringLiteral("dd/MM/yyyy"));
    d->setCalendarPopup(true);
    d->setMinimumDate(kNessuna);
    d->setSpecialValueText(QStringLiteral("qualsiasi"));
    d->setDate(kNessuna);
    return d;
}

std::string giorno(const QDateEdit* d) {
    return d->date() == kNessuna ? std::string() : d->date().toString(Qt::ISODate).toStdString();
}

// A run's columns as one text ("temp [°C], luce"), to compare and to show.
std::string nomicolonne(const archivio::Corsa& c) {
    std::string t;
    for (const ColonnaGrafico& k : colonnegrafico(c))
        t += (t.empty() ? "" : ", ") + titolocolonna(k);
    return t;
}

// Whether two runs' columns mean the same, position by position: the same
// header (the board's frame laid out alike, whatever names were given
// since), or the same names.
bool concordano(const archivio::Corsa& a, const archivio::Corsa& b) {
    if (a.testata == b.testata) return true;
    if (a.colonne.size() != b.colonne.size()) return false;
    for (std::size_t k = 0; k < a.colonne.size(); ++k)
        if (a.colonne[k].nome != b.colonne[k].nome) return false;
    return true;
}

std::string descrizione(const archivio::Corsa& c) {
    return datacorsa(c) + " (" + c.esperimento + ", " + std::to_string(c.letture) + " letture)";
}

// The run's facts below the list: where and how it ran, its own experiment
// file, its columns as the plot names them ("temp [°C], luce [%]"), the note.
QString fatti(const archivio::Corsa& c) {
    std::string t =
        c.esperimento + " su " + c.porta + ", ogni " + std::to_string(c.intervallo) + " s";
    if (!c.sketch.empty()) t += ", sketch " + c.sketch + " " + c.versione;
    if (!c.fileesperimento.empty()) t += ", file dell'esperimento " + c.fileesperimento;
    if (!c.fileschema.empty()) t += ", schema " + c.fileschema;
    const std::string colonne = nomicolonne(c);
    if (!colonne.empty()) t += "\ncolonne: " + colonne;
    if (!c.nota.empty()) t += "\n" + c.nota;
    return QString::fromStdString(t);
}

}  // namespace

TFormcorse::TFormcorse(TFormgrafico* grafico, std::filesystem::path file, QWidget* parent)
    : QWidget(parent, Qt::Window), grafico_(grafico), file_(std::move(file)) {
    setObjectName(QStringLiteral("Formcorse"));
    setWindowTitle(QStringLiteral("corse"));
    platform::installaguida(this, "grafico.html#corse");
    setFont(platform::carattereFinestra());

    cerca_ = new QLineEdit(this);
    cerca_->setObjectName(QStringLiteral("EditCerca"));
    cerca_->setPlaceholderText(QStringLiteral("esperimento o titolo"));
    cerca_->setClearButtonEnabled(true);
    dal_ = casella(this, QStringLiteral("DataDal"));
    al_ = casella(this, QStringLiteral("DataAl"));
    auto* filtro = new QHBoxLayout;
    auto* etichettaCerca = new QLabel(QStringLiteral("&cerca:"), this);
    etichettaCerca->setBuddy(cerca_);
    auto* etichettaDal = new QLabel(QStringLiteral("&dal:"), this);
    etichettaDal->setBuddy(dal_);
    auto* etichettaAl = new QLabel(QStringLiteral("a&l:"), this);
    etichettaAl->setBuddy(al_);
    filtro->addWidget(etichettaCerca);
    filtro->addWidget(cerca_, 1);
    filtro->addWidget(etichettaDal);
    filtro->addWidget(dal_);
    filtro->addWidget(etichettaAl);
    filtro->addWidget(al_);

    elenco_ = new QTreeWidget(this);
    elenco_->setObjectName(QStringLiteral("ListaCorse"));
    elenco_->setAccessibleName(QStringLiteral("corse archiviate"));
    elenco_->setHeaderLabels({QStringLiteral("data e ora"), QStringLiteral("esperimento"),
                              QStringLiteral("letture"), QStringLiteral("banco"),
                              QStringLiteral("titolo")});
    elenco_->setRootIsDecorated(false);
    elenco_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    elenco_->setAllColumnsShowFocus(true);
    elenco_->header()->setStretchLastSection(true);
    nota_ = new QLabel(this);
    nota_->setObjectName(QStringLiteral("LabelNota"));
    nota_->setWordWrap(true);
    // Names, titles and notes are the user's words, never markup.
    nota_->setTextFormat(Qt::PlainText);
    nota_->setTextInteractionFlags(Qt::TextSelectableByMouse);

    apri_ =
        platform::bottone(this, QStringLiteral("BitBtnApri"), QStringLiteral("&apri nel grafico"));
    apri_->setToolTip(
        QStringLiteral("una corsa, o fino a quattro dello stesso esperimento "
                       "da confrontare"));
    titolo_ = platform::bottone(this, QStringLiteral("BitBtnTitolo"),
                                QStringLiteral("&titolo e nota..."));
    elimina_ = platform::bottone(this, QStringLiteral("BitBtnElimina"), QStringLiteral("&elimina"));
    csv_ = platform::bottone(this, QStringLiteral("BitBtnCSV"), QStringLiteral("esporta C&SV..."));
    xls_ = platform::bottone(this, QStringLiteral("BitBtnXLS"), QStringLiteral("esporta &XLS..."));
    copia_ = platform::bottone(this, QStringLiteral("BitBtnCopia"),
                               QStringLiteral("cop&ia dell'archivio..."));
    copia_->setToolTip(QStringLiteral(
        "tutto l'archivio in un file solo, da portare via (anche durante una corsa)"));
    chiudi_ =
        platform::bottone(this, QStringLiteral("BitBtnChiudiCorse"), QStringLiteral("chi&udi"));
    auto* bottoni = new QHBoxLayout;
    for (QPushButton* b : {apri_, titolo_, elimina_, csv_, xls_, copia_})
        bottoni->addWidget(b);
    bottoni->addStretch();
    bottoni->addWidget(chiudi_);

    auto* tutto = new QVBoxLayout(this);
    tutto->addLayout(filtro);
    tutto->addWidget(elenco_, 1);
    tutto->addWidget(nota_);
    tutto->addLayout(bottoni);

    connect(cerca_, &QLineEdit::textChanged, this, [this] { aggiorna(); });
    connect(dal_, &QDateEdit::dateChanged, this, [this] { aggiorna(); });
    connect(al_, &QDateEdit::dateChanged, this, [this] { aggiorna(); });
    connect(elenco_, &QTreeWidget::itemSelectionChanged, this, [this] {
        const auto id = selezionate();
        QString t;
        if (id.size() == 1 && archivio()) {
            if (auto c = archivio_->corsa(id.front())) t = fatti(*c);
        }
        nota_->setText(t);
    });
    connect(elenco_, &QTreeWidget::itemActivated, this, [this] { apri(); });
    connect(apri_, &QPushButton::clicked, this, [this] { apri(); });
    connect(titolo_, &QPushButton::clicked, this, [this] { intitola(); });
    connect(elimina_, &QPushButton::clicked, this, [this] { elimina(); });
    connect(csv_, &QPushButton::clicked, this, [this] { esporta(false); });
    connect(xls_, &QPushButton::clicked, this, [this] { esporta(true); });
    connect(copia_, &QPushButton::clicked, this, [this] { copia(); });
    connect(chiudi_, &QPushButton::clicked, this, &QWidget::close);
    resize(760, 480);
}

TFormcorse::~TFormcorse() = default;

archivio::Archivio* TFormcorse::archivio() {
    if (archivio_) return archivio_.get();
    try {
        archivio_ = std::make_unique<archivio::Archivio>(file_);
    } catch (const archivio::ErroreArchivio& e) {
        platform::dialoghi().errore("L'archivio delle corse «" + file_.string() +
                                    "» non si apre: " + e.what());
    }
    return archivio_.get();
}

void TFormcorse::nonsilegge(const archivio::ErroreArchivio& e) {
    // Damaged: moved aside (kept, never deleted) and a new one started; the
    // run being taken, if any, is written into the new one whole.
    if (e.tipo() == archivio::ErroreArchivio::Tipo::Danneggiato && archivio_) {
        try {
            archivio_->mettidaparte();
            platform::dialoghi().errore(
                "L'archivio delle corse è danneggiato: è stato messo da parte come «" +
                archivio_->spostato()->string() + "» e ne è iniziato uno nuovo.");
            return;
        } catch (const archivio::ErroreArchivio&) {
            archivio_.reset();
        }
    }
    platform::dialoghi().errore("L'archivio delle corse non si legge: " + std::string(e.what()));
}

void TFormcorse::showEvent(QShowEvent* e) {
    QWidget::showEvent(e);
    if (!e->spontaneous()) {
        aggiorna();
        // The list is what the window is for: arrows, Ctrl+A and Enter work at once.
        elenco_->setFocus();
    }
}

void TFormcorse::aggiorna() {
    const auto scelte = selezionate();
    elenco_->clear();
    if (!archivio()) return;
    std::vector<archivio::Corsa> corse;
    try {
        corse =
            archivio_->elenco({cerca_->text().trimmed().toStdString(), giorno(dal_), giorno(al_)});
    } catch (const archivio::ErroreArchivio& e) {
        nonsilegge(e);
        return;
    }
    for (const archivio::Corsa& c : corse) {
        auto* voce = new QTreeWidgetItem(elenco_);
        voce->setText(0, QString::fromStdString(datacorsa(c)));
        // A run that never reached its end (the program was killed, the
        // PC switched off), unless it is the one being taken now.
        voce->setText(1, QString::fromStdString(
                             c.esperimento +
                             (c.interrotta && c.id != corsaincorso() ? " (interrotta)" : "")));
        voce->setText(2, QString::number(c.letture));
        voce->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
        voce->setText(3, QString::fromStdString(c.banco));
        voce->setText(4, QString::fromStdString(c.titolo));
        voce->setData(0, Qt::UserRole, QVariant::fromValue<qlonglong>(c.id));
    }
    for (int i = 0; i < 4; ++i)
        elenco_->resizeColumnToContents(i);
    seleziona(scelte);
    // An archive that can only be read: browsed, opened and exported, never
    // changed, and the window says why.
    const bool sola = !archivio_->solalettura().empty();
    titolo_->setEnabled(!sola);
    elimina_->setEnabled(!sola);
    if (sola && selezionate().empty())
        nota_->setText(QStringLiteral("L'archivio si può solo consultare: ") +
                       QString::fromStdString(archivio_->solalettura()) + QStringLiteral("."));
}

std::vector<int64_t> TFormcorse::selezionate() const {
    std::vector<int64_t> id;
    for (int i = 0; i < elenco_->topLevelItemCount(); ++i) {
        QTreeWidgetItem* v = elenco_->topLevelItem(i);
        if (v->isSelected()) id.push_back(v->data(0, Qt::UserRole).toLongLong());
    }
    return id;
}

void TFormcorse::seleziona(const std::vector<int64_t>& id) {
    for (int i = 0; i < elenco_->topLevelItemCount(); ++i) {
        QTreeWidgetItem* v = elenco_->topLevelItem(i);
        const int64_t k = v->data(0, Qt::UserRole).toLongLong();
        v->setSelected(std::find(id.begin(), id.end(), k) != id.end());
    }
}

bool TFormcorse::apri() {
    const auto id = selezionate();
    if (id.empty()) {
        platform::dialoghi().messaggio("Scegli una corsa dall'elenco.");
        return false;
    }
    if (id.size() > kMaxConfronto) {
        platform::dialoghi().messaggio("Si confrontano al massimo quattro corse alla volta.");
        return false;
    }
    if (!archivio()) return false;
    std::vector<std::unique_ptr<CorsaArchiviata>> corse;
    try {
        for (int64_t k : id) {
            auto c = archivio_->corsa(k);
            if (!c) continue;  // deleted by another window meanwhile
            if (!corse.empty() && c->esperimento != corse.front()->corsa().esperimento) {
                platform::dialoghi().messaggio(
                    "Si confrontano solo corse dello stesso esperimento: «" +
                    corse.front()->corsa().esperimento + "» e «" + c->esperimento +
                    "» sono diversi.");
                return false;
            }
            // Curves are laid over each other column by column: runs whose
            // columns differ (a header changed between them) would show one
            // run's values under another's names.
            if (!corse.empty() && !concordano(*c, corse.front()->corsa())) {
                platform::dialoghi().messaggio(
                    "Si confrontano solo corse con le stesse colonne: «" +
                    nomicolonne(corse.front()->corsa()) + "» e «" + nomicolonne(*c) +
                    "» sono diverse.");
                return false;
            }
            auto letture = archivio_->letture(k);
            corse.push_back(std::make_unique<CorsaArchiviata>(std::move(*c), std::move(letture)));
        }
    } catch (const archivio::ErroreArchivio& e) {
        nonsilegge(e);
        return false;
    }
    if (corse.empty()) return false;
    // Oldest first, so that the first run keeps the solid line.
    std::reverse(corse.begin(), corse.end());
    grafico_->mostracorse(std::move(corse));
    grafico_->show();
    grafico_->raise();
    grafico_->activateWindow();
    return true;
}

void TFormcorse::intitola() {
    const auto id = selezionate();
    if (id.size() != 1) {
        platform::dialoghi().messaggio("Scegli una sola corsa dall'elenco.");
        return;
    }
    if (!archivio()) return;
    auto c = archivio_->corsa(id.front());
    if (!c) return;
    auto titolo = platform::dialoghi().input("titolo della corsa", descrizione(*c), c->titolo);
    if (!titolo) return;
    auto nota = platform::dialoghi().input("nota della corsa", descrizione(*c), c->nota);
    if (!nota) return;
    try {
        archivio_->intitola(c->id, *titolo, *nota);
    } catch (const archivio::ErroreArchivio& e) {
        platform::dialoghi().errore("Impossibile scrivere il titolo: " + std::string(e.what()));
    }
    aggiorna();
}

void TFormcorse::elimina() {
    const auto id = selezionate();
    if (id.empty() || !archivio()) return;
    std::string domanda;
    if (id.size() == 1) {
        auto c = archivio_->corsa(id.front());
        if (!c) return;
        domanda = "Eliminare la corsa del " + descrizione(*c) + "?";
    } else {
        domanda = "Eliminare le " + std::to_string(id.size()) + " corse scelte?";
    }
    if (!platform::dialoghi().conferma(domanda + "\nNon si potrà recuperare.")) return;
    try {
        for (int64_t k : id)
            archivio_->elimina(k);
    } catch (const archivio::ErroreArchivio& e) {
        platform::dialoghi().errore("Impossibile eliminare la corsa: " + std::string(e.what()));
    }
    aggiorna();
}

void TFormcorse::copia() {
    if (!archivio()) return;
    auto nome = platform::dialoghi().salva("copia dell'archivio", "archivio di Lumetto|*.sqlite");
    if (!nome || nome->empty()) return;
    const std::string file = platform::conestensione(*nome, ".sqlite");
    try {
        // The box asked before replacing a file there.
        std::error_code ec;
        std::filesystem::remove(file, ec);
        archivio_->copia(file);
        platform::dialoghi().messaggio("L'archivio è stato copiato in " + file + ".");
    } catch (const archivio::ErroreArchivio& e) {
        platform::dialoghi().errore("Impossibile copiare l'archivio in " + file + ": " +
                                    std::string(e.what()));
    }
}

void TFormcorse::esporta(bool xls) {
    const auto id = selezionate();
    if (id.size() != 1) {
        platform::dialoghi().messaggio("Scegli una sola corsa dall'elenco.");
        return;
    }
    if (!archivio()) return;
    auto nome = xls ? platform::dialoghi().salva("esporta la corsa", "files excel|*.xls")
                    : platform::dialoghi().salva("esporta la corsa", "file CSV|*.csv");
    if (!nome || nome->empty()) return;
    const std::string file = platform::conestensione(*nome, xls ? ".xls" : ".csv");
    try {
        auto c = archivio_->corsa(id.front());
        if (!c) return;
        CorsaArchiviata corsa(std::move(*c), archivio_->letture(id.front()));
        if (xls) {
            salvaxls(file, corsa);
        } else {
            salvacsv(file, corsa);
        }
    } catch (const ErroreEsportazione& e) {
        platform::dialoghi().errore(e.what());
    } catch (const archivio::ErroreArchivio& e) {
        nonsilegge(e);
    }
}

}  // namespace lumetto::acquisition
