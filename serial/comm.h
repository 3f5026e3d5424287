#pragma once
// The serial component: owns one COM device, opens it exclusively, pushes line
// settings, queue sizes and time-outs to it, moves bytes with bounded waits and
// watches device events on a thread of its own.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

#include "serial/port.h"
#include "serial/types.h"

namespace lumetto::serial {

class TCustomComm;
class TCommEventThread;

// The framework's assignment error.
class EConvertError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Settings objects copy their values from another object of the same class.
class TPersistent {
  public:
    virtual ~TPersistent() = default;
    virtual const char* ClassName() const = 0;
    virtual void Assign(const TPersistent& source);
};

class TCommDataControl : public TPersistent {
  public:
    explicit TCommDataControl(TCustomComm& comm) : comm_(comm) {}
    const char* ClassName() const override { return "TCommDataControl"; }
    void Assign(const TPersistent& source) override;

    TDataBits DataBits() const;
    void setDataBits(TDataBits value);
    TParity Parity() const;
    void setParity(TParity value);
    TStopBits StopBits() const;
    void setStopBits(TStopBits value);

  private:
    friend class TCustomComm;
    TCustomComm& comm_;
    TDataBits dataBits_ = db8;
    TParity parity_ = paNone;
    TStopBits stopBits_ = sb1;
};

class TCommBuffers : public TPersistent {
  public:
    explicit TCommBuffers(TCustomComm& comm) : comm_(comm) {}
    const char* ClassName() const override { return "TCommBuffers"; }
    void Assign(const TPersistent& source) override;

    uint16_t InputSize() const;
    void setInputSize(uint16_t value);
    uint16_t OutputSize() const;
    void setOutputSize(uint16_t value);
    // The waits of Receive and Send; they never go to the device.
    uint16_t InputTimeout() const { return inputTimeout_; }
    void setInputTimeout(uint16_t value) { inputTimeout_ = value; }
    uint16_t OutputTimeout() const { return outputTimeout_; }
    void setOutputTimeout(uint16_t value) { outputTimeout_ = value; }

  private:
    friend class TCustomComm;
    TCustomComm& comm_;
    uint16_t inputSize_ = 2048;
    uint16_t outputSize_ = 2048;
    uint16_t inputTimeout_ = 500;
    uint16_t outputTimeout_ = 500;
};

class TCommEventChars : public TPersistent {
  public:
    explicit TCommEventChars(TCustomComm& comm) : comm_(comm) {}
    const char* ClassName() const override { return "TCommEventChars"; }
    void Assign(const TPersistent& source) override;

    char XonChar() const;
    void setXonChar(char value);
    char XoffChar() const;
    void setXoffChar(char value);
    char EofChar() const;
    void setEofChar(char value);
    char ErrorChar() const;
    void setErrorChar(char value);
    char EventChar() const;
    void setEventChar(char value);

  private:
    friend class TCustomComm;
    void set(char& field, char value);
    TCustomComm& comm_;
    char xon_ = 17;
    char xoff_ = 19;
    char eof_ = 0;
    char error_ = 0;
    char event_ = 10;
};

class TCommTimeoutsEx : public TPersistent {
  public:
    explicit TCommTimeoutsEx(TCustomComm& comm) : comm_(comm) {}
    const char* ClassName() const override { return "TCommTimeoutsEx"; }
    void Assign(const TPersistent& source) override;

    uint32_t ReadInterval() const;
    void setReadInterval(uint32_t value);
    uint32_t ReadMultiplier() const;
    void setReadMultiplier(uint32_t value);
    uint32_t ReadConstant() const;
    void setReadConstant(uint32_t value);
    uint32_t WriteMultiplier() const;
    void setWriteMultiplier(uint32_t value);
    uint32_t WriteConstant() const;
    void setWriteConstant(uint32_t value);

  private:
    friend class TCustomComm;
    COMMTIMEOUTS current() const;
    void set(uint32_t COMMTIMEOUTS::*field, uint32_t value);
    TCustomComm& comm_;
    COMMTIMEOUTS stored_{1, 0, 1, 0, 1};
};

enum TCommLock : uint8_t { lkSend, lkRead };
using TCommLocks = EnumSet<TCommLock>;

class TCustomComm {
  public:
    explicit TCustomComm(void* owner = nullptr);
    virtual ~TCustomComm();
    TCustomComm(const TCustomComm&) = delete;
    TCustomComm& operator=(const TCustomComm&) = delete;

    std::string Name;
    int Tag = 0;

    bool DeviceOpened() const { return opened_; }
    virtual TCommLocks DeviceLocks() const;
    virtual bool OpenDevice();
    virtual void CloseDevice();

