// Any bytes as a teacher's experiment file: refused with an Italian text that
// names the file (and a line where it gives one), or read into an experiment
// that keeps every rule, is written and reads back the same.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "acquisition/mioesperimento.h"
#include "acquisition/tomlascii.h"
#include "fuzz/controlli.h"

namespace lumetto::fuzz {

using namespace lumetto::acquisition;

namespace {

constexpr std::string_view kNome = "fuzz.toml";

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
        if (!puntiutf8(testo)) return "a refusal that is not UTF-8";
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
