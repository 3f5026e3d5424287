#pragma once
// The archive of runs: one SQLite file per user where every run that stored
// a reading is kept with its facts and its readings, each reading committed
// on its own so that a crash or a power cut loses nothing already stored.
// Read back to list, reopen, compare, title, delete and export runs.

#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace lumetto::archivio {

inline constexpr int kColonne = 13;  // values of a reading, columns 1 to 13
inline constexpr int kVersione = 4;  // the schema this code writes (user_version)

// A column of a run as people read it: column i of the run is value i of
// its readings.
struct ColonnaCorsa {
    std::string nome;     // UTF-8, whole ("temp", "luce esterna")
    std::string unita{};  // UTF-8; empty: none, or not known
    int decimali = -1;    // shown; -1: the run did not say
    friend bool operator==(const ColonnaCorsa&, const ColonnaCorsa&) = default;
};

// A column as every view and file titles it: "temp [°C]", the name alone
// without a unit.
inline std::string titolocolonna(std::string_view nome, std::string_view unita) {
    std::string t(nome);
    if (!unita.empty()) t.append(" [").append(unita).append("]");
    return t;
}

// The columns a header names (UTF-8, 6 characters a field, dots as filler):
// one a whole field, at most kColonne, named as the plot names them ("temp..",
// the last whole field with the rest of its name past it, "C3" for a field of
// dots, a repeated name with its column: "temp (3)"); no units.
std::vector<ColonnaCorsa> colonnedatestata(std::string_view testata);

// A run's facts. Texts are UTF-8; times are the start's, in UTC
// ("2026-12-09T10:15:02.123Z") and the local zone's offset ("+01:00").
struct Corsa {
    int64_t id = 0;
    int codice = 0;           // the experiment's code
    std::string esperimento;  // its caption ("termostato")
    std::string testata;      // 6 characters a column, dots as filler
    std::string mascheratipo, mascheracolori, mascheradimensioni;
    std::string fileschema;  // the scheme file the run read, as the program names it
    int32_t intervallo = 0;  // seconds between readings
    std::string inizio, fuso;
    std::string porta, sketch, versione;  // sketch and version: what the board said
    std::string banco;                    // the bench (the PC's name)
    std::string titolo, nota;
    // In column order, at most kColonne (more are not kept). A run written
    // without them takes those of its header; read back, a run always has
    // them, old runs included.
    std::vector<ColonnaCorsa> colonne{};
    std::string fileesperimento{};  // a teacher's own experiment file; empty otherwise
    int letture = 0;                // readings kept (filled when read back)
    // Read back: the run never reached its end in the archive (the program
    // was killed, or is still writing it).
    bool interrotta = false;
};

// A stored reading: its number in the run, milliseconds since the run's
// start, and the values (NaN where the reading had no such column).
struct Lettura {
    int numero = 0;
    int64_t ms = 0;
    std::array<double, kColonne> valori{};
};

// The same reading: number, time and every value, NaN where NaN (so a
// column with no value matches), -0 as 0.
inline bool stessalettura(const Lettura& a, const Lettura& b) {
    if (a.numero != b.numero || a.ms != b.ms) return false;
    for (std::size_t k = 0; k < a.valori.size(); ++k)
        if (std::isnan(a.valori[k]) ? !std::isnan(b.valori[k]) : a.valori[k] != b.valori[k])
            return false;
    return true;
}

// What a list of runs may be narrowed to: a part of the experiment's caption
// or of the title (any case, of any letter: "CITTÀ" finds "città"), and a
// range of start days ("2026-12-01", both ends included, in the start's
// local date).
struct Filtro {
    std::string testo;
    std::string dal, al;
};

// Why the archive failed. The text is Italian, for the user as it is.
class ErroreArchivio : public std::runtime_error {
  public:
    // Eliminata: a reading for a run no longer in the archive (deleted meanwhile).
    // Occupato: another program holds the file's write lock; try again later.
    enum class Tipo { Scrittura, Pieno, Danneggiato, Eliminata, Occupato, Altro };
    ErroreArchivio(Tipo t, const std::string& testo) : std::runtime_error(testo), tipo_(t) {}
    Tipo tipo() const { return tipo_; }

  private:
    Tipo tipo_;
};

