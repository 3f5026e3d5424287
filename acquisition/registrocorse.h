#pragma once
// The archive as a listener of the acquisition: each run that stores a
// reading is written to the user's archive as it happens, its facts with its
// first reading and every reading in its own commit. A failing archive is
// told once, without a box that waits, and never stops or slows the run:
// the reading table and "->EXCEL" still hold everything.

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <vector>

#include "acquisition/acquisizione.h"
#include "archivio/archivio.h"

namespace lumetto::acquisition {

class RegistroCorse final : public Ascoltatore {
  public:
    // The file is opened at the first reading stored, not before.
    explicit RegistroCorse(std::filesystem::path file = archivio::filepredefinito());
    ~RegistroCorse() override;
    RegistroCorse(const RegistroCorse&) = delete;
    RegistroCorse& operator=(const RegistroCorse&) = delete;

    void nuovacorsa() override;
    void letturamemorizzata(int r) override;

    // The run being written (0 before its first reading) and the archive,
    // open once a reading reached it (null before or when it cannot open).
    int64_t corsa() const { return corsa_; }
    archivio::Archivio* archivio() const { return archivio_.get(); }
    // The archive, opened now if it is not yet (for whoever reads it before
    // the first reading); null when it cannot be, which is said once.
    archivio::Archivio* apriarchivio() { return apri() ? archivio_.get() : nullptr; }
    // The run's facts (their id that of the run being written), and reading
    // r as committed to the archive: null when r is not the last reading
    // committed in this run.
    const archivio::Corsa& fatti() const { return fatti_; }
    // Counts the times the facts were written: the run's first reading, and
    // each change of its columns after it (a free run naming a new one).
    int revisione() const { return revisione_; }
    const archivio::Lettura* salvata(int r) const {
        return salvata_ == r && r != 0 ? &ultima_ : nullptr;
    }

  private:
    bool apri();
    void avvisa(const std::string& testo);

    std::filesystem::path file_;
    std::unique_ptr<archivio::Archivio> archivio_;
    archivio::Corsa fatti_;
    std::vector<Colonna> colonne_;  // stato.colonne as fatti_ holds them
    int revisione_ = 0;
    archivio::Lettura ultima_;
    int salvata_ = 0;
    std::chrono::steady_clock::time_point inizio_;
    int64_t corsa_ = 0;
    bool inCorso_ = false;
    bool apertura_ = true;  // worth trying to open in this run
    bool detto_ = false;    // the user knows the archive is failing
};

// The bench's name kept with each run: the PC's host name.
std::string nomebanco();

}  // namespace lumetto::acquisition
