#pragma once
// The calibration of a board's supply measurement: the multimeter's reading a
// teacher types, the command that carries it, the board's reply and the
// Italian text that tells what the board now measures. No widgets, no port.

#include <optional>
#include <string>
#include <string_view>

namespace lumetto::panels {

struct Taratura {
    enum class Esito { Chiesta, Tenuta, Rifiutata };
    int alimentazioneMv = 0;  // the supply the board measures; 0: none measured
    int bandgapMv = 0;        // the reference it measures with
    bool tarata = false;      // the board's own reference, not the nominal 1100 mV
    Esito esito = Esito::Chiesta;
};

// The multimeter's reading of the 5V pin, typed in volts ("5.02", "5,02",
// "5.02 V") or millivolts ("5020"), in mV; nothing outside 4.5 to 5.5 V or
// when it is not a number.
std::optional<int> letturamultimetro(std::string_view testo);

// "K5020" for 5020 mV; "K0000" asks without changing anything.
std::string comandotaratura(int millivolt);

// The board's 24-character reply; nothing when it is not one (an older
// board that does not know the command, a reply cut short).
std::optional<Taratura> leggitaratura(std::string_view risposta);

// What the board says, for the teacher: the supply it measures and whether
// it is calibrated; after a reading, whether it was kept.
std::string testotaratura(const Taratura& t);

// Millivolts as volts with three decimals and the point: "5.020".
std::string volt(int millivolt);

}  // namespace lumetto::panels
