#pragma once
// The columns of a run as people read them: whole names, units and the
// decimals shown, for the log, the plot, the analysis, the exports, the
// archive and the class. The reading table keeps numbers only.

#include <string>
#include <string_view>
#include <vector>

namespace lumetto::acquisition {

struct Comando;

struct Colonna {
    std::string nome;   // UTF-8, whole ("temp", "Stato", "luce esterna")
    std::string unita;  // UTF-8; empty: none, or not certain
    int decimali = -1;  // shown; -1: the type mask's own text
    char tipo = '1';    // of the type mask: '2' and '4' are states
    friend bool operator==(const Colonna&, const Colonna&) = default;
};

// "temp [°C]", or the name alone when it has no unit.
std::string titolocolonna(const Colonna& c);
// "temp [°C]" with its unit, "temp" without: a column of `colonne`, from 1;
// "C3" past them.
std::string titolocolonna(const std::vector<Colonna>& colonne, int i);

// The columns of a built-in experiment, of a scheme's or of "Utente": one
// per whole field of its header (Windows-1252), at most 12, named by the
// whole field; a unit where the experiment's row gives one, and for a scheme
// experiment where the column's name is one of its default plant's.
std::vector<Colonna> colonneprogettate(std::string_view testata, std::string_view maschera,
                                       const Comando* c);

// The current scheme's header and type mask for columns named whole (a
// teacher's, a free run's): six characters a column, each name in
// Windows-1252 cut to them and filled with dots, for those who read the
// header (the frame's length, the overlay, older readers of the archive).
void intestaschema(const std::vector<Colonna>& colonne);

}  // namespace lumetto::acquisition
