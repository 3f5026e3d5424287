#pragma once
// The reading table: row r holds reading r of the current run, column j the
// value of field j of its reply. Allocated once, zero at start, never cleared.

#include <array>
#include <cstdint>

namespace lumetto::link {

inline constexpr int kMaxLetture = 1000;
inline constexpr int kColonne = 13;

// Rows 0 to 1000, columns 1 to 13 (the 1-based numbers of the design; index 0
// of a row is never used).
using TabellaLetture = std::array<std::array<double, kColonne + 1>, kMaxLetture + 1>;
extern TabellaLetture tabellaletture;

// The number of the reading being taken: 0 before the first, then 1, 2, ...
extern int32_t numerolettura;

}  // namespace lumetto::link
