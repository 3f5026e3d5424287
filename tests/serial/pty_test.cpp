// The component on a real terminal device: a pseudo-terminal whose master side
// plays the board, reached through the dosdevices link com13.
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "serial/comm.h"
#include "serial/report.h"
#include "support/pty.h"

namespace fs = std::filesystem;
using namespace lumetto::serial;
using namespace std::chrono_literals;
using lumetto::prove::dosdevicesDir;
using lumetto::prove::PtyBoard;
using Clock = std::chrono::steady_clock;

namespace {

double ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

// User plus system time of the whole process, every thread included.
double cpuMs() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    auto tv = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) * 1000.0 + static_cast<double>(t.tv_usec) / 1000.0;
    };
    return tv(u.ru_utime) + tv(u.ru_stime);
}

size_t entries(const char* dir) {
    size_t n = 0;
    for ([[maybe_unused]] auto& e : fs::directory_iterator(dir))
        ++n;
    return n;
}

std::string allByteValues() {
    std::string s;
    for (int i = 0; i < 256; ++i)
        s.push_back(static_cast<char>(i));
    return s;
}

// The slave's settings, as another program sees them from the master side.
termios boardSide(const PtyBoard& board) {
    termios t{};
    EXPECT_EQ(tcgetattr(board.master(), &t), 0);
    return t;
}

bool usbSerialPresent() {
    std::error_code ec;
    for (fs::directory_iterator it("/dev", ec), end; !ec && it != end; it.increment(ec)) {
        std::string name = it->path().filename().string();
        if (name.rfind("ttyACM", 0) == 0 || name.rfind("ttyUSB", 0) == 0) return true;
    }
    return false;
}

