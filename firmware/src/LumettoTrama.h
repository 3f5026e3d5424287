// The text of a reply frame, as the program's splitter reads it: fields of
// six characters, a number right-aligned after at least one blank, digital
// states as status words, the line end where the header is not a whole
// number of fields. One definition for the board's sketches (C++11 on the
// ATmega, no library) and for the virtual board, so the two cannot drift.
#ifndef LUMETTO_TRAMA_H
#define LUMETTO_TRAMA_H

namespace lumetto {
namespace trama {

// Characters of a field.
const unsigned char kCampo = 6;
// The largest and smallest numbers a field holds: a value past them shows as
// the end of the scale, visibly, and never widens the field.
const long kMassimo = 99999L;
const long kMinimo = -9999L;

// The character that asks a board who it is, and the library's version it
// answers with ("Lumetto Sonar 0.2.0\r\n"): the version= of library.properties.
const char kChiChiede = '?';
const char kVersione[] = "0.2.0";

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
        // Whether it fits, counted before a digit is written (a division
        // costs tens of microseconds on the board): the digits, at least one
        // before the point, the point, the sign. a is under 10^7.
        int cifre = 1;
        for (unsigned long p = 10; cifre < 8 && a >= p; p *= 10)
            ++cifre;
        if (cifre < decimali + 1) cifre = decimali + 1;
        if (cifre + (decimali > 0 ? 1 : 0) + (n < 0 ? 1 : 0) > kCampo - 1) continue;
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

// ---- Calibration of the supply's measurement ------------------------------
//
// A board measures its supply against the chip's bandgap, nominally 1100 mV
// but 1000 to 1200 on a given chip. The program sends "K" and four digits,
// the multimeter's reading of the 5V pin in millivolts ("K5012"); the board
// works out its own bandgap from it, keeps it in its EEPROM and answers with
// the supply it then measures. "K0000" only asks.
const char kTaratura = 'K';
const unsigned char kCifreTaratura = 4;
const long kMultimetroMinimo = 4500L, kMultimetroMassimo = 5500L;  // mV
// The bandgap in tenths of a millivolt (a whole millivolt is 0.09 %).
const long kBandgapNominale = 11000L;
const long kBandgapMinimo = 10000L, kBandgapMassimo = 12000L;

// The reply: four fields, 24 characters. The supply the board measures, in
// mV (0 where the sketch reads no analog input and so never measures it);
// the bandgap in use, in mV; "HHHHHH" when it comes from the board's memory
// (a calibrated board), "LLLLLL" when it is the nominal one; the outcome:
// "HHHHHH" the reading was taken and kept, "LLLLLL" the board was only asked,
// "SSSSSS" the reading was refused (outside 4500..5500 mV, a bandgap it
// would make outside 1000..1200 mV, or no supply measured), nothing changed.
const unsigned char kRispostaTaratura = 24;
const int kTaraturaChiesta = 0, kTaraturaTenuta = 1, kTaraturaRifiutata = 2;

// The bandgap (tenths of mV) that makes the supply measured with `bandgap`,
// `misuratoMv`, read as the multimeter's `multimetroMv`; 0 when either is
// out of its range.
inline long nuovoBandgap(long bandgap, double misuratoMv, long multimetroMv) {
    if (multimetroMv < kMultimetroMinimo || multimetroMv > kMultimetroMassimo) return 0;
    if (!(misuratoMv > 0)) return 0;
    const double b = static_cast<double>(bandgap) * static_cast<double>(multimetroMv) / misuratoMv;
    if (b < kBandgapMinimo || b > kBandgapMassimo) return 0;
    return static_cast<long>(b + 0.5);
}

// The reply's kRispostaTaratura characters at `r` (no terminator).
inline void rispostaTaratura(double alimentazioneMv, long bandgap, bool tarata, int esito,
                             char* r) {
    numero(alimentazioneMv + 0.5 > 0 ? static_cast<double>(static_cast<long>(alimentazioneMv + 0.5))
                                     : 0,
           r);
    numero(static_cast<double>((bandgap + 5) / 10), r + kCampo);
    stato(tarata ? 1 : 0, r + 2 * kCampo);
    stato(esito, r + 3 * kCampo);
}

}  // namespace trama
}  // namespace lumetto

#endif
