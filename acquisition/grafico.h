#pragma once
// What the plot window draws of the current run, without widgets: the value
// columns with their names and types, each reading as a point with the
// condition that holds on it, the x of a reading, the run's title.

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "archive/archivio.h"
#include "schemes/maschere.h"

namespace lumetto::acquisition {

struct ColonnaGrafico {
    int indice = 0;       // column of the reading table, 1 to 12
    std::string nome;     // UTF-8: the header's short name, or an archived run's whole one
    char tipo = '1';      // of the type mask: '2' and '4' are states
    std::string unita{};  // UTF-8; empty: none, or not known
    bool stato() const { return schemes::tipostato(tipo); }
};

// "temp [°C]", or the name alone when it has no unit.
std::string titolocolonna(const ColonnaGrafico& c);

// The name of field i (from 1) of a header: its characters without the
// dots and the blanks around them ("temp.." is "temp"), the last whole field
// with the rest of its name past it ("..Stat" and "o." make "Stato"), UTF-8;
// empty for a field the header does not hold whole.
std::string nomecampo(std::string_view testata, int i);

// The columns of a run of `n` columns with this header (Windows-1252) and
// type mask: one per field of its header, at most 12, each named by its
// whole field, no two alike.
std::vector<ColonnaGrafico> colonnegrafico(std::string_view testata, std::string_view maschera,
                                           int n);
// Those of the current run.
std::vector<ColonnaGrafico> colonnegrafico();
// Those of a kept run, with the names and units it kept (its header's when
// it has none), no two alike; a state has no unit.
std::vector<ColonnaGrafico> colonnegrafico(const archivio::Corsa& c);

// The words of a state column's steps 0, 1 and 2, as the log writes them.
std::array<std::string, 3> parolestato(char tipo);

struct PuntoGrafico {
    double valore = 0;
    int esito = 0;  // 0 no condition holds, 1 red, 2 blue (as the log's bold cells)
};
// Reading r of column `colonna`, as stored.
PuntoGrafico puntografico(int r, int colonna);

// The x of reading r: its number, or the seconds since the start (the
// first reading comes one interval after it).
double xgrafico(int r, bool insecondi);

// An axis of round steps (1, 2 or 5 times a power of ten, about five of
// them) that holds minimo..massimo (within ±1e300), finite for any input.
struct ScalaAsse {
    double minimo = 0, massimo = 1;
    int tacche = 2;  // tick marks, the ends included
};
ScalaAsse scalatonda(double minimo, double massimo);

// The caption of the run's experiment ("termostato"); for "Utente" and
// codes without a button, "Utente" or empty.
std::string titolografico();

// A run the plot draws: the current one, read from the reading table as it
// grows, or one reopened from the archive. Readings are counted from 1.
class FonteGrafico {
  public:
    virtual ~FonteGrafico() = default;
    virtual std::vector<ColonnaGrafico> colonne() const = 0;
    virtual int letture() const = 0;
    virtual PuntoGrafico punto(int r, int colonna) const = 0;
    virtual double x(int r, bool insecondi) const = 0;
    virtual std::string titolo() const = 0;  // the experiment's caption, UTF-8
};

class CorsaAttuale final : public FonteGrafico {
  public:
    std::vector<ColonnaGrafico> colonne() const override { return colonnegrafico(); }
    int letture() const override;
    PuntoGrafico punto(int r, int colonna) const override { return puntografico(r, colonna); }
    double x(int r, bool insecondi) const override { return xgrafico(r, insecondi); }
    std::string titolo() const override { return titolografico(); }
};

// A run from the archive: its columns with the names and units it kept,
// its readings as they were kept (the seconds are those measured from its
// start); no condition marks, since the conditions of today's scheme say
// nothing about it.
class CorsaArchiviata final : public FonteGrafico {
  public:
    CorsaArchiviata(archivio::Corsa corsa, std::vector<archivio::Lettura> letture);
    std::vector<ColonnaGrafico> colonne() const override { return colonne_; }
    int letture() const override { return static_cast<int>(letture_.size()); }
    PuntoGrafico punto(int r, int colonna) const override;
    double x(int r, bool insecondi) const override;
    std::string titolo() const override { return corsa_.esperimento; }
    const archivio::Corsa& corsa() const { return corsa_; }
    const std::vector<archivio::Lettura>& tutte() const { return letture_; }
    // A reading that came after the run was opened (a bench of the class
    // sends them as they are taken): kept in number order, one of the same
    // number replaced. True when it went after all the others.
    bool metti(const archivio::Lettura& l);

  private:
    archivio::Corsa corsa_;
    std::vector<archivio::Lettura> letture_;
    std::vector<ColonnaGrafico> colonne_;
};

// The start of an archived run in local time, "09/12/2026 11:15".
std::string datacorsa(const archivio::Corsa& c);

}  // namespace lumetto::acquisition
