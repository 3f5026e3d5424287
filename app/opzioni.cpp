// The command line; see opzioni.h.

#include "app/opzioni.h"

#include <cctype>

#include "acquisition/esperimenti.h"
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
    "                      regolazione-pi, ...; l'elenco con --esperimento ?)\n"
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
           c.azione == acquisition::Azione::Utente;
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
            if (o.esperimento.empty()) {
                o.azione = Opzioni::Azione::Errore;
                o.testo = "lumetto: esperimento sconosciuto «" + nome +
                          "»; gli esperimenti sono:\n" + elencoesperimenti();
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
