#include "schemes/cp1252.h"

#include <array>
#include <cstdint>

namespace lumetto::schemes {

namespace {

// Bytes 0x80 to 0x9F, where Windows-1252 differs from Latin-1; the undefined
// ones keep their own number.
constexpr std::array<char32_t, 32> kDa80 = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char32_t carattereDi(unsigned char b) {
    return b >= 0x80 && b <= 0x9F ? kDa80[b - 0x80] : char32_t{b};
}

void aggiungiUtf8(std::string& r, char32_t c) {
    auto byte = [&](std::uint32_t v) { r += static_cast<char>(static_cast<unsigned char>(v)); };
    if (c < 0x80) {
        byte(c);
    } else if (c < 0x800) {
        byte(0xC0 | (c >> 6));
        byte(0x80 | (c & 0x3F));
    } else {  // every character of the table is in the basic plane
        byte(0xE0 | (c >> 12));
        byte(0x80 | ((c >> 6) & 0x3F));
        byte(0x80 | (c & 0x3F));
    }
}

char byteDi(char32_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<char>(c);
    for (std::size_t i = 0; i < kDa80.size(); ++i)
        if (kDa80[i] == c) return static_cast<char>(0x80 + i);
    return '?';
}

}  // namespace

std::string utf8dacp1252(std::string_view cp1252) {
    std::string r;
    r.reserve(cp1252.size());
    for (char c : cp1252)
        aggiungiUtf8(r, carattereDi(static_cast<unsigned char>(c)));
    return r;
}

std::string cp1252dautf8(std::string_view utf8) {
    std::string r;
    r.reserve(utf8.size());
    std::size_t i = 0;
    const std::size_t n = utf8.size();
    auto b = [&](std::size_t k) { return static_cast<unsigned char>(utf8[k]); };
    while (i < n) {
        const unsigned char lead = b(i);
        if (lead < 0x80) {
            r += static_cast<char>(lead);
            ++i;
            continue;
        }
        // Length and range of the second byte by lead byte, which rules out
        // overlong forms, surrogates and values above U+10FFFF.
        int seguono = 0;
        unsigned char basso = 0x80, alto = 0xBF;
        char32_t c = 0;
        if (lead >= 0xC2 && lead <= 0xDF) {
            seguono = 1, c = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            seguono = 2, c = lead & 0x0F;
            if (lead == 0xE0) basso = 0xA0;
            if (lead == 0xED) alto = 0x9F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            seguono = 3, c = lead & 0x07;
            if (lead == 0xF0) basso = 0x90;
            if (lead == 0xF4) alto = 0x8F;
        } else {
            r += '?';
            ++i;
            continue;
        }
        // A broken sequence counts once, up to the first byte that does not fit.
        std::size_t j = i + 1;
        bool intero = true;
        for (int k = 0; k < seguono; ++k, ++j) {
            if (j >= n || b(j) < basso || b(j) > alto) {
                intero = false;
                break;
            }
            c = (c << 6) | (b(j) & 0x3F);
            basso = 0x80, alto = 0xBF;
        }
        r += intero ? byteDi(c) : '?';
        i = j;
    }
    return r;
}

}  // namespace lumetto::schemes
