#pragma once
// The thread that watches a device's events while it is open and hands them to
// the component, on the main thread when the component asks for it.

#include <cstdint>
#include <memory>
#include <thread>

#include "serial/port.h"

namespace lumetto::serial {

class TCustomComm;

class TCommEventThread {
  public:
    // Sets the device's event mask and starts watching.
    TCommEventThread(TCustomComm& comm, CommPort& port);
    // Stops the thread, serving a hand-over that is already waiting for the
    // main thread, and returns once the thread has ended.
    ~TCommEventThread();
    TCommEventThread(const TCommEventThread&) = delete;
    TCommEventThread& operator=(const TCommEventThread&) = delete;

    struct Shared;

  private:
    void run();
    bool handOver(uint32_t mask);

    CommPort& port_;
    StopSignal StopEvent;
    std::shared_ptr<Shared> shared_;
    std::thread thread_;
};

}  // namespace lumetto::serial
