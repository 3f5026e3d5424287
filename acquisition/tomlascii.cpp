// Rewriting a UTF-8 TOML text in ASCII with the same meaning; see tomlascii.h.
#include "acquisition/tomlascii.h"

#include <cstdint>
#include <cstdio>

namespace lumetto::acquisition {

namespace {

// The code point at `i` and its length in bytes; length 0 where the bytes
// are not UTF-8 (overlong forms, surrogates, beyond U+10FFFF, cut short).
struct Punto {
    uint32_t cp = 0;
    std::size_t n = 0;
};

Punto punto(std::string_view t, std::size_t i) {
    const auto c = static_cast<unsigned char>(t[i]);
    if (c < 0x80) return {c, 1};
    std::size_t n = 0;
    uint32_t cp = 0, minimo = 0;
    if ((c & 0xE0) == 0xC0)
        n = 2, cp = c & 0x1Fu, minimo = 0x80;
    else if ((c & 0xF0) == 0xE0)
        n = 3, cp = c & 0x0Fu, minimo = 0x800;
    else if ((c & 0xF8) == 0xF0)
        n = 4, cp = c & 0x07u, minimo = 0x10000;
    else
        return {};
    if (t.size() - i < n) return {};
    for (std::size_t k = 1; k < n; ++k) {
        const auto s = static_cast<unsigned char>(t[i + k]);
        if ((s & 0xC0) != 0x80) return {};
        cp = (cp << 6) | (s & 0x3Fu);
    }
    if (cp < minimo || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return {};
    return {cp, n};
}

std::string escape(uint32_t cp) {
    char b[12];
    if (cp <= 0xFFFF)
        std::snprintf(b, sizeof b, "\\u%04X", static_cast<unsigned>(cp));
    else
        std::snprintf(b, sizeof b, "\\U%08X", static_cast<unsigned>(cp));
    return b;
}

enum class Stato { Fuori, Commento, Base, Letterale, MultiBase, MultiLetterale };

}  // namespace

std::optional<std::u32string> puntiutf8(std::string_view t) {
    std::u32string r;
    for (std::size_t i = 0; i < t.size();) {
        const Punto p = punto(t, i);
        if (p.n == 0) return std::nullopt;
        r += static_cast<char32_t>(p.cp);
        i += p.n;
    }
    return r;
}

TestoAscii::TestoAscii(std::string_view t) {
    bool ascii = true;
    for (char c : t)
        ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    if (ascii) {
        testo_ = t;
        return;
    }

    Stato s = Stato::Fuori;
    bool converti = false;  // the '...' string being read is written as "..."
    int riga = 1, colonna = 1, ascii_ = 1;
    auto ha = [&](std::size_t i, std::string_view x) { return t.substr(i, x.size()) == x; };
    // One character of the original, written as `x`.
    auto scrivi = [&](std::string_view x) {
        if (x.size() != 1)
            spostamenti_.push_back({riga, ascii_, static_cast<int>(x.size()), colonna});
        testo_ += x;
        ascii_ += static_cast<int>(x.size());
        ++colonna;
    };
    // Whether the literal string opened at `i` (after its quotes) holds a
    // non-ASCII byte before it ends.
    auto nonascii = [&](std::size_t i, bool multi) {
        for (; i < t.size(); ++i) {
            if (static_cast<unsigned char>(t[i]) >= 0x80) return true;
            if (multi ? ha(i, "'''") : (t[i] == '\'' || t[i] == '\n')) return false;
        }
        return false;
    };
    // A run of quotes closing a multi-line string: all but the last three
    // belong to it (two at most, as TOML allows; more are an error either way).
    auto chiudi = [&](std::size_t i, char q, bool literale) {
        std::size_t k = 0;
        while (i + k < t.size() && t[i + k] == q)
            ++k;
        for (std::size_t j = 0; j < k; ++j)
            scrivi(!literale || !converti ? std::string(1, q)
                   : k <= 5 && k - j > 3  ? std::string("'")
                                          : std::string("\""));
        s = Stato::Fuori;
        return i + k;
    };

    for (std::size_t i = 0; i < t.size();) {
        const Punto p = punto(t, i);
        if (p.n == 0) {
            rigaerrata_ = riga, colonnaerrata_ = colonna;
            return;
        }
        const char c = static_cast<char>(p.cp);
        if (p.cp == '\n') {
            testo_ += '\n';
            ++riga, colonna = 1, ascii_ = 1;
            if (s == Stato::Commento || s == Stato::Base || s == Stato::Letterale)
                s = Stato::Fuori;  // an open one-line string is an error toml++ tells
            ++i;
            continue;
        }
        if (p.cp >= 0x80) {
            std::string originale(t.substr(i, p.n));
            switch (s) {
                case Stato::Fuori:
                    fuori_.push_back({riga, colonna, originale});
                    scrivi("\x01");
                    break;
                case Stato::Commento:
                    scrivi("x");
                    break;
                default:
                    scrivi(escape(p.cp));
            }
            i += p.n;
            continue;
        }
        switch (s) {
            case Stato::Fuori:
                if (ha(i, "\"\"\"")) {
                    scrivi("\""), scrivi("\""), scrivi("\"");
                    s = Stato::MultiBase, i += 3;
                } else if (ha(i, "'''")) {
                    converti = nonascii(i + 3, true);
                    const char* q = converti ? "\"" : "'";
                    scrivi(q), scrivi(q), scrivi(q);
                    s = Stato::MultiLetterale, i += 3;
                } else {
                    if (c == '"') s = Stato::Base;
                    if (c == '#') s = Stato::Commento;
                    if (c == '\'') {
                        converti = nonascii(i + 1, false);
                        s = Stato::Letterale;
                    }
                    scrivi(c == '\'' && converti ? "\"" : std::string_view(&c, 1));
                    ++i;
                }
                break;
            case Stato::Commento:
                scrivi(std::string_view(&c, 1));
                ++i;
                break;
            case Stato::Base:
            case Stato::MultiBase:
                if (c == '\\') {
                    // An escape is copied as it is.
                    scrivi("\\");
                    ++i;
                    if (i == t.size() || t[i] == '\n') break;
                    if (static_cast<unsigned char>(t[i]) < 0x80) {
                        scrivi(std::string_view(&t[i], 1)), ++i;
                    } else if (const Punto e = punto(t, i); e.n > 0) {
                        // No escape begins with one: kept an error, which a
                        // \u escape here would not be.
                        scrivi("\x01"), i += e.n;
                    }
                } else if (s == Stato::MultiBase && ha(i, "\"\"\"")) {
                    i = chiudi(i, '"', false);
                } else {
                    if (c == '"' && s == Stato::Base) s = Stato::Fuori;
                    scrivi(std::string_view(&c, 1));
                    ++i;
                }
                break;
            case Stato::Letterale:
            case Stato::MultiLetterale:
                if (s == Stato::MultiLetterale && ha(i, "'''")) {
                    i = chiudi(i, '\'', true);
                } else if (s == Stato::Letterale && c == '\'') {
                    scrivi(converti ? "\"" : "'");
                    s = Stato::Fuori, ++i;
                } else {
                    // A literal backslash or double quote, escaped once the
                    // string is in double quotes.
                    if (converti && (c == '\\' || c == '"'))
                        scrivi(c == '\\' ? "\\\\" : "\\\"");
                    else
                        scrivi(std::string_view(&c, 1));
                    ++i;
                }
                break;
        }
    }
}

int TestoAscii::colonna(int riga, int colonnaascii) const {
    const Spostamento* ultimo = nullptr;
    for (const Spostamento& s : spostamenti_)
        if (s.riga == riga && s.ascii <= colonnaascii) ultimo = &s;
    if (!ultimo) {
        // Before any shift on its line, columns agree.
        return colonnaascii;
    }
    if (colonnaascii < ultimo->ascii + ultimo->lunghezza) return ultimo->originale;
    return ultimo->originale + 1 + (colonnaascii - ultimo->ascii - ultimo->lunghezza);
}

std::string TestoAscii::fuoriposto(int riga, int colonna) const {
    for (const Fuori& f : fuori_)
        if (f.riga == riga && f.colonna == colonna) return f.carattere;
    return {};
}

}  // namespace lumetto::acquisition
