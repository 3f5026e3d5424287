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

namespace {

void traccia(const char* tipo, const std::string& testo) {
    std::fprintf(stderr, "lumetto: %s: %s\n", tipo, testo.c_str());
    std::fflush(stderr);
}

}  // namespace

void DialoghiTracciati::messaggio(const std::string& testo) {
    traccia("messaggio", testo);
    dentro_.messaggio(testo);
}
void DialoghiTracciati::errore(const std::string& testo) {
    traccia("errore", testo);
    dentro_.errore(testo);
}
void DialoghiTracciati::avviso(const std::string& testo) {
    traccia("avviso", testo);
    dentro_.avviso(testo);
}
bool DialoghiTracciati::conferma(const std::string& testo) {
    traccia("domanda", testo);
    return dentro_.conferma(testo);
}
std::optional<std::string> DialoghiTracciati::input(const std::string& titolo,
                                                    const std::string& domanda,
                                                    const std::string& predefinito) {
    traccia("domanda", domanda);
    return dentro_.input(titolo, domanda, predefinito);
}
std::optional<std::string> DialoghiTracciati::apri(const std::string& titolo,
                                                   const std::string& filtro) {
    traccia("apri", titolo);
    return dentro_.apri(titolo, filtro);
}
std::optional<std::string> DialoghiTracciati::salva(const std::string& titolo,
                                                    const std::string& filtro) {
    traccia("salva", titolo);
    return dentro_.salva(titolo, filtro);
}

Dialoghi& dialoghi() {
    return *attuali;
}

void impostaDialoghi(Dialoghi* d) {
    attuali = d ? d : &testuali;
}

}  // namespace lumetto::platform
