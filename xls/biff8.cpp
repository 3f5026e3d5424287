#include "xls/biff8.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <unordered_map>
#include <vector>

#include "xls/errore.h"

namespace lumetto::xls {

namespace {

// Record types.
enum : uint16_t {
    kEOF = 0x000A,
    kCONTINUE = 0x003C,
    kCODEPAGE = 0x0042,
    kWINDOW1 = 0x003D,
    kFONT = 0x0031,
    kFORMAT = 0x041E,
    kBOUNDSHEET = 0x0085,
    kSST = 0x00FC,
    kLABELSST = 0x00FD,
    kEXTSST = 0x00FF,
    kDIMENSIONS = 0x0200,
    kNUMBER = 0x0203,
    kWINDOW2 = 0x023E,
    kSTYLE = 0x0293,
    kXF = 0x00E0,
    kBOF = 0x0809,
};

constexpr std::size_t kMaxDatiRecord = 8224;  // data bytes of one record
constexpr uint16_t kXfCella = 15;             // the General cell XF, after the 15 style XFs
constexpr uint16_t kPrimoFormato = 164;       // the first number format of a workbook's own

class Flusso {
  public:
    std::string b;

    void u8(uint32_t v) { b += static_cast<char>(v & 0xFF); }
    void u16(uint32_t v) {
        u8(v);
        u8(v >> 8);
    }
    void u32(uint32_t v) {
        u16(v & 0xFFFF);
        u16(v >> 16);
    }
    void f64(double v) {
        auto bit = std::bit_cast<uint64_t>(v);
        u32(static_cast<uint32_t>(bit));
        u32(static_cast<uint32_t>(bit >> 32));
    }
    void intestazione(uint16_t tipo, std::size_t lunghezza) {
        u16(tipo);
        u16(static_cast<uint32_t>(lunghezza));
    }
    void vuoto(uint16_t tipo) { intestazione(tipo, 0); }
    void patch32(std::size_t pos, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            b[pos + static_cast<std::size_t>(i)] = static_cast<char>((v >> (8 * i)) & 0xFF);
    }
    void patch16(std::size_t pos, uint32_t v) {
        b[pos] = static_cast<char>(v & 0xFF);
        b[pos + 1] = static_cast<char>((v >> 8) & 0xFF);
    }
    std::size_t pos() const { return b.size(); }
};

bool compresso(std::u16string_view s) {
    return std::all_of(s.begin(), s.end(), [](char16_t c) { return c <= 0xFF; });
}

void caratteri(Flusso& f, std::u16string_view s, bool stretti) {
    for (char16_t c : s)
        stretti ? f.u8(c) : f.u16(c);
}

void bof(Flusso& f, uint16_t tipo) {
    f.intestazione(kBOF, 16);
    f.u16(0x0600);  // BIFF8
    f.u16(tipo);    // 0x0005 workbook globals, 0x0010 worksheet
    f.u16(0x0DBB);  // build
    f.u16(0x07CC);  // year
    f.u32(0);       // file history
    f.u32(0x0006);  // lowest version that can read all records: BIFF8
}

void font(Flusso& f) {
    constexpr std::u16string_view nome = u"Arial";
    f.intestazione(kFONT, 16 + nome.size());
    f.u16(200);     // 10 points, in twips
    f.u16(0);       // no italic, strike-out, outline, shadow
    f.u16(0x7FFF);  // automatic colour
    f.u16(400);     // normal weight
    f.u16(0);       // no super- or subscript
    f.u8(0);        // no underline
    f.u8(0);        // family
    f.u8(0);        // character set
    f.u8(0);
    f.u8(static_cast<uint32_t>(nome.size()));
    f.u8(0);  // 8-bit characters
    caratteri(f, nome, true);
}

// A number format of the workbook's own, numbered from kPrimoFormato.
void formato(Flusso& f, uint16_t numero, std::u16string_view codice) {
    const bool stretti = compresso(codice);
    f.intestazione(kFORMAT, 5 + codice.size() * (stretti ? 1 : 2));
    f.u16(numero);
    f.u16(static_cast<uint32_t>(codice.size()));
    f.u8(stretti ? 0 : 1);
    caratteri(f, codice, stretti);
}

// Style XFs 0 to 14 (0 is "Normal"), then the General cell XF, then one cell
// XF per number format of the workbook's own.
void xf(Flusso& f, bool stile, uint8_t attributi, uint16_t numeri = 0) {
    f.intestazione(kXF, 20);
    f.u16(0);                        // font 0
    f.u16(numeri);                   // number format, 0 "General"
    f.u16(stile ? 0xFFF5 : 0x0001);  // locked; style XF without parent, or cell XF of style 0
    f.u8(0x20);                      // general alignment, bottom
    f.u8(0);                         // no rotation
    f.u8(0);                         // no indent
    f.u8(attributi);                 // which attribute groups this XF sets
    f.u32(0);                        // no borders
    f.u32(0);                        // border colours
    f.u16(0x20C0);                   // no fill, automatic colours
}

// A sheet as the writer reads it, without copying its cells.
struct Vista {
    const std::u16string& nome;
    const Celle& celle;
    const Formati& formati;
};

void globali(Flusso& f, const std::vector<Vista>& fogli,
             const std::vector<std::u16string_view>& codici, std::vector<std::size_t>& posizioni) {
    bof(f, 0x0005);
    f.intestazione(kCODEPAGE, 2);
    f.u16(1200);  // UTF-16
    f.intestazione(kWINDOW1, 18);
    f.u16(0x0168);  // position and size of the window, in twips
    f.u16(0x001E);
    f.u16(0x4000);
    f.u16(0x2000);
    f.u16(0x0038);  // scroll bars and sheet tabs shown
    f.u16(0);       // active sheet
    f.u16(0);       // first visible tab
    f.u16(1);       // selected sheets
    f.u16(0x0258);  // tab bar width, per mille
    // Readers expect at least five fonts (index 4 is never used).
    for (int i = 0; i < 5; ++i)
        font(f);
    for (std::size_t i = 0; i < codici.size(); ++i)
        formato(f, static_cast<uint16_t>(kPrimoFormato + i), codici[i]);
    xf(f, true, 0x00);
    for (int i = 1; i < 15; ++i)
        xf(f, true, 0xF4);  // these style XFs set only the font
    xf(f, false, 0x00);
    for (std::size_t i = 0; i < codici.size(); ++i)
        xf(f, false, 0x04, static_cast<uint16_t>(kPrimoFormato + i));  // sets the number format
    f.intestazione(kSTYLE, 4);
    f.u16(0x8000);  // built-in style on XF 0
    f.u8(0);        // "Normal"
    f.u8(0xFF);
    for (const Vista& foglio : fogli) {
        const std::u16string& nome = foglio.nome;
        const bool stretti = compresso(nome);
        f.intestazione(kBOUNDSHEET, 8 + nome.size() * (stretti ? 1 : 2));
        posizioni.push_back(f.pos());
        f.u32(0);  // where the sheet's BOF lies: patched once known
        f.u8(0);   // visible
        f.u8(0);   // worksheet
        f.u8(static_cast<uint32_t>(nome.size()));
        f.u8(stretti ? 0 : 1);
        caratteri(f, nome, stretti);
    }
}

// The shared string table, carried on in CONTINUE records past 8224 bytes,
// and its index EXTSST (stream position of every dsst-th string).
class TabellaTesti {
  public:
    explicit TabellaTesti(Flusso& f) : f_(f) {}

