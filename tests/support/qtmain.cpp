// Runs window tests on Qt's offscreen platform with one 1366 x 768 screen (the
// lab PCs' usual size) and HOME in a fresh temporary folder, so that the
// dosdevices links they make never touch the user's own.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <QApplication>
#include <clocale>
#include <filesystem>
#include <fstream>
#include <string>

int main(int argc, char** argv) {
    std::setlocale(LC_ALL, "");  // as the program does: the tests must hold under it
    std::string dir = (std::filesystem::temp_directory_path() / "lumetto-test-XXXXXX").string();
    if (!mkdtemp(dir.data())) return 2;
    setenv("HOME", dir.c_str(), 1);
    std::string schermo = dir + "/schermo.json";
    std::ofstream(schermo) << R"({"screens": [{"name": "lab", "x": 0, "y": 0, "width": 1366,)"
                              R"( "height": 768, "logicalDpi": 96, "logicalBaseDpi": 96,)"
                              R"( "dpr": 1}]})";
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
