#include "setup/config_file.h"

#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <bit>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>

#include "link/shared_records.h"

namespace corvane {
namespace {

using Bytes = std::vector<std::uint8_t>;

// The records with every text of the file empty.
SharedRecords AllTextsEmpty() {
    SharedRecords r;
    SensorData& s = r.Sensor;
    for (std::string* text :
         {&s.TempSlopeUnit, &s.TempUnitName, &s.TempCompBaseText, &s.TempUnit, &s.Out1.FilterName,
          &s.Out1.SourceName, &s.Out1.Unit, &s.Out2.FilterName, &s.Out2.SourceName, &s.Out2.Unit,
          &s.DigitalFilterName, &s.DigitalRangeName, &s.DigitalUnit, &s.CustomRangeText,
          &r.OperatorName}) {
        text->clear();
    }
    return r;
}

// A setup unlike the defaults in every record, with the values a file must carry bit for bit.
SharedRecords UnusualSetup() {
    SharedRecords r;
    SensorData& s = r.Sensor;
    s.BaudIndex = 6;
    s.DataBitsIndex = 0;
    s.FlowIndex = 1;
    s.ParityIndex = 4;
    s.StopBitsIndex = 2;
    s.PortNumber = 2;
    s.TempCompSlope = -0.0;
    s.TempSlopeUnit = "% / °F";
    s.TempUnitName = "Degrees Fahrenheit";
    s.TempFahrenheit = 1;
    s.TempCompBaseText = "Temp.Comp.Base 68 °F";
    s.TempCompBaseHigh = 0;
    s.TempUnit = "°F";
    s.Out1 = {.Source = 11,
              .SourceName = "Total Dissolved Solids (p.p.t.)",
              .Unit = "p.p.t.",
              .At4mA = std::numeric_limits<double>::denorm_min(),
              .At20mA = 41.3,
              .FilterOn = 1,
              .Filter = 2,
              .FilterName = "5 second average",
              .ErrorSignal = 1,
              .ErrorHigh = -1};
    s.Out2 = {.Source = 2,
              .SourceName = "Temperature",
              .Unit = "°F",
              .At4mA = -40.0,
              .At20mA = std::bit_cast<double>(0x7FF8000000000123ULL),
              .FilterOn = 0,
              .Filter = 5,
              .FilterName = "1 minute average",
              .ErrorSignal = 0,
              .ErrorHigh = 1};
    s.CondFilterOn = 1;
    s.ConcFilterOn = 0;
    s.TempFilterOn = 1;
    s.DigitalFilterName = "10 minute average";
    s.DigitalRangeName = "Sea Water (41.3 ppt)";
    s.DigitalRange = 7;
    s.DigitalUnit = "p.p.t.";
    s.TdsFactor = 0.65;
    s.DigitalFilter = 8;
    s.ChannelId = {247, 0, 13, 99, 200};
    r.OperatorName = "JOSÉ ÅNGSTRÖM";
    s.PortIndex = 1;
    for (std::size_t k = 0; k < 9; ++k) {
        s.CustomCond[k] = 1.5 * static_cast<double>(k);
        s.CustomConc[k] = -0.25 * static_cast<double>(k);
    }
    s.CustomRangePoints = 12;
    s.CustomRangeText = std::string(499, 'x') + "°";
    return r;
}

void ExpectSameDouble(double a, double b, const char* what) {
    EXPECT_EQ(std::bit_cast<std::uint64_t>(a), std::bit_cast<std::uint64_t>(b)) << what;
}

TEST(ConfigFileFormat, beginsWithTheSixPortRecordsAndTheSlope) {
    SharedRecords r;
    const Bytes file = EncodeConfig(r);
    const Bytes expected = {0x02, 0, 0, 0, 0x01, 0, 0, 0, 0x02, 0, 0, 0, 0x02, 0, 0, 0,
                            0x00, 0, 0, 0, 0x01, 0, 0, 0, 0,    0, 0, 0, 0,    0, 0, 0x40};
    ASSERT_GE(file.size(), 32u);
    EXPECT_EQ(Bytes(file.begin(), file.begin() + 32), expected);
}

TEST(ConfigFileFormat, withEveryTextEmptyTheFileIs328BytesAndLoadsEmptyTexts) {
    const Bytes file = EncodeConfig(AllTextsEmpty());
    EXPECT_EQ(file.size(), 328u);
    SharedRecords loaded;
    ASSERT_TRUE(DecodeConfig(file, loaded));
    EXPECT_EQ(loaded.Sensor.TempUnit, "");
    EXPECT_EQ(loaded.Sensor.Out2.SourceName, "");
    EXPECT_EQ(loaded.Sensor.CustomRangeText, "");
    EXPECT_EQ(loaded.OperatorName, "");
}

TEST(ConfigFileFormat, textsUpTo254BytesHaveAOneBytePrefixLongerOnesThree) {
    SharedRecords r = AllTextsEmpty();
    r.Sensor.TempSlopeUnit = std::string(254, 'a');  // the first text, at offset 32
    Bytes file = EncodeConfig(r);
    EXPECT_EQ(file[32], 0xFE);
    EXPECT_EQ(file[33], 'a');

    r.Sensor.TempSlopeUnit = std::string(255, 'a');
    file = EncodeConfig(r);
    EXPECT_EQ(Bytes(file.begin() + 32, file.begin() + 36), (Bytes{0xFF, 0xFF, 0x00, 'a'}));
    EXPECT_EQ(file.size(), 328u + 255u + 2u);
}

// A file written by a wide-character build carries its texts as UTF-16.
TEST(ConfigFileFormat, wideTextsAreReadIntoTheCodePage) {
    Bytes file = EncodeConfig(AllTextsEmpty());
    ASSERT_EQ(file[32], 0x00);  // the slope unit, the first text
    const Bytes wide = {0xFF, 0xFE, 0xFF, 0x03, '%', 0x00, 0xB0, 0x00, 'F', 0x00};
    file.erase(file.begin() + 32);
    file.insert(file.begin() + 32, wide.begin(), wide.end());
    SharedRecords loaded;
    ASSERT_TRUE(DecodeConfig(file, loaded));
    EXPECT_EQ(loaded.Sensor.TempSlopeUnit, "%°F");
}

TEST(ConfigFileFormat, theDegreeSignIsTheSingleByteB0) {
    SharedRecords r = AllTextsEmpty();
    r.Sensor.TempSlopeUnit = "°";
    const Bytes file = EncodeConfig(r);
    EXPECT_EQ(Bytes(file.begin() + 32, file.begin() + 34), (Bytes{0x01, 0xB0}));
}

TEST(ConfigFileRoundTrip, everyRecordComesBackExactly) {
    const SharedRecords saved = UnusualSetup();
    SharedRecords loaded;
    loaded.OperatorName = "AT WORK";
    std::string savedBy;
    ASSERT_TRUE(DecodeConfig(EncodeConfig(saved), loaded, nullptr, &savedBy));
    // The file's operator is told, never made the operator at work.
    EXPECT_EQ(loaded.OperatorName, "AT WORK");
    EXPECT_EQ(savedBy, "JOSÉ ÅNGSTRÖM");
    loaded.OperatorName = savedBy;
    const SensorData& a = saved.Sensor;
    const SensorData& b = loaded.Sensor;
    EXPECT_EQ(EncodeConfig(loaded), EncodeConfig(saved));
    ExpectSameDouble(b.TempCompSlope, -0.0, "slope -0.0");
    ExpectSameDouble(b.Out1.At4mA, a.Out1.At4mA, "a denormal");
    ExpectSameDouble(b.Out2.At20mA, a.Out2.At20mA, "a NaN with a payload");
    EXPECT_EQ(b.Out1.Filter, 2);
    EXPECT_EQ(b.Out2.Filter, 5);
    EXPECT_EQ(b.Out1.ErrorHigh, -1);
    EXPECT_EQ(b.TempUnit, "°F");
    EXPECT_EQ(b.ChannelId, a.ChannelId);
    EXPECT_EQ(b.CustomRangePoints, 12) << "counts are taken as stored";
    EXPECT_EQ(b.CustomRangeText, a.CustomRangeText);
    EXPECT_EQ(b.CustomConc, a.CustomConc);
}

// Record 13 and record 50 both hold the temperature unit; a load keeps the second.
TEST(ConfigFileRoundTrip, theSecondCopyOfTheTemperatureUnitIsTheOneKept) {
    SharedRecords r = AllTextsEmpty();
    r.Sensor.TempUnit = "°C";
    Bytes file = EncodeConfig(r);
    // With every other text empty, record 50 is the one-byte text just before the last
    // 9 + 9 doubles, the point count and the description's empty prefix.
    const std::size_t secondUnit = file.size() - 1 - 4 - 18 * 8 - 3;
    ASSERT_EQ(Bytes(file.begin() + static_cast<std::ptrdiff_t>(secondUnit),
                    file.begin() + static_cast<std::ptrdiff_t>(secondUnit) + 3),
              (Bytes{0x02, 0xB0, 'C'}));
    file[secondUnit + 2] = 'F';
    SharedRecords loaded;
    ASSERT_TRUE(DecodeConfig(file, loaded));
    EXPECT_EQ(loaded.Sensor.TempUnit, "°F");
}

// A damaged file changes nothing: not the records before the damage, not those after.
TEST(ConfigFileDamage, aFileThatEndsEarlyLeavesTheRecordsUntouched) {
    const Bytes good = EncodeConfig(UnusualSetup());
    const Bytes empty = EncodeConfig(AllTextsEmpty());
    Bytes pastEnd(good.begin(), good.begin() + 32);
    pastEnd.insert(pastEnd.end(), {200, 'a', 'b'});
    struct Damage {
        const char* what;
        Bytes bytes;
        int whole;  // records read whole before the damage
    };
    const std::vector<Damage> damaged = {
        {"truncated after record 7", Bytes(good.begin(), good.begin() + 32), 7},
        {"327 bytes", Bytes(empty.begin(), empty.end() - 1), 69},
        {"a text length past the end", pastEnd, 7},
        {"nothing", {}, 0},
    };
    for (const auto& [what, bytes, whole] : damaged) {
        SharedRecords r;
        r.Sensor.BaudIndex = 4;
        r.OperatorName = "KEPT";
        const Bytes before = EncodeConfig(r);
        int recordsRead = -1;
        EXPECT_FALSE(DecodeConfig(bytes, r, &recordsRead)) << what;
        EXPECT_EQ(recordsRead, whole) << what;
        EXPECT_EQ(EncodeConfig(r), before) << what;
        EXPECT_EQ(r.Sensor.BaudIndex, 4) << what;
    }
}

class ConfigFileOnDisk : public ::testing::Test {
  protected:
    void SetUp() override {
        folder =
            std::filesystem::temp_directory_path() /
            ("corvane-config-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
             ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
    }
    void TearDown() override { std::filesystem::remove_all(folder); }
    std::filesystem::path folder;
};

TEST_F(ConfigFileOnDisk, savedFileLoadsIntoAFreshProgram) {
    const auto path = folder / "plant.QCF";
    std::string error;
    ASSERT_TRUE(SaveConfigFile(path, UnusualSetup(), error)) << error;
    SharedRecords fresh;
    std::string savedBy;
    ASSERT_EQ(LoadConfigFile(path, fresh, error, nullptr, &savedBy), LoadOutcome::Loaded) << error;
    EXPECT_EQ(savedBy, UnusualSetup().OperatorName);
    fresh.OperatorName = savedBy;  // everything else is the file's
    EXPECT_EQ(EncodeConfig(fresh), EncodeConfig(UnusualSetup()));
    EXPECT_FALSE(std::filesystem::exists(folder / "plant.QCF.tmp"));
}

TEST_F(ConfigFileOnDisk, failuresNameTheFileAndTheReasonAndChangeNothing) {
    std::string error;
    EXPECT_FALSE(SaveConfigFile(folder / "missing-folder" / "a.QCF", SharedRecords{}, error));
    EXPECT_NE(error.find((std::filesystem::path("missing-folder") / "a.QCF").string()),
              std::string::npos)
        << error;
    EXPECT_NE(error.find("No such file or directory"), std::string::npos) << error;

    SharedRecords r;
    r.OperatorName = "KEPT";
    EXPECT_EQ(LoadConfigFile(folder / "absent.QCF", r, error), LoadOutcome::Unreadable);
    EXPECT_NE(error.find("absent.QCF"), std::string::npos) << error;

    const auto shortFile = folder / "short.QCF";
    {
        const Bytes good = EncodeConfig(UnusualSetup());
        std::ofstream out(shortFile, std::ios::binary);
        out.write(reinterpret_cast<const char*>(good.data()), 100);
    }
    EXPECT_EQ(LoadConfigFile(shortFile, r, error), LoadOutcome::Damaged);
    EXPECT_EQ(error, "An attempt was made to access an unnamed file past its end.");
    EXPECT_EQ(r.OperatorName, "KEPT");
}

TEST_F(ConfigFileOnDisk, aDeviceIsRefusedAtOnceNotRead) {
    SharedRecords r;
    r.OperatorName = "KEPT";
    std::string error;
#ifdef _WIN32
    EXPECT_EQ(LoadConfigFile("NUL", r, error), LoadOutcome::Unreadable);
#else
    EXPECT_EQ(LoadConfigFile("/dev/zero", r, error), LoadOutcome::Unreadable);
#endif
    EXPECT_NE(error.find("not a file"), std::string::npos) << error;
    EXPECT_EQ(r.OperatorName, "KEPT");
}

#ifndef _WIN32
using ConfigFileOnDiskPosix = ConfigFileOnDisk;

TEST_F(ConfigFileOnDiskPosix, aPipeIsRefusedAtOnceNotWaitedOn) {
    ASSERT_EQ(mkfifo((folder / "pipe.QCF").c_str(), 0600), 0);
    SharedRecords r;
    r.OperatorName = "KEPT";
    std::string error;
    EXPECT_EQ(LoadConfigFile(folder / "pipe.QCF", r, error), LoadOutcome::Unreadable);
    EXPECT_NE(error.find("not a file"), std::string::npos) << error;
    EXPECT_EQ(r.OperatorName, "KEPT");
}
#endif

TEST_F(ConfigFileOnDisk, aSaveReplacesTheWholeOldFile) {
    const auto path = folder / "setup.QCF";
    std::string error;
    SharedRecords big = UnusualSetup();
    big.Sensor.CustomRangeText = std::string(5000, 'z');
    ASSERT_TRUE(SaveConfigFile(path, big, error)) << error;
    ASSERT_TRUE(SaveConfigFile(path, AllTextsEmpty(), error)) << error;
    EXPECT_EQ(std::filesystem::file_size(path), 328u);
}

}  // namespace
}  // namespace corvane
