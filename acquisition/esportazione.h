#pragma once
// "->EXCEL": the readings of the run handed to the spreadsheet object as one
// block of values and saved as an Excel 97-2003 workbook where the user says.

#include <cstdint>
#include <string>

namespace lumetto::acquisition {

enum class Esportazione {
    salvata,    // the file is written and the message shown
    annullata,  // the save dialog was cancelled: no file, no message
    fallita,    // the error box has been shown; nothing was written
};

// The block holds letturemostrate + 1 rows (titles, then the readings) and
// m + 2 columns; it lands from A1 to the cell of row n + 1 and column m + 1.
// With an empty file name the save dialog asks for one; a name without an
// extension gets ".xls". The window zeroes the reading counters afterwards
// unless the export failed.
//
// A teacher's experiment and the free stream write their own columns: the
// whole names with units over them ("temp [°C]"), each column with its
// decimals; a free run of more readings than a sheet holds writes the first
// kMaxRigheFoglio - 1 and says where the others are.
Esportazione esportafoglio(const std::string& nomefile, uint16_t m);
inline constexpr int kMaxRigheFoglio = 65536;

// The name of a cell: the column's letter (A for 1 ... Z for 26) and the row
// in decimal. A column outside 1 to 26 has no letter and gives '?', a name
// that no sheet accepts.
std::string nomecella(int32_t riga, int32_t colonna);

}  // namespace lumetto::acquisition
