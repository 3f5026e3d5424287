#pragma once
// Scripted boxes: every text shown is recorded; questions take queued answers.

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "platform/dialoghi.h"

namespace lumetto::prove {

class DialoghiScritti final : public platform::Dialoghi {
  public:
    DialoghiScritti() { platform::impostaDialoghi(this); }
    ~DialoghiScritti() override { platform::impostaDialoghi(nullptr); }

    void messaggio(const std::string& testo) override { mostrati.push_back(testo); }
    void errore(const std::string& testo) override { errori.push_back(testo); }
    void avviso(const std::string& testo) override { avvisi.push_back(testo); }
    // Yes when the next queued answer is there and not cancelled.
    bool conferma(const std::string& testo) override {
        domande.push_back(testo);
        return prossima().has_value();
    }
    std::optional<std::string> input(const std::string& titolo, const std::string& domanda,
                                     const std::string& predefinito) override {
        domande.push_back(titolo + "|" + domanda + "|" + predefinito);
        return prossima();
    }
    std::optional<std::string> apri(const std::string& titolo, const std::string& filtro) override {
        domande.push_back(titolo + "|" + filtro);
        return prossima();
    }
    std::optional<std::string> salva(const std::string& titolo,
                                     const std::string& filtro) override {
        domande.push_back(titolo + "|" + filtro);
        return prossima();
    }

    std::vector<std::string> mostrati;                // message boxes, in order
    std::vector<std::string> errori;                  // error boxes
    std::vector<std::string> avvisi;                  // notices that did not wait
    std::vector<std::string> domande;                 // questions asked
    std::deque<std::optional<std::string>> risposte;  // answers to give; nothing = cancelled

  private:
    std::optional<std::string> prossima() {
        if (risposte.empty()) return std::nullopt;
        auto r = risposte.front();
        risposte.pop_front();
        return r;
    }
};

}  // namespace lumetto::prove
