// The teacher's window; see formclasse.h.

#include "teacher/formclasse.h"

#include <QDate>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QResizeEvent>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <vector>

#include "acquisition/esportacorsa.h"
#include "acquisition/grafico.h"
#include "acquisition/qt/formgrafico.h"
#include "classroom/mqtt.h"
#include "platform/dialoghi.h"
#include "platform/qt/finestre.h"
#include "platform/qt/guida.h"
#include "teacher/raccolta.h"
#include "teacher/tessera.h"

namespace lumetto::classe {

namespace {

constexpr int kSpazio = 10;  // between tiles

QString q(const std::string& s) {
    return QString::fromStdString(s);
}

// A run whose facts have not come: its columns named by number, as many as
// its readings hold, so that the plot still shows them.
archivio::Corsa fattiprovvisori(const CorsaRicevuta& c, int64_t id, const std::string& banco) {
    archivio::Corsa f;
    f.id = id;
    f.banco = banco;
    int n = 0;
    for (const auto& [k, l] : c.letture)
        for (int i = archivio::kColonne; i > n; --i)
            if (std::isfinite(l.valori[static_cast<size_t>(i - 1)])) {
                n = i;
                break;
            }
    for (int i = 1; i <= std::min(n, 12); ++i) {
        std::string campo = "c" + std::to_string(i);
        campo.resize(6, '.');
        f.testata += campo;
    }
    return f;
}

// A sentence of the status line ends with its stop: the connection's
// reasons come without one, the window's own may end in "...".
QString frase(QString s) {
    if (!s.endsWith(QLatin1Char('.')) && !s.endsWith(QLatin1Char('!')) &&
        !s.endsWith(QLatin1Char('?')))
        s += QLatin1Char('.');
    return s;
}

// "banco2" before "banco10", as a teacher counts them: runs of digits
// compared as numbers (QCollator's numeric mode needs ICU's locales).
bool primadi(const std::string& a, const std::string& b) {
    auto cifra = [](char c) { return c >= '0' && c <= '9'; };
    std::size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (cifra(a[i]) && cifra(b[j])) {
            std::size_t fi = i, fj = j;
            while (fi < a.size() && a[fi] == '0')
                ++fi;
            while (fj < b.size() && b[fj] == '0')
                ++fj;
            std::size_t ei = fi, ej = fj;
            while (ei < a.size() && cifra(a[ei]))
                ++ei;
            while (ej < b.size() && cifra(b[ej]))
                ++ej;
            if (ei - fi != ej - fj) return ei - fi < ej - fj;
            const int c = a.compare(fi, ei - fi, b, fj, ej - fj);
            if (c != 0) return c < 0;
            i = ei, j = ej;
        } else {
            if (a[i] != b[j])
                return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[j]);
            ++i, ++j;
        }
    }
    return a.size() - i < b.size() - j;
}

}  // namespace

TFormclasse::TFormclasse(Configurazione conf, std::filesystem::path archivio, QWidget* parent)
    : QWidget(parent, Qt::Window),
      conf_(std::move(conf)),
      archivio_(std::move(archivio)),
      aula_(conf_.nome) {
    setObjectName(QStringLiteral("Formclasse"));
    setWindowTitle(QStringLiteral("lumetto-classe - classe ") + q(conf_.nome));
    setFont(platform::carattereFinestra());
    platform::installaguida(this, "classe.html");

    auto* titolo = new QLabel(QStringLiteral("Classe ") + q(conf_.nome), this);
    QFont grande = titolo->font();
    grande.setBold(true);
    grande.setPointSizeF(grande.pointSizeF() * 1.3);
    titolo->setFont(grande);
    raccogli_ =
        platform::bottone(this, QStringLiteral("BitBtnRaccogli"), QStringLiteral("&raccogli"));
    raccogli_->setToolTip(
        QStringLiteral("le corse della lezione nel proprio archivio e in un file Excel o CSV"));
    auto* sopra = new QHBoxLayout;
    sopra->addWidget(titolo);
    sopra->addStretch();
    sopra->addWidget(raccogli_);

    griglia_ = new QWidget;
    griglia_->setObjectName(QStringLiteral("Banchi"));
    disposizione_ = new QGridLayout(griglia_);
    disposizione_->setSpacing(kSpazio);
    disposizione_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    vuota_ = new QLabel(QStringLiteral("Nessun banco della classe ") + q(conf_.nome) +
                            QStringLiteral(" si è ancora fatto sentire."),
                        griglia_);
    disposizione_->addWidget(vuota_, 0, 0);
    scorri_ = new QScrollArea(this);
    scorri_->setObjectName(QStringLiteral("ScrollBanchi"));
    scorri_->setWidget(griglia_);
    scorri_->setWidgetResizable(true);
    scorri_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

    stato_ = new QLabel(this);
    stato_->setObjectName(QStringLiteral("LabelStato"));
    stato_->setAccessibleName(QStringLiteral("stato del collegamento"));
    stato_->setWordWrap(true);
    stato_->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* tutto = new QVBoxLayout(this);
    tutto->addLayout(sopra);
    tutto->addWidget(scorri_, 1);
    tutto->addWidget(stato_);

    timer_ = new QTimer(this);
    timer_->setSingleShot(true);
    timer_->setInterval(kAggiornamentoMs);
    connect(timer_, &QTimer::timeout, this, [this] { aggiorna(); });
    connect(raccogli_, &QPushButton::clicked, this, [this] { raccogli(); });

    resize(1200, 700);
    aggiorna();
}

