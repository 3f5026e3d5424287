#include "acquisition/foglio.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "xls/composto.h"
#include "xls/salvataggio.h"

namespace lumetto::acquisition {

struct Sessione {
    struct Dati {
        std::u16string nome;
        xls::Celle celle;
        xls::Formati formati;
    };
    std::vector<Dati> cartelle;  // one sheet each
    bool chiusa = false;
    bool visibile = true;
    bool avvisi = true;
};

namespace {

std::vector<std::string>* registro = nullptr;

void registra(std::string chiamata) {
    if (registro) registro->push_back(std::move(chiamata));
}

std::string citato(std::string_view t) {
    return "\"" + std::string(t) + "\"";
}

const char* booleano(bool b) {
    return b ? "True" : "False";
}

Sessione& aperta(const std::shared_ptr<Sessione>& s) {
    if (s->chiusa) throw xls::Errore("Il foglio di calcolo è già stato chiuso");
    return *s;
}

Sessione::Dati& cartellaDi(const std::shared_ptr<Sessione>& s, std::size_t i) {
    Sessione& a = aperta(s);
    if (i >= a.cartelle.size()) throw xls::Errore("La cartella di lavoro non esiste più");
    return a.cartelle[i];
}

bool blank(char c) {
    return c == ' ' || c == '\t';
}

bool cifra(char c) {
    return c >= '0' && c <= '9';
}

// The number a text stands for, as the object's conversion rule above says.
std::optional<double> numerodi(std::string_view t) {
    while (!t.empty() && blank(t.front()))
        t.remove_prefix(1);
    while (!t.empty() && blank(t.back()))
        t.remove_suffix(1);
    std::size_t i = 0;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
    const std::size_t inizio = i;
    std::size_t cifre = 0;
    for (; i < t.size() && cifra(t[i]); ++i)
        ++cifre;
    if (i < t.size() && t[i] == '.')
        for (++i; i < t.size() && cifra(t[i]); ++i)
            ++cifre;
    if (cifre == 0) return std::nullopt;
    if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
        ++i;
        if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
        if (i == t.size() || !cifra(t[i])) return std::nullopt;
        while (i < t.size() && cifra(t[i]))
            ++i;
    }
    if (i != t.size()) return std::nullopt;
    // from_chars takes no '+'; the sign is put back afterwards.
    double x = 0;
    auto [fine, errore] =
        std::from_chars(t.data() + inizio, t.data() + t.size(), x, std::chars_format::general);
    if (errore != std::errc{} || fine != t.data() + t.size() || !std::isfinite(x))
        return std::nullopt;  // out of range: stays a text
    if (t[0] == '-') x = -x;
    return x == 0 ? 0.0 : x;  // no negative zero in a cell
}

std::optional<xls::ValoreCella> convertito(const Variante& v) {
    if (const auto* t = std::get_if<std::string>(&v)) {
        if (t->empty()) return std::nullopt;
        if (auto x = numerodi(*t)) return xls::ValoreCella{*x};
        std::u16string u = utf16(*t);
        if (u.size() > xls::kMaxCaratteri)
            throw xls::Errore("Un testo di " + std::to_string(u.size()) +
                              " caratteri non sta in una cella (al massimo " +
                              std::to_string(xls::kMaxCaratteri) + ")");
        return xls::ValoreCella{std::move(u)};
    }
    if (const auto* n = std::get_if<int32_t>(&v)) return xls::ValoreCella{static_cast<double>(*n)};
    if (const auto* x = std::get_if<double>(&v)) {
        if (!std::isfinite(*x))
            throw xls::Errore("Un numero non finito non può stare in una cella");
        return xls::ValoreCella{*x == 0 ? 0.0 : *x};
    }
    return std::nullopt;
}

std::string nomecolonna(uint32_t c) {
    std::string n;
    for (++c; c > 0; c = (c - 1) / 26)
        n.insert(n.begin(), static_cast<char>('A' + (c - 1) % 26));
    return n;
}

std::string riferimento(xls::Posizione p) {
    return nomecolonna(p.colonna) + std::to_string(p.riga + 1);
}

}  // namespace

void impostaregistro(std::vector<std::string>* r) {
    registro = r;
}

std::optional<std::string> nomefoglioerrato(std::string_view nome) {
    const std::u16string u = utf16(nome);
    if (u.empty()) return "il nome è vuoto";
    if (u.size() > 31) return "il nome supera i 31 caratteri";
    if (u.find_first_of(u":\\/?*[]") != std::u16string::npos)
        return "il nome non può contenere : \\ / ? * [ ]";
    if (u.front() == u'\'' || u.back() == u'\'')
        return "il nome non può cominciare o finire con un apostrofo";
    return std::nullopt;
}

