#pragma once
// The values of a reply frame as the virtual board wrote it, read field by
// field at fixed 6-character places: an oracle that owes nothing to the
// program's own field splitter.

#include <charconv>
#include <string>
#include <vector>

namespace lumetto::prove {

// One value per whole 6-character field; a field that is neither a status
// word nor a number gives -1e300, which no reading ever equals.
inline std::vector<double> valoriTrama(const std::string& trama) {
    std::vector<double> v;
    for (size_t k = 0; k + 6 <= trama.size(); k += 6) {
        std::string campo = trama.substr(k, 6);
        if (campo == "HHHHHH") {
            v.push_back(1);
        } else if (campo == "LLLLLL") {
            v.push_back(0);
        } else if (campo == "SSSSSS") {
            v.push_back(2);
        } else {
            size_t i = campo.find_first_not_of(' ');
            const char* inizio = campo.data() + (i == std::string::npos ? 6 : i);
            const char* fine = campo.data() + 6;
            double x = 0;
            auto r = std::from_chars(inizio, fine, x);
            v.push_back(r.ec == std::errc() && r.ptr == fine ? x : -1e300);
        }
    }
    return v;
}

}  // namespace lumetto::prove
