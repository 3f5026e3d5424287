#pragma once
// A run as a CSV file for other programs (Python, R, LibreOffice, plotting
// tools): RFC 4180, UTF-8, comma, decimal point, a header row, then one row
// a reading with its number, its seconds from the start and its values.

#include <string>
#include <vector>

#include "archive/archivio.h"

namespace lumetto::archivio {

// A column of the file: the reading's value column (1 to 13), its name and
// unit (UTF-8).
struct ColonnaCsv {
    int indice = 1;
    std::string nome;
    std::string unita{};  // empty: none
};

// The whole file: "lettura,secondi,<titles>" and a row per reading; a
// column's title is "temp [°C]", or its name alone without a unit. A value
// the reading does not hold is an empty field. Lines end with CR LF.
std::string testocsv(const std::vector<ColonnaCsv>& colonne, const std::vector<Lettura>& letture);

// A field as RFC 4180 writes it: quoted where it holds a comma, a quote or
// a line end, its quotes doubled.
std::string campocsv(const std::string& testo);

}  // namespace lumetto::archivio
