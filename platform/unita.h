#pragma once
// The c: drive of a user: on first start, ~/.lumetto/dosdevices/c: becomes a
// link to ~/.lumetto/drive_c, and the default schemes and plant pictures are
// put where the program's commands look for them (c:\lavoro\arduino\).

#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/dosdevices.h"

namespace lumetto::platform {

// A drive that could not be prepared. The text, in Italian and UTF-8, names
// the folder or file and the system's reason, for the error box as it is.
class ErroreUnita : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The default files, as the scheme commands name them.
const std::vector<std::string>& filepredefiniti();

// Creates the drive folder and the c: link when the link is missing, then
// copies each default file from `dati` into <c:>\lavoro\arduino\ where no
// file of that name exists in any case: a user's file is never replaced.
// Returns the files it copied; throws ErroreUnita when something cannot be
// created or copied (what could be copied before stays).
std::vector<std::filesystem::path> preparaunita(const std::filesystem::path& dati,
                                                const DosDevices& dove);
std::vector<std::filesystem::path> preparaunita(const std::filesystem::path& dati);

// Where the default files are: $LUMETTO_DATI when set, else share/lumetto
// beside the running program's bin folder (an installed program, whatever its
// prefix), else the source tree's data folder while it exists (a run from the
// build tree), else the share folder of the configured prefix.
std::filesystem::path cartelladati();

// <prefix>/share/<relativa> for the running program at <prefix>/bin, when that
// folder exists: an installed program finds its files beside it, whatever
// the prefix (a Debian package, `cmake --install` anywhere).
std::optional<std::filesystem::path> accantoalprogramma(const std::filesystem::path& relativa);

// The user's own folder of the program's data: $XDG_DATA_HOME/lumetto where
// that is an absolute path (the XDG rule ignores a relative one), else
// ~/.local/share/lumetto (./.local/share/lumetto with no HOME).
std::filesystem::path cartellautente();

// A folder the program ships, looked for in the order every such folder is:
// the environment variable `variabile` when set and not empty, share/<relativa>
// beside the running program (accantoalprogramma), `sviluppo` while it is a
// folder (the source or build tree's copy; empty: none), else `installata`.
std::filesystem::path cartellaprogramma(const char* variabile,
                                        const std::filesystem::path& relativa,
                                        const std::filesystem::path& sviluppo,
                                        const std::filesystem::path& installata);

}  // namespace lumetto::platform
