// The millisecond clock and the waits measured with it, across its wrap.
#include <gtest/gtest.h>

#include <atomic>

#include "serial/clock.h"
#include "serial/comm.h"
#include "serial/posix/fakeport.h"
#include "serial/report.h"
#include "support/orologio.h"

using namespace lumetto::serial;

namespace {

using SetClock = lumetto::prove::Orologio;

}  // namespace

TEST(Clock, MonotonicTicksMoveForward) {
    uint32_t a = TickMilliseconds();
    uint32_t b = TickMilliseconds();
    EXPECT_LE(static_cast<uint32_t>(b - a), 1000u);
}

TEST(Clock, ElapsedSurvivesWrapAndBackwardSteps) {
    SetClock clock(0xFFFFFF00u);
    Elapsed e;
    clock.avanza(0x80);
    EXPECT_EQ(e.now(), 0x80u);
    clock.avanza(0x100);  // wraps past zero
    EXPECT_EQ(e.now(), 0x180u);
    clock.imposta(clock.ora() - 50);  // a clock that went back: no time passed
    EXPECT_EQ(e.now(), 0x180u);
    clock.avanza(20);
    EXPECT_EQ(e.now(), 0x194u);
}

class WaitAcrossWrap : public ::testing::TestWithParam<uint32_t> {};

// A wait that starts just before the 32-bit wrap (or on it, or long after)
// ends after exactly the time-out plus one millisecond: never early, never stuck.
TEST_P(WaitAcrossWrap, ReceiveCharEndsJustPastTheTimeout) {
    SetClock clock(GetParam());
    fake::FakeSystem sys;
    auto& dev = sys.add("COM3");
    dev.onWait = [&](uint32_t ms) { clock.avanza(ms); };
    sys.install();
    setCommErrorHook([](const std::string& text, int) { ADD_FAILURE() << text; });

    TXComm comm;
    comm.setDeviceName("COM3");
    ASSERT_TRUE(comm.OpenDevice());
    uint32_t start = clock.ora();
    char c = 'x';
    EXPECT_FALSE(comm.ReceiveChar(c));
    EXPECT_EQ(c, 'x');
    EXPECT_EQ(static_cast<uint32_t>(clock.ora() - start), 501u);

    start = clock.ora();
    EXPECT_EQ(comm.SendData("abc", 3, 200), 3u);  // room: no wait at all
    EXPECT_EQ(clock.ora(), start);
    dev.outCount = 2048;  // output queue full: the send gives up after its time-out
    EXPECT_EQ(comm.SendData("abc", 3, 200), 0u);
    EXPECT_EQ(static_cast<uint32_t>(clock.ora() - start), 201u);
    comm.CloseDevice();
    setCommErrorHook(nullptr);
}

INSTANTIATE_TEST_SUITE_P(Clock, WaitAcrossWrap,
                         ::testing::Values(0u, 0xFFFFFFFFu - 100u, 0xFFFFFFFFu, 0x7FFFFFFFu));

TEST(Clock, WaitWithAClockThatJumpsBackStillEnds) {
    SetClock clock(1000);
    fake::FakeSystem sys;
    auto& dev = sys.add("COM3");
    int waits = 0;
    dev.onWait = [&](uint32_t ms) {
        // The first wait sees the clock jump back an hour; time then runs on.
        if (waits++ == 0) {
            clock.imposta(clock.ora() - 3600000u);
        } else {
            clock.avanza(ms);
        }
    };
    sys.install();
    TXComm comm;
    comm.setDeviceName("COM3");
    ASSERT_TRUE(comm.OpenDevice());
    char c;
    EXPECT_FALSE(comm.ReceiveChar(c));
    EXPECT_LE(waits, 4);
    comm.CloseDevice();
}
