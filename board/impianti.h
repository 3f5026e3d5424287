#pragma once
// The plants behind the virtual board's values: simple dynamics a teacher
// recognises, with a little noise. Each model advances by a step of simulated
// time per reply, so a run with the same seed and the same commands is the
// same byte for byte.

#include <array>
#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "board/campi.h"

namespace lumetto::scheda {

class Rumore {
  public:
    explicit Rumore(uint64_t seme) : gen_(seme) {}
    // Uniform in [-ampiezza, ampiezza].
    double operator()(double ampiezza);
    // True with probability p.
    bool caso(double p);
    uint64_t intero(uint64_t n);  // 0 .. n-1

  private:
    std::mt19937_64 gen_;
};

// What the board's pins hold: inputs set by the user, outputs and servos as commanded.
struct Pin {
    std::array<bool, 6> digitali{};                             // D2 .. D7
    std::array<int, 6> analogici{512, 300, 700, 1023, 0, 100};  // A0 .. A5, 0 .. 1023
    std::array<bool, 6> uscite{};                               // D8 .. D13
    std::array<int, 3> servo{90, 90, 90};                       // servo 1 .. 3, degrees
};

// One plant: advances by dt seconds and gives the values of its frame.
class Impianto {
  public:
    virtual ~Impianto() = default;
    virtual void passo(double dt, Rumore& r) = 0;
    virtual std::vector<Campo> valori() const = 0;
};

// Makes the plant of a sketch name ("sonar", "termostato", ...); null for other names.
std::unique_ptr<Impianto> creaImpianto(const std::string& nome);

}  // namespace lumetto::scheda
