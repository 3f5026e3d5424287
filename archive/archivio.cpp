// The archive over SQLite: the schema and its migrations, the damaged file
// moved aside, and the statements, each prepared once when the file opens.

#include "archive/archivio.h"

#include <locale.h>
#include <sys/stat.h>
#include <unistd.h>
#include <wctype.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <system_error>
#include <thread>

#include "archive/errori.h"
#include "archive/sqlite.h"

namespace lumetto::archivio {

namespace {

namespace fs = std::filesystem;

void metticolonne(Istruzione& metti, int64_t corsa, const std::vector<ColonnaCorsa>& colonne);

// Runs kept before columns were: theirs named by their header, once, so
// that every run reads back alike.
void nomidatestata(Connessione& db) {
    std::vector<std::pair<int64_t, std::string>> corse;
    {
        Istruzione leggi(db, "SELECT id, testata FROM corsa");
        Uso uso(leggi);
        while (leggi.passo())
            corse.emplace_back(leggi.intero(0), leggi.testo(1));
    }
    Istruzione metti(db,
                     "INSERT INTO colonna (corsa, indice, nome, unita, decimali) "
                     "VALUES (?1, ?2, ?3, ?4, ?5)");
    for (const auto& [id, testata] : corse)
        metticolonne(metti, id, colonnedatestata(testata));
}

// Each step brings the schema from version i to i + 1, with what it must
// compute after its SQL; a file of any earlier version is brought up to date
// step by step, in one transaction a step.
struct Migrazione {
    const char* sql;
    void (*dopo)(Connessione&);
};
constexpr Migrazione kMigrazioni[] = {
    {R"(CREATE TABLE corsa (
         id INTEGER PRIMARY KEY,
         codice INTEGER NOT NULL,
         esperimento TEXT NOT NULL,
         testata TEXT NOT NULL,
         mascheratipo TEXT NOT NULL,
         mascheracolori TEXT NOT NULL,
         mascheradimensioni TEXT NOT NULL,
         fileschema TEXT NOT NULL,
         intervallo INTEGER NOT NULL,
         inizio TEXT NOT NULL,
         fuso TEXT NOT NULL,
         porta TEXT NOT NULL,
         sketch TEXT NOT NULL,
         versione TEXT NOT NULL,
         banco TEXT NOT NULL,
         titolo TEXT NOT NULL DEFAULT '',
         nota TEXT NOT NULL DEFAULT '');
       CREATE TABLE lettura (
         corsa INTEGER NOT NULL REFERENCES corsa(id) ON DELETE CASCADE,
         numero INTEGER NOT NULL,
         ms INTEGER NOT NULL,
         v1 REAL, v2 REAL, v3 REAL, v4 REAL, v5 REAL, v6 REAL, v7 REAL,
         v8 REAL, v9 REAL, v10 REAL, v11 REAL, v12 REAL, v13 REAL,
         PRIMARY KEY (corsa, numero)) WITHOUT ROWID;
       CREATE INDEX corsa_inizio ON corsa(inizio);)",
     nullptr},
    // 2: what the class's broker acknowledged, run by run and reading by
    // reading (0 until it does; the runs and readings kept before are taken
    // as not sent, and a bench without a class simply never marks them).
    {R"(ALTER TABLE corsa ADD COLUMN pubblicata INTEGER NOT NULL DEFAULT 0;
       ALTER TABLE lettura ADD COLUMN pubblicata INTEGER NOT NULL DEFAULT 0;
       CREATE INDEX lettura_dapubblicare ON lettura(corsa, numero) WHERE pubblicata = 0;)",
     nullptr},
    // 3: each run's columns with their whole names and units (indice is the
    // reading's v1 to v13; decimali NULL where the run did not say), and the
    // file of a teacher's own experiment. The runs kept before get the names
    // of their header.
    {R"(CREATE TABLE colonna (
         corsa INTEGER NOT NULL REFERENCES corsa(id) ON DELETE CASCADE,
         indice INTEGER NOT NULL,
         nome TEXT NOT NULL,
         unita TEXT NOT NULL DEFAULT '',
         decimali INTEGER,
         PRIMARY KEY (corsa, indice)) WITHOUT ROWID;
       ALTER TABLE corsa ADD COLUMN fileesperimento TEXT NOT NULL DEFAULT '';)",
     nomidatestata},
    // 4: whether a run reached its end (those kept before did, as far as
    // anyone can tell). The class's index goes: it is made again where a
    // class publishes (see letturedapubblicare), so that elsewhere a
    // reading writes one page, not two.
    {R"(ALTER TABLE corsa ADD COLUMN conclusa INTEGER NOT NULL DEFAULT 1;
       DROP INDEX IF EXISTS lettura_dapubblicare;)",
     nullptr},
};
static_assert(std::size(kMigrazioni) == kVersione);

