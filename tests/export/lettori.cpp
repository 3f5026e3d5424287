#include "lettori.h"

#include <sys/wait.h>

#include <charconv>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "acquisition/foglio.h"

namespace lumetto::prove {

namespace {

std::string dahex(const std::string& h) {
    std::string r;
    for (std::size_t i = 0; i + 1 < h.size(); i += 2)
        r += static_cast<char>(std::stoi(h.substr(i, 2), nullptr, 16));
    return r;
}

bool presente(const std::string& programma) {
    return esegui("command -v " + programma + " >/dev/null 2>&1").stato == 0;
}

}  // namespace

Esito esegui(const std::string& comando) {
    Esito e;
    FILE* p = ::popen(comando.c_str(), "r");
    if (!p) return e;
    char buffer[65536];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, p)) > 0)
        e.uscita.append(buffer, n);
    int s = ::pclose(p);
    e.stato = WIFEXITED(s) ? WEXITSTATUS(s) : -1;
    return e;
}

std::string citato(const std::string& a) {
    std::string r = "'";
    for (char c : a)
        r += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return r + "'";
}

std::string leggifile(const std::string& percorso) {
    std::ifstream f(percorso, std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

std::optional<std::string> pythonconxlrd() {
    static const std::optional<std::string> trovato = []() -> std::optional<std::string> {
        // The set-up installs Debian's python3-xlrd, seen by the system python
        // even when another python comes first in PATH.
        for (std::string p : {"python3", "/usr/bin/python3"})
            if (esegui(p + " -c 'import xlrd' >/dev/null 2>&1").stato == 0) return p;
        return std::nullopt;
    }();
    return trovato;
}

std::map<std::string, LetturaXlrd> leggiconxlrd(const std::vector<std::string>& file) {
    std::string comando = *pythonconxlrd() + " " + citato(LUMETTO_LEGGI_XLS);
    for (const auto& f : file)
        comando += " " + citato(f);
    std::map<std::string, LetturaXlrd> letture;
    std::istringstream righe(esegui(comando + " 2>&1").uscita);
    std::string riga;
    LetturaXlrd* corrente = nullptr;
    LetturaXlrd fuori;  // lines before any file: python's own failure
    while (std::getline(righe, riga)) {
        std::istringstream s(riga);
        std::string tipo;
        s >> tipo;
        std::string resto = riga.size() > 2 ? riga.substr(2) : "";
        if (tipo == "F") {
            corrente = &letture[resto];
        } else if (!corrente) {
            fuori.errore += riga + "\n";
        } else if (tipo == "W") {
            corrente->avvisi.push_back(resto);
        } else if (tipo == "E") {
            corrente->errore = resto;
        } else if (tipo == "S") {
            std::string h;
            s >> h;
            corrente->fogli.push_back(dahex(h));
        } else if (tipo == "N") {
            s >> corrente->righe >> corrente->colonne;
        } else if (tipo == "K") {
            uint32_t r = 0, c = 0;
            std::string h;
            s >> r >> c >> h;
            corrente->formati[{r, c}] = dahex(h);
        } else if (tipo == "C") {
            uint32_t r = 0, c = 0;
            std::string k, v;
            s >> r >> c >> k >> v;
            xls::Posizione p{r, c};
            if (k == "n") {
                double x = 0;
                std::from_chars(v.data(), v.data() + v.size(), x);
                corrente->celle[p] = x;
            } else if (k == "s") {
                corrente->celle[p] = acquisition::utf16(dahex(v));
            } else {
                corrente->celle[p] = acquisition::utf16("?" + v);
            }
        } else {
            corrente->errore += riga;
        }
    }
    for (const auto& f : file)
        if (!letture.count(f)) letture[f].errore = "not read: " + fuori.errore;
    return letture;
}

std::map<std::string, std::string> confrontaflussi(
    const std::vector<std::pair<std::string, std::string>>& coppie) {
    std::string comando = *pythonconxlrd() + " " + citato(LUMETTO_LEGGI_XLS) + " --stream";
    for (const auto& [file, atteso] : coppie)
        comando += " " + citato(file + "=" + atteso);
    std::map<std::string, std::string> esiti;
    std::istringstream righe(esegui(comando + " 2>&1").uscita);
    std::string riga, corrente;
    while (std::getline(righe, riga)) {
        if (riga.rfind("F ", 0) == 0)
            corrente = riga.substr(2);
        else
            esiti[corrente] += riga;
    }
    return esiti;
}

bool ssconvertpresente() {
    static const bool c = presente("ssconvert");
    return c;
}

std::optional<std::string> csvconssconvert(const std::string& file, bool comemostrato) {
    const std::string csv = file + ".csv";
    // The C locale: the CSV then carries decimal points whatever the user's.
    const std::string tipo = comemostrato ? "-O 'format=preserve separator=,' "
                                            "--export-type=Gnumeric_stf:stf_assistant "
                                          : "--export-type=Gnumeric_stf:stf_csv ";
    Esito e = esegui("LC_ALL=C ssconvert " + tipo + citato(file) + " " + citato(csv) + " 2>&1");
    if (e.stato != 0) return std::nullopt;
    std::string testo = leggifile(csv);
    std::filesystem::remove(csv);
    return testo;
}

bool libreofficepresente() {
    static const bool c = presente("soffice");
    return c;
}

std::optional<std::string> csvconlibreoffice(const std::string& file, const std::string& cartella,
                                             bool comemostrato) {
    namespace fs = std::filesystem;
    // A profile of its own, so that a running office or the user's settings
    // play no part.
    const std::string profilo = "file://" + (fs::path(cartella) / "profilo").string();
    Esito e = esegui(
        "LC_ALL=C soffice -env:UserInstallation=" + citato(profilo) + " --headless --convert-to " +
        // Comma, quote, UTF-8, from line 1; the 9th option: as shown.
        citato(comemostrato ? "csv:Text - txt - csv (StarCalc):44,34,76,1,,0,false,true,true"
                            : "csv") +
        " --outdir " + citato(cartella) + " " + citato(file) + " 2>&1");
    const fs::path csv = fs::path(cartella) / fs::path(file).filename().replace_extension(".csv");
    if (e.stato != 0 || !fs::exists(csv)) return std::nullopt;
    return leggifile(csv.string());
}

}  // namespace lumetto::prove
