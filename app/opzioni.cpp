// The command line; see opzioni.h.

#include "app/opzioni.h"

#include "app/versione.h"

namespace lumetto {

namespace {

constexpr const char* kAiuto =
    "Uso: lumetto [OPZIONE]\n"
    "Esperimenti di laboratorio con una scheda Arduino sulla porta seriale:\n"
    "ogni lettura nel registro, sull'immagine dell'impianto e nel grafico.\n"
    "\n"
    "  --help      mostra questo aiuto ed esce\n"
    "  --version   mostra la versione ed esce\n"
    "\n"
    "Senza opzioni si apre la finestra principale, che cerca la scheda sulle\n"
    "porte COM1-COM18 (i collegamenti in ~/.lumetto/dosdevices). Senza una\n"
    "scheda, lumetto-scheda ne fa una virtuale.\n"
    "\n"
    "Le corse sono conservate in ~/.local/share/lumetto/lumetto.sqlite.\n"
    "La guida si apre con F1 in ogni finestra.\n";

}  // namespace

Opzioni leggiopzioni(const std::vector<std::string>& argomenti) {
    Opzioni o;
    for (const std::string& a : argomenti) {
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