std::optional<xls::Posizione> cella(std::string_view t) {
    std::size_t i = 0;
    uint32_t colonna = 0;
    for (; i < t.size() && i < 3; ++i) {
        char c = t[i];
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        if (c < 'A' || c > 'Z') break;
        colonna = colonna * 26 + static_cast<uint32_t>(c - 'A' + 1);
    }
    if (i == 0 || colonna > xls::kColonne) return std::nullopt;
    const std::size_t inizioRiga = i;
    uint32_t riga = 0;
    for (; i < t.size() && cifra(t[i]) && i - inizioRiga < 6; ++i)
        riga = riga * 10 + static_cast<uint32_t>(t[i] - '0');
    if (i == inizioRiga || i != t.size() || t[inizioRiga] == '0' || riga > xls::kRighe)
        return std::nullopt;
    return xls::Posizione{riga - 1, colonna - 1};
}

void Intervallo::Value(const Blocco& blocco) {
    registra("Range.Value = [" + std::to_string(blocco.righe()) + " x " +
             std::to_string(blocco.colonne()) + "]");
    auto& dati = cartellaDi(s_, cartella_);
    const std::size_t righe = a_.riga - da_.riga + 1, colonne = a_.colonna - da_.colonna + 1;
    if (blocco.righe() < righe || blocco.colonne() < colonne)
        throw xls::Errore("Il blocco di valori (" + std::to_string(blocco.righe()) + " x " +
                          std::to_string(blocco.colonne()) + ") non copre l'intervallo " +
                          riferimento(da_) + ":" + riferimento(a_));
    // Converted first, so that a value that cannot land changes nothing.
    std::vector<std::pair<xls::Posizione, std::optional<xls::ValoreCella>>> nuove;
    nuove.reserve(righe * colonne);
    for (std::size_t r = 0; r < righe; ++r)
        for (std::size_t c = 0; c < colonne; ++c)
            nuove.emplace_back(xls::Posizione{da_.riga + static_cast<uint32_t>(r),
                                              da_.colonna + static_cast<uint32_t>(c)},
                               convertito(blocco(r, c)));
    for (auto& [p, v] : nuove) {
        if (v)
            dati.celle.insert_or_assign(p, std::move(*v));
        else
            dati.celle.erase(p);
    }
}

void Intervallo::NumberFormat(std::string_view codice) {
    registra("Range.NumberFormat = " + citato(codice));
    auto& dati = cartellaDi(s_, cartella_);
    const std::u16string u = utf16(codice);
    if (u.empty() || u.size() > xls::kMaxCaratteriFormato)
        throw xls::Errore("Formato di numero non valido: \"" + std::string(codice) + "\"");
    // The same range formatted again replaces its format rather than piling up.
    std::erase_if(dati.formati,
                  [&](const xls::FormatoNumeri& g) { return g.da == da_ && g.a == a_; });
    dati.formati.push_back({da_, a_, u});
}

void Foglio::Name(std::string_view nome) {
    registra("Worksheet.Name = " + citato(nome));
    auto& dati = cartellaDi(s_, cartella_);
    if (auto perche = nomefoglioerrato(nome))
        throw xls::Errore("Nome di foglio non valido \"" + std::string(nome) + "\": " + *perche);
    dati.nome = utf16(nome);
}

std::string Foglio::Name() const {
    return utf8(cartellaDi(s_, cartella_).nome);
}

Intervallo Foglio::Range(std::string_view da, std::string_view a) {
    registra("Worksheet.Range(" + citato(da) + ", " + citato(a) + ")");
    cartellaDi(s_, cartella_);
    auto p = cella(da), q = cella(a);
    if (!p || !q)
        throw xls::Errore("Riferimento di cella non valido: \"" + std::string(p ? a : da) + "\"");
    return Intervallo(s_, cartella_, {std::min(p->riga, q->riga), std::min(p->colonna, q->colonna)},
                      {std::max(p->riga, q->riga), std::max(p->colonna, q->colonna)});
}

std::optional<xls::ValoreCella> Foglio::Cells(int32_t riga, int32_t colonna) const {
    const auto& celle = cartellaDi(s_, cartella_).celle;
    if (riga < 1 || colonna < 1) return std::nullopt;
    auto i = celle.find({static_cast<uint32_t>(riga - 1), static_cast<uint32_t>(colonna - 1)});
    if (i == celle.end()) return std::nullopt;
    return i->second;
}

Foglio Cartella::WorkSheets(int32_t indice) {
    registra("Workbook.WorkSheets(" + std::to_string(indice) + ")");
    cartellaDi(s_, indice_);
    if (indice != 1) throw xls::Errore("Il foglio " + std::to_string(indice) + " non esiste");
    return Foglio(s_, indice_);
}

void Cartella::SaveAs(const std::string& nomefile) {
    registra("Workbook.SaveAs(" + citato(nomefile) + ")");
    const auto& dati = cartellaDi(s_, indice_);
    xls::scrivisostituendo(
        nomefile, xls::filecomposto(xls::flussobiff8(dati.nome, dati.celle, dati.formati)));
}

