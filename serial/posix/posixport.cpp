#include "serial/posix/posixport.h"

#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <set>

#include "platform/diagnostica.h"
#include "platform/dosdevices.h"
#include "serial/clock.h"
#include "serial/posix/termios2.h"

namespace lumetto::serial {

// --- the stop signal -----------------------------------------------------

StopSignal::StopSignal() : fd_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

StopSignal::~StopSignal() {
    if (fd_ >= 0) close(fd_);
}

void StopSignal::raise() {
    uint64_t one = 1;
    [[maybe_unused]] ssize_t n = write(fd_, &one, sizeof one);
}

bool StopSignal::raised() const {
    pollfd p{fd_, POLLIN, 0};
    return poll(&p, 1, 0) > 0;
}

namespace posix {

namespace {

// Devices this program holds open: a second open of one of them fails even
// through another name, and even where the kernel's locks would let root in.
std::mutex registryMutex;
std::set<dev_t> openDevices;

bool registerDevice(dev_t rdev) {
    std::lock_guard lock(registryMutex);
    return openDevices.insert(rdev).second;
}

void unregisterDevice(dev_t rdev) {
    std::lock_guard lock(registryMutex);
    openDevices.erase(rdev);
}

bool gone(int err) {
    return err == EIO || err == ENXIO || err == ENODEV || err == EPIPE;
}

// How long the event thread sleeps between looks at lines and counters.
constexpr int kEventCapMs = 25;
// How long a close lets queued output drain before it discards the rest.
constexpr uint32_t kDrainMs = 500;
constexpr int kNapMs = 10;

// Why a device did not open, for the diagnostic log ("lumetto.serial"): the
// port search's box says only that no board was found.
static bool rifiuta(const std::string& nome, const char* passo, int e) {
    namespace d = diagnostica;
    if (d::attiva(d::Stanza::serial)) {
        std::string t = nome + ": " + passo;
        if (e != 0)
            t += std::string(": ") + std::strerror(e) + " (errno " + std::to_string(e) + ")";
        d::scrivi(d::Stanza::serial, t);
    }
    return false;
}

class PosixPort final : public CommPort {
  public:
    ~PosixPort() override { closeHandle(); }

    bool createFile(const std::string& deviceName) override {
        if (fd_ >= 0) return false;
        auto path = platform::resolveDevice(deviceName);
        if (!path) return rifiuta(deviceName, "no device linked in dosdevices", 0);
        const std::string nome = deviceName + " (" + path->string() + ")";
        int fd = ::open(path->c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) return rifiuta(nome, "open", errno);
        struct stat st {};
        if (fstat(fd, &st) != 0 || !S_ISCHR(st.st_mode) || !registerDevice(st.st_rdev)) {
            ::close(fd);
            return rifiuta(nome, "not a character device, or already open in this program", 0);
        }
        auto fail = [&](bool locked, bool exclusive, const char* passo) {
            const int e = errno;  // before the clean-up changes it
            if (exclusive) ioctl(fd, TIOCNXCL);
            if (locked) flock(fd, LOCK_UN);
            unregisterDevice(st.st_rdev);
            ::close(fd);
            return rifiuta(nome, passo, e);
        };
        if (flock(fd, LOCK_EX | LOCK_NB) != 0)
            return fail(false, false, "flock (another program holds it)");
        if (ioctl(fd, TIOCEXCL) != 0 && errno != ENOTTY && errno != EINVAL)
            return fail(true, false, "TIOCEXCL");
        termios2 t{};
        if (!readLine(fd, t)) return fail(true, true, "TCGETS2");
        makeRaw(t);
        if (!writeLine(fd, t)) return fail(true, true, "TCSETS2");

        fd_ = fd;
        rdev_ = st.st_rdev;
        pty_ = isPtySlave(st.st_rdev);
        DCB start{};
        start.fBinary = 1;
        stored_ = fromTermios(t, start, false);
        timeouts_ = {};
        rxQueue_ = txQueue_ = 0;
        vanished_ = false;
        lastInput_ = 0;
        consumed_ = 0;
        modemLines_ = -1;
        modemReadable_ = true;
        countersReadable_ = true;
        haveCounters_ = false;
        return true;
    }

    void closeHandle() override {
        if (fd_ < 0) return;
        // A real line gets a moment to send what is queued, then the rest is
        // dropped so that close() cannot hang on a stuck line. A pseudo-terminal
        // never hangs there, and flushing it would throw away what the other
        // side has not read yet.
        if (!pty_) {
            drainOutput();
            int queue = TCOFLUSH;
            ioctl(fd_, TCFLSH, queue);
        }
        ioctl(fd_, TIOCNXCL);
        flock(fd_, LOCK_UN);
        ::close(fd_);
        unregisterDevice(rdev_);
        fd_ = -1;
    }

    bool getCommState(DCB& dcb) override {
        termios2 t{};
        if (fd_ < 0 || !readLine(fd_, t)) return false;
        dcb = fromTermios(t, stored_, pty_);
        return true;
    }

