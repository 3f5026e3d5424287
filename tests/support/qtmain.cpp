// Runs window tests on Qt's offscreen platform with one 1366 x 768 screen (the
// lab PCs' usual size) and HOME in a fresh temporary folder, so that the
// dosdevices links they make never touch the user's own. LUMETTO_SCHERMO
// gives another screen: "1920x1080", or "3840x2160@2" for a high-density one
// that Qt scales by 2 (as a desktop that sets 192 dots per inch).
#include <gtest/gtest.h>
#include <stdlib.h>

#include <QApplication>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

int main(int argc, char** argv) {
    std::setlocale(LC_ALL, "");  // as the program does: the tests must hold under it
    std::string dir = (std::filesystem::temp_directory_path() / "lumetto-test-XXXXXX").string();
    if (!mkdtemp(dir.data())) return 2;
    setenv("HOME", dir.c_str(), 1);
    unsetenv("XDG_DATA_HOME");  // the archive of runs under that HOME too
    int larga = 1366, alta = 768, scala = 1;
    if (const char* e = std::getenv("LUMETTO_SCHERMO")) {
        if (std::sscanf(e, "%dx%d@%d", &larga, &alta, &scala) < 2 || larga <= 0 || alta <= 0 ||
            scala < 1) {
            std::fprintf(stderr, "LUMETTO_SCHERMO=%s: expected WxH or WxH@N\n", e);
            return 2;
        }
    }
    std::string schermo = dir + "/schermo.json";
    std::ofstream(schermo) << R"({"screens": [{"name": "lab", "x": 0, "y": 0, "width": )" << larga
                           << R"(, "height": )" << alta << R"(, "logicalDpi": )" << 96 * scala
                           << R"(, "logicalBaseDpi": 96, "dpr": 1}]})";
    setenv("QT_QPA_PLATFORM", ("offscreen:configfile=" + schermo).c_str(), 1);
    int rc;
    {
        QApplication app(argc, argv);
        ::testing::InitGoogleTest(&argc, argv);
        rc = RUN_ALL_TESTS();
    }
    std::filesystem::remove_all(dir);
    return rc;
}
