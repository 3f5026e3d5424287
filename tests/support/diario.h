#pragma once
// What a class connection told (connections, refusals, acknowledgements,
// messages), collected from its network thread for the test's thread.

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

#include "classroom/mqtt.h"

namespace lumetto::prove {

struct Diario {
    std::mutex m;
    std::condition_variable cv;
    int collegamenti = 0;
    std::vector<std::string> motivi;
    std::vector<int> consegnati;
    std::vector<std::string> messaggi;  // "topic payload"
    std::vector<bool> conservati;       // each message's retain flag

    classe::Avvisi avvisi() {
        classe::Avvisi a;
        a.collegato = [this] { segna([this] { ++collegamenti; }); };
        a.scollegato = [this](const std::string& perche) {
            segna([&] { motivi.push_back(perche); });
        };
        a.consegnato = [this](int id) { segna([&] { consegnati.push_back(id); }); };
        a.messaggio = [this](std::string t, std::string d, bool c) {
            segna([&] {
                messaggi.push_back(t + " " + d);
                conservati.push_back(c);
            });
        };
        return a;
    }
    template <class F>
    void segna(F f) {
        {
            std::lock_guard l(m);
            f();
        }
        cv.notify_all();
    }
    // Waits for a condition; the deadline only keeps a fault from hanging.
    template <class P>
    bool attendi(P p) {
        std::unique_lock l(m);
        return cv.wait_for(l, std::chrono::seconds(30), p);
    }
    // A copy, under the lock.
    template <class T>
    T leggi(const T& cosa) {
        std::lock_guard l(m);
        return cosa;
    }
};

}  // namespace lumetto::prove