    bool setCommState(const DCB& dcb) override {
        termios2 t{};
        if (fd_ < 0 || !readLine(fd_, t)) return false;
        if (!toTermios(dcb, t, pty_)) return false;
        if (!writeLine(fd_, t)) return false;
        stored_ = dcb;
        setModemLines(dcb);
        termios2 got{};
        return readLine(fd_, got) && sameLine(t, got, pty_);
    }

    bool setupComm(uint32_t inQueue, uint32_t outQueue) override {
        if (fd_ < 0) return false;
        // Linux has no settable driver queues; the sizes are kept so they read back.
        rxQueue_ = inQueue;
        txQueue_ = outQueue;
        return true;
    }

    bool purgeComm(uint32_t flags) override {
        if (fd_ < 0) return false;
        bool ok = true;
        if (flags & (PURGE_RXABORT | PURGE_RXCLEAR)) {
            ok &= ioctl(fd_, TCFLSH, TCIFLUSH) == 0;
            consumed_ = kTutto;  // whatever was counted is gone
        }
        if (flags & (PURGE_TXABORT | PURGE_TXCLEAR)) ok &= ioctl(fd_, TCFLSH, TCOFLUSH) == 0;
        return ok;
    }

    bool setCommTimeouts(const COMMTIMEOUTS& t) override {
        if (fd_ < 0) return false;
        timeouts_ = t;
        return true;
    }

    bool getCommTimeouts(COMMTIMEOUTS& t) override {
        if (fd_ < 0) return false;
        t = timeouts_;
        return true;
    }

    bool getCommProperties(COMMPROP& p) override {
        if (fd_ < 0) return false;
        p.dwCurrentRxQueue = rxQueue_;
        p.dwCurrentTxQueue = txQueue_;
        return true;
    }

    bool clearCommError(COMSTAT& s) override {
        int in = 0, out = 0;
        if (fd_ < 0 || ioctl(fd_, FIONREAD, &in) != 0) return false;
        if (ioctl(fd_, TIOCOUTQ, &out) != 0) out = 0;
        s.cbInQue = static_cast<uint32_t>(std::max(in, 0));
        s.cbOutQue = static_cast<uint32_t>(std::max(out, 0));
        return true;
    }

    uint32_t writeFile(const uint8_t* buffer, uint32_t count) override {
        if (fd_ < 0) return 0;
        ssize_t n = ::write(fd_, buffer, count);
        if (n > 0) return static_cast<uint32_t>(n);
        if (n < 0 && gone(errno)) vanished_ = true;
        return 0;
    }

    uint32_t readFile(uint8_t* buffer, uint32_t count) override {
        if (fd_ < 0) return 0;
        ssize_t n = ::read(fd_, buffer, count);
        if (n > 0) {
            // Told to the event thread, so that a queue emptied and filled
            // again to the same count still counts as an arrival.
            int prima = consumed_.load();
            while (!consumed_.compare_exchange_weak(
                prima, static_cast<int>(std::min<int64_t>(int64_t{prima} + n, kTutto)))) {
            }
            return static_cast<uint32_t>(n);
        }
        if (n == 0 || gone(errno)) vanished_ = true;  // a raw tty reads 0 only after hang-up
        return 0;
    }

    WaitResult waitIo(IoWait what, uint32_t ms) override {
        if (fd_ < 0 || vanished_) return WaitResult::Vanished;
        pollfd p{fd_, 0, 0};
        int timeout = static_cast<int>(std::min<uint32_t>(ms, INT32_MAX));
        switch (what) {
            case IoWait::Input:
                p.events = POLLIN;
                break;
            case IoWait::Output:
                p.events = POLLOUT;
                break;
            case IoWait::Nap:
                timeout = std::min(timeout, kNapMs);
                break;
        }
        int r = poll(&p, 1, timeout);
        if (r < 0) return WaitResult::Ready;  // interrupted: the caller looks at the clock again
        if (r == 0) return WaitResult::TimedOut;
        if (p.revents & (POLLHUP | POLLERR | POLLNVAL)) {
            vanished_ = true;
            return WaitResult::Vanished;
        }
        return WaitResult::Ready;
    }

    bool setCommMask(uint32_t mask) override {
        eventMask_ = mask;
        return fd_ >= 0;
    }

    EventWaitResult waitCommEvent(uint32_t& events, const StopSignal& stop) override {
        for (;;) {
            if (fd_ < 0) return EventWaitResult::Failed;
            uint32_t found = sampleEvents();
            if (found == UINT32_MAX) return EventWaitResult::Failed;
            found &= eventMask_;
            if (found != 0) {
                events = found;
                return EventWaitResult::Events;
            }
            // Bytes already waiting keep the device readable: then watch only the
            // stop signal and look at the count again after the cap.
            pollfd p[2] = {{stop.fd(), POLLIN, 0},
                           {fd_, lastInput_ == 0 ? short(POLLIN) : short(0), 0}};
            int r = poll(p, 2, kEventCapMs);
            if (r < 0 && errno != EINTR) return EventWaitResult::Failed;
            if (p[0].revents) return EventWaitResult::Stopped;
            if (p[1].revents & (POLLHUP | POLLERR | POLLNVAL)) return EventWaitResult::Failed;
        }
    }

