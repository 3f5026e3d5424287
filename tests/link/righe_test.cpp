// The free stream: lines cut from bytes in any chunking, lines read into the
// run's columns, what the user is told, and the listen that finds the baud.
#include "link/righe.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

using namespace lumetto::link;
using namespace std::string_literals;

namespace {

const double NaN = std::nan("");

struct RigaAttesa {
    std::string testo;
    Scarto scarto = Scarto::nessuno;
    bool operator==(const RigaAttesa&) const = default;
};

std::ostream& operator<<(std::ostream& o, const RigaAttesa& r) {
    return o << '"' << r.testo << "\"/" << static_cast<int>(r.scarto);
}

// The lines `pezzi` give when fed one after the other.
std::vector<RigaAttesa> taglia(Righe& r, const std::vector<std::string>& pezzi) {
    std::vector<RigaAttesa> v;
    for (const auto& p : pezzi)
        r.aggiungi(p, [&](const Righe::Riga& x) { v.push_back({std::string(x.testo), x.scarto}); });
    return v;
}

std::vector<std::string> byteperbyte(const std::string& s) {
    std::vector<std::string> v;
    for (char c : s)
        v.emplace_back(1, c);
    return v;
}

}  // namespace

TEST(Righe, LinesComeOutWholeHoweverTheBytesAreCut) {
    const std::string lunga(kMaxRiga, 'x');
    struct Caso {
        const char* nome;
        std::vector<std::string> pezzi;
        std::vector<RigaAttesa> righe;
        std::size_t inattesa = 0;  // bytes of the unfinished line held at the end
        bool saltaprima = false;
    } casi[] = {
        {"LF", {"temp:21.5\nluce:4", "3\n"}, {{"temp:21.5"}, {"luce:43"}}},
        {"CR LF is one line end", {"1,2\r\n3,4\r\n"}, {{"1,2"}, {"3,4"}}},
        {"CR LF split between chunks", {"1,2\r", "\n3,4\r", "\n"}, {{"1,2"}, {"3,4"}}},
        {"CR alone", {"1,2\r3,4\r5"}, {{"1,2"}, {"3,4"}}, 1},
        {"an empty line is a line", {"1\n\n2\r\n\r\n"}, {{"1"}, {""}, {"2"}, {""}}},
        {"an unfinished line waits", {"temp:21.5\ntemp:2"}, {{"temp:21.5"}}, 6},
        {"4096 bytes are a line", {lunga + "\r\n"}, {{lunga}}},
        {"4097 are too long, dropped to their line end",
         {lunga, "yy\r", "\nok\n"},
         {{lunga, Scarto::troppolunga}, {"ok"}}},
        {"an endless line holds 4096 bytes", {lunga, lunga, lunga}, {}, kMaxRiga},
        {"NUL",
         {"ok\n1,\0"
          "2\n"s},
         {{"ok"},
          {"1,\0"
           "2"s,
           Scarto::rumore}}},
        {"tab and UTF-8 are text", {"temp [°C]\tè\n"}, {{"temp [°C]\tè"}}},
        {"control character",
         {"ok\n1\x07"
          "2\n"},
         {{"ok"},
          {"1\x07"
           "2",
           Scarto::rumore}}},
        {"DEL", {"ok\n1\x7f\n"}, {{"ok"}, {"1\x7f", Scarto::rumore}}},
        {"C1 control", {"ok\n1\xc2\x85\n"}, {{"ok"}, {"1\xc2\x85", Scarto::rumore}}},
        {"stray continuation byte",
         {"ok\n\x80"
          "1\n"},
         {{"ok"},
          {"\x80"
           "1",
           Scarto::rumore}}},
        {"overlong", {"ok\n\xc0\xaf\n"}, {{"ok"}, {"\xc0\xaf", Scarto::rumore}}},
        {"surrogate", {"ok\n\xed\xa0\x80\n"}, {{"ok"}, {"\xed\xa0\x80", Scarto::rumore}}},
        {"cut short by the line end", {"ok\n1\xe2\x82\n"}, {{"ok"}, {"1\xe2\x82", Scarto::rumore}}},
        // Only at the start of the stream: the same bytes later are noise.
        {"stray bytes as the port opens",
         {"\xf0\0tempo,luce\n\xf0\0"
          "1\n"s},
         {{"tempo,luce"},
          {"\xf0\0"
           "1"s,
           Scarto::rumore}}},
        {"saltaprima drops the cut line", {"mp:21.5\r", "\ntemp:22\n"}, {{"temp:22"}}, 0, true},
    };
    for (const auto& c : casi) {
        std::string tutto;
        for (const auto& p : c.pezzi)
            tutto += p;
        for (const auto& pezzi : {c.pezzi, {tutto}, byteperbyte(tutto)}) {
            Righe r;
            if (c.saltaprima) r.saltaprima();
            EXPECT_EQ(taglia(r, pezzi), c.righe) << c.nome << ", in " << pezzi.size() << " pieces";
            EXPECT_EQ(r.inattesa(), c.inattesa) << c.nome;
            EXPECT_LE(r.capienza(), kMaxRiga + 32) << c.nome;
        }
    }
}

