#pragma once
// The operating-system layer under the serial component: one operation per
// system call the component was designed on, so that the component's logic is
// the same on any system and tests can script the device.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "serial/types.h"

namespace lumetto::serial {

// What a bounded wait of the component waits for.
enum class IoWait {
    Input,   // a byte to read
    Output,  // room to write
    Nap,     // nothing the device can signal: just let time pass
};

enum class WaitResult {
    Ready,     // something may have changed: look again
    TimedOut,  // the time given passed
    Vanished,  // the device is gone; every later wait ends at once too
};

enum class EventWaitResult {
    Events,   // the mask holds what happened
    Stopped,  // the stop signal was raised
    Failed,   // the device cannot report events any more
};

// The stop signal of the event thread; waitCommEvent also returns when it is raised.
class StopSignal {
  public:
    StopSignal();
    ~StopSignal();
    StopSignal(const StopSignal&) = delete;
    StopSignal& operator=(const StopSignal&) = delete;
    void raise();
    bool raised() const;
    int fd() const { return fd_; }  // readable once raised

  private:
    int fd_;
};

class CommPort {
  public:
    virtual ~CommPort() = default;

    // Exclusive open of a device by its Windows name ("COM13"); false when it is
    // missing, busy or refused. A failed open holds nothing.
    virtual bool createFile(const std::string& deviceName) = 0;
    virtual void closeHandle() = 0;

    virtual bool getCommState(DCB& dcb) = 0;
    virtual bool setCommState(const DCB& dcb) = 0;
    virtual bool setupComm(uint32_t inQueue, uint32_t outQueue) = 0;
    virtual bool purgeComm(uint32_t flags) = 0;
    virtual bool setCommTimeouts(const COMMTIMEOUTS& t) = 0;
    virtual bool getCommTimeouts(COMMTIMEOUTS& t) = 0;
    virtual bool getCommProperties(COMMPROP& p) = 0;
    virtual bool clearCommError(COMSTAT& s) = 0;

    // One transfer of at most count bytes that never blocks; the bytes moved.
    virtual uint32_t writeFile(const uint8_t* buffer, uint32_t count) = 0;
    virtual uint32_t readFile(uint8_t* buffer, uint32_t count) = 0;
    // Sleeps until the device can do `what`, the device vanishes, or ms pass.
    virtual WaitResult waitIo(IoWait what, uint32_t ms) = 0;

    virtual bool setCommMask(uint32_t mask) = 0;
    // Blocks until an event of the mask, the stop signal, or a failure. Called
    // only by the event thread, while the main thread goes on using the port.
    virtual EventWaitResult waitCommEvent(uint32_t& events, const StopSignal& stop) = 0;
};

using PortFactory = std::function<std::unique_ptr<CommPort>()>;

// The layer new components use; an empty factory puts back the system's own.
void setPortFactory(PortFactory factory);
std::unique_ptr<CommPort> makePort();

}  // namespace lumetto::serial
