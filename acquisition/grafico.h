#pragma once
// What the plot window draws of the current run, without widgets: the value
// columns with their names and types, each reading as a point with the
// condition that holds on it, the x of a reading, the run's title.

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "schemes/maschere.h"

namespace lumetto::acquisition {

struct ColonnaGrafico {
    int indice = 0;    // column of the reading table, 1 to 12
    std::string nome;  // short name, UTF-8
    char tipo = '1';   // of the type mask: '2' and '4' are states
    bool stato() const { return schemes::tipostato(tipo); }
};

// The name of field i (from 1) of a header: its characters without the
// dots and the blanks around them ("temp.." is "temp"), the last whole field
// with the rest of its name past it ("..Stat" and "o." make "Stato"), UTF-8;
// empty for a field the header does not hold whole.
std::string nomecampo(std::string_view testata, int i);

// The columns of the current run: one per field of its header, at most 12,
// each named by its whole field, no two alike.
std::vector<ColonnaGrafico> colonnegrafico();

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
// them) that holds minimo..massimo.
struct ScalaAsse {
    double minimo = 0, massimo = 1;
    int tacche = 2;  // tick marks, the ends included
};
ScalaAsse scalatonda(double minimo, double massimo);

// The caption of the run's experiment ("termostato"); for "Utente" and
// codes without a button, "Utente" or empty.
std::string titolografico();

}  // namespace lumetto::acquisition
