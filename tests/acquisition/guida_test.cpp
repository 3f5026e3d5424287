// F1 in every window of the program opens the teacher's guide at that
// window's page, and the built guide links only to pages, sections and
// pictures that are there.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <QApplication>
#include <QDesktopServices>
#include <QObject>
#include <QTest>
#include <QUrl>
#include <QWidget>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <regex>
#include <sstream>
#include <string>

#include "acquisition/qt/formcorse.h"
#include "acquisition/qt/formesperimenti.h"
#include "acquisition/qt/formgrafico.h"
#include "acquisition/qt/mainform.h"
#include "board/qt/finestra.h"
#include "board/scheda.h"
#include "panels/qt/formarduino.h"
#include "panels/qt/formarduino2.h"
#include "platform/guida.h"
#include "schemes/qt/form2.h"
#include "support/cartella.h"
#include "support/dialoghi.h"

namespace fs = std::filesystem;
using namespace lumetto;

// Takes what openUrl would hand to the desktop's browser.
class Browser : public QObject {
    Q_OBJECT
  public:
    QList<QUrl> aperti;
  public slots:
    void apri(const QUrl& url) { aperti << url; }
};

namespace {

std::string leggi(const fs::path& p) {
    std::ifstream f(p);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

class Guida : public ::testing::Test {
  protected:
    void SetUp() override {
        // The guide of this build tree, whatever the shell says.
        unsetenv("LUMETTO_GUIDA");
        QDesktopServices::setUrlHandler(QStringLiteral("file"), &browser, "apri");
    }
    void TearDown() override { QDesktopServices::unsetUrlHandler(QStringLiteral("file")); }

    // Shows the window, makes it the active one and presses F1 where the
    // focus is, as a user's key goes.
    static void premiF1(QWidget& w) {
        w.show();
        w.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
        QWidget* fuoco = QApplication::focusWidget();
        QTest::keyClick(fuoco && w.isAncestorOf(fuoco) ? fuoco : &w, Qt::Key_F1);
    }

    Browser browser;
    prove::DialoghiScritti box;
};

struct Finestra {
    const char* nome;
    std::function<std::unique_ptr<QWidget>()> crea;
    const char* pagina;
};

}  // namespace

TEST_F(Guida, F1InEveryWindowOpensItsPage) {
    prove::CartellaProva cartella;
    scheda::Scheda virtuale(scheda::Opzioni{});  // its window only: never linked
    acquisition::TFormgrafico grafico;
    const Finestra finestre[] = {
        {"Tmainform",
         [] {
             return std::make_unique<acquisition::Tmainform>(
                 acquisition::Tmainform::Avvio::Manuale);
         },
         "index.html"},
        {"TFormgrafico", [] { return std::make_unique<acquisition::TFormgrafico>(); },
         "grafico.html"},
        {"TFormcorse",
         [&] {
             return std::make_unique<acquisition::TFormcorse>(&grafico,
                                                              cartella.percorso() / "a.sqlite");
         },
         "grafico.html#corse"},
        {"TFormesperimenti",
         [&] {
             return std::make_unique<acquisition::TFormesperimenti>(cartella.percorso(),
                                                                    cartella.percorso());
         },
         "mio-esperimento.html"},
        {"TFormmio",
         [&] { return std::make_unique<acquisition::TFormmio>(acquisition::MioEsperimento{}); },
         "mio-esperimento.html#modifica"},
        {"TForm2", [] { return std::make_unique<schemes::TForm2>(); }, "schemi.html"},
        {"TFormarduino", [] { return std::make_unique<panels::TFormarduino>(); },
         "pannelli.html#stato-arduino"},
        {"TFormarduino2", [] { return std::make_unique<panels::TFormarduino2>(); },
         "pannelli.html#servo"},
        {"FinestraScheda", [&] { return std::make_unique<scheda::FinestraScheda>(virtuale); },
         "scheda-virtuale.html"},
    };
    for (const Finestra& f : finestre) {
        SCOPED_TRACE(f.nome);
        browser.aperti.clear();
        auto w = f.crea();
        premiF1(*w);
        ASSERT_EQ(browser.aperti.size(), 1);
        const QUrl url = browser.aperti.front();
        const platform::PaginaGuida attesa = platform::paginaguida(f.pagina);
        ASSERT_TRUE(url.isLocalFile());
        EXPECT_EQ(fs::path(url.toLocalFile().toStdString()), attesa.file);
        EXPECT_EQ(url.fragment().toStdString(), attesa.sezione);
        // Built with the program: a guide that is not there fails here.
        ASSERT_TRUE(fs::is_regular_file(attesa.file)) << attesa.file;
        if (!attesa.sezione.empty()) {
            EXPECT_NE(leggi(attesa.file).find("id=\"" + attesa.sezione + "\""), std::string::npos)
                << "no section " << attesa.sezione << " in " << attesa.file;
        }
    }
    EXPECT_TRUE(box.errori.empty());
}

// Where the guide is missing, F1 says so and names the file it looked for.
TEST_F(Guida, F1WithoutTheGuideNamesWhereItLooked) {
    prove::CartellaProva cartella;
    const fs::path vuota = cartella.percorso() / "guida";
    setenv("LUMETTO_GUIDA", vuota.c_str(), 1);
    acquisition::Tmainform w(acquisition::Tmainform::Avvio::Manuale);
    premiF1(w);
    unsetenv("LUMETTO_GUIDA");
    EXPECT_TRUE(browser.aperti.empty());
    ASSERT_EQ(box.errori.size(), 1u);
    EXPECT_NE(box.errori.front().find((vuota / "index.html").string()), std::string::npos)
        << box.errori.front();
}

// Every page has its title, and every link and picture of every page leads
// to a file (and a section) of the guide, the wiring pictures included.
TEST_F(Guida, EveryPageHasATitleAndEveryLinkLeadsSomewhere) {
    const fs::path guida = platform::cartellaguida();
    const std::regex titolo(R"(<h1 class="title">([^<]+)</h1>)");
    const std::regex riferimento(R"((href|src)="([^"]*)\")");
    int pagine = 0;
    for (const auto& voce : fs::directory_iterator(guida)) {
        if (voce.path().extension() != ".html") continue;
        ++pagine;
        const std::string pagina = voce.path().filename().string();
        const std::string testo = leggi(voce.path());
        EXPECT_TRUE(std::regex_search(testo, titolo)) << pagina << " has no title";
        for (std::sregex_iterator it(testo.begin(), testo.end(), riferimento), fine; it != fine;
             ++it) {
            const std::string dove = (*it)[2];
            if (dove.find("://") != std::string::npos || dove.starts_with("mailto:")) continue;
            const auto cancelletto = dove.find('#');
            const std::string file = dove.substr(0, cancelletto);
            const std::string sezione =
                cancelletto == std::string::npos ? "" : dove.substr(cancelletto + 1);
            const fs::path bersaglio = file.empty() ? voce.path() : guida / file;
            if (!fs::is_regular_file(bersaglio)) {
                ADD_FAILURE() << pagina << " links to " << dove << ", which is not there";
                continue;
            }
            if (!sezione.empty()) {
                EXPECT_NE(leggi(bersaglio).find("id=\"" + sezione + "\""), std::string::npos)
                    << pagina << " links to " << dove << ", a section that is not there";
            }
        }
    }
    EXPECT_GE(pagine, 9) << "the guide in " << guida << " is not built";
}

#include "guida_test.moc"