constexpr const char* kColonneCorsa =
    "id, codice, esperimento, testata, mascheratipo, mascheracolori, mascheradimensioni, "
    "fileschema, intervallo, inizio, fuso, porta, sketch, versione, banco, titolo, nota, "
    "fileesperimento, (SELECT count(*) FROM lettura WHERE lettura.corsa = corsa.id), conclusa";

Corsa leggicorsa(const Istruzione& i) {
    Corsa c;
    c.id = i.intero(0);
    c.codice = static_cast<int>(i.intero(1));
    c.esperimento = i.testo(2);
    c.testata = i.testo(3);
    c.mascheratipo = i.testo(4);
    c.mascheracolori = i.testo(5);
    c.mascheradimensioni = i.testo(6);
    c.fileschema = i.testo(7);
    c.intervallo = static_cast<int32_t>(i.intero(8));
    c.inizio = i.testo(9);
    c.fuso = i.testo(10);
    c.porta = i.testo(11);
    c.sketch = i.testo(12);
    c.versione = i.testo(13);
    c.banco = i.testo(14);
    c.titolo = i.testo(15);
    c.nota = i.testo(16);
    c.fileesperimento = i.testo(17);
    c.letture = static_cast<int>(i.intero(18));
    c.interrotta = i.intero(19) == 0;
    return c;
}

void metticolonne(Istruzione& metti, int64_t corsa, const std::vector<ColonnaCorsa>& colonne) {
    const std::size_t n = std::min(colonne.size(), static_cast<std::size_t>(kColonne));
    for (std::size_t k = 0; k < n; ++k) {
        const ColonnaCorsa& c = colonne[k];
        metti.lega(1, corsa).lega(2, static_cast<int64_t>(k + 1)).lega(3, c.nome).lega(4, c.unita);
        if (c.decimali >= 0)
            metti.lega(5, int64_t{c.decimali});
        else
            metti.legavuoto(5);
        metti.esegui();
    }
}

}  // namespace

