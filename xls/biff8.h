#pragma once
// The workbook stream of an Excel 97-2003 file (BIFF8) with one worksheet:
// the records a reader needs to open it silently, numbers as NUMBER records,
// texts in the shared string table.

#include <compare>
#include <cstdint>
#include <map>
#include <string>
#include <variant>

namespace lumetto::xls {

inline constexpr uint32_t kRighe = 65536;            // rows of a BIFF8 sheet
inline constexpr uint32_t kColonne = 256;            // columns of a BIFF8 sheet
inline constexpr std::size_t kMaxCaratteri = 32767;  // characters of a cell text

// 0-based, as the file counts.
struct Posizione {
    uint32_t riga = 0;
    uint32_t colonna = 0;
    friend auto operator<=>(const Posizione&, const Posizione&) = default;
};

// A cell holds a number or a text (UTF-16); an empty cell is simply absent.
using ValoreCella = std::variant<double, std::u16string>;
using Celle = std::map<Posizione, ValoreCella>;

// The whole workbook stream. Throws Errore for a cell outside the sheet, a
// text longer than a cell holds, a number that is not finite, or a sheet name
// longer than 31 characters (the object checks names before they get here).
std::string flussobiff8(const std::u16string& nomefoglio, const Celle& celle);

}  // namespace lumetto::xls
