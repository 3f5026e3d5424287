#pragma once
// Numbers in the texts of schemes, always with the decimal point: the program
// runs under the user's locale (Italian: a comma), the files and the
// conditions do not.

#include <optional>
#include <string>
#include <string_view>

namespace lumetto::schemes {

// The value of a text that is wholly a decimal number: blanks, an optional
// sign, digits with an optional point, an optional exponent, blanks. Words
// such as "inf" or "nan" are not numbers. A value beyond the range of a double
// gives an infinity, one too close to zero gives 0. Nothing for anything else.
std::optional<double> leggireale(std::string_view testo);

// x rounded to the given decimals, half away from zero as the number is
// written (23.45 gives 23.5), right-aligned with blanks in front to the given
// width; a longer number keeps all its characters.
std::string scrivireale(double x, int decimali, std::size_t larghezza);

// A text right-aligned with blanks in front to the given width, never cut.
std::string allinea(std::string_view testo, std::size_t larghezza);

// A text without the blanks around it: " ON   " is "ON".
std::string_view rifila(std::string_view testo);

}  // namespace lumetto::schemes