Cartella Cartelle::Add(int16_t modello) {
    registra("Workbooks.Add(" + std::to_string(modello) + ")");
    Sessione& a = aperta(s_);
    if (modello != xlWBATWorksheet)
        throw xls::Errore("Modello di cartella non disponibile: " + std::to_string(modello));
    a.cartelle.push_back({utf16(kNomeFoglioNuovo), {}, {}});
    return Cartella(s_, a.cartelle.size() - 1);
}

Applicazione::Applicazione() : s_(std::make_shared<Sessione>()) {}

Applicazione::~Applicazione() {
    registra("Release Application");
}

void Applicazione::Visible(bool visibile) {
    registra(std::string("Application.Visible = ") + booleano(visibile));
    aperta(s_).visibile = visibile;
}

Cartelle Applicazione::Workbooks() {
    registra("Application.Workbooks()");
    aperta(s_);
    return Cartelle(s_);
}

Cartella Applicazione::Workbooks(int32_t indice) {
    registra("Application.Workbooks(" + std::to_string(indice) + ")");
    Sessione& a = aperta(s_);
    if (indice < 1 || static_cast<std::size_t>(indice) > a.cartelle.size())
        throw xls::Errore("La cartella di lavoro " + std::to_string(indice) + " non esiste");
    return Cartella(s_, static_cast<std::size_t>(indice - 1));
}

void Applicazione::DisplayAlerts(bool avvisi) {
    registra(std::string("Application.DisplayAlerts = ") + booleano(avvisi));
    aperta(s_).avvisi = avvisi;
}

void Applicazione::Quit() {
    registra("Application.Quit()");
    Sessione& a = aperta(s_);
    a.cartelle.clear();
    a.chiusa = true;
}

std::unique_ptr<Applicazione> creaoggetto(std::string_view identificativo) {
    registra("CreateObject(" + citato(identificativo) + ")");
    if (identificativo != "Excel.Application")
        throw xls::Errore("Oggetto di automazione non disponibile: " + std::string(identificativo));
    return std::unique_ptr<Applicazione>(new Applicazione());
}

std::u16string utf16(std::string_view s) {
    std::u16string r;
    r.reserve(s.size());
    auto b = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    auto segue = [&](std::size_t k) { return k < s.size() && (b(k) & 0xC0) == 0x80; };
    std::size_t i = 0;
    while (i < s.size()) {
        const unsigned char c = b(i);
        char32_t u = 0xFFFD;
        std::size_t n = 1;
        if (c < 0x80) {
            u = c;
        } else if (c >= 0xC2 && c <= 0xDF && segue(i + 1)) {
            u = ((c & 0x1Fu) << 6) | (b(i + 1) & 0x3Fu);
            n = 2;
        } else if (c >= 0xE0 && c <= 0xEF && segue(i + 1) && segue(i + 2)) {
            u = ((c & 0x0Fu) << 12) | ((b(i + 1) & 0x3Fu) << 6) | (b(i + 2) & 0x3Fu);
            n = 3;
            if (u < 0x800 || (u >= 0xD800 && u <= 0xDFFF)) u = 0xFFFD;  // overlong or surrogate
        } else if (c >= 0xF0 && c <= 0xF4 && segue(i + 1) && segue(i + 2) && segue(i + 3)) {
            u = ((c & 0x07u) << 18) | ((b(i + 1) & 0x3Fu) << 12) | ((b(i + 2) & 0x3Fu) << 6) |
                (b(i + 3) & 0x3Fu);
            n = 4;
            if (u < 0x10000 || u > 0x10FFFF) u = 0xFFFD;
        }
        if (u >= 0x10000) {
            u -= 0x10000;
            r += static_cast<char16_t>(0xD800 + (u >> 10));
            r += static_cast<char16_t>(0xDC00 + (u & 0x3FF));
        } else {
            r += static_cast<char16_t>(u);
        }
        i += n;
    }
    return r;
}

std::string utf8(std::u16string_view s) {
    std::string r;
    r.reserve(s.size());
    auto byte = [&](char32_t v) { r += static_cast<char>(static_cast<unsigned char>(v)); };
    for (std::size_t i = 0; i < s.size(); ++i) {
        char32_t c = s[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 &&
            s[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (s[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;
        }
        if (c < 0x80) {
            byte(c);
        } else if (c < 0x800) {
            byte(0xC0 | (c >> 6)), byte(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            byte(0xE0 | (c >> 12)), byte(0x80 | ((c >> 6) & 0x3F)), byte(0x80 | (c & 0x3F));
        } else {
            byte(0xF0 | (c >> 18)), byte(0x80 | ((c >> 12) & 0x3F));
            byte(0x80 | ((c >> 6) & 0x3F)), byte(0x80 | (c & 0x3F));
        }
    }
    return r;
}

}  // namespace lumetto::acquisition
