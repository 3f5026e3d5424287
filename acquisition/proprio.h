#pragma once
// A teacher's own experiment started from its file: asked, a letter each
// tick and a frame of 6-character fields as "Utente" reads, with the file's
// names, units, decimals, calibration, interval in tenths of a second and
// scheme; or the free stream with the file's columns.

#include <cstdint>
#include <string>

#include "acquisition/acquisizione.h"
#include "acquisition/mioesperimento.h"

namespace lumetto::acquisition {

inline constexpr int16_t kCodiceMio = 101;  // no button of the table has it

// Starts `e`, read from `file`. False, after saying why, when it cannot
// start (its scheme does not load, the port does not open).
bool avviamio(const MioEsperimento& e, const std::string& file);

// The run's columns of a teacher's experiment: its names, units and decimals.
std::vector<Colonna> colonnedi(const MioEsperimento& e);

// The file's calibration on reading r of the table, columns 1 to its own.
void calibra(int r);

}  // namespace lumetto::acquisition
