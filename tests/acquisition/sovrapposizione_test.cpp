// The main window's plant overlay on the offscreen platform: the picture in
// Image1 and one label per variable, a bad picture, the scheme's commands,
// the Excel export of a run and the plot window beside the scheme.
#include <gtest/gtest.h>

#include <QColor>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <chrono>
#include <filesystem>
#include <memory>
#include <thread>

#include "acquisition/acquisizione.h"
#include "acquisition/finestraprincipale.h"
#include "acquisition/qt/formgrafico.h"
#include "acquisition/qt/mainform.h"
#include "board/scheda.h"
#include "link/letture.h"
#include "platform/dosdevices.h"
#include "platform/unita.h"
#include "schemes/sca.h"
#include "schemes/schema.h"

namespace fs = std::filesystem;
using namespace lumetto;
using namespace lumetto::acquisition;
using namespace std::chrono_literals;
using prove::FinestraPrincipale;

// The plant overlay: the picture in Image1 and one label per variable.

namespace {

const char* const kEtichette[] = {"Label1", "Label2", "Label4", "Label5",  "Label6",
                                  "Label7", "Label8", "Label9", "Label10", "Label11"};

// A picture of w x h written as the extension asks, in a folder of the test.
std::string figura(const std::string& nome, int larghezza = 320, int altezza = 200,
                   QColor colore = Qt::darkCyan) {
    fs::path dir = fs::path(getenv("HOME")) / "figure";
    fs::create_directories(dir);
    QImage img(larghezza, altezza, QImage::Format_RGB32);
    img.fill(colore);
    std::string percorso = (dir / nome).string();
    EXPECT_TRUE(img.save(QString::fromStdString(percorso)));
    return percorso;
}

}  // namespace

TEST_F(FinestraPrincipale, SolarPlantShowsItsLiveValuesOverThePicture) {
    platform::preparaunita(platform::cartelladati());
    apri();
    premi("BitBtn7");  // "impianto solare"
    ASSERT_TRUE(box.mostrati.empty()) << box.mostrati.front();
    ASSERT_TRUE(timer()->isActive());
    w->leggiidati();
    w->leggiidati();
    ASSERT_TRUE(box.mostrati.empty()) << box.mostrati.front();

    auto* image1 = c<QLabel>("Image1");
    EXPECT_TRUE(image1->isVisible());
    EXPECT_FALSE(image1->pixmap().isNull());
    EXPECT_FALSE(c("RichEdit1")->isVisible());
    EXPECT_TRUE(c("RichEdit2")->isVisible());
    EXPECT_FALSE(c("Label3")->isVisible());  // hidden with the value labels, for good

    const auto& s = schemes::schemacorrente();
    ASSERT_EQ(s.numvariabili, 8);
    EXPECT_EQ(s.punto, 0);
    for (int i = 1; i <= 10; ++i) {
        auto* l = c<QLabel>(kEtichette[i - 1]);
        if (i > s.numvariabili) {
            EXPECT_FALSE(l->isVisible()) << i;
            continue;
        }
        ASSERT_TRUE(l->isVisible()) << i;
        // The name, "=" and the value of the second reading, with no blanks.
        std::string valore = testoschema(i);
        EXPECT_EQ(valore.find(' '), std::string::npos);
        EXPECT_EQ(l->text().toStdString(), s.nomevariabile(i) + valore);
        EXPECT_EQ(l->pos(), image1->pos() + QPoint(s.posx(i), s.posy(i))) << i;
        auto colore = schemes::coloremaschera(s.mascheracolori, i);
        EXPECT_EQ(l->palette().color(QPalette::WindowText), QColor(colore.r, colore.g, colore.b));
        EXPECT_EQ(l->font().pointSize(), schemes::dimensionemaschera(s.mascheradimensioni, i));
        EXPECT_TRUE(image1->geometry().contains(l->geometry())) << i << " runs off the picture";
    }
    // The pump's state reads as a word: "Pom=ON" or "Pom=OFF".
    EXPECT_TRUE(c<QLabel>("Label7")->text().startsWith("Pom=O"))
        << c<QLabel>("Label7")->text().toStdString();
    EXPECT_EQ(link::numerolettura, 2);
}

