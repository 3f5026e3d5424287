#pragma once
// The diagnostic log's hook: every library writes a technician's detail
// (SQLite's text, errno, what a box leaves out) through it, whether or not it
// links Qt, and the program routes it into Qt's logging categories
// (platform/qt/diagnosticaqt.h). Nothing is written until the program sets
// the hook, and nothing costs more than a check while the log is off.

#include <string_view>

namespace lumetto::diagnostica {

// One room per library; each is the category "lumetto.<name>".
enum class Stanza {
    platform,
    serial,
    link,
    xls,
    archivio,
    classe,
    schemes,
    analisi,
    acquisition,
    panels,
    scheda,
};
inline constexpr int kStanze = static_cast<int>(Stanza::scheda) + 1;

// The category's name without "lumetto.": "archivio".
std::string_view nome(Stanza s);

struct Uscita {
    bool (*attiva)(Stanza) = nullptr;                    // whether the room's log is on
    void (*scrivi)(Stanza, std::string_view) = nullptr;  // one message, no newline
};

// Set by the program (once, before its windows) or a test; {} turns it off.
void imposta(Uscita u);

// Whether a message of the room would be written: to skip building a
// costly text.
bool attiva(Stanza s);

// One message of the room, when its log is on.
void scrivi(Stanza s, std::string_view testo);

}  // namespace lumetto::diagnostica
