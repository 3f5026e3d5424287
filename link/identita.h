#pragma once
// Who the board says it is, in its answer to "?": "Lumetto Sonar 0.2.0".

#include <string>

namespace lumetto::link {

struct Identita {
    std::string sketch;    // the library's example it runs; empty: no answer
    std::string versione;  // the library's version
    friend bool operator==(const Identita&, const Identita&) = default;
};

}  // namespace lumetto::link
