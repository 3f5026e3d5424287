// The virtual board's window, driven as a teacher drives it, over a real board
// on a pseudo-terminal that the tests write to as the program would.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTextDocumentFragment>
#include <chrono>
#include <clocale>
#include <filesystem>
#include <memory>
#include <thread>

#include "board/qt/finestra.h"
#include "board/scheda.h"

namespace fs = std::filesystem;
using namespace lumetto::scheda;
using namespace std::chrono_literals;

namespace {

// Lets the window's timer and queued calls run until cond holds; false after 5 s.
template <typename F>
bool finche(F cond) {
    auto fine = std::chrono::steady_clock::now() + 5s;
    while (!cond()) {
        if (std::chrono::steady_clock::now() > fine) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        std::this_thread::sleep_for(5ms);
    }
    return true;
}

class FinestraTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string d = (fs::temp_directory_path() / "lumetto-finestra-XXXXXX").string();
        ASSERT_NE(mkdtemp(d.data()), nullptr);
        cartella_ = d;
        scheda_ = std::make_unique<Scheda>(Opzioni{.sketch = "pin", .dosdevices = d});
        std::string errore;
        ASSERT_TRUE(scheda_->collega(errore)) << errore;
        finestra_ = std::make_unique<FinestraScheda>(*scheda_);
    }
    void TearDown() override {
        if (filo_.joinable()) {
            scheda_->ferma();
            filo_.join();
        }
        if (porta_ >= 0) close(porta_);
        finestra_.reset();
        scheda_.reset();
        fs::remove_all(cartella_);
    }

    void avvia() {
        filo_ = std::thread([this] { scheda_->esegui(); });
    }
    // Bytes from the program's side of the port.
    void manda(const std::string& byte) {
        if (porta_ < 0)
            porta_ = open(scheda_->percorsoSlave().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        ASSERT_GE(porta_, 0);
        ASSERT_EQ(write(porta_, byte.data(), byte.size()), static_cast<ssize_t>(byte.size()));
    }

    template <typename T = QWidget>
    T* trova(const QString& nome) {
        T* w = finestra_->findChild<T*>(nome);
        EXPECT_NE(w, nullptr) << nome.toStdString();
        return w;
    }
    // The bytes a label shows, as plain text.
    QString byte(const QString& nome) { return trova<QLabel>(nome)->accessibleDescription(); }
    bool acceso(const QString& uscita) { return trova(uscita)->property("acceso").toBool(); }
    int angolo(const QString& servo) { return trova(servo)->property("angolo").toInt(); }
    QStringList righeEventi() {
        return trova<QPlainTextEdit>("eventi")->toPlainText().split('\n', Qt::SkipEmptyParts);
    }
    int righeCon(const QString& parte) {
        int n = 0;
        for (const auto& r : righeEventi())
            n += r.contains(parte);
        return n;
    }

    fs::path cartella_;
    std::unique_ptr<Scheda> scheda_;
    std::unique_ptr<FinestraScheda> finestra_;
    std::thread filo_;
    int porta_ = -1;
};

TEST_F(FinestraTest, GliIngressiImpostatiArrivanoAllaScheda) {
    // The controls start from the board's own values, volts in Italian whatever the locale.
    EXPECT_EQ(trova<QSlider>("analogico_A3")->value(), 1023);
    EXPECT_EQ(trova<QLabel>("volt_A3")->text(), "5,00 V");
    EXPECT_EQ(trova<QLabel>("volt_A0")->text(), "2,50 V");
    EXPECT_FALSE(trova<QCheckBox>("ingresso_D3")->isChecked());

    trova<QCheckBox>("ingresso_D3")->click();
    Pin p = scheda_->pin();
    EXPECT_TRUE(p.digitali[1]);
    EXPECT_FALSE(p.digitali[0]);
    EXPECT_FALSE(p.digitali[2]);
    trova<QCheckBox>("ingresso_D3")->click();
    EXPECT_FALSE(scheda_->pin().digitali[1]);

    trova<QSlider>("analogico_A2")->setValue(700);
    EXPECT_EQ(scheda_->pin().analogici[2], 700);
    EXPECT_EQ(trova<QSpinBox>("valore_A2")->value(), 700);
    EXPECT_EQ(trova<QLabel>("volt_A2")->text(), "3,42 V");

    // The number box drives the same input as the slider, and the two agree.
    trova<QSpinBox>("valore_A5")->setValue(0);
    EXPECT_EQ(scheda_->pin().analogici[5], 0);
    EXPECT_EQ(trova<QSlider>("analogico_A5")->value(), 0);
    EXPECT_EQ(trova<QLabel>("volt_A5")->text(), "0,00 V");
    EXPECT_EQ(scheda_->pin().analogici[4], 0);  // A4 untouched
    EXPECT_EQ(scheda_->pin().analogici[0], 512);
}

TEST_F(FinestraTest, UnClicCambiaLoSketchEIlCorrenteResta) {
    int accesi = 0;
    for (const auto& nome : nomiSketch()) {
        auto* b = trova<QPushButton>(QString::fromStdString("sketch_" + nome));
        ASSERT_NE(b, nullptr);
        EXPECT_EQ(b->accessibleName(), b->text());
        accesi += b->isChecked();
    }
    EXPECT_EQ(accesi, 1);
    EXPECT_TRUE(trova<QPushButton>("sketch_pin")->isChecked());

    trova<QPushButton>("sketch_sonar")->click();
    EXPECT_EQ(scheda_->sketch(), "sonar");
    EXPECT_TRUE(trova<QPushButton>("sketch_sonar")->isChecked());
    EXPECT_FALSE(trova<QPushButton>("sketch_pin")->isChecked());
    QString descrizione = trova<QLabel>("descrizioneSketch")->text();
    EXPECT_TRUE(descrizione.contains("sonar"));
    EXPECT_TRUE(descrizione.contains("«A»"));

    // A second click on the running sketch must not restart its plant.
    trova<QPushButton>("sketch_sonar")->click();
    ASSERT_TRUE(finche([&] { return righeCon("sketch sonar") > 0; }));
    QCoreApplication::processEvents();
    EXPECT_EQ(righeCon("sketch sonar"), 1);
}

