#pragma once
// The acquisition's test bench without widgets: a window that records what it
// is shown, and the virtual board's logic on a scripted COM13 whose waits
// advance a clock of the test's own.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "acquisition/acquisizione.h"
#include "board/sketch.h"
#include "link/collegamento.h"
#include "schemes/schema.h"
#include "serial/posix/fakeport.h"
#include "serial/report.h"
#include "support/dialoghi.h"
#include "support/orologio.h"

namespace lumetto::prove {

using namespace lumetto::acquisition;

// The main window as the acquisition sees it.
class VistaFinta : public Vista {
  public:
    void impostaTimer(bool a, int ms) override {
        attivo = a;
        if (a) intervalloMs = ms;
    }
    bool timerAttivo() const override { return attivo; }
    void didascalia(const std::string& t) override { titolo = t; }
    void svuotaPannelli() override {
        testate.clear();
        righe.clear();
    }
    void mostraPannelli() override { pannelli = true; }
    void aggiungiTestata(const std::string& r) override { testate.push_back(r); }
    void aggiungiRiga(const Riga& r) override { righe.push_back(r); }
    bool preparaSchema() override {
        ++schemi;
        pannelli = false;
        return true;
    }
    void mostraSchema() override { ++mostrati; }

    bool attivo = false;
    int intervalloMs = -1;
    std::string titolo;
    bool pannelli = false;
    int schemi = 0, mostrati = 0;
    std::vector<std::string> testate;
    std::vector<Riga> righe;
};

inline std::string testo(const Riga& r) {
    std::string t;
    for (const auto& p : r)
        t += p.testo;
    return t;
}

class Acquisizione : public ::testing::Test {
  protected:
    Acquisizione() : com13(sys.add("COM13")) {
        sys.install();
        azzeraacquisizione();
        schemes::azzeraschema();
        impostaVista(&vista);
        link::impostaVistaCollegamento(
            {[this] { return porta; }, [this](int n) { porta = n; }, [] { fermaacquisizione(); }});
        serial::setCommErrorHook([this](const std::string& t, int) { box.messaggio(t); });
        com13.onWait = [this](uint32_t ms) { orologio.avanza(ms); };
        scheda("tutti");
    }
    ~Acquisizione() override {
        impostaVista(nullptr);
        azzeraacquisizione();
        serial::setCommErrorHook(nullptr);
    }
    // The board on COM13 runs this sketch and answers every letter written
    // (and "?", unless it is an older board).
    void scheda(const std::string& sketch, bool conoscechi = true) {
        board = std::make_unique<scheda::Logica>(sketch, 1);
        board->conoscechi = conoscechi;
        com13.onWrite = [this](const std::string& byte) {
            if (muta) return;
            for (char c : byte)
                com13.receive(board->ricevi(c, 0));
        };
    }
    void premi(const char* controllo) { ASSERT_TRUE(avviacomando(*comando(controllo))); }
    std::string inviati() { return std::string(com13.output.begin(), com13.output.end()); }

    prove::Orologio orologio;
    serial::fake::FakeSystem sys;
    serial::fake::FakeDevice& com13;
    prove::DialoghiScritti box;
    VistaFinta vista;
    std::unique_ptr<scheda::Logica> board;
    bool muta = false;
    int porta = 13;
};

}  // namespace lumetto::prove
