#pragma once
// The archive as a listener of the acquisition: each run that stores a
// reading is written to the user's archive as it happens, its facts with its
// first reading and every reading committed in the tick that took it. The
// tick never waits on the archive: what cannot be written now (another
// program's lock, a full disk, a folder gone, a file found damaged and moved
// aside) waits in memory and is written, in order, when the archive takes it,
// so that at a run's end the archive holds exactly what the run showed. Each
// cause is told once a run, without a box that waits, and again only after
// it mended and broke again.

#include <chrono>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <set>
#include <vector>

#include "acquisition/acquisizione.h"
#include "archive/archivio.h"

namespace lumetto::acquisition {

class RegistroCorse final : public Ascoltatore {
  public:
    // The file is opened at the first reading stored, not before.
    explicit RegistroCorse(std::filesystem::path file = archivio::filepredefinito());
    // Writes what still waits (waiting for another program's lock this
    // once, two seconds at most) and leaves the file whole.
    ~RegistroCorse() override;
    RegistroCorse(const RegistroCorse&) = delete;
    RegistroCorse& operator=(const RegistroCorse&) = delete;

    void nuovacorsa() override;
    void letturamemorizzata(int r) override;
    // The run reached its end: once all of it is written it is marked so,
    // and the file made whole (a copy of it alone holds the run).
    void fermata() override;

    // Writes what waits, if the archive takes it now (it never waits): the
    // window calls it every second while something waits.
    void riprova();
    // Readings taken and not yet in the archive, of every run; whether
    // anything at all waits (a run's facts, its columns, its end).
    std::size_t inattesa() const;
    bool dascrivere() const;

    // The run being written (0 before its facts are in the archive) and the
    // archive, open once a reading reached it (null before or when it
    // cannot open).
    int64_t corsa() const { return fatti_.id; }
    archivio::Archivio* archivio() const { return archivio_.get(); }
    // The archive, opened now if it is not yet (for whoever reads it before
    // the first reading); null when it cannot be, which is said once.
    archivio::Archivio* apriarchivio() { return apri() ? archivio_.get() : nullptr; }
    // The current run's facts as written (their id that of the run).
    const archivio::Corsa& fatti() const { return fatti_; }
    // Counts the times the facts were written: the run's first reading, and
    // each change of its columns after it (a free run naming a new one), and
    // each time the run was written whole into a new file.
    int revisione() const { return revisione_; }
    // The current run's readings the last write committed, in order (a
    // write may commit several that waited); empty when it committed none.
    const std::vector<archivio::Lettura>& appenascritte() const { return appena_; }
    // Called after each write that committed readings of the current run,
    // in the tick or later (the class's publisher).
    void doposcrittura(std::function<void()> f) { dopo_ = std::move(f); }

  private:
    // A run as the archive must end up holding it: every reading the run
    // showed, in order, and whether it reached its end.
    struct Inattesa {
        archivio::Corsa fatti;  // id 0 until written into the file now open
        std::vector<archivio::Lettura> letture;
        std::size_t scritte = 0;  // how many of them the file holds
        bool colonne = false;     // its columns to be written again
        bool finita = false;
        bool eliminata = false;  // deleted in the runs' window while it ran
    };
    bool apri();
    void scrivi();
    void ricomincia();
    void avvisa(archivio::ErroreArchivio::Tipo causa, const std::string& testo);

    std::filesystem::path file_;
    std::unique_ptr<archivio::Archivio> archivio_;
    std::deque<Inattesa> corse_;  // the current run last
    archivio::Corsa fatti_;
    std::vector<Colonna> colonne_;  // stato.colonne as the current run's facts hold them
    int revisione_ = 0;
    std::vector<archivio::Lettura> appena_;
    std::function<void()> dopo_;
    std::chrono::steady_clock::time_point inizio_;
    std::chrono::steady_clock::time_point provata_{};   // the last try to open the archive
    std::chrono::steady_clock::time_point occupato_{};  // since when a lock keeps it
    bool occupatodaora_ = false;
    std::set<archivio::ErroreArchivio::Tipo> detti_;  // causes the user knows of, in this run
};

// The id of the run this program is writing now (0: none), so that a
// window does not take it for an interrupted one.
int64_t corsaincorso();

// The bench's name kept with each run: the PC's host name.
std::string nomebanco();

}  // namespace lumetto::acquisition
