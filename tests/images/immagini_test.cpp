// Picture loading: every picture is made here, JPEGs with libjpeg's own
// compressor (no Qt plugin needed), BMPs with QImage::save.
#include "platform/images/immagini.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

// jpeglib.h needs FILE and size_t declared before it.
#include <cstdio>

#include <jpeglib.h>

#include <gtest/gtest.h>
#include <QColor>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;
using lumetto::platform::CacheImmagine;
using lumetto::platform::caricaimmagine;
using lumetto::platform::decodificabmp;
using lumetto::platform::decodificajpeg;
using lumetto::platform::ErroreImmagine;

namespace {

struct Rgb {
    int r, g, b;
};

constexpr Rgb kRosso{255, 0, 0}, kVerde{0, 255, 0}, kBlu{0, 0, 255};

struct OpzioniJpeg {
    int componenti = 3;  // 1 grey, 3 RGB, 4 CMYK stored Adobe-style (inverted)
    bool progressivo = false;
    int qualita = 95;
};

// Pixel (x, y) of a picture: its samples, as many as the components.
using Pittore = std::function<void(int x, int y, unsigned char* campioni)>;

std::vector<unsigned char> creajpeg(int larga, int alta, const Pittore& pittore,
                                    OpzioniJpeg o = {}) {
    jpeg_compress_struct info{};
    jpeg_error_mgr err{};
    info.err = jpeg_std_error(&err);
    jpeg_create_compress(&info);
    unsigned char* uscita = nullptr;
    unsigned long dimensione = 0;
    jpeg_mem_dest(&info, &uscita, &dimensione);
    info.image_width = static_cast<JDIMENSION>(larga);
    info.image_height = static_cast<JDIMENSION>(alta);
    info.input_components = o.componenti;
    info.in_color_space = o.componenti == 1   ? JCS_GRAYSCALE
                          : o.componenti == 3 ? JCS_RGB
                                              : JCS_CMYK;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, o.qualita, TRUE);
    if (o.progressivo) jpeg_simple_progression(&info);
    jpeg_start_compress(&info, TRUE);
    std::vector<unsigned char> riga(static_cast<std::size_t>(larga * o.componenti));
    for (int y = 0; y < alta; ++y) {
        for (int x = 0; x < larga; ++x)
            pittore(x, y, riga.data() + x * o.componenti);
        JSAMPROW r = riga.data();
        jpeg_write_scanlines(&info, &r, 1);
    }
    jpeg_finish_compress(&info);
    std::vector<unsigned char> dati(uscita, uscita + dimensione);
    jpeg_destroy_compress(&info);
    std::free(uscita);
    return dati;
}

// Three vertical stripes, red, green and blue, each a third of the width.
void strisce(int larga, int x, unsigned char* p) {
    Rgb c = x < larga / 3 ? kRosso : x < 2 * larga / 3 ? kVerde : kBlu;
    p[0] = static_cast<unsigned char>(c.r);
    p[1] = static_cast<unsigned char>(c.g);
    p[2] = static_cast<unsigned char>(c.b);
}

std::vector<unsigned char> jpegstrisce(int larga, int alta, OpzioniJpeg o = {}) {
    return creajpeg(
        larga, alta, [larga](int x, int, unsigned char* p) { strisce(larga, x, p); }, o);
}

std::vector<unsigned char> jpegunito(int larga, int alta, Rgb c) {
    return creajpeg(larga, alta, [c](int, int, unsigned char* p) {
        p[0] = static_cast<unsigned char>(c.r);
        p[1] = static_cast<unsigned char>(c.g);
        p[2] = static_cast<unsigned char>(c.b);
    });
}

class Immagini : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string modello = (fs::temp_directory_path() / "lumetto-img-XXXXXX").string();
        ASSERT_NE(mkdtemp(modello.data()), nullptr);
        dir_ = modello;
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string scrivi(const std::string& nome, const std::vector<unsigned char>& dati) {
        std::string p = (dir_ / nome).string();
        std::ofstream f(p, std::ios::binary | std::ios::trunc);
        f.write(reinterpret_cast<const char*>(dati.data()),
                static_cast<std::streamsize>(dati.size()));
        EXPECT_TRUE(f.good());
        return p;
    }

    fs::path dir_;
};

