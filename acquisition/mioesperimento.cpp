// Reading, checking, writing and saving a teacher's experiment files; the
// one unit of the program that compiles toml++ (header-only and heavy).
#include "acquisition/mioesperimento.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <span>
#include <system_error>

// Only the parser: the program never writes TOML through toml++.
#define TOML_ENABLE_FORMATTERS 0
#include <toml++/toml.h>

#include "acquisition/tomlascii.h"
#include "platform/descrittore.h"
#include "platform/salvataggio.h"

namespace fs = std::filesystem;

namespace lumetto::acquisition {

namespace {

constexpr std::array<int, 5> kBaud = {9600, 19200, 38400, 57600, 115200};

// Where a rule was broken: the file and line of a file read, or, for the
// dialog's experiment, the column (1 up) the field belongs to.
struct Dove {
    std::string file;
    int riga = 0;
    int colonna = 0;
};

[[noreturn]] void errore(const Dove& d, std::string_view chiave, const std::string& testo) {
    std::string p = d.file;
    if (d.riga > 0)
        p += (p.empty() ? "riga " : ", riga ") + std::to_string(d.riga);
    else if (d.colonna > 0)
        p += (p.empty() ? "colonna " : ", colonna ") + std::to_string(d.colonna);
    throw ErroreEsperimento(p.empty() ? testo : p + ": " + testo, d.file, d.riga,
                            std::string(chiave));
}

std::string q(std::string_view chiave) {
    return "\"" + std::string(chiave) + "\"";
}

// A value of the file quoted in a message: control characters shown as '?',
// and a long one cut at a character's start.
std::string mostra(std::string_view t) {
    std::string r = "\"";
    int caratteri = 0;
    for (char c : t) {
        const auto u = static_cast<unsigned char>(c);
        if ((u & 0xC0) != 0x80 && ++caratteri > 24) {
            r += "…";
            break;
        }
        r += u < 0x20 || u == 0x7F ? '?' : c;
    }
    return r + "\"";
}

// The shortest text that reads back as the same double, always a TOML float
// (an integer-looking "9223372036854775808" would overflow TOML's integers).
std::string numero(double v) {
    char b[32];
    const auto r = std::to_chars(b, b + sizeof b, v);
    std::string s(b, r.ptr);
    if (s.find_first_of(".en") == std::string::npos) s += ".0";
    return s;
}

bool controllo(char32_t c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F);
}

// A text of the experiment: UTF-8, no control character (a name goes on the
// file's comment line, where a line break would end the comment), required
// ones not empty, at most `massimo` characters (0: no bound).
void controllatesto(std::string_view t, const Dove& d, std::string_view chiave, int massimo,
                    bool obbligatorio) {
    const auto cp = puntiutf8(t);
    if (!cp) errore(d, chiave, q(chiave) + " non è testo UTF-8 valido");
    if (std::any_of(cp->begin(), cp->end(), controllo))
        errore(d, chiave,
               q(chiave) + " contiene un carattere di controllo (a capo, tabulazione...)");
    if (obbligatorio && cp->empty()) errore(d, chiave, q(chiave) + " è vuoto");
    if (massimo > 0 && cp->size() > static_cast<std::size_t>(massimo))
        errore(d, chiave,
               q(chiave) + " ha " + std::to_string(cp->size()) + " caratteri: al massimo " +
                   std::to_string(massimo));
}

bool letteravalida(char c) {
    return c > ' ' && c < 0x7F && c != '?';
}

[[noreturn]] void erroreLettera(const Dove& d, std::string_view valore) {
    errore(d, "lettera",
           "\"lettera\" deve essere un solo carattere ASCII visibile diverso da \"?\" (è " +
               mostra(valore) + ")");
}

bool baudvalido(int64_t b) {
    return std::find(kBaud.begin(), kBaud.end(), b) != kBaud.end();
}

// The lines of the keys of a file read, for the rules checked on the whole
// experiment; 0 where the key is absent.
struct RigheColonna {
    int tabella = 0, nome = 0, unita = 0, decimali = 0, a = 0, b = 0;
};
struct Righe {
    int nome = 0, modo = 0, lettera = 0, intervallo = 0, baud = 0, schema = 0;
    std::vector<RigheColonna> colonne;
};

// The rules on the experiment itself, for a file read (`r` holds its lines)
// and for the dialog's fields (`r` null).
void controlla(const MioEsperimento& e, const std::string& file, const Righe* r) {
    auto dove = [&](int Righe::*k) { return Dove{file, r ? r->*k : 0, 0}; };
    controllatesto(e.nome, dove(&Righe::nome), "nome", kMaxCaratteriNome, true);
    const bool chiesto = e.modo == ModoEsperimento::Chiesto;
    if (chiesto) {
        if (!letteravalida(e.lettera))
            erroreLettera(dove(&Righe::lettera), std::string_view(&e.lettera, 1));
        if (e.decimi < kMinDecimi || e.decimi > kMaxDecimi)
            errore(dove(&Righe::intervallo), "intervallo",
                   "\"intervallo\" va da 0.1 a 3600 secondi (è " + numero(e.secondi()) + ")");
    } else if (e.baud != kBaudAutomatica && !baudvalido(e.baud)) {
        errore(dove(&Righe::baud), "baud",
               "\"baud\" può essere 9600, 19200, 38400, 57600, 115200 o \"automatica\" (è " +
                   std::to_string(e.baud) + ")");
    }
    controllatesto(e.schema, dove(&Righe::schema), "schema", 0, false);

    const std::size_t massimo = chiesto ? kMaxColonneChiesto : kMaxColonneLibero;
    const std::size_t n = e.colonne.size();
    if ((chiesto && n == 0) || n > massimo) {
        const int riga = r && n > massimo ? r->colonne[massimo].tabella : 0;
        errore(Dove{file, riga, 0}, "colonna",
               std::string(chiesto ? "con modo \"chiesto\" servono da 1 a 12 colonne"
                                   : "con modo \"libero\" al massimo 13 colonne") +
                   " ([[colonna]]): ce ne sono " + std::to_string(n));
    }
    for (std::size_t i = 0; i < n; ++i) {
        const ColonnaEsperimento& c = e.colonne[i];
        const int numero_ = static_cast<int>(i + 1);
        auto dc = [&](int RigheColonna::*k) {
            if (!r) return Dove{file, 0, numero_};
            const RigheColonna& rc = r->colonne[i];
            return Dove{file, rc.*k ? rc.*k : rc.tabella, numero_};
        };
        controllatesto(c.nome, dc(&RigheColonna::nome), "nome", kMaxCaratteriColonna, true);
        for (std::size_t j = 0; j < i; ++j)
            if (e.colonne[j].nome == c.nome)
                errore(dc(&RigheColonna::nome), "nome",
                       "la colonna " + std::to_string(i + 1) + " ha lo stesso \"nome\" " +
                           mostra(c.nome) + " della colonna " + std::to_string(j + 1) +
                           ": i nomi devono essere diversi");
        controllatesto(c.unita, dc(&RigheColonna::unita), "unita", kMaxCaratteriUnita, false);
        if (c.decimali < 0 || c.decimali > kMaxDecimali)
            errore(dc(&RigheColonna::decimali), "decimali",
                   "\"decimali\" va da 0 a 6 (è " + std::to_string(c.decimali) + ")");
        if (!std::isfinite(c.a))
            errore(dc(&RigheColonna::a), "a", "\"a\" deve essere un numero finito");
        if (c.a == 0)
            errore(dc(&RigheColonna::a), "a",
                   "\"a\" non può essere 0: ogni lettura varrebbe \"b\"");
        if (!std::isfinite(c.b))
            errore(dc(&RigheColonna::b), "b", "\"b\" deve essere un numero finito");
    }
}

// ---- The file's values, with their type and representation checked ----

int riga(const toml::node& n) {
    return static_cast<int>(n.source().begin.line);
}

const char* tipo(const toml::node& n) {
    switch (n.type()) {
        case toml::node_type::string:
            return "un testo";
        case toml::node_type::integer:
            return "un numero intero";
        case toml::node_type::floating_point:
            return "un numero con la virgola";
        case toml::node_type::boolean:
            return "vero o falso";
        case toml::node_type::date:
        case toml::node_type::time:
        case toml::node_type::date_time:
            return "una data o un'ora";
        case toml::node_type::array:
            return "un elenco";
        case toml::node_type::table:
            return "una tabella";
        default:
            return "niente";
    }
}

class Lettore {
  public:
    explicit Lettore(std::string file) : file_(std::move(file)) {}
    MioEsperimento leggi(const toml::table& t);

