// Any bytes as a pin-state reply: the decoder never crashes, every bar stays
// on its 0 to 100 scale, and the texts agree with the reading they show.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "panels/statopin.h"

using namespace lumetto::panels;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* dati, size_t n) {
    std::string_view risposta(reinterpret_cast<const char*>(dati), n);
    StatoLetto s = decodificastato(risposta);
    for (size_t i = 0; i < s.analogici.size(); ++i) {
        const auto& a = s.analogici[i];
        if (a.posizione < 0 || a.posizione > kMassimoBarra) __builtin_trap();
        if (a.calcolata != posizionebarra(a.lettura)) __builtin_trap();
        if (a.etichetta != "A" + std::to_string(i) + " V=" + a.tensione) __builtin_trap();
        if (a.etichetta.size() > 20) __builtin_trap();  // the panel's texts are bounded
        if (!s.righe[i + kSlotDigitali].ends_with(" V=" + a.tensione)) __builtin_trap();
    }
    for (size_t i = 0; i < s.digitali.size(); ++i) {
        if (s.digitali[i].spuntato != (statopin[i + 1] == 1)) __builtin_trap();
        if (!s.righe[i].ends_with(s.digitali[i].testo)) __builtin_trap();
    }
    return 0;
}