    void scrivi(const std::vector<const std::u16string*>& testi, std::size_t usi) {
        const std::size_t unici = testi.size();
        const std::size_t passo = std::max<std::size_t>(8, (unici + 127) / 128);
        apri(kSST);
        f_.u32(static_cast<uint32_t>(usi));
        f_.u32(static_cast<uint32_t>(unici));
        for (std::size_t i = 0; i < unici; ++i) {
            const std::u16string& s = *testi[i];
            const bool stretti = compresso(s);
            const std::size_t larghezza = stretti ? 1 : 2;
            // Length and flags stay in one record with at least one character.
            if (libero() < 3 + larghezza) apri(kCONTINUE);
            if (i % passo == 0) indice_.push_back({f_.pos(), f_.pos() - inizio_});
            f_.u16(static_cast<uint32_t>(s.size()));
            f_.u8(stretti ? 0 : 1);
            std::size_t k = 0;
            while (k < s.size()) {
                if (libero() < larghezza) {
                    // A continued string repeats its flags byte first.
                    apri(kCONTINUE);
                    f_.u8(stretti ? 0 : 1);
                }
                std::size_t quanti = std::min(s.size() - k, libero() / larghezza);
                caratteri(f_, std::u16string_view(s).substr(k, quanti), stretti);
                k += quanti;
            }
        }
        chiudi();
        f_.intestazione(kEXTSST, 2 + 8 * indice_.size());
        f_.u16(static_cast<uint32_t>(passo));
        for (auto [posizione, nelRecord] : indice_) {
            f_.u32(static_cast<uint32_t>(posizione));
            f_.u16(static_cast<uint32_t>(nelRecord));
            f_.u16(0);
        }
    }

