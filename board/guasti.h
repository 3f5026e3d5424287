#pragma once
// The faults the virtual board plays on demand (--guasto): those of a board
// that answers letters, and those of the free-stream sketch's lines.

#include <optional>
#include <string>

namespace lumetto::scheda {

enum class Guasto {
    Nessuno,
    Muto,     // never answers
    Lento,    // answers late
    Perde,    // drops one character of every reply
    Storpia,  // garbles one field of every reply
    Inonda,   // sends characters all the time
    // The free stream's, each on some of its lines:
    Lunga,     // a line over 4 KiB (the line end forgotten for a while)
    Rumore,    // binary noise before the line
    Manca,     // a value missing ("temp:")
    Nan,       // a value that is no number ("temp:nan", as Arduino prints it)
    Virgola,   // a decimal comma ("temp:21,50")
    Silenzio,  // the board stops speaking for a while
};

// The name used on the command line ("muto", ...), and back.
const char* nomeGuasto(Guasto g);
std::optional<Guasto> guastoDaNome(const std::string& nome);
// Whether the fault is one of the free stream's lines (the others are of replies).
bool guastoDelFlusso(Guasto g);

}  // namespace lumetto::scheda