// Colour of a pixel, with room for JPEG's loss.
::testing::AssertionResult vicino(const QImage& im, int x, int y, Rgb atteso, int tolleranza = 40) {
    QColor c = im.pixelColor(x, y);
    if (std::abs(c.red() - atteso.r) <= tolleranza &&
        std::abs(c.green() - atteso.g) <= tolleranza && std::abs(c.blue() - atteso.b) <= tolleranza)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "(" << x << "," << y << ") is " << c.red() << "," << c.green() << "," << c.blue()
           << ", expected " << atteso.r << "," << atteso.g << "," << atteso.b;
}

void controllastrisce(const QImage& im) {
    const int w = im.width();
    for (int y : {0, im.height() / 2, im.height() - 1}) {
        EXPECT_TRUE(vicino(im, w / 6, y, kRosso));
        EXPECT_TRUE(vicino(im, w / 2, y, kVerde));
        EXPECT_TRUE(vicino(im, w - 1 - w / 6, y, kBlu));
    }
}

// The text of the error a load raises; fails the test if none is raised.
std::string errore(const std::function<void()>& carica) {
    try {
        carica();
    } catch (const ErroreImmagine& e) {
        return e.what();
    }
    ADD_FAILURE() << "no ErroreImmagine";
    return {};
}

// ---- Decoding -------------------------------------------------------------

TEST_F(Immagini, JpegStripesComeBackWithTheirSizeAndColours) {
    // Odd sizes: rows of 3*w bytes are not a multiple of 4, as QImage's are.
    for (bool progressivo : {false, true}) {
        SCOPED_TRACE(progressivo ? "progressive" : "baseline");
        auto p = scrivi("strisce.jpg", jpegstrisce(97, 31, {.progressivo = progressivo}));
        QImage im = caricaimmagine(p);
        ASSERT_EQ(im.size(), QSize(97, 31));
        EXPECT_EQ(im.format(), QImage::Format_RGB888);
        controllastrisce(im);
    }
}

TEST_F(Immagini, GreyJpegBecomesGreyRgb) {
    auto p = scrivi("grigio.jpeg", creajpeg(64, 16,
                                            [](int x, int, unsigned char* s) {
                                                s[0] = static_cast<unsigned char>(x * 4);
                                            },
                                            {.componenti = 1}));
    QImage im = caricaimmagine(p);
    ASSERT_EQ(im.size(), QSize(64, 16));
    for (int x : {4, 32, 60}) {
        QColor c = im.pixelColor(x, 8);
        EXPECT_EQ(c.red(), c.green());
        EXPECT_EQ(c.green(), c.blue());
        EXPECT_NEAR(c.red(), x * 4, 6);
    }
}

TEST_F(Immagini, AdobeCmykJpegIsConvertedToRgb) {
    // Adobe stores ink inverted: 255 is no ink. No cyan, full magenta and
    // yellow, no black: red. Then pure black ink: black.
    auto p = scrivi("cmyk.jpg", creajpeg(32, 16,
                                         [](int x, int, unsigned char* s) {
                                             if (x < 16) {
                                                 s[0] = 255, s[1] = 0, s[2] = 0, s[3] = 255;
                                             } else {
                                                 s[0] = 255, s[1] = 255, s[2] = 255, s[3] = 0;
                                             }
                                         },
                                         {.componenti = 4}));
    QImage im = caricaimmagine(p);
    ASSERT_EQ(im.size(), QSize(32, 16));
    EXPECT_TRUE(vicino(im, 4, 8, kRosso, 10));
    EXPECT_TRUE(vicino(im, 28, 8, {0, 0, 0}, 10));
}

