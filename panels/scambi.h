#pragma once
// One press of "aggiorna" on each panel: the whole exchange with the board,
// from the command letter to the closed port, with the log lines it writes.
// No widgets: the panels hand in what their controls hold and show what
// comes back.

#include <array>
#include <optional>
#include <string>

#include "panels/statopin.h"
#include "panels/taratura.h"

namespace lumetto::panels {

// The main window's log pane, as the panels write it.
class Registro {
  public:
    virtual ~Registro() = default;
    virtual void svuota() = 0;
    virtual void aggiungi(const std::string& riga) = 0;  // a new line at the end
};

inline const std::string kTestataLettura = "-------------->lettura<-------------- ";
inline const std::string kTestataServo = "-------------->SERVO<-------------- ";

// Reads the pin-state reply on the open port and decodes it; the log gets
// the twelve lines unless the "6 ingressi analogici" experiment owns it.
StatoLetto leggistato(Registro* registro);

// The pin-state panel's exchange: "A", the reply, the six output levels, the
// port closed. Nothing when the port did not open ("Arduino non collegato!!"
// has been shown and nothing was sent).
std::optional<StatoLetto> scambiostato(const std::array<bool, kUscite>& alte, Registro* registro);

// The servo panel's exchange: "A", then the three servo commands, the port
// closed. False when the port did not open.
bool scambioservo(const std::array<int, kServi>& posizioni, Registro* registro);

// The calibration exchange: "K" and the multimeter's millivolts (0: only
// ask), the board's reply, the port closed. `aperta` is false when the port
// did not open ("Arduino non collegato!!" has been shown); nothing comes
// back when the board gave no calibration reply (a sketch that does not know
// the command stays silent: the wait ends at the first character missing).
std::optional<Taratura> scambiotaratura(int millivolt, bool& aperta);

}  // namespace lumetto::panels
