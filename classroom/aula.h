#pragma once
// The class as the teacher's window sees it: every bench with its state, its
// runs and their readings, built from what the broker delivers and nothing
// else, so that nonsense on the wire never crashes or misleads the window.
//
// A reading is kept by its number: a resend or a duplicate replaces, never
// doubles. Readings of a run whose facts have not come yet are kept and wait
// for them. An empty payload is the broker telling that a retained message
// was removed. Memory is bounded whatever the benches send: at most
// kMaxBanchi benches, kMaxCorse runs a bench (the parser bounds a run to
// kMaxNumero readings) and kMaxLettureBanco readings a bench. A bench
// writes only its own topics (the broker's ACL sees to it), so what one
// student can make the window hold is bounded by the last two.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "archive/archivio.h"
#include "classroom/messaggi.h"

namespace lumetto::classe {

inline constexpr std::size_t kMaxBanchi = 100;
inline constexpr std::size_t kMaxCorse = 24;
// Readings a bench may have here across its runs: a lesson's free run of
// kMaxNumero readings and many short ones (a built-in experiment's run
// holds at most 1000). A reading takes 176 bytes in its run's map (120 of
// its own, the key and the tree node, as malloc rounds them), so a bench
// holds at most about 26 MB, and 100 of them a few GB only if every bench
// floods the class.
inline constexpr std::size_t kMaxLettureBanco = 150000;

// A run of a bench as it came.
struct CorsaRicevuta {
    std::optional<archivio::Corsa> fatti;      // nothing until its facts come
    std::map<int, archivio::Lettura> letture;  // by reading number
    bool dalvivo = false;                      // something of it came live since the window opened
};

struct Banco {
    std::string nome;
    std::optional<StatoBanco> stato;  // nothing: not said (or its retained state removed)
    std::map<int64_t, CorsaRicevuta> corse;

    // The run a tile shows: the latest one the bench named or sent anything
    // of (a bench numbers its runs upwards); 0 when none.
    int64_t corsamostrata() const;
    const CorsaRicevuta* mostrata() const;
    // Readings of all its runs.
    std::size_t letture() const;
};

// What one message did.
struct Ricevuto {
    enum class Tipo { Stato, Corsa, Lettura, Rimosso, Rifiutato } tipo = Tipo::Rifiutato;
    std::string banco;  // empty when refused
    int64_t corsa = 0;
    int numero = 0;      // of a reading
    std::string errore;  // why it was refused
};

class Aula {
  public:
    explicit Aula(std::string classe) : classe_(std::move(classe)) {}

    // One message as the broker delivered it (`conservato`: a retained one).
    Ricevuto ricevi(std::string_view argomento, std::string_view dati, bool conservato);

    const std::string& classe() const { return classe_; }
    const std::map<std::string, Banco>& banchi() const { return banchi_; }
    const Banco* banco(const std::string& nome) const;

    // Messages refused (by the parser, or past the bounds), and the last reason.
    int rifiutati() const { return rifiutati_; }
    const std::string& ultimorifiuto() const { return ultimorifiuto_; }

    // The lesson's runs, bench by bench: every run something of which came
    // live, and the retained ones that started on `oggi` ("2026-12-09", the
    // day in the run's own zone). Only runs whose facts have come.
    struct CorsaDellaLezione {
        std::string banco;
        int64_t corsa = 0;
    };
    std::vector<CorsaDellaLezione> lezione(const std::string& oggi) const;

  private:
    Ricevuto rifiuta(std::string perche);
    Ricevuto rimuovi(std::string_view argomento);
    Banco* trova(const std::string& nome);
    CorsaRicevuta& corsa(Banco& b, int64_t id);

    std::string classe_;
    std::map<std::string, Banco> banchi_;
    int rifiutati_ = 0;
    std::string ultimorifiuto_;
};

// The day a run started in its own zone ("2026-12-09"), from its UTC start
// and offset; empty when they cannot be read.
std::string giornocorsa(const archivio::Corsa& c);

}  // namespace lumetto::classe
