#pragma once
// A file descriptor closed on every path out of the scope that opened it.

#include <unistd.h>

namespace lumetto::platform {

class Descrittore {
  public:
    explicit Descrittore(int fd) : fd_(fd) {}
    Descrittore(Descrittore&& altro) noexcept : fd_(altro.fd_) { altro.fd_ = -1; }
    Descrittore& operator=(Descrittore&&) = delete;
    Descrittore(const Descrittore&) = delete;
    Descrittore& operator=(const Descrittore&) = delete;
    ~Descrittore() {
        if (fd_ >= 0) ::close(fd_);
    }
    int fd() const { return fd_; }
    // Closes now and gives close()'s result, which may report a late write
    // error (NFS, quota) that the destructor could only drop.
    int chiudi() {
        const int r = ::close(fd_);
        fd_ = -1;
        return r;
    }

  private:
    int fd_;
};

}  // namespace lumetto::platform
