// A test whose tool or locale is missing: skipped, with the reason, on a
// developer's machine; failed under CI=true, where the set-up installs all of
// them, so a check either runs or fails.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace lumetto::prove {

inline bool severo() {
    const char* ci = std::getenv("CI");
    return ci && std::strcmp(ci, "true") == 0;
}

// Called as `return prove::manca("...")`, so the test ends here too.
inline void manca(const std::string& motivo) {
    if (severo())
        ADD_FAILURE() << motivo << " (CI=true: the set-up installs it, so its absence is a fault)";
    else
        GTEST_SKIP() << motivo;
}

}  // namespace lumetto::prove
