// The archive's clock and place: a run's start in UTC and in its own zone,
// the local zone's offset, and where the user's archive is; see archivio.h.
#include <chrono>
#include <cstdio>
#include <ctime>

#include "archive/archivio.h"
#include "platform/unita.h"

namespace lumetto::archivio {

namespace fs = std::filesystem;

std::string oralocale(const char* formato) {
    std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    char testo[64];
    std::strftime(testo, sizeof testo, formato, &tm);
    return testo;
}

fs::path filepredefinito() {
    return platform::cartellautente() / "lumetto.sqlite";
}

std::string oraUTC() {
    auto adesso = std::chrono::system_clock::now();
    auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(adesso.time_since_epoch()) % 1000;
    std::time_t t = std::chrono::system_clock::to_time_t(adesso);
    std::tm tm{};
    gmtime_r(&t, &tm);
    char testo[40];
    std::strftime(testo, sizeof testo, "%Y-%m-%dT%H:%M:%S", &tm);
    char finale[48];
    std::snprintf(finale, sizeof finale, "%s.%03dZ", testo, static_cast<int>(ms.count()));
    return finale;
}

std::string iniziolocale(const Corsa& c, const char* formato) {
    int a = 0, me = 0, g = 0, o = 0, mi = 0, se = 0, fo = 0, fm = 0;
    char segno = '+';
    if (std::sscanf(c.inizio.c_str(), "%d-%d-%dT%d:%d:%d", &a, &me, &g, &o, &mi, &se) < 5)
        return {};
    if (std::sscanf(c.fuso.c_str(), "%c%d:%d", &segno, &fo, &fm) != 3) fo = fm = 0;
    std::tm tm{};
    tm.tm_year = a - 1900;
    tm.tm_mon = me - 1;
    tm.tm_mday = g;
    tm.tm_hour = o;
    tm.tm_min = mi + (segno == '-' ? -1 : 1) * (fo * 60 + fm);
    tm.tm_sec = se;
    const std::time_t t = timegm(&tm);  // normalises the minutes past the hour
    gmtime_r(&t, &tm);
    char testo[64];
    if (std::strftime(testo, sizeof testo, formato, &tm) == 0) return {};
    return testo;
}

std::string fusolocale() {
    std::string z = oralocale("%z");  // "+0100"
    if (z.size() == 5) return z.substr(0, 3) + ":" + z.substr(3);
    return "+00:00";
}

}  // namespace lumetto::archivio