namespace {

// The counters that are not zero, lines read apart: "letture 2, mancanti 1".
std::string contati(const ContoFlusso& c) {
    std::string s;
    auto voce = [&](const char* nome, int64_t n) {
        if (n == 0) return;
        if (!s.empty()) s += ", ";
        s += std::string(nome) + " " + std::to_string(n);
    };
    voce("letture", c.letture);
    voce("intestazioni", c.intestazioni);
    voce("troppolunghe", c.troppolunghe);
    voce("rumore", c.rumore);
    voce("illeggibili", c.illeggibili);
    voce("mancanti", c.mancanti);
    voce("oltre", c.oltrecolonne);
    voce("ripetuti", c.ripetuti);
    voce("virgole", c.virgole);
    return s;
}

char lettera(Esito::Tipo t) {
    switch (t) {
        case Esito::Tipo::intestazione:
            return 'I';
        case Esito::Tipo::lettura:
            return 'L';
        case Esito::Tipo::scartata:
            return 'S';
        default:
            return '?';
    }
}

// Equal to the bit: NaN with NaN, -0.5 not 0.5, 21.5 not 21.499999.
bool stesso(double a, double b) {
    if (std::isnan(a) || std::isnan(b)) return std::isnan(a) && std::isnan(b);
    return a == b && std::signbit(a) == std::signbit(b);
}

}  // namespace

