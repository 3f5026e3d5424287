#include "xls/composto.h"

#include <algorithm>
#include <cstdint>

#include "xls/errore.h"

namespace lumetto::xls {

namespace {

constexpr std::size_t kSettore = 512;
constexpr std::size_t kVociPerSettore = kSettore / 4;
constexpr std::size_t kFatNellIntestazione = 109;  // the header's own DIFAT slots
constexpr std::size_t kSogliaMini = 4096;          // streams below go to the mini stream

constexpr uint32_t kLibero = 0xFFFFFFFF;
constexpr uint32_t kFineCatena = 0xFFFFFFFE;
constexpr uint32_t kSettoreFat = 0xFFFFFFFD;
constexpr uint32_t kSettoreDifat = 0xFFFFFFFC;
constexpr uint32_t kNessuno = 0xFFFFFFFF;  // no sibling or child in the directory

void metti16(std::string& b, std::size_t pos, uint16_t v) {
    b[pos] = static_cast<char>(v & 0xFF);
    b[pos + 1] = static_cast<char>(v >> 8);
}

void metti32(std::string& b, std::size_t pos, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b[pos + static_cast<std::size_t>(i)] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

std::size_t settoriPer(std::size_t byte) {
    return (byte + kSettore - 1) / kSettore;
}

// One 128-byte directory entry.
void voce(std::string& b, std::size_t pos, std::u16string_view nome, uint8_t tipo, uint32_t figlio,
          uint32_t primo, uint32_t dimensione) {
    for (std::size_t i = 0; i < nome.size(); ++i)
        metti16(b, pos + 2 * i, nome[i]);
    metti16(b, pos + 64, static_cast<uint16_t>((nome.size() + 1) * 2));  // with the final zero
    b[pos + 66] = static_cast<char>(tipo);
    b[pos + 67] = 1;  // black: a tree of one node per level is trivially balanced
    metti32(b, pos + 68, kNessuno);
    metti32(b, pos + 72, kNessuno);
    metti32(b, pos + 76, figlio);
    metti32(b, pos + 116, primo);
    metti32(b, pos + 120, dimensione);
}

}  // namespace

std::string filecomposto(std::string_view workbook) {
    // Version 3 files keep stream sizes in 32 bits; the workbook writer
    // refuses far smaller sheets long before this.
    if (workbook.size() > 0x7FFF0000u) throw Errore("Cartella di lavoro troppo grande");
    const std::size_t dimensione = std::max(workbook.size(), kSogliaMini);
    const std::size_t dati = settoriPer(dimensione);

    // Layout: workbook sectors, one directory sector, FAT sectors, DIFAT
    // sectors. The FAT must describe itself, hence the search.
    std::size_t fat = 1, difat = 0;
    for (;;) {
        difat = fat > kFatNellIntestazione
                    ? (fat - kFatNellIntestazione + kVociPerSettore - 2) / (kVociPerSettore - 1)
                    : 0;
        if (fat * kVociPerSettore >= dati + 1 + fat + difat) break;
        ++fat;
    }
    const std::size_t settori = dati + 1 + fat + difat;
    const auto directory = static_cast<uint32_t>(dati);
    const auto primaFat = static_cast<uint32_t>(dati + 1);
    const auto primaDifat = static_cast<uint32_t>(dati + 1 + fat);

    std::string file(kSettore * (1 + settori), '\0');
    // Header.
    const unsigned char firma[] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    std::copy(std::begin(firma), std::end(firma), file.begin());
    metti16(file, 24, 0x003E);  // minor version
    metti16(file, 26, 0x0003);  // major version: 512-byte sectors
    metti16(file, 28, 0xFFFE);  // little-endian
    metti16(file, 30, 9);       // 2^9-byte sectors
    metti16(file, 32, 6);       // 2^6-byte mini sectors
    metti32(file, 44, static_cast<uint32_t>(fat));
    metti32(file, 48, directory);
    metti32(file, 56, static_cast<uint32_t>(kSogliaMini));
    metti32(file, 60, kFineCatena);  // no mini FAT
    metti32(file, 68, difat ? primaDifat : kFineCatena);
    metti32(file, 72, static_cast<uint32_t>(difat));
    for (std::size_t i = 0; i < kFatNellIntestazione; ++i)
        metti32(file, 76 + 4 * i, i < fat ? primaFat + static_cast<uint32_t>(i) : kLibero);

    auto settore = [&](std::size_t s) { return kSettore * (1 + s); };
    std::copy(workbook.begin(), workbook.end(), file.begin() + static_cast<long>(settore(0)));

    const std::size_t d = settore(directory);
    voce(file, d, u"Root Entry", 5, 1, kFineCatena, 0);
    voce(file, d + 128, u"Workbook", 2, kNessuno, 0, static_cast<uint32_t>(dimensione));
    // The two unused entries of the sector: no name, no siblings.
    for (std::size_t k = 2; k < 4; ++k) {
        metti32(file, d + 128 * k + 68, kNessuno);
        metti32(file, d + 128 * k + 72, kNessuno);
        metti32(file, d + 128 * k + 76, kNessuno);
    }

    auto catena = [&](std::size_t s, uint32_t v) { metti32(file, settore(primaFat) + 4 * s, v); };
    for (std::size_t s = 0; s < fat * kVociPerSettore; ++s)
        catena(s, kLibero);
    for (std::size_t s = 0; s < dati; ++s)
        catena(s, s + 1 < dati ? static_cast<uint32_t>(s + 1) : kFineCatena);
    catena(directory, kFineCatena);
    for (std::size_t s = 0; s < fat; ++s)
        catena(primaFat + s, kSettoreFat);
    for (std::size_t s = 0; s < difat; ++s)
        catena(primaDifat + s, kSettoreDifat);

    // DIFAT sectors: 127 FAT sector numbers each, then the next DIFAT sector.
    for (std::size_t s = 0; s < difat; ++s) {
        const std::size_t base = settore(primaDifat + s);
        for (std::size_t i = 0; i < kVociPerSettore - 1; ++i) {
            std::size_t n = kFatNellIntestazione + s * (kVociPerSettore - 1) + i;
            metti32(file, base + 4 * i, n < fat ? primaFat + static_cast<uint32_t>(n) : kLibero);
        }
        metti32(file, base + 4 * (kVociPerSettore - 1),
                s + 1 < difat ? primaDifat + static_cast<uint32_t>(s + 1) : kFineCatena);
    }
    return file;
}

}  // namespace lumetto::xls
