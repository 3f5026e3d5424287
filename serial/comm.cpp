#include "serial/comm.h"

#include <algorithm>

#include "serial/clock.h"
#include "serial/eventthread.h"
#include "serial/report.h"

namespace lumetto::serial {

namespace {

// Windows NT 4 and later limit the driver queues to 4096 bytes; Linux has none,
// so the current-system limit applies.
constexpr uint16_t kMaxQueue = 4096;
constexpr uint16_t kMinQueue = 128;

uint16_t limitQueueSize(uint16_t value) {
    return std::max(kMinQueue, std::min(kMaxQueue, value));
}

// Sets one lock for the life of a handler call, also when the handler throws.
class LockScope {
  public:
    LockScope(TCommLocks& locks, TCommLock lock) : locks_(locks), lock_(lock) { locks_ += lock; }
    ~LockScope() { locks_ -= lock_; }
    LockScope(const LockScope&) = delete;
    LockScope& operator=(const LockScope&) = delete;

  private:
    TCommLocks& locks_;
    TCommLock lock_;
};

}  // namespace

// --- copying -------------------------------------------------------------

void TPersistent::Assign(const TPersistent& source) {
    throw EConvertError(std::string("Cannot assign a ") + source.ClassName() + " to a " +
                        ClassName());
}

void TCommDataControl::Assign(const TPersistent& source) {
    auto* from = dynamic_cast<const TCommDataControl*>(&source);
    if (!from) return TPersistent::Assign(source);
    if (from == this) return;
    dataBits_ = from->DataBits();
    parity_ = from->Parity();
    stopBits_ = from->StopBits();
    if (comm_.DeviceOpened()) comm_.UpdateLineSettings();
}

void TCommBuffers::Assign(const TPersistent& source) {
    auto* from = dynamic_cast<const TCommBuffers*>(&source);
    if (!from) return TPersistent::Assign(source);
    if (from == this) return;
    inputSize_ = from->InputSize();
    outputSize_ = from->OutputSize();
    inputTimeout_ = from->inputTimeout_;
    outputTimeout_ = from->outputTimeout_;
    if (comm_.DeviceOpened()) comm_.UpdateBuffers();
}

void TCommEventChars::Assign(const TPersistent& source) {
    auto* from = dynamic_cast<const TCommEventChars*>(&source);
    if (!from) return TPersistent::Assign(source);
    if (from == this) return;
    xon_ = from->XonChar();
    xoff_ = from->XoffChar();
    eof_ = from->EofChar();
    error_ = from->ErrorChar();
    event_ = from->EventChar();
    if (comm_.DeviceOpened()) comm_.UpdateLineSettings();
}

void TCommTimeoutsEx::Assign(const TPersistent& source) {
    auto* from = dynamic_cast<const TCommTimeoutsEx*>(&source);
    if (!from) return TPersistent::Assign(source);
    if (from == this) return;
    stored_ = from->current();
    if (comm_.DeviceOpened()) comm_.UpdateTimeouts();
}

// --- settings objects ----------------------------------------------------

TDataBits TCommDataControl::DataBits() const {
    DCB d;
    if (comm_.readState(d) && d.ByteSize >= 4 && d.ByteSize <= 8)
        return static_cast<TDataBits>(d.ByteSize - 4);
    return dataBits_;
}

void TCommDataControl::setDataBits(TDataBits value) {
    if (value == dataBits_) return;
    dataBits_ = value;
    if (comm_.DeviceOpened()) comm_.UpdateLineSettings();
}

TParity TCommDataControl::Parity() const {
    DCB d;
    if (comm_.readState(d) && d.Parity <= paSpace) return static_cast<TParity>(d.Parity);
    return parity_;
}

void TCommDataControl::setParity(TParity value) {
    if (value == parity_) return;
    parity_ = value;
    if (comm_.DeviceOpened()) comm_.UpdateLineSettings();
}

TStopBits TCommDataControl::StopBits() const {
    DCB d;
    if (comm_.readState(d) && d.StopBits <= sb2) return static_cast<TStopBits>(d.StopBits);
    return stopBits_;
}

void TCommDataControl::setStopBits(TStopBits value) {
    if (value == stopBits_) return;
    stopBits_ = value;
    if (comm_.DeviceOpened()) comm_.UpdateLineSettings();
}

uint16_t TCommBuffers::InputSize() const {
    COMMPROP p;
    if (comm_.readProperties(p) && p.dwCurrentRxQueue != 0)
        return static_cast<uint16_t>(std::min<uint32_t>(p.dwCurrentRxQueue, UINT16_MAX));
    return inputSize_;
}

void TCommBuffers::setInputSize(uint16_t value) {
    value = limitQueueSize(value);
    if (value == inputSize_) return;
    inputSize_ = value;
    if (comm_.DeviceOpened()) comm_.UpdateBuffers();
}

uint16_t TCommBuffers::OutputSize() const {
    COMMPROP p;
    if (comm_.readProperties(p) && p.dwCurrentTxQueue != 0)
        return static_cast<uint16_t>(std::min<uint32_t>(p.dwCurrentTxQueue, UINT16_MAX));
    return outputSize_;
}

void TCommBuffers::setOutputSize(uint16_t value) {
    value = limitQueueSize(value);
    if (value == outputSize_) return;
    outputSize_ = value;
    if (comm_.DeviceOpened()) comm_.UpdateBuffers();
}

void TCommEventChars::set(char& field, char value) {
    if (value == field) return;
    field = value;
    if (comm_.DeviceOpened()) comm_.UpdateLineSettings();
}

char TCommEventChars::XonChar() const {
    DCB d;
    return comm_.readState(d) ? d.XonChar : xon_;
}
char TCommEventChars::XoffChar() const {
    DCB d;
    return comm_.readState(d) ? d.XoffChar : xoff_;
}
char TCommEventChars::EofChar() const {
    DCB d;
    return comm_.readState(d) ? d.EofChar : eof_;
}
char TCommEventChars::ErrorChar() const {
    DCB d;
    return comm_.readState(d) ? d.ErrorChar : error_;
}
char TCommEventChars::EventChar() const {
    DCB d;
    return comm_.readState(d) ? d.EvtChar : event_;
}
void TCommEventChars::setXonChar(char value) {
    set(xon_, value);
}
void TCommEventChars::setXoffChar(char value) {
    set(xoff_, value);
}
void TCommEventChars::setEofChar(char value) {
    set(eof_, value);
}
void TCommEventChars::setErrorChar(char value) {
    set(error_, value);
}
void TCommEventChars::setEventChar(char value) {
    set(event_, value);
}

COMMTIMEOUTS TCommTimeoutsEx::current() const {
    COMMTIMEOUTS t;
    return comm_.readTimeouts(t) ? t : stored_;
}

void TCommTimeoutsEx::set(uint32_t COMMTIMEOUTS::*field, uint32_t value) {
    if (stored_.*field == value) return;
    stored_.*field = value;
    if (comm_.DeviceOpened()) comm_.UpdateTimeouts();
}

uint32_t TCommTimeoutsEx::ReadInterval() const {
    return current().ReadIntervalTimeout;
}
uint32_t TCommTimeoutsEx::ReadMultiplier() const {
    return current().ReadTotalTimeoutMultiplier;
}
uint32_t TCommTimeoutsEx::ReadConstant() const {
    return current().ReadTotalTimeoutConstant;
}
uint32_t TCommTimeoutsEx::WriteMultiplier() const {
    return current().WriteTotalTimeoutMultiplier;
}
uint32_t TCommTimeoutsEx::WriteConstant() const {
    return current().WriteTotalTimeoutConstant;
}
void TCommTimeoutsEx::setReadInterval(uint32_t v) {
    set(&COMMTIMEOUTS::ReadIntervalTimeout, v);
}
void TCommTimeoutsEx::setReadMultiplier(uint32_t v) {
    set(&COMMTIMEOUTS::ReadTotalTimeoutMultiplier, v);
}
void TCommTimeoutsEx::setReadConstant(uint32_t v) {
    set(&COMMTIMEOUTS::ReadTotalTimeoutConstant, v);
}
void TCommTimeoutsEx::setWriteMultiplier(uint32_t v) {
    set(&COMMTIMEOUTS::WriteTotalTimeoutMultiplier, v);
}
void TCommTimeoutsEx::setWriteConstant(uint32_t v) {
    set(&COMMTIMEOUTS::WriteTotalTimeoutConstant, v);
}

// --- the component -------------------------------------------------------

TCustomComm::TCustomComm(void* /*owner*/) : port_(makePort()) {}

TCustomComm::~TCustomComm() {
    StopEvents();
    if (opened_) {
        port_->closeHandle();
        opened_ = false;
    }
}

void TCustomComm::StopEvents() {
    destroying_ = true;
    thread_.reset();
}

TCommLocks TCustomComm::DeviceLocks() const {
    return opened_ ? locks_ : TCommLocks{lkSend, lkRead};
}

bool TCustomComm::OpenDevice() {
    if (opened_) return false;
    locks_ = {};
    if (!port_->createFile(deviceName_)) return false;
    opened_ = true;
    thread_ = std::make_unique<TCommEventThread>(*this, *port_);
    UpdateLineSettings();
    UpdateBuffers();
    UpdateTimeouts();
    return true;
}

void TCustomComm::CloseDevice() {
    if (!opened_) {
        ReportCommError("Device not opened.", 1);
        return;
    }
    thread_.reset();  // stops the thread before the descriptor goes
    port_->closeHandle();
    opened_ = false;
    totalReceived_ = 0;
    totalSent_ = 0;
}

DCB TCustomComm::BuildDCB() const {
    DCB d{};
    d.DCBlength = sizeof(DCB);
    d.BaudRate = baudValue_;
    d.fBinary = 1;
    d.fParity = options_.contains(coParityCheck);
    d.fOutxCtsFlow = rts_.contains(fsCTSOut);
    d.fOutxDsrFlow = dtr_.contains(fsDSROut);
    d.fDtrControl = static_cast<uint8_t>(
        ((dtr_.contains(fsDTREnabled) || options_.contains(coLeaveDTROpen)) ? kDtrOn : 0) |
        (dtr_.contains(fsDTRHandshake) ? kDtrHandshake : 0));
    d.fDsrSensitivity = options_.contains(coDSRSensitivity);
    d.fTXContinueOnXoff = options_.contains(coTXContinueOnXOff);
    d.fOutX = xonxoff_.contains(fsOutX);
    d.fInX = xonxoff_.contains(fsInX);
    d.fErrorChar = options_.contains(coErrorChar);
    d.fNull = options_.contains(coDiscardNull);
    d.fRtsControl = static_cast<uint8_t>((rts_.contains(fsRTSEnabled) ? kRtsOn : 0) |
                                         (rts_.contains(fsRTSHandshake) ? kRtsHandshake : 0));
    d.fAbortOnError = options_.contains(coAbortOnError);
    d.XonLim = d.XoffLim = static_cast<uint16_t>(buffers_.inputSize_ / 4);
    d.ByteSize = static_cast<uint8_t>(dataControl_.dataBits_ + 4);
    d.Parity = dataControl_.parity_;
    d.StopBits = dataControl_.stopBits_;
    d.XonChar = eventChars_.xon_;
    d.XoffChar = eventChars_.xoff_;
    d.ErrorChar = eventChars_.error_;
    d.EofChar = eventChars_.eof_;
    d.EvtChar = eventChars_.event_;
    return d;
}

bool TCustomComm::UpdateLineSettings() {
    if (!port_->setCommState(BuildDCB())) {
        ReportCommError("Unable to update device control block.", 3);
        return false;
    }
    return true;
}

bool TCustomComm::UpdateBuffers() {
    port_->purgeComm(PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR);
    if (!port_->setupComm(buffers_.inputSize_, buffers_.outputSize_)) {
        ReportCommError("Unable to update IO buffers.", 6);
        return false;
    }
    return true;
}

bool TCustomComm::UpdateTimeouts() {
    if (!port_->setCommTimeouts(timeouts_.stored_)) {
        ReportCommError("Unable to update Timeouts.", 7);
        return false;
    }
    return true;
}

uint32_t TCustomComm::QueueCount(int which) {
    if (!opened_) {
        ReportCommError("Device not opened.", 1);
        return 0;
    }
    COMSTAT s;
    if (!port_->clearCommError(s)) return 0;
    return which == 0 ? s.cbInQue : s.cbOutQue;
}

uint32_t TCustomComm::SendData(const void* buffer, uint32_t count, uint32_t timeoutMs) {
    if (!opened_) {
        ReportCommError("Device not opened.", 1);
        return 0;
    }
    if (DeviceLocks().contains(lkSend)) {
        ReportCommError("Device locked. Cannot perform send operations.", 4);
        return 0;
    }
    uint32_t total = 0;
    auto* p = static_cast<const uint8_t*>(buffer);
    Elapsed elapsed;
    while (count > 0) {
        uint32_t queued = QueueCount(1);
        uint32_t size = buffers_.outputSize_;
        uint32_t room = queued < size ? size - queued : 0;
        uint32_t written = 0;
        if (room > 0) {
            written = port_->writeFile(p, std::min(room, count));
            DispatchEvents(TDeviceEvents{deOutEmpty});
            if (written > 0) {
                totalSent_ += written;
                total += written;
                count -= written;
                p += written;
                LockScope lock(locks_, lkSend);
                if (OnSend) OnSend(*this);
                continue;
            }
        }
        uint64_t spent = elapsed.now();
        if (spent > timeoutMs) break;
        // Sleep until the device can take bytes or the time-out passes, instead
        // of asking the queue counts over and over.
        auto left = static_cast<uint32_t>(timeoutMs - spent + 1);
        if (port_->waitIo(room > 0 ? IoWait::Output : IoWait::Nap, left) == WaitResult::Vanished)
            break;
    }
    return total;
}

uint32_t TCustomComm::Send(const void* buffer, uint32_t count) {
    return SendData(buffer, count, buffers_.outputTimeout_);
}

bool TCustomComm::SendChar(char c) {
    return Send(&c, 1) == 1;
}

bool TCustomComm::SendString(const std::string& text) {
    auto n = static_cast<uint32_t>(text.size());
    return Send(text.data(), n) == n;
}

uint32_t TCustomComm::ReceiveData(void* buffer, uint32_t count, uint32_t timeoutMs) {
    if (!opened_) {
        ReportCommError("Device not opened.", 1);
        return 0;
    }
    if (DeviceLocks().contains(lkRead)) {
        ReportCommError("Device locked. Cannot perform read operations.", 5);
        return 0;
    }
    uint32_t total = 0;
    auto* p = static_cast<uint8_t*>(buffer);
    Elapsed elapsed;
    while (count > 0) {
        uint32_t avail = QueueCount(0);
        if (avail > 0) {
            uint32_t got = port_->readFile(p, std::min(avail, count));
            if (got > 0) {
                totalReceived_ += got;
                total += got;
                count -= got;
                p += got;
                LockScope lock(locks_, lkRead);
                if (OnRead) OnRead(*this);
                continue;
            }
        }
        uint64_t spent = elapsed.now();
        if (spent > timeoutMs) break;
        auto left = static_cast<uint32_t>(timeoutMs - spent + 1);
        // A count that says "waiting" while the read gets nothing cannot be
        // waited for on the device: let a little time pass instead of spinning.
        if (port_->waitIo(avail > 0 ? IoWait::Nap : IoWait::Input, left) == WaitResult::Vanished)
            break;
    }
    return total;
}

uint32_t TCustomComm::Receive(void* buffer, uint32_t count) {
    return ReceiveData(buffer, count, buffers_.inputTimeout_);
}

bool TCustomComm::ReceiveChar(char& c) {
    char got;
    if (Receive(&got, 1) != 1) return false;
    c = got;
    return true;
}

void TCustomComm::DispatchEvents(TDeviceEvents events) {
    if (opened_ && !destroying_) DoCommEvent(events);
}

void TCustomComm::DoCommEvent(TDeviceEvents events) {
    if (events.contains(deChar) || events.contains(deFlag)) DoData(QueueCount(0));
    TDeviceEvents watched = events * MonitorEvents;
    if (OnCommEvent && !watched.empty()) OnCommEvent(*this, watched);
}

void TCustomComm::DoData(uint32_t received) {
    if (OnData) OnData(*this, received);
}

// --- component settings --------------------------------------------------

bool TCustomComm::readState(DCB& dcb) const {
    return opened_ && port_->getCommState(dcb);
}
bool TCustomComm::readTimeouts(COMMTIMEOUTS& t) const {
    return opened_ && port_->getCommTimeouts(t);
}
bool TCustomComm::readProperties(COMMPROP& p) const {
    return opened_ && port_->getCommProperties(p);
}

void TCustomComm::setDeviceName(const std::string& name) {
    if (!opened_ && name != deviceName_) deviceName_ = name;
}

TBaudRate TCustomComm::BaudRate() const {
    if (opened_ && baudRate_ != brCustom) {
        baudRate_ = brCustom;
        uint32_t rate = BaudValue();
        for (int i = br110; i < brCustom; ++i) {
            if (kBaudTable[i] == rate) {
                baudRate_ = static_cast<TBaudRate>(i);
                break;
            }
        }
    }
    return baudRate_;
}

void TCustomComm::setBaudRate(TBaudRate value) {
    if (value == baudRate_) return;
    baudRate_ = value;
    if (value == brCustom) return;
    baudValue_ = kBaudTable[value];
    if (opened_) UpdateLineSettings();
}

uint32_t TCustomComm::BaudValue() const {
    DCB d;
    if (readState(d)) baudValue_ = d.BaudRate;
    return baudValue_;
}

void TCustomComm::setBaudValue(uint32_t value) {
    if (baudRate_ != brCustom || value == baudValue_) return;
    baudValue_ = value;
    if (opened_) UpdateLineSettings();
}

void TCustomComm::setBuffers(const TCommBuffers& value) {
    buffers_.Assign(value);
}
void TCustomComm::setDataControl(const TCommDataControl& value) {
    dataControl_.Assign(value);
}
void TCustomComm::setEventChars(const TCommEventChars& value) {
    eventChars_.Assign(value);
}
void TCustomComm::setTimeouts(const TCommTimeoutsEx& value) {
    timeouts_.Assign(value);
}

void TCustomComm::decodeFlags(const DCB& d) const {
    dtr_ = {};
    if (d.fDtrControl & kDtrHandshake) dtr_ += fsDTRHandshake;
    if (d.fDtrControl & kDtrOn) dtr_ += fsDTREnabled;
    if (d.fOutxDsrFlow) dtr_ += fsDSROut;
    rts_ = {};
    if (d.fRtsControl & kRtsHandshake) rts_ += fsRTSHandshake;
    if (d.fRtsControl & kRtsOn) rts_ += fsRTSEnabled;
    if (d.fOutxCtsFlow) rts_ += fsCTSOut;
    xonxoff_ = {};
    if (d.fOutX) xonxoff_ += fsOutX;
    if (d.fInX) xonxoff_ += fsInX;
    TCommOptions o = options_ * TCommOptions{coLeaveDTROpen};
    if (d.fParity) o += coParityCheck;
    if (d.fDsrSensitivity) o += coDSRSensitivity;
    if (d.fErrorChar) o += coErrorChar;
    if (d.fNull) o += coDiscardNull;
    if (d.fAbortOnError) o += coAbortOnError;
    if (d.fTXContinueOnXoff) o += coTXContinueOnXOff;
    options_ = o;
}

TRTSSettings TCustomComm::RTSSettings() const {
    DCB d;
    if (readState(d)) decodeFlags(d);
    return rts_;
}

TDTRSettings TCustomComm::DTRSettings() const {
    DCB d;
    if (readState(d)) decodeFlags(d);
    return dtr_;
}

TXOnXOffSettings TCustomComm::XOnXOffSettings() const {
    DCB d;
    if (readState(d)) decodeFlags(d);
    return xonxoff_;
}

TCommOptions TCustomComm::Options() const {
    DCB d;
    if (readState(d)) decodeFlags(d);
    return options_;
}

void TCustomComm::setRTSSettings(TRTSSettings value) {
    if (flowControl_ != fcCustom || value == RTSSettings()) return;
    rts_ = value;
    if (opened_) UpdateLineSettings();
}

void TCustomComm::setDTRSettings(TDTRSettings value) {
    if (options_.contains(coLeaveDTROpen)) {
        value -= fsDTRHandshake;
        value += fsDTREnabled;
    }
    if (value.contains(fsDTREnabled) && value.contains(fsDTRHandshake)) {
        if (dtr_.contains(fsDTRHandshake)) {
            value -= fsDTRHandshake;
        } else {
            value -= fsDTREnabled;
        }
    }
    if (flowControl_ != fcCustom || value == DTRSettings()) return;
    dtr_ = value;
    if (opened_) UpdateLineSettings();
}

void TCustomComm::setXOnXOffSettings(TXOnXOffSettings value) {
    if (flowControl_ != fcCustom || value == XOnXOffSettings()) return;
    xonxoff_ = value;
    if (opened_) UpdateLineSettings();
}

void TCustomComm::deriveHandshake() {
    rts_ = {};
    dtr_ = {};
    xonxoff_ = {};
    switch (flowControl_) {
        case fcRtsCts:
            rts_ = {fsCTSOut, fsRTSHandshake};
            break;
        case fcDtrDsr:
            dtr_ = {fsDSROut};
            rts_ = {fsRTSEnabled};
            break;
        case fcSoftware:
            xonxoff_ = {fsInX, fsOutX};
            break;
        case fcNone:
        case fcCustom:
            break;
    }
    if (flowControl_ != fcNone) dtr_ += fsDTREnabled;
    if (options_.contains(coLeaveDTROpen)) {
        dtr_ += fsDTREnabled;
        dtr_ -= fsDTRHandshake;
    }
}

void TCustomComm::setFlowControl(TFlowControl value) {
    if (value == flowControl_) return;
    flowControl_ = value;
    if (value == fcCustom) return;
    deriveHandshake();
    if (opened_) UpdateLineSettings();
}

void TCustomComm::setOptions(TCommOptions value) {
    if (opened_) {
        value -= coLeaveDTROpen;
        if (options_.contains(coLeaveDTROpen)) value += coLeaveDTROpen;
    }
    if (value == Options()) return;
    options_ = value;
    if (opened_) {
        UpdateLineSettings();
    } else {
        deriveHandshake();
    }
}

}  // namespace lumetto::serial
