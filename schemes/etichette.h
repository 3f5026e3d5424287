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

// A scheme's positions are pixels of its picture at the picture's own size,
// and a window shows the picture stretched to its picture control. Labels,
// clicks and label text go through this one scale, so that a click stores the
// picture pixel where the label is then drawn, in either window, on any screen.
class Scala {
  public:
    // Without a picture, a control pixel is a picture pixel.
    Scala() = default;
    // A picture of its own size larga x alta shown at mostrataL x mostrataA.
    Scala(int larga, int alta, int mostrataL, int mostrataA);

    // Where the corner of picture pixel x (or y) stands in the control.
    int controllox(int x) const { return sulcontrollo(x, larga_, mostrataL_); }
    int controlloy(int y) const { return sulcontrollo(y, alta_, mostrataA_); }
    // The picture pixel that control pixel x (or y) shows.
    int figurax(int x) const { return sullafigura(x, larga_, mostrataL_); }
    int figuray(int y) const { return sullafigura(y, alta_, mostrataA_); }
    // The size of a text of `punti` points at the picture's own scale, as
    // shown: the smaller of the two stretches, so that it keeps to its room.
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
