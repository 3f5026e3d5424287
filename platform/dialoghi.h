#pragma once
// Every modal box of the program goes through this interface: the windows use
// the Qt boxes, tests a scripted stand-in that answers and records each text.

#include <optional>
#include <string>
#include <string_view>

namespace lumetto::platform {

class Dialoghi {
  public:
    virtual ~Dialoghi() = default;
    // A message box with an OK button.
    virtual void messaggio(const std::string& testo) = 0;
    // The error box of a failed operation: which file, and the system's reason.
    virtual void errore(const std::string& testo) = 0;
    // A notice that does not stop the caller: shown without waiting for OK,
    // for what a tick finds and must tell without halting the run.
    virtual void avviso(const std::string& testo) = 0;
    // A question answered "Sì" or "No" (No when closed), for what cannot be undone.
    virtual bool conferma(const std::string& testo) = 0;
    // An input box; nothing when it is cancelled.
    virtual std::optional<std::string> input(const std::string& titolo, const std::string& domanda,
                                             const std::string& predefinito) = 0;
    // File dialogs; the filter is written "description|pattern[|description|pattern...]".
    virtual std::optional<std::string> apri(const std::string& titolo,
                                            const std::string& filtro) = 0;
    virtual std::optional<std::string> salva(const std::string& titolo,
                                             const std::string& filtro) = 0;
};

// Boxes that show nothing and cancel every question: the base of stand-ins
// that answer only the boxes they care about.
class DialoghiMuti : public Dialoghi {
  public:
    void messaggio(const std::string&) override {}
    void errore(const std::string&) override {}
    void avviso(const std::string&) override {}
    bool conferma(const std::string&) override { return false; }
    std::optional<std::string> input(const std::string&, const std::string&,
                                     const std::string&) override {
        return std::nullopt;
    }
    std::optional<std::string> apri(const std::string&, const std::string&) override {
        return std::nullopt;
    }
    std::optional<std::string> salva(const std::string&, const std::string&) override {
        return std::nullopt;
    }
};

// The boxes in use; set once by the program (or a test). Every box passes
// on its way into the diagnostic log ("lumetto.platform"), with its answer.
Dialoghi& dialoghi();
void impostaDialoghi(Dialoghi* d);

// Every box's text also on standard error, as it is shown (LUMETTO_TRACCIA=1):
// for whoever supports a school from its logs, and for the install test that
// watches a new program find its board with no screen to look at.
void tracciasuerrore(bool si);

// A name typed in a save dialog without an extension gets the format's own
// (".xls", ".png"), as the programs that write those files do.
std::string conestensione(const std::string& nome, std::string_view estensione);

}  // namespace lumetto::platform
