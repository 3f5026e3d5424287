#pragma once
// The one failure of the spreadsheet object: a sentence for the error box.

#include <stdexcept>

namespace lumetto::xls {

class Errore : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

}  // namespace lumetto::xls
