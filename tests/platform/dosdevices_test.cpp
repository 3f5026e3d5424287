// COM names: which ones exist, and the Linux files they stand for through a
// dosdevices folder or the USB serial devices.
#include <pwd.h>
#include <stdlib.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "platform/dosdevices.h"

namespace fs = std::filesystem;
using lumetto::platform::comNumber;
using lumetto::platform::DosDevices;
using lumetto::platform::resolveDevice;
using lumetto::platform::userDosDevices;

namespace {

TEST(DosDevicesNames, ComOneToTwentyInAnyCase) {
    EXPECT_EQ(comNumber("COM1"), 1);
    EXPECT_EQ(comNumber("com20"), 20);
    EXPECT_EQ(comNumber("Com13"), 13);
    EXPECT_EQ(comNumber("cOm9"), 9);
}

TEST(DosDevicesNames, AnythingElseIsNoComName) {
    for (const char* name : {"COM0", "COM21", "COM01", "COM", "COMx", "LPT1", "COM1 ", " COM1",
                             "COM1x", "COM-1", "COM+1", "COM100", "CM1", ""}) {
        EXPECT_EQ(comNumber(name), std::nullopt) << '"' << name << '"';
    }
}

class DosDevicesResolve : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string dir = (fs::temp_directory_path() / "lumetto-dosdevices-XXXXXX").string();
        ASSERT_NE(mkdtemp(dir.data()), nullptr);
        root = dir;
        where.dosdevices = root / "dosdevices";
        where.dev = root / "dev";
        fs::create_directories(where.dosdevices);
        fs::create_directories(where.dev);
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(root, ec);
    }

    void link(const std::string& name, const fs::path& target) {
        fs::create_symlink(target, where.dosdevices / name);
    }
    // An empty file is enough: resolving only looks at names.
    fs::path device(const std::string& name) {
        std::ofstream(where.dev / name).put('\n');
        return where.dev / name;
    }
    std::optional<fs::path> resolve(std::string_view name) { return resolveDevice(name, where); }

    fs::path root;
    DosDevices where;
};

TEST_F(DosDevicesResolve, LinkNamesTheDeviceWhateverTheCase) {
    link("com5", "/dev/ttyS5");
    EXPECT_EQ(resolve("com5"), fs::path("/dev/ttyS5"));
    EXPECT_EQ(resolve("COM5"), fs::path("/dev/ttyS5"));

    link("COM3", "/dev/ttyS3");  // made by hand, in capitals
    EXPECT_EQ(resolve("com3"), fs::path("/dev/ttyS3"));
    EXPECT_EQ(resolve("Com3"), fs::path("/dev/ttyS3"));
}

TEST_F(DosDevicesResolve, RelativeTargetIsTakenFromTheFolder) {
    fs::path acm = device("ttyACM0");
    link("com6", "../dev/ttyACM0");
    auto found = resolve("COM6");  // COM6 has no USB device: only the link can give this
    ASSERT_TRUE(found);
    EXPECT_TRUE(found->is_absolute());
    EXPECT_TRUE(fs::equivalent(*found, acm)) << *found;
}

TEST_F(DosDevicesResolve, DanglingLinkIsStillTheAnswer) {
    device("ttyACM0");
    link("com1", root / "unplugged");
    // Not the USB device: the user chose this one, and its open fails as for a missing device.
    EXPECT_EQ(resolve("COM1"), root / "unplugged");
}

TEST_F(DosDevicesResolve, UsbDevicesCountInNumericOrderAcmFirst) {
    for (const char* name : {"ttyACM10", "ttyUSB0", "ttyACM2", "ttyACM0", "ttyACMx", "ttyS0",
                             "ttyACM", "ttyUSB", "xttyACM1"})
        device(name);
    EXPECT_EQ(resolve("COM1"), where.dev / "ttyACM0");
    EXPECT_EQ(resolve("COM2"), where.dev / "ttyACM2");
    EXPECT_EQ(resolve("COM3"), where.dev / "ttyACM10");
    EXPECT_EQ(resolve("COM4"), where.dev / "ttyUSB0");
    EXPECT_EQ(resolve("COM5"), std::nullopt);
    EXPECT_EQ(resolve("COM20"), std::nullopt);
}

