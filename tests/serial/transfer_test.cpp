// Opening, closing and moving bytes on a scripted device.
#include <gtest/gtest.h>

#include "serial/fixture.h"

using namespace lumetto::serial;
using lumetto::prove::FakeCommTest;
using ::testing::ElementsAre;

using Transfer = FakeCommTest;

TEST_F(Transfer, OpenAndCloseLifecycle) {
    TXComm comm;
    comm.setDeviceName("COM5");
    ASSERT_TRUE(comm.OpenDevice());
    EXPECT_TRUE(comm.DeviceLocks().empty());

    // A second open of the same instance fails without closing it.
    EXPECT_FALSE(comm.OpenDevice());
    EXPECT_TRUE(comm.DeviceOpened());
    comm.setDeviceName("COM9");  // ignored while open
    EXPECT_EQ(comm.DeviceName(), "COM5");

    // A second instance on the held device fails; the held one goes on.
    TXComm other;
    other.setDeviceName("COM5");
    EXPECT_FALSE(other.OpenDevice());
    EXPECT_TRUE(shown.empty());

    comm.CloseDevice();
    EXPECT_FALSE(comm.DeviceOpened());
    EXPECT_TRUE(other.OpenDevice());
    other.CloseDevice();

    comm.CloseDevice();  // already closed
    EXPECT_THAT(texts(), ElementsAre("Arduino su:Device not opened. non collegato!"));
    EXPECT_EQ(shown[0].code, 1);
}

TEST_F(Transfer, MissingDeviceFailsQuietly) {
    dev.present = false;
    TXComm comm;
    comm.setDeviceName("COM5");
    EXPECT_FALSE(comm.OpenDevice());
    comm.setDeviceName("COM17");  // nothing of that name at all
    EXPECT_FALSE(comm.OpenDevice());
    EXPECT_TRUE(shown.empty());
    dev.present = true;
    comm.setDeviceName("COM5");
    EXPECT_TRUE(comm.OpenDevice());  // the instance stays usable
}

TEST_F(Transfer, OperationsOnAClosedDeviceReport) {
    TXComm comm;
    char c = 'q';
    EXPECT_EQ(comm.QueueCount(0), 0u);
    EXPECT_FALSE(comm.SendChar('A'));
    EXPECT_FALSE(comm.ReceiveChar(c));
    EXPECT_EQ(c, 'q');
    EXPECT_EQ(shown.size(), 3u);
    for (auto& s : shown) {
        EXPECT_EQ(s.text, "Arduino su:Device not opened. non collegato!");
        EXPECT_EQ(s.code, 1);
    }
}

TEST_F(Transfer, BytesBothWaysAndTotals) {
    TXComm comm;
    open(comm);
    EXPECT_TRUE(comm.SendString(std::string("A\0\r\xff", 4)));
    EXPECT_EQ(dev.output, (std::vector<uint8_t>{'A', 0, '\r', 0xff}));
    EXPECT_TRUE(comm.SendString(""));  // nothing to write is a success
    dev.receive("  23.5");
    char buf[6];
    EXPECT_EQ(comm.Receive(buf, 6), 6u);
    EXPECT_EQ(std::string(buf, 6), "  23.5");
    EXPECT_EQ(comm.TotalSent(), 4u);
    EXPECT_EQ(comm.TotalReceived(), 6u);

    // Reads never ask for more than is queued; the device's count rules.
    dev.receive("xyz");
    dev.takeCalls();
    char one;
    EXPECT_TRUE(comm.ReceiveChar(one));
    EXPECT_EQ(one, 'x');
    EXPECT_THAT(dev.takeCalls(), ElementsAre("ClearCommError", "ReadFile 1"));
    EXPECT_EQ(comm.QueueCount(0), 2u);

    comm.CloseDevice();
    EXPECT_EQ(comm.TotalSent(), 0u);
    EXPECT_EQ(comm.TotalReceived(), 0u);
    open(comm);
    EXPECT_EQ(comm.TotalSent(), 0u);
}

