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
    ".\nLa corsa continua: le letture restano in memoria e si esportano con ->EXCEL.";

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

}  // namespace

std::string nomebanco() {
    char nome[256] = {};
    if (gethostname(nome, sizeof nome - 1) != 0) return {};
    return nome;
}

RegistroCorse::RegistroCorse(std::filesystem::path file) : file_(std::move(file)) {}

RegistroCorse::~RegistroCorse() = default;

void RegistroCorse::nuovacorsa() {
    const schemes::Schema& s = schemes::schemacorrente();
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
    corsa_ = 0;
    salvata_ = 0;
    inCorso_ = true;
    apertura_ = true;
}

bool RegistroCorse::apri() {
    if (archivio_) return true;
    if (!apertura_) return false;
    apertura_ = false;  // one try a run: a folder that cannot be made stays so
    try {
        archivio_ = std::make_unique<archivio::Archivio>(file_);
    } catch (const archivio::ErroreArchivio& e) {
        avvisa("L'archivio delle corse «" + file_.string() + "» non si apre: " + e.what() +
               kContinua);
        return false;
    }
    if (archivio_->spostato())
        platform::dialoghi().avviso(
            "L'archivio delle corse era danneggiato: è stato messo da parte come «" +
            archivio_->spostato()->string() + "» e ne è iniziato uno nuovo.");
    return true;
}

void RegistroCorse::letturamemorizzata(int r) {
    // A free run's readings are its own store's, each with the time it came.
    const bool libera = stato.codiceesperimento == kCodiceLibero;
    const int massimo = libera ? kMaxLettureLibere : link::kMaxLetture;
    if (!inCorso_ || r < 1 || r > massimo) return;
    if (libera && r > static_cast<int>(letturelibere().size())) return;
    const auto ms = libera ? letturelibere()[static_cast<size_t>(r - 1)].ms
                           : std::chrono::duration_cast<std::chrono::milliseconds>(
                                 std::chrono::steady_clock::now() - inizio_)
                                 .count();
    if (!apri()) return;
    try {
        if (corsa_ == 0) {
            // The port is the one this run's exchanges opened.
            fatti_.porta = link::nomeporta;
            fatti_.colonne = colonnearchivio(stato.colonne, fatti_.testata);
            colonne_ = stato.colonne;
            corsa_ = archivio_->nuovacorsa(fatti_);
            fatti_.id = corsa_;
            ++revisione_;
        } else if (stato.colonne != colonne_) {
            // A free run named a column after its facts were written: they
            // are written again before the reading that holds it.
            auto colonne = colonnearchivio(stato.colonne, fatti_.testata);
            archivio_->sostituiscicolonne(corsa_, colonne);
            fatti_.colonne = std::move(colonne);
            colonne_ = stato.colonne;
            ++revisione_;
        }
        salvata_ = 0;
        archivio::Lettura l;
        l.numero = r;
        l.ms = ms;
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
        archivio_->aggiungi(corsa_, l);
        ultima_ = l;
        salvata_ = r;
        detto_ = false;  // working again: a new fault is news
    } catch (const archivio::ErroreArchivio& e) {
        // Deleted in the runs' window while it ran: the user wants it gone,
        // so the rest of it is not kept either.
        if (e.tipo() == archivio::ErroreArchivio::Tipo::Eliminata) {
            inCorso_ = false;
            return;
        }
        avvisa("L'archivio delle corse «" + file_.string() + "» non salva la lettura " +
               std::to_string(r) + ": " + e.what() + kContinua);
    }
}

void RegistroCorse::avvisa(const std::string& testo) {
    if (detto_) return;
    detto_ = true;
    platform::dialoghi().avviso(testo);
}

}  // namespace lumetto::acquisition
