#pragma once
// How the serial component tells the user about its errors.

#include <functional>
#include <string>

namespace lumetto::serial {

// Shows "Arduino su:" + message + " non collegato!" through the hook and returns.
void ReportCommError(const std::string& message, int code);

// Where the texts go: the program connects its message box, tests capture them.
// An empty hook writes to standard error.
using CommErrorHook = std::function<void(const std::string& text, int code)>;
void setCommErrorHook(CommErrorHook hook);

}  // namespace lumetto::serial
