#pragma once
// The commands of the main window and the experiments they start: one table,
// so the window, the tick and the tests read the same facts.

#include <cstdint>
#include <optional>
#include <span>
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
    Grafico,         // the plot window, non-modal
    MioEsperimento,  // the teacher's own experiments: a list to start, make, edit
    Libero,          // the free stream: a board that speaks first
    Nessuna,         // a button with no command bound
};

// How "->EXCEL" writes a value: the design's fixed format (right-aligned in
// 7 characters with these decimals) for four experiments, else as the log
// shows it for the column's type.
struct FormatoEsportazione {
    bool progettato = false;
    int decimali = 0;
};

// A fault the board's own sketch finds in a sensor and reports in its frame
// after switching off the output that depends on it: field `campo` (from 1)
// holds `valore` (-9999, the end of the scale, for a sensor with no plausible
// reading; 2, SSSSSS, for an output stopped). Told once a run with `testo`.
struct GuastoSensore {
    int campo = 0;
    double valore = 0;
    std::string_view testo;
};

// Every fact about a command and the experiment it starts, in one row: the
// tick, the export, the panels, the plot and the tests of the boards read
// them here. Rows sharing a code share its facts.
struct Comando {
    std::string_view controllo;  // component name, the control's objectName
    std::string_view didascalia;
    std::string_view gestore;  // handler name
    Azione azione = Azione::Nessuna;
    int16_t codice = 0;
    char lettera = 0;  // what each tick sends; 0: the ticks send nothing
    std::string_view testata = {};
    std::string_view maschera = {};
    // The unit of each column, "|" between them, empty where a column has
    // none or its meaning is not certain (states, counts): "°C|%|°C|".
    std::string_view unita = {};
    std::string_view fileschema = {};  // drive-letter path, for scheme experiments
    bool sovrapposizione = false;      // shown over the plant picture (the overlay)
    bool divididopo = false;           // the header split again after the overlay's preparation
    bool registroinpannello = false;   // the pin-state panel keeps its lines in the log
    std::string_view foglio = {};      // the export's sheet name; empty: the default
    FormatoEsportazione formato = {};
    std::string_view sketch = {};                // the virtual board's sketch that answers it
    std::string_view esempio = {};               // the Lumetto library's sketch for a real board
    std::span<const GuastoSensore> guasti = {};  // what its sketch reports of a failed sensor
};
// The left column from top to bottom, then the right column, as laid out.
const std::vector<Comando>& comandi();
const Comando* comando(std::string_view controllo);

// The row of the experiment of a code: of the rows that share the code, the
// one with that header where there is one, else the first; none for a code
// that no button starts (0, before any).
const Comando* esperimento(int codice, std::string_view testata = {});

// The letter a code sends to the board; nothing for codes without one.
std::optional<char> letteradicodice(int codice);

}  // namespace lumetto::acquisition
