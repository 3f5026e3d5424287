#pragma once
// "raccogli": the lesson's runs, as the class's benches sent them, written
// into the teacher's own archive and into a workbook with a sheet per bench
// or a folder of CSV files, one a run. No widgets: the window asks where.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "archive/archivio.h"
#include "classroom/aula.h"

namespace lumetto::classe {

// What the archive took.
struct EsitoArchivio {
    int nuove = 0;         // runs written for the first time
    int aggiornate = 0;    // runs already there that got readings or columns they lacked
    int invariate = 0;     // runs already there whole
    int senzaletture = 0;  // runs no reading of which came: left out
    // A run whose readings came with values other than those the archive
    // already held under their numbers: the archive kept its own.
    struct Discordanza {
        std::string banco;
        int64_t corsa = 0;   // the bench's id of the run
        std::string inizio;  // its start, "09/12/2026 11:15"
        int letture = 0;     // readings left as they were
    };
    std::vector<Discordanza> discordanti;
};

// Each run is found in the archive by its bench and its start, so one
// collected before is completed, never written twice, and a reading it
// holds is never replaced by what the network says now. Throws
// archivio::ErroreArchivio.
EsitoArchivio archivia(archivio::Archivio& a, const Aula& aula,
                       const std::vector<Aula::CorsaDellaLezione>& corse);

// One sheet a bench (named as a sheet may be), its runs one under the other:
// a line with the experiment and the start, the columns with their units
// ("temp [°C]"), the readings.
// Throws acquisition::ErroreEsportazione naming the file.
void scrivicartella(const std::string& file, const Aula& aula,
                    const std::vector<Aula::CorsaDellaLezione>& corse);

// One CSV file a run in `cartella` (made when missing), named by bench and
// start ("banco03_2026-12-09_11-15-02.csv"); the names written, in order.
// Throws acquisition::ErroreEsportazione naming the file.
std::vector<std::string> scrivicsv(const std::filesystem::path& cartella, const Aula& aula,
                                   const std::vector<Aula::CorsaDellaLezione>& corse);

// A sheet name from a bench name: 1 to 31 characters, none of : \ * ? / [ ],
// not beginning or ending with ', and not one of `usati` (any case), which
// it joins.
std::u16string nomefoglio(const std::string& banco, std::vector<std::u16string>& usati);

}  // namespace lumetto::classe
