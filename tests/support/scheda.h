#pragma once
// The virtual board serving on its own thread for the life of a test, linked
// as comN in the test's HOME, with what it says kept for the test to look at.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "board/scheda.h"

namespace lumetto::prove {

class InServizio {
  public:
    explicit InServizio(scheda::Opzioni o) : scheda(std::move(o)) {
        scheda.evento = [this](const std::string& e) {
            std::lock_guard lock(m_);
            eventi_.push_back(e);
        };
        std::string errore;
        ok = scheda.collega(errore);
        EXPECT_TRUE(ok) << errore;
        if (ok) filo_ = std::thread([this] { scheda.esegui(); });
    }
    ~InServizio() {
        scheda.ferma();
        if (filo_.joinable()) filo_.join();
    }
    InServizio(const InServizio&) = delete;
    InServizio& operator=(const InServizio&) = delete;

    // Waits (at most `entro`) until f() holds.
    template <typename F>
    bool finche(F f, std::chrono::milliseconds entro = std::chrono::seconds(5)) {
        auto fine = std::chrono::steady_clock::now() + entro;
        while (!f()) {
            if (std::chrono::steady_clock::now() > fine) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return true;
    }
    // An event holding `parte` was said.
    bool visto(const std::string& parte,
               std::chrono::milliseconds entro = std::chrono::seconds(5)) {
        return finche(
            [&] {
                std::lock_guard lock(m_);
                for (auto& e : eventi_)
                    if (e.find(parte) != std::string::npos) return true;
                return false;
            },
            entro);
    }
    // How many events holding `parte` were said so far.
    int contaEventi(const std::string& parte) {
        std::lock_guard lock(m_);
        return static_cast<int>(std::count_if(eventi_.begin(), eventi_.end(), [&](const auto& e) {
            return e.find(parte) != std::string::npos;
        }));
    }
    // The board received this whole command (it notes it a moment after the program sent it).
    bool ricevuto(const std::string& comando) {
        return finche([&] { return scheda.ultimoComando() == comando; });
    }

    scheda::Scheda scheda;
    bool ok = false;

  private:
    std::thread filo_;
    std::mutex m_;
    std::vector<std::string> eventi_;
};

}  // namespace lumetto::prove
