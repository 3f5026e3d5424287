#include "scheda/campi.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace lumetto::scheda {

std::string numero6(double v) {
    if (!std::isfinite(v)) v = 0;
    v = std::clamp(v, -9999.0, 99999.0);
    char buf[32];
    for (int decimali : {2, 1, 0}) {
        auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimali);
        std::string s(buf, r.ptr);
        if (s == "-0.00" || s == "-0.0" || s == "-0") s.erase(0, 1);
        if (s.size() <= 5) return std::string(6 - s.size(), ' ') + s;
    }
    return " 99999";  // not reached: the clamp keeps every value within 5 characters
}

std::string stato6(int s) {
    switch (s) {
        case 1:
            return "HHHHHH";
        case 2:
            return "SSSSSS";
        default:
            return "LLLLLL";
    }
}

std::string trama(const std::vector<Campo>& campi, size_t lunghezza) {
    std::string t;
    for (const auto& c : campi) {
        if (t.size() + 6 > lunghezza) break;
        t += c.tipo == Campo::Stato ? stato6(static_cast<int>(c.valore)) : numero6(c.valore);
    }
    // What is left (less than a field) is the end of the line: "\r\n", or "\n".
    size_t resto = lunghezza - t.size();
    if (resto >= 2) t += std::string(resto - 2, ' ') + "\r\n";
    if (resto == 1) t += "\n";
    return t;
}

}  // namespace lumetto::scheda
