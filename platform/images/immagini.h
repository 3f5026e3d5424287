#pragma once
// The plant pictures of the scheme experiments. The format follows the file's
// extension: JPEG through libjpeg (decoded at a reduced scale when a smaller
// size is shown, which is several times cheaper), BMP through Qt's reader.
// A bad file is an ErroreImmagine for the error box, never a crash or exit().

#include <sys/stat.h>
#include <sys/types.h>

#include <QImage>
#include <QSize>
#include <cstddef>
#include <ctime>
#include <optional>
#include <stdexcept>
#include <string>

namespace lumetto::platform {

// A picture that could not be loaded. The text, in Italian and UTF-8, names
// the file and the reason, for the error box as it is.
class ErroreImmagine : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Largest picture accepted, in points, as its header declares it (8192 x 8192):
// checked before anything is allocated for it, so a hostile header cannot
// exhaust memory.
inline constexpr std::size_t kMassimiPunti = std::size_t{8192} * 8192;
// Largest picture file read into memory.
inline constexpr std::size_t kMassimoFile = std::size_t{256} << 20;

// Loads the picture at `percorso`: ".jpg" and ".jpeg" as JPEG, ".bmp" as BMP,
// in any case; any other extension is an error. When `mostrata` is a valid size
// smaller than a JPEG picture, the picture comes back at the smallest of the
// scales 1/2, 1/4, 1/8 that is not below `mostrata` in either direction.
// A JPEG comes back as Format_RGB888, a BMP in the format Qt's reader gives.
QImage caricaimmagine(const std::string& percorso, QSize mostrata = {});

// Decodes JPEG bytes already in memory; `nome` names them in the error texts.
QImage decodificajpeg(const unsigned char* dati, std::size_t n, QSize mostrata,
                      const std::string& nome, std::size_t massimipunti = kMassimiPunti);

// Decodes BMP bytes already in memory, through Qt's reader.
QImage decodificabmp(const unsigned char* dati, std::size_t n, const std::string& nome,
                     std::size_t massimipunti = kMassimiPunti);

// The picture of the acquisition tick. The file is looked at on every call (a
// changed picture shows at once, a removed one is an error at once), and is
// decoded again only when it changed: same path, device, inode, size,
// modification and change times to the nanosecond, and the same size shown.
class CacheImmagine {
  public:
    // The reference stays valid until the next call or svuota().
    const QImage& carica(const std::string& percorso, QSize mostrata);
    void svuota();

  private:
    struct Chiave {
        std::string percorso;
        dev_t dispositivo;
        ino_t inode;
        off_t dimensione;
        timespec modifica;
        timespec cambio;
        QSize mostrata;
    };
    static bool uguali(const Chiave& a, const Chiave& b);

    std::optional<Chiave> chiave_;
    QImage immagine_;
};

}  // namespace lumetto::platform