TEST_F(Immagini, ExtensionIsReadInAnyCase) {
    auto dati = jpegstrisce(48, 12);
    for (const char* nome : {"a.JPG", "b.Jpeg", "c.jPg"}) {
        SCOPED_TRACE(nome);
        QImage im = caricaimmagine(scrivi(nome, dati));
        EXPECT_EQ(im.size(), QSize(48, 12));
    }
}

TEST_F(Immagini, BmpIsReadExactly) {
    QImage origine(30, 10, QImage::Format_RGB32);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 30; ++x) {
            unsigned char p[3];
            strisce(30, x, p);
            origine.setPixelColor(x, y, QColor(p[0], p[1], p[2]));
        }
    for (const char* nome : {"s.bmp", "S.BMP"}) {
        SCOPED_TRACE(nome);
        std::string p = (dir_ / nome).string();
        ASSERT_TRUE(origine.save(QString::fromStdString(p), "BMP"));
        QImage im = caricaimmagine(p, QSize(5, 5));  // no scaling for BMP
        ASSERT_EQ(im.size(), QSize(30, 10));
        EXPECT_TRUE(vicino(im, 2, 5, kRosso, 0));
        EXPECT_TRUE(vicino(im, 15, 5, kVerde, 0));
        EXPECT_TRUE(vicino(im, 27, 5, kBlu, 0));
    }
}

// A BMP stored top row first declares a negative height; it once read as a
// damaged file.
TEST_F(Immagini, TopDownBmpIsRead) {
    std::vector<unsigned char> dati = {
        'B',  'M',  78, 0, 0, 0, 0, 0, 0,    0,    54,   0,    0,    0,  // file header
        40,   0,    0,  0, 4, 0, 0, 0, 0xFE, 0xFF, 0xFF, 0xFF,           // 4 x -2
        1,    0,    24, 0, 0, 0, 0, 0, 24,   0,    0,    0,    0x13, 0x0B,
        0,    0,  // 24 bits, uncompressed
        0x13, 0x0B, 0,  0, 0, 0, 0, 0, 0,    0,    0,    0};
    for (int riga = 0; riga < 2; ++riga)  // blue, green, red: the top row red, the bottom blue
        for (int x = 0; x < 4; ++x)
            dati.insert(dati.end(), {static_cast<unsigned char>(riga == 0 ? 0 : 255), 0,
                                     static_cast<unsigned char>(riga == 0 ? 255 : 0)});
    QImage im = caricaimmagine(scrivi("altobasso.bmp", dati));
    ASSERT_EQ(im.size(), QSize(4, 2));
    EXPECT_TRUE(vicino(im, 1, 0, kRosso, 0));
    EXPECT_TRUE(vicino(im, 1, 1, kBlu, 0));
}

// ---- Scaled decoding ------------------------------------------------------

TEST_F(Immagini, LargeJpegIsDecodedAtTheSmallestScaleNotBelowTheSizeShown) {
    auto p = scrivi("grande.jpg", jpegstrisce(4000, 3000, {.qualita = 75}));
    struct Caso {
        QSize mostrata, attesa;
    };
    const Caso casi[] = {
        {{953, 645}, {1000, 750}},     // the main window's picture
        {{500, 375}, {500, 375}},      // exactly 1/8: not below, so taken
        {{501, 375}, {1000, 750}},     // one point wider than 1/8 gives
        {{2000, 1501}, {4000, 3000}},  // one point taller than 1/2 gives
        {{5000, 4000}, {4000, 3000}},  // larger than the picture: full size
        {{}, {4000, 3000}},            // nothing shown: full size
        {{0, 645}, {4000, 3000}},      // an empty size is no size
    };
    for (const Caso& c : casi) {
        SCOPED_TRACE(::testing::Message() << c.mostrata.width() << "x" << c.mostrata.height());
        QImage im = caricaimmagine(p, c.mostrata);
        ASSERT_EQ(im.size(), c.attesa);
        if (c.mostrata.isValid() && !c.mostrata.isEmpty()) {
            EXPECT_GE(im.width(), std::min(c.mostrata.width(), 4000));
            EXPECT_GE(im.height(), std::min(c.mostrata.height(), 3000));
        }
        controllastrisce(im);
    }
}

