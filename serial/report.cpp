#include "serial/report.h"

#include <cstdio>

namespace lumetto::serial {

namespace {
CommErrorHook errorHook;
}

void ReportCommError(const std::string& message, int code) {
    std::string text = "Arduino su:" + message + " non collegato!";
    if (errorHook) {
        errorHook(text, code);
    } else {
        std::fprintf(stderr, "%s\n", text.c_str());
    }
}

void setCommErrorHook(CommErrorHook hook) {
    errorHook = std::move(hook);
}

}  // namespace lumetto::serial
