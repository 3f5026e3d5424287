#pragma once
// The rules of the scheme editor without its window: the examine report, the
// condition box, the name a scheme is saved under, the checks before saving
// and the path of the plant picture. Texts are Windows-1252 unless said.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "schemes/schema.h"

namespace lumetto::schemes {

// The examine report, one text per line. Splits the header of s first, so that
// a scheme whose count was reset by a new picture gets its variables back; the
// rest of s is left as it was. One line per character of the type mask up to
// variable 12 (there is no variable beyond), with the defaults of the program
// for a colour or size mask that is shorter or a character outside the table.
// A position of the type mask that the header gives no field reads "---" as
// its name, rather than a name left over from an earlier scheme.
std::vector<std::string> esamedati(Schema& s);

// The lines the condition box shows after a scheme is loaded: the non-empty
// slots, in slot order.
std::vector<std::string> righecondizioni(const Schema& s);
// Every slot, empty ones included: the box as the window opens.
std::vector<std::string> tuttelecondizioni(const Schema& s);
// Lines 1 to 10 of the box into slots 1 to 10, each cut to 10 characters; a
// missing line empties its slot, lines past the tenth are not kept.
void copiacondizioni(Schema& s, const std::vector<std::string>& righe);

// The name a scheme is saved under: the chosen one when it ends in ".sca"
// exactly (lower case), else the chosen one followed by ".sca".
std::string nomesca(std::string_view scelto);

// Why the scheme cannot be saved as it stands, in Italian and UTF-8 for a
// message box; nothing when it can. A header of more than 12 variables would
// make the board be asked for more values than a reading holds.
std::optional<std::string> controllosalvataggio(const Schema& s);

// The picture path of a scheme as the file system names it (UTF-8): a path
// chosen here is stored as it came and is used as it is; one written on the
// original platform in Windows-1252 is converted. A drive letter is left for
// the platform to resolve.
std::string testopercorso(std::string_view immagine);

}  // namespace lumetto::schemes
