// The command line; see opzioni.h.

#include "app/opzioni.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "acquisition/esperimenti.h"
#include "acquisition/libero.h"
#include "app/versione.h"

namespace lumetto {

namespace {

constexpr const char* kAiuto =
    "Uso: lumetto [OPZIONE]\n"
    "Esperimenti di laboratorio con una scheda Arduino sulla porta seriale:\n"
    "ogni lettura nel registro, sull'immagine dell'impianto e nel grafico.\n"
    "\n"
    "  --esperimento NOME  avvia subito l'esperimento, trovata la scheda\n"
    "                      (NOME come sul pulsante: sonar, termostato,\n"
    "                      regolazione-pi, ...; l'elenco con --esperimento ?),\n"
    "                      uno dei tuoi (il suo nome o il suo file .toml)\n"
    "                      o \"libero\" per una scheda che scrive da sola\n"
    "  --baud N            la velocità dell'esperimento libero (9600, 19200,\n"
    "                      38400, 57600, 115200); senza, la trova ascoltando\n"
    "  --diagnostica[=FILE]  scrive il registro diagnostico per un tecnico\n"
    "                      (il motivo tecnico di ogni avviso) sullo standard\n"
    "                      error o, con FILE, in fondo a quel file\n"
    "  --help              mostra questo aiuto ed esce\n"
    "  --version           mostra la versione ed esce\n"
    "\n"
    "Senza opzioni si apre la finestra principale, che cerca la scheda sulle\n"
    "porte COM1-COM18 (i collegamenti in ~/.lumetto/dosdevices). Senza una\n"
    "scheda, lumetto-scheda ne fa una virtuale.\n"
    "\n"
    "Le corse sono conservate in ~/.local/share/lumetto/lumetto.sqlite.\n"
    "La guida si apre con F1 in ogni finestra.\n";

bool avviabile(const acquisition::Comando& c) {
    return c.azione == acquisition::Azione::Esperimento ||
           c.azione == acquisition::Azione::EsperimentoSchema ||
           c.azione == acquisition::Azione::Utente || c.azione == acquisition::Azione::Libero;
}

// A teacher's experiment named on the command line: a file, or the name of
// one in the teacher's or the school's folder. An error is the file's own.
bool cercamio(const std::string& nome, Opzioni& o) {
    namespace fs = std::filesystem;
    std::error_code ec;
    if (nome.ends_with(".toml") || fs::is_regular_file(nome, ec)) {
        o.mio = acquisition::caricaesperimento(nome);
        o.fileesperimento = fs::absolute(nome, ec).string();
        return true;
    }
    for (const auto& v : acquisition::elencaesperimenti()) {
        if (!v.esperimento || nomeopzione(v.esperimento->nome) != nomeopzione(nome)) continue;
        o.mio = v.esperimento;
        o.fileesperimento = v.file.string();
        return true;
    }
    return false;
}

std::string elencoesperimenti() {
    std::string t;
    for (const auto& c : acquisition::comandi())
        if (avviabile(c)) t += "  " + nomeopzione(c.didascalia) + "\n";
    return t;
}

}  // namespace

std::string nomeopzione(std::string_view didascalia) {
    std::string n;
    bool trattino = false;
    for (unsigned char c : didascalia) {
        if (std::isalnum(c)) {
            if (trattino && !n.empty()) n += '-';
            n += static_cast<char>(std::tolower(c));
            trattino = false;
        } else {
            trattino = true;
        }
    }
    return n;
}

Opzioni leggiopzioni(const std::vector<std::string>& argomenti) {
    Opzioni o;
    for (std::size_t i = 0; i < argomenti.size(); ++i) {
        const std::string& a = argomenti[i];
        if (a == "--esperimento" || a.rfind("--esperimento=", 0) == 0) {
            std::string nome;
            if (a.size() > 13) {
                nome = a.substr(14);
            } else if (i + 1 < argomenti.size()) {
                nome = argomenti[++i];
            }
            for (const auto& c : acquisition::comandi())
                if (avviabile(c) && nomeopzione(c.didascalia) == nomeopzione(nome))
                    o.esperimento = c.controllo;
            // "libero" is the free stream's button, "esperimento libero".
            if (nomeopzione(nome) == "libero") o.esperimento = "BitBtn35";
            if (o.esperimento.empty()) {
                try {
                    if (cercamio(nome, o)) continue;
                } catch (const acquisition::ErroreEsperimento& e) {
                    o.azione = Opzioni::Azione::Errore;
                    o.testo = std::string("lumetto: ") + e.what() + "\n";
                    o.esito = 2;
                    return o;
                }
                o.azione = Opzioni::Azione::Errore;
                o.testo = "lumetto: esperimento sconosciuto «" + nome +
                          "»; gli esperimenti sono:\n" + elencoesperimenti();
                o.esito = 2;
                return o;
            }
            continue;
        }
        if (a == "--baud" || a.rfind("--baud=", 0) == 0) {
            std::string n = a.size() > 6               ? a.substr(7)
                            : i + 1 < argomenti.size() ? argomenti[++i]
                                                       : "";
            const auto& ammessi = acquisition::kBaudLiberi;
            const auto it = std::find_if(ammessi.begin(), ammessi.end(),
                                         [&](uint32_t b) { return std::to_string(b) == n; });
            if (it == ammessi.end()) {
                o.azione = Opzioni::Azione::Errore;
                o.testo = "lumetto: velocità «" + n +
                          "» non ammessa; le velocità sono 9600, 19200, 38400, 57600, 115200\n";
                o.esito = 2;
                return o;
            }
            o.baud = *it;
            continue;
        }
        if (a == "--diagnostica" || a.rfind("--diagnostica=", 0) == 0) {
            o.diagnostica = a.size() > 13 ? a.substr(14) : "";
            if (o.diagnostica->empty() && a.size() > 13) {
                o.azione = Opzioni::Azione::Errore;
                o.testo = "lumetto: --diagnostica= senza il nome del file\n";
                o.esito = 2;
                return o;
            }
            continue;
        }
        if (a == "--help" || a == "-h") {
            o.azione = Opzioni::Azione::Aiuto;
            o.testo = kAiuto;
            return o;
        }
        if (a == "--version" || a == "-V") {
            o.azione = Opzioni::Azione::Versione;
            o.testo = std::string("lumetto ") + kVersione +
                      "\nLicenza GPL-3.0-or-later: software libero, senza alcuna garanzia.\n";
            return o;
        }
        o.azione = Opzioni::Azione::Errore;
        o.testo = "lumetto: opzione non riconosciuta «" + a + "»\nPer l'aiuto: lumetto --help\n";
        o.esito = 2;
        return o;
    }
    return o;
}

}  // namespace lumetto
