// Runs the tests with HOME in a fresh temporary folder, so that the
// dosdevices links they make never touch the user's own.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <clocale>
#include <filesystem>
#include <string>

int main(int argc, char** argv) {
    std::setlocale(LC_ALL, "");  // as the program does: the tests must hold under it
    std::string dir = (std::filesystem::temp_directory_path() / "lumetto-test-XXXXXX").string();
    if (!mkdtemp(dir.data())) return 2;
    setenv("HOME", dir.c_str(), 1);
    unsetenv("XDG_DATA_HOME");  // the archive of runs under that HOME too
    ::testing::InitGoogleTest(&argc, argv);
    int rc = RUN_ALL_TESTS();
    std::filesystem::remove_all(dir);
    return rc;
}
