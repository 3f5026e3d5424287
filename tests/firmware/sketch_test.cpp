// Every sketch of the Lumetto library on an emulated Uno, talked to by the
// program's own acquisition: the parts wired to the board set, the button of
// the experiment pressed, one tick; the reading table holds what those parts
// imply, within the sensor's resolution.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "acquisition/acquisizione.h"
#include "acquisition/esperimenti.h"
#include "firmware/emulata.h"
#include "link/collegamento.h"
#include "link/letture.h"
#include "schemes/schema.h"
#include "serial/report.h"
#include "support/dialoghi.h"

using namespace lumetto;

namespace {

// The main window as the acquisition sees it.
class Vista final : public acquisition::Vista {
  public:
    void impostaTimer(bool a, int) override { attivo = a; }
    bool timerAttivo() const override { return attivo; }
    void didascalia(const std::string&) override {}
    void svuotaPannelli() override {}
    void mostraPannelli() override {}
    void aggiungiTestata(const std::string&) override {}
    void aggiungiRiga(const acquisition::Riga&) override {}
    bool preparaSchema() override { return true; }
    void mostraSchema() override {}
    bool attivo = false;
};

struct Valore {
    double atteso, tolleranza;
};
struct Caso {
    const char* sketch;
    const char* bottone;               // the experiment's button in the main window
    std::vector<std::string> stimoli;  // what is wired to the board
    std::vector<Valore> valori;        // the reading, field by field
};

void PrintTo(const Caso& c, std::ostream* o) {
    *o << c.sketch;
}

class Sketch : public ::testing::TestWithParam<Caso> {
  protected:
    Sketch() {
        acquisition::azzeraacquisizione();
        schemes::azzeraschema();
        acquisition::impostaVista(&vista);
        link::impostaFinestra(
            {[] { return 13; }, [](int) {}, [] { acquisition::fermaacquisizione(); }});
        serial::setCommErrorHook([this](const std::string& t, int) { box.messaggio(t); });
    }
    ~Sketch() override {
        acquisition::fermaacquisizione();
        link::rilasciaporte();
        acquisition::impostaVista(nullptr);
        acquisition::azzeraacquisizione();
        serial::setCommErrorHook(nullptr);
    }
    prove::DialoghiScritti box;
    Vista vista;
};

}  // namespace

TEST_P(Sketch, OneTickReadsWhatThePartsSay) {
    const Caso& c = GetParam();
    prove::SchedaEmulata board(c.sketch);
    ASSERT_TRUE(board.pronto()) << c.sketch << ": the emulator did not start";
    for (const auto& s : c.stimoli)
        board.comanda(s);
    ASSERT_TRUE(board.sincronizza());
    const auto* comando = acquisition::comando(c.bottone);
    ASSERT_NE(comando, nullptr);
    ASSERT_TRUE(acquisition::avviacomando(*comando));
    acquisition::eseguilettura();
    ASSERT_TRUE(box.mostrati.empty()) << c.sketch << " is silent or late: " << box.mostrati.front();
    ASSERT_EQ(link::numerolettura, 1);
    for (size_t i = 0; i < c.valori.size(); ++i)
        EXPECT_NEAR(link::tabellaletture[1][i + 1], c.valori[i].atteso, c.valori[i].tolleranza)
            << c.sketch << ", field " << i + 1;
}

INSTANTIATE_TEST_SUITE_P(Uno, Sketch,
                         ::testing::Values(
                             // 25 cm: 1450 us of echo; the HC-SR04 resolves about 0.3 cm.
                             Caso{"Sonar", "BitBtn4", {"sonar 25"}, {{25, 0.5}}},
                             Caso{"Sonar", "BitBtn4", {"sonar 0"}, {{-1, 0}}},  // no echo
                             // LM35: 235 mV is 23.5 degrees; a step of the converter is 0.49.
                             Caso{"Temperature", "BitBtn13", {"analogico 0 235"}, {{23.5, 0.5}}}),
                         [](const auto& i) {
                             return std::string(i.param.sketch) + "_" + std::to_string(i.index);
                         });
