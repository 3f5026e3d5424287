// Any bytes as a teacher's experiment file: refused with an Italian text that
// names the file (and a line where it gives one), or read into an experiment
// that keeps every rule, is written and reads back the same.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "acquisition/mioesperimento.h"
#include "fuzz/controlli.h"

namespace lumetto::fuzz {

using namespace lumetto::acquisition;

namespace {

constexpr std::string_view kNome = "fuzz.toml";

// Whether a text is UTF-8 (the windows show the error as it is).
bool utf8(std::string_view t) {
    for (std::size_t i = 0; i < t.size();) {
        const auto c = static_cast<unsigned char>(t[i]);
        std::size_t n = 9;  // continuation bytes; 9: not a leading byte
        if (c < 0x80)
            n = 0;
        else if ((c & 0xE0) == 0xC0)
            n = 1;
        else if ((c & 0xF0) == 0xE0)
            n = 2;
        else if ((c & 0xF8) == 0xF0)
            n = 3;
        if (n == 9 || t.size() - i <= n) return false;
        for (std::size_t k = 1; k <= n; ++k)
            if ((static_cast<unsigned char>(t[i + k]) & 0xC0) != 0x80) return false;
        i += n + 1;
    }
    return true;
}

}  // namespace

std::string difettoesperimento(std::string_view file) {
    MioEsperimento e;
    try {
        e = leggiesperimento(file, kNome);
    } catch (const ErroreEsperimento& x) {
        const std::string testo = x.what();
        if (!testo.starts_with(kNome) || x.file() != kNome) return "a refusal that names no file";
        if (x.riga() < 0) return "a refusal on a negative line";
        if (x.riga() > 0) {
            const std::string dove = std::string(kNome) + ", riga " + std::to_string(x.riga());
            if (!testo.starts_with(dove) || testo.size() == dove.size() ||
                (testo[dove.size()] != ':' && testo[dove.size()] != ','))
                return "a refusal whose text and line disagree: " + testo;
        }
        if (!utf8(testo)) return "a refusal that is not UTF-8";
        if (!x.diagnosi().empty() && testo.find(x.diagnosi()) != std::string::npos)
            return "toml++'s English shown: " + testo;
        return {};
    }

    // What reads keeps the rules the dialog's writer checks.
    try {
        controllaesperimento(e);
    } catch (const ErroreEsperimento& x) {
        return std::string("a file read breaks a rule: ") + x.what();
    }
    const std::string scritto = scriviesperimento(e);
    try {
        const MioEsperimento riletto = leggiesperimento(scritto, kNome);
        if (!(riletto == e)) return "written and read back, the experiment differs";
        if (scriviesperimento(riletto) != scritto) return "written twice, the texts differ";
    } catch (const ErroreEsperimento& x) {
        return std::string("a written experiment is refused: ") + x.what();
    }
    for (const ColonnaEsperimento& c : e.colonne)
        for (double v : {0.0, -1.0, 1023.0, 1e300})
            (void)c.valore(v);
    return {};
}

}  // namespace lumetto::fuzz

#ifndef LUMETTO_SOLO_CONTROLLI
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* dati, size_t n) {
    lumetto::fuzz::esito(lumetto::fuzz::difettoesperimento(
        std::string_view(reinterpret_cast<const char*>(dati), n)));
    return 0;
}
#endif
