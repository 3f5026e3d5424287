#pragma once
// The spine of the program: the acquisition state, the start of an experiment,
// the tick that asks the board for a reading, stores it and shows it, and the
// reading log's rows. The window is reached through Vista, so all of this runs
// and is tested without widgets.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "acquisition/colonne.h"
#include "acquisition/esperimenti.h"
#include "link/identita.h"
#include "schemes/maschere.h"
#include "schemes/schema.h"

namespace lumetto::acquisition {

// One piece of a log row: its text (Windows-1252), colour and weight.
struct Pezzo {
    std::string testo;
    schemes::Rgb colore;
    bool grassetto = false;
    friend bool operator==(const Pezzo&, const Pezzo&) = default;
};
using Riga = std::vector<Pezzo>;

// What the acquisition needs of the main window.
class Vista {
  public:
    virtual ~Vista() = default;
    // Timer1: on with the interval (0 ms: on but silent), or off.
    virtual void impostaTimer(bool attivo, int intervalloMs) = 0;
    virtual bool timerAttivo() const = 0;
    virtual void didascalia(const std::string& testo) = 0;
    virtual void svuotaPannelli() = 0;  // RichEdit1 and RichEdit2 emptied
    virtual void mostraPannelli() = 0;  // RichEdit1 and RichEdit2 shown, Image1 hidden
    virtual void aggiungiTestata(const std::string& riga) = 0;  // a line of RichEdit2
    virtual void aggiungiRiga(const Riga& riga) = 0;  // a paragraph at the end of RichEdit1
    // The overlay of the scheme experiments: picture and labels (preparaschema
    // and mostraschema). False when the picture could not be shown (the error
    // has been shown): the command or tick stops there.
    virtual bool preparaSchema() = 0;
    virtual void mostraSchema() = 0;
};
void impostaVista(Vista* v);
// The window set, or a silent one.
Vista& vistaattuale();

// A window that shows nothing and only keeps its timer's state: the
// acquisition's own when no window is set, and the base of the views that
// tests and benchmarks count with.
class VistaMuta : public Vista {
  public:
    void impostaTimer(bool a, int) override { attivo = a; }
    bool timerAttivo() const override { return attivo; }
    void didascalia(const std::string&) override {}
    void svuotaPannelli() override {}
    void mostraPannelli() override {}
    void aggiungiTestata(const std::string&) override {}
    void aggiungiRiga(const Riga&) override {}
    bool preparaSchema() override { return true; }
    void mostraSchema() override {}
    bool attivo = false;
};

// A view that follows the readings as they are stored (the plot window): it
// is told, never asked, and never touches the port or the timer.
class Ascoltatore {
  public:
    virtual ~Ascoltatore() = default;
    // The acquisition starts again: what was drawn goes.
    virtual void nuovacorsa() = 0;
    // Reading r of the run is in the reading table.
    virtual void letturamemorizzata(int r) = 0;
    // Timer1 went off: the run stopped (told also when none was going).
    virtual void fermata() {}
};
void aggiungiascoltatore(Ascoltatore* a);
void togliascoltatore(Ascoltatore* a);
// Reading r of the run is stored: its listeners are told (the tick does it
// for the readings it takes; the free stream for the lines that arrive).
void memorizzata(int r);

// The acquisition state (the header and type mask are those of the current
// scheme; the reading number and table belong to the link that fills them).
struct Stato {
    int16_t codiceesperimento = 0;
    uint16_t lunghezzatestata = 0;
    uint16_t numerocolonne = 0;
    uint16_t letturemostrate = 0;
    int32_t intervallo = 2;
    // Entries 1 to 15; entry i + 1 is the short name of column i.
    std::array<schemes::TestoLimitato<20>, 16> titoliesportazione;
    // What the board said it runs when the run started; empty when it did
    // not say (or the run sends it nothing).
    link::Identita scheda;
    // The scheme file the run's command read, as the command names it;
    // empty for the experiments without one.
    std::string fileschema;
    // The run has said that the board sends fields that are not numbers.
    bool dettinonnumeri = false;
    // The sensor faults (bit i: the experiment's i-th) the run has told.
    uint32_t dettiguasti = 0;
    // The run's columns with their whole names and units, as its start set
    // them (a free run adds those the board names as they come).
    std::vector<Colonna> colonne;
    // A teacher's own experiment: its file, as the run started it; empty
    // for every other run.
    std::string fileesperimento;
    // The name of a teacher's experiment, or "esperimento libero"; empty for
    // the runs of the table's buttons, which their captions name.
    std::string nomeesperimento;
    // A teacher's asked experiment: the letter its ticks send, and whether
    // its scheme's picture shows it.
    char letterapropria = 0;
    bool sovrapposizione = false;
};
extern Stato stato;
// Start-up values, the reading table and the link included (tests).
void azzeraacquisizione();

inline constexpr int32_t kMaxIntervallo = 2147483;  // seconds, so that the milliseconds fit

void avviaesperimento(int16_t codice, const std::string& testata, const std::string& maschera);
void avviaacquisizione();
void eseguilettura();
// Timer1 off, whoever stops it; a port that a run left held is released.
void fermaacquisizione();

// The row of the current reading, and the export titles on the way.
Riga mostralettura();
// The live text of variable i of the current reading over the plant picture:
// "=" and its value text without blanks.
std::string testoschema(int i);

// The commands that need no other window. A run that talks to the board
// first asks it who it is, and says so once when it runs another of the
// library's sketches than the experiment's.
bool avviacomando(const Comando& c);  // experiments, scheme experiments, "Utente"
// The box for a board on `porta` ("COM13") that runs the library's sketch
// `sketch` where the experiment of `c` wants its own.
std::string avvisosketch(const Comando& c, const std::string& sketch, const std::string& porta);
// "Utente" reads the header that SCADA (or the last experiment) left: with
// no whole field in it there is nothing to ask the board for.
inline constexpr const char* kUtenteSenzaTestata =
    "\"Utente\" legge dalla scheda le colonne descritte nella testata dell'editor SCADA, "
    "ma la testata è vuota: non c'è nessuna colonna da leggere.\n\n"
    "Apri SCADA e scrivi nella \"testata\" i nomi delle colonne, 6 caratteri l'una con i "
    "punti (per esempio \"luce..temp..\"), e nella \"maschera tipo dati\" un 1 per ogni "
    "colonna (\"11\"); poi premi di nuovo \"Utente\".";
// Told once a run when a reply has fields that are not numbers: the reply
// as it came (its control characters as blanks).
std::string avvisononnumeri(int lettura, const std::string& risposta);
void fine();
void chiedointervallo();

}  // namespace lumetto::acquisition
