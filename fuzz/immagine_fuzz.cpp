// Any bytes decoded as a plant picture: as a JPEG at full size and at the
// smallest scale, and as a BMP. The extension, not the content, picks the
// decoder, so each decoder must also survive the other's files. A picture or
// an ErroreImmagine, never a crash or a sanitizer report.
#include <cstddef>
#include <cstdint>

#include "platform/images/immagini.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* dati, size_t n) {
    // Huge declared sizes with almost no data decode slowly under the
    // sanitizers without finding anything the size check does not already
    // cover; a smaller bound keeps the run exploring.
    constexpr std::size_t kPunti = std::size_t{2048} * 2048;
    for (QSize mostrata : {QSize(), QSize(1, 1)}) {
        try {
            QImage im = lumetto::platform::decodificajpeg(dati, n, mostrata, "fuzz", kPunti);
            if (im.isNull()) __builtin_trap();
        } catch (const lumetto::platform::ErroreImmagine&) {
        }
    }
    try {
        QImage im = lumetto::platform::decodificabmp(dati, n, "fuzz", kPunti);
        if (im.isNull()) __builtin_trap();
    } catch (const lumetto::platform::ErroreImmagine&) {
    }
    return 0;
}
