// SQLite's failures in the archive's words; see errori.h.
#include "archive/errori.h"

#include <cerrno>
#include <cstring>
#include <string>

#include "platform/diagnostica.h"

namespace lumetto::archivio {

ErroreArchivio::Tipo tipodi(int codice) {
    switch (codice) {
        case SQLITE_FULL:
            return ErroreArchivio::Tipo::Pieno;
        case SQLITE_READONLY:
        case SQLITE_CANTOPEN:
        case SQLITE_IOERR:
        case SQLITE_PERM:
            return ErroreArchivio::Tipo::Scrittura;
        case SQLITE_CORRUPT:
        case SQLITE_NOTADB:
            return ErroreArchivio::Tipo::Danneggiato;
        case SQLITE_CONSTRAINT:  // the only constraint a reading can break: its run's key
            return ErroreArchivio::Tipo::Eliminata;
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
            return ErroreArchivio::Tipo::Occupato;
        default:
            return ErroreArchivio::Tipo::Altro;
    }
}

void diagnostica(const ErroreSqlite& e) {
    namespace d = lumetto::diagnostica;
    if (!d::attiva(d::Stanza::archivio)) return;
    std::string t = "SQLite " + std::to_string(e.codice()) + " (" + e.what() + ")";
    if (e.sistema() != 0)
        t += ", errno " + std::to_string(e.sistema()) + " (" + std::strerror(e.sistema()) + ")";
    d::scrivi(d::Stanza::archivio, t);
}

ErroreArchivio traduci(const ErroreSqlite& e) {
    diagnostica(e);
    switch (e.sistema()) {
        case ENOSPC:
            return {ErroreArchivio::Tipo::Pieno, "il disco è pieno"};
        case EDQUOT:
            return {ErroreArchivio::Tipo::Pieno,
                    "lo spazio concesso all'utente sul disco è finito"};
        case EFBIG:
            return {ErroreArchivio::Tipo::Pieno,
                    "il file ha raggiunto la dimensione più grande concessa"};
        case EROFS:
            return {ErroreArchivio::Tipo::Scrittura, "il disco è in sola lettura"};
        case EACCES:
        case EPERM:
            return {ErroreArchivio::Tipo::Scrittura, "mancano i permessi per scrivere"};
        default:
            break;
    }
    const ErroreArchivio::Tipo t = tipodi(e.codice());
    switch (t) {
        case ErroreArchivio::Tipo::Pieno:
            return {t, "il disco è pieno"};
        case ErroreArchivio::Tipo::Scrittura:
            if (e.codice() == SQLITE_CANTOPEN) return {t, "il file non si può aprire"};
            if (e.codice() == SQLITE_READONLY) return {t, "il file è in sola lettura"};
            return {t, "il disco non accetta la scrittura"};
        case ErroreArchivio::Tipo::Danneggiato:
            return {t, "il file è danneggiato"};
        case ErroreArchivio::Tipo::Eliminata:
            return {t, "la corsa è stata eliminata dall'archivio"};
        case ErroreArchivio::Tipo::Occupato:
            return {t, "un altro programma lo sta usando"};
        default:
            return {t, "errore interno dell'archivio (codice " + std::to_string(e.codice()) + ")"};
    }
}

}  // namespace lumetto::archivio
