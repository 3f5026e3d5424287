// The text of a reply frame, as the program's splitter reads it: fields of
// six characters, a number right-aligned after at least one blank, digital
// states as status words, the line end where the header is not a whole
// number of fields. One definition for the board's sketches (C++11 on the
// ATmega, no library) and for the virtual board, so the two cannot drift.
#ifndef LUMETTO_TRAMA_H
#define LUMETTO_TRAMA_H

namespace lumetto {
namespace trama {

const char kChiChiede = '?';
const char kVersione[] = "0.2.0";

// Characters of a field.
const unsigned char kCampo = 6;
// The largest and smallest numbers a field holds: a value past them shows as
// the end of the scale, visibly, and never widens the field.
const long kMassimo = 99999L;
const long kMinimo = -9999L;

// `v` in kCampo characters at `campo` (no terminator): as many decimals (up
// to 2) as fit in five characters, rounded half away from zero, so that a
// blank always comes first: " 23.50", " 744.4", "  1235", " -17.0". A
// number that is not one (NaN, infinite) is sent as 0.
inline void numero(double v, char* campo) {
    if (v - v != 0) v = 0;  // NaN or infinite
    if (v > kMassimo) v = kMassimo;
    if (v < kMinimo) v = kMinimo;
    long scala = 100;
    for (int decimali = 2; decimali >= 0; --decimali, scala /= 10) {
        const double x = v * static_cast<double>(scala);
        const long n = static_cast<long>(x < 0 ? x - 0.5 : x + 0.5);
        unsigned long a = static_cast<unsigned long>(n < 0 ? -n : n);
        char rovescio[12];  // the characters from the last one back
        int k = 0;
        for (int i = 0; i < decimali; ++i, a /= 10)
            rovescio[k++] = static_cast<char>('0' + a % 10);
        if (decimali > 0) rovescio[k++] = '.';
        do {
            rovescio[k++] = static_cast<char>('0' + a % 10);
            a /= 10;
        } while (a != 0);
        if (n < 0) rovescio[k++] = '-';  // "-0.00" cannot happen: n is 0 then
        if (k > kCampo - 1) continue;
        int j = 0;
        while (j < kCampo - k)
            campo[j++] = ' ';
        while (k > 0)
            campo[j++] = rovescio[--k];
        return;
    }
}

// A digital state: 1 "HHHHHH" (high, on), 2 "SSSSSS" (halt), anything else
// "LLLLLL" (low, off).
inline void stato(int s, char* campo) {
    const char c = s == 1 ? 'H' : s == 2 ? 'S' : 'L';
    for (int i = 0; i < kCampo; ++i)
        campo[i] = c;
}

// What follows the last field when the frame is `resto` characters longer
// (the header is not a whole number of fields): blanks and "\r\n" as an
// Arduino println ends a line, or "\n" alone when one character is left.
// Writes `resto` characters.
inline void fine(unsigned char resto, char* coda) {
    if (resto == 0) return;
    if (resto == 1) {
        coda[0] = '\n';
        return;
    }
    for (unsigned char i = 0; i + 2 < resto; ++i)
        coda[i] = ' ';
    coda[resto - 2] = '\r';
    coda[resto - 1] = '\n';
}

// The pin-state reply: 12 slots of six characters, then "FINE\r\n". The
// program reads the last four characters of each slot: a digital pin as
// "HHHH" or "LLLL", an analog reading (0 to 1023) plus 1000, so that it always
// fills four digits; the first two name the pin.
const unsigned char kStatoPin = 78;

// Slot of digital pin D`pin` (2 to 7): "D2HHHH".
inline void slotdigitale(unsigned char pin, bool alto, char* slot) {
    slot[0] = 'D';
    slot[1] = static_cast<char>('0' + pin % 10);
    for (int i = 2; i < kCampo; ++i)
        slot[i] = alto ? 'H' : 'L';
}

// Slot of analog input A`canale` (0 to 5): "A01512" for a reading of 512;
// a reading outside 0..1023 is taken as the nearest end.
inline void slotanalogico(unsigned char canale, int lettura, char* slot) {
    if (lettura < 0) lettura = 0;
    if (lettura > 1023) lettura = 1023;
    int n = lettura + 1000;
    slot[0] = 'A';
    slot[1] = static_cast<char>('0' + canale % 10);
    for (int i = kCampo - 1; i >= 2; --i, n /= 10)
        slot[i] = static_cast<char>('0' + n % 10);
}

// The six characters after the twelve slots.
inline const char* finestatopin() {
    return "FINE\r\n";
}

}  // namespace trama
}  // namespace lumetto

#endif
