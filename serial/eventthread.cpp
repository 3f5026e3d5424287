#include "serial/eventthread.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <condition_variable>
#include <mutex>

#include "serial/comm.h"

namespace lumetto::serial {

// What the thread and the main thread share about hand-overs. Posted hand-overs
// keep it alive, so one that reaches the main thread after the component has
// gone finds its work already done and touches nothing else.
struct TCommEventThread::Shared {
    struct HandOver {
        uint32_t mask = 0;
        bool taken = false;
        bool done = false;
    };

    explicit Shared(TCustomComm& c) : comm(c) {}

    // Runs a hand-over unless someone already did; any thread may call it.
    static void serve(const std::shared_ptr<Shared>& self, const std::shared_ptr<HandOver>& h) {
        {
            std::lock_guard lock(self->m);
            if (h->taken) return;
            h->taken = true;
        }
        // The thread is still waiting for this hand-over, so the component is alive.
        if (h->mask != 0) self->comm.DispatchEvents(TDeviceEvents::fromBits(h->mask));
        {
            std::lock_guard lock(self->m);
            h->done = true;
        }
        self->cv.notify_all();
    }

    TCustomComm& comm;
    std::mutex m;
    std::condition_variable cv;
    bool stopping = false;
    bool finished = false;
    std::shared_ptr<HandOver> pending;
};

TCommEventThread::TCommEventThread(TCustomComm& comm, CommPort& port)
    : port_(port), shared_(std::make_shared<Shared>(comm)) {
    port_.setCommMask(kWatchedEvents);
    thread_ = std::thread([this] { run(); });
}

TCommEventThread::~TCommEventThread() {
    {
        std::lock_guard lock(shared_->m);
        shared_->stopping = true;
    }
    StopEvent.raise();
    for (;;) {
        std::shared_ptr<Shared::HandOver> waiting;
        {
            std::unique_lock lock(shared_->m);
            shared_->cv.wait(lock, [&] {
                return shared_->finished || (shared_->pending && !shared_->pending->taken);
            });
            if (shared_->finished) break;
            waiting = shared_->pending;
        }
        Shared::serve(shared_, waiting);
    }
    thread_.join();
}

void TCommEventThread::run() {
    for (;;) {
        uint32_t mask = 0;
        if (port_.waitCommEvent(mask, StopEvent) != EventWaitResult::Events) break;
        if (!handOver(mask)) break;
    }
    port_.setCommMask(0);
    {
        std::lock_guard lock(shared_->m);
        shared_->finished = true;
    }
    shared_->cv.notify_all();
}

bool TCommEventThread::handOver(uint32_t mask) {
    auto h = std::make_shared<Shared::HandOver>();
    h->mask = mask;
    QCoreApplication* app = shared_->comm.Synchronize ? QCoreApplication::instance() : nullptr;
    {
        std::lock_guard lock(shared_->m);
        if (shared_->stopping) return false;
        if (app) shared_->pending = h;
    }
    if (!app) {
        // Asked not to synchronize, or no main loop to hand over to: deliver here.
        Shared::serve(shared_, h);
        return true;
    }
    shared_->cv.notify_all();
    QMetaObject::invokeMethod(
        app, [shared = shared_, h] { Shared::serve(shared, h); }, Qt::QueuedConnection);
    std::unique_lock lock(shared_->m);
    shared_->cv.wait(lock, [&] { return h->done; });
    shared_->pending.reset();
    return true;
}

}  // namespace lumetto::serial
