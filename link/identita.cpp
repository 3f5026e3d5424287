#include "link/identita.h"

#include <algorithm>

namespace lumetto::link {

std::optional<Identita> leggiidentita(std::string_view riga) {
    while (!riga.empty() && (riga.back() == '\r' || riga.back() == '\n'))
        riga.remove_suffix(1);
    constexpr std::string_view kInizio = "Lumetto ";
    if (!riga.starts_with(kInizio)) return std::nullopt;
    riga.remove_prefix(kInizio.size());
    const size_t spazio = riga.find(' ');
    if (spazio == std::string_view::npos) return std::nullopt;
    Identita chi{std::string(riga.substr(0, spazio)), std::string(riga.substr(spazio + 1))};
    auto parola = [](const std::string& t) {
        return !t.empty() && std::all_of(t.begin(), t.end(), [](char c) {
            return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                   c == '_' || c == '.' || c == '-';
        });
    };
    if (!parola(chi.sketch) || !parola(chi.versione)) return std::nullopt;
    return chi;
}

}  // namespace lumetto::link
