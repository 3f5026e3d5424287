#pragma once
// The free stream: a board that speaks first (any sketch written for the
// Arduino IDE's Serial Plotter, or a teacher's own in that way). The port is
// opened once at 8N1 and the board's rate, or the rate found by listening;
// nothing is sent; every line is one reading, time-stamped as it arrives,
// kept in a store of the run's own (up to 100,000 readings, beyond the
// 1000-row reading table of the other experiments) and handed to the log,
// the archive, the plot and the class like any reading. Timer1 beats once a
// second meanwhile: the search for the rate and the watch for silence.

#include <array>
#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "acquisition/acquisizione.h"
#include "acquisition/mioesperimento.h"
#include "link/righe.h"

namespace lumetto::acquisition {

inline constexpr int16_t kCodiceLibero = 102;  // no button of the table has it
inline constexpr int kMaxLettureLibere = 100000;
inline constexpr std::array<uint32_t, 5> kBaudLiberi{9600, 19200, 38400, 57600, 115200};
inline constexpr int kBattitoMs = 1000;   // Timer1 while the stream runs
inline constexpr int kSilenzioMs = 5000;  // a board quiet this long is told of
inline constexpr std::string_view kNomeLibero = "esperimento libero";
inline constexpr int kRigheRegistroLibero = 5000;  // the log's last rows of a free run

struct LetturaLibera {
    int64_t ms = 0;                              // from the run's start, as it arrived
    link::Lettura valori = link::kLetturaVuota;  // by column of the run, NaN where missing
};

// Starts the free stream on the port chosen in the window: at `baud`, or,
// with 0, at the first of kBaudLiberi whose bytes are lines of text. A
// teacher's experiment gives its columns (names matched to the board's
// labels, or by position for bare values; units, decimals, calibration)
// and its name; without one the columns are named by what the board sends.
// False, after saying why, when the port does not open.
bool avvialibero(uint32_t baud, const MioEsperimento* esperimento = nullptr,
                 const std::string& fileesperimento = {});
// Each beat of Timer1 while the stream runs: the rate search's next step,
// the silence watch, and what was dropped, said once.
void battitolibero();
// The port closed: the run stopped, however it stopped.
void fermalibero();
bool liberoattivo();

// The run's readings so far (reading r is element r - 1).
const std::vector<LetturaLibera>& letturelibere();
// The rate the stream runs at; 0 while it is being looked for.
uint32_t baudlibero();

// Bytes as if from the port, arrived at `quando`: what the port's hand-over
// calls, and tests and the benchmark without a port.
void ricevilibero(std::string_view dati, std::chrono::steady_clock::time_point quando);

// The log's header line and the row of reading r of a free run or of a
// teacher's experiment: whole names with units, each column as wide as its
// title needs, values with the column's decimals (a free column without
// them: as the board wrote it, at most six significant digits).
std::string testatapropria(const std::vector<Colonna>& colonne);
Riga rigapropria(const std::vector<Colonna>& colonne, int r, const double* valori);

// Start-up values (tests).
void azzeralibero();

}  // namespace lumetto::acquisition
