// The class as the teacher sees it; see aula.h.

#include "classroom/aula.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <variant>

namespace lumetto::classe {

int64_t Banco::corsamostrata() const {
    int64_t id = corse.empty() ? 0 : corse.rbegin()->first;
    if (stato && stato->stato != Stato::Offline) id = std::max(id, stato->corsa);
    return id;
}

const CorsaRicevuta* Banco::mostrata() const {
    const auto it = corse.find(corsamostrata());
    return it == corse.end() ? nullptr : &it->second;
}

std::size_t Banco::letture() const {
    std::size_t n = 0;
    for (const auto& [id, c] : corse)
        n += c.letture.size();
    return n;
}

const Banco* Aula::banco(const std::string& nome) const {
    const auto it = banchi_.find(nome);
    return it == banchi_.end() ? nullptr : &it->second;
}

Ricevuto Aula::rifiuta(std::string perche) {
    ++rifiutati_;
    ultimorifiuto_ = perche;
    Ricevuto r;
    r.errore = std::move(perche);
    return r;
}

Banco* Aula::trova(const std::string& nome) {
    auto it = banchi_.find(nome);
    if (it != banchi_.end()) return &it->second;
    if (banchi_.size() >= kMaxBanchi) return nullptr;
    Banco& b = banchi_[nome];
    b.nome = nome;
    return &b;
}

CorsaRicevuta& Aula::corsa(Banco& b, int64_t id) {
    return b.corse[id];
}

Ricevuto Aula::rimuovi(std::string_view argomento) {
    // Read here, not by the parser: it refuses an empty payload.
    const Argomento a = leggiargomento(classe_, argomento);
    if (a.corsanonvalida) return rifiuta("rimozione di una corsa non valida");
    if (!a.errore.empty()) return rifiuta("rimozione di un argomento sconosciuto");
    const bool stato = a.forma == Argomento::Forma::Stato;
    const bool corsa = a.forma == Argomento::Forma::Corsa;
    Ricevuto r;
    r.tipo = Ricevuto::Tipo::Rimosso;
    r.banco = a.banco;
    r.corsa = a.corsa;
    auto b = banchi_.find(r.banco);
    if (b == banchi_.end()) return r;
    if (stato) {
        b->second.stato.reset();
    } else if (corsa) {
        // The bench no longer offers the run's facts: a run with readings
        // that came here stays, since the lesson still holds them.
        auto c = b->second.corse.find(a.corsa);
        if (c != b->second.corse.end() && c->second.letture.empty()) b->second.corse.erase(c);
    }
    // Readings are never retained: there is nothing of theirs to remove.
    if (!b->second.stato && b->second.corse.empty()) banchi_.erase(b);
    return r;
}

Ricevuto Aula::ricevi(std::string_view argomento, std::string_view dati, bool conservato) {
    if (dati.empty()) return rimuovi(argomento);
    EsitoMessaggio e = leggimessaggio(classe_, argomento, dati);
    if (!e.messaggio) return rifiuta(std::move(e.errore));
    Messaggio& m = *e.messaggio;
    Banco* b = trova(m.banco);
    if (!b) return rifiuta("troppi banchi: oltre " + std::to_string(kMaxBanchi));

    Ricevuto r;
    r.banco = m.banco;
    r.corsa = m.corsa;
    if (auto* s = std::get_if<StatoBanco>(&m.contenuto)) {
        r.tipo = Ricevuto::Tipo::Stato;
        b->stato = std::move(*s);
        return r;
    }

    // A reading of a bench past its budget is refused; a resend of one it
    // holds still replaces it.
    if (const auto* l = std::get_if<archivio::Lettura>(&m.contenuto)) {
        const auto c = b->corse.find(m.corsa);
        const bool tenuta = c != b->corse.end() && c->second.letture.contains(l->numero);
        if (!tenuta && b->letture() >= kMaxLettureBanco)
            return rifiuta("troppe letture dal banco «" + m.banco + "»: oltre " +
                           std::to_string(kMaxLettureBanco));
    }

    // A run not seen yet may push out the oldest one, those without readings first.
    const bool nuova = !b->corse.contains(m.corsa);
    CorsaRicevuta& c = corsa(*b, m.corsa);
    if (nuova && b->corse.size() > kMaxCorse) {
        auto via = b->corse.end();
        for (auto it = b->corse.begin(); it != b->corse.end(); ++it)
            if (it->second.letture.empty() && it->first != m.corsa) {
                via = it;
                break;
            }
        if (via == b->corse.end()) via = b->corse.begin();
        if (via->first == m.corsa) {
            b->corse.erase(via);
            return rifiuta("troppe corse del banco «" + m.banco + "»: oltre " +
                           std::to_string(kMaxCorse));
        }
        b->corse.erase(via);
    }
    if (!conservato) c.dalvivo = true;
    if (auto* f = std::get_if<archivio::Corsa>(&m.contenuto)) {
        r.tipo = Ricevuto::Tipo::Corsa;
        c.fatti = std::move(*f);  // its bench is the topic's: the parser saw to it
    } else {
        auto& l = std::get<archivio::Lettura>(m.contenuto);
        r.tipo = Ricevuto::Tipo::Lettura;
        r.numero = l.numero;
        c.letture[l.numero] = l;
    }
    return r;
}

std::vector<Aula::CorsaDellaLezione> Aula::lezione(const std::string& oggi) const {
    std::vector<CorsaDellaLezione> v;
    for (const auto& [nome, b] : banchi_)
        for (const auto& [id, c] : b.corse)
            if (c.fatti && (c.dalvivo || giornocorsa(*c.fatti) == oggi)) v.push_back({nome, id});
    return v;
}

std::string giornocorsa(const archivio::Corsa& c) {
    return archivio::iniziolocale(c, "%Y-%m-%d");
}

}  // namespace lumetto::classe
