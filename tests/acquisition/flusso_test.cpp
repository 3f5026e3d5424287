// The free stream end to end: the virtual board's lines, byte for byte as it
// sends them, through a pseudo-terminal to the program's port, its event
// thread, the line parser, the run's store and the archive.
#include <gtest/gtest.h>
#include <unistd.h>
#include <QTest>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "acquisition/libero.h"
#include "acquisition/registrocorse.h"
#include "board/libero.h"
#include "link/portalibera.h"
#include "serial/posix/termios2.h"
#include "support/dialoghi.h"
#include "support/pty.h"

using namespace lumetto;
using namespace lumetto::acquisition;

TEST(FlussoLibero, TwentyThousandLinesAtAHundredASecondAreKeptWhole) {
    prove::PtyBoard board;
    board.link(13);
    prove::DialoghiScritti box;
    azzeraacquisizione();
    const auto file = std::filesystem::path(std::getenv("HOME")) / "flusso.sqlite";
    RegistroCorse registro(file);
    aggiungiascoltatore(&registro);
    ASSERT_TRUE(avvialibero(115200));

    // In the board's own time: line k at k / 100 s, sent as fast as the
    // program takes them.
    scheda::OpzioniLibero o;
    o.frequenza = 100;
    constexpr int kRighe = 20000;
    std::thread scheda([&] {
        std::string blocco;
        for (int k = 0; k <= kRighe; ++k) {
            if (k < kRighe) blocco += scheda::rigaLibera(o, scheda::Guasto::Nessuno, 7, k).byte;
            if (blocco.size() < 4096 && k < kRighe) continue;
            for (std::size_t fatto = 0; fatto < blocco.size();) {
                const ssize_t n =
                    ::write(board.master(), blocco.data() + fatto, blocco.size() - fatto);
                if (n <= 0) return;
                fatto += static_cast<std::size_t>(n);
            }
            blocco.clear();
        }
    });
    const bool tutte = QTest::qWaitFor([] { return letturelibere().size() >= kRighe; }, 60000);
    // A stalled run leaves the board blocked on a full line: let it go.
    if (!tutte) board.unplug();
    scheda.join();
    fermaacquisizione();
    togliascoltatore(&registro);
    ASSERT_TRUE(tutte) << letturelibere().size() << " readings";
    ASSERT_EQ(stato.colonne.size(), 2u);
    EXPECT_EQ(stato.colonne[0].nome, "luce");
    EXPECT_EQ(stato.colonne[1].nome, "temp");

    ASSERT_NE(registro.archivio(), nullptr);
    const auto corse = registro.archivio()->elenco();
    ASSERT_EQ(corse.size(), 1u);
    const auto letture = registro.archivio()->letture(corse[0].id);
    ASSERT_EQ(letture.size(), std::size_t(kRighe));
    int diverse = 0;
    for (int k = 0; k < kRighe; ++k) {
        const auto attesa = scheda::rigaLibera(o, scheda::Guasto::Nessuno, 7, k);
        const auto& l = letture[std::size_t(k)];
        diverse += l.numero != k + 1;
        for (std::size_t j = 0; j < 2; ++j) {
            diverse += l.valori[j] != *attesa.valori[j];
            diverse += letturelibere()[std::size_t(k)].valori[j] != *attesa.valori[j];
        }
        diverse += k > 0 && l.ms < letture[std::size_t(k - 1)].ms;  // times in the order they came
    }
    EXPECT_EQ(diverse, 0);
    EXPECT_TRUE(box.mostrati.empty());
    EXPECT_TRUE(box.avvisi.empty()) << box.avvisi.front();
    azzeraacquisizione();
}

// The line runs at the rate asked, and at the next one the search tries: a
// rate that did not hold would hear a board at 115200 as garbage all run long.
class VelocitaLibera : public ::testing::TestWithParam<uint32_t> {};

TEST_P(VelocitaLibera, TheLineRunsAtTheRateAskedAndAtTheNextOne) {
    prove::PtyBoard board;
    board.link(13);
    auto linea = [&] {
        termios2 t{};
        return serial::posix::readLine(board.master(), t) ? serial::posix::lineRate(t) : 0u;
    };
    link::PortaLibera porta;
    ASSERT_TRUE(porta.apri("COM13", GetParam(), [](std::string_view) {}));
    EXPECT_EQ(linea(), GetParam());
    const uint32_t altra = GetParam() == 9600 ? 115200 : 9600;
    ASSERT_TRUE(porta.cambiabaud(altra));
    EXPECT_EQ(linea(), altra);
    EXPECT_EQ(porta.baud(), altra);
}

INSTANTIATE_TEST_SUITE_P(Velocita, VelocitaLibera, ::testing::ValuesIn(kBaudLiberi));
