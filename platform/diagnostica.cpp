// The diagnostic log's hook, set once by the program; read from any thread
// (the serial event thread, the class's network thread), hence atomic.

#include "platform/diagnostica.h"

#include <atomic>

namespace lumetto::diagnostica {

namespace {

std::atomic<bool (*)(Stanza)> attivaora{nullptr};
std::atomic<void (*)(Stanza, std::string_view)> scriviora{nullptr};

}  // namespace

std::string_view nome(Stanza s) {
    static constexpr std::string_view nomi[kStanze] = {
        "platform", "serial",  "link",        "xls",    "archivio", "classe",
        "schemes",  "analisi", "acquisition", "panels", "scheda",
    };
    const int i = static_cast<int>(s);
    return i >= 0 && i < kStanze ? nomi[i] : "?";
}

void imposta(Uscita u) {
    // Off while the pair changes, so that no thread calls a writer whose
    // test has gone.
    attivaora.store(nullptr);
    scriviora.store(u.scrivi);
    attivaora.store(u.attiva);
}

bool attiva(Stanza s) {
    auto a = attivaora.load(std::memory_order_acquire);
    return a && scriviora.load(std::memory_order_acquire) && a(s);
}

void scrivi(Stanza s, std::string_view testo) {
    if (!attiva(s)) return;
    if (auto w = scriviora.load(std::memory_order_acquire)) w(s, testo);
}

}  // namespace lumetto::diagnostica