  private:
    Dove dove(const toml::node& n) const { return {file_, riga(n), 0}; }
    std::string testo(const toml::node& n, std::string_view chiave) const;
    double reale(const toml::node& n, std::string_view chiave) const;
    int64_t intero(const toml::node& n, std::string_view chiave) const;
    void chiavi(const toml::table& t, int colonna) const;
    ColonnaEsperimento colonna(const toml::table& t, int numero, RigheColonna& r) const;

    std::string file_;
};

std::string Lettore::testo(const toml::node& n, std::string_view chiave) const {
    if (const auto* s = n.as_string()) return s->get();
    errore(dove(n), chiave, q(chiave) + " deve essere un testo tra virgolette (è " + tipo(n) + ")");
}

double Lettore::reale(const toml::node& n, std::string_view chiave) const {
    double v = 0;
    if (const auto* i = n.as_integer())
        v = static_cast<double>(i->get());
    else if (const auto* f = n.as_floating_point())
        v = f->get();
    else
        errore(dove(n), chiave, q(chiave) + " deve essere un numero (è " + tipo(n) + ")");
    if (!std::isfinite(v))
        errore(dove(n), chiave, q(chiave) + " deve essere un numero finito (è " + numero(v) + ")");
    return v;
}

int64_t Lettore::intero(const toml::node& n, std::string_view chiave) const {
    if (const auto* i = n.as_integer()) return i->get();
    errore(dove(n), chiave, q(chiave) + " deve essere un numero intero (è " + tipo(n) + ")");
}

// Keys nobody reads are refused, the first in the file first. The usual slip
// of a hand-written file gets its own words: TOML gives every key after a
// [[colonna]] header to that column.
void Lettore::chiavi(const toml::table& t, int colonna) const {
    static const std::array<std::string_view, 7> kEsperimento = {
        "nome", "modo", "lettera", "intervallo", "baud", "schema", "colonna"};
    static const std::array<std::string_view, 5> kColonna = {"nome", "unita", "decimali", "a", "b"};
    const std::span<const std::string_view> note =
        colonna ? std::span<const std::string_view>(kColonna) : kEsperimento;
    const toml::key* prima = nullptr;
    for (auto&& [k, v] : t) {
        if (std::find(note.begin(), note.end(), k.str()) != note.end()) continue;
        if (!prima || k.source().begin.line < prima->source().begin.line) prima = &k;
    }
    if (!prima) return;
    const std::string_view k = prima->str();
    const Dove d{file_, static_cast<int>(prima->source().begin.line), 0};
    if (colonna && std::find(kEsperimento.begin(), kEsperimento.end(), k) != kEsperimento.end())
        errore(d, k,
               q(k) + " è finita nella colonna " + std::to_string(colonna) +
                   ": le chiavi dell'esperimento vanno prima del primo [[colonna]]");
    if (!colonna && std::find(kColonna.begin(), kColonna.end(), k) != kColonna.end())
        errore(d, k, q(k) + " va in una colonna, dopo [[colonna]]");
    errore(d, k, "chiave sconosciuta " + mostra(k));
}

ColonnaEsperimento Lettore::colonna(const toml::table& t, int numero_, RigheColonna& r) const {
    chiavi(t, numero_);
    ColonnaEsperimento c;
    r.tabella = riga(t);
    const toml::node* n = t.get("nome");
    if (!n)
        errore(Dove{file_, r.tabella, 0}, "nome",
               "manca \"nome\" della colonna " + std::to_string(numero_));
    c.nome = testo(*n, "nome");
    r.nome = riga(*n);
    if ((n = t.get("unita"))) c.unita = testo(*n, "unita"), r.unita = riga(*n);
    if ((n = t.get("decimali"))) {
        const int64_t d = intero(*n, "decimali");
        r.decimali = riga(*n);
        if (d < 0 || d > kMaxDecimali)
            errore(dove(*n), "decimali", "\"decimali\" va da 0 a 6 (è " + std::to_string(d) + ")");
        c.decimali = static_cast<int>(d);
    }
    if ((n = t.get("a"))) c.a = reale(*n, "a"), r.a = riga(*n);
    if ((n = t.get("b"))) c.b = reale(*n, "b"), r.b = riga(*n);
    return c;
}

MioEsperimento Lettore::leggi(const toml::table& t) {
    chiavi(t, 0);
    MioEsperimento e;
    Righe r;

    const toml::node* n = t.get("modo");
    if (!n) errore(Dove{file_}, "modo", "manca \"modo\": \"chiesto\" o \"libero\"");
    const std::string modo = testo(*n, "modo");
    r.modo = riga(*n);
    if (modo == "libero")
        e.modo = ModoEsperimento::Libero;
    else if (modo != "chiesto")
        errore(dove(*n), "modo",
               "\"modo\" può essere \"chiesto\" o \"libero\" (è " + mostra(modo) + ")");
    const bool chiesto = e.modo == ModoEsperimento::Chiesto;

    if (!(n = t.get("nome")))
        errore(Dove{file_}, "nome", "manca \"nome\", il nome dell'esperimento");
    e.nome = testo(*n, "nome");
    r.nome = riga(*n);

    // Keys of the other mode would be ignored: a sign of a mistake.
    for (const char* k : {"lettera", "intervallo", "baud"}) {
        const bool suo = (std::string_view(k) == "baud") != chiesto;
        if ((n = t.get(k)) && !suo)
            errore(dove(*n), k,
                   q(k) + " vale solo con modo = \"" + (chiesto ? "libero" : "chiesto") + "\"");
    }
    if ((n = t.get("lettera"))) {
        const std::string l = testo(*n, "lettera");
        if (l.size() != 1) erroreLettera(dove(*n), l);
        e.lettera = l[0];
        r.lettera = riga(*n);
    }
    if ((n = t.get("intervallo"))) {
        const double s = reale(*n, "intervallo");
        r.intervallo = riga(*n);
        const std::string scritto =
            n->is_integer() ? std::to_string(n->as_integer()->get()) : numero(s);
        const double decimi = s * 10;
        // The bounds with a margin for the decimal text's rounding (0.1 is
        // not a double).
        if (decimi < kMinDecimi - 1e-6 || decimi > kMaxDecimi + 1e-6)
            errore(dove(*n), "intervallo",
                   "\"intervallo\" va da 0.1 a 3600 secondi (è " + scritto + ")");
        const double tondo = std::round(decimi);
        if (std::fabs(decimi - tondo) > 1e-6)
            errore(dove(*n), "intervallo",
                   "\"intervallo\" va in decimi di secondo, come 0.5 o 1.5 (è " + scritto + ")");
        e.decimi = static_cast<int>(tondo);
    }
    if ((n = t.get("baud"))) {
        r.baud = riga(*n);
        if (const auto* s = n->as_string()) {
            if (s->get() != "automatica")
                errore(dove(*n), "baud",
                       "\"baud\" può essere 9600, 19200, 38400, 57600, 115200 o \"automatica\" "
                       "(è " +
                           mostra(s->get()) + ")");
        } else {
            const int64_t b = intero(*n, "baud");
            if (!baudvalido(b))
                errore(dove(*n), "baud",
                       "\"baud\" può essere 9600, 19200, 38400, 57600, 115200 o \"automatica\" "
                       "(è " +
                           std::to_string(b) + ")");
            e.baud = static_cast<int>(b);
        }
    }
    if ((n = t.get("schema"))) e.schema = testo(*n, "schema"), r.schema = riga(*n);

    if ((n = t.get("colonna"))) {
        const toml::array* a = n->as_array();
        if (!a || !a->is_array_of_tables())
            errore(dove(*n), "colonna",
                   "\"colonna\" va scritta come [[colonna]], seguita dalle sue chiavi, una volta "
                   "per colonna");
        for (const toml::node& c : *a) {
            r.colonne.emplace_back();
            e.colonne.push_back(
                colonna(*c.as_table(), static_cast<int>(r.colonne.size()), r.colonne.back()));
            // Past the bound, the count's error names this column's line.
            if (r.colonne.size() > kMaxColonneLibero) break;
        }
    }
    controlla(e, file_, &r);
    return e;
}

ErroreEsperimento erroresintassi(const std::string& file, int riga, int carattere,
                                 const std::string& sostanza, std::string diagnosi) {
    return ErroreEsperimento(file + ", riga " + std::to_string(riga) + ", carattere " +
                                 std::to_string(carattere) + ": non è TOML valido: " + sostanza,
                             file, riga, {}, std::move(diagnosi));
}

// The gist of toml++'s syntax error in Italian, from its English text; its
// words are toml++ 3's, a text it does not know gets the plain gist.
std::string sostanza(std::string_view inglese) {
    static const std::pair<std::string_view, std::string_view> kFrasi[] = {
        {"utf-8", "il file non è testo UTF-8"},
        {"saw ','",
         "c'è una virgola dove non va (un numero con la virgola si scrive col punto: "
         "1.5)"},
        {"end-of-file",
         "il file finisce a metà (manca una virgoletta o una parentesi di chiusura?)"},
        {"EOF", "il file finisce a metà (manca una virgoletta o una parentesi di chiusura?)"},
        {"redefine", "una chiave o una tabella è scritta due volte"},
        {"cannot insert", "una chiave o una tabella è scritta due volte"},
        {"expected '='", "dopo il nome della chiave manca \"=\""},
        {"control character", "c'è un carattere di controllo (un testo va su una riga sola)"},
        {"surrogate", "c'è un carattere Unicode non valido"},
        {"U+10FFFF", "c'è un carattere Unicode non valido"},
        {"escape", "in un testo, \\ va scritto \\\\"},
        {"value-terminator", "dopo il valore c'è dell'altro (un testo va tra virgolette)"},
        {"comment or whitespace", "dopo il valore c'è dell'altro (un testo va tra virgolette)"},
        {"expected value", "manca il valore, o non si capisce (un testo va tra virgolette)"},
        {"could not determine value type", "il valore non si capisce (un testo va tra virgolette)"},
        {"as a value", "il valore non si capisce (un testo va tra virgolette)"},
        {"bare key", "il nome di una chiave non è valido"},
        {"expected ']'", "manca una parentesi quadra di chiusura"},
        {"closing ']'", "un elenco tra [ ] è scritto male"},
        {"'}'", "una tabella tra { } è scritta male"},
        {"underscore", "un numero è scritto male"},
        {"digit", "un numero è scritto male"},
        {"exponent", "un numero è scritto male"},
        {"leading zero", "un numero non può cominciare con 0"},
        {"64 bits", "un numero è troppo grande"},
    };
    for (const auto& [en, it] : kFrasi)
        if (inglese.find(en) != std::string_view::npos) return std::string(it);
    return "scrittura non valida";
}

ErroreEsperimento troppogrande(const std::string& file) {
    return ErroreEsperimento(file + ": il file supera 64 KiB e non è un esperimento", file, 0, {});
}

ErroreEsperimento sistema(const std::string& file, const char* azione, int e) {
    return ErroreEsperimento(file + ": " + azione + ": " + std::generic_category().message(e), file,
                             0, {});
}

// A file's bytes: a regular file (a FIFO named *.toml must not hang the
// list) of at most 64 KiB, whatever its size said when opened.
std::string leggifile(const std::string& file) {
    platform::Descrittore fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (fd.fd() < 0) throw sistema(file, "non si apre", errno);
    struct stat st {};
    if (::fstat(fd.fd(), &st) != 0) throw sistema(file, "non si legge", errno);
    if (!S_ISREG(st.st_mode)) throw ErroreEsperimento(file + ": non è un file", file, 0, {});
    if (static_cast<uint64_t>(st.st_size) > kMaxByteEsperimento) throw troppogrande(file);
    std::string dati;
    char blocco[8192];
    for (;;) {
        const ssize_t n = ::read(fd.fd(), blocco, sizeof blocco);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) throw sistema(file, "non si legge", errno);
        if (n == 0) break;
        dati.append(blocco, static_cast<std::size_t>(n));
        if (dati.size() > kMaxByteEsperimento) throw troppogrande(file);
    }
    return dati;
}

