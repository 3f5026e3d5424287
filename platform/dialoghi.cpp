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

namespace {

// Every box, and the answer it got, in the diagnostic log ("lumetto.platform"),
// then shown by the boxes in use: the one place they all pass.
class DialoghiDiagnosticati final : public Dialoghi {
  public:
    void messaggio(const std::string& testo) override {
        scrivi("messaggio", testo);
        attuali->messaggio(testo);
    }
    void errore(const std::string& testo) override {
        scrivi("errore", testo);
        attuali->errore(testo);
    }
    void avviso(const std::string& testo) override {
        scrivi("avviso", testo);
        attuali->avviso(testo);
    }
    bool conferma(const std::string& testo) override {
        scrivi("domanda", testo);
        const bool si = attuali->conferma(testo);
        scrivi("risposta", si ? "sì" : "no");
        return si;
    }
    std::optional<std::string> input(const std::string& titolo, const std::string& domanda,
                                     const std::string& predefinito) override {
        scrivi("domanda", titolo + ": " + domanda);
        return risposta(attuali->input(titolo, domanda, predefinito));
    }
    std::optional<std::string> apri(const std::string& titolo, const std::string& filtro) override {
        scrivi("apri", titolo);
        return risposta(attuali->apri(titolo, filtro));
    }
    std::optional<std::string> salva(const std::string& titolo,
                                     const std::string& filtro) override {
        scrivi("salva", titolo);
        return risposta(attuali->salva(titolo, filtro));
    }

  private:
    static void scrivi(const char* tipo, const std::string& testo) {
        namespace d = diagnostica;
        if (d::attiva(d::Stanza::platform))
            d::scrivi(d::Stanza::platform, std::string("box ") + tipo + ": " + testo);
    }
    static std::optional<std::string> risposta(std::optional<std::string> r) {
        scrivi("risposta", r ? "«" + *r + "»" : "annullata");
        return r;
    }
};

DialoghiDiagnosticati diagnosticati;

}  // namespace

Dialoghi& dialoghi() {
    return diagnosticati;
}

void impostaDialoghi(Dialoghi* d) {
    attuali = d ? d : &testuali;
}

}  // namespace lumetto::platform
