#pragma once
// The windows of "il mio esperimento": the list of a teacher's experiment
// files (the user's and the school's), from which one is started, made,
// changed or deleted, and the editor of one file's keys.

#include <QDialog>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "acquisition/mioesperimento.h"

class QComboBox;
class QFormLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QStackedWidget;
class QTableWidget;
class QTreeWidget;
class QWidget;

namespace lumetto::acquisition {

// The experiment to start and the file it was read from (what avviamio takes).
struct Scelta {
    MioEsperimento esperimento;
    std::filesystem::path file;
};

// The list: every experiment file of both folders, one a row, a broken one
// with its error and where it is.
class TFormesperimenti final : public QDialog {
  public:
    explicit TFormesperimenti(std::filesystem::path utente = cartellaesperimenti(),
                              std::filesystem::path condivisa = kCartellaCondivisa,
                              QWidget* parent = nullptr);
    ~TFormesperimenti() override;

    // Shows the window until "Avvia" (the experiment read again from its
    // file) or until it is closed (nothing).
    std::optional<Scelta> scegli();

    // The files read again; the row of `file` selected, else the one that was.
    void aggiorna(const std::filesystem::path& file = {});
    // The buttons' work, for tests too.
    bool avvia();
    void nuovo();
    void modifica();
    void elimina();

    QTreeWidget* elenco() const { return elenco_; }
    // The file of the selected row; empty when none is.
    std::filesystem::path selezionato() const;
    void seleziona(const std::filesystem::path& file);

  protected:
    void changeEvent(QEvent* e) override;

  private:
    const VoceEsperimento* voce() const;
    void aggiornabottoni();
    // Runs the editor; the file it wrote, empty when cancelled.
    std::filesystem::path modifica(const MioEsperimento& e, const std::filesystem::path& file);

    std::filesystem::path utente_, condivisa_;
    std::vector<VoceEsperimento> voci_;
    std::optional<Scelta> scelta_;
    QStackedWidget* pagine_ = nullptr;
    QTreeWidget* elenco_ = nullptr;
    QLabel* vuoto_ = nullptr;
    QLabel* nota_ = nullptr;
    QPushButton *avvia_ = nullptr, *nuovo_ = nullptr, *modifica_ = nullptr, *elimina_ = nullptr,
                *chiudi_ = nullptr;
};

// The editor of one experiment. "Salva" checks the fields and writes the file
// (the window stays open with what was typed when it cannot); "Annulla"
// leaves everything as it was.
class TFormmio final : public QDialog {
  public:
    // Edits `e`; "Salva" writes `file`, or, where `file` is empty, a new
    // file of the user's folder named after the experiment.
    explicit TFormmio(const MioEsperimento& e, std::filesystem::path file = {},
                      std::filesystem::path utente = cartellaesperimenti(),
                      std::filesystem::path condivisa = kCartellaCondivisa,
                      QWidget* parent = nullptr);
    ~TFormmio() override;

    // The experiment the fields describe; throws ErroreEsperimento for a
    // field that is not a number or a letter, and for any broken rule.
    MioEsperimento esperimento() const;
    // "Salva": true once the file is written (and the window accepted).
    bool salva();
    // The file written, or to be written.
    const std::filesystem::path& file() const { return file_; }

    // The columns' buttons, for tests too.
    void aggiungi();
    void togli();
    void sposta(int verso);
    void sfoglia();

  private:
    void mostra(const MioEsperimento& e);
    void riga(int r, const ColonnaEsperimento& c);
    void aggiornamodo();

    std::filesystem::path file_, utente_, condivisa_;
    // The comment line this program writes first in the file being edited.
    std::string primariga_;
    QFormLayout* modulo_ = nullptr;
    QLineEdit* nome_ = nullptr;
    QRadioButton* chiesto_ = nullptr;
    QRadioButton* libero_ = nullptr;
    QLineEdit* lettera_ = nullptr;
    QWidget* rigaintervallo_ = nullptr;
    QLineEdit* intervallo_ = nullptr;
    QWidget* rigabaud_ = nullptr;
    QComboBox* baud_ = nullptr;
    QLineEdit* schema_ = nullptr;
    QTableWidget* colonne_ = nullptr;
    QLabel* aiuto_ = nullptr;
    QPushButton *aggiungi_ = nullptr, *togli_ = nullptr, *su_ = nullptr, *giu_ = nullptr,
                *sfoglia_ = nullptr, *salva_ = nullptr, *annulla_ = nullptr;
};

}  // namespace lumetto::acquisition