TEST_F(Immagini, ScaledDecodeRoundsOddSizesUp) {
    // 1001 / 8 = 125.1: libjpeg gives 126 columns, and so must the QImage.
    QImage im = caricaimmagine(scrivi("dispari.jpg", jpegstrisce(1001, 803)), QSize(100, 100));
    EXPECT_EQ(im.size(), QSize(126, 101));
    controllastrisce(im);
}

// ---- Bad files ------------------------------------------------------------

TEST_F(Immagini, TruncatedJpegIsAnErrorNamingTheFile) {
    auto intero = jpegstrisce(200, 150, {.qualita = 90});
    for (bool progressivo : {false, true}) {
        auto dati = progressivo ? jpegstrisce(200, 150, {.progressivo = true}) : intero;
        for (std::size_t taglio :
             {std::size_t{0}, std::size_t{2}, std::size_t{20}, dati.size() / 2, dati.size() - 40}) {
            SCOPED_TRACE(::testing::Message()
                         << (progressivo ? "progressive" : "baseline") << ", cut at " << taglio);
            auto p = scrivi("tagliata.jpg",
                            std::vector<unsigned char>(dati.begin(), dati.begin() + taglio));
            std::string testo = errore([&] { caricaimmagine(p); });
            EXPECT_NE(testo.find(p), std::string::npos) << testo;
            EXPECT_NE(testo.find("danneggiata"), std::string::npos) << testo;
        }
    }
}

TEST_F(Immagini, JpegWithoutItsEndMarkerStillShows) {
    // Every row is there; only the two closing bytes are missing.
    auto dati = jpegstrisce(64, 48);
    dati.resize(dati.size() - 2);
    QImage im = caricaimmagine(scrivi("senzafine.jpg", dati));
    ASSERT_EQ(im.size(), QSize(64, 48));
    controllastrisce(im);
}

TEST_F(Immagini, GarbageNamedJpegIsAnError) {
    std::vector<unsigned char> spazzatura(5000);
    unsigned x = 12345;
    for (auto& b : spazzatura)
        b = static_cast<unsigned char>((x = x * 1103515245u + 12345u) >> 16);
    auto p = scrivi("spazzatura.jpg", spazzatura);
    std::string testo = errore([&] { caricaimmagine(p); });
    EXPECT_NE(testo.find(p), std::string::npos) << testo;
    EXPECT_NE(testo.find("danneggiata"), std::string::npos) << testo;

    // And a BMP header on a JPEG body: a JPEG named .bmp.
    testo = errore([&] { caricaimmagine(scrivi("finta.bmp", jpegstrisce(8, 8))); });
    EXPECT_NE(testo.find("finta.bmp"), std::string::npos) << testo;
}

// Rewrites the frame header's height and width of a baseline JPEG.
std::vector<unsigned char> condimensioni(std::vector<unsigned char> dati, unsigned larga,
                                         unsigned alta) {
    for (std::size_t i = 0; i + 8 < dati.size(); ++i)
        if (dati[i] == 0xFF && dati[i + 1] == 0xC0) {
            dati[i + 5] = static_cast<unsigned char>(alta >> 8);
            dati[i + 6] = static_cast<unsigned char>(alta);
            dati[i + 7] = static_cast<unsigned char>(larga >> 8);
            dati[i + 8] = static_cast<unsigned char>(larga);
            return dati;
        }
    ADD_FAILURE() << "no SOF0";
    return dati;
}

