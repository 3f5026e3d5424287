#pragma once
// What benches and the teacher say to each other through the class broker:
// the topics, the JSON payloads a bench writes, and the teacher's parser that
// takes a topic and its bytes back into a typed message or refuses them.
//
// Topics (<classe> and <banco> are one topic level each, see livellovalido):
//   lumetto/<classe>/<banco>/stato               the bench's state (retained)
//   lumetto/<classe>/<banco>/corsa/<id>          a run's facts (retained)
//   lumetto/<classe>/<banco>/corsa/<id>/letture  each reading of that run
// <id> is the run's id in the bench's archive: 1 to 2^53, in decimal, no
// leading zero.
//
// Payloads (compact JSON, UTF-8; a key the parser does not know is ignored,
// so a newer bench still speaks to an older teacher):
//   stato:   {"stato":"in corsa"|"fermo"|"offline",
//             "esperimento":"termostato","sketch":"Termostato",
//             "versione":"0.2.0","corsa":12}
//            Only "stato" is required. esperimento, sketch and versione are
//            the experiment chosen and what the board said it runs (left
//            out when not known); "corsa" is the run going on ("in corsa"
//            requires it) or, when "fermo", the last one. The last will
//            "offline" carries nothing else.
//   corsa:   {"id":12,"codice":7,"esperimento":"termostato",
//             "testata":"temp..tempo.","mascheratipo":"13","intervallo":2,
//             "inizio":"2026-12-09T10:15:02.123Z","fuso":"+01:00",
//             "porta":"COM13","sketch":"Termostato","versione":"0.2.0",
//             "banco":"banco03","titolo":"",
//             "colonne":[{"nome":"temp","unita":"°C","decimali":1},
//                        {"nome":"tempo"}]}
//            "id" must be the topic's, and so must "banco" where it is
//            given: a bench names no other bench's run. id, codice,
//            esperimento, testata, intervallo (0 to 2^31-1 seconds) and
//            inizio (ISO 8601 in UTC, in the years kPrimoAnno to
//            kUltimoAnno) are required, the other texts may be left out
//            (empty).
//            "colonne" are the run's columns in order, at most 13, each a
//            name (1 to kMaxNomeColonna bytes), a unit (at most kMaxUnita
//            bytes; left out: none) and the decimals shown (0 to
//            kMaxDecimali; left out: not said). A bench sends them again
//            when a free run names a new column; without them (a bench
//            older than them) the run's columns are its header's.
//   letture: {"numero":1,"ms":0,"valori":[21.5,null,3]}
//            numero 1 to 100000, ms 0 to 2^53, at most 13 values, each a
//            number within ±kMaxValore or null for a column the reading has
//            no value in; values past the last one given are missing too.
// Every text is at most kMaxTesto bytes (the writers cut a longer one at a
// character's end); a payload is at most kMaxMessaggio bytes.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "archive/archivio.h"

