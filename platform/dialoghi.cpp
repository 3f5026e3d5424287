// The boxes in use, and the diagnostic log every box passes on its way.
#include "platform/dialoghi.h"

#include <cstdio>
#include <filesystem>

#include "platform/diagnostica.h"

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

bool suerrore = false;

// One box on its way: `testo` in the diagnostic log, `mostrato` (what the box
// says, when it says less) on standard error when asked.
void traccia(const char* tipo, const std::string& testo, const std::string* mostrato = nullptr) {
    namespace d = diagnostica;
    if (d::attiva(d::Stanza::platform))
        d::scrivi(d::Stanza::platform, std::string("box ") + tipo + ": " + testo);
    if (suerrore) {
        std::fprintf(stderr, "lumetto: %s: %s\n", tipo, (mostrato ? *mostrato : testo).c_str());
        std::fflush(stderr);
    }
}

// The answer goes to the diagnostic log only.
void annotarisposta(const std::string& testo) {
    namespace d = diagnostica;
    if (d::attiva(d::Stanza::platform)) d::scrivi(d::Stanza::platform, "box risposta: " + testo);
}
std::optional<std::string> risposta(std::optional<std::string> r) {
    annotarisposta(r ? "«" + *r + "»" : "annullata");
    return r;
}

// The one place every box passes, whichever boxes are in use.
class DialoghiInUso final : public Dialoghi {
  public:
    void messaggio(const std::string& testo) override {
        traccia("messaggio", testo);
        attuali->messaggio(testo);
    }
    void errore(const std::string& testo) override {
        traccia("errore", testo);
        attuali->errore(testo);
    }
    void avviso(const std::string& testo) override {
        traccia("avviso", testo);
        attuali->avviso(testo);
    }
    bool conferma(const std::string& testo) override {
        traccia("domanda", testo);
        const bool si = attuali->conferma(testo);
        annotarisposta(si ? "sì" : "no");
        return si;
    }
    std::optional<std::string> input(const std::string& titolo, const std::string& domanda,
                                     const std::string& predefinito) override {
        traccia("domanda", titolo + ": " + domanda, &domanda);
        return risposta(attuali->input(titolo, domanda, predefinito));
    }
    std::optional<std::string> apri(const std::string& titolo, const std::string& filtro) override {
        traccia("apri", titolo);
        return risposta(attuali->apri(titolo, filtro));
    }
    std::optional<std::string> salva(const std::string& titolo,
                                     const std::string& filtro) override {
        traccia("salva", titolo);
        return risposta(attuali->salva(titolo, filtro));
    }
};

DialoghiInUso inuso;

}  // namespace

Dialoghi& dialoghi() {
    return inuso;
}

void impostaDialoghi(Dialoghi* d) {
    attuali = d ? d : &testuali;
}

void tracciasuerrore(bool si) {
    suerrore = si;
}

}  // namespace lumetto::platform
