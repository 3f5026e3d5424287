#pragma once
// Reply frames of the board cut into fields, and fields turned into numbers,
// exactly as the program has always read them: the boards in the labs were
// written against this reading, quirks included.

#include <array>
#include <limits>
#include <string>
#include <string_view>

namespace lumetto::link {

inline constexpr int kMaxCampi = 12;
inline constexpr size_t kMaxCaratteriCampo = 20;

// Fields 1 to 12 of a reply (index 0 is field 1). A field is a run of number
// characters ("-", ".", digits) or of status letters ("H", "L", "S"); a blank,
// a change between the two kinds, or a run of 6 characters ends it; any other
// character is skipped. From field 12 on, everything goes to field 12.
std::array<std::string, kMaxCampi> dividicampi(std::string_view testo);

// A value the board did not give (a field missing from the frame, or one
// without a digit): NaN, which the archive keeps as NULL and the log, the
// plot and the export show as nothing.
inline constexpr double kMancante = std::numeric_limits<double>::quiet_NaN();

// The value of a field: "HHHHHH" 1, "LLLLLL" 0, "SSSSSS" 2; otherwise a decimal
// number with the point, whatever the locale. A field that is not a whole
// number gives the digits read before the first unusable character, as a whole
// number without sign or point ("1.2.3" gives 12); one without any digit (empty,
// "HHHH", "-") or too large for a double is missing (kMancante).
double valorecampo(std::string_view campo);

}  // namespace lumetto::link
