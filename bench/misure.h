#pragma once
// Order statistics of repeated measurements: the benchmarks report medians
// and percentiles, never means, so one slow run does not move the figure.

#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

namespace lumetto::bench {

// Nearest-rank percentile, p in [0, 1]; 0 for no measurement.
inline double percentile(std::vector<double> v, double p) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    auto i = static_cast<std::size_t>(p * static_cast<double>(v.size() - 1) + 0.5);
    return v[std::min(i, v.size() - 1)];
}

inline double mediana(std::vector<double> v) {
    return percentile(std::move(v), 0.5);
}

// Milliseconds since t0.
inline double ms(std::chrono::steady_clock::time_point t0) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
}

// A HOME of the benchmark's own, made in `dove`, so that the links of its
// COM ports and its archive never touch the user's; empty when it cannot be
// made.
inline std::string casaprovvisoria(
    const std::filesystem::path& dove = std::filesystem::temp_directory_path()) {
    std::string home = (dove / "lumetto-bench-XXXXXX").string();
    if (!mkdtemp(home.data())) return {};
    setenv("HOME", home.c_str(), 1);
    return home;
}

}  // namespace lumetto::bench
