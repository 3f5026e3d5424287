#pragma once
// The acquisition without widgets, set up for one test and put back after
// it: the start-up state, a window of the test's own, COM13 as the port the
// window chose, and the serial component's error texts as message boxes.
#include "acquisition/acquisizione.h"
#include "link/collegamento.h"
#include "schemes/schema.h"
#include "serial/report.h"
#include "support/dialoghi.h"

namespace lumetto::prove {

class AcquisizioneDiProva {
  public:
    AcquisizioneDiProva(acquisition::Vista& vista, DialoghiScritti& box) {
        acquisition::azzeraacquisizione();
        schemes::azzeraschema();
        acquisition::impostaVista(&vista);
        link::impostaVistaCollegamento(
            {[] { return 13; }, [](int) {}, [] { acquisition::fermaacquisizione(); }});
        serial::setCommErrorHook([&box](const std::string& t, int) { box.messaggio(t); });
    }
    ~AcquisizioneDiProva() {
        acquisition::fermaacquisizione();
        link::rilasciaporte();
        acquisition::impostaVista(nullptr);
        acquisition::azzeraacquisizione();
        serial::setCommErrorHook(nullptr);
        link::impostaVistaCollegamento({});
    }
    AcquisizioneDiProva(const AcquisizioneDiProva&) = delete;
    AcquisizioneDiProva& operator=(const AcquisizioneDiProva&) = delete;
};

}  // namespace lumetto::prove
