#pragma once
// Reply frames as a lab board writes them: 6-character fields, numbers
// right-aligned with a decimal point, status words for digital states.

#include <string>
#include <vector>

namespace lumetto::scheda {

// A value of a frame: a number, or a digital state (0 low, 1 high, 2 halt).
struct Campo {
    enum Tipo { Numero, Stato } tipo = Numero;
    double valore = 0;
    static Campo numero(double v) { return {Numero, v}; }
    static Campo stato(int s) { return {Stato, static_cast<double>(s)}; }
    static Campo acceso(bool on) { return stato(on ? 1 : 0); }
};

// The number in 6 characters, right-aligned, always after at least one blank:
// the program finds fields by their blanks and counts six characters only
// from a blank, so a full field after a shorter one would be cut wrong. As
// many decimals (up to 2) as fit, so that a field never has more than two
// blanks (a frame whose blanks reach half its length reads as no reply).
std::string numero6(double v);

// "HHHHHH", "LLLLLL" or "SSSSSS".
std::string stato6(int s);

// The fields one after the other, then the line end an Arduino println adds
// where the header asks for more characters; exactly `lunghezza` characters.
std::string trama(const std::vector<Campo>& campi, size_t lunghezza);

}  // namespace lumetto::scheda
