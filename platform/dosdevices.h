#pragma once
// Windows device names on Linux: the per-user ~/.lumetto/dosdevices folder maps
// "COMn" to a serial device, as the established convention for running
// drive-letter programs does.

#include <filesystem>
#include <optional>
#include <string_view>
#include <vector>

namespace lumetto::platform {

struct DosDevices {
    std::filesystem::path dosdevices;    // folder of the comN and x: links
    std::filesystem::path dev = "/dev";  // where the USB serial devices appear
};

// The USB serial devices in `dev`: ttyACM* then ttyUSB*, each in numeric order.
std::vector<std::filesystem::path> usbSerialDevices(const std::filesystem::path& dev);

// ~/.lumetto/dosdevices of the current user ($HOME, else the password entry).
DosDevices userDosDevices();

// Number N of "COMN" (case-insensitive, 1..20), or nothing for any other name.
std::optional<int> comNumber(std::string_view name);

// The Linux file that a device name stands for: the target of the comN link
// where one exists (even a dangling one: the open then fails as for a missing
// device), else the N-th USB serial device (ttyACM* then ttyUSB*, each in
// numeric order). An absolute path stands for itself. Nothing when the name
// resolves to nothing.
std::optional<std::filesystem::path> resolveDevice(std::string_view name, const DosDevices& where);
std::optional<std::filesystem::path> resolveDevice(std::string_view name);

// The Linux path of a Windows path: "c:\lavoro\x.sca" is the folder that the
// dosdevices link "c:" stands for, plus the rest with "/" for "\"; where a
// component does not exist with its exact case, a case-insensitive match in
// that folder is taken. A path without a drive letter is an ordinary path.
std::filesystem::path resolvePath(std::string_view windowsPath, const DosDevices& where);
std::filesystem::path resolvePath(std::string_view windowsPath);

}  // namespace lumetto::platform