    bool UpdateLineSettings();
    bool UpdateBuffers();
    bool UpdateTimeouts();

    // Bytes waiting in the input (0) or output (1) queue.
    uint32_t QueueCount(int which);

    uint32_t SendData(const void* buffer, uint32_t count, uint32_t timeoutMs);
    uint32_t Send(const void* buffer, uint32_t count);
    bool SendChar(char c);
    bool SendString(const std::string& text);
    uint32_t ReceiveData(void* buffer, uint32_t count, uint32_t timeoutMs);
    uint32_t Receive(void* buffer, uint32_t count);
    // When false, c is not written.
    bool ReceiveChar(char& c);

    void DispatchEvents(TDeviceEvents events);

    const std::string& DeviceName() const { return deviceName_; }
    void setDeviceName(const std::string& name);
    TBaudRate BaudRate() const;
    void setBaudRate(TBaudRate value);
    uint32_t BaudValue() const;
    void setBaudValue(uint32_t value);
    TCommBuffers& Buffers() { return buffers_; }
    void setBuffers(const TCommBuffers& value);
    TCommDataControl& DataControl() { return dataControl_; }
    void setDataControl(const TCommDataControl& value);
    TCommEventChars& EventChars() { return eventChars_; }
    void setEventChars(const TCommEventChars& value);
    TCommTimeoutsEx& Timeouts() { return timeouts_; }
    void setTimeouts(const TCommTimeoutsEx& value);
    TRTSSettings RTSSettings() const;
    void setRTSSettings(TRTSSettings value);
    TDTRSettings DTRSettings() const;
    void setDTRSettings(TDTRSettings value);
    TXOnXOffSettings XOnXOffSettings() const;
    void setXOnXOffSettings(TXOnXOffSettings value);
    TFlowControl FlowControl() const { return flowControl_; }
    void setFlowControl(TFlowControl value);
    TCommOptions Options() const;
    void setOptions(TCommOptions value);

    TDeviceEvents MonitorEvents{deChar, deFlag, deOutEmpty};
    bool Synchronize = true;
    std::function<void(TCustomComm& sender, TDeviceEvents events)> OnCommEvent;
    std::function<void(TCustomComm& sender, uint32_t received)> OnData;
    std::function<void(TCustomComm& sender)> OnRead;
    std::function<void(TCustomComm& sender)> OnSend;

    uint32_t TotalReceived() const { return totalReceived_; }
    uint32_t TotalSent() const { return totalSent_; }

    // The line-settings record the stored settings stand for.
    DCB BuildDCB() const;

  protected:
    virtual void DoCommEvent(TDeviceEvents events);
    virtual void DoData(uint32_t received);
    // Ends the event thread; no event is delivered from then on. The most
    // derived class calls it first thing in its destructor: the thread makes
    // the virtual calls above, which must never reach an object already
    // being torn down.
    void StopEvents();

  private:
    friend class TCommDataControl;
    friend class TCommBuffers;
    friend class TCommEventChars;
    friend class TCommTimeoutsEx;

    // Reads of the open device; false (and the stored value is used) otherwise.
    bool readState(DCB& dcb) const;
    bool readTimeouts(COMMTIMEOUTS& t) const;
    bool readProperties(COMMPROP& p) const;
    void decodeFlags(const DCB& dcb) const;
    void deriveHandshake();

    std::unique_ptr<CommPort> port_;
    bool opened_ = false;
    std::atomic<bool> destroying_{false};  // read by the event thread when it delivers itself
    std::string deviceName_ = "COM2";
    mutable TBaudRate baudRate_ = br9600;
    mutable uint32_t baudValue_ = 9600;
    TCommBuffers buffers_{*this};
    TCommDataControl dataControl_{*this};
    TCommEventChars eventChars_{*this};
    TCommTimeoutsEx timeouts_{*this};
    mutable TDTRSettings dtr_;
    mutable TRTSSettings rts_;
    mutable TXOnXOffSettings xonxoff_;
    TFlowControl flowControl_ = fcNone;
    mutable TCommOptions options_;
    TCommLocks locks_;
    uint32_t totalReceived_ = 0;
    uint32_t totalSent_ = 0;
    std::unique_ptr<TCommEventThread> thread_;
};

// The class the program instantiates; it adds no behaviour, but as the most
// derived class it stops the event thread before anything is torn down.
class TXComm : public TCustomComm {
  public:
    using TCustomComm::TCustomComm;
    ~TXComm() override { StopEvents(); }
};

}  // namespace lumetto::serial