std::string virgolette(std::string_view t) {
    std::string r = "\"";
    for (char c : t) {
        if (c == '"' || c == '\\') r += '\\';
        r += c;
    }
    return r + "\"";
}

}  // namespace

ErroreEsperimento::ErroreEsperimento(const std::string& messaggio, std::string file, int riga,
                                     std::string chiave, std::string diagnosi)
    : std::runtime_error(messaggio),
      file_(std::move(file)),
      riga_(riga),
      chiave_(std::move(chiave)),
      diagnosi_(std::move(diagnosi)) {}

bool MioEsperimento::operator==(const MioEsperimento& o) const {
    if (nome != o.nome || modo != o.modo || schema != o.schema || colonne != o.colonne)
        return false;
    if (modo == ModoEsperimento::Chiesto) return lettera == o.lettera && decimi == o.decimi;
    return baud == o.baud;
}

MioEsperimento leggiesperimento(std::string_view testo, std::string_view file) {
    const std::string nome(file);
    if (testo.size() > kMaxByteEsperimento) throw troppogrande(nome);
    // toml++ skips a byte-order mark; the ASCII text must not hold one.
    if (testo.starts_with("\xEF\xBB\xBF")) testo.remove_prefix(3);
    const TestoAscii ascii(testo);
    if (ascii.rigaerrata())
        throw erroresintassi(nome, ascii.rigaerrata(), ascii.colonnaerrata(),
                             "il file non è testo UTF-8", {});
    auto sintassi = [&](const toml::parse_error& e) {
        const int riga = static_cast<int>(e.source().begin.line);
        const int colonna = ascii.colonna(riga, static_cast<int>(e.source().begin.column));
        const std::string fuori = ascii.fuoriposto(riga, colonna);
        return erroresintassi(nome, riga, colonna,
                              fuori.empty() ? sostanza(e.description())
                                            : mostra(fuori) +
                                                  " non può stare fuori dalle virgolette (un "
                                                  "testo va tra virgolette; le chiavi si "
                                                  "scrivono senza accenti)",
                              std::string(e.description()));
    };
    toml::table t;
    try {
        t = toml::parse(ascii.testo(), nome);
    } catch (const toml::parse_error& e) {
        throw sintassi(e);
    }
    return Lettore(nome).leggi(t);
}

