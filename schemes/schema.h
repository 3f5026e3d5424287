#pragma once
// The current scheme: how the values of a plant are named, typed, coloured,
// sized, checked and placed over its picture. One record for the whole
// program, read and written directly by the windows that use it.
//
// Texts hold Windows-1252 bytes, as the .sca files do: one byte is one
// character, so character and field numbers count bytes (see cp1252.h for the
// conversion to and from the UTF-8 of the windows).

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace lumetto::schemes {

inline constexpr int kMaxVariabili = 12;
inline constexpr int kCondizioni = 10;
inline constexpr int kPosizioni = 20;
inline constexpr std::size_t kCaratteriCondizione = 10;
inline constexpr std::size_t kCaratteriNome = 10;
inline constexpr std::size_t kCaratteriDescrizione = 20;
inline constexpr std::size_t kCaratteriCampo = 6;  // one header field per variable

// A text of at most N characters: a longer one keeps its first N, silently.
template <std::size_t N>
class TestoLimitato {
  public:
    TestoLimitato() = default;
    explicit TestoLimitato(std::string_view t) { *this = t; }
    TestoLimitato& operator=(std::string_view t) {
        testo_.assign(t.substr(0, N));
        return *this;
    }
    TestoLimitato& operator+=(std::string_view t) {
        testo_.append(t.substr(0, N - testo_.size()));
        return *this;
    }
    const std::string& str() const { return testo_; }
    operator std::string_view() const { return testo_; }
    bool empty() const { return testo_.empty(); }
    std::size_t size() const { return testo_.size(); }
    void clear() { testo_.clear(); }
    friend bool operator==(const TestoLimitato&, const TestoLimitato&) = default;
    friend bool operator==(const TestoLimitato& a, std::string_view b) { return a.testo_ == b; }

  private:
    std::string testo_;
};

// The slotted tables are numbered from 1, as everywhere in the program; the
// accessors below are the only place where slot k becomes index k - 1. A slot
// number out of range throws std::out_of_range, except for the names, which
// read as empty (callers walk masks that may be longer than the name table).
class Schema {
  public:
    std::string testata;             // 6 characters per variable, dots as filler
    std::string mascheratipo;        // '1'..'4' per variable
    std::string mascheracolori;      // '0'..'3' per variable
    std::string mascheradimensioni;  // '0'..'2' per variable
    std::string immagine;            // plant picture; empty for none
    std::uint16_t numvariabili = 0;  // derived by dividitestata, at most 12
    std::uint16_t punto = 0;         // variable selected for positioning, 0 for none
    TestoLimitato<kCaratteriDescrizione> descrizionecondizione;

    TestoLimitato<kCaratteriCondizione>& condizione(int k) { return condizioni_.at(indice(k)); }
    const TestoLimitato<kCaratteriCondizione>& condizione(int k) const {
        return condizioni_.at(indice(k));
    }

    const std::string& nomevariabile(int i) const;
    void impostanome(int i, std::string_view nome) { nomi_.at(indice(i)) = nome; }

    std::uint16_t& posx(int i) { return posx_.at(indice(i)); }
    std::uint16_t& posy(int i) { return posy_.at(indice(i)); }
    std::uint16_t posx(int i) const { return posx_.at(indice(i)); }
    std::uint16_t posy(int i) const { return posy_.at(indice(i)); }

    friend bool operator==(const Schema&, const Schema&) = default;

  private:
    // k <= 0 wraps to a huge index, which at() refuses like any other.
    static std::size_t indice(int k) { return static_cast<std::size_t>(k) - 1; }

    std::array<TestoLimitato<kCaratteriCondizione>, kCondizioni> condizioni_;
    std::array<TestoLimitato<kCaratteriNome>, kMaxVariabili> nomi_;
    std::array<std::uint16_t, kPosizioni> posx_{};
    std::array<std::uint16_t, kPosizioni> posy_{};
};

// The one scheme of the program.
Schema& schemacorrente();

// Puts the current scheme back to its start-up values: texts empty, numbers 0.
void azzeraschema();

// Recomputes numvariabili and nomivariabili from testata: one variable per
// whole 6-character field (at most 12), named by the field's non-dot
// characters padded with two blanks and cut to 3. A header shorter than one
// field leaves both as they were, and so do the name slots above the count.
void dividitestata(Schema& s);
void dividitestata();

// Character i (from 1) of a mask, or '\0' where the mask is shorter.
char carattere(std::string_view maschera, int i);

}  // namespace lumetto::schemes
