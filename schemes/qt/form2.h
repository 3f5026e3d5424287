#pragma once
// The scheme editor: the header and the three masks of the current scheme in
// edit boxes on the left with the logic conditions, the plant picture in the
// middle where a click places the selected variable's label, the scheme file
// commands on the right. It works on the current scheme itself; "&Esci"
// stores the boxes into it, the close box leaves it as the commands left it.

#include <QDialog>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace lumetto::schemes {

class FiguraSchema;
class Schema;

class TForm2 final : public QDialog {
  public:
    explicit TForm2(QWidget* parent = nullptr);
    ~TForm2() override;
    TForm2(const TForm2&) = delete;
    TForm2& operator=(const TForm2&) = delete;

    // Runs each time the window is shown: the layout for the screen, the
    // boxes refreshed from the scheme, the status line emptied, the labels
    // hidden.
    void inizia();
    // The layout rules for a screen of W x H pixels.
    void disponi(int W, int H);

    void vaifine();              // "&Esci"
    void vaicarica();            // "carica immagine"
    void aumenta();              // "+"
    void diminuisci();           // "-"
    void esamina(int x, int y);  // a click at (x, y) of the picture control
    void carica();               // "carica scada"
    void salva();                // "salva scada"
    void vaiesame();             // "Esamina dati" / "fine" / "esame dati"

    // The label of variable i (1 to 10; nothing for any other) at picture
    // pixel (x, y), showing its name followed by the text
    // (Windows-1252, at most 10 characters), always visible.
    void posizionaetichettaeditor(int i, int x, int y, std::string_view testo);
    void mostraetichetteeditor(bool visibili);
    // Fills Memo2 with the report on what the boxes hold.
    void esamedati();

  protected:
    void showEvent(QShowEvent* e) override;
    bool eventFilter(QObject* o, QEvent* e) override;

  private:
    QLineEdit* editEtichettato(const char* nome, const QString& etichetta, QLabel*& buddy);
    // The label of an edit box above it (inside the box where there is no
    // room above), its text no wider than `larga`.
    void metti(QLabel* etichetta, QLineEdit* sotto, int larga);
    static void entro(QLabel* etichetta, int larga);
    // The scheme's header and masks into the boxes, and back.
    void mostracampi(const Schema& s);
    void leggicampi(Schema& s) const;
    std::vector<std::string> righeMemo1() const;
    // Loads the picture named by the scheme into Image1; false, after the
    // error box, when it cannot.
    bool caricaimmagine(const std::string& immagine);

    QLineEdit* LabeledEdit1 = nullptr;
    QLineEdit* LabeledEdit2 = nullptr;
    QLineEdit* LabeledEdit3 = nullptr;
    QLineEdit* LabeledEdit4 = nullptr;
    QLabel* etichetta1_ = nullptr;
    QLabel* etichetta2_ = nullptr;
    QLabel* etichetta3_ = nullptr;
    QLabel* etichetta4_ = nullptr;
    QLabel* Label1 = nullptr;
    QPlainTextEdit* Memo1 = nullptr;
    QLineEdit* Edit1 = nullptr;
    QLabel* Image1 = nullptr;
    std::unique_ptr<FiguraSchema> figura_;  // Image1 and its scale
    QPlainTextEdit* Memo2 = nullptr;
    QLabel* valori_[10] = {};  // Label2 .. Label11
    QPushButton* BitBtn1 = nullptr;
    QPushButton* BitBtn2 = nullptr;
    QPushButton* BitBtn3 = nullptr;
    QPushButton* BitBtn4 = nullptr;
    QPushButton* BitBtn5 = nullptr;
    QPushButton* BitBtn6 = nullptr;
    QPushButton* BitBtn7 = nullptr;
};

}  // namespace lumetto::schemes
