// Device events: the thread that watches them and their delivery to the component.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "serial/fixture.h"

using namespace lumetto::serial;
using lumetto::prove::FakeCommTest;
using ::testing::ElementsAre;

namespace {

constexpr uint32_t bit(TDeviceEvent e) {
    return 1u << e;
}

// What the handlers saw, in order, waited for from the test's thread.
struct Seen {
    void add(std::string s) {
        std::lock_guard lock(m);
        items.push_back(std::move(s));
        cv.notify_all();
    }
    bool waitFor(size_t n) {
        std::unique_lock lock(m);
        return cv.wait_for(lock, std::chrono::seconds(10), [&] { return items.size() >= n; });
    }
    std::vector<std::string> get() {
        std::lock_guard lock(m);
        return items;
    }
    std::mutex m;
    std::condition_variable cv;
    std::vector<std::string> items;
};

void watch(TXComm& comm, Seen& seen) {
    comm.OnData = [&seen](TCustomComm&, uint32_t n) { seen.add("data " + std::to_string(n)); };
    comm.OnCommEvent = [&seen](TCustomComm&, TDeviceEvents e) {
        seen.add("events " + std::to_string(e.bits()));
    };
}

// Keeps the thread's look at the device from reaching it before the test is ready.
bool eventsTaken(lumetto::serial::fake::FakeDevice& dev) {
    for (int i = 0; i < 10000; ++i) {
        {
            std::lock_guard lock(dev.m);
            if (dev.events.empty()) return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return false;
}

struct App {
    App() : app(argc, argv) {}
    int argc = 1;
    char name[8] = "tests";
    char* argv[2] = {name, nullptr};
    QCoreApplication app;
};

}  // namespace

using Events = FakeCommTest;

TEST_F(Events, DataComesBeforeTheFilteredEvents) {
    TXComm comm;
    comm.Synchronize = false;  // delivered on the event thread
    comm.MonitorEvents = {deChar, deCTS};
    Seen seen;
    watch(comm, seen);
    open(comm);
    dev.receive("abc");
    dev.raise(bit(deChar) | bit(deCTS) | bit(deRing));
    ASSERT_TRUE(seen.waitFor(2));
    EXPECT_THAT(seen.get(),
                ElementsAre("data 3", "events " + std::to_string(bit(deChar) | bit(deCTS))));
    comm.CloseDevice();
}

TEST_F(Events, EmptyMonitorStillDeliversData) {
    TXComm comm;
    comm.Synchronize = false;
    comm.MonitorEvents = {};
    Seen seen;
    watch(comm, seen);
    open(comm);
    dev.receive("x");
    dev.raise(bit(deChar));
    dev.raise(bit(deFlag));
    ASSERT_TRUE(seen.waitFor(2));
    comm.CloseDevice();
    EXPECT_THAT(seen.get(), ElementsAre("data 1", "data 1"));
}

TEST_F(Events, OutputEmptyAloneNeverWakesTheThread) {
    TXComm comm;
    comm.Synchronize = false;
    comm.MonitorEvents = {deOutEmpty, deDSR};
    Seen seen;
    watch(comm, seen);
    open(comm);
    dev.raise(bit(deOutEmpty));  // not in the watched mask
    dev.raise(bit(deDSR));
    ASSERT_TRUE(seen.waitFor(1));
    comm.CloseDevice();
    EXPECT_THAT(seen.get(), ElementsAre("events " + std::to_string(bit(deDSR))));
    EXPECT_EQ(dev.eventMask, 0u);  // the thread cleared the mask when it ended
}

TEST_F(Events, SynchronizedDeliveryRunsOnTheMainLoop) {
    App app;
    TXComm comm;
    std::thread::id where;
    std::atomic<int> calls{0};
    comm.OnData = [&](TCustomComm&, uint32_t) {
        where = std::this_thread::get_id();
        ++calls;
    };
    open(comm);
    dev.receive("z");
    dev.raise(bit(deChar));
    ASSERT_TRUE(eventsTaken(dev));
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(calls, 0);  // nothing runs until the main loop serves it
    QDeadlineTimer deadline(10000);
    while (calls == 0 && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(where, std::this_thread::get_id());
    comm.CloseDevice();
}

// Closing while a hand-over waits for the main loop serves it and returns; the
// posted hand-over that the loop finds later does nothing.
TEST_F(Events, CloseWithAHandOverPendingCompletes) {
    App app;
    int servedByClose = 0;
    for (int round = 0; round < 50; ++round) {
        TXComm comm;
        bool closing = false;
        int calls = 0;
        comm.OnData = [&](TCustomComm& c, uint32_t) {
            ++calls;
            EXPECT_TRUE(c.DeviceOpened());  // the device is still there while it is served
            if (closing) ++servedByClose;
        };
        open(comm);
        dev.receive("q");
        dev.raise(bit(deChar));
        ASSERT_TRUE(eventsTaken(dev));
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        closing = true;
        comm.CloseDevice();
        closing = false;
        EXPECT_LE(calls, 1);
        QCoreApplication::processEvents();
        EXPECT_LE(calls, 1);
        dev.input.clear();
    }
    EXPECT_GT(servedByClose, 0);
}

TEST_F(Events, DestroyingAnOpenComponentWithEventsInFlight) {
    App app;
    std::atomic<bool> stop{false};
    std::thread noise([&] {
        while (!stop) {
            dev.raise(bit(deChar) | bit(deCTS));
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
    });
    int calls = 0;
    for (int round = 0; round < 300; ++round) {
        auto comm = std::make_unique<TXComm>();
        comm->OnData = [&](TCustomComm&, uint32_t) { ++calls; };
        comm->setDeviceName("COM5");
        ASSERT_TRUE(comm->OpenDevice());
        if (round % 3 == 0) QCoreApplication::processEvents();
        if (round % 2 == 0) {
            comm->CloseDevice();
        }
        comm.reset();  // the destructor stops the thread; nothing is delivered after
        QCoreApplication::processEvents();
    }
    stop = true;
    noise.join();
    EXPECT_TRUE(texts().empty());
}