  private:
    Flusso& f_;
    std::size_t inizio_ = 0;
    bool aperto_ = false;
    std::vector<std::pair<std::size_t, std::size_t>> indice_;

    std::size_t libero() const { return kMaxDatiRecord - (f_.pos() - inizio_ - 4); }
    void apri(uint16_t tipo) {
        chiudi();
        inizio_ = f_.pos();
        f_.intestazione(tipo, 0);
        aperto_ = true;
    }
    void chiudi() {
        if (aperto_) f_.patch16(inizio_ + 2, static_cast<uint32_t>(f_.pos() - inizio_ - 4));
        aperto_ = false;
    }
};

std::string flusso(const std::vector<Vista>& fogli) {
    if (fogli.empty()) throw Errore("Una cartella di lavoro ha almeno un foglio");
    for (std::size_t i = 0; i < fogli.size(); ++i) {
        const std::u16string& nome = fogli[i].nome;
        if (nome.empty() || nome.size() > 31)
            throw Errore("Il nome del foglio deve avere da 1 a 31 caratteri");
        for (std::size_t j = 0; j < i; ++j)
            if (fogli[j].nome == nome) throw Errore("Due fogli con lo stesso nome");
    }

    // The distinct format codes of the workbook in order of first use, and
    // each range's XF, sheet by sheet.
    std::vector<std::u16string_view> codici;
    std::vector<std::vector<uint16_t>> xfDi(fogli.size());
    for (std::size_t k = 0; k < fogli.size(); ++k)
        for (const FormatoNumeri& g : fogli[k].formati) {
            if (g.codice.empty() || g.codice.size() > kMaxCaratteriFormato)
                throw Errore("Formato di numero non valido (da 1 a " +
                             std::to_string(kMaxCaratteriFormato) + " caratteri)");
            auto it = std::find(codici.begin(), codici.end(), g.codice);
            if (it == codici.end()) {
                if (codici.size() == kMaxFormati)
                    throw Errore("Troppi formati di numero in una cartella");
                it = codici.insert(codici.end(), g.codice);
            }
            xfDi[k].push_back(static_cast<uint16_t>(kXfCella + 1 + (it - codici.begin())));
        }
    // A number cell's XF: the last range of its sheet that holds it, else General.
    auto xfNumero = [&](std::size_t k, Posizione p) {
        const Formati& formati = fogli[k].formati;
        for (std::size_t i = formati.size(); i-- > 0;) {
            const FormatoNumeri& g = formati[i];
            if (p.riga >= g.da.riga && p.riga <= g.a.riga && p.colonna >= g.da.colonna &&
                p.colonna <= g.a.colonna)
                return xfDi[k][i];
        }
        return kXfCella;
    };

    // Texts of the shared table in order of first use; the index of each cell's.
    std::unordered_map<std::u16string_view, uint32_t> numero;
    std::vector<const std::u16string*> testi;
    std::size_t usi = 0, quante = 0;
    for (const Vista& foglio : fogli)
        for (const auto& [p, v] : foglio.celle) {
            ++quante;
            if (p.riga >= kRighe || p.colonna >= kColonne)
                throw Errore("Cella fuori dal foglio (riga " + std::to_string(p.riga + 1) +
                             ", colonna " + std::to_string(p.colonna + 1) + ")");
            if (const auto* s = std::get_if<std::u16string>(&v)) {
                if (s->size() > kMaxCaratteri)
                    throw Errore("Testo di cella troppo lungo (" + std::to_string(s->size()) +
                                 " caratteri, al massimo " + std::to_string(kMaxCaratteri) + ")");
                ++usi;
                if (numero.try_emplace(*s, static_cast<uint32_t>(testi.size())).second)
                    testi.push_back(s);
            } else if (!std::isfinite(std::get<double>(v))) {
                throw Errore("Un numero non finito non può stare in una cella");
            }
        }

    Flusso f;
    f.b.reserve(256 + 14 * quante + 8 * usi);
    std::vector<std::size_t> posizioni;
    globali(f, fogli, codici, posizioni);
    TabellaTesti(f).scrivi(testi, usi);
    f.vuoto(kEOF);

    for (std::size_t k = 0; k < fogli.size(); ++k) {
        const Celle& celle = fogli[k].celle;
        uint32_t rigaMin = kRighe, rigaMax = 0, colonnaMin = kColonne, colonnaMax = 0;
        for (const auto& [p, v] : celle) {
            rigaMin = std::min(rigaMin, p.riga);
            rigaMax = std::max(rigaMax, p.riga);
            colonnaMin = std::min(colonnaMin, p.colonna);
            colonnaMax = std::max(colonnaMax, p.colonna);
        }
        f.patch32(posizioni[k], static_cast<uint32_t>(f.pos()));
        bof(f, 0x0010);
        f.intestazione(kDIMENSIONS, 14);
        if (celle.empty()) {
            f.u32(0), f.u32(0), f.u16(0), f.u16(0);
        } else {
            f.u32(rigaMin), f.u32(rigaMax + 1), f.u16(colonnaMin), f.u16(colonnaMax + 1);
        }
        f.u16(0);
        for (const auto& [p, v] : celle) {
            if (const auto* s = std::get_if<std::u16string>(&v)) {
                f.intestazione(kLABELSST, 10);
                f.u16(p.riga), f.u16(p.colonna), f.u16(kXfCella);
                f.u32(numero.at(*s));
            } else {
                f.intestazione(kNUMBER, 14);
                f.u16(p.riga), f.u16(p.colonna), f.u16(xfNumero(k, p));
                f.f64(std::get<double>(v));
            }
        }
        f.intestazione(kWINDOW2, 18);
        // Grid, headers, zeros, outline symbols shown; the first sheet selected and active.
        f.u16(k == 0 ? 0x06B6 : 0x00B6);
        f.u16(0);   // top row
        f.u16(0);   // left column
        f.u16(64);  // automatic grid colour
        f.u16(0);
        f.u16(0);  // page break preview zoom: default
        f.u16(0);  // normal zoom: default
        f.u32(0);
        f.vuoto(kEOF);
    }
    return std::move(f.b);
}

}  // namespace

std::string flussobiff8(const std::u16string& nomefoglio, const Celle& celle,
                        const Formati& formati) {
    return flusso({Vista{nomefoglio, celle, formati}});
}

std::string flussobiff8(const std::vector<Foglio>& fogli) {
    std::vector<Vista> viste;
    for (const Foglio& f : fogli)
        viste.push_back({f.nome, f.celle, f.formati});
    return flusso(viste);
}

}  // namespace lumetto::xls
