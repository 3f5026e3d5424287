#pragma once
// What the fuzz targets check on one input, also for the ordinary tests that
// replay the seed corpora and the inputs that once failed: an empty text when
// all holds, else what broke. A crash or a sanitizer report shows by itself.

#include <cstdio>
#include <string>
#include <string_view>

namespace lumetto::fuzz {

std::string difettotrama(std::string_view trama);
std::string difettosca(std::string_view file);
std::string difettoclasse(std::string_view messaggio);
std::string difettorighe(std::string_view dati);
std::string difettoesperimento(std::string_view file);

// The fuzzer's verdict: a report on stderr, then a crash it keeps the input of.
inline void esito(const std::string& difetto) {
    if (difetto.empty()) return;
    std::fprintf(stderr, "%s\n", difetto.c_str());
    __builtin_trap();
}

}  // namespace lumetto::fuzz
