#include "acquisition/esportazione.h"

#include <algorithm>
#include <filesystem>
#include <new>
#include <optional>

#include "acquisition/acquisizione.h"
#include "acquisition/foglio.h"
#include "link/letture.h"
#include "platform/dialoghi.h"
#include "schemes/cp1252.h"
#include "schemes/maschere.h"
#include "schemes/numeri.h"
#include "schemes/schema.h"

namespace lumetto::acquisition {

namespace {

// The text of a value in the block. The experiments the design gives a
// format keep it: right-aligned in 7 characters with their decimals. Every
// other experiment writes each value as the log shows it for the type of its
// column (the design left those cells empty while it said "salvato": lost
// readings): a number as a number, a state as its word ("ON", "apre").
std::string testovalore(const Comando* e, double x, int colonna) {
    if (e && e->formato.progettato) return schemes::scrivireale(x, e->formato.decimali, 7);
    return std::string(schemes::rifila(schemes::formattavalore(
        x, schemes::carattere(schemes::schemacorrente().mascheratipo, colonna))));
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
                cella = testovalore(esperimento(stato.codiceesperimento),
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
    const int n = std::min<int>(stato.letturemostrate, link::kMaxLetture);
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
            riempi(blocco, n, m);
            foglio.Range(nomecella(1, 1), nomecella(n + 1, m + 1)).Value(blocco);
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
