#pragma once
// The .sca file of a scheme: 39 lines of Windows-1252 text ended by CR LF.
//   1 header, 2 type mask, 3 colour mask, 4 size mask,
//   5-14 conditions 1 to 10, 15 picture path,
//   16-39 posx and posy of variables 1 to 12 in turn, right-aligned in 6.
// Lines ended by LF alone are read as well; nothing after line 39 is read.

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "schemes/schema.h"

namespace lumetto::schemes {

inline constexpr int kRigheSca = 39;
inline constexpr int kPosizioniSca = 12;
// 12 whole fields and up to 5 characters that make no field: a longer header
// would ask the board for more values than a reading holds.
inline constexpr std::size_t kMaxCaratteriTestata = 77;
inline constexpr std::size_t kMaxCaratteriTipo = kMaxVariabili;

// A scheme file that cannot be read or written, or that no scheme can come
// from. The text, in Italian and UTF-8, names the file and the reason and is
// meant for the error box as it is.
class ErroreFile : public std::runtime_error {
  public:
    ErroreFile(const std::string& messaggio, std::string file, int errore = 0)
        : std::runtime_error(messaggio), file_(std::move(file)), errore_(errore) {}
    const std::string& file() const { return file_; }
    int errore() const { return errore_; }  // errno of the failed call; 0 for a bad content

  private:
    std::string file_;
    int errore_;
};

// The file's fields into s (header, masks, conditions, picture, positions of
// slots 1-12); nothing else of s changes, and nothing at all when it throws.
// A missing line reads as empty. A header longer than kMaxCaratteriTestata
// refuses the file. A type mask is cut to 12 characters and a condition to
// 10. A position is truncated toward zero and held to 0..65535; one that is
// not a number gives 0, so a stray line only misplaces a label. `nome` is the
// file as the messages call it.
void leggisca(Schema& s, std::string_view contenuto, std::string_view nome);

// The bytes of the file for s, with the given condition lines (the first ten;
// a missing one is written empty, a longer one whole). Refuses, naming the
// field, a header longer than kMaxCaratteriTestata and any text holding a line
// break, either of which would give a file that reads back as another scheme.
std::string scrivisca(const Schema& s, const std::vector<std::string>& righecondizioni,
                      std::string_view nome);

// Replaces the file's fields in the current scheme, only once the whole file
// has been read and accepted. `nome`, when given, is how the messages call the
// file (the name the user knows); otherwise the path itself.
void caricaschema(const std::string& percorso, std::string_view nome = {});

// Writes the current scheme to a new file in the same folder and renames it
// over the target, so the old file stays whole when anything fails. A
// symbolic link is followed, and an existing file keeps its permissions.
void salvaschema(const std::string& percorso, const std::vector<std::string>& righecondizioni,
                 std::string_view nome = {});

}  // namespace lumetto::schemes