TEST_F(DosDevicesResolve, LinkWinsOverUsbDevice) {
    device("ttyACM0");
    device("ttyACM1");
    link("com2", "/dev/ttyS9");
    EXPECT_EQ(resolve("COM1"), where.dev / "ttyACM0");
    EXPECT_EQ(resolve("COM2"), fs::path("/dev/ttyS9"));
}

TEST_F(DosDevicesResolve, UsbDevicesServeWithoutAFolder) {
    fs::remove_all(where.dosdevices);
    device("ttyUSB3");
    EXPECT_EQ(resolve("COM1"), where.dev / "ttyUSB3");
    EXPECT_EQ(resolve("COM2"), std::nullopt);
}

TEST_F(DosDevicesResolve, AbsolutePathStandsForItself) {
    EXPECT_EQ(resolve("/dev/pts/7"), fs::path("/dev/pts/7"));
    EXPECT_EQ(resolve((root / "none").string()), root / "none");
}

TEST_F(DosDevicesResolve, OtherNamesResolveToNothing) {
    device("ttyACM0");
    link("lpt1", "/dev/ttyS1");
    for (const char* name : {"LPT1", "lpt1", "ttyACM0", "dev/ttyACM0", "COM0", "COM21", ""})
        EXPECT_EQ(resolve(name), std::nullopt) << '"' << name << '"';
}

TEST(DosDevicesUser, FolderIsUnderHomeElseThePasswordEntry) {
    const std::string home = std::getenv("HOME");
    DosDevices user = userDosDevices();
    EXPECT_EQ(user.dosdevices, fs::path(home) / ".lumetto" / "dosdevices");
    EXPECT_EQ(user.dev, fs::path("/dev"));

    // The one-argument form looks there.
    fs::create_directories(user.dosdevices);
    fs::create_symlink("/dev/ttyS19", user.dosdevices / "com19");
    EXPECT_EQ(resolveDevice("COM19"), fs::path("/dev/ttyS19"));
    fs::remove(user.dosdevices / "com19");

    const passwd* pw = getpwuid(getuid());
    ASSERT_NE(pw, nullptr);
    const std::string ownDir = pw->pw_dir;
    setenv("HOME", "", 1);
    fs::path fallback = userDosDevices().dosdevices;
    setenv("HOME", home.c_str(), 1);
    EXPECT_EQ(fallback, fs::path(ownDir) / ".lumetto" / "dosdevices");
}

}  // namespace

TEST(DosDevicesPaths, DriveLettersGoThroughTheirLinkWhateverTheCase) {
    fs::path base = fs::temp_directory_path() / ("lumetto-drive-" + std::to_string(getpid()));
    fs::remove_all(base);
    fs::create_directories(base / "dosdevices");
    fs::create_directories(base / "drive_c" / "Lavoro" / "arduino");
    fs::create_directory_symlink(base / "drive_c", base / "dosdevices" / "c:");
    { std::ofstream(base / "drive_c" / "Lavoro" / "arduino" / "Climatica.SCA") << "x"; }
    lumetto::platform::DosDevices where{base / "dosdevices", "/dev"};

    fs::path p = lumetto::platform::resolvePath("c:\\lavoro\\arduino\\climatica.sca", where);
    EXPECT_TRUE(fs::exists(p)) << p;
    EXPECT_EQ(fs::canonical(p),
              fs::canonical(base / "drive_c" / "Lavoro" / "arduino" / "Climatica.SCA"));
    EXPECT_EQ(
        fs::canonical(lumetto::platform::resolvePath("C:/LAVORO/arduino/CLIMATICA.sca", where)),
        fs::canonical(p));
    // A file that is not there keeps the name asked for, in the folder found.
    fs::path nuovo = lumetto::platform::resolvePath("c:\\lavoro\\arduino\\nuovo.sca", where);
    EXPECT_EQ(nuovo.filename(), "nuovo.sca");
    EXPECT_TRUE(fs::exists(nuovo.parent_path()));
    // No drive letter: an ordinary path. An unmapped drive leads nowhere.
    EXPECT_EQ(lumetto::platform::resolvePath("/tmp/x.sca", where), fs::path("/tmp/x.sca"));
    EXPECT_FALSE(fs::exists(lumetto::platform::resolvePath("d:\\x.sca", where)));
    fs::remove_all(base);
}