TEST_F(FinestraPrincipale, TwelveVariablesDrawOnlyTenLabels) {
    apri();
    auto& s = schemes::schemacorrente();
    s.testata = "aaaaa.bbbbb.ccccc.ddddd.eeeee.fffff.ggggg.hhhhh.iiiii.jjjjj.kkkkk.lllll.";
    s.mascheratipo = "222222222222";
    s.mascheracolori = "01";     // shorter than the variables: black from the third on
    s.mascheradimensioni = "2";  // and 14 points from the second on
    s.immagine = figura("dodici.bmp", 953, 645);  // the picture control's size
    for (int i = 1; i <= 12; ++i) {
        s.posx(i) = static_cast<uint16_t>(10 * i);
        s.posy(i) = static_cast<uint16_t>(20 * i);
    }
    link::numerolettura = 5;
    for (int i = 1; i <= 12; ++i)
        link::tabellaletture[5][static_cast<size_t>(i)] = 1;
    ASSERT_TRUE(w->preparaSchema());
    w->mostraSchema();
    EXPECT_EQ(s.numvariabili, 12);
    auto* image1 = c<QLabel>("Image1");
    for (int i = 1; i <= 10; ++i) {
        auto* l = c<QLabel>(kEtichette[i - 1]);
        EXPECT_TRUE(l->isVisible()) << i;
        std::string nome(1, static_cast<char>('a' + i - 1));
        EXPECT_EQ(l->text().toStdString(), nome + nome + nome + "=ON") << i;
        EXPECT_EQ(l->pos(), image1->pos() + QPoint(10 * i, 20 * i));
    }
    EXPECT_EQ(c<QLabel>("Label1")->font().pointSize(), 18);
    EXPECT_EQ(c<QLabel>("Label2")->font().pointSize(), 14);
    EXPECT_EQ(c<QLabel>("Label2")->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    EXPECT_EQ(c<QLabel>("Label4")->palette().color(QPalette::WindowText), QColor(0, 0, 0));
    EXPECT_TRUE(box.mostrati.empty());
}

TEST_F(FinestraPrincipale, AClickOnThePicturePlacesTheSelectedVariable) {
    apri();
    auto& s = schemes::schemacorrente();
    s.testata = "Temp..Umid..Cald..";
    s.mascheratipo = "112";
    s.immagine = figura("clic.jpg");
    ASSERT_TRUE(w->preparaSchema());  // the tick turns positioning off
    auto* image1 = c<QLabel>("Image1");
    auto* testata = c<QTextEdit>("RichEdit2");
    testata->setPlainText("prima");
    QTest::mouseClick(image1, Qt::LeftButton, {}, QPoint(40, 30));
    EXPECT_EQ(testata->toPlainText(), "prima");
    EXPECT_EQ(s.posx(2), 0);

    s.punto = 2;  // as the editor leaves it
    // The picture control on 1366 x 768 is the reference space of schemes
    // (953 x 645): the click stores its own pixel, whatever the picture's
    // size (320 x 200 here), and the label stands on it.
    QTest::mouseClick(image1, Qt::RightButton, {}, QPoint(123, 45));
    EXPECT_EQ(testata->toPlainText(), "punto=  2 Umi x=   123 Y=    45");
    EXPECT_EQ(s.posx(2), 123);
    EXPECT_EQ(s.posy(2), 45);
    auto* l = c<QLabel>("Label2");
    EXPECT_TRUE(l->isVisible());
    EXPECT_EQ(l->text(), "Umi=xxxx.x");
    EXPECT_EQ(l->pos(), image1->pos() + QPoint(123, 45));
}

TEST_F(FinestraPrincipale, ABadPictureIsToldAndTheProgramGoesOn) {
    apri();
    auto& s = schemes::schemacorrente();
    s.testata = "Temp..";
    s.mascheratipo = "1";
    fs::path testo = fs::path(getenv("HOME")) / "figure" / "testo.jpg";
    fs::create_directories(testo.parent_path());
    std::FILE* f = std::fopen(testo.c_str(), "w");
    std::fputs("non sono una figura\n", f);
    std::fclose(f);
    std::string manca = figura("manca.bmp") + ".no";
    // A JPEG cut in half, one whose header claims 60000 x 60000 points, a BMP
    // whose header is broken.
    auto riscrivi = [](const std::string& percorso, const QByteArray& byte) {
        QFile file(QString::fromStdString(percorso));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(byte);
    };
    auto leggi = [](const std::string& percorso) {
        QFile file(QString::fromStdString(percorso));
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        return file.readAll();
    };
    std::string tronca = figura("tronca.jpg", 640, 480);
    QByteArray jpeg = leggi(tronca);
    riscrivi(tronca, jpeg.left(jpeg.size() / 2));
    std::string enorme = figura("enorme.jpg", 16, 16);
    QByteArray grande = leggi(enorme);
    qsizetype sof = grande.indexOf(QByteArray("\xFF\xC0", 2));
    ASSERT_GT(sof, 0);
    for (int k : {5, 7}) {  // height, then width: 60000 is 0xEA60
        grande[sof + k] = static_cast<char>(0xEA);
        grande[sof + k + 1] = static_cast<char>(0x60);
    }
    riscrivi(enorme, grande);
    std::string rotta = figura("rotta.bmp", 32, 32);
    QByteArray bmp = leggi(rotta);
    bmp.replace(14, 4, QByteArray("\xFF\xFF\xFF\x7F", 4));  // the info header's size
    riscrivi(rotta, bmp);
    const std::string cattive[] = {testo.string(), manca, std::string(), tronca, enorme, rotta};
    for (const std::string& percorso : cattive) {
        s.immagine = percorso;
        EXPECT_FALSE(w->preparaSchema()) << percorso;
    }
    ASSERT_EQ(box.errori.size(), std::size(cattive));
    EXPECT_NE(box.errori[0].find("testo.jpg"), std::string::npos) << box.errori[0];
    EXPECT_NE(box.errori[1].find("manca.bmp.no"), std::string::npos) << box.errori[1];
    EXPECT_EQ(box.errori[2], "Nessuna immagine da caricare: manca il nome del file");
    for (std::size_t k = 3; k < std::size(cattive); ++k)
        EXPECT_NE(box.errori[k].find(fs::path(cattive[k]).filename().string()), std::string::npos)
            << box.errori[k];

    // A picture that comes back shows at the next tick; a changed one shows
    // changed; a removed one is an error again.
    std::string buona = figura("torna.bmp", 64, 48, Qt::red);
    s.immagine = buona;
    ASSERT_TRUE(w->preparaSchema());
    auto* image1 = c<QLabel>("Image1");
    EXPECT_EQ(image1->pixmap().toImage().pixelColor(1, 1), QColor(Qt::red));
    std::this_thread::sleep_for(10ms);  // a new modification time
    figura("torna.bmp", 64, 48, Qt::blue);
    ASSERT_TRUE(w->preparaSchema());
    EXPECT_EQ(image1->pixmap().toImage().pixelColor(1, 1), QColor(Qt::blue));
    fs::remove(buona);
    box.errori.clear();
    EXPECT_FALSE(w->preparaSchema());
    EXPECT_EQ(box.errori.size(), 1u);
}

TEST_F(FinestraPrincipale, ASchemeCommandWithItsFileMissingStartsNothing) {
    apri();
    fs::path climatica = platform::resolvePath("c:\\lavoro\\arduino\\climatica.sca");
    fs::remove(climatica);
    premi("BitBtn6");  // "regolazione climatica"
    EXPECT_EQ(box.errori.size(), 1u);
    EXPECT_FALSE(timer()->isActive());
    EXPECT_EQ(stato.codiceesperimento, 0);
    EXPECT_FALSE(c("Image1")->isVisible());
    platform::preparaunita(platform::cartelladati());  // back for the tests that follow
}

TEST_F(FinestraPrincipale, ExcelSavesTheRunAndAFailedSaveKeepsIt) {
    apri();
    premi("BitBtn4");  // Sonar
    w->leggiidati();
    w->leggiidati();
    fs::path cartella = fs::path(getenv("HOME")) / "esportazioni";
    fs::create_directories(cartella);

    // A folder that is not there: the error box, no file, the readings kept.
    box.risposte = {(cartella / "manca" / "sonar").string()};
    premi("BitBtn3");
    EXPECT_FALSE(timer()->isActive());
    ASSERT_EQ(box.errori.size(), 1u);
    EXPECT_NE(box.errori[0].find("sonar.xls"), std::string::npos) << box.errori[0];
    EXPECT_TRUE(box.mostrati.empty());
    EXPECT_EQ(stato.letturemostrate, 2);
    EXPECT_EQ(link::numerolettura, 2);

    // Again, where it can be written: the file, its message, the count restarts.
    box.risposte = {(cartella / "sonar").string()};
    premi("BitBtn3");
    EXPECT_EQ(box.domande.back(), "scrivi il  file xls|files excel|*.xls");
    fs::path file = cartella / "sonar.xls";
    ASSERT_EQ(box.mostrati.size(), 1u);
    EXPECT_EQ(box.mostrati[0], "salvato il file:" + file.string());
    EXPECT_GT(fs::file_size(file), 4096u);
    EXPECT_EQ(stato.letturemostrate, 0);
    EXPECT_EQ(link::numerolettura, 0);
    EXPECT_EQ(std::distance(fs::directory_iterator(cartella), fs::directory_iterator()), 1)
        << "a temporary file was left";
}

// The plot window, even hidden, hears of every run, and leaves the scheme as
// the design has it: the editor finds no scheme after "6 ingressi analogici",
// and "+" selects nothing after a new picture and a run without a header.
TEST_F(FinestraPrincipale, ThePlotReadsTheRunAndLeavesTheSchemeAlone) {
    TFormgrafico grafico;
    apri(false);
    w->impostaGrafico(&grafico);
    auto nelleditor = [this](const std::vector<const char*>& bottoni) {
        QTimer::singleShot(0, [&, bottoni] {
            for (const char* b : bottoni)
                QTest::mouseClick(form2.findChild<QPushButton*>(b), Qt::LeftButton);
            form2.reject();
        });
        premi("BitBtn25");  // "SCADA"
    };
    premi("BitBtn19");  // "6 ingressi analogici"
    fermaacquisizione();
    nelleditor({"BitBtn6"});  // "salva scada"
    EXPECT_EQ(box.mostrati, std::vector<std::string>{"nessun dato scada in memoria!"});
    EXPECT_TRUE(box.domande.empty()) << box.domande.front();

    // A scheme whose variables "carica immagine" then puts out of reach.
    auto& s = schemes::schemacorrente();
    s.testata = "Temp..Umid..";
    s.mascheratipo = "11";
    schemes::dividitestata();
    box.risposte.push_back(figura("nuova.bmp"));
    nelleditor({"BitBtn2"});  // "carica immagine"
    ASSERT_EQ(s.numvariabili, 0);
    prove::Modale visto;
    for (const char* corsa : {"BitBtn9", "BitBtn11"}) {  // "servo" (its panel closed), "Utente"
        if (corsa == std::string("BitBtn9")) prove::chiudiLaModale(visto, [] { return true; });
        premi(corsa);
        fermaacquisizione();
        nelleditor({"BitBtn3"});  // "+"
        EXPECT_EQ(s.punto, 0) << corsa;
        EXPECT_EQ(s.numvariabili, 0) << corsa;
    }
}
