// The folders of a teacher's experiment files: listing both, a fresh file
// name for a new experiment, and where an experiment's scheme is.
#include <algorithm>
#include <cstdlib>
#include <map>
#include <system_error>

#include "acquisition/mioesperimento.h"
#include "platform/unita.h"

namespace fs = std::filesystem;

namespace lumetto::acquisition {

namespace {

// ASCII letters without case, then bytes: how the list is ordered.
bool primadi(const std::string& x, const std::string& y) {
    auto basso = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    const bool minore =
        std::lexicographical_compare(x.begin(), x.end(), y.begin(), y.end(),
                                     [&](char a, char b) { return basso(a) < basso(b); });
    const bool maggiore =
        std::lexicographical_compare(y.begin(), y.end(), x.begin(), x.end(),
                                     [&](char a, char b) { return basso(a) < basso(b); });
    return minore || (!maggiore && x < y);
}

std::string nomemostrato(const VoceEsperimento& v) {
    return v.esperimento ? v.esperimento->nome : v.file.filename().string();
}

// One folder's *.toml into `voci` by file name (a later folder's file hides
// an earlier one's); a folder that cannot be read into `illeggibili`.
void leggicartella(const fs::path& cartella, bool condivisa,
                   std::map<std::string, VoceEsperimento>& voci,
                   std::vector<VoceEsperimento>& illeggibili) {
    std::error_code ec;
    fs::directory_iterator it(cartella, ec);
    for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
        const std::string nome = it->path().filename().string();
        if (nome.starts_with('.') || it->path().extension() != ".toml") continue;
        std::error_code ef;
        if (!it->is_regular_file(ef)) continue;
        VoceEsperimento v{it->path(), condivisa, std::nullopt, {}};
        try {
            v.esperimento = caricaesperimento(it->path());
        } catch (const ErroreEsperimento& e) {
            v.errore = e.what();
        }
        voci[nome] = std::move(v);
    }
    if (ec && ec != std::errc::no_such_file_or_directory && ec != std::errc::not_a_directory)
        illeggibili.push_back({cartella, condivisa, std::nullopt,
                               cartella.string() + ": la cartella non si legge: " + ec.message()});
}

// The file name's letter for a code point of U+00C0 to U+00FF: the letter
// without its accent, '-' for × and ÷.
constexpr std::string_view kLatino1 =
    "aaaaaaaceeeeiiiidnooooo-ouuuuytsaaaaaaaceeeeiiiidnooooo-ouuuuyty";
static_assert(kLatino1.size() == 64);

}  // namespace

fs::path fileschema(const MioEsperimento& e, const fs::path& fileesperimento) {
    if (e.schema.empty()) return {};
    if (e.schema == "~" || e.schema.starts_with("~/")) {
        const char* casa = std::getenv("HOME");
        if (casa && *casa)
            return fs::path(casa) / e.schema.substr(std::min<std::size_t>(2, e.schema.size()));
    }
    const fs::path p(e.schema);
    if (p.is_absolute()) return p;
    return fileesperimento.parent_path() / p;
}

fs::path cartellaesperimenti() {
    return platform::cartellautente() / "esperimenti";
}

std::vector<VoceEsperimento> elencaesperimenti(const fs::path& condivisa, const fs::path& utente) {
    std::map<std::string, VoceEsperimento> voci;
    std::vector<VoceEsperimento> elenco;
    leggicartella(condivisa, true, voci, elenco);
    leggicartella(utente, false, voci, elenco);
    for (auto& [nome, v] : voci)
        elenco.push_back(std::move(v));
    std::sort(elenco.begin(), elenco.end(), [](const VoceEsperimento& x, const VoceEsperimento& y) {
        const std::string nx = nomemostrato(x), ny = nomemostrato(y);
        if (nx != ny) return primadi(nx, ny);
        return x.file < y.file;
    });
    return elenco;
}

fs::path nuovofileesperimento(std::string_view nome, const fs::path& utente,
                              const fs::path& condivisa) {
    std::string radice;
    bool separa = false;
    auto aggiungi = [&](char c) {
        if (c == '-') {
            separa = !radice.empty();
            return;
        }
        if (separa) radice += '-';
        separa = false;
        radice += c;
    };
    for (std::size_t i = 0; i < nome.size(); ++i) {
        if (radice.size() >= static_cast<std::size_t>(kMaxCaratteriNome)) break;
        const auto c = static_cast<unsigned char>(nome[i]);
        if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))
            aggiungi(static_cast<char>(c));
        else if (c >= 'A' && c <= 'Z')
            aggiungi(static_cast<char>(c - 'A' + 'a'));
        else if (c == 0xC3 && i + 1 < nome.size() &&
                 (static_cast<unsigned char>(nome[i + 1]) & 0xC0) == 0x80)
            // U+00C0 to U+00FF, two bytes in UTF-8.
            aggiungi(kLatino1[(static_cast<unsigned char>(nome[++i]) & 0x3Fu)]);
        else if ((c & 0xC0) != 0x80)  // any other character starts a separator
            aggiungi('-');
    }
    if (radice.empty()) radice = "esperimento";

    auto preso = [](const fs::path& p) {
        std::error_code ec;
        const auto t = fs::symlink_status(p, ec).type();
        return t != fs::file_type::none && t != fs::file_type::not_found;
    };
    for (int n = 1;; ++n) {
        const std::string file = radice + (n > 1 ? "-" + std::to_string(n) : "") + ".toml";
        if (!preso(utente / file) && !preso(condivisa / file)) return utente / file;
    }
}

}  // namespace lumetto::acquisition