TEST(Flusso, LinesBecomeReadingsInTheRunsColumns) {
    std::string quattordici;
    for (int i = 1; i <= 14; ++i)
        quattordici += std::to_string(i) + (i < 14 ? "," : "\n");
    struct Caso {
        const char* nome;
        std::string byte;   // what the board prints
        std::string esiti;  // per line that is not blank: Intestazione, Lettura, Scartata
        std::vector<std::string> colonne;
        std::vector<double> ultima;  // the last reading, by column
        std::string conto;
        std::string prima = "";  // the first dropped line as quoted
    } casi[] = {
        {"Serial Plotter labels",
         "temp:21.5,luce:43\r\n",
         "L",
         {"temp", "luce"},
         {21.5, 43},
         "letture 1"},
        {"bare values by blanks",
         "1.5  2 3\n",
         "L",
         {"valore 1", "valore 2", "valore 3"},
         {1.5, 2, 3},
         "letture 1"},
        {"bare values by tabs",
         "1.5\t2\t\t3\n",
         "L",
         {"valore 1", "valore 2", "valore 3"},
         {1.5, 2, 3},
         "letture 1"},
        {"signs, points, exponents",
         "+2 .5 -1.5e3 5.\n",
         "L",
         {"valore 1", "valore 2", "valore 3", "valore 4"},
         {2, 0.5, -1500, 5},
         "letture 1"},
        {"blanks around ':'",
         "temp : 21.5   luce:  43 umid :7\n",
         "L",
         {"temp", "luce", "umid"},
         {21.5, 43, 7},
         "letture 1"},
        {"blanks inside a label",
         "temp esterna:21.5, luce:43\n",
         "L",
         {"temp esterna", "luce"},
         {21.5, 43},
         "letture 1"},
        {"a label of any length, UTF-8",
         "temperatura dell'acqua [°C]:21.5\n",
         "L",
         {"temperatura dell'acqua [°C]"},
         {21.5},
         "letture 1"},
        {"a missing value",
         "1,2,3\n4,5\n",
         "LL",
         {"valore 1", "valore 2", "valore 3"},
         {4, 5, NaN},
         "letture 2"},
        {"an extra value",
         "1,2\n1,2,3\n",
         "LL",
         {"valore 1", "valore 2", "valore 3"},
         {1, 2, 3},
         "letture 2"},
        {"an empty field",
         "1,,3\n",
         "L",
         {"valore 1", "valore 2", "valore 3"},
         {1, NaN, 3},
         "letture 1, mancanti 1"},
        {"a comma after the last value",
         "1,2,\n",
         "L",
         {"valore 1", "valore 2"},
         {1, 2},
         "letture 1"},
        {"nan", "temp:nan,luce:43\n", "L", {"temp", "luce"}, {NaN, 43}, "letture 1, mancanti 1"},
        {"inf, -inf, ovf, past a double",
         "a:inf,b:-inf,c:ovf,d:1e400,e:-1e-400\n",
         "L",
         {"a", "b", "c", "d", "e"},
         {NaN, NaN, NaN, NaN, -0.0},
         "letture 1, mancanti 4"},
        {"exponents past any double",
         "a:1e99999999999999999999,b:1e-99999999999999999999,c:0.0000e999\n",
         "L",
         {"a", "b", "c"},
         {NaN, 0, 0},
         "letture 1, mancanti 1"},
        {"a labelled word is missing",
         "stato:acceso,temp:21.5\n",
         "L",
         {"stato", "temp"},
         {NaN, 21.5},
         "letture 1, mancanti 1"},
        {"decimal comma between labels",
         "temp:21,5,luce:43,07\n",
         "L",
         {"temp", "luce"},
         {21.5, 43.07},
         "letture 1, virgole 2"},
        {"decimal comma of a negative zero",
         "temp:-0,5\n",
         "L",
         {"temp"},
         {-0.5},
         "letture 1, virgole 1"},
        {"digits after a labelled number, unlabelled ones after",
         "x:1,2,3\n",
         "L",
         {"x", "valore 2", "valore 3"},
         {1, 2, 3},
         "letture 1"},
        {"digits after a number that is not whole",
         "x:21.0,5\n",
         "L",
         {"x", "valore 2"},
         {21, 5},
         "letture 1"},
        {"decimal comma in an Italian CSV",
         "21,5;43\n",
         "L",
         {"valore 1", "valore 2"},
         {21.5, 43},
         "letture 1, virgole 1"},
        {"names, then bare values",
         "tempo,luce,temp\r\n0,512,21.5\r\n1,,21.6\r\n",
         "ILL",
         {"tempo", "luce", "temp"},
         {1, NaN, 21.6},
         "letture 2, intestazioni 1, mancanti 1"},
        {"names with blanks in an Italian CSV",
         "tempo (s);temp esterna\n0;-1,5\n",
         "IL",
         {"tempo (s)", "temp esterna"},
         {0, -1.5},
         "letture 1, intestazioni 1, virgole 1"},
        {"names by blanks",
         "tempo luce\n1 2 3\n",
         "IL",
         {"tempo", "luce", "valore 3"},
         {1, 2, 3},
         "letture 1, intestazioni 1"},
        {"later names rename positions",
         "a,b\n1,2\nc,d\n3,4\n",
         "ILIL",
         {"a", "b", "c", "d"},
         {NaN, NaN, 3, 4},
         "letture 2, intestazioni 2"},
        {"a label that changes halfway",
         "temp:21\ntemperatura:22\n",
         "LL",
         {"temp", "temperatura"},
         {NaN, 22},
         "letture 2"},
        {"labelled and bare in one line",
         "5,luce:43\n",
         "L",
         {"valore 1", "luce"},
         {5, 43},
         "letture 1"},
        {"a 14th column",
         quattordici,
         "L",
         {"valore 1", "valore 2", "valore 3", "valore 4", "valore 5", "valore 6", "valore 7",
          "valore 8", "valore 9", "valore 10", "valore 11", "valore 12", "valore 13"},
         {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13},
         "letture 1, oltre 1"},
        {"the same label twice keeps the first",
         "a:1,a:2\n",
         "L",
         {"a"},
         {1},
         "letture 1, ripetuti 1"},
        {"words among numbers",
         "temp:1\nTemperatura = 21.5 C\nLuce: 43 lux\n",
         "LSS",
         {"temp"},
         {1},
         "letture 1, illeggibili 2",
         "Temperatura = 21.5 C"},
        {"a label without a value", "temp:\n", "S", {}, {}, "illeggibili 1", "temp:"},
        {"empty lines and blanks say nothing",
         "\r\n  \t \n1\n\n",
         "L",
         {"valore 1"},
         {1},
         "letture 1"},
        {"binary noise",
         "1\n\x01\x02\xff\xfe\n2\n",
         "LSL",
         {"valore 1"},
         {2},
         "letture 2, rumore 1",
         "\uFFFD\uFFFD\uFFFD\uFFFD"},
        {"a line over 4 KiB",
         std::string(5000, '7') + "\n8\n",
         "SL",
         {"valore 1"},
         {8},
         "letture 1, troppolunghe 1",
         std::string(40, '7') + "…"},
    };
    for (const auto& c : casi) {
        Flusso f;
        std::string esiti;
        Esito ultima;
        f.aggiungi(c.byte, [&](const Esito& e) {
            esiti += lettera(e.tipo);
            if (e.tipo == Esito::Tipo::lettura) ultima = e;
        });
        EXPECT_EQ(esiti, c.esiti) << c.nome;
        EXPECT_EQ(f.colonne(), c.colonne) << c.nome;
        for (std::size_t j = 0; j < kColonne; ++j) {
            const double atteso = j < c.ultima.size() ? c.ultima[j] : NaN;
            EXPECT_TRUE(stesso(ultima.valori[j], atteso))
                << c.nome << ": column " << j << " is " << ultima.valori[j] << ", not " << atteso;
        }
        EXPECT_EQ(contati(f.conto()), c.conto) << c.nome;
        EXPECT_EQ(f.conto().righe,
                  f.conto().letture + f.conto().intestazioni + f.conto().scartate())
            << c.nome;
        EXPECT_EQ(f.conto().primascartata, c.prima) << c.nome;
    }
}