class Archivio {
  public:
    // Opens the file, creating it and its folder where missing, and brings
    // its schema to this version. A file that is not a database, or a
    // damaged one, is moved aside ("lumetto.sqlite.danneggiato-20261209-101502")
    // and a new one started, and so is a database of another program
    // (".estraneo-..."), which is never changed: `spostato` then names where
    // it went. A newer schema, or a file or folder that cannot be written,
    // opens read-only (`solalettura` says why) and is left exactly as it
    // was. `attesa`: milliseconds a write waits for another program's lock
    // (0: it fails at once with Tipo::Occupato). Throws ErroreArchivio when
    // nothing can be opened.
    explicit Archivio(const std::filesystem::path& file, int attesa = 2000);
    ~Archivio();
    Archivio(const Archivio&) = delete;
    Archivio& operator=(const Archivio&) = delete;

    const std::filesystem::path& file() const { return file_; }
    const std::optional<std::filesystem::path>& spostato() const { return spostato_; }
    // Empty when the archive can be written; else why not (Italian).
    const std::string& solalettura() const { return solalettura_; }
    // Whether the file this archive writes into is no longer at its path
    // (deleted, its folder with it, or replaced): what is written now is lost.
    bool scomparso() const;
    // Moves the file aside as damaged (with its journal) and starts a new
    // one there, for a file found damaged while in use.
    void mettidaparte();
    // Writes what the journal holds into the file itself, so that the file
    // alone holds every committed run (a copy of it misses nothing).
    void consolida();
    // A whole copy of the archive at `dove` (which must not exist), safe
    // while runs are being written.
    void copia(const std::filesystem::path& dove);

    // A new run with its facts and columns (its id and counts are
    // ignored), in one commit; its id. It counts as interrupted until
    // `conclusa` says it reached its end.
    int64_t nuovacorsa(const Corsa& c);
    void conclusa(int64_t corsa);
    // The run's columns replaced in one commit (a free run that named a new
    // one): its facts count as not sent to the class again. Throws, with
    // Tipo::Eliminata, for a run no longer in the archive.
    void sostituiscicolonne(int64_t corsa, const std::vector<ColonnaCorsa>& colonne);
    // One reading of a run, committed before it returns. A number already
    // stored is replaced (a resend is harmless).
    void aggiungi(int64_t corsa, const Lettura& l);
    // Many readings of a run in one commit: all of them, or none when it
    // throws (a collected run, not a reading as it is taken).
    void aggiungi(int64_t corsa, const std::vector<Lettura>& letture);

    // Runs newest first, with their reading counts.
    std::vector<Corsa> elenco(const Filtro& f = {});
    std::optional<Corsa> corsa(int64_t id);
    std::vector<Lettura> letture(int64_t id);
    void intitola(int64_t id, const std::string& titolo, const std::string& nota);
    void elimina(int64_t id);

    // What the class's broker has not acknowledged yet, to be sent again in
    // order when it is back: runs oldest first, and their readings in
    // number order, at most `massimo`. A reading stored again (a resend of
    // the board's) counts as not sent.
    struct DaPubblicare {
        int64_t corsa = 0;
        Lettura lettura;
    };
    std::vector<Corsa> corsedapubblicare();
    std::vector<DaPubblicare> letturedapubblicare(std::size_t massimo);
    void corsapubblicata(int64_t id);
    void letturapubblicata(int64_t corsa, int numero);

  private:
    struct Stato;
    void apri();
    void sposta(const char* perche);
    void leggicolonne(Corsa& c);
    void scrivibile() const;
    std::filesystem::path file_;
    int attesa_;
    std::optional<std::filesystem::path> spostato_;
    std::string solalettura_;
    uint64_t dispositivo_ = 0, inode_ = 0;  // of the file opened
    bool indiceclasse_ = false;
    std::unique_ptr<Stato> s_;
};

// A text's letters folded to one case, for any script ("CITTÀ" and "città"
// alike): UTF-8 in, UTF-8 out.
std::string piega(std::string_view testo);

// The user's archive: $XDG_DATA_HOME/lumetto/lumetto.sqlite, else
// ~/.local/share/lumetto/lumetto.sqlite.
std::filesystem::path filepredefinito();

// The start's texts for a run beginning now: UTC with milliseconds, and the
// local zone's offset.
std::string oraUTC();
std::string fusolocale();
// Now in the local zone through strftime's `formato` ("%Y%m%d-%H%M%S").
std::string oralocale(const char* formato);

// A run's start in its own zone ("2026-12-09T11:15:02" for a start of
// "2026-12-09T10:15:02.123Z" at "+01:00"), through strftime's `formato`;
// empty when the start cannot be read (an unreadable offset counts as UTC).
std::string iniziolocale(const Corsa& c, const char* formato = "%Y-%m-%dT%H:%M:%S");

}  // namespace lumetto::archivio
