// Writes the acquisition's runs to the archive; see registrocorse.h.

#include "acquisition/registrocorse.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "acquisition/libero.h"
#include "link/campi.h"
#include "link/collegamento.h"
#include "link/letture.h"
#include "platform/dialoghi.h"
#include "schemes/cp1252.h"
#include "schemes/maschere.h"
#include "schemes/numeri.h"

namespace lumetto::acquisition {

namespace {

constexpr const char* kContinua =
    ".\nLa corsa continua: le letture restano in memoria, passano nell'archivio appena si può "
    "e si esportano con ->EXCEL.";

// The run's columns as the archive keeps them; those of its header when
// the run names none.
std::vector<archivio::ColonnaCorsa> colonnearchivio(const std::vector<Colonna>& colonne,
                                                    const std::string& testata) {
    if (colonne.empty()) return archivio::colonnedatestata(testata);
    std::vector<archivio::ColonnaCorsa> v;
    for (const Colonna& c : colonne)
        v.push_back({c.nome, c.unita, c.decimali});
    return v;
}

int64_t incorso = 0;  // see corsaincorso

}  // namespace

int64_t corsaincorso() {
    return incorso;
}

std::string nomebanco() {
    char nome[256] = {};
    if (gethostname(nome, sizeof nome - 1) != 0) return {};
    return nome;
}

RegistroCorse::RegistroCorse(std::filesystem::path file) : file_(std::move(file)) {}

RegistroCorse::~RegistroCorse() {
    if (!dascrivere()) return;
    for (Inattesa& c : corse_)
        c.finita = true;
    try {
        // At the program's end, and only then, another program's lock is
        // worth waiting for.
        try {
            archivio_ = std::make_unique<archivio::Archivio>(file_, 2000);
        } catch (const archivio::ErroreArchivio&) {
            archivio_.reset();
        }
        provata_ = {};
        scrivi();
        if (archivio_) archivio_->consolida();
    } catch (...) {
        // Nothing more can be done for it at exit; it was told.
    }
}

void RegistroCorse::nuovacorsa() {
    const schemes::Schema& s = schemes::schemacorrente();
    // A run started over the one going on: that one has ended.
    if (!corse_.empty()) corse_.back().finita = true;
    fatti_ = {};
    fatti_.codice = stato.codiceesperimento;
    const Comando* c = esperimento(stato.codiceesperimento);
    fatti_.esperimento = !stato.nomeesperimento.empty() ? stato.nomeesperimento
                         : c ? schemes::utf8dacp1252(schemes::rifila(c->didascalia))
                             : "Utente";
    fatti_.testata = schemes::utf8dacp1252(s.testata);
    fatti_.mascheratipo = s.mascheratipo;
    fatti_.mascheracolori = s.mascheracolori;
    fatti_.mascheradimensioni = s.mascheradimensioni;
    fatti_.fileschema = schemes::utf8dacp1252(stato.fileschema);
    fatti_.intervallo = stato.intervallo;
    fatti_.inizio = archivio::oraUTC();
    fatti_.fuso = archivio::fusolocale();
    fatti_.sketch = stato.scheda.sketch;
    fatti_.versione = stato.scheda.versione;
    fatti_.banco = nomebanco();
    fatti_.fileesperimento = stato.fileesperimento;
    fatti_.colonne = colonnearchivio(stato.colonne, fatti_.testata);
    colonne_ = stato.colonne;
    inizio_ = std::chrono::steady_clock::now();
    appena_.clear();
    detti_.clear();
    // Not yet a run of the archive: it becomes one with its first reading.
    corse_.push_back({});
    corse_.back().finita = true;  // nothing to write until a reading comes
    corse_.back().fatti.id = -1;
}

bool RegistroCorse::apri() {
    if (archivio_) return true;
    // A folder that cannot be made stays so for a while: one try every five
    // seconds, not one a tick.
    const auto adesso = std::chrono::steady_clock::now();
    if (provata_ != std::chrono::steady_clock::time_point{} &&
        adesso - provata_ < std::chrono::seconds(5))
        return false;
    provata_ = adesso;
    try {
        archivio_ = std::make_unique<archivio::Archivio>(file_, 0);
    } catch (const archivio::ErroreArchivio& e) {
        avvisa(
            archivio::ErroreArchivio::Tipo::Scrittura,
            "L'archivio delle corse «" + file_.string() + "» non si apre: " + e.what() + kContinua);
        return false;
    }
    if (archivio_->spostato())
        platform::dialoghi().avviso(
            "L'archivio delle corse era danneggiato o di un altro programma: è stato messo da "
            "parte come «" +
            archivio_->spostato()->string() + "» e ne è iniziato uno nuovo.");
    if (!archivio_->solalettura().empty())
        avvisa(archivio::ErroreArchivio::Tipo::Scrittura, "L'archivio delle corse «" +
                                                              file_.string() + "» " +
                                                              archivio_->solalettura() + kContinua);
    return true;
}

void RegistroCorse::letturamemorizzata(int r) {
    // A free run's readings are its own store's, each with the time it came.
    const bool libera = stato.codiceesperimento == kCodiceLibero;
    const int massimo = libera ? kMaxLettureLibere : link::kMaxLetture;
    if (corse_.empty() || r < 1 || r > massimo) return;
    if (libera && r > static_cast<int>(letturelibere().size())) return;
    Inattesa& c = corse_.back();
    if (c.fatti.id == -1) {
        // The run's first reading: its facts as they stand now (the port is
        // the one this run's exchanges opened).
        fatti_.porta = link::nomeporta;
        fatti_.colonne = colonnearchivio(stato.colonne, fatti_.testata);
        colonne_ = stato.colonne;
        c.fatti = fatti_;
        c.fatti.id = 0;
        c.finita = false;
    } else if (c.eliminata) {
        return;  // deleted in the runs' window while it ran: the user wants it gone
    } else if (stato.colonne != colonne_) {
        // A free run named a column after its facts were written: they are
        // written again before the reading that holds it.
        fatti_.colonne = colonnearchivio(stato.colonne, fatti_.testata);
        c.fatti.colonne = fatti_.colonne;
        c.colonne = true;
        colonne_ = stato.colonne;
    }
    archivio::Lettura l;
    l.numero = r;
    l.ms = libera ? letturelibere()[static_cast<size_t>(r - 1)].ms
                  : std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::steady_clock::now() - inizio_)
                        .count();
    l.valori.fill(std::numeric_limits<double>::quiet_NaN());
    if (libera) {
        l.valori = letturelibere()[static_cast<size_t>(r - 1)].valori;
    } else {
        // The columns the reply filled; the others are not this reading's.
        const int colonne = std::min(stato.lunghezzatestata / 6, link::kMaxCampi);
        for (int j = 1; j <= colonne; ++j)
            l.valori[static_cast<size_t>(j - 1)] =
                link::tabellaletture[static_cast<size_t>(r)][static_cast<size_t>(j)];
    }
    // A reading stored again under its number (a resend) replaces it.
    if (!c.letture.empty() && c.letture.back().numero >= r) {
        for (std::size_t k = c.letture.size(); k-- > 0;)
            if (c.letture[k].numero == r) {
                c.letture[k] = l;
                c.scritte = std::min(c.scritte, k);
                break;
            }
    } else {
        c.letture.push_back(l);
    }
    scrivi();
}

