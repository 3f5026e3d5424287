#pragma once
// Thin RAII handles over the sqlite3 C API: a connection, and statements
// prepared once and reset after each use. Every failure becomes an
// ErroreSqlite carrying SQLite's result code, so callers tell a full disk
// from a damaged file without reading global state.

#include <sqlite3.h>

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace lumetto::archivio {

class ErroreSqlite : public std::runtime_error {
  public:
    ErroreSqlite(int codice, const std::string& testo, int sistema = 0)
        : std::runtime_error(testo), codice_(codice), sistema_(sistema) {}
    int codice() const { return codice_; }    // the primary result code (SQLITE_FULL, ...)
    int sistema() const { return sistema_; }  // the system's errno behind it, or 0

  private:
    int codice_;
    int sistema_;
};

class Connessione {
  public:
    // Opens (creating it when `crea`) the database file, read-only with
    // `sola`; throws on failure.
    Connessione(const std::string& file, bool crea, bool sola = false);
    ~Connessione();
    Connessione(const Connessione&) = delete;
    Connessione& operator=(const Connessione&) = delete;

    sqlite3* db() const { return db_; }
    // Runs statements that take no parameters and return no rows.
    void esegui(const char* sql);
    // The first column of the first row of a statement without parameters.
    int64_t intero(const char* sql);
    [[noreturn]] void fallisci(int rc) const;

  private:
    sqlite3* db_ = nullptr;
};

class Istruzione {
  public:
    Istruzione(Connessione& c, const char* sql);
    ~Istruzione();
    Istruzione(const Istruzione&) = delete;
    Istruzione& operator=(const Istruzione&) = delete;

    // Parameters from 1, as SQLite numbers them.
    Istruzione& lega(int i, int64_t v);
    Istruzione& lega(int i, double v);  // NaN is bound as NULL
    Istruzione& lega(int i, std::string_view v);
    Istruzione& legavuoto(int i);
    // Steps once: true while a row is there to read.
    bool passo();
    // Steps to the end of a statement that returns no rows, then resets it.
    void esegui();
    void azzera();  // reset and clear the parameters, for the next use

    int64_t intero(int colonna) const;
    double reale(int colonna) const;  // NULL reads as NaN
    std::string testo(int colonna) const;

  private:
    Connessione& c_;
    sqlite3_stmt* st_ = nullptr;
};

// Resets a statement however the block that used it ends.
class Uso {
  public:
    explicit Uso(Istruzione& i) : i_(i) {}
    ~Uso() { i_.azzera(); }
    Uso(const Uso&) = delete;
    Uso& operator=(const Uso&) = delete;

  private:
    Istruzione& i_;
};

// A transaction rolled back unless committed.
class Transazione {
  public:
    explicit Transazione(Connessione& c);
    ~Transazione();
    Transazione(const Transazione&) = delete;
    Transazione& operator=(const Transazione&) = delete;
    void conferma();

  private:
    Connessione& c_;
    bool aperta_ = true;
};

}  // namespace lumetto::archivio