TEST(Flusso, TheUserIsToldOnceWhatWasDropped) {
    // Each counter set by a function: GCC 12 at -O3 takes an aggregate of
    // counters with a string in a table for uninitialised (a false
    // -Wmaybe-uninitialized).
    struct Caso {
        void (*imposta)(ContoFlusso&);
        std::string scarti, mancanti, virgola;
    } casi[] = {
        {[](ContoFlusso& k) {
             k.righe = 10;
             k.letture = 10;
             k.primascartata = "";
         },
         "", "", ""},
        {[](ContoFlusso& k) {
             k.troppolunghe = 3;
             k.illeggibili = 9;
             k.primascartata = "Temperatura = 21.5 C";
         },
         "12 righe scartate: 3 troppo lunghe, 9 illeggibili (la prima: \"Temperatura = 21.5 C\")",
         "", ""},
        {[](ContoFlusso& k) {
             k.rumore = 1;
             k.primascartata = "\uFFFD1";
         },
         "1 riga scartata: 1 con caratteri non di testo (la prima: \"\uFFFD1\")", "", ""},
        {[](ContoFlusso& k) {
             k.illeggibili = 1;
             k.oltrecolonne = 4;
             k.ripetuti = 1;
             k.primascartata = "x";
         },
         "1 riga scartata: 1 illeggibile (la prima: \"x\"); 5 valori scartati: 4 oltre le 13 "
         "colonne, 1 ripetuto nella stessa riga",
         "", ""},
        {[](ContoFlusso& k) {
             k.oltrecolonne = 1;
             k.primascartata = "";
         },
         "1 valore scartato: 1 oltre le 13 colonne", "", ""},
        {[](ContoFlusso& k) {
             k.mancanti = 1;
             k.virgole = 1;
             k.primascartata = "";
         },
         "", "1 valore mancante (nan, inf, campo vuoto o non numerico), lasciato vuoto",
         "1 valore scritto con la virgola decimale (21,5 invece di 21.5), letto come decimale"},
        {[](ContoFlusso& k) {
             k.mancanti = 7;
             k.virgole = 2;
             k.primascartata = "";
         },
         "", "7 valori mancanti (nan, inf, campi vuoti o non numerici), lasciati vuoti",
         "2 valori scritti con la virgola decimale (21,5 invece di 21.5), letti come decimali"},
    };
    for (const auto& c : casi) {
        ContoFlusso conto;
        c.imposta(conto);
        EXPECT_EQ(testoscarti(conto), c.scarti);
        EXPECT_EQ(testomancanti(conto), c.mancanti);
        EXPECT_EQ(testovirgola(conto), c.virgola);
    }
}

