// The bench's publisher to the class broker; see pubblicatore.h.
#include "classroom/pubblicatore.h"

#include <QMetaObject>
#include <QObject>

#include "classroom/mqtt.h"

namespace lumetto::classe {

struct Pubblicatore::Ricevitore {
    QObject oggetto;
};

Pubblicatore::Pubblicatore(Configurazione c, Fonte archivio, Avviso avviso)
    : conf_(std::move(c)),
      fonte_(std::move(archivio)),
      avviso_(std::move(avviso)),
      argomentostato_(argomentostato(conf_.nome, conf_.banco)),
      ricevitore_(std::make_unique<Ricevitore>()) {
    stato_.stato = Stato::Fermo;
    // The network thread only queues calls to this thread, where all the
    // state lives; an ack is queued once for however many come meanwhile.
    QObject* qui = &ricevitore_->oggetto;
    Avvisi a;
    a.collegato = [this, qui] {
        QMetaObject::invokeMethod(
            qui, [this] { sucollegato(); }, Qt::QueuedConnection);
    };
    a.scollegato = [this, qui](const std::string& motivo) {
        QMetaObject::invokeMethod(
            qui, [this, motivo] { suscollegato(motivo); }, Qt::QueuedConnection);
    };
    a.consegnato = [this, qui](int id) {
        bool chiama = false;
        {
            std::lock_guard l(mutex_);
            consegnati_.push_back(id);
            chiama = !chiamata_;
            chiamata_ = true;
        }
        if (chiama)
            QMetaObject::invokeMethod(
                qui, [this] { suconsegnati(); }, Qt::QueuedConnection);
    };
    collegamento_ = std::make_unique<Collegamento>(conf_, "lumetto-" + conf_.banco, std::move(a));
    StatoBanco offline;
    collegamento_->testamento(argomentostato_, scrivistato(offline));
}

Pubblicatore::~Pubblicatore() {
    // Said, not left to the will: the goodbye below suppresses it.
    StatoBanco offline;
    collegamento_->pubblica(argomentostato_, scrivistato(offline), 1, true);
    // The thread ends first, so nothing is queued to a receiver that is gone.
    collegamento_.reset();
    ricevitore_.reset();
}

std::string Pubblicatore::avvia() {
    std::string e = collegamento_->avvia();
    if (!e.empty())
        avviso_("Il collegamento con il broker della classe non parte: " + e +
                ".\nQuesto banco non pubblica le sue corse; l'acquisizione continua.");
    return e;
}

void Pubblicatore::corsa(const archivio::Corsa& fatti) {
    const bool stessa = fatti.id == corrente_.id && stato_.stato == Stato::InCorsa;
    corrente_ = fatti;
    stato_ = {Stato::InCorsa, fatti.esperimento, fatti.sketch, fatti.versione, fatti.id};
    if (!connesso_) return;
    pubblicacorsa(corrente_);
    if (!stessa) pubblicastato();
}

void Pubblicatore::lettura(const archivio::Lettura& l) {
    // While catching up the reading waits its turn in the archive, so that
    // the readings go out in order; without a connection it waits there too.
    if (corrente_.id == 0 || !connesso_ || recupero_) return;
    const int id = collegamento_->pubblica(argomentoletture(conf_.nome, conf_.banco, corrente_.id),
                                           scrivilettura(l), 1, false);
    if (id > 0) involo_[id] = {corrente_.id, l.numero, 0};
}

void Pubblicatore::fermata() {
    if (stato_.stato != Stato::InCorsa) return;
    stato_.stato = Stato::Fermo;
    if (connesso_) pubblicastato();
}

void Pubblicatore::pubblicastato() {
    collegamento_->pubblica(argomentostato_, scrivistato(stato_), 1, true);
}

void Pubblicatore::pubblicacorsa(const archivio::Corsa& c) {
    // The archive names the bench by its computer; the class, by the
    // bench's name in the topic, which the teacher holds the body to.
    archivio::Corsa fatti = c;
    fatti.banco = conf_.banco;
    const int id = collegamento_->pubblica(argomentocorsa(conf_.nome, conf_.banco, c.id),
                                           scrivicorsa(fatti), 1, true);
    if (id > 0) involo_[id] = {c.id, 0, 0};
}

// A broker without persistence has lost what was retained: the state and
// the current run's facts go out again, then whatever the archive holds
// unacknowledged, oldest run first.
void Pubblicatore::sucollegato() {
    connesso_ = true;
    detto_ = false;
    pubblicastato();
    if (corrente_.id != 0) pubblicacorsa(corrente_);
    if (archivio::Archivio* a = fonte_()) {
        try {
            for (const archivio::Corsa& c : a->corsedapubblicare())
                if (c.id != corrente_.id) pubblicacorsa(c);
        } catch (const archivio::ErroreArchivio&) {
            // Their facts go at the next connection.
        }
    }
    recupero_ = true;
    inlotto_ = 0;
    prossimolotto();
}

void Pubblicatore::suscollegato(const std::string& motivo) {
    ++cadute_;
    connesso_ = false;
    // What was in flight stays in flight: libmosquitto sends it again at the
    // next connection, and the catching up sends it once more (harmless).
    recupero_ = false;
    inlotto_ = 0;
    if (detto_) return;
    detto_ = true;
    avviso_("Il broker della classe non riceve le corse di questo banco: " + motivo +
            ".\nLe letture restano nell'archivio e partono, in ordine, appena il broker "
            "risponde; l'acquisizione continua.");
}

void Pubblicatore::suconsegnati() {
    std::vector<int> ids;
    {
        std::lock_guard l(mutex_);
        ids.swap(consegnati_);
        chiamata_ = false;
    }
    archivio::Archivio* a = fonte_();
    for (int id : ids) {
        auto i = involo_.find(id);
        if (i == involo_.end()) continue;  // the state, which the archive does not keep
        const Invio v = i->second;
        involo_.erase(i);
        if (a != nullptr) {
            try {
                if (v.numero == 0)
                    a->corsapubblicata(v.corsa);
                else
                    a->letturapubblicata(v.corsa, v.numero);
            } catch (const archivio::ErroreArchivio&) {
                // Left unmarked, it goes again: a duplicate the number makes harmless.
            }
        }
        if (recupero_ && v.lotto == lotto_ && inlotto_ > 0) --inlotto_;
    }
    prossimolotto();
}

// The next readings the archive holds unacknowledged, once the batch before
// them is all acknowledged: a bounded number in flight, in order. An empty
// batch ends the catching up: from then on readings go out as they come.
void Pubblicatore::prossimolotto() {
    if (!recupero_ || !connesso_ || inlotto_ > 0) return;
    archivio::Archivio* a = fonte_();
    std::vector<archivio::Archivio::DaPubblicare> lotto;
    try {
        if (a != nullptr) lotto = a->letturedapubblicare(kLotto);
    } catch (const archivio::ErroreArchivio&) {
        lotto.clear();  // tried again at the next connection
    }
    if (lotto.empty()) {
        recupero_ = false;
        return;
    }
    ++lotto_;
    for (const auto& d : lotto) {
        const int id = collegamento_->pubblica(argomentoletture(conf_.nome, conf_.banco, d.corsa),
                                               scrivilettura(d.lettura), 1, false);
        if (id == 0) {
            // libmosquitto refuses (out of memory): the rest waits for the
            // next connection rather than be asked for again and again.
            recupero_ = false;
            return;
        }
        involo_[id] = {d.corsa, d.lettura.numero, lotto_};
        ++inlotto_;
    }
}

}  // namespace lumetto::classe
