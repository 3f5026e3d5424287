#pragma once
// The workbook stream of an Excel 97-2003 file (BIFF8) with its worksheets:
// the records a reader needs to open it silently, numbers as NUMBER records,
// texts in the shared string table.

#include <compare>
#include <cstdint>
#include <map>
#include <string>
#include <variant>
#include <vector>

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

// A number format ("0.0", "0.000": the codes of Excel, with a point whatever
// the reader's locale) for the number cells of a range, corners included.
// Where ranges overlap the later one holds; other cells keep "General".
struct FormatoNumeri {
    Posizione da, a;
    std::u16string codice;
};
using Formati = std::vector<FormatoNumeri>;
inline constexpr std::size_t kMaxFormati = 200;  // distinct codes in a workbook
inline constexpr std::size_t kMaxCaratteriFormato = 255;

// The whole workbook stream. Throws Errore for a cell outside the sheet, a
// text longer than a cell holds, a number that is not finite, a sheet name
// longer than 31 characters (the object checks names before they get here),
// or a format code that is empty or too long, or too many of them.
std::string flussobiff8(const std::u16string& nomefoglio, const Celle& celle,
                        const Formati& formati = {});

// A workbook of several sheets, in order (the first one open), their texts
// in one shared table. Names must also differ from each other.
struct Foglio {
    std::u16string nome;
    Celle celle;
    Formati formati;
};
std::string flussobiff8(const std::vector<Foglio>& fogli);

}  // namespace lumetto::xls