TEST_F(Immagini, HostileHeaderIsRefusedBeforeAnythingIsAllocated) {
    // A JPEG header holds 16-bit sizes: 65535 is the most a file can claim.
    // 60000 x 60000 would need 10 GB; it must be refused from the header.
    auto piccola = jpegstrisce(8, 8);
    auto p = scrivi("ostile.jpg", condimensioni(piccola, 60000, 60000));
    std::string testo = errore([&] { caricaimmagine(p); });
    EXPECT_NE(testo.find(p + " è troppo grande (60000 x 60000 punti)"), std::string::npos) << testo;

    // One row over the limit is refused; at the limit the header passes and
    // the missing data is what fails.
    testo =
        errore([&] { caricaimmagine(scrivi("oltre.jpg", condimensioni(piccola, 8192, 8193))); });
    EXPECT_NE(testo.find("troppo grande"), std::string::npos) << testo;
    testo =
        errore([&] { caricaimmagine(scrivi("limite.jpg", condimensioni(piccola, 8192, 8192))); });
    EXPECT_NE(testo.find("danneggiata"), std::string::npos) << testo;

    // The limit holds on the header's size even when a small size is shown.
    testo = errore([&] { caricaimmagine(p, QSize(100, 100)); });
    EXPECT_NE(testo.find("troppo grande"), std::string::npos) << testo;

    // A caller's own limit.
    testo = errore([&] { decodificajpeg(piccola.data(), piccola.size(), {}, "mem", 63); });
    EXPECT_NE(testo.find("mem è troppo grande (8 x 8 punti)"), std::string::npos) << testo;
}

TEST_F(Immagini, FilesThatCannotBeReadGiveTheSystemsReason) {
    std::string mancante = (dir_ / "manca.jpg").string();
    EXPECT_EQ(errore([&] { caricaimmagine(mancante); }),
              "Impossibile aprire l'immagine " + mancante + ": " +
                  std::generic_category().message(ENOENT));

    fs::create_directory(dir_ / "cartella.jpg");
    std::string cartella = (dir_ / "cartella.jpg").string();
    EXPECT_EQ(errore([&] { caricaimmagine(cartella); }),
              "Impossibile aprire l'immagine " + cartella + ": " +
                  std::generic_category().message(EISDIR));

    // A FIFO with a picture's name must not hold the tick waiting for a writer.
    std::string fifo = (dir_ / "tubo.bmp").string();
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_NE(errore([&] { caricaimmagine(fifo); }).find(fifo), std::string::npos);
}

TEST_F(Immagini, UnknownExtensionIsRefused) {
    auto dati = jpegstrisce(8, 8);  // a sound JPEG: only the name is wrong
    for (const char* nome : {"foto.png", "foto", "foto.jpg.txt", "foto.jp"}) {
        SCOPED_TRACE(nome);
        std::string p = scrivi(nome, dati);
        std::string testo = errore([&] { caricaimmagine(p); });
        EXPECT_NE(testo.find("formato d'immagine non riconosciuto"), std::string::npos) << testo;
        EXPECT_NE(testo.find(p), std::string::npos) << testo;
    }
}

// ---- The tick's cache -----------------------------------------------------

void impostamodifica(const std::string& p, time_t secondi, long nano) {
    timespec tempi[2] = {{secondi, nano}, {secondi, nano}};
    ASSERT_EQ(utimensat(AT_FDCWD, p.c_str(), tempi, 0), 0) << std::strerror(errno);
}

