#pragma once
// Why a USB serial device that is plugged in could not be opened, told once
// at start-up in words a teacher can act on: the user is not in the group of
// the device (or was added but has not logged in again), another program
// holds it (ModemManager, brltty, an IDE's serial monitor), or it has gone.
// The system is reached through an interface, so every case is tested
// without the hardware.

#include <sys/types.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace lumetto::platform {

class SistemaPorte {
  public:
    virtual ~SistemaPorte() = default;
    // The USB serial devices present: /dev/ttyACM*, /dev/ttyUSB*.
    virtual std::vector<std::filesystem::path> dispositivi() const = 0;
    // 0 when the device opens (and is closed again at once), else errno;
    // EWOULDBLOCK when it opens but another process holds its lock.
    virtual int prova(const std::filesystem::path& p) const = 0;
    // The name of the group that owns the device ("dialout"); empty if unknown.
    virtual std::string gruppo(const std::filesystem::path& p) const = 0;
    // Whether the user is one of the group's members in the group database:
    // so after usermod, before the new login that gives the process the group.
    virtual bool membro(const std::string& gruppo) const = 0;
    virtual std::string utente() const = 0;
    // The programs with the device open ("ModemManager"), where this user may
    // see them; and whether a program of that name is running at all.
    virtual std::vector<std::string> detentori(const std::filesystem::path& p) const = 0;
    virtual bool inesecuzione(const std::string& programma) const = 0;
};

// The real system.
const SistemaPorte& sistemaporte();

// The message for the first USB serial device that cannot be opened, or
// nothing when there is none (no device, or every one opens).
std::optional<std::string> diagnosiporte(const SistemaPorte& s = sistemaporte());

}  // namespace lumetto::platform
