#include "platform/dosdevices.h"

#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <string>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace lumetto::platform {

namespace {

char lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool equalsIgnoreCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [](char x, char y) { return lower(x) == lower(y); });
}

// Numeric suffix of names like "ttyACM12"; nothing when the rest is not all digits.
std::optional<unsigned> suffixNumber(std::string_view name, std::string_view prefix) {
    if (name.size() <= prefix.size() || name.substr(0, prefix.size()) != prefix)
        return std::nullopt;
    std::string_view digits = name.substr(prefix.size());
    unsigned value = 0;
    auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (ec != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
    return value;
}

// The link named like `wanted` in `folder`: exact case first, then any case.
std::optional<fs::path> findLink(const fs::path& folder, std::string_view wanted) {
    std::error_code ec;
    fs::path exact = folder / std::string(wanted);
    if (fs::is_symlink(fs::symlink_status(exact, ec))) return exact;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        if (equalsIgnoreCase(it->path().filename().string(), wanted) &&
            fs::is_symlink(fs::symlink_status(it->path(), ec)))
            return it->path();
    }
    return std::nullopt;
}

}  // namespace

std::vector<fs::path> usbSerialDevices(const fs::path& dev) {
    std::vector<fs::path> all;
    for (std::string_view prefix : {"ttyACM", "ttyUSB"}) {
        std::vector<std::pair<unsigned, fs::path>> found;
        std::error_code ec;
        for (fs::directory_iterator it(dev, ec), end; !ec && it != end; it.increment(ec)) {
            std::string name = it->path().filename().string();
            if (auto n = suffixNumber(name, prefix)) found.emplace_back(*n, it->path());
        }
        std::sort(found.begin(), found.end());
        for (auto& f : found)
            all.push_back(std::move(f.second));
    }
    return all;
}

DosDevices userDosDevices() {
    std::string home;
    if (const char* h = std::getenv("HOME"); h && *h) {
        home = h;
    } else if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir) {
        home = pw->pw_dir;
    } else {
        home = "/";
    }
    return DosDevices{fs::path(home) / ".lumetto" / "dosdevices", "/dev"};
}

std::optional<int> comNumber(std::string_view name) {
    if (name.size() < 4 || !equalsIgnoreCase(name.substr(0, 3), "com")) return std::nullopt;
    std::string_view digits = name.substr(3);
    if (digits.front() == '0') return std::nullopt;
    int n = 0;
    auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), n);
    if (ec != std::errc() || end != digits.data() + digits.size() || n < 1 || n > 20)
        return std::nullopt;
    return n;
}

std::optional<fs::path> resolveDevice(std::string_view name, const DosDevices& where) {
    if (!name.empty() && name.front() == '/') return fs::path(name);
    auto n = comNumber(name);
    if (!n) return std::nullopt;
    if (auto link = findLink(where.dosdevices, "com" + std::to_string(*n))) {
        std::error_code ec;
        fs::path target = fs::read_symlink(*link, ec);
        if (ec) return std::nullopt;
        return target.is_absolute() ? target : link->parent_path() / target;
    }
    auto usb = usbSerialDevices(where.dev);
    if (static_cast<size_t>(*n) <= usb.size()) return usb[static_cast<size_t>(*n) - 1];
    return std::nullopt;
}

std::optional<fs::path> resolveDevice(std::string_view name) {
    return resolveDevice(name, userDosDevices());
}

fs::path resolvePath(std::string_view windowsPath, const DosDevices& where) {
    bool drive = windowsPath.size() >= 2 && windowsPath[1] == ':' &&
                 ((windowsPath[0] >= 'a' && windowsPath[0] <= 'z') ||
                  (windowsPath[0] >= 'A' && windowsPath[0] <= 'Z'));
    if (!drive) return fs::path(windowsPath);
    std::string letter(1, lower(windowsPath[0]));
    fs::path result = where.dosdevices / (letter + ":");
    std::string_view rest = windowsPath.substr(2);
    size_t start = 0;
    while (start <= rest.size()) {
        size_t end = rest.find_first_of("\\/", start);
        if (end == std::string_view::npos) end = rest.size();
        std::string part(rest.substr(start, end - start));
        start = end + 1;
        if (part.empty() || part == ".") continue;
        fs::path exact = result / part;
        std::error_code ec;
        if (!fs::exists(fs::symlink_status(exact, ec))) {
            for (fs::directory_iterator it(result, ec), e; !ec && it != e; it.increment(ec)) {
                if (equalsIgnoreCase(it->path().filename().string(), part)) {
                    exact = it->path();
                    break;
                }
            }
        }
        result = exact;
    }
    return result;
}

fs::path resolvePath(std::string_view windowsPath) {
    return resolvePath(windowsPath, userDosDevices());
}

}  // namespace lumetto::platform
