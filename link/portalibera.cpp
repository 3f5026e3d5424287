// The port of a board that speaks first; see portalibera.h.
#include "link/portalibera.h"

#include <QCoreApplication>
#include <algorithm>
#include <array>

namespace lumetto::link {

namespace {

// A rate by its value holds only on a custom rate: otherwise the component
// keeps its 9600 and a board at 115200 is heard as garbage.
void imposta(serial::TXComm& porta, uint32_t baud) {
    porta.setBaudRate(serial::brCustom);
    porta.setBaudValue(baud);
}

}  // namespace

PortaLibera::PortaLibera() = default;

PortaLibera::~PortaLibera() {
    chiudi();
}

bool PortaLibera::apri(const std::string& nome, uint32_t baud, Arrivo arrivo) {
    chiudi();
    auto porta = std::make_unique<serial::TXComm>();
    porta->setDeviceName(nome);
    imposta(*porta, baud);
    porta->DataControl().setDataBits(serial::db8);
    porta->DataControl().setStopBits(serial::sb1);
    porta->DataControl().setParity(serial::paNone);
    // Handed over to the main thread's loop; without one (a tool, a test)
    // the caller reads with leggi(), so nothing runs on the event thread.
    if (QCoreApplication::instance())
        porta->OnData = [this](serial::TCustomComm&, uint32_t) { leggi(); };
    if (!porta->OpenDevice() || !porta->DeviceOpened()) return false;
    // A device that cannot take the rate would read garbage all run long.
    if (porta->BaudValue() != baud) return false;
    porta_ = std::move(porta);
    arrivo_ = std::move(arrivo);
    baud_ = baud;
    return true;
}

bool PortaLibera::cambiabaud(uint32_t baud) {
    if (!aperta()) return false;
    imposta(*porta_, baud);
    if (porta_->BaudValue() != baud) return false;
    baud_ = baud;
    // Bytes heard at the old rate mean nothing at the new one.
    std::array<char, 4096> scarto{};
    while (porta_->QueueCount(0) > 0)
        if (porta_->ReceiveData(scarto.data(), static_cast<uint32_t>(scarto.size()), 0) == 0) break;
    return true;
}

void PortaLibera::chiudi() {
    if (!porta_) return;
    porta_->OnData = nullptr;
    arrivo_ = nullptr;
    // Closed from what the bytes started (the run's last reading), inside
    // the event thread's hand-over: the component's destructor waits for
    // that thread, which waits for the hand-over to end. It goes right after.
    if (dentro_ && QCoreApplication::instance()) {
        serial::TXComm* p = porta_.release();
        QMetaObject::invokeMethod(
            QCoreApplication::instance(), [p] { delete p; }, Qt::QueuedConnection);
        return;
    }
    porta_.reset();
}

bool PortaLibera::aperta() const {
    return porta_ && porta_->DeviceOpened();
}

void PortaLibera::leggi() {
    if (!aperta() || dentro_) return;
    dentro_ = true;
    struct Fuori {
        bool& d;
        ~Fuori() { d = false; }
    } fuori{dentro_};
    std::array<char, 4096> dati{};
    // What came now, not what comes while we read: a flood cannot keep the
    // main thread here.
    uint32_t resto = porta_->QueueCount(0);
    while (resto > 0 && aperta()) {
        const uint32_t n = porta_->ReceiveData(
            dati.data(), std::min<uint32_t>(resto, static_cast<uint32_t>(dati.size())), 0);
        if (n == 0) break;
        resto -= std::min(resto, n);
        // The receiver may close the port (the run's last reading): it is
        // checked again before the next read.
        if (arrivo_) arrivo_(std::string_view(dati.data(), n));
    }
}

}  // namespace lumetto::link