TFormclasse::~TFormclasse() {
    // The network thread first: nothing of it may reach a window half gone.
    collegamento_.reset();
}

std::string TFormclasse::collega(const std::string& idcliente, bool conservasessione) {
    Avvisi a;
    a.collegato = [this] {
        QMetaObject::invokeMethod(
            this, [this] { collegato(); }, Qt::QueuedConnection);
    };
    a.scollegato = [this](const std::string& motivo) {
        QMetaObject::invokeMethod(
            this, [this, motivo] { scollegato(motivo); }, Qt::QueuedConnection);
    };
    a.messaggio = [this](std::string argomento, std::string dati, bool conservato) {
        QMetaObject::invokeMethod(
            this,
            [this, argomento = std::move(argomento), dati = std::move(dati), conservato] {
                ricevi(argomento, dati, conservato);
            },
            Qt::QueuedConnection);
    };
    collegamento_ =
        std::make_unique<Collegamento>(conf_, idcliente, std::move(a), conservasessione);
    collegamento_->iscrivi(filtroclasse(conf_.nome), 1);
    motivo_ = "collegamento in corso...";
    std::string e = collegamento_->avvia();
    if (!e.empty()) motivo_ = e;
    aggiorna();
    return e;
}

void TFormclasse::collegato() {
    collegato_ = true;
    motivo_.clear();
    if (!timer_->isActive()) timer_->start();
}

void TFormclasse::scollegato(const std::string& motivo) {
    collegato_ = false;
    motivo_ = motivo;
    if (!timer_->isActive()) timer_->start();
}

void TFormclasse::ricevi(const std::string& argomento, const std::string& dati, bool conservato) {
    const Ricevuto r = aula_.ricevi(argomento, dati, conservato);
    if (!timer_->isActive()) timer_->start();
    if (r.tipo == Ricevuto::Tipo::Rifiutato) return;
    cambiati_.insert(r.banco);
    const Banco* b = aula_.banco(r.banco);
    const auto t = tessere_.find(r.banco);
    if (b && t == tessere_.end()) {
        auto* nuova = new Tessera(aula_, r.banco, griglia_);
        nuova->apri = [this, nome = r.banco] { apri(nome); };
        tessere_.emplace(r.banco, nuova);
        disporre_ = true;
    } else if (!b && t != tessere_.end()) {
        delete t->second;
        tessere_.erase(t);
        disporre_ = true;
    }
    // A reading of the run a plot shows goes straight to it; the plot draws
    // when the event loop comes back.
    if (r.tipo != Ricevuto::Tipo::Lettura || !b) return;
    const auto g = grafici_.find(r.banco);
    if (g == grafici_.end() || !g->second.finestra || g->second.corsa != r.corsa) return;
    const auto c = b->corse.find(r.corsa);
    if (c == b->corse.end()) return;
    const auto l = c->second.letture.find(r.numero);
    if (l != c->second.letture.end()) g->second.finestra->aggiungilettura(l->second);
}

