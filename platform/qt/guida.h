#pragma once
// F1 in a window of the program opens the teacher's guide at that window's
// page, in the desktop's browser.

class QWidget;

namespace lumetto::platform {

// F1 anywhere in `finestra` opens `pagina` of the guide ("grafico.html",
// "grafico.html#corse").
void installaguida(QWidget* finestra, const char* pagina);

// Opens the page now; a guide that is not there, or no browser to show it,
// is told in an error box that names the file.
void apriguida(const char* pagina);

}  // namespace lumetto::platform
