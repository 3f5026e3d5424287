#pragma once
// The free stream: bytes a board prints on its own cut into lines, lines read
// as the Arduino IDE's Serial Plotter reads them, and the check that the bytes
// heard at one baud are text at all. Plain C++: no port, no clock, no Qt.

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "link/letture.h"

namespace lumetto::link {

// The longest line kept; a longer one is dropped whole.
inline constexpr std::size_t kMaxRiga = 4096;
// Characters of a dropped line quoted in a message.
inline constexpr std::size_t kMaxCitazione = 40;

// Why a line gives no reading.
enum class Scarto {
    nessuno,
    troppolunga,  // over kMaxRiga bytes before its line end
    rumore,       // control characters or invalid UTF-8: not text
    illeggibile,  // text, but neither a reading nor a row of names
};

// Lines from bytes in any chunking. LF, CR LF and a lone CR each end a line
// (CR LF once, even when the chunk ends between them); the terminator is not
// part of the line. Holds at most kMaxRiga bytes of an unfinished line. Bytes
// that are not text at the very start of the stream (what a port often gives
// as it opens) are dropped from the first line; anywhere else they make their
// line noise.
class Righe {
  public:
    struct Riga {
        // The line, noise and all; of a too long one, its first kMaxRiga bytes.
        std::string_view testo;
        Scarto scarto;  // nessuno, troppolunga or rumore
    };

    Righe();

    // Gives every line that ends within `dati` to `fatta`, in order; `testo`
    // lives until `fatta` returns.
    void aggiungi(std::string_view dati, const std::function<void(const Riga&)>& fatta);

    // The stream is joined halfway through a line (after listening for the
    // baud, or on a board that was already printing): bytes up to the next
    // line end are dropped silently, so a cut label makes no column.
    void saltaprima();

    // Bytes of the unfinished line held so far.
    std::size_t inattesa() const { return riga_.size(); }
    std::size_t capienza() const { return riga_.capacity(); }

  private:
    void chiudi(const std::function<void(const Riga&)>& fatta);

    std::string riga_;
    bool lunga_ = false;   // the current line ran past kMaxRiga
    bool dopoCR_ = false;  // an LF now belongs to the CR just seen
    bool salta_ = false;   // the current line is the cut one saltaprima drops
    bool prima_ = true;    // no line has ended yet in this stream
};

// Whether `testo` is text: printable characters, tab, valid UTF-8 outside the
// control ranges (C0, DEL, C1).
bool etesto(std::string_view testo);

// The start of a line as a message can quote it: at most kMaxCitazione
// characters, "…" when cut, a tab as a blank, and U+FFFD for anything that
// is not text.
std::string citazione(std::string_view riga);

// What a field's value is.
enum class Genere { numero, mancante, vuoto, parola };

struct Valore {
    Genere genere = Genere::vuoto;
    double numero = 0;     // for numero: always finite
    bool virgola = false;  // read through a decimal comma
};

// A field's value: a decimal number with the point (or with a decimal comma
// when `virgola`), optional sign and exponent, whatever the locale. nan, inf,
// ovf (what Arduino's print gives) and what a double cannot hold are missing;
// a number too small for one is zero.
Valore leggivalore(std::string_view testo, bool virgola = false);

// One reading: value j belongs to column j of Flusso::colonne(); NaN where
// missing (and past the last column).
using Lettura = std::array<double, kColonne>;
inline constexpr Lettura kLetturaVuota = [] {
    Lettura l{};
    l.fill(std::numeric_limits<double>::quiet_NaN());
    return l;
}();

struct Esito {
    enum class Tipo { vuota, intestazione, lettura, scartata };
    Tipo tipo = Tipo::vuota;
    Scarto scarto = Scarto::nessuno;  // why, for scartata
    Lettura valori = kLetturaVuota;   // for lettura
};

// Counters over a run.
struct ContoFlusso {
    int64_t righe = 0;  // lines that were not blank
    int64_t letture = 0;
    int64_t intestazioni = 0;  // rows of names
    int64_t troppolunghe = 0;  // lines dropped, by why
    int64_t rumore = 0;
    int64_t illeggibili = 0;
    int64_t mancanti = 0;       // values nan, inf, ovf, empty or not a number
    int64_t oltrecolonne = 0;   // values dropped for a column past the 13th
    int64_t ripetuti = 0;       // values dropped for a column already in their line
    int64_t virgole = 0;        // values written with a decimal comma
    std::string primascartata;  // citazione() of the first dropped line

