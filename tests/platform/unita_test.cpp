// The c: drive of a new user: the link, the folder and the default files,
// never replacing what the user already has.
#include <stdlib.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/dosdevices.h"
#include "platform/unita.h"

namespace fs = std::filesystem;
using lumetto::platform::cartelladati;
using lumetto::platform::DosDevices;
using lumetto::platform::ErroreUnita;
using lumetto::platform::filepredefiniti;
using lumetto::platform::preparaunita;
using lumetto::platform::resolvePath;

namespace {

std::string leggi(const fs::path& p) {
    std::ifstream f(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), {}};
}

void scrivi(const fs::path& p, const std::string& testo) {
    std::ofstream(p, std::ios::binary) << testo;
}

// A home of its own per test, with a small data folder whose files say
// which they are.
class Unita : public ::testing::Test {
  protected:
    void SetUp() override {
        const char* h = std::getenv("HOME");
        ASSERT_TRUE(h);
        casa_ = fs::path(h) / ::testing::UnitTest::GetInstance()->current_test_info()->name();
        fs::remove_all(casa_);
        fs::create_directories(casa_);
        dati_ = casa_ / "dati";
        fs::create_directories(dati_);
        for (const auto& nome : filepredefiniti())
            scrivi(dati_ / nome, "predefinito " + nome);
        dove_ = DosDevices{casa_ / ".lumetto" / "dosdevices", "/dev"};
    }
    void TearDown() override { fs::remove_all(casa_); }

    fs::path lavoro() const { return casa_ / ".lumetto" / "drive_c" / "lavoro" / "arduino"; }

    fs::path casa_, dati_;
    DosDevices dove_;
};

TEST_F(Unita, FirstStartMakesTheDriveAndCopiesEveryDefault) {
    auto copiati = preparaunita(dati_, dove_);
    EXPECT_EQ(copiati.size(), 6u);

    const fs::path link = dove_.dosdevices / "c:";
    ASSERT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(fs::canonical(link), fs::canonical(casa_ / ".lumetto" / "drive_c"));
    for (const auto& nome : filepredefiniti()) {
        EXPECT_EQ(leggi(lavoro() / nome), "predefinito " + nome) << nome;
        // The path the scheme commands use reaches the same file.
        EXPECT_EQ(leggi(resolvePath("c:\\lavoro\\arduino\\" + nome, dove_)), "predefinito " + nome);
    }
    // No temporary file is left behind.
    EXPECT_EQ(std::distance(fs::directory_iterator(lavoro()), fs::directory_iterator()), 6);
}

TEST_F(Unita, AUsersFileIsNeverReplacedWhateverItsCase) {
    preparaunita(dati_, dove_);
    scrivi(lavoro() / "climatica.sca", "mio");
    fs::remove(lavoro() / "solare.jpg");
    fs::remove(lavoro() / "irrigazione.sca");
    scrivi(lavoro() / "IRRIGAZIONE.SCA", "mio, in maiuscolo");

    auto copiati = preparaunita(dati_, dove_);
    ASSERT_EQ(copiati.size(), 1u);  // only the missing picture comes back
    EXPECT_EQ(copiati[0].filename(), "solare.jpg");
    EXPECT_EQ(leggi(lavoro() / "climatica.sca"), "mio");
    EXPECT_EQ(leggi(lavoro() / "IRRIGAZIONE.SCA"), "mio, in maiuscolo");
    EXPECT_FALSE(fs::exists(lavoro() / "irrigazione.sca"));
    EXPECT_EQ(leggi(lavoro() / "solare.jpg"), "predefinito solare.jpg");
}

TEST_F(Unita, ADanglingLinkOfTheUserCountsAsTheirFile) {
    fs::create_directories(lavoro());
    fs::create_directories(dove_.dosdevices);
    fs::create_directory_symlink("../drive_c", dove_.dosdevices / "c:");
    fs::create_symlink(casa_ / "altrove.sca", lavoro() / "solare.sca");
    preparaunita(dati_, dove_);
    EXPECT_TRUE(fs::is_symlink(lavoro() / "solare.sca"));
    EXPECT_FALSE(fs::exists(casa_ / "altrove.sca"));  // not written through the link either
}

