#pragma once
// An in-process spreadsheet application offering the automation members that
// the export calls ("Excel.Application": Visible, Workbooks, Workbooks.Add,
// WorkSheets, Name, Range, Value, NumberFormat, SaveAs, DisplayAlerts, Quit), so that the
// export reads as the designed call sequence. SaveAs writes a genuine Excel
// 97-2003 workbook.
//
// Assigning a block of values to a range converts each value as a
// spreadsheet does when values are assigned to it:
//   - empty value or empty text: the cell is left empty;
//   - a number: a number cell;
//   - a text that, once leading and trailing blanks are trimmed, is a decimal
//     number (optional sign, digits with an optional point, optional
//     exponent): a number cell. The point is the decimal separator whatever
//     the user's locale: the program writes its numbers with a point, and
//     taking the locale's comma instead would turn "23.5" into a text for an
//     Italian user. A comma makes no number ("23,5" stays a text), so a text
//     is never misread as a number with thousands separators;
//   - any other text: a text cell, kept as it is, blanks included.
// Texts are UTF-8. Number cells keep the "General" format unless a range is
// given a NumberFormat ("0.0"); either way the user's spreadsheet shows them
// with its own decimal separator.
//
// Every member call is recorded, in the form "Object.Member(arguments)", in
// the register set with impostaregistro (tests check the sequence). A member
// that cannot do its work throws xls::Errore with a sentence for the error box.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "xls/biff8.h"
#include "xls/errore.h"

namespace lumetto::acquisition {

inline constexpr int16_t xlWBATWorksheet = -4167;  // Workbooks.Add: one worksheet
inline constexpr std::string_view kNomeFoglioNuovo = "Foglio1";

// A value of the block: empty, text (UTF-8), 32-bit integer or real.
using Variante = std::variant<std::monostate, std::string, int32_t, double>;

// A two-dimensional block of values, rows and columns from 0.
class Blocco {
  public:
    Blocco(std::size_t righe, std::size_t colonne)
        : righe_(righe), colonne_(colonne), valori_(righe * colonne) {}
    Variante& operator()(std::size_t r, std::size_t c) { return valori_.at(r * colonne_ + c); }
    const Variante& operator()(std::size_t r, std::size_t c) const {
        return valori_.at(r * colonne_ + c);
    }
    std::size_t righe() const { return righe_; }
    std::size_t colonne() const { return colonne_; }

  private:
    std::size_t righe_, colonne_;
    std::vector<Variante> valori_;
};

// Where member calls are recorded; none by default.
void impostaregistro(std::vector<std::string>* registro);

// Whether a sheet name is allowed: 1 to 31 characters, none of : \ / ? * [ ],
// not starting or ending with an apostrophe. Nothing when it is, else why not.
std::optional<std::string> nomefoglioerrato(std::string_view nome);

struct Sessione;

// A cell reference such as "A1" or "IV65536" (letters in either case),
// 0-based; nothing when the text is no such reference.
std::optional<xls::Posizione> cella(std::string_view riferimento);

class Intervallo {
  public:
    // Value = block: the block's top-left value lands in the range's top-left
    // cell; values outside the range are dropped. A block smaller than the
    // range is refused, with nothing changed.
    void Value(const Blocco& blocco);
    // NumberFormat = code: how the range's number cells are shown ("0.0",
    // "0.000"); their values stay as they are.
    void NumberFormat(std::string_view codice);

  private:
    friend class Foglio;
    Intervallo(std::shared_ptr<Sessione> s, std::size_t cartella, xls::Posizione da,
               xls::Posizione a)
        : s_(std::move(s)), cartella_(cartella), da_(da), a_(a) {}
    std::shared_ptr<Sessione> s_;
    std::size_t cartella_;
    xls::Posizione da_, a_;
};

class Foglio {
  public:
    void Name(std::string_view nome);  // property put: the name is checked
    std::string Name() const;          // property get
    // The range between two cells, given in either order.
    Intervallo Range(std::string_view da, std::string_view a);
    // Cells(row, column).Value, 1-based: nothing for an empty cell.
    std::optional<xls::ValoreCella> Cells(int32_t riga, int32_t colonna) const;

  private:
    friend class Cartella;
    Foglio(std::shared_ptr<Sessione> s, std::size_t cartella)
        : s_(std::move(s)), cartella_(cartella) {}
    std::shared_ptr<Sessione> s_;
    std::size_t cartella_;
};

class Cartella {
  public:
    Foglio WorkSheets(int32_t indice);  // 1-based; a new workbook has one sheet
    // Saves under exactly this name (no extension added), replacing a file
    // of that name only once the new one is wholly written.
    void SaveAs(const std::string& nomefile);

  private:
    friend class Cartelle;
    friend class Applicazione;
    Cartella(std::shared_ptr<Sessione> s, std::size_t indice) : s_(std::move(s)), indice_(indice) {}
    std::shared_ptr<Sessione> s_;
    std::size_t indice_;
};

class Cartelle {
  public:
    Cartella Add(int16_t modello);  // only xlWBATWorksheet

  private:
    friend class Applicazione;
    explicit Cartelle(std::shared_ptr<Sessione> s) : s_(std::move(s)) {}
    std::shared_ptr<Sessione> s_;
};

class Applicazione {
  public:
    ~Applicazione();  // the release: workbooks never saved are dropped
    Applicazione(const Applicazione&) = delete;
    Applicazione& operator=(const Applicazione&) = delete;

    void Visible(bool visibile);
    Cartelle Workbooks();                // method call: the collection
    Cartella Workbooks(int32_t indice);  // property get, 1-based
    void DisplayAlerts(bool avvisi);
    void Quit();  // closes every workbook unsaved; later calls fail

  private:
    friend std::unique_ptr<Applicazione> creaoggetto(std::string_view);
    Applicazione();
    std::shared_ptr<Sessione> s_;
};

// Creates the object of the program identifier: "Excel.Application" only.
std::unique_ptr<Applicazione> creaoggetto(std::string_view identificativo);

// UTF-8 to UTF-16; a malformed sequence becomes U+FFFD. And back.
std::u16string utf16(std::string_view utf8);
std::string utf8(std::u16string_view utf16);

}  // namespace lumetto::acquisition