namespace {

// How a file was found on opening, before anything in it changes.
struct Estraneo {};  // a database of another program
struct Recente {     // a newer Lumetto's schema
    int64_t versione;
};

void piegasql(sqlite3_context* c, int, sqlite3_value** v) {
    const unsigned char* t = sqlite3_value_text(v[0]);
    if (!t) {
        sqlite3_result_null(c);
        return;
    }
    const std::string p = piega(std::string_view(reinterpret_cast<const char*>(t),
                                                 static_cast<size_t>(sqlite3_value_bytes(v[0]))));
    sqlite3_result_text64(c, p.data(), p.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
}

// The connection, looked at before anything is written: `sola` opens it
// read-only. A file of an earlier schema that cannot be written is read
// into memory and brought up to date there, so that it can be browsed.
Connessione& connetti(std::unique_ptr<Connessione>& db, std::unique_ptr<Connessione>& disco,
                      const fs::path& file, int attesa, bool sola) {
    db = std::make_unique<Connessione>(file.string(), !sola, sola);
    const int64_t versione =
        db->intero("PRAGMA user_version");  // a file that is no database fails here
    const int64_t tabelle = db->intero(
        "SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite_%'");
    if (versione == 0 && tabelle > 0) throw Estraneo{};
    if (versione > kVersione && !sola) throw Recente{versione};
    if (sola && versione < kVersione) {
        disco = std::move(db);
        db = std::make_unique<Connessione>(":memory:", true, false);
        sqlite3_backup* b = sqlite3_backup_init(db->db(), "main", disco->db(), "main");
        if (!b) db->fallisci(sqlite3_errcode(db->db()));
        sqlite3_backup_step(b, -1);
        const int rc = sqlite3_backup_finish(b);
        if (rc != SQLITE_OK) db->fallisci(rc);
        disco.reset();
        sola = false;  // the copy in memory is ours to migrate
    }
    sqlite3_create_function_v2(db->db(), "lumetto_piega", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC,
                               nullptr, piegasql, nullptr, nullptr, nullptr);
    if (sola) return *db;
    // Two programs on one PC (two benches) share the file: a writer waits
    // for the other's commit, which takes well under a second, or not at
    // all where the caller must never wait.
    sqlite3_busy_timeout(db->db(), attesa);
    db->esegui("PRAGMA journal_mode = WAL");
    db->esegui("PRAGMA synchronous = NORMAL");
    db->esegui("PRAGMA foreign_keys = ON");
    for (int64_t v = db->intero("PRAGMA user_version"); v < kVersione; ++v) {
        Transazione t(*db);
        // Another program may have migrated meanwhile: look again inside.
        if (db->intero("PRAGMA user_version") > v) continue;
        db->esegui(kMigrazioni[v].sql);
        if (kMigrazioni[v].dopo) kMigrazioni[v].dopo(*db);
        db->esegui(("PRAGMA user_version = " + std::to_string(v + 1)).c_str());
        t.conferma();
    }
    return *db;
}

}  // namespace

namespace {

template <typename F>
auto protetto(F&& f) {
    try {
        return f();
    } catch (const ErroreSqlite& e) {
        throw traduci(e);
    }
}

}  // namespace

struct Archivio::Stato {
    Stato(const fs::path& file, int attesa, bool sola)
        : nuova(connetti(connessione, disco, file, attesa, sola),
                "INSERT INTO corsa (codice, esperimento, testata, mascheratipo, mascheracolori, "
                "mascheradimensioni, fileschema, intervallo, inizio, fuso, porta, sketch, "
                "versione, banco, titolo, nota, fileesperimento, conclusa) "
                "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13, ?14, ?15, ?16, "
                "?17, 0)"),
          colonna(db(),
                  "INSERT INTO colonna (corsa, indice, nome, unita, decimali) "
                  "VALUES (?1, ?2, ?3, ?4, ?5)"),
          colonne(db(),
                  "SELECT nome, unita, coalesce(decimali, -1) FROM colonna WHERE corsa = ?1 "
                  "ORDER BY indice"),
          senzacolonne(db(), "DELETE FROM colonna WHERE corsa = ?1"),
          dapubblicare(db(), "UPDATE corsa SET pubblicata = 0 WHERE id = ?1"),
          lettura(db(),
                  "INSERT OR REPLACE INTO lettura (corsa, numero, ms, v1, v2, v3, v4, v5, v6, v7, "
                  "v8, v9, v10, v11, v12, v13) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, "
                  "?11, ?12, ?13, ?14, ?15, ?16)"),
          elenco(db(),
                 (std::string("SELECT ") + kColonneCorsa +
                  " FROM corsa WHERE (?1 = '' OR instr(lumetto_piega(esperimento), "
                  "lumetto_piega(?1)) > 0 OR instr(lumetto_piega(titolo), lumetto_piega(?1)) > 0) "
                  "AND (?2 = '' OR date(inizio, fuso) >= ?2) "
                  "AND (?3 = '' OR date(inizio, fuso) <= ?3) "
                  "ORDER BY inizio DESC, id DESC")
                     .c_str()),
          una(db(), (std::string("SELECT ") + kColonneCorsa + " FROM corsa WHERE id = ?1").c_str()),
          letture(db(),
                  "SELECT numero, ms, v1, v2, v3, v4, v5, v6, v7, v8, v9, v10, v11, v12, v13 "
                  "FROM lettura WHERE corsa = ?1 ORDER BY numero"),
          titolo(db(), "UPDATE corsa SET titolo = ?2, nota = ?3 WHERE id = ?1"),
          elimina(db(), "DELETE FROM corsa WHERE id = ?1"),
          corsedapubblicare(db(), (std::string("SELECT ") + kColonneCorsa +
                                   " FROM corsa WHERE pubblicata = 0 ORDER BY id")
                                      .c_str()),
          letturedapubblicare(
              db(),
              "SELECT corsa, numero, ms, v1, v2, v3, v4, v5, v6, v7, v8, v9, v10, v11, v12, v13 "
              "FROM lettura WHERE pubblicata = 0 ORDER BY corsa, numero LIMIT ?1"),
          corsapubblicata(db(), "UPDATE corsa SET pubblicata = 1 WHERE id = ?1"),
          letturapubblicata(db(),
                            "UPDATE lettura SET pubblicata = 1 WHERE corsa = ?1 AND numero = ?2"),
          concludi(db(), "UPDATE corsa SET conclusa = 1 WHERE id = ?1") {}

