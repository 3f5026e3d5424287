// A tick over a 4000x3000 plant picture shown at 953x645: decoding the file
// on every tick (scaled by libjpeg), and the cache's path for an unchanged
// file (a stat and a comparison). Full-size decoding is shown for reference.
#include <stdlib.h>
#include <unistd.h>

// jpeglib.h needs FILE and size_t declared before it.
#include <cstdio>

#include <jpeglib.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "bench/misure.h"
#include "platform/images/immagini.h"

namespace {

using Clock = std::chrono::steady_clock;
using lumetto::bench::mediana;
using namespace lumetto::platform;

// A picture with some detail, so the entropy decoder has work as on a photo.
void scrivijpeg(const std::string& percorso, int larga, int alta) {
    jpeg_compress_struct info{};
    jpeg_error_mgr err{};
    info.err = jpeg_std_error(&err);
    jpeg_create_compress(&info);
    FILE* f = std::fopen(percorso.c_str(), "wb");
    if (!f) std::exit(2);
    jpeg_stdio_dest(&info, f);
    info.image_width = static_cast<JDIMENSION>(larga);
    info.image_height = static_cast<JDIMENSION>(alta);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 90, TRUE);
    jpeg_start_compress(&info, TRUE);
    std::vector<unsigned char> riga(static_cast<std::size_t>(larga) * 3);
    std::uint32_t caso = 1;
    for (int y = 0; y < alta; ++y) {
        for (int x = 0; x < larga; ++x) {
            caso = caso * 1664525u + 1013904223u;
            auto rumore = static_cast<int>(caso >> 28);
            riga[static_cast<std::size_t>(x) * 3] =
                static_cast<unsigned char>((x / 8 + rumore) & 255);
            riga[static_cast<std::size_t>(x) * 3 + 1] = static_cast<unsigned char>((y / 6) & 255);
            riga[static_cast<std::size_t>(x) * 3 + 2] =
                static_cast<unsigned char>(((x ^ y) / 16 + rumore) & 255);
        }
        JSAMPROW r = riga.data();
        jpeg_write_scanlines(&info, &r, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::fclose(f);
}

double millisecondi(const std::function<void()>& f, int volte) {
    std::vector<double> ms;
    for (int i = 0; i < volte; ++i) {
        auto t0 = Clock::now();
        f();
        ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
    }
    return mediana(ms);
}

}  // namespace

int main() {
    std::string dir = (std::filesystem::temp_directory_path() / "lumetto-bench-XXXXXX").string();
    if (!mkdtemp(dir.data())) return 2;
    const std::string percorso = dir + "/impianto.jpg";
    scrivijpeg(percorso, 4000, 3000);
    const QSize mostrata(953, 645);
    const int volte = 20;

    QSize scalata = caricaimmagine(percorso, mostrata).size();
    double ogni = millisecondi([&] { caricaimmagine(percorso, mostrata); }, volte);
    CacheImmagine cache;
    cache.carica(percorso, mostrata);
    double conCache = millisecondi([&] { cache.carica(percorso, mostrata); }, volte);
    double intera = millisecondi([&] { caricaimmagine(percorso); }, 5);

    std::printf("4000x3000 JPEG (%ju byte) shown at 953x645, decoded at %dx%d; median of %d\n",
                static_cast<std::uintmax_t>(std::filesystem::file_size(percorso)), scalata.width(),
                scalata.height(), volte);
    std::printf("%-42s %-12s %10s\n", "what", "goal", "figure");
    std::printf("%-42s %-12s %7.2f ms\n", "tick, decoded every time (scaled 1/4)", "< 40 ms", ogni);
    std::printf("%-42s %-12s %7.3f ms\n", "tick, cache, unchanged file", "< 40 ms", conCache);
    std::printf("%-42s %-12s %7.2f ms\n", "full-size decode (reference, median of 5)", "-", intera);
    std::filesystem::remove_all(dir);
    return ogni < 40 && conCache < 40 ? 0 : 1;
}