TEST_F(Transfer, WritesNeverExceedTheRoomInTheOutputQueue) {
    TXComm comm;
    open(comm);
    dev.outCount = 2046;  // two bytes of room
    EXPECT_EQ(comm.SendData("abcdef", 6, 0), 6u);
    // Each pass writes what fits, and the last pass writes the rest.
    auto calls = dev.takeCalls();
    std::vector<std::string> writes;
    for (auto& c : calls)
        if (c.rfind("WriteFile", 0) == 0) writes.push_back(c);
    EXPECT_THAT(writes, ElementsAre("WriteFile 2", "WriteFile 2", "WriteFile 2"));

    dev.outCount = 4000;  // more queued than the stored size: no room
    EXPECT_EQ(comm.SendData("abc", 3, 0), 0u);
    EXPECT_TRUE(shown.empty());
}

TEST_F(Transfer, ReceiveGathersAFrameAcrossWaits) {
    TXComm comm;
    open(comm);
    std::string frame = "  12.5  HHHHHH";
    size_t sent = 0;
    // Two characters arrive during every wait.
    dev.onWait = [&](uint32_t) {
        if (sent < frame.size()) {
            dev.receive(frame.substr(sent, 2));
            sent += 2;
        }
    };
    char buf[14];
    EXPECT_EQ(comm.Receive(buf, 14), 14u);
    EXPECT_EQ(std::string(buf, 14), frame);
}

TEST_F(Transfer, VanishedDeviceEndsTheWaitAtOnce) {
    TXComm comm;
    open(comm);
    int waits = 0;
    dev.onWait = [&](uint32_t) {
        ++waits;
        dev.vanished = true;  // unplugged during the first wait
    };
    char buf[10];
    EXPECT_EQ(comm.ReceiveData(buf, 10, 60000), 0u);
    EXPECT_EQ(waits, 1);
    EXPECT_EQ(comm.SendData("A", 1, 60000), 0u);  // the wait for room ends at once too
    EXPECT_EQ(waits, 1);
    comm.CloseDevice();
    EXPECT_TRUE(shown.empty());
}

TEST_F(Transfer, HandlersRunUnderTheirLock) {
    TXComm comm;
    open(comm);
    int sends = 0, reads = 0;
    comm.OnSend = [&](TCustomComm& c) {
        ++sends;
        EXPECT_TRUE(c.DeviceLocks().contains(lkSend));
        EXPECT_EQ(c.SendChar('!'), false);  // no recursion
    };
    comm.OnRead = [&](TCustomComm& c) {
        ++reads;
        char x;
        EXPECT_FALSE(c.ReceiveChar(x));
    };
    EXPECT_TRUE(comm.SendChar('A'));
    dev.receive("B");
    char b;
    EXPECT_TRUE(comm.ReceiveChar(b));
    EXPECT_EQ(sends, 1);
    EXPECT_EQ(reads, 1);
    EXPECT_THAT(
        texts(),
        ElementsAre("Arduino su:Device locked. Cannot perform send operations. non collegato!",
                    "Arduino su:Device locked. Cannot perform read operations. non collegato!"));
    EXPECT_EQ(shown[0].code, 4);
    EXPECT_EQ(shown[1].code, 5);

    // A handler that throws still leaves the lock cleared.
    comm.OnSend = [](TCustomComm&) { throw std::runtime_error("handler failed"); };
    EXPECT_THROW(comm.SendChar('A'), std::runtime_error);
    EXPECT_TRUE(comm.DeviceLocks().empty());
}

TEST_F(Transfer, EverySendReportsOutputEmpty) {
    TXComm comm;
    open(comm);
    std::vector<uint32_t> seen;
    comm.OnCommEvent = [&](TCustomComm&, TDeviceEvents e) { seen.push_back(e.bits()); };
    EXPECT_TRUE(comm.SendString("AB"));
    EXPECT_THAT(seen, ElementsAre(1u << deOutEmpty));
    comm.MonitorEvents = {};
    EXPECT_TRUE(comm.SendString("AB"));
    EXPECT_EQ(seen.size(), 1u);
}
