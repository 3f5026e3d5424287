#pragma once
// The program's command line: --help, --version, the experiment to start
// once the board is found and the diagnostic log, in Italian; nothing else, so that a mistyped
// option is said rather than ignored.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "acquisition/mioesperimento.h"

namespace lumetto {

struct Opzioni {
    enum class Azione { Avvia, Aiuto, Versione, Errore } azione = Azione::Avvia;
    std::string testo;  // what to print (on standard output, or standard error for Errore)
    int esito = 0;      // the exit status when the program does not start
    // The control of the experiment to start at once (a desktop launcher, a
    // class demonstration); empty: none.
    std::string esperimento;
    // The free stream's rate (--baud); 0: found by listening.
    uint32_t baud = 0;
    // A teacher's experiment to start at once, read from its file (a path,
    // or the name of one of the teacher's or the school's experiments).
    std::optional<acquisition::MioEsperimento> mio;
    std::string fileesperimento;
    // --diagnostica: the diagnostic log on; its file, or empty for standard
    // error.
    std::optional<std::string> diagnostica;
};

// An experiment's name on the command line: its caption in lower case, every
// run of other characters than letters and digits one "-" ("Regolazione PI "
// is "regolazione-pi", "motore+ encoder" is "motore-encoder").
std::string nomeopzione(std::string_view didascalia);

// The arguments after the program's name.
Opzioni leggiopzioni(const std::vector<std::string>& argomenti);

}  // namespace lumetto
