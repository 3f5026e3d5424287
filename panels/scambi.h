#pragma once
// One press of "aggiorna" on each panel: the whole exchange with the board,
// from the command letter to the closed port, with the log lines it writes.
// No widgets: the panels hand in what their controls hold and show what
// comes back.

#include <array>
#include <optional>
#include <string>

#include "panels/statopin.h"

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

}  // namespace lumetto::panels
