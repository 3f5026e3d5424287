#pragma once
// Types of the serial component: its enumerations and sets, and the records of
// the communications interface it was designed on (line-settings record,
// device time-outs, queue counts), kept field for field so that every layer
// below speaks the same language.

#include <cstdint>
#include <initializer_list>

namespace lumetto::serial {

// A set of enumeration values stored as bits (bit i for ordinal i).
template <typename E>
class EnumSet {
  public:
    constexpr EnumSet() = default;
    constexpr EnumSet(std::initializer_list<E> values) {
        for (E v : values)
            bits_ |= bit(v);
    }
    static constexpr EnumSet fromBits(uint32_t bits) {
        EnumSet s;
        s.bits_ = bits;
        return s;
    }
    constexpr uint32_t bits() const { return bits_; }
    constexpr bool contains(E v) const { return (bits_ & bit(v)) != 0; }
    constexpr bool empty() const { return bits_ == 0; }
    constexpr EnumSet& operator+=(E v) {
        bits_ |= bit(v);
        return *this;
    }
    constexpr EnumSet& operator-=(E v) {
        bits_ &= ~bit(v);
        return *this;
    }
    constexpr EnumSet operator*(EnumSet o) const { return fromBits(bits_ & o.bits_); }
    constexpr EnumSet operator+(EnumSet o) const { return fromBits(bits_ | o.bits_); }
    constexpr bool operator==(const EnumSet&) const = default;

  private:
    static constexpr uint32_t bit(E v) { return 1u << static_cast<unsigned>(v); }
    uint32_t bits_ = 0;
};

enum TBaudRate : uint8_t {
    br110,
    br300,
    br600,
    br1200,
    br2400,
    br4800,
    br9600,
    br14400,
    br19200,
    br38400,
    br56000,
    br57600,
    br115200,
    br128000,
    br256000,
    brCustom
};
enum TDataBits : uint8_t { db4, db5, db6, db7, db8 };
enum TParity : uint8_t { paNone, paOdd, paEven, paMark, paSpace };
enum TStopBits : uint8_t { sb1, sb1p5, sb2 };
enum TFlowControl : uint8_t { fcNone, fcRtsCts, fcDtrDsr, fcSoftware, fcCustom };

enum TRTSSetting : uint8_t { fsCTSOut, fsRTSEnabled, fsRTSHandshake };
enum TDTRSetting : uint8_t { fsDSROut, fsDTREnabled, fsDTRHandshake };
enum TXOnXOffSetting : uint8_t { fsInX, fsOutX };
enum TCommOption : uint8_t {
    coAbortOnError,
    coDiscardNull,
    coDSRSensitivity,
    coErrorChar,
    coParityCheck,
    coTXContinueOnXOff,
    coLeaveDTROpen
};
using TRTSSettings = EnumSet<TRTSSetting>;
using TDTRSettings = EnumSet<TDTRSetting>;
using TXOnXOffSettings = EnumSet<TXOnXOffSetting>;
using TCommOptions = EnumSet<TCommOption>;

// Device events; bit i of a device event mask is the event of ordinal i.
enum TDeviceEvent : uint8_t {
    deChar,
    deFlag,
    deOutEmpty,
    deCTS,
    deDSR,
    deRLSD,
    deBreak,
    deError,
    deRing,
    dePrintError,
    deIn80Full,
    deProv1,
    deProv2
};
using TDeviceEvents = EnumSet<TDeviceEvent>;

// Every event but deOutEmpty: what the event thread asks the device to watch.
inline constexpr uint32_t kWatchedEvents = 0x1FFB;

// Rates of TBaudRate's values, by ordinal (brCustom has none).
inline constexpr uint32_t kBaudTable[15] = {110,   300,   600,    1200,   2400,
                                            4800,  9600,  14400,  19200,  38400,
                                            56000, 57600, 115200, 128000, 256000};

// Line-settings record, one field per field of the designed record. The flag
// fields hold 0 or 1, the two control fields 0 to 3.
struct DCB {
    uint32_t DCBlength = sizeof(DCB);
    uint32_t BaudRate = 0;
    uint8_t fBinary = 0;
    uint8_t fParity = 0;
    uint8_t fOutxCtsFlow = 0;
    uint8_t fOutxDsrFlow = 0;
    uint8_t fDtrControl = 0;  // bit 0: DTR on, bit 1: DTR handshake
    uint8_t fDsrSensitivity = 0;
    uint8_t fTXContinueOnXoff = 0;
    uint8_t fOutX = 0;
    uint8_t fInX = 0;
    uint8_t fErrorChar = 0;
    uint8_t fNull = 0;
    uint8_t fRtsControl = 0;  // bit 0: RTS on, bit 1: RTS handshake
    uint8_t fAbortOnError = 0;
    uint16_t XonLim = 0;
    uint16_t XoffLim = 0;
    uint8_t ByteSize = 0;
    uint8_t Parity = 0;    // 0 none, 1 odd, 2 even, 3 mark, 4 space
    uint8_t StopBits = 0;  // 0 one, 1 one and a half, 2 two
    char XonChar = 0;
    char XoffChar = 0;
    char ErrorChar = 0;
    char EofChar = 0;
    char EvtChar = 0;
    bool operator==(const DCB&) const = default;
};

inline constexpr uint8_t kDtrOn = 1, kDtrHandshake = 2;
inline constexpr uint8_t kRtsOn = 1, kRtsHandshake = 2;

struct COMMTIMEOUTS {
    uint32_t ReadIntervalTimeout = 0;
    uint32_t ReadTotalTimeoutMultiplier = 0;
    uint32_t ReadTotalTimeoutConstant = 0;
    uint32_t WriteTotalTimeoutMultiplier = 0;
    uint32_t WriteTotalTimeoutConstant = 0;
    bool operator==(const COMMTIMEOUTS&) const = default;
};

// The current driver queue sizes.
struct COMMPROP {
    uint32_t dwCurrentTxQueue = 0;
    uint32_t dwCurrentRxQueue = 0;
};

// Bytes waiting in the input and output queues.
struct COMSTAT {
    uint32_t cbInQue = 0;
    uint32_t cbOutQue = 0;
};

// Purge flags: abort and clear, transmit and receive.
inline constexpr uint32_t PURGE_TXABORT = 0x1, PURGE_RXABORT = 0x2, PURGE_TXCLEAR = 0x4,
                          PURGE_RXCLEAR = 0x8;

}  // namespace lumetto::serial
