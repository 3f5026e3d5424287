#pragma once
// The serial component's operating-system layer on Linux: termios devices
// opened through the dosdevices names.

#include <sys/types.h>

#include <atomic>
#include <memory>

#include "serial/port.h"

namespace lumetto::serial::posix {

std::unique_ptr<CommPort> makePosixPort();

// Unix98 pseudo-terminal slaves have majors 136 to 143.
bool isPtySlave(dev_t rdev);

}  // namespace lumetto::serial::posix
