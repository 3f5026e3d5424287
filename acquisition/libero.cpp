// The free stream; see libero.h.
#include "acquisition/libero.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <memory>

#include "acquisition/proprio.h"
#include "link/collegamento.h"
#include "link/letture.h"
#include "link/portalibera.h"
#include "platform/dialoghi.h"
#include "schemes/cp1252.h"
#include "schemes/numeri.h"
#include "schemes/schema.h"

namespace lumetto::acquisition {

namespace {

using Orologio = std::chrono::steady_clock;

// The rates tried, most likely first: the Serial Plotter's sketches mostly
// print at 115200 or at the IDE's default 9600.
constexpr std::array<uint32_t, 5> kOrdineRicerca{115200, 9600, 57600, 38400, 19200};

struct Corsa {
    link::PortaLibera porta;
    link::Flusso flusso;
    std::vector<LetturaLibera> letture;
    Orologio::time_point inizio, ultimo;
    bool attivo = false;
    // The search for the rate.
    bool cercando = false;
    std::size_t tentativo = 0;
    int battiti = 0;  // beats heard at this rate
    bool girocompleto = false;
    std::string ascoltato;
    // The teacher's columns, and where each column the board names goes.
    std::vector<ColonnaEsperimento> attese;
    std::vector<int> mappa;
    // Columns whose decimals follow what the board writes: the most seen,
    // so that the log's points stand one under the other.
    std::vector<bool> decimaliautomatici;
    // Said once a run.
    bool dettosilenzio = false, dettiscarti = false, dettavirgola = false, dettoritmo = false,
         dettimancanti = false;
};

std::unique_ptr<Corsa> corsa;

Corsa& attuale() {
    if (!corsa) corsa = std::make_unique<Corsa>();
    return *corsa;
}

std::string nomeporta() {
    return link::nomeporta.empty() ? std::string("la porta") : link::nomeporta;
}

// Column j of the board's (from 0) in the run's columns; -1 past the 13th.
int colonnadi(Corsa& c, const std::string& nome) {
    const auto stessa = [&](const Colonna& k) { return k.nome == nome; };
    auto it = std::find_if(stato.colonne.begin(), stato.colonne.end(), stessa);
    if (it != stato.colonne.end()) return static_cast<int>(it - stato.colonne.begin());
    // A bare value at position k is the teacher's column k.
    constexpr std::string_view kValore = "valore ";
    if (nome.rfind(kValore, 0) == 0) {
        int k = 0;
        const char* fine = nome.data() + nome.size();
        auto [p, ec] = std::from_chars(nome.data() + kValore.size(), fine, k);
        if (ec == std::errc() && p == fine && k >= 1 && k <= static_cast<int>(c.attese.size()))
            return k - 1;
    }
    if (stato.colonne.size() >= static_cast<std::size_t>(link::kColonne)) return -1;
    stato.colonne.push_back({nome, {}, 0, '1'});
    c.decimaliautomatici.resize(stato.colonne.size(), false);
    c.decimaliautomatici.back() = true;
    return static_cast<int>(stato.colonne.size()) - 1;
}

// The decimals of the shortest text that gives v back (21.5: 1), at most 6.
int decimalidi(double v) {
    char t[32];
    auto [fine, ec] = std::to_chars(t, t + sizeof t, v);
    if (ec != std::errc()) return 0;
    const std::string_view testo(t, static_cast<std::size_t>(fine - t));
    if (testo.find('e') != std::string_view::npos) return 6;
    const auto punto = testo.find('.');
    return punto == std::string_view::npos
               ? 0
               : std::min<int>(6, static_cast<int>(testo.size() - punto - 1));
}

void memorizza(Corsa& c, const link::Esito& e, Orologio::time_point quando) {
    const std::size_t prima = stato.colonne.size();
    const auto& nomi = c.flusso.colonne();
    while (c.mappa.size() < nomi.size())
        c.mappa.push_back(colonnadi(c, nomi[c.mappa.size()]));
    LetturaLibera l;
    l.ms = std::chrono::duration_cast<std::chrono::milliseconds>(quando - c.inizio).count();
    for (std::size_t j = 0; j < c.mappa.size(); ++j) {
        const double v = e.valori[j];
        const int k = c.mappa[j];
        if (k < 0 || std::isnan(v)) continue;
        const auto i = static_cast<std::size_t>(k);
        l.valori[i] = i < c.attese.size() ? c.attese[i].valore(v) : v;
        if (i < c.decimaliautomatici.size() && c.decimaliautomatici[i])
            stato.colonne[i].decimali = std::max(stato.colonne[i].decimali, decimalidi(v));
    }
    c.letture.push_back(l);
    const int r = static_cast<int>(c.letture.size());
    link::numerolettura = r;
    stato.letturemostrate = static_cast<uint16_t>(std::min(r, link::kMaxLetture));
    Vista& v = vistaattuale();
    v.mostraPannelli();
    if (stato.colonne.size() != prima) {
        intestaschema(stato.colonne);
        v.aggiungiTestata(testatapropria(stato.colonne));
    }
    v.didascalia("lettura n:" + schemes::allinea(std::to_string(r), 6));
    v.aggiungiRiga(rigapropria(stato.colonne, r, l.valori.data()));
    memorizzata(r);
    if (r >= kMaxLettureLibere && c.attivo) {
        // Not a box that waits: this runs inside the port's hand-over.
        fermaacquisizione();
        platform::dialoghi().avviso("raggiunto il numero massimo di punti! Le " +
                                    std::to_string(kMaxLettureLibere) +
                                    " letture della corsa sono nell'archivio delle corse.");
    }
}

void leggirighe(Corsa& c, std::string_view dati, Orologio::time_point quando) {
    c.flusso.aggiungi(dati, [&](const link::Esito& e) {
        if (e.tipo == link::Esito::Tipo::lettura && c.attivo) memorizza(c, e, quando);
    });
}

void provabaud(Corsa& c, std::size_t tentativo) {
    c.tentativo = tentativo % kOrdineRicerca.size();
    if (tentativo >= kOrdineRicerca.size()) c.girocompleto = true;
    c.battiti = 0;
    c.ascoltato.clear();
    c.porta.cambiabaud(kOrdineRicerca[c.tentativo]);
}

// The bytes heard while looking for the rate.
void ascolta(Corsa& c, std::string_view dati, Orologio::time_point quando) {
    // Enough to judge, and never more: a flood at a wrong rate is noise.
    constexpr std::size_t kMassimo = 4096;
    c.ascoltato.append(dati.substr(0, kMassimo - std::min(kMassimo, c.ascoltato.size())));
    switch (link::valutaascolto(c.ascoltato)) {
        case link::Ascolto::testo: {
            c.cercando = false;
            // What was heard is the run's first lines; the first may be cut.
            c.flusso.saltaprima();
            std::string udito = std::move(c.ascoltato);
            c.ascoltato.clear();
            vistaattuale().aggiungiTestata(std::string(kNomeLibero) + " a " +
                                           std::to_string(c.porta.baud()) + " baud");
            leggirighe(c, udito, quando);
            break;
        }
        case link::Ascolto::rumore:
            provabaud(c, c.tentativo + 1);
            break;
        case link::Ascolto::pochi:
            if (c.ascoltato.size() >= kMassimo) provabaud(c, c.tentativo + 1);
            break;
    }
}

}  // namespace

bool avvialibero(uint32_t baud, const MioEsperimento* esperimento,
                 const std::string& fileesperimento) {
    fermaacquisizione();
    corsa = std::make_unique<Corsa>();
    Corsa& c = *corsa;
    stato.codiceesperimento = kCodiceLibero;
    stato.scheda = {};  // nothing is asked of the board
    stato.fileschema.clear();
    stato.fileesperimento = fileesperimento;
    stato.nomeesperimento = esperimento ? esperimento->nome : std::string(kNomeLibero);
    stato.colonne.clear();
    if (esperimento) {
        c.attese = esperimento->colonne;
        stato.colonne = colonnedi(*esperimento);
    }
    stato.lunghezzatestata = 0;
    stato.numerocolonne = static_cast<uint16_t>(stato.colonne.size());
    intestaschema(stato.colonne);

    Vista& v = vistaattuale();
    v.svuotaPannelli();
    v.mostraPannelli();
    v.aggiungiTestata(stato.colonne.empty() ? std::string(kNomeLibero) + ": in ascolto"
                                            : testatapropria(stato.colonne));
    c.cercando = baud == 0;
    const uint32_t primo = c.cercando ? kOrdineRicerca.front() : baud;
    link::nomeporta = link::portascelta();
    auto arrivo = [](std::string_view dati) { ricevilibero(dati, Orologio::now()); };
    if (!c.porta.apri(link::nomeporta, primo, arrivo)) {
        corsa.reset();
        platform::dialoghi().messaggio("Arduino non collegato!!");
        return false;
    }
    c.inizio = c.ultimo = Orologio::now();
    c.attivo = true;
    avviaacquisizione();
    v.impostaTimer(true, kBattitoMs);
    return true;
}

void ricevilibero(std::string_view dati, Orologio::time_point quando) {
    if (!corsa || !corsa->attivo) return;
    Corsa& c = *corsa;
    c.ultimo = quando;
    if (c.cercando) {
        ascolta(c, dati, quando);
    } else {
        leggirighe(c, dati, quando);
    }
}

void battitolibero() {
    if (!corsa || !corsa->attivo) return;
    Corsa& c = *corsa;
    // Leftovers the hand-over has not brought yet (none, normally).
    c.porta.leggi();
    if (!corsa || !c.attivo) return;
    if (c.cercando) {
        // The first rate waits for the board's reset (its bootloader keeps
        // it quiet for up to two seconds after the port opens).
        const int attesa = c.tentativo == 0 && !c.girocompleto ? 3 : 2;
        if (++c.battiti < attesa) return;
        if (c.tentativo + 1 == kOrdineRicerca.size() && !c.dettoritmo) {
            c.dettoritmo = true;
            platform::dialoghi().avviso(
                "La scheda su " + nomeporta() +
                " non manda righe di testo a nessuna velocità (da 9600 a 115200 baud): è "
                "collegata, e il suo sketch scrive con Serial.println? L'ascolto continua.");
        }
        provabaud(c, c.tentativo + 1);
        return;
    }
    const auto zitto =
        std::chrono::duration_cast<std::chrono::milliseconds>(Orologio::now() - c.ultimo);
    if (zitto.count() >= kSilenzioMs && !c.dettosilenzio) {
        c.dettosilenzio = true;
        platform::dialoghi().avviso("La scheda su " + nomeporta() + " non manda nulla da " +
                                    std::to_string(zitto.count() / 1000) +
                                    " secondi: l'acquisizione aspetta le sue righe.");
    }
    const link::ContoFlusso& conto = c.flusso.conto();
    if (conto.scartate() > 0 && !c.dettiscarti) {
        c.dettiscarti = true;
        platform::dialoghi().avviso(link::testoscarti(conto));
    }
    if (conto.mancanti > 0 && !c.dettimancanti) {
        c.dettimancanti = true;
        platform::dialoghi().avviso(link::testomancanti(conto));
    }
    if (conto.virgole > 0 && !c.dettavirgola) {
        c.dettavirgola = true;
        platform::dialoghi().avviso(link::testovirgola(conto));
    }
}

void fermalibero() {
    if (!corsa) return;
    corsa->attivo = false;
    corsa->porta.chiudi();
}

bool liberoattivo() {
    return corsa && corsa->attivo;
}

const std::vector<LetturaLibera>& letturelibere() {
    return attuale().letture;
}

uint32_t baudlibero() {
    return corsa && !corsa->cercando ? corsa->porta.baud() : 0;
}

namespace {

// Characters of a Windows-1252 text as the log shows them: one a byte.
std::size_t larghezza(const Colonna& c) {
    return std::max<std::size_t>(8, schemes::cp1252dautf8(titolocolonna(c)).size() + 2);
}

std::string testovalore(const Colonna& c, double v) {
    if (std::isnan(v)) return {};
    if (c.decimali >= 0) return schemes::scrivireale(v, c.decimali, 0);
    char t[32];
    auto [fine, ec] = std::to_chars(t, t + sizeof t, v, std::chars_format::general, 6);
    return ec == std::errc() ? std::string(t, fine) : std::string("?");
}

constexpr schemes::Rgb kNero{0, 0, 0};
constexpr std::string_view kPrefisso = "lettura ";

}  // namespace

std::string testatapropria(const std::vector<Colonna>& colonne) {
    std::string t(kPrefisso);
    for (const Colonna& c : colonne)
        t += schemes::allinea(schemes::cp1252dautf8(titolocolonna(c)), larghezza(c));
    return t;
}

Riga rigapropria(const std::vector<Colonna>& colonne, int r, const double* valori) {
    Riga riga;
    riga.push_back({schemes::allinea(std::to_string(r), kPrefisso.size() - 2) + "  ", kNero});
    for (std::size_t j = 0; j < colonne.size() && j < static_cast<std::size_t>(link::kColonne); ++j)
        riga.push_back(
            {schemes::allinea(testovalore(colonne[j], valori[j]), larghezza(colonne[j])), kNero});
    return riga;
}

void azzeralibero() {
    corsa.reset();
}

}  // namespace lumetto::acquisition
