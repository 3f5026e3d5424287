#pragma once
// The runs kept in the archive ("corse"): newest first, narrowed by a text
// and a range of days; a run opened in the plot window, or up to four of one
// experiment laid over each other; a title and a note given; a run deleted
// (asked first) or written as CSV or as an Excel workbook; the whole archive
// copied into one file.

#include <QWidget>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <vector>

#include "archive/archivio.h"

class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;

namespace lumetto::acquisition {

class TFormgrafico;

class TFormcorse final : public QWidget {
  public:
    TFormcorse(TFormgrafico* grafico, std::filesystem::path file, QWidget* parent = nullptr);
    ~TFormcorse() override;

    // The list read again from the archive, as the filter says.
    void aggiorna();
    // The runs selected in the list, in its order.
    std::vector<int64_t> selezionate() const;
    void seleziona(const std::vector<int64_t>& id);

    // The buttons' work, for tests too.
    bool apri();
    void intitola();
    void elimina();
    void esporta(bool xls);
    // The whole archive copied into one file, safe while a run is written.
    void copia();

    QTreeWidget* elenco() const { return elenco_; }

  protected:
    void showEvent(QShowEvent* e) override;

  private:
    archivio::Archivio* archivio();
    void nonsilegge(const archivio::ErroreArchivio& e);

    TFormgrafico* grafico_;
    std::filesystem::path file_;
    std::unique_ptr<archivio::Archivio> archivio_;
    QLineEdit* cerca_ = nullptr;
    QDateEdit* dal_ = nullptr;
    QDateEdit* al_ = nullptr;
    QTreeWidget* elenco_ = nullptr;
    QLabel* nota_ = nullptr;
    QPushButton *apri_ = nullptr, *titolo_ = nullptr, *elimina_ = nullptr, *csv_ = nullptr,
                *xls_ = nullptr, *copia_ = nullptr, *chiudi_ = nullptr;
};

}  // namespace lumetto::acquisition