    int64_t scartate() const { return troppolunghe + rumore + illeggibili; }
};

// Lines read as the Serial Plotter reads them, into the columns of one run.
//
// Fields are separated by commas and runs of blanks; in a line holding a
// semicolon or a tab, by semicolons and by runs of blanks holding a tab, and a
// comma inside a field is a decimal comma. A field is "label:value" (label
// before the last ':', blanks around ':' ignored; in a comma-separated line of
// labelled fields a label may hold blanks, and so may it in a line without
// commas where words run straight into it) or a bare value; in a comma-separated
// line of labelled fields, digits right after a labelled whole number are its
// decimals ("temp:21,5"). A line of words names positions; a bare value at
// position k goes to the column the last such line named k, else to "valore
// k". Columns come in order of first sight, at most kColonne; the same name is
// always the same column. Words among values, or labels with no value, make a
// line unreadable.
class Flusso {
  public:
    // One line without its terminator.
    Esito riga(std::string_view riga);

    // Bytes as they come: every line ending within them that is not blank
    // gives its Esito to `fatto`, in order (lines too long or not text too,
    // as scartata).
    void aggiungi(std::string_view dati, const std::function<void(const Esito&)>& fatto);

    // See Righe::saltaprima.
    void saltaprima() { righe_.saltaprima(); }

    const std::vector<std::string>& colonne() const { return colonne_; }
    // The names the last row of names gave, by position (empty: none there).
    const std::vector<std::string>& intestazione() const { return intestazione_; }
    const ContoFlusso& conto() const { return conto_; }
    const Righe& righe() const { return righe_; }

  private:
    struct Campo {
        std::string_view etichetta;
        std::string_view valore;
        std::string_view decimali;  // digits after a decimal comma that split the field
        bool etichettato = false;
        Valore letto;
    };

    void campi(std::string_view riga);
    void campo(std::string_view testo);
    void percomma(std::string_view riga);
    void unisciparole();
    Esito scarta(Scarto perche, std::string_view riga);
    int colonna(std::string_view nome);

    Righe righe_;
    std::vector<std::string> colonne_;
    std::vector<std::string> intestazione_;
    // Of the line being read, kept to spare allocations.
    std::vector<Campo> campi_;
    std::vector<std::string_view> parti_;
    std::array<char, 32> nome_{'v', 'a', 'l', 'o', 'r', 'e', ' '};  // "valore k"
    ContoFlusso conto_;
};

// What a run dropped, as the Italian sentence the user reads once, e.g.
// «12 righe scartate: 3 troppo lunghe, 9 illeggibili (la prima: "Temperatura
// = 21.5 C")»; empty when nothing was dropped.
std::string testoscarti(const ContoFlusso& conto);
// The run's missing values, said once; empty when none.
std::string testomancanti(const ContoFlusso& conto);
// That the board writes a decimal comma; empty when it never did.
std::string testovirgola(const ContoFlusso& conto);

// Whether the bytes heard in a short listen at one baud look like lines of
// text. At a wrong baud a UART delivers framing garbage: high bytes, NULs, no
// line ends. Start listening as the port opens (which resets most boards, so
// the line idles before their first byte), or long enough to span a rest
// between lines: a UART that joins a stream printed back to back in the middle
// of a byte can keep a wrong start bit at the right baud too.
enum class Ascolto {
    testo,   // mostly text, and at least one whole line between two line ends
    rumore,  // not text: try another baud
    pochi,   // nothing decisive yet (too few bytes, no whole line): listen longer
};
Ascolto valutaascolto(std::string_view dati);

}  // namespace lumetto::link
