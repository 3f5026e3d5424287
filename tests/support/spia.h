#pragma once
// Scripted boxes that also note the cursor each message met: a box opened in
// the middle of an exchange must not be shown under the busy cursor alone.

#include <QApplication>
#include <QCursor>
#include <optional>
#include <string>
#include <vector>

#include "support/dialoghi.h"

namespace lumetto::prove {

class Spia final : public platform::Dialoghi {
  public:
    explicit Spia(DialoghiScritti& b) : box(b) { platform::impostaDialoghi(this); }
    ~Spia() override { platform::impostaDialoghi(nullptr); }
    void messaggio(const std::string& t) override {
        QCursor* c = QApplication::overrideCursor();
        cursori.push_back(c ? c->shape() : -1);
        box.messaggio(t);
    }
    void errore(const std::string& t) override { box.errore(t); }
    void avviso(const std::string& t) override { box.avviso(t); }
    bool conferma(const std::string& t) override { return box.conferma(t); }
    std::optional<std::string> input(const std::string& a, const std::string& b,
                                     const std::string& c) override {
        return box.input(a, b, c);
    }
    std::optional<std::string> apri(const std::string& a, const std::string& b) override {
        return box.apri(a, b);
    }
    std::optional<std::string> salva(const std::string& a, const std::string& b) override {
        return box.salva(a, b);
    }
    DialoghiScritti& box;
    std::vector<int> cursori;  // the cursor shape at each message, -1 for none
};

}  // namespace lumetto::prove
