#pragma once
// The value labels over a plant picture, without the widgets: what a label
// shows, in which colour and size, where and whether, for the main window's
// overlay and for the scheme editor; and the status lines of the selected
// variable. The windows only copy these onto their labels.

#include <string>
#include <string_view>

#include "schemes/maschere.h"
#include "schemes/schema.h"

namespace lumetto::schemes {

// Each window has ten value labels, for variables 1 to 10.
inline constexpr int kEtichette = 10;
inline constexpr std::size_t kCaratteriTestoEtichetta = 10;
inline constexpr std::size_t kCaratteriDidascalia = 20;

struct Etichetta {
    bool visibile = false;
    std::string didascalia;  // Windows-1252: the name, then the text
    Rgb colore;
    int dimensione = 14;
    int x = 0, y = 0;  // from the picture's top-left corner
    friend bool operator==(const Etichetta&, const Etichetta&) = default;
};

// The main window shows a label only for a variable of the scheme and an
// empty text as "=xxxx.x"; the editor shows every label it places, with an
// empty text left empty (the name alone).
enum class QualeFinestra { Principale, Editor };

// The label of variable i (1 to 10) placed at (x, y) with the text.
Etichetta posizionaetichetta(const Schema& s, int i, int x, int y, std::string_view testo,
                             QualeFinestra f);

// A scheme's positions are pixels of a reference picture control, the one the
// main window has on a 1366 x 768 screen, whatever the picture's own size; a
// window shows the picture stretched to its own control. Labels, clicks and
// label text go through this one scale, so that a label stands on the same
// spot of the drawing in either window, on any screen, over any picture.
inline constexpr int kRiferimentoL = 953;
inline constexpr int kRiferimentoA = 645;
// A label's text is never smaller than this, however small the control.
inline constexpr double kPuntiMinimi = 8;

class Scala {
  public:
    // Without a control, a control pixel is a scheme pixel.
    Scala() = default;
    // A space of larga x alta (the reference) shown at mostrataL x mostrataA.
    Scala(int larga, int alta, int mostrataL, int mostrataA);
    // The reference space shown at mostrataL x mostrataA.
    static Scala riferimento(int mostrataL, int mostrataA) {
        return {kRiferimentoL, kRiferimentoA, mostrataL, mostrataA};
    }

    // Where the corner of scheme pixel x (or y) stands in the control.
    int controllox(int x) const { return sulcontrollo(x, larga_, mostrataL_); }
    int controlloy(int y) const { return sulcontrollo(y, alta_, mostrataA_); }
    // The scheme pixel that control pixel x (or y) shows.
    int figurax(int x) const { return sullafigura(x, larga_, mostrataL_); }
    int figuray(int y) const { return sullafigura(y, alta_, mostrataA_); }
    // The size of a text of `punti` points at the reference scale, as shown:
    // the smaller of the two stretches, so that it keeps to its room, and
    // never under kPuntiMinimi, so that it stays readable.
    double punti(int punti) const;

  private:
    static int sulcontrollo(int p, int propria, int mostrata);
    static int sullafigura(int c, int propria, int mostrata);
    int larga_ = 1, alta_ = 1, mostrataL_ = 1, mostrataA_ = 1;
};

// The live text of a value: its value text without blanks, after "=".
std::string testovalore(double valore, char tipo);

// The line written when a click places the selected variable:
// "punto=  3 tem x=   120 Y=    45".
std::string rigapunto(const Schema& s, int x, int y);
// The editor's line for the selection "+" and "-" move: " 3 tem x=   120 Y=    45".
std::string rigaselezione(const Schema& s);

}  // namespace lumetto::schemes
