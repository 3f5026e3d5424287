#pragma once
// A fresh folder for the files of one test, removed afterwards.

#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace lumetto::prove {

class CartellaProva {
  public:
    CartellaProva() {
        std::string modello =
            (std::filesystem::temp_directory_path() / "lumetto-prova-XXXXXX").string();
        if (::mkdtemp(modello.data())) percorso_ = modello;
    }
    ~CartellaProva() {
        std::error_code e;
        std::filesystem::permissions(percorso_, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, e);
        std::filesystem::remove_all(percorso_, e);
    }
    CartellaProva(const CartellaProva&) = delete;
    CartellaProva& operator=(const CartellaProva&) = delete;

    std::string operator/(const std::string& nome) const { return (percorso_ / nome).string(); }
    const std::filesystem::path& percorso() const { return percorso_; }
    std::vector<std::string> contenuto() const {
        std::vector<std::string> nomi;
        for (const auto& e : std::filesystem::directory_iterator(percorso_))
            nomi.push_back(e.path().filename().string());
        std::sort(nomi.begin(), nomi.end());
        return nomi;
    }

  private:
    std::filesystem::path percorso_;
};

}  // namespace lumetto::prove
