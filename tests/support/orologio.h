#pragma once
// A millisecond clock the test sets: waits on a scripted device advance it by
// the time they may last, so time-outs pass at once and exactly.

#include <atomic>
#include <cstdint>

#include "serial/clock.h"

namespace lumetto::prove {

class Orologio {
  public:
    explicit Orologio(uint32_t inizio = 1000) : ora_(inizio) {
        serial::setTickSource([this] { return ora_.load(); });
    }
    ~Orologio() { serial::setTickSource(nullptr); }
    Orologio(const Orologio&) = delete;
    Orologio& operator=(const Orologio&) = delete;
    void avanza(uint32_t ms) { ora_ += ms; }
    void imposta(uint32_t t) { ora_ = t; }
    uint32_t ora() const { return ora_; }

  private:
    std::atomic<uint32_t> ora_;
};

}  // namespace lumetto::prove