  private:
    // Events seen since the last look; UINT32_MAX when the device is gone.
    uint32_t sampleEvents() {
        uint32_t found = 0;
        int in = 0;
        if (ioctl(fd_, FIONREAD, &in) != 0) return UINT32_MAX;
        // What was read since the last look came off the count seen then:
        // bytes that refilled the queue meanwhile are new.
        const int letti = consumed_.exchange(0);
        const int prima = lastInput_ > letti ? lastInput_ - letti : 0;
        if (in > prima) found |= 1u << deChar;
        lastInput_ = in;
        if (modemReadable_) {
            int lines = 0;
            if (ioctl(fd_, TIOCMGET, &lines) == 0) {
                if (modemLines_ >= 0) {
                    int changed = lines ^ modemLines_;
                    if (changed & TIOCM_CTS) found |= 1u << deCTS;
                    if (changed & TIOCM_DSR) found |= 1u << deDSR;
                    if (changed & TIOCM_CD) found |= 1u << deRLSD;
                    if (changed & TIOCM_RI) found |= 1u << deRing;
                }
                modemLines_ = lines;
            } else {
                modemReadable_ = false;  // a pseudo-terminal has no modem lines
            }
        }
        if (countersReadable_) {
            serial_icounter_struct c{};
            if (ioctl(fd_, TIOCGICOUNT, &c) == 0) {
                if (haveCounters_) {
                    if (c.frame != counters_.frame || c.overrun != counters_.overrun ||
                        c.parity != counters_.parity || c.buf_overrun != counters_.buf_overrun)
                        found |= 1u << deError;
                    if (c.brk != counters_.brk) found |= 1u << deBreak;
                }
                counters_ = c;
                haveCounters_ = true;
            } else {
                countersReadable_ = false;
            }
        }
        return found;
    }

    // DTR is raised for "on" and never lowered: a board resets when DTR rises,
    // and the port is opened for every exchange. A device without modem lines
    // (a pseudo-terminal) is no error.
    void setModemLines(const DCB& dcb) {
        int dtr = TIOCM_DTR, rts = TIOCM_RTS;
        if (dcb.fDtrControl & kDtrOn) ioctl(fd_, TIOCMBIS, &dtr);
        switch (dcb.fRtsControl) {
            case kRtsOn:
            case kRtsOn | kRtsHandshake:
                ioctl(fd_, TIOCMBIS, &rts);
                break;
            case 0:
                ioctl(fd_, TIOCMBIC, &rts);
                break;
            default:
                break;  // the handshake drives RTS
        }
    }

    // Lets bytes still queued go out (a command just written) before the close
    // discards what a stuck line would otherwise hold for the kernel's 30 s.
    void drainOutput() {
        if (vanished_) return;
        Elapsed elapsed;
        for (;;) {
            int out = 0;
            if (ioctl(fd_, TIOCOUTQ, &out) != 0 || out <= 0) return;
            if (elapsed.now() > kDrainMs) return;
            pollfd p{fd_, 0, 0};
            if (poll(&p, 1, 2) > 0) return;  // hung up
        }
    }

    int fd_ = -1;
    dev_t rdev_ = 0;
    bool pty_ = false;
    DCB stored_{};
    COMMTIMEOUTS timeouts_{};
    uint32_t rxQueue_ = 0, txQueue_ = 0;
    std::atomic<bool> vanished_{false};
    std::atomic<uint32_t> eventMask_{0};
    // Bytes read (or purged) by the main thread since the event thread last
    // looked at the input count.
    static constexpr int kTutto = 1 << 30;
    std::atomic<int> consumed_{0};
    // Event thread only.
    int lastInput_ = 0;
    int modemLines_ = -1;
    bool modemReadable_ = true;
    bool countersReadable_ = true;
    bool haveCounters_ = false;
    serial_icounter_struct counters_{};
};

}  // namespace

bool isPtySlave(dev_t rdev) {
    return major(rdev) >= 136 && major(rdev) <= 143;
}

std::unique_ptr<CommPort> makePosixPort() {
    return std::make_unique<PosixPort>();
}

}  // namespace posix

namespace {
std::mutex factoryMutex;
PortFactory portFactory;
}  // namespace

void setPortFactory(PortFactory factory) {
    std::lock_guard lock(factoryMutex);
    portFactory = std::move(factory);
}

std::unique_ptr<CommPort> makePort() {
    std::lock_guard lock(factoryMutex);
    return portFactory ? portFactory() : posix::makePosixPort();
}

}  // namespace lumetto::serial
