#include "serial/clock.h"

#include <time.h>

#include <mutex>

namespace lumetto::serial {

namespace {

std::mutex sourceMutex;
std::function<uint32_t()> tickSource;

uint32_t monotonicTicks() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    uint64_t ms = static_cast<uint64_t>(ts.tv_sec) * 1000u;
    uint64_t rest = static_cast<uint64_t>(ts.tv_nsec);  // nanoseconds of the second
    uint64_t whole = rest / 1000000u, frac = rest % 1000000u;
    if (frac > 500000u || (frac == 500000u && (whole & 1u))) ++whole;
    return static_cast<uint32_t>(ms + whole);
}

}  // namespace

uint32_t TickMilliseconds() {
    std::lock_guard lock(sourceMutex);
    return tickSource ? tickSource() : monotonicTicks();
}

void setTickSource(std::function<uint32_t()> source) {
    std::lock_guard lock(sourceMutex);
    tickSource = std::move(source);
}

Elapsed::Elapsed() : last_(TickMilliseconds()) {}

uint64_t Elapsed::now() {
    uint32_t t = TickMilliseconds();
    uint32_t step = t - last_;  // modulo 2^32, so the wrap is a small step
    // A step of more than half the range is a clock that went back: no time passed.
    if (step <= 0x80000000u) total_ += step;
    last_ = t;
    return total_;
}

}  // namespace lumetto::serial