void RegistroCorse::fermata() {
    if (!corse_.empty()) corse_.back().finita = true;
    scrivi();
    if (archivio_ && corse_.empty()) {
        try {
            archivio_->consolida();
        } catch (const archivio::ErroreArchivio&) {
        }
    }
}

void RegistroCorse::riprova() {
    if (dascrivere()) scrivi();
}

bool RegistroCorse::dascrivere() const {
    return std::any_of(corse_.begin(), corse_.end(), [](const Inattesa& c) {
        return !c.eliminata && c.fatti.id != -1 &&
               (c.fatti.id == 0 || c.colonne || c.finita || c.scritte < c.letture.size());
    });
}

std::size_t RegistroCorse::inattesa() const {
    std::size_t n = 0;
    for (const Inattesa& c : corse_)
        n += c.letture.size() - c.scritte;
    return n;
}

void RegistroCorse::ricomincia() {
    // A new file: every run still kept here is written into it whole.
    for (Inattesa& c : corse_) {
        if (c.fatti.id == -1) continue;
        c.fatti.id = 0;
        c.scritte = 0;
        c.colonne = false;
    }
}

void RegistroCorse::scrivi() {
    appena_.clear();
    // Runs with nothing to write (a run that stored no reading) go at once.
    while (corse_.size() > 1 && (corse_.front().fatti.id == -1 || corse_.front().eliminata))
        corse_.pop_front();
    if (corse_.empty() || (corse_.size() == 1 && corse_.front().fatti.id == -1)) return;
    if (!apri()) return;
    using Tipo = archivio::ErroreArchivio::Tipo;
    if (archivio_->scomparso()) {
        // Its folder or the file itself was deleted or replaced: what is
        // written there now is lost. A new file takes every run kept here.
        archivio_.reset();
        provata_ = {};
        if (!apri()) return;
        ricomincia();
        avvisa(Tipo::Eliminata, "L'archivio delle corse «" + file_.string() +
                                    "» è stato cancellato mentre la corsa andava: ne è iniziato "
                                    "uno nuovo, con la corsa intera.");
        detti_.erase(Tipo::Eliminata);
    }
    bool rimesso = false;
    for (std::size_t i = 0; i < corse_.size();) {
        Inattesa& c = corse_[i];
        const bool corrente = i + 1 == corse_.size();
        if (c.fatti.id == -1 || c.eliminata) {
            ++i;
            continue;
        }
        try {
            if (c.fatti.id == 0) {
                c.fatti.id = archivio_->nuovacorsa(c.fatti);
                c.colonne = false;
                if (corrente) {
                    fatti_.id = c.fatti.id;
                    fatti_.colonne = c.fatti.colonne;
                    ++revisione_;
                    if (!c.finita) incorso = c.fatti.id;
                }
            } else if (c.colonne) {
                archivio_->sostituiscicolonne(c.fatti.id, c.fatti.colonne);
                c.colonne = false;
                if (corrente) {
                    fatti_.colonne = c.fatti.colonne;
                    ++revisione_;
                }
            }
            if (c.scritte < c.letture.size()) {
                std::vector<archivio::Lettura> nuove(
                    c.letture.begin() + static_cast<std::ptrdiff_t>(c.scritte), c.letture.end());
                if (nuove.size() == 1)
                    archivio_->aggiungi(c.fatti.id, nuove.front());
                else
                    archivio_->aggiungi(c.fatti.id, nuove);
                c.scritte = c.letture.size();
                if (corrente) appena_ = std::move(nuove);
            }
            if (c.finita) {
                archivio_->conclusa(c.fatti.id);
                if (incorso == c.fatti.id) incorso = 0;
                corse_.erase(corse_.begin() + static_cast<std::ptrdiff_t>(i));
                continue;
            }
            // Working again: a new fault is news.
            detti_.clear();
            occupatodaora_ = false;
        } catch (const archivio::ErroreArchivio& e) {
            switch (e.tipo()) {
                case Tipo::Eliminata:
                    // Deleted in the runs' window while it ran: the user wants
                    // it gone, so the rest of it is not kept either.
                    c.letture.clear();
                    c.scritte = 0;
                    if (corrente && !c.finita) {
                        c.eliminata = true;
                        ++i;
                    } else {
                        corse_.erase(corse_.begin() + static_cast<std::ptrdiff_t>(i));
                    }
                    continue;
                case Tipo::Danneggiato:
                    if (!rimesso) {
                        rimesso = true;
                        try {
                            archivio_->mettidaparte();
                            ricomincia();
                            platform::dialoghi().avviso(
                                "L'archivio delle corse si è danneggiato: è stato messo da parte "
                                "come «" +
                                archivio_->spostato()->string() +
                                "» e ne è iniziato uno nuovo, con la corsa intera.");
                            i = 0;
                            continue;
                        } catch (const archivio::ErroreArchivio& f) {
                            archivio_.reset();
                            avvisa(Tipo::Danneggiato, "L'archivio delle corse «" + file_.string() +
                                                          "» " + f.what() + kContinua);
                            break;
                        }
                    }
                    avvisa(Tipo::Danneggiato, "L'archivio delle corse «" + file_.string() +
                                                  "» non salva la lettura: " + e.what() +
                                                  kContinua);
                    break;
                case Tipo::Occupato: {
                    // Another program's write lock: said only when it lasts.
                    const auto adesso = std::chrono::steady_clock::now();
                    if (!occupatodaora_) {
                        occupatodaora_ = true;
                        occupato_ = adesso;
                    } else if (adesso - occupato_ > std::chrono::seconds(5)) {
                        avvisa(Tipo::Occupato, "L'archivio delle corse «" + file_.string() +
                                                   "» è occupato da un altro programma" +
                                                   kContinua);
                    }
                    break;
                }
                default:
                    avvisa(e.tipo(),
                           "L'archivio delle corse «" + file_.string() + "» non salva la lettura " +
                               std::to_string(c.letture.empty() ? 0 : c.letture.back().numero) +
                               ": " + e.what() + kContinua);
                    break;
            }
            break;  // in order: nothing after what could not be written
        }
        ++i;
    }
    if (!appena_.empty() && dopo_) dopo_();
}

void RegistroCorse::avvisa(archivio::ErroreArchivio::Tipo causa, const std::string& testo) {
    if (!detti_.insert(causa).second) return;
    platform::dialoghi().avviso(testo);
}

}  // namespace lumetto::acquisition
