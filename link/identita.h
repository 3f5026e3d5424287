#pragma once
// Who the board says it is, in its answer to "?": "Lumetto Sonar 0.2.0".

#include <optional>
#include <string>
#include <string_view>

namespace lumetto::link {

struct Identita {
    std::string sketch;    // the library's example it runs; empty: no answer
    std::string versione;  // the library's version
    friend bool operator==(const Identita&, const Identita&) = default;
};

// A line of the answer, its line end taken off: "Lumetto", the sketch and
// the version, each a word of letters, digits, "_", "." or "-"; nothing when
// it is not one.
std::optional<Identita> leggiidentita(std::string_view riga);

}  // namespace lumetto::link
