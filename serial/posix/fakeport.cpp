#include "serial/posix/fakeport.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <thread>
#include <utility>

namespace lumetto::serial::fake {

using Lock = std::lock_guard<std::recursive_mutex>;

FakeDevice::FakeDevice() : wakeFd(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

FakeDevice::~FakeDevice() {
    close(wakeFd);
}

void FakeDevice::receive(const std::string& bytes) {
    Lock lock(m);
    input.insert(input.end(), bytes.begin(), bytes.end());
}

void FakeDevice::raise(uint32_t mask) {
    {
        Lock lock(m);
        events.push_back(mask);
    }
    uint64_t one = 1;
    [[maybe_unused]] ssize_t n = write(wakeFd, &one, sizeof one);
}

std::vector<std::string> FakeDevice::takeCalls() {
    Lock lock(m);
    return std::exchange(calls, {});
}

FakePort::~FakePort() {
    closeHandle();
}

bool FakePort::createFile(const std::string& deviceName) {
    auto it = devices_.find(deviceName);
    if (it == devices_.end()) return false;
    auto& d = *it->second;
    Lock lock(d.m);
    d.calls.push_back("CreateFile " + deviceName);
    if (!d.present || d.open) return false;  // missing, or held: the open is exclusive
    d.open = true;
    d.vanished = false;
    dev_ = it->second;
    return true;
}

void FakePort::closeHandle() {
    if (!dev_) return;
    {
        Lock lock(dev_->m);
        dev_->calls.push_back("CloseHandle");
        dev_->open = false;
    }
    dev_.reset();
}

bool FakePort::getCommState(DCB& dcb) {
    if (!dev_) return false;
    Lock lock(dev_->m);
    dev_->calls.push_back("GetCommState");
    if (dev_->unreadable) return false;
    dcb = dev_->dcb;
    if (dev_->runningBaud) dcb.BaudRate = *dev_->runningBaud;
    return true;
}

bool FakePort::setCommState(const DCB& dcb) {
    if (!dev_) return false;
    Lock lock(dev_->m);
    dev_->calls.push_back("SetCommState");
    if (dev_->refuseState) return false;
    dev_->dcb = dcb;
    return true;
}

bool FakePort::setupComm(uint32_t inQueue, uint32_t outQueue) {
    if (!dev_) return false;
    Lock lock(dev_->m);
    dev_->calls.push_back("SetupComm " + std::to_string(inQueue) + " " + std::to_string(outQueue));
    if (dev_->refuseBuffers) return false;
    dev_->rxQueue = inQueue;
    dev_->txQueue = outQueue;
    return true;
}

bool FakePort::purgeComm(uint32_t flags) {
    if (!dev_) return false;
    Lock lock(dev_->m);
    dev_->calls.push_back("PurgeComm " + std::to_string(flags));
    if (flags & (PURGE_RXABORT | PURGE_RXCLEAR)) dev_->input.clear();
    return true;
}

bool FakePort::setCommTimeouts(const COMMTIMEOUTS& t) {
    if (!dev_) return false;
    Lock lock(dev_->m);
    dev_->calls.push_back("SetCommTimeouts");
    if (dev_->refuseTimeouts) return false;
    dev_->timeouts = t;
    return true;
}

bool FakePort::getCommTimeouts(COMMTIMEOUTS& t) {
    if (!dev_) return false;
    Lock lock(dev_->m);
    dev_->calls.push_back("GetCommTimeouts");
    if (dev_->unreadable) return false;
    t = dev_->timeouts;
    return true;
}

bool FakePort::getCommProperties(COMMPROP& p) {
    if (!dev_) return false;
    Lock lock(dev_->m);
    dev_->calls.push_back("GetCommProperties");
    if (dev_->unreadable) return false;
    p.dwCurrentRxQueue = dev_->rxQueueReported.value_or(dev_->rxQueue);
    p.dwCurrentTxQueue = dev_->txQueueReported.value_or(dev_->txQueue);
    return true;
}

bool FakePort::clearCommError(COMSTAT& s) {
    if (!dev_) return false;
    Lock lock(dev_->m);
    dev_->calls.push_back("ClearCommError");
    s.cbInQue = dev_->inCount.value_or(static_cast<uint32_t>(dev_->input.size()));
    s.cbOutQue = dev_->outCount.value_or(0);
    return true;
}

uint32_t FakePort::writeFile(const uint8_t* buffer, uint32_t count) {
    if (!dev_) return 0;
    Lock lock(dev_->m);
    dev_->calls.push_back("WriteFile " + std::to_string(count));
    if (dev_->vanished) return 0;
    dev_->output.insert(dev_->output.end(), buffer, buffer + count);
    if (dev_->onWrite) dev_->onWrite(std::string(buffer, buffer + count));
    return count;
}

uint32_t FakePort::readFile(uint8_t* buffer, uint32_t count) {
    if (!dev_) return 0;
    Lock lock(dev_->m);
    dev_->calls.push_back("ReadFile " + std::to_string(count));
    uint32_t n = std::min<uint32_t>(count, static_cast<uint32_t>(dev_->input.size()));
    std::copy_n(dev_->input.begin(), n, buffer);
    dev_->input.erase(dev_->input.begin(), dev_->input.begin() + n);
    return n;
}

WaitResult FakePort::waitIo(IoWait what, uint32_t ms) {
    if (!dev_) return WaitResult::Vanished;
    std::function<void(uint32_t)> onWait;
    {
        Lock lock(dev_->m);
        dev_->calls.push_back(std::string("Wait ") +
                              (what == IoWait::Input    ? "input "
                               : what == IoWait::Output ? "output "
                                                        : "nap ") +
                              std::to_string(ms));
        if (dev_->vanished) return WaitResult::Vanished;
        onWait = dev_->onWait;
    }
    if (onWait) {
        onWait(ms);
    } else {
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    }
    Lock lock(dev_->m);
    if (dev_->vanished) return WaitResult::Vanished;
    return what == IoWait::Input && dev_->input.empty() ? WaitResult::TimedOut : WaitResult::Ready;
}

bool FakePort::setCommMask(uint32_t mask) {
    if (!dev_) return false;
    Lock lock(dev_->m);
    dev_->calls.push_back("SetCommMask " + std::to_string(mask));
    dev_->eventMask = mask;
    return true;
}

EventWaitResult FakePort::waitCommEvent(uint32_t& events, const StopSignal& stop) {
    auto dev = dev_;  // the main thread's close cannot take the device from under us
    if (!dev) return EventWaitResult::Failed;
    for (;;) {
        {
            Lock lock(dev->m);
            while (!dev->events.empty()) {
                uint32_t e = dev->events.front() & dev->eventMask;
                dev->events.pop_front();
                if (e != 0) {
                    events = e;
                    return EventWaitResult::Events;
                }
            }
        }
        pollfd p[2] = {{stop.fd(), POLLIN, 0}, {dev->wakeFd, POLLIN, 0}};
        if (poll(p, 2, -1) < 0) continue;
        if (p[0].revents) return EventWaitResult::Stopped;
        uint64_t n;
        [[maybe_unused]] ssize_t r = read(dev->wakeFd, &n, sizeof n);
    }
}

FakeSystem::~FakeSystem() {
    setPortFactory(nullptr);
}

FakeDevice& FakeSystem::add(const std::string& name) {
    auto& d = devices_[name];
    d = std::make_shared<FakeDevice>();
    return *d;
}

void FakeSystem::install() {
    setPortFactory([this] { return std::make_unique<FakePort>(devices_); });
}

}  // namespace lumetto::serial::fake
