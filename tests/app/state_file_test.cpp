#include "app/state_file.h"

#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <cmath>
#include <cstring>
#include <fstream>
#include <limits>

#include "app_test_rig.h"
#include "framework/archive.h"
#include "link/link_machine_access.h"

namespace corvane {
namespace {

using fw::kSecond;

class StateFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir =
            std::filesystem::temp_directory_path() /
            ("corvane-state-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
             "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
        file = StateFile(dir / StateFile::kFileName);
    }
    void TearDown() override { std::filesystem::remove_all(dir); }

    std::vector<std::uint8_t> FileBytes() {
        std::ifstream in(file.Path(), std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    std::filesystem::path dir;
    StateFile file;
};

TEST_F(StateFileTest, firstRunWithoutFileWritesTheDefaultsOnClose) {
    {
        testing::AppRig rig(&file);
        ASSERT_TRUE(rig.Start());
        EXPECT_EQ(rig.Records().ConfigurePassword, "1");
        EXPECT_EQ(rig.Records().Sensor.DeviceId, 0);
        rig.Run(kSecond);
        EXPECT_FALSE(std::filesystem::exists(file.Path()));
        rig.Window().PressCloseBox();
    }
    ASSERT_TRUE(std::filesystem::exists(file.Path()));
    SharedRecords loaded;
    ResetSensorData(loaded);
    loaded.Sensor.DeviceId = 99;
    ASSERT_TRUE(file.Load(loaded));
    EXPECT_EQ(loaded.Sensor.DeviceId, 0);
    EXPECT_EQ(loaded.InstallPassword, "3");
    EXPECT_EQ(loaded.Sensor.TempCompBaseText, "Temp.Comp.Base 25°C");
    EXPECT_FALSE(std::filesystem::exists(dir / "Vexor.qzt.tmp"));
}

TEST_F(StateFileTest, changesMadeDuringTheRunAreSavedHoweverTheWindowCloses) {
    {
        testing::AppRig rig(&file);
        ASSERT_TRUE(rig.Start());
        rig.Records().CalibratePassword = "NEWPASS";
        rig.Records().Sensor.ChannelId[4] = 77;
        rig.Window().PressCloseBox();
    }
    testing::AppRig next(&file);
    ASSERT_TRUE(next.Start());
    EXPECT_EQ(next.Records().CalibratePassword, "NEWPASS");
    EXPECT_EQ(next.Records().Sensor.ChannelId[4], 77);
}

TEST_F(StateFileTest, loadedPortSettingsReopenThePort) {
    SharedRecords written;
    written.Sensor.PortIndex = 1;
    written.Sensor.BaudIndex = 4;
    std::string error;
    ASSERT_TRUE(file.SaveTo(written, error)) << error;
    testing::AppRig rig(&file);
    ASSERT_TRUE(rig.Start());
    EXPECT_EQ(rig.Records().Sensor.PortNumber, 2);
    rig.Run(300 * fw::kMillisecond);
    EXPECT_EQ(rig.Line().Settings().PortNumber, 2);
    EXPECT_EQ(rig.Line().Settings().BaudRate, 38400);
}

TEST_F(StateFileTest, fileLoadsBackBitForBit) {
    SharedRecords original;
    SharedRecords& r = original;
    r.Sensor.DeviceId = 247;
    r.Sensor.TempCompSlope = 0.1 + 0.2;
    r.Sensor.Out1.At4mA = -0.0;
    r.Sensor.Out2.At20mA = std::numeric_limits<double>::denorm_min();
    r.Sensor.TdsFactor = std::numeric_limits<double>::quiet_NaN();
    r.Sensor.CustomConc[8] = 1e300;
    r.Sensor.CustomRangeText = "Brine 20 °C, Café";
    r.Sensor.Out2.Unit = "°F";
    r.InstallPassword = "SECRET";
    r.Sensor.ChannelId = {-1, 300, 2, 3, 4};
    std::string error;
    ASSERT_TRUE(file.SaveTo(original, error)) << error;
    SharedRecords loaded;
    ASSERT_TRUE(file.Load(loaded));
    EXPECT_EQ(EncodeState(loaded), EncodeState(original));
    EXPECT_EQ(loaded.Sensor.CustomRangeText, "Brine 20 °C, Café");
    EXPECT_TRUE(std::signbit(loaded.Sensor.Out1.At4mA));
    EXPECT_TRUE(std::isnan(loaded.Sensor.TdsFactor));
    const auto bytes = FileBytes();
    EXPECT_EQ(bytes, EncodeState(original));
}

TEST_F(StateFileTest, shortFileLeavesTheRestAtTheirDefaults) {
    SharedRecords written;
    written.Sensor.DeviceId = 12;
    written.Sensor.NewDeviceId = 13;
    written.Sensor.BaudIndex = 5;
    written.Sensor.CustomRangeText = "not reached";
    auto bytes = EncodeState(written);
    bytes.resize(3 * 4 + 2);  // three values and half of the fourth
    SharedRecords loaded;
    EXPECT_FALSE(DecodeState(bytes, loaded));
    EXPECT_EQ(loaded.Sensor.DeviceId, 12);
    EXPECT_EQ(loaded.Sensor.NewDeviceId, 13);
    EXPECT_EQ(loaded.Sensor.BaudIndex, 5);
    EXPECT_EQ(loaded.Sensor.DataBitsIndex, 1);
    EXPECT_EQ(loaded.Sensor.CustomRangeText, "Default Corvane CC Range Text");
}

TEST_F(StateFileTest, damagedTextLengthStopsTheLoadWithoutHarm) {
    std::vector<std::uint8_t> bytes(8 * 4 + 8, 0);  // eight ints and the slope
    bytes.insert(bytes.end(), {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 'x'});
    SharedRecords loaded;
    EXPECT_FALSE(DecodeState(bytes, loaded));
    EXPECT_EQ(loaded.Sensor.TempSlopeUnit, "% / °C");
    EXPECT_EQ(loaded.Sensor.BaudIndex, 0);
}

TEST_F(StateFileTest, saveThatCannotWriteSaysWhyAndKeepsTheOldFile) {
    SharedRecords r;
    StateFile nowhere(dir / "missing-folder" / "Vexor.qzt");
    std::string error;
    EXPECT_FALSE(nowhere.SaveTo(r, error));
    EXPECT_NE(error.find("missing-folder"), std::string::npos);
}

// A state file of which nothing may be loaded: the defaults stay, and the file is gone again.
void LoadsNothing(StateFile& file, const char* what) {
    SharedRecords r;
    r.Sensor.DeviceId = 42;
    EXPECT_FALSE(file.Load(r)) << what;
    EXPECT_EQ(r.Sensor.DeviceId, 42) << what;
    std::filesystem::remove(file.Path());
}

// What sits at the file's name may be anything: a folder, a pipe with no writer, a link to an
// endless device or a huge file. None of them may stop, hold or swamp the program at its start.
TEST_F(StateFileTest, aStateFileThatIsNoPlainFileLeavesTheDefaultsAndNeverHoldsTheStart) {
    const auto path = file.Path();
    const auto loadsNothing = [&](const char* what) { LoadsNothing(file, what); };
    std::filesystem::create_directory(path);
    loadsNothing("a folder");
    std::ofstream(path, std::ios::binary).put('x');
    std::filesystem::resize_file(path, 2ULL * 1024 * 1024 * 1024);  // sparse: no disk taken
    loadsNothing("a 2 GB file");

    // A sound file still loads.
    SharedRecords saved;
    saved.Sensor.DeviceId = 9;
    std::string error;
    ASSERT_TRUE(file.SaveTo(saved, error)) << error;
    SharedRecords loaded;
    EXPECT_TRUE(file.Load(loaded));
    EXPECT_EQ(loaded.Sensor.DeviceId, 9);
}

#ifndef _WIN32
using StateFilePosix = StateFileTest;

TEST_F(StateFilePosix, aPipeOrALinkToAnEndlessDeviceAtTheFilesNameNeverHoldsTheStart) {
    ASSERT_EQ(mkfifo(file.Path().c_str(), 0600), 0);
    LoadsNothing(file, "a pipe");
    std::filesystem::create_symlink("/dev/zero", file.Path());
    LoadsNothing(file, "a link to /dev/zero");
}

// The file holds the user passwords: no other local user may read it, whatever the umask or
// the mode of a file that was planted under its name.
TEST_F(StateFilePosix, theFileIsWrittenForItsOwnerAlone) {
    const mode_t before = umask(022);
    SharedRecords r;
    std::string error;
    ASSERT_TRUE(file.SaveTo(r, error)) << error;
    const auto mode = [&] { return std::filesystem::status(file.Path()).permissions(); };
    EXPECT_EQ(mode() & std::filesystem::perms::all,
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    std::filesystem::permissions(file.Path(), std::filesystem::perms::all);  // planted 0666/0777
    ASSERT_TRUE(file.SaveTo(r, error)) << error;
    EXPECT_EQ(mode() & std::filesystem::perms::all,
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    umask(before);
}
#endif

TEST(Archive, textsUseTheirThreeLengthForms) {
    auto prefix = [](std::size_t length) {
        fw::ArchiveWriter w;
        w.Text(std::vector<std::uint8_t>(length, 'a'));
        const auto& b = w.Bytes();
        return std::vector<std::uint8_t>(b.begin(), b.begin() + std::min<std::size_t>(7, b.size()));
    };
    EXPECT_EQ(prefix(254)[0], 0xFE);
    EXPECT_EQ(prefix(255), (std::vector<std::uint8_t>{0xFF, 0xFF, 0x00, 'a', 'a', 'a', 'a'}));
    EXPECT_EQ(prefix(65533), (std::vector<std::uint8_t>{0xFF, 0xFD, 0xFF, 'a', 'a', 'a', 'a'}));
    EXPECT_EQ(prefix(65534), (std::vector<std::uint8_t>{0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0x00, 0x00}));
    for (const std::size_t length : {0u, 254u, 255u, 65533u, 65534u, 70000u}) {
        fw::ArchiveWriter w;
        w.Text(std::vector<std::uint8_t>(length, 'q'));
        w.Int32(-7);
        fw::ArchiveReader reader(w.Bytes());
        std::vector<std::uint8_t> text;
        std::int32_t after = 0;
        ASSERT_TRUE(reader.Text(text)) << length;
        EXPECT_EQ(text.size(), length);
        ASSERT_TRUE(reader.Int32(after));
        EXPECT_EQ(after, -7);
        EXPECT_TRUE(reader.AtEnd());
    }
}

TEST(Archive, wideTextMarkerAndOverrunsFail) {
    const std::vector<std::uint8_t> wide{0xFF, 0xFE, 0xFF, 0x01, 'a', 0};
    fw::ArchiveReader reader(wide);
    std::vector<std::uint8_t> text;
    EXPECT_FALSE(reader.Text(text));
    std::int32_t value = 0;
    EXPECT_FALSE(reader.Int32(value)) << "a failed archive stays failed";
    const std::vector<std::uint8_t> shortDouble{1, 2, 3};
    fw::ArchiveReader second(shortDouble);
    double d = 0;
    EXPECT_FALSE(second.Double(d));
}

TEST(StateFileText, degreeSignIsOneByteInTheFile) {
    SharedRecords r;
    const auto bytes = EncodeState(r);
    // DeviceId .. PortIndex (8 ints), the slope (double), then TempSlopeUnit "% / °C".
    const std::size_t at = 8 * 4 + 8;
    EXPECT_EQ(bytes[at], 6);
    EXPECT_EQ(bytes[at + 1 + 4], 0xB0);
}

}  // namespace
}  // namespace corvane

namespace corvane {
namespace {

// A state file holding the most extreme values each type allows: the program loads it as it
// stands and runs (link, scan, pages) without leaving defined behaviour.
TEST(StateFileExtremes, programRunsOnAFileOfExtremeValues) {
    const auto path = std::filesystem::temp_directory_path() / "corvane-extreme-state.qzt";
    SharedRecords extreme;
    SensorData& s = extreme.Sensor;
    for (int* value : {&s.DeviceId, &s.NewDeviceId, &s.BaudIndex, &s.DataBitsIndex, &s.FlowIndex,
                       &s.ParityIndex, &s.StopBitsIndex, &s.PortIndex, &s.TempFahrenheit,
                       &s.TempCompBaseHigh, &s.Out1.Source, &s.Out1.Filter, &s.Out2.ErrorHigh,
                       &s.DigitalRange, &s.DigitalFilter, &s.CustomRangePoints}) {
        *value = std::numeric_limits<int>::max();
    }
    s.Out2.Source = std::numeric_limits<int>::min();
    s.ChannelId = {std::numeric_limits<int>::min(), -1, 248, 65536,
                   std::numeric_limits<int>::max()};
    s.TempCompSlope = std::numeric_limits<double>::infinity();
    s.Out1.At20mA = std::numeric_limits<double>::quiet_NaN();
    s.Out2.At4mA = -1e308;
    s.TdsFactor = 1e300;
    s.CustomConc.fill(-std::numeric_limits<double>::infinity());
    s.CustomRangeText = std::string(70000, 'Z');
    s.TempUnit = std::string(300, '\xB0');
    StateFile file(path);
    std::string error;
    ASSERT_TRUE(file.SaveTo(extreme, error)) << error;

    testing::AppRig rig(&file);
    ASSERT_TRUE(rig.Start());
    EXPECT_EQ(rig.Records().Sensor.PortIndex, std::numeric_limits<int>::max());
    rig.LogIn("Ann", "K425TRM");
    auto& r = rig.Records();
    for (const int command : {13, 14, 15, 16, 18, 19, 29, 37, 38, 27})
        Machine(r).Queue.Queue(command);
    Machine(r).ScanDirection = 0;
    Machine(r).ScanState = ScanState::StartSearch;
    r.Sensor.ChannelSelected = 5;
    r.Sensor.ChannelSwitch = ChannelSwitch::Requested;
    rig.Run(30 * fw::kSecond);
    rig.Window().PressCloseBox();
    std::filesystem::remove(path);
}

}  // namespace
}  // namespace corvane
