#pragma once
// The exchange with the board: a new serial component opened on the chosen COM
// port at 9600 baud 7E1 for every exchange, a command letter, a reply frame
// read and stored as numbers, the port closed again.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "link/identita.h"
#include "serial/comm.h"

namespace lumetto::link {

// The one serial component of an exchange, or none.
serial::TXComm* portacom();
extern std::string nomeporta;  // "COM" + the port number of the last exchange opened

// What the link needs of the main window.
struct VistaCollegamento {
    std::function<int()> porta;             // the COM port number chosen (1 to 20)
    std::function<void(int)> impostaPorta;  // the port search found this one
    std::function<void()> fermaTimer;       // stops the acquisition
};
void impostaVistaCollegamento(VistaCollegamento f);

// "COM" and the number of the port chosen in the window ("COM13").
std::string portascelta();

// What a reply read: its characters, or silence (half of them blanks or
// time-outs), after which the port is left held and the text untouched.
enum class Risposta : uint8_t { arrivata, nessundato };

// A new component opened on that device: true when it opened.
[[nodiscard]] bool apridispositivo(const std::string& nome);
bool apriporta();
void chiudiporta();
void cercaporta();
bool inviacomando(char lettera);
Risposta leggicaratteri(uint8_t n, std::string& testo);
// Reads a reply frame of n characters into the row of numerolettura; on
// silence it says "nessun dato in ricezione!".
Risposta ricevirisposta(uint8_t n, std::string& risposta);
void ricevitesto(uint16_t n, std::string& risposta);

// The longest the question takes, from the open to the close.
inline constexpr uint32_t kAttesaIdentitaMs = 150;
// Asks the board on the chosen port who it is, as every exchange talks to
// it (a new component, open, "?", read, close), and waits for the one line
// kAttesaIdentitaMs at most. Empty when the port does not open or no such
// line came (a sketch of its own, an older board). It shows nothing.
Identita chiedichisei();

// Components left holding their device by an exchange that did not finish
// (no reply, the 1001st reading): released when the acquisition stops.
void rilasciaporte();
size_t portetrattenute();

// Start-up values (tests).
void azzeracollegamento();

}  // namespace lumetto::link
