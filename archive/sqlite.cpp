// The RAII handles over sqlite3: every non-OK result becomes an ErroreSqlite.

#include "archive/sqlite.h"

#include <cmath>
#include <cstdio>
#include <limits>

namespace lumetto::archivio {

namespace {

// A file's path as a URI, for the parameters only a URI takes.
std::string uri(const std::string& file) {
    std::string u = "file:";
    for (unsigned char c : file) {
        if (c == '?' || c == '#' || c == '%' || c < 0x20) {
            char x[4];
            std::snprintf(x, sizeof x, "%%%02X", c);
            u += x;
        } else {
            u += static_cast<char>(c);
        }
    }
    return u;
}

}  // namespace

Connessione::Connessione(const std::string& file, bool crea, bool sola) {
    int flag = (sola ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE) | SQLITE_OPEN_NOMUTEX |
               (crea && !sola ? SQLITE_OPEN_CREATE : 0);
    int rc = sqlite3_open_v2(file.c_str(), &db_, flag, nullptr);
    if (rc == SQLITE_OK && sola) {
        // A journal that cannot be read where it is (a folder that cannot be
        // written lacks its shared memory): the file alone, as it stands.
        rc = sqlite3_exec(db_, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr);
        if (rc != SQLITE_OK) {
            sqlite3_close_v2(db_);
            db_ = nullptr;
            rc = sqlite3_open_v2((uri(file) + "?immutable=1").c_str(), &db_,
                                 SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_URI,
                                 nullptr);
        }
    }
    if (rc != SQLITE_OK) {
        std::string testo = db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(rc);
        const int sistema = db_ ? sqlite3_system_errno(db_) : 0;
        sqlite3_close_v2(db_);
        db_ = nullptr;
        throw ErroreSqlite(rc & 0xff, testo, sistema);
    }
    sqlite3_extended_result_codes(db_, 1);
}

Connessione::~Connessione() {
    sqlite3_close_v2(db_);
}

namespace {

// The system's errno behind a failure. SQLite keeps the errno of a file's
// last failed call with the file (a write to the log is the log's), while
// sqlite3_system_errno reads errno only after the fact, when the clean-up may
// have changed it: the files are asked first.
int errnodi(sqlite3* db) {
    if (!db) return 0;
    int e = 0;
    sqlite3_file_control(db, "main", SQLITE_FCNTL_LAST_ERRNO, &e);
    sqlite3_file* registro = nullptr;
    if (e == 0 &&
        sqlite3_file_control(db, "main", SQLITE_FCNTL_JOURNAL_POINTER, &registro) == SQLITE_OK &&
        registro && registro->pMethods)
        registro->pMethods->xFileControl(registro, SQLITE_FCNTL_LAST_ERRNO, &e);
    return e != 0 ? e : sqlite3_system_errno(db);
}

}  // namespace

void Connessione::fallisci(int rc) const {
    throw ErroreSqlite(rc & 0xff, db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(rc), errnodi(db_));
}

void Connessione::esegui(const char* sql) {
    int rc = sqlite3_exec(db_, sql, nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) fallisci(rc);
}

int64_t Connessione::intero(const char* sql) {
    Istruzione i(*this, sql);
    return i.passo() ? i.intero(0) : 0;
}

Istruzione::Istruzione(Connessione& c, const char* sql) : c_(c) {
    int rc = sqlite3_prepare_v3(c.db(), sql, -1, SQLITE_PREPARE_PERSISTENT, &st_, nullptr);
    if (rc != SQLITE_OK) c_.fallisci(rc);
}

Istruzione::~Istruzione() {
    sqlite3_finalize(st_);
}

Istruzione& Istruzione::lega(int i, int64_t v) {
    int rc = sqlite3_bind_int64(st_, i, v);
    if (rc != SQLITE_OK) c_.fallisci(rc);
    return *this;
}

Istruzione& Istruzione::lega(int i, double v) {
    if (std::isnan(v)) return legavuoto(i);
    int rc = sqlite3_bind_double(st_, i, v);
    if (rc != SQLITE_OK) c_.fallisci(rc);
    return *this;
}

Istruzione& Istruzione::lega(int i, std::string_view v) {
    int rc = sqlite3_bind_text64(st_, i, v.data(), v.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
    if (rc != SQLITE_OK) c_.fallisci(rc);
    return *this;
}

Istruzione& Istruzione::legavuoto(int i) {
    int rc = sqlite3_bind_null(st_, i);
    if (rc != SQLITE_OK) c_.fallisci(rc);
    return *this;
}

bool Istruzione::passo() {
    int rc = sqlite3_step(st_);
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    c_.fallisci(rc);
}

void Istruzione::esegui() {
    Uso uso(*this);
    while (passo()) {
    }
}

void Istruzione::azzera() {
    sqlite3_reset(st_);
    sqlite3_clear_bindings(st_);
}

int64_t Istruzione::intero(int colonna) const {
    return sqlite3_column_int64(st_, colonna);
}

double Istruzione::reale(int colonna) const {
    if (sqlite3_column_type(st_, colonna) == SQLITE_NULL)
        return std::numeric_limits<double>::quiet_NaN();
    return sqlite3_column_double(st_, colonna);
}

std::string Istruzione::testo(int colonna) const {
    const unsigned char* t = sqlite3_column_text(st_, colonna);
    if (!t) return {};
    return std::string(reinterpret_cast<const char*>(t),
                       static_cast<size_t>(sqlite3_column_bytes(st_, colonna)));
}

Transazione::Transazione(Connessione& c) : c_(c) {
    c_.esegui("BEGIN IMMEDIATE");
}

Transazione::~Transazione() {
    if (aperta_) sqlite3_exec(c_.db(), "ROLLBACK", nullptr, nullptr, nullptr);
}

void Transazione::conferma() {
    c_.esegui("COMMIT");
    aperta_ = false;
}

}  // namespace lumetto::archivio
