#include "support/pty.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>

namespace fs = std::filesystem;

namespace lumetto::prove {

std::string dosdevicesDir() {
    const char* home = std::getenv("HOME");
    return std::string(home ? home : "/tmp") + "/.lumetto/dosdevices";
}

PtyBoard::PtyBoard() {
    char name[256] = {};
    if (openpty(&master_, &slaveKeep_, name, nullptr, nullptr) != 0)
        throw std::runtime_error("openpty failed");
    slavePath_ = name;
    termios t{};
    tcgetattr(master_, &t);
    cfmakeraw(&t);
    tcsetattr(master_, TCSANOW, &t);
    fcntl(master_, F_SETFD, FD_CLOEXEC);
    fcntl(slaveKeep_, F_SETFD, FD_CLOEXEC);
}

PtyBoard::~PtyBoard() {
    if (!linkPath_.empty()) fs::remove(linkPath_);
    unplug();
}

void PtyBoard::link(int n) {
    fs::create_directories(dosdevicesDir());
    linkPath_ = dosdevicesDir() + "/com" + std::to_string(n);
    fs::remove(linkPath_);
    fs::create_symlink(slavePath_, linkPath_);
}

void PtyBoard::send(const std::string& bytes) {
    if (::write(master_, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()))
        throw std::runtime_error("write to the pseudo-terminal failed");
}

std::string PtyBoard::take(int ms, size_t want) {
    std::string got;
    while (got.size() < want) {
        pollfd p{master_, POLLIN, 0};
        if (poll(&p, 1, ms) <= 0 || !(p.revents & POLLIN)) break;
        char buf[4096];
        ssize_t n = ::read(master_, buf, sizeof buf);
        if (n <= 0) break;
        got.append(buf, static_cast<size_t>(n));
    }
    return got;
}

void PtyBoard::unplug() {
    if (master_ >= 0) ::close(master_);
    if (slaveKeep_ >= 0) ::close(slaveKeep_);
    master_ = slaveKeep_ = -1;
}

}  // namespace lumetto::prove
