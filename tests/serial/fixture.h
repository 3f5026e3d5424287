#pragma once
// A component on a scripted device, with the error texts it shows captured.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "serial/comm.h"
#include "serial/posix/fakeport.h"
#include "serial/report.h"
#include "support/orologio.h"

namespace lumetto::prove {

class FakeCommTest : public ::testing::Test {
  protected:
    FakeCommTest() : dev(sys.add("COM5")) {
        sys.install();
        serial::setCommErrorHook([this](const std::string& text, int code) {
            shown.push_back({text, code});
        });
        // Waits pass at once on the test's clock: the device's time-outs are not
        // what these tests look at.
        dev.onWait = [this](uint32_t ms) { orologio.avanza(ms); };
    }
    ~FakeCommTest() override { serial::setCommErrorHook(nullptr); }

    // A component set up and opened on COM5.
    void open(serial::TXComm& comm) {
        comm.setDeviceName("COM5");
        ASSERT_TRUE(comm.OpenDevice());
        dev.takeCalls();
    }

    std::vector<std::string> texts() const {
        std::vector<std::string> t;
        for (auto& s : shown)
            t.push_back(s.text);
        return t;
    }

    struct Shown {
        std::string text;
        int code;
    };
    prove::Orologio orologio;
    serial::fake::FakeSystem sys;
    serial::fake::FakeDevice& dev;
    std::vector<Shown> shown;
};

}  // namespace lumetto::prove