    Connessione& db() { return *connessione; }

    std::unique_ptr<Connessione> connessione, disco;
    Istruzione nuova, colonna, colonne, senzacolonne, dapubblicare;
    Istruzione lettura, elenco, una, letture, titolo, elimina;
    Istruzione corsedapubblicare, letturedapubblicare, corsapubblicata, letturapubblicata;
    Istruzione concludi;
};

Archivio::Archivio(const fs::path& file, int attesa) : file_(file), attesa_(attesa) {
    apri();
}

Archivio::~Archivio() = default;

void Archivio::sposta(const char* perche) {
    // Kept, not deleted: what it holds may still be saved by hand.
    std::error_code ec;
    fs::path altrove = file_;
    altrove += std::string(".") + perche + "-" + oralocale("%Y%m%d-%H%M%S");
    for (int k = 2; fs::exists(altrove, ec); ++k)
        altrove.replace_filename(file_.filename().string() + "." + perche + "-" +
                                 oralocale("%Y%m%d-%H%M%S") + "-" + std::to_string(k));
    fs::rename(file_, altrove, ec);
    if (ec)
        throw ErroreArchivio(
            ErroreArchivio::Tipo::Danneggiato,
            std::string(perche == std::string("estraneo") ? "è il file di un altro programma"
                                                          : "il file è danneggiato") +
                " e non si può spostare (" + ec.message() + ")");
    for (const char* coda : {"-wal", "-shm"}) {
        fs::path p = file_;
        p += coda;
        fs::path q = altrove;
        q += coda;
        fs::rename(p, q, ec);  // absent most of the time
    }
    spostato_ = altrove;
}

void Archivio::apri() {
    std::error_code ec;
    const bool esiste = fs::exists(file_, ec);
    fs::create_directories(file_.parent_path(), ec);
    if (ec && !esiste)
        throw ErroreArchivio(ErroreArchivio::Tipo::Scrittura,
                             "la cartella «" + file_.parent_path().string() +
                                 "» non si può creare (" + ec.message() + ")");
    int occupato = 0;
    bool messodaparte = false;
    bool sola = false;
    solalettura_.clear();
    indiceclasse_ = false;
    for (;;) {
        try {
            s_ = std::make_unique<Stato>(file_, attesa_, sola);
            struct stat st {};
            if (::stat(file_.c_str(), &st) == 0) {
                dispositivo_ = st.st_dev;
                inode_ = st.st_ino;
            }
            return;
        } catch (const Estraneo&) {
            s_.reset();
            if (messodaparte || sola)
                throw ErroreArchivio(ErroreArchivio::Tipo::Altro,
                                     "è il file di un altro programma");
            sposta("estraneo");
            messodaparte = true;
        } catch (const Recente& r) {
            s_.reset();
            sola = true;
            solalettura_ = "è di una versione di Lumetto più recente (schema " +
                           std::to_string(r.versione) + "): si può solo consultare";
        } catch (const ErroreSqlite& e) {
            s_.reset();
            // Two programs opening a new file at once: setting up its journal
            // takes a lock that SQLite refuses at once rather than wait for
            // (the two would wait for each other). The other one is done in
            // moments: try again, for two seconds at most.
            if (e.codice() == SQLITE_BUSY && ++occupato < 100) {
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
                continue;
            }
            const auto tipo = tipodi(e.codice());
            // A file that is there but cannot be written (its own mode, or
            // its folder's, or a read-only disk) is opened to be read.
            if (tipo == ErroreArchivio::Tipo::Scrittura && fs::exists(file_, ec) && !sola) {
                diagnostica(e);
                sola = true;
                solalettura_ = ::access(file_.parent_path().c_str(), W_OK) != 0 && errno == EROFS
                                   ? "il disco è in sola lettura"
                                   : "mancano i permessi per scriverlo";
                continue;
            }
            // A file that cannot be opened tells the reason of SQLite's last
            // try (read-only, after read-write failed): its folder tells why.
            if (e.codice() == SQLITE_CANTOPEN && ::access(file_.parent_path().c_str(), W_OK) != 0)
                throw traduci(ErroreSqlite(e.codice(), e.what(), errno));
            if (sola && tipo == ErroreArchivio::Tipo::Altro && !solalettura_.empty()) {
                diagnostica(e);  // a newer schema this version's reading does not fit
                throw ErroreArchivio(
                    ErroreArchivio::Tipo::Altro,
                    solalettura_.substr(0, solalettura_.find(':')) + ", che questa non sa leggere");
            }
            if (tipo != ErroreArchivio::Tipo::Danneggiato || messodaparte || sola) throw traduci(e);
            sposta("danneggiato");
            messodaparte = true;
        }
    }
}

bool Archivio::scomparso() const {
    if (!solalettura_.empty()) return false;
    struct stat st {};
    return ::stat(file_.c_str(), &st) != 0 || static_cast<uint64_t>(st.st_dev) != dispositivo_ ||
           static_cast<uint64_t>(st.st_ino) != inode_;
}

void Archivio::mettidaparte() {
    s_.reset();
    sposta("danneggiato");
    apri();
}

void Archivio::scrivibile() const {
    if (!solalettura_.empty())
        throw ErroreArchivio(ErroreArchivio::Tipo::Scrittura, "l'archivio " + solalettura_);
}

void Archivio::consolida() {
    if (!solalettura_.empty()) return;
    protetto([&] {
        const int rc = sqlite3_wal_checkpoint_v2(s_->db().db(), nullptr, SQLITE_CHECKPOINT_TRUNCATE,
                                                 nullptr, nullptr);
        // Another program reading or writing: it is done at the next chance.
        if (rc != SQLITE_OK && rc != SQLITE_BUSY && rc != SQLITE_LOCKED) s_->db().fallisci(rc);
    });
}

void Archivio::copia(const fs::path& dove) {
    std::error_code ec;
    if (fs::exists(dove, ec))
        throw ErroreArchivio(ErroreArchivio::Tipo::Altro, "«" + dove.string() + "» esiste già");
    try {
        Istruzione i(s_->db(), "VACUUM INTO ?1");
        i.lega(1, dove.string()).esegui();
    } catch (const ErroreSqlite& e) {
        fs::remove(dove, ec);  // nothing half-made
        throw traduci(e);
    }
}

int64_t Archivio::nuovacorsa(const Corsa& c) {
    scrivibile();
    return protetto([&] {
        Transazione t(s_->db());
        Istruzione& i = s_->nuova;
        Uso uso(i);
        i.lega(1, int64_t{c.codice})
            .lega(2, c.esperimento)
            .lega(3, c.testata)
            .lega(4, c.mascheratipo)
            .lega(5, c.mascheracolori)
            .lega(6, c.mascheradimensioni)
            .lega(7, c.fileschema)
            .lega(8, int64_t{c.intervallo})
            .lega(9, c.inizio)
            .lega(10, c.fuso)
            .lega(11, c.porta)
            .lega(12, c.sketch)
            .lega(13, c.versione)
            .lega(14, c.banco)
            .lega(15, c.titolo)
            .lega(16, c.nota)
            .lega(17, c.fileesperimento);
        while (i.passo()) {
        }
        const auto id = static_cast<int64_t>(sqlite3_last_insert_rowid(s_->db().db()));
        metticolonne(s_->colonna, id, c.colonne.empty() ? colonnedatestata(c.testata) : c.colonne);
        t.conferma();
        return id;
    });
}

void Archivio::conclusa(int64_t corsa) {
    scrivibile();
    protetto([&] { s_->concludi.lega(1, corsa).esegui(); });
}

void Archivio::sostituiscicolonne(int64_t corsa, const std::vector<ColonnaCorsa>& colonne) {
    scrivibile();
    protetto([&] {
        Transazione t(s_->db());
        s_->senzacolonne.lega(1, corsa).esegui();
        // The run's key is checked here too: a deleted run fails as a reading does.
        metticolonne(s_->colonna, corsa, colonne);
        s_->dapubblicare.lega(1, corsa).esegui();
        if (sqlite3_changes(s_->db().db()) == 0)
            throw ErroreArchivio(ErroreArchivio::Tipo::Eliminata,
                                 "la corsa è stata eliminata dall'archivio");
        t.conferma();
    });
}

void Archivio::aggiungi(int64_t corsa, const Lettura& l) {
    scrivibile();
    protetto([&] {
        Istruzione& i = s_->lettura;
        i.lega(1, corsa).lega(2, int64_t{l.numero}).lega(3, l.ms);
        for (int k = 0; k < kColonne; ++k)
            i.lega(4 + k, l.valori[static_cast<size_t>(k)]);
        // Outside a transaction of our own the insert is its own commit.
        i.esegui();
    });
}

void Archivio::aggiungi(int64_t corsa, const std::vector<Lettura>& letture) {
    scrivibile();
    protetto([&] {
        Transazione t(s_->db());
        for (const Lettura& l : letture)
            aggiungi(corsa, l);
        t.conferma();
    });
}

void Archivio::leggicolonne(Corsa& c) {
    Istruzione& i = s_->colonne;
    Uso uso(i);
    i.lega(1, c.id);
    c.colonne.clear();
    // Decimals another SQLite tool wrote out of reason are held in range.
    while (i.passo())
        c.colonne.push_back(
            {i.testo(0), i.testo(1), static_cast<int>(std::clamp<int64_t>(i.intero(2), -1, 99))});
    // A run written by hand, without columns: its header still names them.
    if (c.colonne.empty()) c.colonne = colonnedatestata(c.testata);
}

std::vector<Corsa> Archivio::elenco(const Filtro& f) {
    return protetto([&] {
        std::vector<Corsa> corse;
        {
            Istruzione& i = s_->elenco;
            Uso uso(i);
            i.lega(1, f.testo).lega(2, f.dal).lega(3, f.al);
            while (i.passo())
                corse.push_back(leggicorsa(i));
        }
        for (Corsa& c : corse)
            leggicolonne(c);
        return corse;
    });
}

std::optional<Corsa> Archivio::corsa(int64_t id) {
    return protetto([&]() -> std::optional<Corsa> {
        std::optional<Corsa> c;
        {
            Istruzione& i = s_->una;
            Uso uso(i);
            i.lega(1, id);
            if (!i.passo()) return std::nullopt;
            c = leggicorsa(i);
        }
        leggicolonne(*c);
        return c;
    });
}

namespace {

// A reading from the row's columns starting at `da`: number, ms, values.
Lettura leggilettura(const Istruzione& i, int da) {
    Lettura l;
    l.numero = static_cast<int>(i.intero(da));
    l.ms = i.intero(da + 1);
    for (int k = 0; k < kColonne; ++k)
        l.valori[static_cast<size_t>(k)] = i.reale(da + 2 + k);
    return l;
}

}  // namespace

std::vector<Lettura> Archivio::letture(int64_t id) {
    return protetto([&] {
        Istruzione& i = s_->letture;
        Uso uso(i);
        i.lega(1, id);
        std::vector<Lettura> tutte;
        while (i.passo())
            tutte.push_back(leggilettura(i, 0));
        return tutte;
    });
}

std::vector<Corsa> Archivio::corsedapubblicare() {
    return protetto([&] {
        std::vector<Corsa> corse;
        {
            Istruzione& i = s_->corsedapubblicare;
            Uso uso(i);
            while (i.passo())
                corse.push_back(leggicorsa(i));
        }
        for (Corsa& c : corse)
            leggicolonne(c);
        return corse;
    });
}

std::vector<Archivio::DaPubblicare> Archivio::letturedapubblicare(std::size_t massimo) {
    // The index that finds them, made where a class publishes only.
    if (!indiceclasse_ && solalettura_.empty()) {
        try {
            s_->db().esegui(
                "CREATE INDEX IF NOT EXISTS lettura_dapubblicare ON lettura(corsa, numero) "
                "WHERE pubblicata = 0");
            indiceclasse_ = true;
        } catch (const ErroreSqlite& e) {
            diagnostica(e);  // slower without it, not wrong
        }
    }
    return protetto([&] {
        Istruzione& i = s_->letturedapubblicare;
        Uso uso(i);
        i.lega(1, static_cast<int64_t>(std::min<std::size_t>(massimo, INT64_MAX)));
        std::vector<DaPubblicare> tutte;
        while (i.passo())
            tutte.push_back({i.intero(0), leggilettura(i, 1)});
        return tutte;
    });
}

void Archivio::corsapubblicata(int64_t id) {
    scrivibile();
    protetto([&] { s_->corsapubblicata.lega(1, id).esegui(); });
}

void Archivio::letturapubblicata(int64_t corsa, int numero) {
    scrivibile();
    protetto([&] { s_->letturapubblicata.lega(1, corsa).lega(2, int64_t{numero}).esegui(); });
}

void Archivio::intitola(int64_t id, const std::string& titolo, const std::string& nota) {
    scrivibile();
    protetto([&] { s_->titolo.lega(1, id).lega(2, titolo).lega(3, nota).esegui(); });
}

void Archivio::elimina(int64_t id) {
    scrivibile();
    protetto([&] { s_->elimina.lega(1, id).esegui(); });
}

std::string piega(std::string_view testo) {
    // The C.UTF-8 locale's case tables cover every script, whatever the
    // program's own locale; without it (never on Debian) ASCII only.
    static const locale_t utf8 = newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t{});
    std::string fuori;
    fuori.reserve(testo.size());
    for (std::size_t i = 0; i < testo.size();) {
        const auto b = static_cast<unsigned char>(testo[i]);
        const std::size_t n = b < 0x80         ? 1
                              : (b >> 5) == 6  ? 2
                              : (b >> 4) == 14 ? 3
                              : (b >> 3) == 30 ? 4
                                               : 0;
        char32_t c = n == 1 ? b : n == 2 ? (b & 0x1F) : n == 3 ? (b & 0x0F) : (b & 0x07);
        bool buono = n != 0 && i + n <= testo.size();
        for (std::size_t k = 1; buono && k < n; ++k) {
            const auto x = static_cast<unsigned char>(testo[i + k]);
            buono = (x & 0xC0) == 0x80;
            c = (c << 6) | (x & 0x3F);
        }
        if (!buono) {  // not UTF-8: the byte as it is
            fuori += testo[i++];
            continue;
        }
        i += n;
        if (utf8)
            c = static_cast<char32_t>(towlower_l(static_cast<wint_t>(c), utf8));
        else if (c >= 'A' && c <= 'Z')
            c += 'a' - 'A';
        if (c < 0x80) {
            fuori += static_cast<char>(c);
        } else if (c < 0x800) {
            fuori += static_cast<char>(0xC0 | (c >> 6));
            fuori += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            fuori += static_cast<char>(0xE0 | (c >> 12));
            fuori += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            fuori += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            fuori += static_cast<char>(0xF0 | (c >> 18));
            fuori += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            fuori += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            fuori += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return fuori;
}

}  // namespace lumetto::archivio