TEST_F(Unita, ADriveThatPointsElsewhereIsUsedAndKept) {
    // The user's own C: with their own "Lavoro/Arduino" folder in another case.
    const fs::path altra = casa_ / "miei" / "disco";
    fs::create_directories(altra / "Lavoro" / "Arduino");
    scrivi(altra / "Lavoro" / "Arduino" / "Solare.SCA", "mio");
    fs::create_directories(dove_.dosdevices);
    fs::create_directory_symlink(altra, dove_.dosdevices / "c:");

    auto copiati = preparaunita(dati_, dove_);
    EXPECT_EQ(copiati.size(), 5u);
    EXPECT_EQ(fs::read_symlink(dove_.dosdevices / "c:"), altra);
    EXPECT_FALSE(fs::exists(casa_ / ".lumetto" / "drive_c"));
    EXPECT_FALSE(fs::exists(altra / "lavoro"));  // no second folder beside the user's
    EXPECT_EQ(leggi(altra / "Lavoro" / "Arduino" / "Solare.SCA"), "mio");
    EXPECT_EQ(leggi(altra / "Lavoro" / "Arduino" / "climatica.jpg"), "predefinito climatica.jpg");
}

TEST_F(Unita, WhatCannotBeMadeIsReportedInItalianNamingTheFolder) {
    // ~/.lumetto is a file: nothing can go under it (this holds for root too).
    scrivi(casa_ / ".lumetto", "non una cartella");
    try {
        preparaunita(dati_, dove_);
        FAIL() << "nessun errore";
    } catch (const ErroreUnita& e) {
        EXPECT_NE(std::string(e.what()).find("Impossibile creare la cartella"), std::string::npos)
            << e.what();
        EXPECT_NE(std::string(e.what()).find(".lumetto"), std::string::npos) << e.what();
    }
}

TEST_F(Unita, ADanglingDriveOrAMissingDefaultIsAnError) {
    fs::create_directories(dove_.dosdevices);
    fs::create_directory_symlink(casa_ / "chiavetta-tolta", dove_.dosdevices / "c:");
    EXPECT_THROW(preparaunita(dati_, dove_), ErroreUnita);
    EXPECT_FALSE(fs::exists(casa_ / "chiavetta-tolta"));  // never made up in its place

    fs::remove(dove_.dosdevices / "c:");
    fs::remove(dati_ / "solare.jpg");
    try {
        preparaunita(dati_, dove_);
        FAIL() << "nessun errore";
    } catch (const ErroreUnita& e) {
        EXPECT_NE(std::string(e.what()).find("solare.jpg"), std::string::npos) << e.what();
    }
}

TEST_F(Unita, TheUsersHomeIsWhereTheDriveGoes) {
    const std::string prima = std::getenv("HOME");
    setenv("HOME", casa_.c_str(), 1);
    EXPECT_EQ(preparaunita(dati_).size(), 6u);
    setenv("HOME", prima.c_str(), 1);
    EXPECT_TRUE(fs::is_symlink(casa_ / ".lumetto" / "dosdevices" / "c:"));
    EXPECT_TRUE(fs::exists(lavoro() / "solare.sca"));
}

TEST(CartellaDati, EnvironmentFirstThenTheSourceTreesDefaults) {
    const char* prima = std::getenv("LUMETTO_DATI");
    const std::string salvata = prima ? prima : "";
    setenv("LUMETTO_DATI", "/altrove/dati", 1);
    EXPECT_EQ(cartelladati(), fs::path("/altrove/dati"));
    unsetenv("LUMETTO_DATI");
    // From the build tree the defaults are the ones in the sources.
    for (const auto& nome : filepredefiniti())
        EXPECT_TRUE(fs::is_regular_file(cartelladati() / nome)) << nome;
    if (prima) setenv("LUMETTO_DATI", salvata.c_str(), 1);
}

}  // namespace