MioEsperimento caricaesperimento(const fs::path& file) {
    const std::string nome = file.string();
    return leggiesperimento(leggifile(nome), nome);
}

void controllaesperimento(const MioEsperimento& e) {
    controlla(e, {}, nullptr);
}

std::string scriviesperimento(const MioEsperimento& e) {
    controllaesperimento(e);
    std::string s = "# " + e.nome + "\n";
    s += "nome = " + virgolette(e.nome) + "\n";
    if (e.modo == ModoEsperimento::Chiesto) {
        s += "modo = \"chiesto\"\n";
        s += "lettera = " + virgolette(std::string_view(&e.lettera, 1)) + "\n";
        s += "intervallo = " + numero(e.secondi()) + "\n";
    } else {
        s += "modo = \"libero\"\n";
        s += "baud = " +
             (e.baud == kBaudAutomatica ? std::string("\"automatica\"") : std::to_string(e.baud)) +
             "\n";
    }
    if (!e.schema.empty()) s += "schema = " + virgolette(e.schema) + "\n";
    for (const ColonnaEsperimento& c : e.colonne) {
        s += "\n[[colonna]]\nnome = " + virgolette(c.nome) + "\n";
        if (!c.unita.empty()) s += "unita = " + virgolette(c.unita) + "\n";
        s += "decimali = " + std::to_string(c.decimali) + "\n";
        if (c.a != 1 || c.b != 0) s += "a = " + numero(c.a) + "\nb = " + numero(c.b) + "\n";
    }
    return s;
}

void salvaesperimento(const MioEsperimento& e, const fs::path& file) {
    const std::string testo = scriviesperimento(e);
    const std::string nome = file.string();
    if (file.has_parent_path()) {
        std::error_code ec;
        fs::create_directories(file.parent_path(), ec);
        if (ec)
            throw ErroreEsperimento("Impossibile creare la cartella " +
                                        file.parent_path().string() + ": " + ec.message(),
                                    nome, 0, {});
    }
    try {
        platform::salvasicuro(nome, testo);
    } catch (const platform::ErroreSalvataggio& x) {
        throw ErroreEsperimento("Impossibile salvare l'esperimento in " + nome + ": " + x.what(),
                                nome, 0, {});
    }
}

}  // namespace lumetto::acquisition
