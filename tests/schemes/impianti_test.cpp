// The default schemes a new user finds on the c: drive: each must load, read
// the frame of its plant exactly as the virtual board sends it, and place a
// label next to every part of its picture.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "board/sketch.h"
#include "link/campi.h"
#include "platform/dosdevices.h"
#include "platform/unita.h"
#include "schemes/maschere.h"
#include "schemes/sca.h"
#include "schemes/schema.h"

namespace fs = std::filesystem;
using namespace lumetto;

namespace {

// The picture control on a 1366 x 768 screen, and the room a label of about
// ten characters at 16-18 points takes.
constexpr int kLarghezza = 953, kAltezza = 645;
constexpr int kLabelLarga = 80, kLabelAlta = 25;
constexpr int kTestoLargo = 120, kTestoAlto = 26;  // "CO2=1250.0" at 16 points

std::string leggi(const fs::path& p) {
    std::ifstream f(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), {}};
}

const scheda::Esperimento& esperimento(const std::string& nome) {
    for (const auto& e : scheda::esperimenti())
        if (e.nome == nome) return e;
    throw std::invalid_argument(nome);
}

// Width and height from the JPEG's frame header; 0 x 0 when there is none.
std::pair<int, int> dimensioniJpeg(const std::string& d) {
    std::size_t i = 2;
    while (i + 9 < d.size() && static_cast<unsigned char>(d[i]) == 0xFF) {
        const auto m = static_cast<unsigned char>(d[i + 1]);
        const int lunghezza =
            (static_cast<unsigned char>(d[i + 2]) << 8) | static_cast<unsigned char>(d[i + 3]);
        if (m >= 0xC0 && m <= 0xC3) {
            auto byte = [&](std::size_t k) { return static_cast<unsigned char>(d[i + k]); };
            return {(byte(7) << 8) | byte(8), (byte(5) << 8) | byte(6)};
        }
        i += 2 + static_cast<std::size_t>(lunghezza);
    }
    return {0, 0};
}

class Impianti : public ::testing::TestWithParam<std::string> {
  protected:
    static void SetUpTestSuite() { platform::preparaunita(platform::cartelladati()); }
    void SetUp() override {
        nome_ = GetParam();
        file_ = platform::resolvePath("c:\\lavoro\\arduino\\" + nome_ + ".sca");
        schemes::azzeraschema();
        schemes::caricaschema(file_.string());
        schemes::dividitestata();
    }
    std::string nome_;
    fs::path file_;
};

TEST_P(Impianti, FileHasThe39LinesOfTheProgram) {
    const std::string d = leggi(file_);
    int crlf = 0, lf = 0;
    for (std::size_t i = 0; i < d.size(); ++i) {
        if (d[i] != '\n') continue;
        ++lf;
        crlf += i > 0 && d[i - 1] == '\r';
    }
    EXPECT_EQ(lf, schemes::kRigheSca);
    EXPECT_EQ(crlf, lf);
    EXPECT_EQ(d.substr(d.size() - 2), "\r\n");
    // Written back by the program's own writer, the file is the same bytes.
    const auto& s = schemes::schemacorrente();
    std::vector<std::string> condizioni;
    for (int k = 1; k <= schemes::kCondizioni; ++k)
        condizioni.push_back(s.condizione(k).str());
    EXPECT_EQ(schemes::scrivisca(s, condizioni, nome_), d);
}

TEST_P(Impianti, HeaderAndTypesAreThoseOfTheBoardsSketch) {
    const auto& s = schemes::schemacorrente();
    const auto& e = esperimento(nome_);
    EXPECT_EQ(s.testata, e.testata);
    EXPECT_EQ(s.mascheratipo, e.maschera);
    EXPECT_EQ(s.numvariabili, s.testata.size() / 6);
    EXPECT_EQ(s.testata.size() % 6, 0u);
    // One colour and one size per variable, each a code the program knows.
    ASSERT_EQ(s.mascheracolori.size(), s.numvariabili);
    ASSERT_EQ(s.mascheradimensioni.size(), s.numvariabili);
    for (char c : s.mascheracolori)
        EXPECT_TRUE(c >= '0' && c <= '3') << c;
    for (char c : s.mascheradimensioni)
        EXPECT_TRUE(c >= '0' && c <= '2') << c;
}