void TFormclasse::aggiorna() {
    if (disporre_) disponi();
    for (const std::string& nome : cambiati_) {
        const auto t = tessere_.find(nome);
        if (t != tessere_.end()) t->second->update();
        // An open plot follows its bench to a new run, and takes the facts of
        // one that came without them or named a new column since.
        const auto g = grafici_.find(nome);
        const Banco* b = aula_.banco(nome);
        if (g == grafici_.end() || !g->second.finestra || !b) continue;
        const CorsaRicevuta* c = b->mostrata();
        const auto& mostrate = g->second.finestra->corsemostrate();
        const bool senzafatti = !mostrate.empty() && mostrate.front()->corsa().inizio.empty();
        const bool altrecolonne = !mostrate.empty() && c && c->fatti &&
                                  mostrate.front()->corsa().colonne != c->fatti->colonne;
        if (c &&
            (b->corsamostrata() != g->second.corsa || (senzafatti && c->fatti) || altrecolonne))
            mostracorsa(g->second, *b);
    }
    cambiati_.clear();

    const QString dove = q(conf_.host) + QLatin1Char(':') + QString::number(conf_.porta);
    QString testo;
    if (collegato_) {
        testo = QStringLiteral("Collegato al broker ") + dove +
                (conf_.utente.empty() ? QString() : QStringLiteral(" come ") + q(conf_.utente)) +
                QStringLiteral(".");
    } else {
        testo = frase(QStringLiteral("Non collegato al broker ") + dove + QStringLiteral(": ") +
                      (motivo_.empty() ? QStringLiteral("collegamento non avviato") : q(motivo_)));
    }
    const std::size_t n = tessere_.size();
    testo += QStringLiteral(" ") +
             (n == 1 ? QStringLiteral("1 banco.") : QStringLiteral("%1 banchi.").arg(n));
    if (aula_.rifiutati() == 1)
        testo += QStringLiteral(" ") +
                 frase(QStringLiteral("1 messaggio scartato: ") + q(aula_.ultimorifiuto()));
    else if (aula_.rifiutati() > 1)
        testo += QStringLiteral(" %1 messaggi scartati (l'ultimo: %2).")
                     .arg(aula_.rifiutati())
                     .arg(q(aula_.ultimorifiuto()));
    if (stato_->text() != testo) {
        stato_->setText(testo);
        stato_->setStyleSheet(collegato_ ? QString() : QStringLiteral("color: #b02020;"));
    }
}

void TFormclasse::disponi() {
    disporre_ = false;
    const int larga = scorri_->viewport()->width() - 2 * disposizione_->contentsMargins().left();
    colonne_ = std::max(1, (larga + kSpazio) / (Tessera::kLarghezza + kSpazio));
    while (disposizione_->count() > 0)
        delete disposizione_->takeAt(0);
    vuota_->setVisible(tessere_.empty());
    if (tessere_.empty()) {
        disposizione_->addWidget(vuota_, 0, 0);
        return;
    }
    std::vector<Tessera*> ordine;
    for (const auto& [nome, t] : tessere_)
        ordine.push_back(t);
    std::sort(ordine.begin(), ordine.end(),
              [](Tessera* a, Tessera* b) { return primadi(a->banco(), b->banco()); });
    for (std::size_t i = 0; i < ordine.size(); ++i) {
        disposizione_->addWidget(ordine[i], static_cast<int>(i) / colonne_,
                                 static_cast<int>(i) % colonne_);
        ordine[i]->show();
    }
}

void TFormclasse::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    const int larga = scorri_->viewport()->width() - 2 * disposizione_->contentsMargins().left();
    if (std::max(1, (larga + kSpazio) / (Tessera::kLarghezza + kSpazio)) != colonne_) disponi();
}

Tessera* TFormclasse::tessera(const std::string& banco) const {
    const auto t = tessere_.find(banco);
    return t == tessere_.end() ? nullptr : t->second;
}

acquisition::TFormgrafico* TFormclasse::grafico(const std::string& banco) const {
    const auto g = grafici_.find(banco);
    return g == grafici_.end() ? nullptr : g->second.finestra.data();
}

QString TFormclasse::statocollegamento() const {
    return stato_->text();
}

void TFormclasse::mostracorsa(Grafico& g, const Banco& b) {
    const int64_t id = b.corsamostrata();
    const CorsaRicevuta* c = b.mostrata();
    if (!c) return;
    archivio::Corsa fatti = c->fatti ? *c->fatti : fattiprovvisori(*c, id, b.nome);
    // The plot's title says which bench it is.
    fatti.titolo = fatti.titolo.empty() ? b.nome : b.nome + ": " + fatti.titolo;
    std::vector<archivio::Lettura> letture;
    letture.reserve(c->letture.size());
    for (const auto& [n, l] : c->letture)
        letture.push_back(l);
    std::vector<std::unique_ptr<acquisition::CorsaArchiviata>> corse;
    corse.push_back(
        std::make_unique<acquisition::CorsaArchiviata>(std::move(fatti), std::move(letture)));
    g.corsa = id;
    g.finestra->mostracorse(std::move(corse));
    // This program has no run of its own to go back to.
    if (auto* attuale = g.finestra->findChild<QPushButton*>(QStringLiteral("BitBtnAttuale")))
        attuale->hide();
}

