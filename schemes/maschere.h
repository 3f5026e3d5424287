#pragma once
// What the mask characters of a scheme mean, the value texts, and the logic
// conditions that mark a value as high, low or in a given state.

#include <cstdint>
#include <string>
#include <string_view>

#include "schemes/schema.h"

namespace lumetto::schemes {

struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

// The text of a value by type character, with the decimal point whatever the
// locale: '1' one decimal, '3' three, right-aligned in 6 and never cut; '2'
// " OFF  ", " ON   ", " Halt " and '4' "chiude", "apre  ", "Halt  " for exactly
// 0, 1 and 2. Any other value of '2' and '4', and any other type character,
// gives the '1' text, so that a number is never hidden. A missing value (NaN)
// is six blanks.
std::string formattavalore(double x, char tipo);
// Whether a type character is a state's ('2' OFF/ON, '4' chiude/apre).
inline bool tipostato(char tipo) {
    return tipo == '2' || tipo == '4';
}

// Colour code '0'..'3' (black, red, blue, green) and size code '0'..'2' (14,
// 16, 18 points); any other character, or a mask shorter than i, gives black
// and 14 points.
Rgb colore(char codice);
Rgb coloremaschera(std::string_view maschera, int i);
int dimensione(char codice);
int dimensionemaschera(std::string_view maschera, int i);

// The words of the examine report. A character outside the table gets the word
// of what the program does with it: the '1' text, black, 14 points.
std::string_view parolatipo(char codice);
std::string_view parolacolore(char codice);
std::string_view paroladimensione(char codice);

// Evaluates the conditions of the scheme that name variable v against its
// value: 2 if one marks it low, else 1 if one marks it high, else 0. Each
// condition that names v rewrites descrizionecondizione, so the last one in
// slot order describes it. An '=' with an operand that is no keyword, and a
// '>' or '<' whose operand is not a number, never hold.
int valutacondizioni(Schema& s, int v, double valore);
int valutacondizioni(int v, double valore);  // on the current scheme
// The same result, the scheme left as it is (the plot, which only reads).
int esitocondizioni(const Schema& s, int v, double valore);

}  // namespace lumetto::schemes
