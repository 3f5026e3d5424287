#include "platform/dialoghi.h"

#include <cstdio>
#include <filesystem>

namespace lumetto::platform {

namespace {

// Before the program sets its boxes (a tool, a test that forgot): texts go to
// standard error and every question is cancelled.
class DialoghiTestuali final : public DialoghiMuti {
  public:
    void messaggio(const std::string& testo) override {
        std::fprintf(stderr, "%s\n", testo.c_str());
    }
    void errore(const std::string& testo) override { std::fprintf(stderr, "%s\n", testo.c_str()); }
    void avviso(const std::string& testo) override { std::fprintf(stderr, "%s\n", testo.c_str()); }
};

DialoghiTestuali testuali;
Dialoghi* attuali = &testuali;

}  // namespace

std::string conestensione(const std::string& nome, std::string_view estensione) {
    const std::filesystem::path p(nome);
    if (p.has_filename() && !p.has_extension()) return nome + std::string(estensione);
    return nome;
}

Dialoghi& dialoghi() {
    return *attuali;
}

void impostaDialoghi(Dialoghi* d) {
    attuali = d ? d : &testuali;
}

}  // namespace lumetto::platform