TEST_F(Immagini, CacheReusesAnUnchangedFileAndReloadsAChangedOne) {
    const QSize mostrata(953, 645);
    auto p = scrivi("impianto.jpg", jpegunito(64, 32, kRosso));
    impostamodifica(p, 1'700'000'000, 0);
    CacheImmagine cache;
    const qint64 prima = cache.carica(p, mostrata).cacheKey();
    EXPECT_TRUE(vicino(cache.carica(p, mostrata), 10, 10, kRosso));
    EXPECT_EQ(cache.carica(p, mostrata).cacheKey(), prima);

    // Same size, same inode (rewritten in place), only the mtime's nanoseconds differ.
    auto verde = jpegunito(64, 32, kVerde);
    auto rossa = jpegunito(64, 32, kRosso);
    ASSERT_EQ(verde.size(), rossa.size()) << "the test needs equal file sizes";
    scrivi("impianto.jpg", verde);
    impostamodifica(p, 1'700'000'000, 1);
    const QImage& nuova = cache.carica(p, mostrata);
    EXPECT_NE(nuova.cacheKey(), prima);
    EXPECT_TRUE(vicino(nuova, 10, 10, kVerde));

    // Another size shown is another picture.
    auto p2 = scrivi("grande.jpg", jpegstrisce(1600, 1200, {.qualita = 60}));
    EXPECT_EQ(cache.carica(p2, QSize(400, 300)).size(), QSize(400, 300));
    EXPECT_EQ(cache.carica(p2, QSize(401, 300)).size(), QSize(800, 600));
}

TEST_F(Immagini, CacheRefusesARemovedFileAtOnceAndForgetsIt) {
    auto dati = jpegunito(16, 16, kBlu);
    auto p = scrivi("via.jpg", dati);
    impostamodifica(p, 1'600'000'000, 500);
    CacheImmagine cache;
    const qint64 prima = cache.carica(p, {}).cacheKey();
    fs::remove(p);
    EXPECT_NE(errore([&] { cache.carica(p, {}); }).find(std::generic_category().message(ENOENT)),
              std::string::npos);

    // Put back identical, even with the same times: the old picture is gone
    // and this is a fresh decode.
    scrivi("via.jpg", dati);
    impostamodifica(p, 1'600'000'000, 500);
    EXPECT_NE(cache.carica(p, {}).cacheKey(), prima);
}

TEST_F(Immagini, CacheDropsAPictureWhoseFileWentBad) {
    auto p = scrivi("guasta.jpg", jpegunito(16, 16, kRosso));
    CacheImmagine cache;
    cache.carica(p, {});
    scrivi("guasta.jpg", {0xFF, 0xD8, 0xFF});
    EXPECT_NE(errore([&] { cache.carica(p, {}); }).find("danneggiata"), std::string::npos);
    // Still bad on the next tick: an error again, not the old picture.
    EXPECT_NE(errore([&] { cache.carica(p, {}); }).find("danneggiata"), std::string::npos);
}

// ---- Files from the fuzzer ------------------------------------------------

TEST(ImmaginiFuzz, SeedsAndPastCrashesLoadOrFailCleanly) {
    int visti = 0;
    for (const char* cartella : {LUMETTO_CAMPIONI_IMMAGINE, LUMETTO_REGRESSIONI_IMMAGINE}) {
        if (!fs::exists(cartella)) continue;
        for (const auto& f : fs::directory_iterator(cartella)) {
            SCOPED_TRACE(f.path().string());
            std::ifstream in(f.path(), std::ios::binary);
            std::vector<unsigned char> dati((std::istreambuf_iterator<char>(in)), {});
            for (QSize mostrata : {QSize(), QSize(1, 1)}) {
                try {
                    QImage im = decodificajpeg(dati.data(), dati.size(), mostrata, "campione");
                    EXPECT_FALSE(im.isNull());
                } catch (const ErroreImmagine& e) {
                    EXPECT_NE(std::string(e.what()).find("campione"), std::string::npos);
                }
            }
            // Either decoder may get any file (the extension picks it); the
            // BMP seeds, one per kind of file Qt's reader takes, must read.
            const bool semebmp = cartella == std::string(LUMETTO_CAMPIONI_IMMAGINE) &&
                                 f.path().extension() == ".bmp";
            try {
                QImage im = decodificabmp(dati.data(), dati.size(), "campione");
                EXPECT_FALSE(im.isNull());
            } catch (const ErroreImmagine& e) {
                EXPECT_FALSE(semebmp) << e.what();
                EXPECT_NE(std::string(e.what()).find("campione"), std::string::npos);
            }
            ++visti;
        }
    }
    EXPECT_GE(visti, 3) << "the seed corpus is missing";
}

}  // namespace
