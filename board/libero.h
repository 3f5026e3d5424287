#pragma once
// The virtual board's free-stream sketch as pure functions: line k of a run
// (what a Serial Plotter sketch prints, values on a simulated clock, faults
// where asked), and what a receiver at the wrong rate makes of a line. The
// board sends exactly these bytes, so a test can compute what it was sent.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "board/guasti.h"

namespace lumetto::scheda {

struct OpzioniLibero {
    // The columns' names, in order; all of them empty: bare values, one per
    // entry. Built by colonneDaTesto, which refuses names a line cannot carry.
    std::vector<std::string> colonne{"luce", "temp"};
    int frequenza = 10;         // lines a second
    uint32_t baud = 115200;     // the board's own rate
    int64_t righe = 0;          // lines before it falls silent for good (0: never)
    bool intestazione = false;  // a CSV header row first, then bare values
};

constexpr int kFrequenzaMassima = 10000;
// Silenzio: the board stops for kSilenzioMs after every kRigheTraSilenzi lines.
constexpr int kRigheTraSilenzi = 50;
constexpr int kSilenzioMs = 3000;
// Lunga: a line that long before its end, with the end the program waits for.
constexpr size_t kRigaLunga = 4096;

// "temp,luce" as column names; "" is two bare columns (the default's, without
// names) and ",," three. std::nullopt, with the reason in Italian, for a name
// that would break a line (a separator, ':', a control character, a number)
// or names mixed with empty ones.
std::optional<std::vector<std::string>> colonneDaTesto(const std::string& testo,
                                                       std::string& errore);
bool colonneConNome(const OpzioniLibero& o);

struct RigaLibera {
    std::string byte;  // exactly what goes on the line, its end ("\r\n") included
    // Per column, what the board measured: the number its clean line prints
    // (read back from that text, so it compares equal with a parsed value);
    // std::nullopt where the line carries no number (Manca, Nan). Empty for
    // the header row.
    std::vector<std::optional<double>> valori;
    bool intestazione = false;
    Guasto guasto = Guasto::Nessuno;  // the fault this line carries, if any
    size_t colonnaGuasta = 0;         // the column it spoils (Manca, Nan, Virgola)
};

// Line k (from 0) of a run since the board started: the header row first when
// asked, then readings whose clock advances 1/frequenza per reading. `guasto`
// spoils some lines, chosen by the seed (Silenzio changes no line: only when
// they go out). Every byte follows from the arguments alone.
RigaLibera rigaLibera(const OpzioniLibero& o, Guasto guasto, uint64_t seme, int64_t k);

// What a UART at `ricevuti` baud reads of `byte` sent back to back at
// `inviati` baud, both 8N1, the line idle before and after: each start bit
// found on a falling edge, the bits sampled in their middle, a byte with a bad
// stop bit kept as it was read (as Linux hands it over in raw mode). The same
// bytes when the rates are equal; 0 baud (hung up) reads nothing.
std::string allaVelocita(const std::string& byte, uint32_t inviati, uint32_t ricevuti);

// When line k goes out, in nanoseconds from the sketch's start: k periods,
// plus the pauses of Silenzio before it.
int64_t istanteRiga(const OpzioniLibero& o, Guasto guasto, int64_t k);

}  // namespace lumetto::scheda