void TFormclasse::apri(const std::string& banco) {
    const Banco* b = aula_.banco(banco);
    if (!b || !b->mostrata()) {
        platform::dialoghi().messaggio("Il banco «" + banco + "» non ha ancora mandato letture.");
        return;
    }
    Grafico& g = grafici_[banco];
    if (!g.finestra) {
        g.finestra = new acquisition::TFormgrafico(this);
        g.finestra->setAttribute(Qt::WA_DeleteOnClose);
        g.finestra->impostaarchivio(archivio_);
    }
    mostracorsa(g, *b);
    g.finestra->show();
    g.finestra->raise();
    g.finestra->activateWindow();
}

void TFormclasse::raccogli() {
    const std::string oggi =
        QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd")).toStdString();
    std::vector<Aula::CorsaDellaLezione> corse;
    int vuote = 0;
    for (const auto& c : aula_.lezione(oggi)) {
        if (aula_.banco(c.banco)->corse.at(c.corsa).letture.empty())
            ++vuote;
        else
            corse.push_back(c);
    }
    if (corse.empty()) {
        platform::dialoghi().messaggio(
            "Nessuna corsa della lezione da raccogliere: non è ancora arrivata nessuna lettura.");
        return;
    }
    std::set<std::string> banchi;
    for (const auto& c : corse)
        banchi.insert(c.banco);
    std::string resoconto = "Corse della lezione: " + std::to_string(corse.size()) + " di " +
                            std::to_string(banchi.size()) +
                            (banchi.size() == 1 ? " banco." : " banchi.");
    if (vuote > 0) resoconto += " " + std::to_string(vuote) + " senza letture non raccolte.";
    try {
        archivio::Archivio a(archivio_);
        const EsitoArchivio e = archivia(a, aula_, corse);
        resoconto += "\nNell'archivio " + archivio_.string() + ": " + std::to_string(e.nuove) +
                     " nuove, " + std::to_string(e.aggiornate) + " completate, " +
                     std::to_string(e.invariate) + " già presenti.";
        for (const EsitoArchivio::Discordanza& d : e.discordanti)
            resoconto += "\nIl banco «" + d.banco + "» ha mandato " +
                         (d.letture == 1 ? std::string("1 lettura")
                                         : std::to_string(d.letture) + " letture") +
                         " della corsa " + std::to_string(d.corsa) + " (" + d.inizio +
                         ") con valori diversi da quelli già nell'archivio: l'archivio tiene "
                         "quelli di prima.";
    } catch (const archivio::ErroreArchivio& e) {
        platform::dialoghi().errore(e.what());
        resoconto += "\nL'archivio non è stato scritto.";
    }
    try {
        if (platform::dialoghi().conferma(
                "Salvare le corse in una cartella di lavoro Excel, un foglio per banco?\n"
                "(No: un file CSV per corsa, in una cartella)")) {
            if (auto f = platform::dialoghi().salva("raccogli le corse",
                                                    "cartella di lavoro Excel|*.xls")) {
                const std::string file = platform::conestensione(*f, ".xls");
                scrivicartella(file, aula_, corse);
                resoconto += "\nScritto " + file + ", un foglio per banco.";
            } else {
                resoconto += "\nNessun file scritto.";
            }
        } else if (auto d = platform::dialoghi().salva("cartella per i file CSV delle corse",
                                                       "cartella|*")) {
            const auto scritti = scrivicsv(*d, aula_, corse);
            resoconto += "\nScritti " + std::to_string(scritti.size()) + " file CSV in " + *d + ".";
        } else {
            resoconto += "\nNessun file scritto.";
        }
    } catch (const acquisition::ErroreEsportazione& e) {
        platform::dialoghi().errore(e.what());
        resoconto += "\nIl file non è stato scritto.";
    }
    platform::dialoghi().messaggio(resoconto);
}

}  // namespace lumetto::classe
