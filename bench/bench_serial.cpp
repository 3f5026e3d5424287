// What the component's waits cost on a real terminal device: a pseudo-terminal
// playing the board on COM13. Prints the figures next to the goals.
#include <stdlib.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "bench/misure.h"
#include "serial/comm.h"
#include "serial/report.h"
#include "support/pty.h"

namespace {

using lumetto::bench::mediana;
using lumetto::bench::percentile;

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;
using namespace lumetto::serial;

double seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

// User plus system time of the whole process, the event thread included.
double cpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    auto tv = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
    };
    return tv(u.ru_utime) + tv(u.ru_stime);
}

struct Row {
    std::string what, goal;
    char figure[32];
    const char* verdict;
};

int run() {
    lumetto::prove::PtyBoard board;
    board.link(13);
    TXComm comm;
    comm.setDeviceName("COM13");
    comm.setBaudRate(br9600);
    comm.DataControl().setDataBits(db7);
    comm.DataControl().setParity(paEven);
    comm.DataControl().setStopBits(sb1);
    comm.Buffers().setInputTimeout(500);
    if (!comm.OpenDevice()) {
        std::fprintf(stderr, "cannot open COM13 on %s\n", board.slavePath().c_str());
        return 1;
    }
    std::vector<Row> rows;
    auto add = [&](std::string what, std::string goal, double figure, const char* unit,
                   const char* verdict) {
        Row r{std::move(what), std::move(goal), {}, verdict};
        std::snprintf(r.figure, sizeof r.figure, "%.3g %s", figure, unit);
        rows.push_back(std::move(r));
    };

    // (1) Time-outs with nothing arriving.
    {
        std::vector<double> walls;
        double cpu0 = cpuSeconds();
        auto start = Clock::now();
        for (int i = 0; i < 10; ++i) {
            char c = 0;
            auto t0 = Clock::now();
            comm.ReceiveChar(c);
            walls.push_back(seconds(Clock::now() - t0) * 1e3);
        }
        double cpuPct = (cpuSeconds() - cpu0) / seconds(Clock::now() - start) * 100;
        double median = percentile(walls, 0.5);
        add("ReceiveChar time-out, median wall", "just over 500 ms", median, "ms",
            median > 500 && median < 600 ? "ok" : "off");
        add("ReceiveChar time-out, CPU of wall", "< 2 %", cpuPct, "%", cpuPct < 2 ? "ok" : "over");
    }

    // (2) Wake-up when a byte arrives mid-wait.
    {
        std::vector<double> latencies;
        int missed = 0;
        for (int i = 0; i < 200; ++i) {
            Clock::time_point sentAt;
            std::thread sender([&] {
                std::this_thread::sleep_for(50ms);
                sentAt = Clock::now();
                board.send("x");
            });
            char c = 0;
            bool got = comm.ReceiveChar(c);
            auto returned = Clock::now();
            sender.join();
            if (got) {
                latencies.push_back(seconds(returned - sentAt) * 1e6);
            } else {
                ++missed;
            }
        }
        double median = percentile(latencies, 0.5);
        add("byte mid-wait wake-up, median", "< 1000 us", median, "us",
            median < 1000 ? "ok" : "over");
        add("byte mid-wait wake-up, 95th percentile", "-", percentile(latencies, 0.95), "us", "");
        if (missed > 0) std::printf("%d of 200 bytes were not received in time\n", missed);
    }

    // (3) Idle with the port open: only the event thread runs.
    {
        double cpu0 = cpuSeconds();
        auto start = Clock::now();
        std::this_thread::sleep_for(2s);
        double pct = (cpuSeconds() - cpu0) / seconds(Clock::now() - start) * 100;
        add("idle, port open, CPU", "low", pct, "%", "");
    }
    comm.CloseDevice();

    std::printf("%-40s %-18s %-12s %s\n", "what", "goal", "figure", "");
    for (const auto& r : rows)
        std::printf("%-40s %-18s %-12s %s\n", r.what.c_str(), r.goal.c_str(), r.figure, r.verdict);
    return 0;
}

}  // namespace

int main() {
    // The dosdevices link goes into a throw-away HOME, never the user's own.
    const std::string dir = lumetto::bench::casaprovvisoria();
    if (dir.empty()) return 2;
    int rc = run();
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
    return rc;
}
