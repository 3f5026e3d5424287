#include "platform/images/immagini.h"

#include <errno.h>
#include <fcntl.h>
#include <unistd.h>

// jpeglib.h needs FILE and size_t declared before it, jerror.h needs jpeglib.h.
#include <cstdio>

#include <jpeglib.h>

#include <jerror.h>

#include "platform/descrittore.h"

#include <QBuffer>
#include <QByteArray>
#include <QImageReader>
#include <algorithm>
#include <csetjmp>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <system_error>
#include <vector>

namespace lumetto::platform {

namespace {

// A progressive file may repeat scans without end, each a full pass over the
// coefficients: past this many the file is refused rather than decoded for ever.
constexpr int kMassimeScansioni = 500;

std::string ragione(int errore) {
    return std::generic_category().message(errore);
}

[[noreturn]] void nonaperta(const std::string& nome, int errore) {
    throw ErroreImmagine("Impossibile aprire l'immagine " + nome + ": " + ragione(errore));
}

[[noreturn]] void danneggiata(const std::string& nome, const std::string& perche) {
    throw ErroreImmagine("L'immagine " + nome + " è danneggiata: " + perche);
}

[[noreturn]] void troppogrande(const std::string& nome, unsigned long larga, unsigned long alta) {
    throw ErroreImmagine("L'immagine " + nome + " è troppo grande (" + std::to_string(larga) +
                         " x " + std::to_string(alta) + " punti)");
}

enum class Formato { Jpeg, Bmp };

Formato formatodi(const std::string& percorso) {
    // A scheme saved before its picture was chosen names none.
    if (percorso.empty())
        throw ErroreImmagine("Nessuna immagine da caricare: manca il nome del file");
    std::string est = std::filesystem::path(percorso).extension().string();
    for (char& ch : est)
        if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
    if (est == ".jpg" || est == ".jpeg") return Formato::Jpeg;
    if (est == ".bmp") return Formato::Bmp;
    throw ErroreImmagine("Impossibile caricare l'immagine " + percorso +
                         ": formato d'immagine non riconosciuto (si accettano .jpg, .jpeg e .bmp)");
}

using platform::Descrittore;

// Opens the file and tells what it is. O_NONBLOCK so that a FIFO given a
// picture's name cannot hold the tick; anything but a regular file is refused.
Descrittore apri(const std::string& percorso, struct stat& st) {
    Descrittore d(::open(percorso.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (d.fd() < 0) nonaperta(percorso, errno);
    if (::fstat(d.fd(), &st) != 0) nonaperta(percorso, errno);
    if (S_ISDIR(st.st_mode)) nonaperta(percorso, EISDIR);
    if (!S_ISREG(st.st_mode))
        throw ErroreImmagine("Impossibile aprire l'immagine " + percorso + ": non è un file");
    return d;
}

[[noreturn]] void troppogrossa(const std::string& nome, unsigned long long byte) {
    throw ErroreImmagine("L'immagine " + nome + " è troppo grande (" + std::to_string(byte) +
                         " byte)");
}

// The whole file, bounded: one byte past the bound tells a file that grew
// after fstat.
std::vector<unsigned char> leggitutto(int fd, const struct stat& st, const std::string& nome) {
    if (st.st_size < 0 || static_cast<unsigned long long>(st.st_size) > kMassimoFile)
        troppogrossa(nome, static_cast<unsigned long long>(st.st_size));
    std::vector<unsigned char> dati(static_cast<std::size_t>(st.st_size) + 1);
    std::size_t letti = 0;
    for (;;) {
        if (letti == dati.size()) {
            if (dati.size() > kMassimoFile) troppogrossa(nome, dati.size());
            dati.resize(std::min(kMassimoFile + 1, dati.size() * 2));
        }
        ssize_t r = ::read(fd, dati.data() + letti, dati.size() - letti);
        if (r < 0 && errno == EINTR) continue;
        if (r < 0)
            throw ErroreImmagine("Impossibile leggere l'immagine " + nome + ": " + ragione(errno));
        if (r == 0) break;
        letti += static_cast<std::size_t>(r);
    }
    dati.resize(letti);
    return dati;
}

// ---- JPEG ----------------------------------------------------------------
//
// libjpeg reports a fatal error by calling error_exit, which must not return.
// Ours jumps back to the step that called into the library. Every such step
// runs in passo(), whose frame and the library's hold only plain data, so the
// jump skips no destructor; everything with a destructor lives outside.

struct Errore {
    jpeg_error_mgr pub;  // first: libjpeg hands back a pointer to it
    std::jmp_buf salto;
    char testo[JMSG_LENGTH_MAX];
};

struct Contesto {
    jpeg_decompress_struct info;
    Errore errore;
    jpeg_progress_mgr progresso;
    const unsigned char* dati;
    std::size_t n;
    // Where the rows go, for the reading step.
    unsigned char* pixel;
    std::size_t perriga;
    unsigned char* cmyk;  // one row of four-component samples, or null
};

[[noreturn]] void salta(j_common_ptr c) {
    auto* e = reinterpret_cast<Errore*>(c->err);
    std::longjmp(e->salto, 1);
}

[[noreturn]] void esci(j_common_ptr c) {
    auto* e = reinterpret_cast<Errore*>(c->err);
    (*c->err->format_message)(c, e->testo);
    salta(c);
}

// Warnings stay silent, but entropy data that ends before the picture does
// (a truncated file, or one still being written) is an error: otherwise the
// rest would be painted grey and shown as if it were the picture.
void avviso(j_common_ptr c, int livello) {
    if (livello < 0) {
        if (c->err->msg_code == JWRN_HIT_MARKER) esci(c);
        c->err->num_warnings++;
    }
}

void zitto(j_common_ptr) {}

void controllascansioni(j_common_ptr c) {
    if (!c->is_decompressor) return;
    auto* d = reinterpret_cast<j_decompress_ptr>(c);
    if (d->input_scan_number > kMassimeScansioni) {
        auto* e = reinterpret_cast<Errore*>(c->err);
        std::snprintf(e->testo, sizeof e->testo, "più di %d scansioni", kMassimeScansioni);
        salta(c);
    }
}

bool passo(Contesto& c, void (*fai)(Contesto&)) {
    if (setjmp(c.errore.salto)) return false;
    fai(c);
    return true;
}

void leggirighe(Contesto& c) {
    jpeg_decompress_struct& info = c.info;
    while (info.output_scanline < info.output_height) {
        if (c.cmyk) {
            JSAMPROW riga = c.cmyk;
            JDIMENSION y = info.output_scanline;
            if (jpeg_read_scanlines(&info, &riga, 1) != 1) return;
            unsigned char* out = c.pixel + y * c.perriga;
            const unsigned char* in = c.cmyk;
            // Adobe's files store CMYK inverted (0 = full ink); others plainly.
            const bool invertito = info.saw_Adobe_marker;
            for (JDIMENSION x = 0; x < info.output_width; ++x, in += 4, out += 3) {
                unsigned k = invertito ? in[3] : 255u - in[3];
                for (int i = 0; i < 3; ++i) {
                    unsigned v = invertito ? in[i] : 255u - in[i];
                    out[i] = static_cast<unsigned char>((v * k + 127) / 255);
                }
            }
        } else {
            JSAMPROW righe[16];
            JDIMENSION y = info.output_scanline;
            JDIMENSION n = std::min<JDIMENSION>(16, info.output_height - y);
            for (JDIMENSION i = 0; i < n; ++i)
                righe[i] = c.pixel + (y + i) * c.perriga;
            if (jpeg_read_scanlines(&info, righe, n) == 0) return;
        }
    }
}

// The smallest of 1/8, 1/4, 1/2 whose output is not below the size shown.
unsigned int scalaper(JDIMENSION larga, JDIMENSION alta, QSize mostrata) {
    if (!mostrata.isValid() || mostrata.isEmpty()) return 1;
    const auto w = static_cast<unsigned long>(mostrata.width());
    const auto h = static_cast<unsigned long>(mostrata.height());
    for (unsigned int d : {8u, 4u, 2u})
        if ((larga + d - 1) / d >= w && (alta + d - 1) / d >= h) return d;
    return 1;
}

class Distruggi {
  public:
    explicit Distruggi(jpeg_decompress_struct& i) : info_(i) {}
    Distruggi(const Distruggi&) = delete;
    Distruggi& operator=(const Distruggi&) = delete;
    ~Distruggi() { jpeg_destroy_decompress(&info_); }

  private:
    jpeg_decompress_struct& info_;
};

}  // namespace

QImage decodificabmp(const unsigned char* dati, std::size_t n, const std::string& nome,
                     std::size_t massimipunti) {
    QByteArray byte =
        QByteArray::fromRawData(reinterpret_cast<const char*>(dati), static_cast<qsizetype>(n));
    QBuffer buffer(&byte);
    buffer.open(QIODevice::ReadOnly);
    QImageReader lettore(&buffer, "bmp");
    QSize dim = lettore.size();
    // An unreadable header gives no width. A picture stored top row first
    // declares a negative height: Qt reads it, and so must we.
    if (dim.width() < 0) danneggiata(nome, lettore.errorString().toStdString());
    const auto larga = static_cast<unsigned long long>(dim.width());
    const auto alta = static_cast<unsigned long long>(std::llabs(dim.height()));
    if (larga * alta > massimipunti)
        troppogrande(nome, static_cast<unsigned long>(larga), static_cast<unsigned long>(alta));
    QImage immagine;
    if (!lettore.read(&immagine)) danneggiata(nome, lettore.errorString().toStdString());
    return immagine;
}

namespace {

QImage decodifica(const std::vector<unsigned char>& dati, Formato formato, QSize mostrata,
                  const std::string& nome) {
    if (formato == Formato::Bmp) return decodificabmp(dati.data(), dati.size(), nome);
    return decodificajpeg(dati.data(), dati.size(), mostrata, nome);
}

}  // namespace

QImage decodificajpeg(const unsigned char* dati, std::size_t n, QSize mostrata,
                      const std::string& nome, std::size_t massimipunti) {
    // On the heap: the state is large, and its address must not move.
    auto c = std::make_unique<Contesto>();
    c->info.err = jpeg_std_error(&c->errore.pub);
    c->errore.pub.error_exit = esci;
    c->errore.pub.emit_message = avviso;
    c->errore.pub.output_message = zitto;
    c->progresso.progress_monitor = controllascansioni;
    // Null until created, and jpeg_destroy_decompress ignores it then.
    Distruggi distruggi(c->info);
    c->dati = dati;
    c->n = n;

    auto perche = [&] { return std::string(c->errore.testo); };
    if (!passo(*c, [](Contesto& k) {
            jpeg_create_decompress(&k.info);
            k.info.progress = &k.progresso;
            // Decoding never needs more than a full-size progressive picture
            // of the largest accepted size; past that libjpeg fails cleanly.
            k.info.mem->max_memory_to_use = 1L << 30;
            jpeg_mem_src(&k.info, k.dati, static_cast<unsigned long>(k.n));
            jpeg_read_header(&k.info, TRUE);
        }))
        danneggiata(nome, perche());

    const JDIMENSION larga = c->info.image_width, alta = c->info.image_height;
    if (static_cast<unsigned long long>(larga) * alta > massimipunti)
        troppogrande(nome, larga, alta);

    const bool cmyk = c->info.jpeg_color_space == JCS_CMYK || c->info.jpeg_color_space == JCS_YCCK;
    c->info.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_RGB;
    c->info.scale_num = 1;
    c->info.scale_denom = scalaper(larga, alta, mostrata);

    if (!passo(*c, [](Contesto& k) { jpeg_start_decompress(&k.info); }))
        danneggiata(nome, perche());
    if (c->info.output_components != (cmyk ? 4 : 3))
        danneggiata(nome, "componenti di colore inattese");

    QImage immagine(static_cast<int>(c->info.output_width), static_cast<int>(c->info.output_height),
                    QImage::Format_RGB888);
    if (immagine.isNull())
        throw ErroreImmagine("Memoria insufficiente per l'immagine " + nome + " (" +
                             std::to_string(c->info.output_width) + " x " +
                             std::to_string(c->info.output_height) + " punti)");
    std::vector<unsigned char> rigacmyk(cmyk ? std::size_t{c->info.output_width} * 4 : 0);
    c->pixel = immagine.bits();
    c->perriga = static_cast<std::size_t>(immagine.bytesPerLine());
    c->cmyk = cmyk ? rigacmyk.data() : nullptr;
    if (!passo(*c, leggirighe)) danneggiata(nome, perche());
    if (c->info.output_scanline < c->info.output_height)
        danneggiata(nome, "dati finiti prima dell'immagine");
    // No jpeg_finish_decompress: every row is in, and whatever trails the
    // picture (a missing end marker included) does not matter to it.
    return immagine;
}

QImage caricaimmagine(const std::string& percorso, QSize mostrata) {
    Formato formato = formatodi(percorso);
    struct stat st {};
    Descrittore d = apri(percorso, st);
    return decodifica(leggitutto(d.fd(), st, percorso), formato, mostrata, percorso);
}

bool CacheImmagine::uguali(const Chiave& a, const Chiave& b) {
    return a.percorso == b.percorso && a.dispositivo == b.dispositivo && a.inode == b.inode &&
           a.dimensione == b.dimensione && a.modifica.tv_sec == b.modifica.tv_sec &&
           a.modifica.tv_nsec == b.modifica.tv_nsec && a.cambio.tv_sec == b.cambio.tv_sec &&
           a.cambio.tv_nsec == b.cambio.tv_nsec && a.mostrata == b.mostrata;
}

const QImage& CacheImmagine::carica(const std::string& percorso, QSize mostrata) {
    try {
        Formato formato = formatodi(percorso);
        struct stat st {};
        // The identity is taken from the descriptor the bytes are read from,
        // so the key always describes the file that was decoded.
        Descrittore d = apri(percorso, st);
        Chiave chiave{percorso, st.st_dev, st.st_ino, st.st_size, st.st_mtim, st.st_ctim, mostrata};
        if (chiave_ && uguali(*chiave_, chiave)) return immagine_;
        svuota();
        immagine_ = decodifica(leggitutto(d.fd(), st, percorso), formato, mostrata, percorso);
        chiave_ = std::move(chiave);
        return immagine_;
    } catch (...) {
        // Never serve a picture of a file that is gone or now unreadable.
        svuota();
        throw;
    }
}

void CacheImmagine::svuota() {
    chiave_.reset();
    immagine_ = QImage();
}

}  // namespace lumetto::platform
