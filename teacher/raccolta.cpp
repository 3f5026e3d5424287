// The lesson's runs collected; see raccolta.h.

#include "teacher/raccolta.h"

#include <QString>
#include <algorithm>
#include <cmath>
#include <map>
#include <system_error>
#include <utility>

#include "acquisition/esportacorsa.h"
#include "acquisition/foglio.h"
#include "acquisition/grafico.h"
#include "archive/csv.h"
#include "platform/salvataggio.h"
#include "xls/biff8.h"
#include "xls/composto.h"
#include "xls/salvataggio.h"

namespace lumetto::classe {

namespace {

using acquisition::ErroreEsportazione;

const CorsaRicevuta* ricevuta(const Aula& aula, const Aula::CorsaDellaLezione& c) {
    const Banco* b = aula.banco(c.banco);
    if (!b) return nullptr;
    const auto it = b->corse.find(c.corsa);
    return it == b->corse.end() || !it->second.fatti ? nullptr : &it->second;
}

std::vector<archivio::Lettura> inordine(const CorsaRicevuta& c) {
    std::vector<archivio::Lettura> v;
    v.reserve(c.letture.size());
    for (const auto& [n, l] : c.letture)
        v.push_back(l);
    return v;
}

}  // namespace

EsitoArchivio archivia(archivio::Archivio& a, const Aula& aula,
                       const std::vector<Aula::CorsaDellaLezione>& corse) {
    // A run is its bench and its start, to the millisecond.
    struct Presente {
        int64_t id = 0;
        std::vector<archivio::ColonnaCorsa> colonne;
    };
    std::map<std::pair<std::string, std::string>, Presente> presenti;
    for (archivio::Corsa& c : a.elenco())
        presenti.emplace(std::pair{c.banco, c.inizio}, Presente{c.id, std::move(c.colonne)});
    EsitoArchivio e;
    for (const auto& quale : corse) {
        const CorsaRicevuta* c = ricevuta(aula, quale);
        if (!c) continue;
        if (c->letture.empty()) {
            ++e.senzaletture;
            continue;
        }
        const auto chiave = std::pair{c->fatti->banco, c->fatti->inizio};
        const auto it = presenti.find(chiave);
        if (it == presenti.end()) {
            const int64_t id = a.nuovacorsa(*c->fatti);
            presenti.emplace(chiave, Presente{id, c->fatti->colonne});
            a.aggiungi(id, inordine(*c));
            ++e.nuove;
            continue;
        }
        std::map<int, archivio::Lettura> tenute;
        for (archivio::Lettura& l : a.letture(it->second.id))
            tenute.emplace(l.numero, std::move(l));
        // What the archive holds is the lesson's record: a reading sent
        // again with other values (a bench's archive replaced it, or a
        // student altered it) is told, never written over it.
        std::vector<archivio::Lettura> mancanti;
        int diverse = 0;
        for (const auto& [n, l] : c->letture) {
            const auto t = tenute.find(n);
            if (t == tenute.end())
                mancanti.push_back(l);
            else if (!archivio::stessalettura(t->second, l))
                ++diverse;
        }
        if (diverse > 0)
            e.discordanti.push_back(
                {quale.banco, quale.corsa, acquisition::datacorsa(*c->fatti), diverse});
        // A free run that named a column since it was collected: its columns too.
        const bool colonne = !c->fatti->colonne.empty() && c->fatti->colonne != it->second.colonne;
        if (colonne) {
            a.sostituiscicolonne(it->second.id, c->fatti->colonne);
            it->second.colonne = c->fatti->colonne;
        }
        a.aggiungi(it->second.id, mancanti);
        ++(mancanti.empty() && !colonne ? e.invariate : e.aggiornate);
    }
    return e;
}

std::u16string nomefoglio(const std::string& banco, std::vector<std::u16string>& usati) {
    QString n = QString::fromStdString(banco);
    for (QChar& c : n)
        if (QStringLiteral(":\\*?/[]").contains(c)) c = QLatin1Char('_');
    while (n.startsWith(QLatin1Char('\'')))
        n.remove(0, 1);
    n.truncate(31);
    while (n.endsWith(QLatin1Char('\'')))
        n.chop(1);
    if (n.isEmpty()) n = QStringLiteral("banco");
    auto usato = [&](const QString& s) {
        return std::any_of(usati.begin(), usati.end(), [&](const std::u16string& u) {
            return QString::fromStdU16String(u).compare(s, Qt::CaseInsensitive) == 0;
        });
    };
    QString nome = n;
    for (int k = 2; usato(nome); ++k) {
        const QString coda = QStringLiteral("~%1").arg(k);
        nome = n.left(31 - coda.size()) + coda;
    }
    usati.push_back(nome.toStdU16String());
    return usati.back();
}

void scrivicartella(const std::string& file, const Aula& aula,
                    const std::vector<Aula::CorsaDellaLezione>& corse) {
    std::vector<xls::Foglio> fogli;
    std::vector<std::u16string> usati;
    std::string banco;
    uint32_t riga = 0;
    for (const auto& quale : corse) {
        const CorsaRicevuta* c = ricevuta(aula, quale);
        if (!c) continue;
        if (fogli.empty() || quale.banco != banco) {
            banco = quale.banco;
            fogli.push_back({nomefoglio(banco, usati), {}, {}});
            riga = 0;
        }
        xls::Celle& celle = fogli.back().celle;
        const acquisition::CorsaArchiviata corsa(*c->fatti, inordine(*c));
        const auto colonne = corsa.colonne();
        // A run's rows end at the sheet's last row: what does not fit is cut.
        if (riga + 3 >= xls::kRighe) continue;
        celle[{riga, 0}] = acquisition::utf16(corsa.corsa().esperimento);
        celle[{riga, 1}] = acquisition::utf16(acquisition::datacorsa(corsa.corsa()));
        if (!corsa.corsa().titolo.empty())
            celle[{riga, 2}] = acquisition::utf16(corsa.corsa().titolo);
        ++riga;
        celle[{riga, 0}] = u"lettura";
        celle[{riga, 1}] = u"secondi";
        for (uint32_t j = 0; j < colonne.size(); ++j)
            celle[{riga, j + 2}] = acquisition::utf16(acquisition::titolocolonna(colonne[j]));
        ++riga;
        for (const archivio::Lettura& l : corsa.tutte()) {
            if (riga >= xls::kRighe) break;
            celle[{riga, 0}] = static_cast<double>(l.numero);
            celle[{riga, 1}] = static_cast<double>(l.ms) / 1000.0;
            for (uint32_t j = 0; j < colonne.size(); ++j) {
                const double v = l.valori[static_cast<size_t>(colonne[j].indice - 1)];
                if (std::isfinite(v)) celle[{riga, j + 2}] = v;  // a missing value: an empty cell
            }
            ++riga;
        }
        ++riga;  // a blank row before the next run
    }
    if (fogli.empty()) fogli.push_back({u"classe", {}, {}});
    try {
        xls::scrivisostituendo(file, xls::filecomposto(xls::flussobiff8(fogli)));
    } catch (const std::exception& e) {
        throw ErroreEsportazione("Impossibile salvare le corse in " + file + ": " + e.what());
    }
}

std::vector<std::string> scrivicsv(const std::filesystem::path& cartella, const Aula& aula,
                                   const std::vector<Aula::CorsaDellaLezione>& corse) {
    std::error_code errore;
    std::filesystem::create_directories(cartella, errore);
    if (errore)
        throw ErroreEsportazione("Impossibile creare la cartella " + cartella.string() + ": " +
                                 errore.message());
    std::vector<std::string> scritti;
    for (const auto& quale : corse) {
        const CorsaRicevuta* c = ricevuta(aula, quale);
        if (!c) continue;
        std::string inizio = archivio::iniziolocale(*c->fatti);
        std::replace(inizio.begin(), inizio.end(), 'T', '_');
        std::replace(inizio.begin(), inizio.end(), ':', '-');
        const std::string base = quale.banco + "_" + (inizio.empty() ? "corsa" : inizio);
        std::string nome = base + ".csv";
        // Two runs of a bench begun in the same second keep a file each.
        for (int k = 2; std::find(scritti.begin(), scritti.end(), nome) != scritti.end(); ++k)
            nome = base + "_" + std::to_string(k) + ".csv";
        acquisition::salvacsv((cartella / nome).string(),
                              acquisition::CorsaArchiviata(*c->fatti, inordine(*c)));
        scritti.push_back(nome);
    }
    return scritti;
}

}  // namespace lumetto::classe