namespace {

// What a UART listening at `ascolto` baud hears for `secondi` of a board that
// prints `righe` over and over at `invio` baud, resting `pausa` seconds after
// each line. Both sides 8N1; the receiver samples 16 times a bit, as a 16550
// does. A frame whose stop bit is low still gives its byte (the port checks
// neither parity nor framing); all low, a break, gives one NUL. A board that
// rests between lines is joined in the middle of one; one that never rests
// starts printing just after the listen (opening the port resets it): joined
// in the middle of a back-to-back stream, a UART can keep a wrong start bit
// at the right baud too.
std::string ascolta(const std::vector<std::string>& righe, int invio, int ascolto, double pausa,
                    double secondi) {
    const double inizio = pausa > 0 ? 0.0123 : 0;
    std::vector<bool> linea;  // the level, one entry per bit at `invio`
    if (pausa == 0) linea.assign(static_cast<std::size_t>(0.005 * invio), true);
    const auto quanti = static_cast<std::size_t>((inizio + secondi) * invio) + 16;
    for (std::size_t r = 0; linea.size() < quanti; ++r) {
        for (unsigned char b : righe[r % righe.size()]) {
            linea.push_back(false);
            for (int k = 0; k < 8; ++k)
                linea.push_back((b >> k) & 1);
            linea.push_back(true);
        }
        linea.insert(linea.end(), static_cast<std::size_t>(pausa * invio), true);
    }
    auto livello = [&](double t) {
        const auto i = static_cast<std::size_t>(t * invio);
        return i >= linea.size() || linea[i];
    };
    const double passo = 1.0 / (16.0 * ascolto);
    const auto fine = static_cast<long>(secondi / passo);
    std::string sentito;
    bool rottura = false;
    for (long n = 0; n < fine; ++n) {
        const double t = inizio + static_cast<double>(n) * passo;
        if (livello(t)) {
            rottura = false;
            continue;
        }
        if (rottura) continue;  // after a break, the line must rise first
        const double mezzo = t + 7.5 * passo;
        if (livello(mezzo)) continue;  // a glitch, not a start bit
        unsigned b = 0;
        for (int k = 0; k < 8; ++k)
            if (livello(mezzo + 16.0 * (k + 1) * passo)) b |= 1u << k;
        const double stop = mezzo + 16.0 * 9 * passo;
        rottura = !livello(stop) && b == 0;
        sentito += static_cast<char>(b);
        n = static_cast<long>((stop - inizio) / passo);
    }
    return sentito;
}

std::string numero(double v) {
    char b[32];
    const auto r = std::to_chars(b, b + sizeof b, v);
    return std::string(b, r.ptr);
}

// Lines as three kinds of sketch print them, their numbers changing.
std::vector<std::string> sketch(int tipo) {
    std::vector<std::string> v;
    if (tipo == 2) v.push_back("tempo,luce,temp\r\n");
    uint32_t x = 12345;
    for (int i = 0; i < 50; ++i) {
        x = x * 1103515245u + 12345u;
        const double temp = 18 + (x >> 16) % 80 / 10.0;
        const auto luce = static_cast<int>((x >> 8) % 1024);
        if (tipo == 0)
            v.push_back("temp:" + numero(temp) + ",luce:" + std::to_string(luce) + "\r\n");
        else if (tipo == 1)
            v.push_back(numero(temp) + "\t" + std::to_string(luce) + "\t-3.25\n");
        else
            v.push_back(std::to_string(i * 100) + "," + std::to_string(luce) + "," + numero(temp) +
                        "\r\n");
    }
    return v;
}

}  // namespace

