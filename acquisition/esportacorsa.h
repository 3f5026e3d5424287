#pragma once
// An archived run written for other programs: a CSV file, or an Excel
// 97-2003 workbook through the program's own writer.

#include <stdexcept>
#include <string>

#include "acquisition/grafico.h"

namespace lumetto::acquisition {

// A file that could not be written; the text names it and the reason.
class ErroreEsportazione : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Header row "lettura", "secondi" and the run's columns with their units
// ("temp [°C]"), then a row a reading. Written all or nothing.
void salvacsv(const std::string& file, const CorsaArchiviata& corsa);
void salvaxls(const std::string& file, const CorsaArchiviata& corsa);

}  // namespace lumetto::acquisition
