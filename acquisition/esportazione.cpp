#include "acquisition/esportazione.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <new>
#include <optional>

#include "acquisition/acquisizione.h"
#include "acquisition/foglio.h"
#include "acquisition/libero.h"
#include "link/letture.h"
#include "platform/dialoghi.h"
#include "schemes/cp1252.h"
#include "schemes/maschere.h"
#include "schemes/numeri.h"
#include "schemes/schema.h"

namespace lumetto::acquisition {

namespace {

char tipodi(int colonna) {
    return schemes::carattere(schemes::schemacorrente().mascheratipo, colonna);
}

// A value in the block. The experiments the design gives a format keep it:
// a text right-aligned in 7 characters with their decimals. Every other
// experiment (the design left those cells empty while it said "salvato":
// lost readings) writes a state as the log's word ("ON", "apre") and any
// other value as the number the board sent, which the column's number format
// then shows with the log's decimals.
Variante valore(const Comando* e, double x, int colonna) {
    if (std::isnan(x)) return std::string();  // missing: an empty cell
    if (e && e->formato.progettato) return schemes::scrivireale(x, e->formato.decimali, 7);
    const char tipo = tipodi(colonna);
    if (schemes::tipostato(tipo)) {
        const std::string parola(schemes::rifila(schemes::formattavalore(x, tipo)));
        if (!schemes::leggireale(parola)) return parola;
    }
    return x;
}

// The log's decimals for the number cells of a column: three for type 3,
// one for every other type (states that are no word show as type 1 does).
const char* formatocolonna(int colonna) {
    return tipodi(colonna) == '3' ? "0.000" : "0.0";
}

// A teacher's experiment and the free stream: whole names with units over
// their columns, the values as the run stored them (a free run's from its own
// store), each column with its decimals.
bool proprio() {
    return !stato.nomeesperimento.empty();
}

void riempiproprio(acquisition::Blocco& blocco, int n, int m) {
    const bool libera = stato.codiceesperimento == kCodiceLibero;
    for (int r = 0; r <= n; ++r) {
        for (int k = 1; k <= m + 1; ++k) {
            auto& cella = blocco(static_cast<std::size_t>(r), static_cast<std::size_t>(k));
            const auto j = static_cast<std::size_t>(k - 2);
            if (k == 1) {
                cella = r == 0 ? Variante(std::string("lettura")) : Variante(int32_t{r});
            } else if (j >= stato.colonne.size()) {
                cella = std::string();
            } else if (r == 0) {
                cella = titolocolonna(stato.colonne[j]);
            } else {
                const double v = libera ? letturelibere()[static_cast<std::size_t>(r - 1)].valori[j]
                                        : link::tabellaletture[static_cast<std::size_t>(r)][j + 1];
                cella = std::isnan(v) ? Variante(std::string()) : Variante(v);
            }
        }
    }
}

// Rows 0 to n, columns 1 to m + 1; column 0 stays empty. Entries past the
// titles or the reading table (never reached by the experiments) stay empty.
void riempi(acquisition::Blocco& blocco, int n, int m) {
    const auto& titoli = stato.titoliesportazione;
    for (int r = 0; r <= n; ++r) {
        for (int k = 1; k <= m + 1; ++k) {
            auto& cella = blocco(static_cast<std::size_t>(r), static_cast<std::size_t>(k));
            if (r == 0) {
                if (static_cast<std::size_t>(k) < titoli.size())
                    cella = schemes::utf8dacp1252(titoli[static_cast<std::size_t>(k)].str());
                else
                    cella = std::string();
            } else if (k == 1) {
                cella = static_cast<int32_t>(r);
            } else if (k - 1 <= link::kColonne) {
                cella = valore(esperimento(stato.codiceesperimento),
                               link::tabellaletture[static_cast<std::size_t>(r)]
                                                   [static_cast<std::size_t>(k - 1)],
                               k - 1);
            } else {
                cella = std::string();
            }
        }
    }
}

}  // namespace

std::string nomecella(int32_t riga, int32_t colonna) {
    char lettera = colonna >= 1 && colonna <= 26 ? static_cast<char>('A' + colonna - 1) : '?';
    return lettera + std::to_string(riga);
}

Esportazione esportafoglio(const std::string& nomefile, uint16_t m) {
    int n = std::min<int>(stato.letturemostrate, link::kMaxLetture);
    int persi = 0;
    if (proprio()) {
        m = static_cast<uint16_t>(stato.colonne.size() + 1);
        if (stato.codiceesperimento == kCodiceLibero) {
            // An Excel 97-2003 sheet has 65536 rows, one of them the titles.
            const int tutte = static_cast<int>(letturelibere().size());
            n = std::min(tutte, kMaxRigheFoglio - 1);
            persi = tutte - n;
        }
    }
    try {
        acquisition::Blocco blocco(static_cast<std::size_t>(n) + 1,
                                   static_cast<std::size_t>(m) + 2);
        auto excel = acquisition::creaoggetto("Excel.Application");
        excel->Visible(false);
        excel->Workbooks().Add(acquisition::xlWBATWorksheet);
        {
            acquisition::Foglio foglio = excel->Workbooks(1).WorkSheets(1);
            const Comando* e = esperimento(stato.codiceesperimento);
            if (e && !e->foglio.empty()) foglio.Name(std::string(e->foglio));
            if (proprio()) {
                riempiproprio(blocco, n, m);
            } else {
                riempi(blocco, n, m);
            }
            foglio.Range(nomecella(1, 1), nomecella(n + 1, m + 1)).Value(blocco);
            if (proprio() && n > 0) {
                for (std::size_t j = 0; j < stato.colonne.size(); ++j) {
                    const int d = stato.colonne[j].decimali;
                    if (d < 0) continue;
                    const auto k = static_cast<int32_t>(j) + 2;
                    foglio.Range(nomecella(2, k), nomecella(n + 1, k))
                        .NumberFormat(d == 0
                                          ? std::string("0")
                                          : "0." + std::string(static_cast<std::size_t>(d), '0'));
                }
            }
            // Value column i lands in sheet column i + 2, within the range up
            // to column m - 1.
            if (!proprio() && !(e && e->formato.progettato) && n > 0)
                for (int i = 1; i + 2 <= m + 1 && i <= link::kColonne; ++i)
                    foglio.Range(nomecella(2, i + 2), nomecella(n + 1, i + 2))
                        .NumberFormat(formatocolonna(i));
        }
        std::string nome = nomefile;
        if (nome.empty()) {
            auto scelto = platform::dialoghi().salva("scrivi il  file xls", "files excel|*.xls");
            // Cancelled: the object is released without saving or quitting.
            if (!scelto || scelto->empty()) return Esportazione::annullata;
            nome = *scelto;
        }
        nome = platform::conestensione(nome, ".xls");
        excel->Workbooks(1).SaveAs(nome);
        platform::dialoghi().messaggio("salvato il file:" + nome);
        if (persi > 0)
            platform::dialoghi().messaggio(
                "Il foglio .xls tiene " + std::to_string(n) + " letture: le altre " +
                std::to_string(persi) +
                " della corsa sono nell'archivio delle corse, da dove \"corse...\" le esporta "
                "intere in CSV.");
        excel->DisplayAlerts(false);
        excel->Quit();
        return Esportazione::salvata;
    } catch (const xls::Errore& e) {
        platform::dialoghi().errore(e.what());
    } catch (const std::bad_alloc&) {
        platform::dialoghi().errore("Memoria insufficiente per esportare le letture");
    }
    return Esportazione::fallita;
}

}  // namespace lumetto::acquisition
