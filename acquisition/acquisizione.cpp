#include "acquisition/acquisizione.h"

#include <algorithm>
#include <cmath>

#include "acquisition/libero.h"
#include "acquisition/proprio.h"
#include "link/campi.h"
#include "link/collegamento.h"
#include "link/letture.h"
#include "platform/dialoghi.h"
#include "platform/dosdevices.h"
#include "schemes/cp1252.h"
#include "schemes/etichette.h"
#include "schemes/numeri.h"
#include "schemes/sca.h"

namespace lumetto::acquisition {

Stato stato;

namespace {

Vista* vista = nullptr;
std::vector<Ascoltatore*> ascoltatori;

// Without a window (a tool, a test of the link alone) the acquisition only counts.
VistaMuta assente;

Vista& vistacorrente() {
    return vista ? *vista : assente;
}

schemes::Schema& schema() {
    return schemes::schemacorrente();
}

constexpr schemes::Rgb kNero{0, 0, 0}, kRosso{255, 0, 0}, kBlu{0, 0, 255};

// A run read with a header: its code, the frame as long as the header (never
// more than a byte counts: the scheme files hold at most 77 characters, the
// built-in headers fewer), its columns as the header names them.
void corsadatestata(int16_t codice, const std::string& testata, const std::string& maschera,
                    const Comando* c) {
    stato.codiceesperimento = codice;
    stato.lunghezzatestata = static_cast<uint16_t>(std::min<size_t>(testata.size(), 255));
    stato.numerocolonne = static_cast<uint16_t>(stato.lunghezzatestata / 6);
    stato.colonne = colonneprogettate(testata, maschera, c);
    stato.fileesperimento.clear();
    stato.nomeesperimento.clear();
}

}  // namespace

void impostaVista(Vista* nuova) {
    vista = nuova;
}

Vista& vistaattuale() {
    return vistacorrente();
}

void memorizzata(int r) {
    for (Ascoltatore* a : ascoltatori)
        a->letturamemorizzata(r);
}

void aggiungiascoltatore(Ascoltatore* a) {
    if (a && std::find(ascoltatori.begin(), ascoltatori.end(), a) == ascoltatori.end())
        ascoltatori.push_back(a);
}

void togliascoltatore(Ascoltatore* a) {
    ascoltatori.erase(std::remove(ascoltatori.begin(), ascoltatori.end(), a), ascoltatori.end());
}

void azzeraacquisizione() {
    azzeralibero();
    stato = Stato{};
    link::azzeracollegamento();
}

void avviaesperimento(int16_t codice, const std::string& testata, const std::string& maschera) {
    schema().testata = testata;
    schema().mascheratipo = maschera;
    vistacorrente().svuotaPannelli();
    vistacorrente().mostraPannelli();
    vistacorrente().aggiungiTestata("Prg..." + testata);
    corsadatestata(codice, testata, maschera, esperimento(codice, testata));
    avviaacquisizione();
    link::numerolettura = 0;
}

void avviaacquisizione() {
    link::numerolettura = 0;
    stato.letturemostrate = 0;
    stato.dettinonnumeri = false;
    stato.dettiguasti = 0;
    int32_t s = std::clamp(stato.intervallo, 0, kMaxIntervallo);
    vistacorrente().impostaTimer(true, s * 1000);
    for (Ascoltatore* a : ascoltatori)
        a->nuovacorsa();
}

void fermaacquisizione() {
    vistacorrente().impostaTimer(false, 0);
    fermalibero();
    link::rilasciaporte();
    for (Ascoltatore* a : ascoltatori)
        a->fermata();
}

Riga mostralettura() {
    schemes::dividitestata();
    const auto& s = schema();
    Riga riga;
    std::string prefisso = schemes::allinea(std::to_string(link::numerolettura), 3) + "   ";
    riga.push_back({prefisso.substr(0, 10), kNero, false});
    int r = std::clamp(link::numerolettura, 0, link::kMaxLetture);
    // At most 12 columns: a reading holds 12 values and the names 12 slots.
    int colonne = std::min<int>(static_cast<int>(s.mascheratipo.size()), schemes::kMaxVariabili);
    for (int i = 1; i <= colonne; ++i) {
        double valore = link::tabellaletture[static_cast<size_t>(r)][static_cast<size_t>(i)];
        int esito = schemes::valutacondizioni(i, valore);
        stato.titoliesportazione[static_cast<size_t>(i + 1)] = s.nomevariabile(i);
        std::string testo =
            schemes::formattavalore(valore, s.mascheratipo[static_cast<size_t>(i - 1)]);
        if (esito == 1) {
            riga.push_back({testo, kRosso, true});
        } else if (esito == 2) {
            riga.push_back({testo, kBlu, true});
        } else {
            riga.push_back({testo, kNero, false});
        }
    }
    return riga;
}

std::string testoschema(int i) {
    int r = std::clamp(link::numerolettura, 0, link::kMaxLetture);
    double valore = i >= 1 && i <= link::kColonne
                        ? link::tabellaletture[static_cast<size_t>(r)][static_cast<size_t>(i)]
                        : 0.0;
    // A teacher's column with its decimals and unit: "=21.5 °C".
    if (stato.codiceesperimento == kCodiceMio && i >= 1 &&
        i <= static_cast<int>(stato.colonne.size())) {
        const Colonna& c = stato.colonne[static_cast<size_t>(i - 1)];
        if (std::isnan(valore)) return "=";
        std::string t = "=" + schemes::scrivireale(valore, std::max(c.decimali, 0), 0);
        if (!c.unita.empty()) t += " " + schemes::cp1252dautf8(c.unita);
        return t;
    }
    return schemes::testovalore(valore, schemes::carattere(schema().mascheratipo, i));
}

void eseguilettura() {
    // A board that speaks first is never asked: the beat only watches it.
    if (stato.codiceesperimento == kCodiceLibero) {
        battitolibero();
        return;
    }
    const bool mio = stato.codiceesperimento == kCodiceMio;
    auto lettera =
        mio ? std::optional<char>(stato.letterapropria) : letteradicodice(stato.codiceesperimento);
    if (!lettera) return;
    if (!link::inviacomando(*lettera)) return;
    vistacorrente().didascalia("Arduino  collegato dato:" +
                               schemes::allinea(std::to_string(link::numerolettura), 6));
    ++link::numerolettura;
    if (link::numerolettura > link::kMaxLetture) {
        // The port stays held, so the next tick stops the run; nothing above
        // reading 1000 is ever read, stored or shown.
        if (link::numerolettura == link::kMaxLetture + 1)
            platform::dialoghi().messaggio("raggiunto il numero massimo di punti!");
        return;
    }
    vistacorrente().didascalia("lettura n:" +
                               schemes::allinea(std::to_string(link::numerolettura), 6));
    std::string risposta;
    const bool arrivata =
        link::ricevirisposta(static_cast<uint8_t>(std::min<uint16_t>(stato.lunghezzatestata, 255)),
                             risposta) == link::Risposta::arrivata;
    if (arrivata && !stato.dettinonnumeri) {
        const auto& riga = link::tabellaletture[static_cast<size_t>(link::numerolettura)];
        const int campi = std::min(stato.lunghezzatestata / 6, link::kMaxCampi);
        // Not a box that waits: the run goes on, the cells stay empty.
        if (std::any_of(riga.begin() + 1, riga.begin() + 1 + campi,
                        [](double v) { return std::isnan(v); })) {
            stato.dettinonnumeri = true;
            platform::dialoghi().avviso(avvisononnumeri(link::numerolettura, risposta));
        }
    }
    const Comando* e = esperimento(stato.codiceesperimento);
    if (arrivata && e && !mio) {
        // A sensor the sketch found failed: told once a run, without
        // stopping it (the board has switched the output off itself).
        const auto& riga = link::tabellaletture[static_cast<size_t>(link::numerolettura)];
        for (size_t i = 0; i < e->guasti.size() && i < 32; ++i) {
            const GuastoSensore& g = e->guasti[i];
            const uint32_t bit = 1u << i;
            if (g.campo < 1 || g.campo > link::kMaxCampi || (stato.dettiguasti & bit)) continue;
            if (riga[static_cast<size_t>(g.campo)] != g.valore) continue;
            stato.dettiguasti |= bit;
            platform::dialoghi().avviso(std::string(g.testo));
        }
    }
    if (mio) calibra(link::numerolettura);
    if ((e && e->sovrapposizione) || (mio && stato.sovrapposizione)) {
        if (vistacorrente().preparaSchema()) vistacorrente().mostraSchema();
    } else if (mio) {
        // Whole names with units, each column as wide as its title.
        vistacorrente().mostraPannelli();
        vistacorrente().aggiungiRiga(
            rigapropria(stato.colonne, link::numerolettura,
                        &link::tabellaletture[static_cast<size_t>(link::numerolettura)][1]));
    } else {
        // The row of the log; on the way it sets the export's column titles.
        Riga riga = mostralettura();
        vistacorrente().mostraPannelli();
        vistacorrente().aggiungiTestata("prg..." + schema().testata);
        vistacorrente().aggiungiRiga(riga);
    }
    // A reply that did not come leaves the port held: the next tick stops the run.
    const bool memorizzata = arrivata;
    if (memorizzata) link::chiudiporta();
    if (stato.letturemostrate < link::kMaxLetture) ++stato.letturemostrate;
    if (memorizzata) acquisition::memorizzata(link::numerolettura);
}

std::string avvisosketch(const Comando& c, const std::string& sketch, const std::string& porta) {
    const std::string esperimento(schemes::rifila(c.didascalia));
    const std::string giusto(c.esempio);
    return "La scheda su " + porta + " esegue lo sketch «" + sketch +
           "» della libreria Lumetto, ma l'esperimento «" + esperimento + "» richiede lo sketch «" +
           giusto +
           "»: le letture possono essere sbagliate.\n\n"
           // Lines short enough for the box, the menu's path whole on one.
           "Carica quello giusto con l'IDE di Arduino:\n"
           "File > Esempi > Lumetto > " +
           giusto + ",\npoi il pulsante Carica.\n\nL'acquisizione intanto continua.";
}

std::string avvisononnumeri(int lettura, const std::string& risposta) {
    std::string leggibile = risposta;
    for (char& c : leggibile)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = ' ';
    leggibile = std::string(schemes::rifila(leggibile));
    return "Lettura " + std::to_string(lettura) + ": la scheda manda \"" +
           schemes::utf8dacp1252(leggibile) +
           "\": non è una risposta di uno sketch Lumetto. I campi che non sono numeri restano "
           "vuoti; l'acquisizione continua.\n\n"
           "Uno sketch che scrive righe per il Serial Plotter dell'IDE di Arduino si legge con "
           "\"esperimento libero\".";
}

namespace {

// The virtual board's demo sketch, which serves every experiment.
constexpr std::string_view kSketchTutti = "Tutti";

// Asked before the run starts, so that whoever is told of the new run finds
// the answer kept with it.
void chiedichi(const Comando& c) {
    stato.scheda = c.lettera != 0 ? link::chiedichisei() : link::Identita{};
    stato.fileschema = c.azione == Azione::EsperimentoSchema ? std::string(c.fileschema) : "";
}

// Once, after the run started: the run goes on whatever the answer.
void avvisasesbagliata(const Comando& c) {
    const std::string& sketch = stato.scheda.sketch;
    if (sketch.empty() || c.esempio.empty() || sketch == c.esempio || sketch == kSketchTutti)
        return;
    platform::dialoghi().messaggio(avvisosketch(c, sketch, link::nomeporta));
}

}  // namespace

bool avviacomando(const Comando& c) {
    switch (c.azione) {
        case Azione::Esperimento:
            chiedichi(c);
            avviaesperimento(c.codice, std::string(c.testata), std::string(c.maschera));
            avvisasesbagliata(c);
            return true;
        case Azione::EsperimentoSchema: {
            std::string percorso = platform::resolvePath(c.fileschema).string();
            try {
                schemes::caricaschema(percorso, c.fileschema);
            } catch (const schemes::ErroreFile& e) {
                platform::dialoghi().errore(e.what());
                return false;
            }
            if (c.sovrapposizione) {
                if (!vistacorrente().preparaSchema()) return false;
                if (c.divididopo) schemes::dividitestata();
            }
            chiedichi(c);
            avviaesperimento(c.codice, schema().testata, schema().mascheratipo);
            avvisasesbagliata(c);
            return true;
        }
        case Azione::Utente: {
            // Its frame is as long as the header it reads with, whatever was
            // started before: the board sends six characters a field of it.
            const std::string& testata = schema().testata;
            if (testata.size() < schemes::kCaratteriCampo) {
                platform::dialoghi().messaggio(kUtenteSenzaTestata);
                return false;
            }
            chiedichi(c);
            corsadatestata(c.codice, testata, schema().mascheratipo, &c);
            avviaacquisizione();
            avvisasesbagliata(c);
            return true;
        }
        default:
            return false;
    }
}

void fine() {
    fermaacquisizione();
    vistacorrente().svuotaPannelli();
}

void chiedointervallo() {
    auto risposta = platform::dialoghi().input("", "intervallo di acquisizione in secondi", "2");
    std::string testo = risposta.value_or("2");
    // Italian keyboards write a decimal comma: it is taken as the point.
    std::replace(testo.begin(), testo.end(), ',', '.');
    auto numero = schemes::leggireale(testo);
    if (!numero) return;
    double secondi = std::trunc(*numero);
    if (!(secondi >= 0 && secondi <= kMaxIntervallo)) {
        platform::dialoghi().messaggio("L'intervallo va da 0 a " + std::to_string(kMaxIntervallo) +
                                       " secondi: resta di " + std::to_string(stato.intervallo) +
                                       ".");
        return;
    }
    stato.intervallo = static_cast<int32_t>(secondi);
}

}  // namespace lumetto::acquisition
