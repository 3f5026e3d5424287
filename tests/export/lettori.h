#pragma once
// Independent readers of the written workbooks: python3-xlrd through a small
// script, Gnumeric's ssconvert and LibreOffice headless, each only when
// installed (tests skip with the reason otherwise).

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "xls/biff8.h"

namespace lumetto::prove {

// What xlrd found in one file.
struct LetturaXlrd {
    std::string errore;               // the file did not open: why
    std::vector<std::string> avvisi;  // warnings xlrd logged
    std::vector<std::string> fogli;   // sheet names, UTF-8
    int righe = 0, colonne = 0;       // size of the first sheet
    xls::Celle celle;                 // its cells; other kinds of cell as texts "?<type>"
    std::map<xls::Posizione, std::string> formati;  // number formats other than General
};

// The python that has xlrd, or nothing.
std::optional<std::string> pythonconxlrd();
// One invocation for many files; the map is keyed by path.
std::map<std::string, LetturaXlrd> leggiconxlrd(const std::vector<std::string>& file);
// Compares the Workbook stream of each compound file with the expected bytes
// (pairs of paths): "OK" or what differs, keyed by the compound file's path.
std::map<std::string, std::string> confrontaflussi(
    const std::vector<std::pair<std::string, std::string>>& coppie);

bool ssconvertpresente();
// The first sheet as CSV (point as decimal separator), or nothing if it failed:
// each number as stored, or, `comemostrato`, as its cell's format shows it.
std::optional<std::string> csvconssconvert(const std::string& file, bool comemostrato = false);

bool libreofficepresente();
std::optional<std::string> csvconlibreoffice(const std::string& file, const std::string& cartella,
                                             bool comemostrato = false);

// A command's standard output and exit status.
struct Esito {
    int stato = -1;
    std::string uscita;
};
Esito esegui(const std::string& comando);
std::string citato(const std::string& argomento);  // quoted for the shell
std::string leggifile(const std::string& percorso);

}  // namespace lumetto::prove
