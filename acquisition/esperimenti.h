#pragma once
// The commands of the main window and the experiments they start: one table,
// so the window, the tick and the tests read the same facts.

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace lumetto::acquisition {

enum class Azione {
    Esperimento,        // avviaesperimento with the code, header and mask
    EsperimentoSchema,  // loads the scheme file first, then as above with its header and mask
    Utente,             // code 100 and the acquisition restarted, nothing else
    Servo,              // restarts the acquisition, then the servo panel
    StatoArduino,       // code 100, timer off, then the pin-state panel
    Editor,             // the scheme editor
    Uscita,
    Excel,
    Fine,
    Intervallo,
    Grafico,  // the plot window, non-modal
    Nessuna,  // a button with no command bound
};

struct Comando {
    std::string_view controllo;  // component name, the control's objectName
    std::string_view didascalia;
    std::string_view gestore;  // handler name
    Azione azione = Azione::Nessuna;
    int16_t codice = 0;
    std::string_view testata = {};
    std::string_view maschera = {};
    std::string_view fileschema = {};  // drive-letter path, for scheme experiments
    bool sovrapposizione = false;      // shown over the plant picture (codes 5 and 6)
};

// The left column from top to bottom, then the right column, as laid out.
const std::vector<Comando>& comandi();
const Comando* comando(std::string_view controllo);

// The letter a code sends to the board; nothing for codes without one.
std::optional<char> letteradicodice(int codice);

}  // namespace lumetto::acquisition