int openSlave(const PtyBoard& board) {
    return ::open(board.slavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
}

// One more dosdevices link, gone with the test.
class ExtraLink {
  public:
    ExtraLink(int n, const std::string& target)
        : path_(dosdevicesDir() + "/com" + std::to_string(n)) {
        fs::remove(path_);
        fs::create_symlink(target, path_);
    }
    ~ExtraLink() {
        std::error_code ec;
        fs::remove(path_, ec);
    }
    ExtraLink(const ExtraLink&) = delete;
    ExtraLink& operator=(const ExtraLink&) = delete;

  private:
    std::string path_;
};

class PtyTest : public ::testing::Test {
  protected:
    void SetUp() override {
        setPortFactory(nullptr);
        setCommErrorHook([this](const std::string& text, int) { shown.push_back(text); });
        board.link(13);
    }
    void TearDown() override { setCommErrorHook(nullptr); }

    // The line settings the board expects.
    static void setUpForBoard(TXComm& comm, const std::string& name = "COM13") {
        comm.setDeviceName(name);
        comm.setBaudRate(br9600);
        comm.DataControl().setDataBits(db7);
        comm.DataControl().setParity(paEven);
        comm.DataControl().setStopBits(sb1);
    }

    // Leaves the line as a login terminal would have it: cooked, echoing,
    // translating CR and XON/XOFF, hanging up on close, at another rate.
    void cookLine() {
        termios t = boardSide(board);
        t.c_lflag |= ICANON | ECHO | ISIG | IEXTEN;
        t.c_iflag |= ICRNL | IXON | ISTRIP;
        t.c_oflag |= OPOST | ONLCR;
        t.c_cflag |= HUPCL;
        cfsetospeed(&t, B38400);
        cfsetispeed(&t, B38400);
        ASSERT_EQ(tcsetattr(board.master(), TCSANOW, &t), 0);
    }

    PtyBoard board;
    std::vector<std::string> shown;
};

// --- line settings and transfer ------------------------------------------

using PtyLine = PtyTest;

TEST_F(PtyLine, OpenMakesTheLineRawAt9600WithoutHangUp) {
    cookLine();
    TXComm comm;
    setUpForBoard(comm);
    ASSERT_TRUE(comm.OpenDevice());

    termios t = boardSide(board);
    EXPECT_EQ(cfgetospeed(&t), speed_t{B9600});
    EXPECT_EQ(t.c_cflag & HUPCL, 0u);
    EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
    EXPECT_EQ(t.c_iflag & (ICRNL | INLCR | IGNCR | ISTRIP | IXON | IXOFF), 0u);
    EXPECT_EQ(t.c_oflag & OPOST, 0u);

    // The kernel keeps 8N1 on a pseudo-terminal; the component answers with what it stored.
    EXPECT_EQ(t.c_cflag & CSIZE, tcflag_t{CS8});
    EXPECT_EQ(t.c_cflag & PARENB, 0u);
    EXPECT_EQ(comm.DataControl().DataBits(), db7);
    EXPECT_EQ(comm.DataControl().Parity(), paEven);
    EXPECT_EQ(comm.DataControl().StopBits(), sb1);
    EXPECT_TRUE(shown.empty());
}

TEST_F(PtyLine, EveryByteValuePassesUnchangedBothWays) {
    cookLine();
    TXComm comm;
    setUpForBoard(comm);
    ASSERT_TRUE(comm.OpenDevice());
    const std::string all = allByteValues();  // NUL, CR, XON/XOFF, 0xFF among them
    const auto size = static_cast<uint32_t>(all.size());

    EXPECT_TRUE(comm.SendString(all));
    EXPECT_EQ(board.take(2000, all.size()), all);

    board.send(all);
    std::string got(all.size(), '\0');
    EXPECT_EQ(comm.ReceiveData(got.data(), size, 2000), size);
    EXPECT_EQ(got, all);
    EXPECT_EQ(comm.TotalSent(), size);
    EXPECT_EQ(comm.TotalReceived(), size);
    EXPECT_TRUE(shown.empty());
}

// --- exclusive use -------------------------------------------------------

using PtyExclusive = PtyTest;

TEST_F(PtyExclusive, SecondComponentIsRefusedUnderAnyName) {
    TXComm first;
    setUpForBoard(first);
    ASSERT_TRUE(first.OpenDevice());
    ExtraLink com14(14, board.slavePath());

    for (const std::string& name :
         {std::string("COM13"), board.slavePath(), std::string("COM14")}) {
        SCOPED_TRACE(name);
        TXComm second;
        setUpForBoard(second, name);
        EXPECT_FALSE(second.OpenDevice());
        EXPECT_FALSE(second.DeviceOpened());
    }
    EXPECT_TRUE(shown.empty());

    // The holder goes on undisturbed by the refused opens.
    EXPECT_TRUE(first.SendString("ok"));
    EXPECT_EQ(board.take(1000, 2), "ok");

    first.CloseDevice();
    TXComm second;
    setUpForBoard(second, "COM14");
    EXPECT_TRUE(second.OpenDevice());
}

TEST_F(PtyExclusive, OtherProgramsAreLockedOutAndLockUsOut) {
    TXComm comm;
    setUpForBoard(comm);
    ASSERT_TRUE(comm.OpenDevice());

    // What another program would try. Root passes TIOCEXCL, so the lock must hold.
    int fd = openSlave(board);
    if (fd >= 0) {
        int r = flock(fd, LOCK_EX | LOCK_NB);
        int err = errno;
        EXPECT_NE(r, 0);
        EXPECT_EQ(err, EWOULDBLOCK);
        ::close(fd);
    } else {
        EXPECT_EQ(errno, EBUSY);
    }

    comm.CloseDevice();
    fd = openSlave(board);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(flock(fd, LOCK_EX | LOCK_NB), 0) << "the close left the device locked";

    // Now the other program holds it; a refused open must hold nothing itself.
    EXPECT_FALSE(comm.OpenDevice());
    ::close(fd);
    EXPECT_TRUE(comm.OpenDevice());
    EXPECT_TRUE(shown.empty());
}

// --- waits ---------------------------------------------------------------

using PtyTiming = PtyTest;

TEST_F(PtyTiming, ReceiveCharTimesOutAsleep) {
    TXComm comm;
    setUpForBoard(comm);
    comm.Buffers().setInputTimeout(500);
    ASSERT_TRUE(comm.OpenDevice());

    char c = 'q';
    double cpu0 = cpuMs();
    auto t0 = Clock::now();
    bool got = comm.ReceiveChar(c);
    double wall = ms(Clock::now() - t0);
    double cpu = cpuMs() - cpu0;

    EXPECT_FALSE(got);
    EXPECT_EQ(c, 'q');
    EXPECT_GT(wall, 500.0);
    EXPECT_LT(wall, 1000.0);
    // A wait that polls the queue would burn most of the half second.
    EXPECT_LT(cpu, 100.0);
    EXPECT_TRUE(shown.empty());
}

// Whether thread `tid` of this process is blocked in the kernel in poll,
// from /proc: its system call's number, or "running".
bool inpoll(pid_t tid) {
    std::ifstream f("/proc/self/task/" + std::to_string(tid) + "/syscall");
    long n = -1;
    return static_cast<bool>(f >> n) && (n == SYS_poll || n == SYS_ppoll);
}

// The byte is sent only once the reader is seen asleep in its wait, so it
// surely arrives in the middle of it; the wait's time-out is an hour, so only
// the byte's arrival can end it (a wait that does not wake for input would
// outlast the test's own time limit): the wake-up is observed, not timed.
TEST_F(PtyTiming, ByteArrivingMidWaitEndsIt) {
    TXComm comm;
    setUpForBoard(comm);
    ASSERT_TRUE(comm.OpenDevice());

    const pid_t lettore = gettid();
    std::thread sender([&] {
        while (!inpoll(lettore))
            std::this_thread::sleep_for(1ms);
        board.send("Z");
    });
    char c = 'q';
    const uint32_t got = comm.ReceiveData(&c, 1, 3600 * 1000);  // ReceiveChar's wait
    sender.join();

    ASSERT_EQ(got, 1u);
    EXPECT_EQ(c, 'Z');
}

// --- an unplugged board ----------------------------------------------------

using PtyUnplug = PtyTest;

TEST_F(PtyUnplug, UnplugEndsAWaitAtOnceAndTheNameIsGone) {
    // Keeps the pseudo-terminal's number taken after the close, so that no other
    // pseudo-terminal on the machine gets the name com13 points to meanwhile.
    int keepNumber = openSlave(board);
    ASSERT_GE(keepNumber, 0);

    TXComm comm;
    setUpForBoard(comm);
    ASSERT_TRUE(comm.OpenDevice());

    // Unplugged once the reader is seen waiting; within an hour's time-out
    // only the hang-up can end the wait.
    const pid_t lettore = gettid();
    std::thread unplugger([&] {
        while (!inpoll(lettore))
            std::this_thread::sleep_for(1ms);
        board.unplug();
    });
    char buf[10];
    uint32_t n = comm.ReceiveData(buf, sizeof buf, 3600 * 1000);
    unplugger.join();

    EXPECT_EQ(n, 0u);

    comm.CloseDevice();
    EXPECT_FALSE(comm.DeviceOpened());
    EXPECT_FALSE(comm.OpenDevice());
    EXPECT_FALSE(comm.DeviceOpened());
    ::close(keepNumber);
}

// --- device names ----------------------------------------------------------

using PtyNames = PtyTest;

TEST_F(PtyNames, NamesThatLeadNowhereFailLikeAMissingDevice) {
    if (usbSerialPresent()) GTEST_SKIP() << "a USB serial device would stand for COM7";
    ExtraLink com8(8, "/dev/lumetto-no-such-device");
    TXComm comm;
    for (const char* name : {"COM7", "COM8", "LPT1"}) {
        SCOPED_TRACE(name);
        comm.setDeviceName(name);
        EXPECT_FALSE(comm.OpenDevice());
    }
    EXPECT_TRUE(shown.empty());

    // The instance stays usable, and the name's case does not matter.
    comm.setDeviceName("com13");
    EXPECT_TRUE(comm.OpenDevice());
}

// --- rates -------------------------------------------------------------------

using PtyRate = PtyTest;

TEST_F(PtyRate, CustomRateReadsBackFromTheDevice) {
    TXComm comm;
    setUpForBoard(comm);
    comm.setBaudRate(brCustom);
    comm.setBaudValue(250000);
    ASSERT_TRUE(comm.OpenDevice());
    EXPECT_EQ(comm.BaudValue(), 250000u);
    EXPECT_EQ(comm.BaudRate(), brCustom);

    // A standard rate set while open reaches the device under its own code.
    comm.setBaudRate(br115200);
    termios t = boardSide(board);
    EXPECT_EQ(cfgetospeed(&t), speed_t{B115200});
    EXPECT_EQ(comm.BaudValue(), 115200u);
    EXPECT_EQ(comm.BaudRate(), br115200);
    EXPECT_TRUE(shown.empty());
}

TEST_F(PtyRate, StandardRateReadsBackAndFollowsTheDevice) {
    TXComm comm;
    setUpForBoard(comm);
    ASSERT_TRUE(comm.OpenDevice());
    EXPECT_EQ(comm.BaudRate(), br9600);
    EXPECT_EQ(comm.BaudValue(), 9600u);

    // Someone else moves the line: the device's word counts, not the stored value.
    termios t = boardSide(board);
    cfsetospeed(&t, B19200);
    cfsetispeed(&t, B19200);
    ASSERT_EQ(tcsetattr(board.master(), TCSANOW, &t), 0);
    EXPECT_EQ(comm.BaudRate(), br19200);
    EXPECT_EQ(comm.BaudValue(), 19200u);
}

// --- open and close ----------------------------------------------------------

using PtyLifecycle = PtyTest;

TEST_F(PtyLifecycle, ThousandOpenCloseCyclesLeaveNoDescriptorOrThread) {
    TXComm comm;
    setUpForBoard(comm);
    const size_t fds = entries("/proc/self/fd");
    const size_t tasks = entries("/proc/self/task");
    for (int i = 0; i < 1000; ++i) {
        if (!comm.OpenDevice()) {
            ADD_FAILURE() << "open " << i << " failed";
            break;
        }
        comm.CloseDevice();
    }
    EXPECT_EQ(entries("/proc/self/fd"), fds);
    EXPECT_EQ(entries("/proc/self/task"), tasks);
    EXPECT_TRUE(shown.empty());
}

TEST_F(PtyLifecycle, OpenDiscardsWhatArrivedBefore) {
    board.send("stale");
    {
        // The bytes reach the slave's queue through a kernel worker: wait until they are there.
        int fd = openSlave(board);
        ASSERT_GE(fd, 0);
        int queued = 0;
        for (auto until = Clock::now() + 2s; queued < 5 && Clock::now() < until;) {
            pollfd p{fd, POLLIN, 0};
            poll(&p, 1, 10);
            ioctl(fd, FIONREAD, &queued);
        }
        ::close(fd);
        ASSERT_EQ(queued, 5);
    }

    TXComm comm;
    setUpForBoard(comm);
    ASSERT_TRUE(comm.OpenDevice());
    EXPECT_EQ(comm.QueueCount(0), 0u);

    board.send("fresh");
    char buf[5];
    EXPECT_EQ(comm.ReceiveData(buf, sizeof buf, 2000), 5u);
    EXPECT_EQ(std::string(buf, sizeof buf), "fresh");
    EXPECT_EQ(comm.QueueCount(0), 0u);
}

}  // namespace

// The servo panel writes its commands and closes the port at once: nothing
// it wrote may be lost at the close, whenever the board gets to read it.
TEST_F(PtyLine, BytesWrittenJustBeforeTheCloseReachTheBoard) {
    TXComm comm;
    comm.setDeviceName("COM13");
    ASSERT_TRUE(comm.OpenDevice());
    ASSERT_TRUE(comm.SendString("AS1000S2090S3180"));
    comm.CloseDevice();
    std::this_thread::sleep_for(50ms);  // the board reads late
    EXPECT_EQ(board.take(500, 16), "AS1000S2090S3180");
}