namespace lumetto::classe {

inline constexpr std::string_view kRadice = "lumetto";   // the first level of every topic
inline constexpr std::size_t kMaxLivello = 64;           // bytes of a class or bench name
inline constexpr std::size_t kMaxTesto = 1024;           // bytes of any text in a payload
inline constexpr std::size_t kMaxMessaggio = 64 * 1024;  // bytes of a payload
inline constexpr std::size_t kMaxArgomento = 256;        // bytes of a topic
inline constexpr int kMaxNumero = 100000;  // readings of a run (a free run holds that many)
inline constexpr std::size_t kMaxNomeColonna = 256;      // bytes of a column's name
inline constexpr std::size_t kMaxUnita = 64;             // bytes of a column's unit
inline constexpr int kMaxDecimali = 15;                  // decimals a column shows
inline constexpr int64_t kMaxIntero = int64_t{1} << 53;  // exact in any JSON reader
// The largest magnitude of a reading's value. A school lab's sensors, read
// by an Arduino, give 32-bit counts (4.3e9) at most and physical values far
// below; 1e15 keeps every integer up to it exact in a double, and leaves
// room for what the plot and the fits compute from values (a range, a
// square, a sum of 100000 squares: 1e35), which ±1.8e308 overflows.
inline constexpr double kMaxValore = 1e15;
// The years a run may start in (UTC). A PC whose clock battery is dead says
// 1970, 1980 or 2000, and its runs still come; 2200 and later is no clock.
inline constexpr int kPrimoAnno = 1900;
inline constexpr int kUltimoAnno = 2199;

// Whether a class or bench name can be one topic level: 1 to kMaxLivello
// bytes of UTF-8, each character a letter or digit of any script or one of
// "-", "_", ".". That leaves out "/", "+", "#" (levels and wildcards), NUL,
// control characters and blanks, which an ACL line or a shell would trip on.
bool livellovalido(std::string_view livello);
// The rule above in Italian, for an error message.
extern const char* const kRegolaLivello;

std::string argomentostato(std::string_view classe, std::string_view banco);
std::string argomentocorsa(std::string_view classe, std::string_view banco, int64_t corsa);
std::string argomentoletture(std::string_view classe, std::string_view banco, int64_t corsa);
// A run's id as a topic level: decimal digits, no leading zero, 1 to
// kMaxIntero; nothing otherwise.
std::optional<int64_t> idlivello(std::string_view livello);
// A topic's levels, split at every "/" (an empty level stays, as the broker
// keeps it): views into `argomento`.
std::vector<std::string_view> livelliargomento(std::string_view argomento);

// One of the class's three topics read: its form, the bench, the run (0 for
// a state). `errore` (Italian) says why the topic is none of them; with
// `corsanonvalida`, only its run's level is wrong.
struct Argomento {
    enum class Forma { Stato, Corsa, Letture } forma = Forma::Stato;
    std::string banco;
    int64_t corsa = 0;
    std::string errore;
    bool corsanonvalida = false;
};
Argomento leggiargomento(std::string_view classe, std::string_view argomento);

// What the teacher subscribes to: everything of the class.
std::string filtroclasse(std::string_view classe);

enum class Stato { InCorsa, Fermo, Offline };
std::string_view testostato(Stato s);  // "in corsa", "fermo", "offline"

// A bench's state.
struct StatoBanco {
    Stato stato = Stato::Offline;
    std::string esperimento, sketch, versione;  // empty: not known
    int64_t corsa = 0;                          // 0: none
    bool operator==(const StatoBanco&) const = default;
};

// Payloads, compact JSON. A value that is not finite, or past ±kMaxValore,
// is written as null: the teacher's parser would refuse the whole reading.
std::string scrivistato(const StatoBanco& s);
std::string scrivicorsa(const archivio::Corsa& c);
std::string scrivilettura(const archivio::Lettura& l);

// A message taken as good: from which bench, and what it says. For a run's
// facts and readings `corsa` is the run's id from the topic; a run's facts
// have the topic's bench as `banco` and fill the other fields of
// archivio::Corsa the payload has (mascheracolori,
// mascheradimensioni, fileschema, fileesperimento, nota and letture stay
// empty; colonne are the header's when the payload names none).
struct Messaggio {
    std::string classe, banco;
    int64_t corsa = 0;
    std::variant<StatoBanco, archivio::Corsa, archivio::Lettura> contenuto;
};

// The parser's answer: a message, or why it was refused (Italian).
struct EsitoMessaggio {
    std::optional<Messaggio> messaggio;
    std::string errore;
};

// Reads what the broker delivered on `argomento` for the teacher of
// `classe`. Anything but one of the three forms above with a payload that
// holds to its rules (another class's topic included) is refused whole.
EsitoMessaggio leggimessaggio(std::string_view classe, std::string_view argomento,
                              std::string_view dati);

}  // namespace lumetto::classe