TEST_F(FinestraTest, MostraQuelloCheIlProgrammaComanda) {
    avvia();
    manda("H1S2045S3120");
    ASSERT_TRUE(finche([&] { return acceso("uscita_D8") && angolo("servo_3") == 120; }));
    EXPECT_EQ(trova("uscita_D8")->accessibleDescription(), "HIGH");
    EXPECT_FALSE(acceso("uscita_D9"));
    EXPECT_EQ(angolo("servo_1"), 90);
    EXPECT_EQ(angolo("servo_2"), 45);
    EXPECT_EQ(trova("servo_2")->accessibleDescription(), "45°");

    trova<QCheckBox>("ingresso_D3")->click();
    manda("A");
    ASSERT_TRUE(finche([&] { return byte("ultimaRisposta").startsWith("D2LLLLD3HHHHD4"); }));
    EXPECT_TRUE(byte("ultimaRisposta").endsWith("FINE␍␊")) << byte("ultimaRisposta").toStdString();
    EXPECT_TRUE(trova<QLabel>("ultimaRisposta")->text().contains(">CR<"));
    EXPECT_EQ(byte("ultimoComando"), "A");
    EXPECT_EQ(trova<QLabel>("lunghezzaRisposta")->text(), "78 caratteri");

    manda("L1");
    ASSERT_TRUE(finche([&] { return !acceso("uscita_D8"); }));

    ASSERT_TRUE(finche([&] { return righeCon("uscita D8 bassa") == 1; }));
    EXPECT_EQ(righeCon("uscita D8 alta"), 1);
    EXPECT_EQ(righeCon("servo 2 a 45 gradi"), 1);
    QString collegamento = trova<QLabel>("collegamento")->text();
    EXPECT_TRUE(collegamento.contains("Collegata"));
    EXPECT_TRUE(collegamento.contains(QString::fromStdString(scheda_->percorsoSlave())));
    EXPECT_TRUE(collegamento.contains("COM13"));
}

// The free stream started from its button speaks on its own, and shows its
// last line; another sketch chosen, it falls silent.
TEST_F(FinestraTest, LoSketchLiberoParlaDaSeEMostraLUltimaRiga) {
    avvia();
    trova<QPushButton>("sketch_libero")->click();
    EXPECT_TRUE(trova<QLabel>("descrizioneSketch")->text().contains("115200 baud"));
    ASSERT_TRUE(finche([&] { return byte("ultimaRisposta").startsWith("luce:"); }));
    EXPECT_TRUE(byte("ultimaRisposta").endsWith("␍␊"));
    trova<QPushButton>("sketch_pin")->click();
    ASSERT_TRUE(finche([&] { return righeCon("sketch pin") == 1; }));
    std::this_thread::sleep_for(300ms);  // three lines' time
    const std::string ultima = scheda_->ultimaRisposta();
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(scheda_->ultimaRisposta(), ultima);
}

TEST_F(FinestraTest, GliEventiDiUnAltroFiloArrivanoInOrdineEntroIlLimite) {
    constexpr int kEventi = 1200;
    std::thread altro([&] {
        for (int i = 0; i < kEventi; ++i)
            scheda_->evento("evento " + std::to_string(i));
    });
    altro.join();
    ASSERT_TRUE(finche([&] {
        auto righe = righeEventi();
        return !righe.isEmpty() && righe.last().endsWith(" evento 1199");
    }));
    auto righe = righeEventi();
    EXPECT_LE(righe.size(), 500);
    EXPECT_GE(righe.size(), 400);
    // What is kept is the most recent run of events, none lost or swapped in between.
    int atteso = kEventi - static_cast<int>(righe.size());
    for (const auto& riga : righe)
        EXPECT_TRUE(riga.endsWith(QString(" evento %1").arg(atteso++))) << riga.toStdString();
}

TEST(ByteVisibili, MostraIByteDiControllo) {
    EXPECT_EQ(byteVisibili("FINE\r\n"), "FINE␍␊");
    EXPECT_EQ(byteVisibili(std::string("a\x1b\0b\x7f", 5)), "a␛␀b␡");
    // Bytes outside ASCII are a garbled line: they show as numbers, not as accented letters.
    EXPECT_EQ(byteVisibili("\xb0 ok"), "\\xb0 ok");
}

TEST(ByteVisibili, LaVersioneHtmlNominaIByteETieneGliSpazi) {
    QString h = byteHtml("  1.5 <x>\r\n");
    QString testo = QTextDocumentFragment::fromHtml(h).toPlainText().remove(QChar(0x200A));
    // Fields are padded with spaces: collapsing them would misalign what the program reads.
    EXPECT_TRUE(testo.startsWith("  1.5 <x>")) << testo.toStdString();
    EXPECT_TRUE(testo.endsWith("CRLF")) << testo.toStdString();
    EXPECT_FALSE(h.contains("<x>"));
    EXPECT_EQ(QTextDocumentFragment::fromHtml(byteHtml("\x1b\xb0")).toPlainText(),
              QString("ESC") + QChar(0x200A) + "B0");
}

}  // namespace

int main(int argc, char** argv) {
    // No display needed: the window is built and driven, never shown.
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    std::setlocale(LC_ALL, "");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
