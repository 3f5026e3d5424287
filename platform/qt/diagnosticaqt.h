#pragma once
// The diagnostic log in Qt's logging categories, "lumetto.<room>" one per
// library: off by default; on with a program's --diagnostica or Qt's own
// QT_LOGGING_RULES ("lumetto.*.debug=true", "lumetto.archivio.debug=true");
// on standard error (the journal, under a desktop session) or in a file.

#include <QLoggingCategory>
#include <optional>
#include <string>

#include "platform/diagnostica.h"

namespace lumetto::platform {

// The category of a room; its debug messages are the log.
const QLoggingCategory& categoria(diagnostica::Stanza s);

// Routes every library's hook into the categories: each program, first thing.
void instradadiagnostica();

// --diagnostica: every room on; with a file, every message of the program
// (Qt's own warnings too) appended there, with the time, instead of standard
// error. An Italian error when the file cannot be opened.
std::optional<std::string> accendidiagnostica(const std::string& file);

}  // namespace lumetto::platform
