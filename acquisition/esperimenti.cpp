#include "acquisition/esperimenti.h"

namespace lumetto::acquisition {

// What the plant sketches that drive a heater, a pump or a motor report when
// their sensor fails (the sketches' opening comments say how they find it).
constexpr GuastoSensore kGuastiPI[] = {
    {1, -9999,
     "La sonda LM35 del forno (A0) non dà una temperatura plausibile: è scollegata o guasta. "
     "La scheda ha spento il riscaldatore (D5) e lo riaccende da sola quando la lettura torna "
     "plausibile. Controlla i fili della sonda."}};
constexpr GuastoSensore kGuastiTermostato[] = {
    {1, -9999,
     "La sonda LM35 del termostato (A0) non dà una temperatura plausibile: è scollegata o "
     "guasta. La scheda ha spento il relè della caldaia (D8) e lo riaccende da sola quando la "
     "lettura torna plausibile. Controlla i fili della sonda."}};
constexpr GuastoSensore kGuastiLivello[] = {
    {3, 2,
     "I galleggianti non sono plausibili: il massimo (D3) è chiuso con il minimo (D2) aperto, "
     "oppure nessuno dei due è cambiato con la pompa accesa per più di due minuti. La scheda ha "
     "fermato la pompa (relè su D8). Controlla i galleggianti, i loro fili e la pompa; la pompa "
     "riparte quando un galleggiante cambia, o con il reset della scheda."}};

constexpr GuastoSensore kGuastiCascata[] = {
    {5, -9999,
     "La sonda LM35 della mandata (A0) non dà una temperatura plausibile: è scollegata o "
     "guasta. La scheda ha spento tutte le caldaie (relè su D8, D9, D10, D11) e le riaccende "
     "una alla volta quando la lettura torna plausibile. Controlla i fili della sonda."}};
constexpr GuastoSensore kGuastiClimatica[] = {
    {2, -9999,
     "La sonda LM35 della stanza (A1) non dà una temperatura plausibile: è scollegata o "
     "guasta. La scheda ha spento il riscaldamento (relè su D8) e il condizionatore (relè su "
     "D9) e li riaccende da sola quando la lettura torna plausibile. Controlla i fili della "
     "sonda."},
    {5, -9999,
     "Il sensore di CO2 (A4) non risponde: la sua uscita è sotto 0,3 V, che nessun sensore "
     "alimentato dà. La scheda ha chiuso la finestra (relè del motore su D11 spento) e la "
     "riapre da sola quando la lettura torna plausibile. Controlla i fili e l'alimentazione "
     "del sensore."}};
constexpr GuastoSensore kGuastiSolare[] = {
    {1, -9999,
     "La sonda LM35 del collettore (A0) non dà una temperatura plausibile: è scollegata o "
     "guasta (o il collettore è sotto 1 °C). La scheda ha fermato la pompa di circolazione "
     "(relè su D8) e la fa ripartire da sola quando la lettura torna plausibile. Controlla i "
     "fili della sonda."},
    {2, -9999,
     "La sonda LM35 in basso nel serbatoio (A1) non dà una temperatura plausibile: è "
     "scollegata o guasta. La scheda ha fermato la pompa di circolazione (relè su D8) e la fa "
     "ripartire da sola quando la lettura torna plausibile. Controlla i fili della sonda."},
    {3, -9999,
     "La sonda LM35 in alto nel serbatoio (A2) non dà una temperatura plausibile: è "
     "scollegata o guasta. La scheda ha spento la resistenza di integrazione (relè su D9) e "
     "chiuso la deviatrice (relè su D10); riprendono da sole quando la lettura torna "
     "plausibile. Controlla i fili della sonda."}};
constexpr GuastoSensore kGuastiIrrigazione[] = {
    {1, -9999,
     "La sonda di umidità della zona 1 (A0) legge un terreno più secco di qualsiasi terreno: "
     "è fuori dalla terra o ha il filo di GND staccato. La scheda ha chiuso l'elettrovalvola "
     "della zona 1 (relè su D9), e la pompa (D8) si ferma se l'altra zona non chiede acqua. "
     "Controlla la sonda; la zona riparte da sola quando la lettura torna plausibile."},
    {2, -9999,
     "La sonda di umidità della zona 2 (A1) legge un terreno più secco di qualsiasi terreno: "
     "è fuori dalla terra o ha il filo di GND staccato. La scheda ha chiuso l'elettrovalvola "
     "della zona 2 (relè su D10), e la pompa (D8) si ferma se l'altra zona non chiede acqua. "
     "Controlla la sonda; la zona riparte da sola quando la lettura torna plausibile."}};
constexpr GuastoSensore kGuastiMotore[] = {
    {1, -9999,
     "Il motore è spinto a più di metà potenza ma il sensore ottico (D2) non conta nessuna "
     "fessura: il sensore è scollegato, il disco non gira con l'albero o il motore è bloccato. "
     "La scheda ha spento il motore (D5). Controlla il sensore e il motore, poi riporta a zero "
     "la manopola del set point (A0), o premi il reset della scheda, per farlo ripartire."}};

const std::vector<Comando>& comandi() {
    using A = Azione;
    constexpr const char* kClimatica = "c:\\lavoro\\arduino\\climatica.sca";
    constexpr const char* kSolare = "c:\\lavoro\\arduino\\solare.sca";
    constexpr const char* kIrrigazione = "c:\\lavoro\\arduino\\irrigazione.sca";
    static const std::vector<Comando> tabella = {
        {.controllo = "Button2",
         .didascalia = "Regolazione PI ",
         .gestore = "ricevodati",
         .azione = A::Esperimento,
         .codice = 1,
         .lettera = 'E',
         .testata = "temp..set...scost.banda.tempo.azp...azi...azt...",
         .maschera = "11111111",
         .unita = "°C|°C|°C|°C|s|%|%|%",
         .sketch = "pi",
         .esempio = "RegolazionePI",
         .guasti = kGuastiPI},
        {.controllo = "BitBtn6",
         .didascalia = "regolazione climatica",
         .gestore = "coster",
         .azione = A::EsperimentoSchema,
         .codice = 5,
         .lettera = 'C',
         .fileschema = kClimatica,
         .sovrapposizione = true,
         .divididopo = true,
         .sketch = "climatica",
         .esempio = "Climatica",
         .guasti = kGuastiClimatica},
        {.controllo = "BitBtn7",
         .didascalia = "impianto solare",
         .gestore = "impiantosolare",
         .azione = A::EsperimentoSchema,
         .codice = 6,
         .lettera = 'D',
         .fileschema = kSolare,
         .sovrapposizione = true,
         .sketch = "solare",
         .esempio = "Solare",
         .guasti = kGuastiSolare},
        {.controllo = "BitBtn15",
         .didascalia = "climatica dati",
         .gestore = "climaticadati",
         .azione = A::EsperimentoSchema,
         .codice = 55,
         .lettera = 'C',
         .fileschema = kClimatica,
         .sketch = "climatica",
         .esempio = "Climatica",
         .guasti = kGuastiClimatica},
        {.controllo = "BitBtn16",
         .didascalia = "solare dati",
         .gestore = "solaredati",
         .azione = A::EsperimentoSchema,
         .codice = 66,
         .lettera = 'D',
         .fileschema = kSolare,
         .sketch = "solare",
         .esempio = "Solare",
         .guasti = kGuastiSolare},
        {.controllo = "BitBtn4",
         .didascalia = "Sonar",
         .gestore = "sonar",
         .azione = A::Esperimento,
         .codice = 3,
         .lettera = 'A',
         .testata = "dist..",
         .maschera = "1",
         .unita = "cm",
         .foglio = "sonar",
         .formato = {true, 0},
         .sketch = "sonar",
         .esempio = "Sonar"},
        {.controllo = "BitBtn9",
         .didascalia = "servo",
         .gestore = "onservo",
         .azione = A::Servo,
         .sketch = "pin",
         .esempio = "StatoPin"},
        {.controllo = "BitBtn14",
         .didascalia = "stato arduino",
         .gestore = "VAITEST",
         .azione = A::StatoArduino,
         .codice = 100,
         .lettera = 'J',
         .sketch = "pin",
         .esempio = "StatoPin"},
        {.controllo = "BitBtn5",
         .didascalia = "stato arduino 2",
         .gestore = "",
         .azione = A::Nessuna},
        {.controllo = "BitBtn17",
         .didascalia = "termostato",
         .gestore = "VAI_termostatto",
         .azione = A::Esperimento,
         .codice = 17,
         .lettera = 'B',
         .testata = "temp....umid..Set...Stato.",
         .maschera = "1112",
         .unita = "°C|%|°C|",
         .sketch = "termostato",
         .esempio = "Termostato",
         .guasti = kGuastiTermostato},
        {.controllo = "BitBtn10",
         .didascalia = "Encoder",
         .gestore = "onforza",
         .azione = A::Esperimento,
         .codice = 21,
         .lettera = 'G',
         .testata = "V1....V2....V3....",
         .maschera = "111",
         .unita = "°|rpm|",
         .foglio = "accelerometro",
         .formato = {true, 3},
         .sketch = "encoder",
         .esempio = "Encoder"},
        {.controllo = "BitBtn12",
         .didascalia = "accelerometro",
         .gestore = "VAI3reali",
         .azione = A::Esperimento,
         .codice = 21,
         .lettera = 'G',
         .testata = "Ax....Ay....Az....",
         .maschera = "111",
         .unita = "g|g|g",
         .foglio = "accelerometro",
         .formato = {true, 3},
         .sketch = "accelerometro",
         .esempio = "Accelerometro"},
        {.controllo = "BitBtn13",
         .didascalia = "Temperature",
         .gestore = "VAIaccelerometro",
         .azione = A::Esperimento,
         .codice = 20,
         .lettera = 'A',
         .testata = "Temp..",
         .maschera = "1",
         .unita = "°C",
         .foglio = "temperature",
         .formato = {true, 1},
         .sketch = "temperatura",
         .esempio = "Temperature"},
        // No letter: its ticks send nothing, and its panes are filled by the
        // pin-state panel, which keeps its lines in the log for it.
        {.controllo = "BitBtn19",
         .didascalia = "6 ingressi analogici",
         .gestore = "VAIvai5analogici",
         .azione = A::Esperimento,
         .codice = 4,
         .testata = "A0....A1....A2....A3....A4....A5....",
         .maschera = "111111",
         .registroinpannello = true,
         .foglio = "sei ingressi analogici",
         .formato = {true, 3},
         .sketch = "pin",
         .esempio = "StatoPin"},
        {.controllo = "BitBtn20",
         .didascalia = "motore+ encoder",
         .gestore = "VAImotore",
         .azione = A::Esperimento,
         .codice = 80,
         .lettera = 'G',
         .testata = "g/m...Set...",
         .maschera = "11",
         .unita = "rpm|rpm",
         .sketch = "motore",
         .esempio = "Motore",
         .guasti = kGuastiMotore},
        {.controllo = "BitBtn22",
         .didascalia = "irrigazione",
         .gestore = "VAIirrigazione",
         .azione = A::EsperimentoSchema,
         .codice = 50,
         .lettera = 'I',
         .fileschema = kIrrigazione,
         .sketch = "irrigazione",
         .esempio = "Irrigazione",
         .guasti = kGuastiIrrigazione},
        {.controllo = "BitBtn21",
         .didascalia = "livellostato",
         .gestore = "VAIlivellostato",
         .azione = A::Esperimento,
         .codice = 70,
         .lettera = 'F',
         .testata = "Min...Max...Pompa.",
         .maschera = "222",
         .sketch = "livello",
         .esempio = "Livellostato",
         .guasti = kGuastiLivello},
        {.controllo = "BitBtn23",
         .didascalia = "pneumatica",
         .gestore = "VAIscada",
         .azione = A::Esperimento,
         .codice = 40,
         .lettera = 'H',
         .testata = "S1A...S1B...S2A...S2B...S3A...S3B...1.....2.....3.....START.STOP..",
         .maschera = "2222222222",
         .sketch = "pneumatica",
         .esempio = "Pneumatica"},
        {.controllo = "BitBtn11",
         .didascalia = "Utente",
         .gestore = "datalogger",
         .azione = A::Utente,
         .codice = 100,
         .lettera = 'J',
         .sketch = "utente",
         .esempio = "Utente"},
        {.controllo = "BitBtn8",
         .didascalia = "cascata",
         .gestore = "VAIvaicascata",
         .azione = A::Esperimento,
         .codice = 7,
         .lettera = 'F',
         .testata = "1.....2.....3.....4.....T.....Set...Delta.E/I....",
         .maschera = "22221112",
         .unita = "||||°C|°C|°C|",
         .sketch = "cascata",
         .esempio = "Cascata",
         .guasti = kGuastiCascata},
        {.controllo = "BitBtn18",
         .didascalia = "irrigazione schema",
         .gestore = "forza1",
         .azione = A::Editor},
        {.controllo = "BitBtn32",
         .didascalia = "livellostato schema",
         .gestore = "",
         .azione = A::Nessuna},
        {.controllo = "BitBtn2", .didascalia = "&Uscita", .gestore = "uscita", .azione = A::Uscita},
        {.controllo = "BitBtn3",
         .didascalia = "->EXCEL",
         .gestore = "aggiorna",
         .azione = A::Excel},
        {.controllo = "Button1",
         .didascalia = "fine acquisizione",
         .gestore = "fine",
         .azione = A::Fine},
        {.controllo = "BitBtn24",
         .didascalia = "intervallo acquisizione",
         .gestore = "chiedointervallo",
         .azione = A::Intervallo},
        {.controllo = "BitBtn25",
         .didascalia = "SCADA",
         .gestore = "datigenerico",
         .azione = A::Editor},
        // Not in the design: below "SCADA", where the hidden scheme buttons stand.
        {.controllo = "BitBtn33",
         .didascalia = "grafico",
         .gestore = "grafico",
         .azione = A::Grafico},
        // Not in the design either: any sketch of the teacher's, below "grafico".
        {.controllo = "BitBtn34",
         .didascalia = "il mio esperimento...",
         .gestore = "mioesperimento",
         .azione = A::MioEsperimento},
        {.controllo = "BitBtn35",
         .didascalia = "esperimento libero",
         .gestore = "esperimentolibero",
         .azione = A::Libero,
         .sketch = "libero",
         .esempio = "Libero"},
    };
    return tabella;
}

const Comando* comando(std::string_view controllo) {
    for (const auto& c : comandi())
        if (c.controllo == controllo) return &c;
    return nullptr;
}

namespace {

bool avvia(const Comando& c) {
    return c.azione == Azione::Esperimento || c.azione == Azione::EsperimentoSchema ||
           c.azione == Azione::Utente;
}

}  // namespace

const Comando* esperimento(int codice, std::string_view testata) {
    if (codice == 0) return nullptr;
    const Comando* primo = nullptr;
    for (const auto& c : comandi()) {
        if (c.codice != codice || !avvia(c)) continue;
        // Two buttons share code 21: the header tells them apart.
        if (!testata.empty() && c.testata == testata) return &c;
        if (!primo) primo = &c;
    }
    return primo;
}

std::optional<char> letteradicodice(int codice) {
    const Comando* c = esperimento(codice);
    if (!c || c->lettera == 0) return std::nullopt;
    return c->lettera;
}

}  // namespace lumetto::acquisition