TEST_P(Impianti, TheBoardsFrameGivesOneFieldPerVariable) {
    const auto& s = schemes::schemacorrente();
    const auto& e = esperimento(nome_);
    scheda::Logica board(nome_, 7);
    for (int volta = 0; volta < 20; ++volta) {
        const std::string trama = board.ricevi(e.lettera, volta * 1000);
        ASSERT_EQ(trama.size(), s.testata.size());
        const auto campi = link::dividicampi(trama);
        int pieni = 0;
        for (const auto& c : campi)
            pieni += !c.empty();
        ASSERT_EQ(pieni, s.numvariabili) << trama;
        // A state or valve is 0, 1 or 2, so it shows as a word, never a number.
        for (int i = 1; i <= s.numvariabili; ++i) {
            const char tipo = schemes::carattere(s.mascheratipo, i);
            if (tipo != '2' && tipo != '4') continue;
            const double v = link::valorecampo(campi[static_cast<std::size_t>(i - 1)]);
            EXPECT_TRUE(v == 0 || v == 1 || v == 2) << trama << " campo " << i;
        }
    }
}

TEST_P(Impianti, EveryLabelIsOnThePictureAndNoneCoversAnother) {
    const auto& s = schemes::schemacorrente();
    for (int i = 1; i <= s.numvariabili; ++i) {
        EXPECT_GT(s.posx(i) + s.posy(i), 0) << "variabile " << i << " senza posizione";
        EXPECT_LT(s.posx(i), kLarghezza - kLabelLarga) << "variabile " << i;
        EXPECT_LT(s.posy(i), kAltezza - kLabelAlta) << "variabile " << i;
        for (int j = i + 1; j <= s.numvariabili; ++j) {
            const bool separati =
                s.posx(i) + kTestoLargo <= s.posx(j) || s.posx(j) + kTestoLargo <= s.posx(i) ||
                s.posy(i) + kTestoAlto <= s.posy(j) || s.posy(j) + kTestoAlto <= s.posy(i);
            EXPECT_TRUE(separati) << "variabili " << i << " e " << j;
        }
    }
    for (int i = s.numvariabili + 1; i <= schemes::kPosizioniSca; ++i) {
        EXPECT_EQ(s.posx(i), 0) << i;
        EXPECT_EQ(s.posy(i), 0) << i;
    }
}

TEST_P(Impianti, ConditionsNameVariablesOfTheScheme) {
    auto& s = schemes::schemacorrente();
    int usate = 0;
    for (int k = 1; k <= schemes::kCondizioni; ++k) {
        const std::string c = s.condizione(k).str();
        if (c.empty()) continue;
        ++usate;
        std::size_t op = c.find_first_of("<>=");
        ASSERT_NE(op, std::string::npos) << c;
        ASSERT_TRUE(op == 1 || op == 2) << c;
        const int v = std::stoi(c.substr(0, op));
        EXPECT_GE(v, 1) << c;
        EXPECT_LE(v, s.numvariabili) << c;
        // It describes itself when the program evaluates its variable.
        s.descrizionecondizione.clear();
        schemes::valutacondizioni(s, v, 0);
        EXPECT_FALSE(s.descrizionecondizione.empty()) << c;
    }
    EXPECT_GE(usate, 3);
}

TEST_P(Impianti, PictureIsAJpegOfThePictureControlsSize) {
    const auto& s = schemes::schemacorrente();
    EXPECT_EQ(s.immagine, "c:\\lavoro\\arduino\\" + nome_ + ".jpg");
    const fs::path foto = platform::resolvePath(s.immagine);
    ASSERT_TRUE(fs::is_regular_file(foto)) << foto;
    const std::string d = leggi(foto);
    ASSERT_GE(d.size(), 3u);
    EXPECT_EQ(d.substr(0, 3), "\xFF\xD8\xFF");
    EXPECT_EQ(dimensioniJpeg(d), std::make_pair(kLarghezza, kAltezza));
}

INSTANTIATE_TEST_SUITE_P(Predefiniti, Impianti,
                         ::testing::Values("climatica", "solare", "irrigazione"));

}  // namespace
