#include "serial/posix/termios2.h"

#include <sys/ioctl.h>

namespace lumetto::serial::posix {

namespace {

struct StandardRate {
    uint32_t rate;
    unsigned code;
};

// The rates with a code of their own; any other goes as BOTHER with its value,
// and the standard ones keep their codes so that other programs
// (tcgetattr/cfgetospeed) read them back.
constexpr StandardRate kRates[] = {
    {50, B50},           {75, B75},           {110, B110},         {134, B134},
    {150, B150},         {200, B200},         {300, B300},         {600, B600},
    {1200, B1200},       {1800, B1800},       {2400, B2400},       {4800, B4800},
    {9600, B9600},       {19200, B19200},     {38400, B38400},     {57600, B57600},
    {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
    {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000},
    {1500000, B1500000}, {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000},
    {3500000, B3500000}, {4000000, B4000000},
};

constexpr unsigned kFramingBits = CSIZE | PARENB | PARODD | CMSPAR;

}  // namespace

uint32_t lineRate(const termios2& t) {
    unsigned code = t.c_cflag & CBAUD;
    if (code == BOTHER) return t.c_ospeed;
    for (const auto& r : kRates)
        if (r.code == code) return r.rate;
    return code == B0 ? 0 : t.c_ospeed;
}

void setLineRate(termios2& t, uint32_t rate) {
    unsigned code = BOTHER;
    for (const auto& r : kRates)
        if (r.rate == rate) code = r.code;
    t.c_cflag &= ~(CBAUD | (CBAUD << IBSHIFT));  // input rate: as the output one
    t.c_cflag |= code;
    t.c_ospeed = rate;
    t.c_ispeed = rate;
}

void makeRaw(termios2& t) {
    t.c_iflag &= ~(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF |
                   IXANY | INPCK | IUCLC | IMAXBEL);
    t.c_oflag &= ~OPOST;
    t.c_lflag &= ~(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    t.c_cflag &= ~HUPCL;
    t.c_cflag |= CREAD | CLOCAL;
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;
}

bool toTermios(const DCB& dcb, termios2& t, bool pty) {
    if (dcb.ByteSize < 5 || dcb.ByteSize > 8 || dcb.Parity > 4 || dcb.StopBits > 2) return false;
    if (dcb.StopBits == 1 && dcb.ByteSize != 5) return false;  // 1.5 exists only with 5 bits
    if (dcb.StopBits == 2 && dcb.ByteSize == 5) return false;  // CSTOPB means 1.5 there
    if (dcb.BaudRate == 0) return false;

    setLineRate(t, dcb.BaudRate);
    if (!pty) {
        static constexpr unsigned kSizes[] = {CS5, CS6, CS7, CS8};
        t.c_cflag &= ~kFramingBits;
        t.c_cflag |= kSizes[dcb.ByteSize - 5];
        switch (dcb.Parity) {
            case 1:
                t.c_cflag |= PARENB | PARODD;
                break;
            case 2:
                t.c_cflag |= PARENB;
                break;
            case 3:
                t.c_cflag |= PARENB | PARODD | CMSPAR;
                break;
            case 4:
                t.c_cflag |= PARENB | CMSPAR;
                break;
            default:
                break;
        }
    }
    if (dcb.StopBits != 0) {
        t.c_cflag |= CSTOPB;
    } else {
        t.c_cflag &= ~CSTOPB;
    }
    if (dcb.fOutxCtsFlow || (dcb.fRtsControl & kRtsHandshake)) {
        t.c_cflag |= CRTSCTS;
    } else {
        t.c_cflag &= ~CRTSCTS;
    }
    t.c_iflag &= ~(INPCK | IXON | IXOFF);
    if (dcb.fParity) t.c_iflag |= INPCK;
    if (dcb.fOutX) t.c_iflag |= IXON;
    if (dcb.fInX) t.c_iflag |= IXOFF;
    t.c_cc[VSTART] = static_cast<cc_t>(dcb.XonChar);
    t.c_cc[VSTOP] = static_cast<cc_t>(dcb.XoffChar);
    return true;
}

DCB fromTermios(const termios2& t, const DCB& stored, bool pty) {
    DCB d = stored;
    d.DCBlength = sizeof(DCB);
    d.BaudRate = lineRate(t);
    if (!pty) {
        switch (t.c_cflag & CSIZE) {
            case CS5:
                d.ByteSize = 5;
                break;
            case CS6:
                d.ByteSize = 6;
                break;
            case CS7:
                d.ByteSize = 7;
                break;
            default:
                d.ByteSize = 8;
                break;
        }
        if (!(t.c_cflag & PARENB)) {
            d.Parity = 0;
        } else if (t.c_cflag & CMSPAR) {
            d.Parity = (t.c_cflag & PARODD) ? 3 : 4;
        } else {
            d.Parity = (t.c_cflag & PARODD) ? 1 : 2;
        }
    }
    if (!(t.c_cflag & CSTOPB)) {
        d.StopBits = 0;
    } else {
        d.StopBits = d.ByteSize == 5 ? 1 : 2;
    }
    bool handshake = (t.c_cflag & CRTSCTS) != 0;
    if (handshake != (stored.fOutxCtsFlow || (stored.fRtsControl & kRtsHandshake))) {
        // Someone else changed it: take the device's word for both directions.
        d.fOutxCtsFlow = handshake;
        d.fRtsControl = static_cast<uint8_t>(handshake ? (d.fRtsControl | kRtsHandshake)
                                                       : (d.fRtsControl & ~kRtsHandshake));
    }
    d.fParity = (t.c_iflag & INPCK) != 0;
    d.fOutX = (t.c_iflag & IXON) != 0;
    d.fInX = (t.c_iflag & IXOFF) != 0;
    d.XonChar = static_cast<char>(t.c_cc[VSTART]);
    d.XoffChar = static_cast<char>(t.c_cc[VSTOP]);
    return d;
}

bool sameLine(const termios2& wanted, const termios2& got, bool pty) {
    unsigned cflags = CSTOPB | CRTSCTS | (pty ? 0u : kFramingBits);
    unsigned iflags = INPCK | IXON | IXOFF;
    return lineRate(wanted) == lineRate(got) &&
           (wanted.c_cflag & cflags) == (got.c_cflag & cflags) &&
           (wanted.c_iflag & iflags) == (got.c_iflag & iflags) &&
           wanted.c_cc[VSTART] == got.c_cc[VSTART] && wanted.c_cc[VSTOP] == got.c_cc[VSTOP];
}

bool readLine(int fd, termios2& t) {
    return ioctl(fd, TCGETS2, &t) == 0;
}

bool writeLine(int fd, const termios2& t) {
    return ioctl(fd, TCSETS2, &t) == 0;
}

}  // namespace lumetto::serial::posix
