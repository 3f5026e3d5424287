#pragma once
// The pin-state reply and what it turns into on the pin-state panel, and the
// command strings of the two panels. No widgets and no port: the reply comes
// in as text, the panel's texts and positions come out.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace lumetto::panels {

inline constexpr int kLunghezzaStato = 78;  // characters read for one reply
inline constexpr int kSlot = 12;            // six-character slots decoded
inline constexpr int kSlotDigitali = 6;     // slots 1 to 6: D2 to D7; then A0 to A5
inline constexpr int kUscite = 6;           // D8 to D13
inline constexpr int kServi = 3;
inline constexpr int kMassimoBarra = 100;  // the input bars' range is 0 to this
inline constexpr int kMassimoServo = 180;  // degrees

// The last state received for each slot number: entry k for slot k (entry 0
// is not used), 0 or 1. Program-wide; a garbled slot leaves its entry alone.
extern std::array<int16_t, 21> statopin;
// All entries back to 0, as at start-up (tests).
void azzerastatopin();

struct IngressoDigitale {
    std::string testo;  // " D2 ON", " D7 OFF"
    bool spuntato = false;
    friend bool operator==(const IngressoDigitale&, const IngressoDigitale&) = default;
};

struct IngressoAnalogico {
    int lettura = 0;        // 0 to 1023 from a sound slot; anything from a bad one
    int posizione = 0;      // the bar's position, within 0 to 100
    int calcolata = 0;      // the position as computed, possibly outside the bar
    std::string tensione;   // "2.502"
    std::string etichetta;  // "A0 V=2.502"
};

// What one reply shows: the input list's items, the bars with their labels,
// and one log line per slot.
struct StatoLetto {
    std::array<IngressoDigitale, kSlotDigitali> digitali;
    std::array<IngressoAnalogico, kSlot - kSlotDigitali> analogici;
    std::array<std::string, kSlot> righe;
};

// Decodes one reply of up to 78 characters (shorter when characters were
// lost) and updates statopin. Any text is accepted: nothing is reported.
StatoLetto decodificastato(std::string_view risposta);

// The value of an analog field: decimal or "$"/"x"/"0x" hexadecimal after
// optional blanks and sign; a field that does not convert gives the digits
// read before the first character that does not fit, without the sign.
int valoreanalogico(std::string_view campo);

// Voltage of a reading: r x 5 / 1023 with 3 decimals, right-aligned in 5.
std::string tensione(int lettura);
// Bar position of a reading: 100 - trunc(r x 100 / 1023), unclamped.
int posizionebarra(int lettura);

// The output levels as the board takes them: "H1L2L3L4L5H6" for D8 and D13 high.
std::string comandouscite(const std::array<bool, kUscite>& alte);
// One servo command: "S2090" for servo 2 at 90 degrees. Positions outside
// 0 to 180 are brought within it, so the board always gets three digits.
std::string comandoservo(int numero, int posizione);
// The label under a servo bar: "Pos= 5", "Pos=90", "Pos=180".
std::string etichettaservo(int posizione);

// n right-aligned in w characters; a longer number is written whole.
std::string allineato(long long n, size_t w);

}  // namespace lumetto::panels
