#pragma once
// A scripted device for tests of the serial component: it records every
// system call, can refuse settings, report any queue counts, let simulated
// time pass in waits and raise device events.

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "serial/port.h"

namespace lumetto::serial::fake {

struct FakeDevice {
    FakeDevice();
    ~FakeDevice();
    FakeDevice(const FakeDevice&) = delete;
    FakeDevice& operator=(const FakeDevice&) = delete;

    // --- the script (set by the test) ---
    bool present = true;                  // an open of a missing device fails
    bool refuseState = false;             // SetCommState fails
    bool refuseBuffers = false;           // SetupComm fails
    bool refuseTimeouts = false;          // SetCommTimeouts fails
    bool unreadable = false;              // GetCommState, GetCommTimeouts, GetCommProperties fail
    std::optional<uint32_t> runningBaud;  // the line runs at this rate whatever it is told
    std::optional<uint32_t> inCount;      // reported input queue count
    std::optional<uint32_t> outCount;     // reported output queue count
    std::optional<uint32_t> rxQueueReported;  // driver queue sizes reported
    std::optional<uint32_t> txQueueReported;
    // Called with the time a wait may last; may advance a clock or make bytes arrive.
    std::function<void(uint32_t ms)> onWait;
    // Called after every write with the bytes written; a board answers here.
    std::function<void(const std::string& bytes)> onWrite;

    // --- what the device holds ---
    bool open = false;
    bool vanished = false;
    DCB dcb{};
    COMMTIMEOUTS timeouts{};
    uint32_t rxQueue = 0, txQueue = 0;
    uint32_t eventMask = 0;
    std::deque<uint8_t> input;    // bytes the board has sent
    std::vector<uint8_t> output;  // bytes written to the board
    std::vector<std::string> calls;

    // The board sends bytes (any thread).
    void receive(const std::string& bytes);
    // The device reports events (any thread); the event thread wakes for those of its mask.
    void raise(uint32_t events);
    std::vector<std::string> takeCalls();

    std::recursive_mutex m;
    int wakeFd;
    std::deque<uint32_t> events;
};

class FakePort final : public CommPort {
  public:
    explicit FakePort(std::map<std::string, std::shared_ptr<FakeDevice>>& devices)
        : devices_(devices) {}
    ~FakePort() override;

    bool createFile(const std::string& deviceName) override;
    void closeHandle() override;
    bool getCommState(DCB& dcb) override;
    bool setCommState(const DCB& dcb) override;
    bool setupComm(uint32_t inQueue, uint32_t outQueue) override;
    bool purgeComm(uint32_t flags) override;
    bool setCommTimeouts(const COMMTIMEOUTS& t) override;
    bool getCommTimeouts(COMMTIMEOUTS& t) override;
    bool getCommProperties(COMMPROP& p) override;
    bool clearCommError(COMSTAT& s) override;
    uint32_t writeFile(const uint8_t* buffer, uint32_t count) override;
    uint32_t readFile(uint8_t* buffer, uint32_t count) override;
    WaitResult waitIo(IoWait what, uint32_t ms) override;
    bool setCommMask(uint32_t mask) override;
    EventWaitResult waitCommEvent(uint32_t& events, const StopSignal& stop) override;

  private:
    std::map<std::string, std::shared_ptr<FakeDevice>>& devices_;
    std::shared_ptr<FakeDevice> dev_;
};

// The devices a test's components open by name; install() makes new components use them.
class FakeSystem {
  public:
    FakeSystem() = default;
    ~FakeSystem();
    FakeDevice& add(const std::string& name);
    void install();

  private:
    std::map<std::string, std::shared_ptr<FakeDevice>> devices_;
};

}  // namespace lumetto::serial::fake
