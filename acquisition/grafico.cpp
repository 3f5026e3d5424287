#include "acquisition/grafico.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>

#include "acquisition/acquisizione.h"
#include "acquisition/esperimenti.h"
#include "acquisition/libero.h"
#include "link/letture.h"
#include "schemes/cp1252.h"
#include "schemes/maschere.h"
#include "schemes/numeri.h"
#include "schemes/schema.h"

namespace lumetto::acquisition {

std::string titolocolonna(const ColonnaGrafico& c) {
    return archivio::titolocolonna(c.nome, c.unita);
}

std::string nomecampo(std::string_view testata, int i) {
    const std::size_t inizio = static_cast<std::size_t>(i - 1) * schemes::kCaratteriCampo;
    if (i < 1 || inizio + schemes::kCaratteriCampo > testata.size()) return {};
    std::string_view campo = testata.substr(inizio, schemes::kCaratteriCampo);
    // The last whole field takes the name it starts in the characters past
    // it, which make no field of their own: "..Stat" then "o." is "Stato".
    const std::size_t dopo = inizio + schemes::kCaratteriCampo;
    if (campo.back() != '.' && dopo < testata.size() &&
        testata.size() - dopo < schemes::kCaratteriCampo) {
        const std::string_view coda = testata.substr(dopo);
        campo = testata.substr(
            inizio, schemes::kCaratteriCampo + std::min(coda.find_first_of(". "), coda.size()));
    }
    std::string nome;
    for (char c : campo)
        if (c != '.') nome += c;
    return std::string(schemes::rifila(schemes::utf8dacp1252(nome)));
}

std::vector<ColonnaGrafico> colonnegrafico() {
    // A free run's columns, and a teacher's, are the run's own, whole.
    if (stato.codiceesperimento == kCodiceLibero || !stato.nomeesperimento.empty()) {
        std::vector<ColonnaGrafico> c;
        for (std::size_t j = 0; j < stato.colonne.size(); ++j) {
            const Colonna& k = stato.colonne[j];
            c.push_back({static_cast<int>(j) + 1, k.nome, k.tipo, k.unita});
        }
        return c;
    }
    // Read only: the scheme's names and count belong to the log and the
    // editor, and a run shown in the plot must not change what they offer.
    const auto& s = schemes::schemacorrente();
    auto c = colonnegrafico(s.testata, s.mascheratipo, stato.numerocolonne);
    // The units the run started with, where its columns are still the same.
    for (ColonnaGrafico& k : c) {
        const auto i = static_cast<std::size_t>(k.indice - 1);
        if (i < stato.colonne.size() && stato.colonne[i].nome == k.nome)
            k.unita = stato.colonne[i].unita;
    }
    return c;
}

std::vector<ColonnaGrafico> colonnegrafico(std::string_view testata, std::string_view maschera,
                                           int n) {
    n = std::clamp(n, 0, link::kColonne - 1);
    std::vector<ColonnaGrafico> c;
    for (int i = 1; i <= n; ++i) {
        std::string nome = nomecampo(testata, i);
        if (nome.empty()) nome = "C" + std::to_string(i);
        // Two curves never share a name: a repeated one gets its column.
        const auto uguale = [&](const ColonnaGrafico& k) { return k.nome == nome; };
        if (std::any_of(c.begin(), c.end(), uguale)) nome += " (" + std::to_string(i) + ")";
        c.push_back({i, nome, schemes::carattere(maschera, i)});
    }
    return c;
}

std::vector<ColonnaGrafico> colonnegrafico(const archivio::Corsa& c) {
    // Facts made by hand (a bench's run whose facts have not come) may name
    // no columns: their header still does.
    const auto colonne = c.colonne.empty() ? archivio::colonnedatestata(c.testata) : c.colonne;
    const int n = std::min<int>(static_cast<int>(colonne.size()), archivio::kColonne);
    std::vector<ColonnaGrafico> v;
    for (int i = 1; i <= n; ++i) {
        const archivio::ColonnaCorsa& k = colonne[static_cast<std::size_t>(i - 1)];
        std::string nome = k.nome.empty() ? "C" + std::to_string(i) : k.nome;
        // Two curves never share a name: a repeated one gets its column.
        const auto uguale = [&](const ColonnaGrafico& g) { return g.nome == nome; };
        if (std::any_of(v.begin(), v.end(), uguale)) nome += " (" + std::to_string(i) + ")";
        const char tipo = schemes::carattere(c.mascheratipo, i);
        // A state has words, not units.
        v.push_back({i, std::move(nome), tipo, schemes::tipostato(tipo) ? "" : k.unita});
    }
    return v;
}

std::array<std::string, 3> parolestato(char tipo) {
    if (tipo == '4') return {"chiude", "apre", "Halt"};
    return {"OFF", "ON", "Halt"};
}

PuntoGrafico puntografico(int r, int colonna) {
    if (stato.codiceesperimento == kCodiceLibero) {
        const auto& l = letturelibere();
        if (r < 1 || r > static_cast<int>(l.size()) || colonna < 1 || colonna > link::kColonne)
            return {link::kLetturaVuota[0], 0};
        return {l[static_cast<std::size_t>(r - 1)].valori[static_cast<std::size_t>(colonna - 1)],
                0};
    }
    r = std::clamp(r, 0, link::kMaxLetture);
    const double v =
        link::tabellaletture[static_cast<std::size_t>(r)][static_cast<std::size_t>(colonna)];
    return {v, schemes::esitocondizioni(schemes::schemacorrente(), colonna, v)};
}

double xgrafico(int r, bool insecondi) {
    if (stato.codiceesperimento == kCodiceLibero && insecondi) {
        const auto& l = letturelibere();
        if (r < 1 || r > static_cast<int>(l.size())) return 0;
        return static_cast<double>(l[static_cast<std::size_t>(r - 1)].ms) / 1000.0;
    }
    return insecondi ? static_cast<double>(r) * stato.intervallo : r;
}

ScalaAsse scalatonda(double minimo, double massimo) {
    if (std::isnan(minimo) || std::isnan(massimo)) return {};
    // Past ±1e300 a value is off the axis: the arithmetic of the steps
    // below stays finite for anything within.
    minimo = std::clamp(minimo, -1e300, 1e300);
    massimo = std::clamp(massimo, -1e300, 1e300);
    // One value, or none, or two too close for a step a double holds (a
    // power of ten under 1e-300 is no number): a unit around them, or a
    // billionth of them past 1e9 (past 2^53, x + 1 is x, and the steps of a
    // unit would round away).
    if (!(massimo - minimo > 1e-300)) {
        const double unita = std::max(1.0, std::max(std::abs(minimo), std::abs(massimo)) * 1e-9);
        const double centro = minimo / 2 + massimo / 2;
        minimo = centro - unita;
        massimo = centro + unita;
    }
    const double grezzo = (massimo - minimo) / 5;
    const double potenza = std::pow(10.0, std::floor(std::log10(grezzo)));
    const double f = grezzo / potenza;
    const double passo = (f <= 1 ? 1 : f <= 2 ? 2 : f <= 5 ? 5 : 10) * potenza;
    ScalaAsse s;
    s.minimo = std::floor(minimo / passo) * passo;
    s.massimo = std::ceil(massimo / passo) * passo;
    s.tacche = static_cast<int>(std::lround((s.massimo - s.minimo) / passo)) + 1;
    return s;
}

std::string titolografico() {
    if (!stato.nomeesperimento.empty()) return stato.nomeesperimento;
    const Comando* c = esperimento(stato.codiceesperimento, schemes::schemacorrente().testata);
    return c ? std::string(c->didascalia) : std::string();
}

int CorsaAttuale::letture() const {
    if (stato.codiceesperimento == kCodiceLibero) return static_cast<int>(letturelibere().size());
    return std::clamp(link::numerolettura, 0, link::kMaxLetture);
}

CorsaArchiviata::CorsaArchiviata(archivio::Corsa corsa, std::vector<archivio::Lettura> letture)
    : corsa_(std::move(corsa)), letture_(std::move(letture)), colonne_(colonnegrafico(corsa_)) {}

PuntoGrafico CorsaArchiviata::punto(int r, int colonna) const {
    if (r < 1 || r > letture() || colonna < 1 || colonna > archivio::kColonne) return {};
    return {letture_[static_cast<size_t>(r - 1)].valori[static_cast<size_t>(colonna - 1)], 0};
}

bool CorsaArchiviata::metti(const archivio::Lettura& l) {
    const auto dopo = [](const archivio::Lettura& a, const archivio::Lettura& b) {
        return a.numero < b.numero;
    };
    auto it = std::lower_bound(letture_.begin(), letture_.end(), l, dopo);
    if (it != letture_.end() && it->numero == l.numero) {
        *it = l;
        return false;
    }
    const bool infondo = it == letture_.end();
    letture_.insert(it, l);
    return infondo;
}

double CorsaArchiviata::x(int r, bool insecondi) const {
    if (r < 1 || r > letture()) return 0;
    const archivio::Lettura& l = letture_[static_cast<size_t>(r - 1)];
    return insecondi ? static_cast<double>(l.ms) / 1000.0 : l.numero;
}

std::string datacorsa(const archivio::Corsa& c) {
    const std::string t = archivio::iniziolocale(c, "%d/%m/%Y %H:%M");
    return t.empty() ? c.inizio : t;
}

}  // namespace lumetto::acquisition
