#pragma once
// The program's command line: --help and --version, in Italian; nothing
// else, so that a mistyped option is said rather than ignored.

#include <string>
#include <vector>

namespace lumetto {

struct Opzioni {
    enum class Azione { Avvia, Aiuto, Versione, Errore } azione = Azione::Avvia;
    std::string testo;  // what to print (on standard output, or standard error for Errore)
    int esito = 0;      // the exit status when the program does not start
};

// The arguments after the program's name.
Opzioni leggiopzioni(const std::vector<std::string>& argomenti);

}  // namespace lumetto
