#pragma once
// A UTF-8 TOML text rewritten in ASCII with the same meaning, so that toml++
// 3.3 never meets a non-ASCII character. Asked whether such a character is
// blank (after a value, in a key, after a line-ending backslash...), 3.3
// reaches __builtin_unreachable for most of them (è, °, Greek, Cyrillic):
// undefined behaviour, found by fuzzing, fixed only in later versions.
//
// Non-ASCII characters in "..." and """...""" strings become \u escapes; a
// '...' or '''...''' string holding one becomes the same string in double
// quotes; in a comment they become 'x'; anywhere else (always an error in
// TOML) a control character, which toml++ refuses where it stands. Lines are
// kept; columns, counted in characters from 1, are mapped back.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lumetto::acquisition {

// The code points of a UTF-8 text; none where it is not UTF-8 (overlong
// forms, surrogates, beyond U+10FFFF, a sequence cut short).
std::optional<std::u32string> puntiutf8(std::string_view t);

class TestoAscii {
  public:
    // `originale` must not hold a byte-order mark (toml++ skips one; so does
    // the caller).
    explicit TestoAscii(std::string_view originale);

    // Where the original is not UTF-8 (line 0: it is).
    int rigaerrata() const { return rigaerrata_; }
    int colonnaerrata() const { return colonnaerrata_; }

    const std::string& testo() const { return testo_; }
    // The original's column of a character of testo() on line `riga`.
    int colonna(int riga, int colonnaascii) const;
    // The character (UTF-8) that stood outside any string or comment at
    // (riga, colonna) of the original; empty when none did.
    std::string fuoriposto(int riga, int colonna) const;

  private:
    struct Spostamento {
        int riga, ascii, lunghezza, originale;  // columns; lunghezza in testo()
    };
    struct Fuori {
        int riga, colonna;
        std::string carattere;
    };
    std::string testo_;
    std::vector<Spostamento> spostamenti_;
    std::vector<Fuori> fuori_;
    int rigaerrata_ = 0, colonnaerrata_ = 0;
};

}  // namespace lumetto::acquisition
