#pragma once
// The port of a board that speaks first: opened once for the whole run at
// 8 data bits, no parity, 1 stop bit and the rate asked, never written to;
// the bytes come as they arrive, handed over by the serial component's
// event thread to the main thread (no polling, no waiting in a loop).

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "serial/comm.h"

namespace lumetto::link {

class PortaLibera {
  public:
    using Arrivo = std::function<void(std::string_view)>;

    PortaLibera();
    ~PortaLibera();
    PortaLibera(const PortaLibera&) = delete;
    PortaLibera& operator=(const PortaLibera&) = delete;

    // Opens `nome` ("COM13") at `baud`; `arrivo` gets every byte read, on
    // the main thread, in order. False when the port does not open (nothing
    // is shown: the caller says it).
    bool apri(const std::string& nome, uint32_t baud, Arrivo arrivo);
    // Another rate on the open port (the search for the board's), what was
    // heard at the old one thrown away. False when the device refuses it.
    bool cambiabaud(uint32_t baud);
    void chiudi();
    bool aperta() const;
    uint32_t baud() const { return baud_; }

    // Whatever is waiting on the port read now: what the event thread's
    // hand-over does, for a caller that cannot wait for it.
    void leggi();

  private:
    std::unique_ptr<serial::TXComm> porta_;
    Arrivo arrivo_;
    uint32_t baud_ = 0;
    bool dentro_ = false;  // in leggi(), handing bytes over
};

}  // namespace lumetto::link
