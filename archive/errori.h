#pragma once
// SQLite's failures in the archive's words: the kind of failure the program
// acts on, the Italian reason the user reads, SQLite's own text in the log.

#include "archive/archivio.h"
#include "archive/sqlite.h"

namespace lumetto::archivio {

// The kind of failure a result code of SQLite's stands for.
ErroreArchivio::Tipo tipodi(int codice);

// SQLite's own text, in English, for a technician: in the diagnostic log
// ("lumetto.archivio"), never in a box.
void diagnostica(const ErroreSqlite& e);

// SQLite's failure in the user's words: the system's reason where there is
// one (a lab PC's disk quota is not a full disk, and both say "disk I/O
// error" to SQLite), else what kind of failure it is. Logs it.
ErroreArchivio traduci(const ErroreSqlite& e);

}  // namespace lumetto::archivio
