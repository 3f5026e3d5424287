#pragma once
// The component's millisecond clock and the elapsed-time measure of its waits.

#include <cstdint>
#include <functional>

namespace lumetto::serial {

// Milliseconds of the monotonic clock, rounded to the nearest (ties to even),
// low 32 bits: it wraps every 49.7 days.
uint32_t TickMilliseconds();

// Replaces the clock (tests); an empty function puts back the monotonic one.
void setTickSource(std::function<uint32_t()> source);

// Time since construction, in milliseconds, that survives the wrap of
// TickMilliseconds and never runs backwards.
class Elapsed {
  public:
    Elapsed();
    uint64_t now();

  private:
    uint32_t last_;
    uint64_t total_ = 0;
};

}  // namespace lumetto::serial