TEST(Ascolto, OnlyTheBaudTheBoardPrintsAtHearsText) {
    const int baud[] = {9600, 19200, 38400, 57600, 115200};
    for (int tipo = 0; tipo < 3; ++tipo) {
        for (double pausa : {0.0, 0.05}) {
            for (int invio : baud) {
                for (int ascolto : baud) {
                    const std::string sentito = ascolta(sketch(tipo), invio, ascolto, pausa, 0.3);
                    const Ascolto a = valutaascolto(sentito);
                    const std::string caso = "sketch " + std::to_string(tipo) + ", pause " +
                                             numero(pausa) + ", sent at " + std::to_string(invio) +
                                             ", heard at " + std::to_string(ascolto);
                    if (invio == ascolto)
                        EXPECT_EQ(a, Ascolto::testo) << caso << ": " << sentito.substr(0, 200);
                    else
                        EXPECT_NE(a, Ascolto::testo) << caso << ": " << sentito.substr(0, 200);
                }
            }
        }
    }
}

TEST(Ascolto, NoiseSilenceAndHalfALine) {
    std::string casuali;
    uint32_t x = 7;
    for (int i = 0; i < 2000; ++i) {
        x = x * 1664525u + 1013904223u;
        casuali += static_cast<char>(x >> 24);
    }
    std::string grigio;  // printable garbage, never a line end: a line that never ends
    for (int i = 0; i < 3 * static_cast<int>(kMaxRiga); ++i)
        grigio += static_cast<char>('!' + i % 90);
    struct Caso {
        const char* nome;
        std::string dati;
        Ascolto atteso;
    } casi[] = {
        {"random bytes", casuali, Ascolto::rumore},
        {"printable, with no line end", grigio, Ascolto::rumore},
        {"silence", "", Ascolto::pochi},
        {"half a line", "p:21.5,luce:4", Ascolto::pochi},
        {"a line's end, no whole line", "p:21.5,luce:43\r\ntemp:2", Ascolto::pochi},
        {"a whole line", "p:21.5\r\ntemp:21.5,luce:43\r\nte", Ascolto::testo},
        {"a stray byte as the port opens", "\xf8p:21.5\r\ntemp:21.5,luce:43\r\nte", Ascolto::testo},
        {"whole lines of blanks only", "1\n \n\t\n", Ascolto::pochi},
    };
    for (const auto& c : casi)
        EXPECT_EQ(valutaascolto(c.dati), c.atteso) << c.nome;
}
