#pragma once
// The program's boxes on Qt: modal, over the active window.

#include <QString>

#include "platform/dialoghi.h"

namespace lumetto::platform {

// "files excel|*.xls" becomes "files excel (*.xls)"; pairs are joined with ";;",
// and a last pattern without a description joins the entry before it.
QString filtroQt(const std::string& filtro);
// The extension a save dialog gives a bare name: "xls" for "files excel|*.xls";
// empty when the first pattern is not "*.ext".
QString suffissoFiltro(const std::string& filtro);

class DialoghiQt final : public Dialoghi {
  public:
    void messaggio(const std::string& testo) override;
    void errore(const std::string& testo) override;
    void avviso(const std::string& testo) override;
    bool conferma(const std::string& testo) override;
    std::optional<std::string> input(const std::string& titolo, const std::string& domanda,
                                     const std::string& predefinito) override;
    std::optional<std::string> apri(const std::string& titolo, const std::string& filtro) override;
    std::optional<std::string> salva(const std::string& titolo, const std::string& filtro) override;
};

}  // namespace lumetto::platform
