#include "schemes/sca.h"

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cmath>
#include <filesystem>
#include <system_error>

#include "platform/descrittore.h"
#include "platform/salvataggio.h"
#include "schemes/numeri.h"

namespace lumetto::schemes {

namespace {

// A scheme file is a few hundred bytes; this only stops a wrong choice (a
// huge file, a device) from filling the memory.
constexpr std::size_t kMaxByteSca = 1 << 20;

std::string messaggio(std::string_view azione, std::string_view nome, std::string_view motivo) {
    std::string m = "Impossibile ";
    m.append(azione).append(" il file ").append(nome).append(": ").append(motivo);
    return m;
}

ErroreFile erroreSistema(std::string_view azione, std::string_view nome, int errore) {
    return ErroreFile(messaggio(azione, nome, std::generic_category().message(errore)),
                      std::string(nome), errore);
}

std::array<std::string, kRigheSca> righe(std::string_view dati) {
    std::array<std::string, kRigheSca> r;
    std::size_t inizio = 0;
    for (auto& riga : r) {
        if (inizio >= dati.size()) break;
        std::size_t fine = dati.find('\n', inizio);
        std::size_t dopo = fine == std::string_view::npos ? dati.size() : fine + 1;
        if (fine == std::string_view::npos) fine = dati.size();
        std::string_view testo = dati.substr(inizio, fine - inizio);
        if (!testo.empty() && testo.back() == '\r') testo.remove_suffix(1);
        riga = testo;
        inizio = dopo;
    }
    return r;
}

std::uint16_t posizione(std::string_view riga) {
    const double v = leggireale(riga).value_or(0);
    if (!(v > 0)) return 0;  // negatives, -0.5 included, and 0 itself
    if (v >= 65535) return 65535;
    return static_cast<std::uint16_t>(std::trunc(v));
}

std::string troppiCampi(std::size_t caratteri) {
    return "la testata supera le " + std::to_string(kMaxVariabili) + " variabili (" +
           std::to_string(caratteri) + " caratteri, al massimo " +
           std::to_string(kMaxCaratteriTestata) + ")";
}

std::string nomeMostrato(const std::string& percorso, std::string_view nome) {
    return nome.empty() ? percorso : std::string(nome);
}

using platform::Descrittore;

std::string leggifile(const std::string& percorso, std::string_view nome) {
    Descrittore fd(::open(percorso.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.fd() < 0) throw erroreSistema("aprire", nome, errno);
    std::string dati;
    std::size_t righeLette = 0;
    char blocco[8192];
    while (righeLette < kRigheSca) {
        ssize_t n = ::read(fd.fd(), blocco, sizeof blocco);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) throw erroreSistema("leggere", nome, errno);
        if (n == 0) break;
        std::string_view nuovo(blocco, static_cast<std::size_t>(n));
        for (char c : nuovo)
            righeLette += c == '\n';
        dati += nuovo;
        if (righeLette < kRigheSca && dati.size() > kMaxByteSca)
            throw ErroreFile(messaggio("leggere", nome, "troppo grande per uno schema"),
                             std::string(nome));
    }
    return dati;
}

// A name beside the target that no other save uses at the same time.

}  // namespace

void leggisca(Schema& s, std::string_view contenuto, std::string_view nome) {
    auto r = righe(contenuto);
    // Refused rather than cut: the header sets how many characters each
    // reading asks of the board, and a cut one would read the wrong frame.
    if (r[0].size() > kMaxCaratteriTestata)
        throw ErroreFile("Il file " + std::string(nome) +
                             " non è uno schema valido: " + troppiCampi(r[0].size()),
                         std::string(nome));

    s.testata = std::move(r[0]);
    // Characters beyond variable 12 describe nothing; cutting them keeps every
    // walk over the type mask inside the 12-slot tables.
    s.mascheratipo = std::move(r[1]);
    if (s.mascheratipo.size() > kMaxCaratteriTipo) s.mascheratipo.resize(kMaxCaratteriTipo);
    s.mascheracolori = std::move(r[2]);
    s.mascheradimensioni = std::move(r[3]);
    for (int k = 1; k <= kCondizioni; ++k)
        s.condizione(k) = r[static_cast<std::size_t>(3 + k)];
    s.immagine = std::move(r[14]);
    for (int i = 1; i <= kPosizioniSca; ++i) {
        s.posx(i) = posizione(r[static_cast<std::size_t>(13 + 2 * i)]);
        s.posy(i) = posizione(r[static_cast<std::size_t>(14 + 2 * i)]);
    }
}

std::string scrivisca(const Schema& s, const std::vector<std::string>& righecondizioni,
                      std::string_view nome) {
    auto rifiuta = [&](const std::string& motivo) {
        return ErroreFile(messaggio("salvare", nome, motivo), std::string(nome));
    };
    if (s.testata.size() > kMaxCaratteriTestata) throw rifiuta(troppiCampi(s.testata.size()));

    std::string dati;
    auto riga = [&](std::string_view testo, const std::string& campo) {
        if (testo.find_first_of("\r\n") != std::string_view::npos)
            throw rifiuta(campo + " contiene un a capo");
        dati.append(testo).append("\r\n");
    };
    riga(s.testata, "la testata");
    riga(s.mascheratipo, "la maschera tipo dati");
    riga(s.mascheracolori, "la maschera colori");
    riga(s.mascheradimensioni, "la maschera dimensioni");
    for (std::size_t k = 0; k < kCondizioni; ++k)
        riga(k < righecondizioni.size() ? righecondizioni[k] : std::string(),
             "la condizione " + std::to_string(k + 1));
    riga(s.immagine, "il nome dell'immagine");
    for (int i = 1; i <= kPosizioniSca; ++i) {
        riga(allinea(std::to_string(s.posx(i)), 6), {});
        riga(allinea(std::to_string(s.posy(i)), 6), {});
    }
    return dati;
}

void caricaschema(const std::string& percorso, std::string_view nome) {
    const std::string mostrato = nomeMostrato(percorso, nome);
    const std::string dati = leggifile(percorso, mostrato);
    Schema nuovo = schemacorrente();
    leggisca(nuovo, dati, mostrato);
    schemacorrente() = std::move(nuovo);
}

void salvaschema(const std::string& percorso, const std::vector<std::string>& righecondizioni,
                 std::string_view nome) {
    const std::string mostrato = nomeMostrato(percorso, nome);
    const std::string dati = scrivisca(schemacorrente(), righecondizioni, mostrato);

    try {
        platform::salvasicuro(percorso, dati);
    } catch (const platform::ErroreSalvataggio& e) {
        throw erroreSistema(
            e.fase == platform::ErroreSalvataggio::Fase::Creare ? "creare" : "scrivere", mostrato,
            e.errore);
    }
}

}  // namespace lumetto::schemes
