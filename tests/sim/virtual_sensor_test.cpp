#include "sim/virtual_sensor.h"

#include <gtest/gtest.h>

#include "encoded_request.h"
#include "link/command_table.h"
#include "link/crc16.h"
#include "link/link_machine_access.h"
#include "link/request_encoder.h"
#include "link/rtu_framing.h"
#include "link/shared_records.h"
#include "sim/simulated_link.h"

namespace corvane::sim {
namespace {

using fw::kMillisecond;
using fw::kSecond;

TEST(VirtualSensorReplies, everyCommandIsAnsweredWithTheLengthTheProgramExpects) {
    VirtualSensor sensor(0);
    SharedRecords r;
    r.OperatorName = "Tester";
    for (int command = 0; command <= 40; ++command) {
        if (!FindCommand(command)) continue;
        r.Service.CalOutputsEntered = true;
        if (command == FlashBlock) {
            sensor.HandleFrame(RequestFor(r, RequestDownload), 0);
        }
        const auto request = RequestFor(r, command);
        const auto reply = sensor.HandleFrame(request, 10 * kSecond * command);
        ASSERT_TRUE(reply.has_value()) << "command " << command;
        EXPECT_EQ(static_cast<int>(reply->bytes.size()), r.Link().ReplyLength)
            << "command " << command;
        EXPECT_TRUE(FrameCheckPasses(reply->bytes.data(), static_cast<int>(reply->bytes.size())))
            << "command " << command;
        EXPECT_EQ(reply->bytes[1], request[1]) << "command " << command;
    }
}

TEST(VirtualSensorReplies, ignoresOtherAddressesAndDamagedFrames) {
    VirtualSensor sensor(3);
    SharedRecords r;
    r.Sensor.DeviceId = 4;
    EXPECT_FALSE(sensor.HandleFrame(RequestFor(r, PollMeasurement), 0));
    r.Sensor.DeviceId = 3;
    auto frame = RequestFor(r, PollMeasurement);
    frame[2] ^= 1;
    EXPECT_FALSE(sensor.HandleFrame(frame, 0));
    EXPECT_TRUE(sensor.HandleFrame(RequestFor(r, PollMeasurement), 0));
}

TEST(VirtualSensorReplies, unknownFunctionAndWrongLengthGetExceptionFrames) {
    VirtualSensor sensor(1);
    std::vector<std::uint8_t> unknown{0x01, 0x44};
    const std::uint16_t crc = Crc16(unknown);
    unknown.push_back(static_cast<std::uint8_t>(crc));
    unknown.push_back(static_cast<std::uint8_t>(crc >> 8));
    const auto reply = sensor.HandleFrame(unknown, 0);
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->bytes.size(), 5u);
    EXPECT_EQ(reply->bytes[1], 0xC4);
    EXPECT_EQ(reply->bytes[2], 0x01);
}

TEST(VirtualSensorReplies, calibrationsTakeSeconds) {
    VirtualSensor sensor(0);
    SharedRecords r;
    EXPECT_GE(sensor.HandleFrame(RequestFor(r, CalibrateCond925), 0)->delayUs, 2 * kSecond);
    EXPECT_GE(sensor.HandleFrame(RequestFor(r, LoadDefaultSetup), 0)->delayUs, 2 * kSecond);
    EXPECT_GE(sensor.HandleFrame(RequestFor(r, CalibrateTemperature), 0)->delayUs,
              100 * kMillisecond);
    EXPECT_LT(sensor.HandleFrame(RequestFor(r, PollMeasurement), 0)->delayUs, 10 * kMillisecond);
}

TEST(VirtualSensorReplies, temperatureCalibrationMovesTheReadingUntilReset) {
    VirtualSensor sensor(0);
    SharedRecords r;
    const auto temperatureAt = [&](std::int64_t nowUs) {
        const auto reply = sensor.HandleFrame(RequestFor(r, PollMeasurement), nowUs);
        return static_cast<std::int16_t>((reply->bytes[6] << 8) | reply->bytes[7]) / 100.0;
    };
    r.Service.CalTrueTemperature = 30.0;
    sensor.HandleFrame(RequestFor(r, CalibrateTemperature), 60 * kSecond);
    EXPECT_NEAR(temperatureAt(61 * kSecond), 30.0, 0.1);
    sensor.HandleFrame(RequestFor(r, ResetCalibration), 62 * kSecond);
    EXPECT_NEAR(temperatureAt(63 * kSecond), 22.0, 1.6);

    // Fahrenheit: the true temperature is taken in the unit the sensor shows.
    r.Sensor.TempFahrenheit = 1;
    sensor.HandleFrame(RequestFor(r, WriteTempSetup), 64 * kSecond);
    r.Service.CalTrueTemperature = 86.0;
    sensor.HandleFrame(RequestFor(r, CalibrateTemperature), 65 * kSecond);
    EXPECT_NEAR(temperatureAt(66 * kSecond), 86.0, 0.2);
}

TEST(VirtualSensorFaults, namedFaultModesShapeTheReplies) {
    SharedRecords r;
    VirtualSensor sensor(0);
    sensor.Faults().silent = true;
    EXPECT_FALSE(sensor.HandleFrame(RequestFor(r, PollMeasurement), 0));

    sensor.Faults() = FaultModes{};
    sensor.Faults().badCrc = true;
    auto reply = sensor.HandleFrame(RequestFor(r, PollMeasurement), 0);
    EXPECT_FALSE(FrameCheckPasses(reply->bytes.data(), static_cast<int>(reply->bytes.size())));

    sensor.Faults() = FaultModes{};
    sensor.Faults().exceptionReplies = true;
    reply = sensor.HandleFrame(RequestFor(r, WriteTempSetup), 0);
    EXPECT_EQ(reply->bytes.size(), 5u);
    EXPECT_EQ(reply->bytes[1], 0xD0);

    sensor.Faults() = FaultModes{};
    sensor.Faults().replyDelayUs = 300 * kMillisecond;
    sensor.Faults().strayBytes = true;
    reply = sensor.HandleFrame(RequestFor(r, PollMeasurement), 0);
    EXPECT_GE(reply->delayUs, 300 * kMillisecond);
    EXPECT_EQ(reply->strayBytes.size(), 2u);
}

TEST(VirtualSensorFaults, droppedRepliesFollowTheSeed) {
    auto dropped = [](std::uint32_t seed) {
        SharedRecords r;
        VirtualSensor sensor(0);
        sensor.Faults().dropProbability = 0.3;
        sensor.Faults().seed = seed;
        std::vector<bool> pattern;
        for (int i = 0; i < 200; ++i) {
            pattern.push_back(!sensor.HandleFrame(RequestFor(r, PollMeasurement), i).has_value());
        }
        return pattern;
    };
    const auto first = dropped(11);
    EXPECT_EQ(first, dropped(11));
    EXPECT_NE(first, dropped(12));
    const auto drops = std::count(first.begin(), first.end(), true);
    EXPECT_GT(drops, 30);
    EXPECT_LT(drops, 90);
}

TEST(VirtualSensorDownload, flashRecordsBlocksAndTheStampReturnsTheNewIssue) {
    SharedRecords r;
    VirtualSensor sensor(5);
    sensor.SetImageIssue({0x03, 0x10, 0x05});
    EXPECT_EQ(sensor.HandleFrame(RequestFor(r, FlashBlock), 0)->bytes[2], 't')
        << "no block is taken before the download is requested";
    EXPECT_EQ(sensor.HandleFrame(RequestFor(r, RequestDownload), 0)->bytes[0], 5);
    Machine(r).Download.BlockTotal = 2;
    sensor.HandleFrame(RequestFor(r, DownloadBlockCount), 0);
    EXPECT_EQ(sensor.AnnouncedBlocks(), 2);

    sensor.Faults().rejectBlocks = 1;
    Machine(r).Download.LastBlockAddress = 0x0100;
    Machine(r).Download.LastBlockCount = 0;
    EXPECT_EQ(sensor.HandleFrame(RequestFor(r, FlashBlock), 0)->bytes[2], 'q');
    EXPECT_EQ(sensor.HandleFrame(RequestFor(r, FlashBlock), 0)->bytes[2], 'h');
    ASSERT_EQ(sensor.Flash().size(), 1u);
    EXPECT_EQ(sensor.Flash()[0].address, 0x0100);

    sensor.HandleFrame(RequestFor(r, FinishDownload), 0);
    EXPECT_FALSE(sensor.HandleFrame(RequestFor(r, PollMeasurement), 500 * kMillisecond))
        << "restarting";
    r.Sensor.InstallName = "Fitter";
    const auto stamp = sensor.HandleFrame(RequestFor(r, StampInstall), 2 * kSecond);
    ASSERT_TRUE(stamp);
    EXPECT_EQ(std::vector<std::uint8_t>(stamp->bytes.begin() + 2, stamp->bytes.end() - 2),
              (std::vector<std::uint8_t>{'s', 0x03, 0x10, 0x05}));
}

// Known answers worked out by hand from the FNV-1a 64 definition over (address high, address
// low, data) triples: 0x0100:AB is the three bytes 01 00 AB; 0x0010:AB CD is 00 10 AB 00 11 CD.
TEST(FlashDigest, knownAnswersForEmptyOneByteAndTwoByteFlashes) {
    EXPECT_EQ(DigestOf({}), (FlashDigest{0, 0xcbf29ce484222325u}));
    const std::vector<FlashRecord> one{{0x0100, {0xAB}}};
    EXPECT_EQ(DigestOf(one), (FlashDigest{1, 0xd0a342186726a09du}));
    const std::vector<FlashRecord> two{{0x0010, {0xAB, 0xCD}}};
    EXPECT_EQ(DigestOf(two), (FlashDigest{2, 0xb0aa19e217c97688u}));
    EXPECT_EQ(FlashDigestLine(7, DigestOf(two)),
              "flash: address 7, 2 bytes, digest b0aa19e217c97688");
}

TEST(FlashDigest, dependsOnTheContentsNotOnHowTheBlocksWroteThem) {
    const FlashDigest whole = DigestOf(std::vector<FlashRecord>{{0x0010, {0xAB, 0xCD}}});
    EXPECT_EQ(DigestOf(std::vector<FlashRecord>{{0x0011, {0xCD}}, {0x0010, {0xAB}}}), whole);
    EXPECT_EQ(DigestOf(std::vector<FlashRecord>{{0x0010, {0xAB, 0xCD}}, {0x0011, {0xCD}}}), whole);
    EXPECT_NE(DigestOf(std::vector<FlashRecord>{{0x0010, {0xAB, 0xCE}}}), whole);
    EXPECT_NE(DigestOf(std::vector<FlashRecord>{{0x0011, {0xAB, 0xCD}}}), whole)
        << "the same bytes one address higher";
    EXPECT_NE(DigestOf(std::vector<FlashRecord>{{0x0010, {0xCD, 0xAB}}}), whole);
}

TEST(VirtualSensorDownload, finishedDownloadIsReportedOnceWithTheDigestOfItsFlash) {
    SharedRecords r;
    VirtualSensor sensor(0);
    std::vector<FlashDigest> reports;
    sensor.SetDownloadObserver([&](const VirtualSensor& s) { reports.push_back(s.Digest()); });
    sensor.HandleFrame(RequestFor(r, FinishDownload), 0);
    EXPECT_TRUE(reports.empty()) << "a finish without a download is no download";

    sensor.HandleFrame(RequestFor(r, RequestDownload), 2 * kSecond);
    std::vector<std::uint8_t> block{0, fn::kFlashBlock, 0x02, 0x00, 3, 0x11, 0x22, 0x33};
    const std::uint16_t crc = Crc16(block);
    block.push_back(static_cast<std::uint8_t>(crc & 0xFF));
    block.push_back(static_cast<std::uint8_t>(crc >> 8));
    ASSERT_EQ(sensor.HandleFrame(block, 2 * kSecond)->bytes[2], 'h');
    EXPECT_TRUE(reports.empty());
    sensor.HandleFrame(RequestFor(r, FinishDownload), 2 * kSecond);
    sensor.HandleFrame(RequestFor(r, FinishDownload), 5 * kSecond);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0], sensor.Digest());
    EXPECT_EQ(reports[0], DigestOf(std::vector<FlashRecord>{{0x0200, {0x11, 0x22, 0x33}}}));
}

class VirtualSensorOnTheLine : public ::testing::Test {
  protected:
    SimulatedLink link{{0, 3, 7}};
    SharedRecords& r() { return link.Records(); }
};

TEST_F(VirtualSensorOnTheLine, eachAddressIsAnsweredByItsOwnSensor) {
    link.Start();
    for (const int address : {3, 7, 0}) {
        r().Sensor.DeviceId = address;
        link.RunTicks(2);
        EXPECT_TRUE(r().Engine().SensorAnswering) << address;
        EXPECT_EQ(link.Line().Written().back()[0], address);
    }
    EXPECT_GT(link.Sensor(1).RequestsHandled(), 0);
    EXPECT_GT(link.Sensor(2).RequestsHandled(), 0);
}

TEST_F(VirtualSensorOnTheLine, repliesTakeLineTimeAtTheBaudRate) {
    link.Start();
    link.Clock().RunUntilTrue([&] { return !link.Line().Written().empty(); }, kSecond);
    const auto sentAt = link.Clock().Now();
    EXPECT_EQ(link.Line().CharacterTime(), 1042);  // 10 bits at 9600 baud
    // 4 request bytes, processing, 21 reply bytes: the reply is complete well within a tick.
    link.Clock().RunUntilTrue([&] { return r().Link().TickCount == 0; }, 200 * kMillisecond);
    const auto took = link.Clock().Now() - sentAt;
    EXPECT_EQ(took, 25 * 1042 + VirtualSensor::kProcessingUs);
}

TEST_F(VirtualSensorOnTheLine, sensorWithOtherLineSettingsDoesNotUnderstand) {
    for (std::size_t i = 0; i < 3; ++i) link.Sensor(i).Line().BaudRate = 19200;
    link.Start();
    link.RunTicks(8);
    EXPECT_EQ(r().Slots.Text(1), "Msg 01..Data Reply Overdue");
}

TEST_F(VirtualSensorOnTheLine, setupWrittenByTheProgramIsReadBackByTheUpload) {
    link.Start();
    r().Sensor.DeviceId = 3;
    SensorData& s = r().Sensor;
    s.TempFahrenheit = 0;
    s.TempCompBaseHigh = 0;
    s.TempCompSlope = 1.85;
    s.Out1.Source = 0;
    s.Out1.At4mA = 10;
    s.Out1.At20mA = 500;
    s.Out1.Filter = 3;
    s.Out1.ErrorSignal = 1;
    s.Out1.ErrorHigh = 1;
    s.Out2.Source = 4;
    s.Out2.At20mA = 16;
    s.TdsFactor = 0.55;
    s.DigitalRange = 9;
    s.DigitalFilter = 2;
    s.CondFilterOn = 1;
    s.CustomRangeText = "Brine line 4, summer calibration";
    s.CustomRangePoints = 6;
    s.CustomConc[4] = 12.34;
    s.CustomCond[8] = 876.5;
    s.PlantNumber = "PL-77";
    s.SerialNumber = "SN4242";
    for (const int command :
         {WriteTempSetup, WriteOutput1Setup, WriteOutput2Setup, WriteDigitalSetup, WriteCustomConc,
          WriteCustomCond, WriteSerialNumber, WritePlantNumber, WriteCustomText1,
          WriteCustomText2}) {
        Machine(r()).Queue.Queue(command);
    }
    link.RunFor(5 * kSecond);
    const SensorData written = s;

    ResetSensorData(r());
    r().Sensor.DeviceId = 3;
    Machine(r()).UploadBlock = 0;
    Machine(r()).Queue.Queue(ReadDataBlock);
    ASSERT_TRUE(link.Clock().RunUntilTrue([&] { return r().PageRefresh == PageRefresh::Armed; },
                                          20 * kSecond));
    EXPECT_DOUBLE_EQ(s.TempCompSlope, 1.85);
    EXPECT_EQ(s.TempCompBaseText, "Temp.Comp.Base 20 °C");
    EXPECT_EQ(s.Out1.Source, 0);
    EXPECT_DOUBLE_EQ(s.Out1.At4mA, 10);
    EXPECT_DOUBLE_EQ(s.Out1.At20mA, 500);
    EXPECT_EQ(s.Out1.Filter, 3);
    EXPECT_EQ(s.Out1.ErrorHigh, 1);
    EXPECT_EQ(s.Out2.Source, 4);
    EXPECT_DOUBLE_EQ(s.Out2.At20mA, 16);
    EXPECT_DOUBLE_EQ(s.TdsFactor, 0.55);
    EXPECT_EQ(s.DigitalRange, 9);
    EXPECT_EQ(s.DigitalFilter, 2);
    EXPECT_EQ(s.CondFilterOn, 1);
    EXPECT_EQ(s.ConcFilterOn, 0);
    EXPECT_EQ(s.CustomRangeText, written.CustomRangeText);
    EXPECT_EQ(s.CustomRangePoints, 6);
    EXPECT_DOUBLE_EQ(s.CustomConc[4], 12.34);
    EXPECT_DOUBLE_EQ(s.CustomCond[8], 876.5);
    EXPECT_EQ(s.PlantNumber, "PL-77");
    EXPECT_EQ(s.SerialNumber, "SN4242");
    EXPECT_EQ(s.InstallName, "Corvane Factory");
    EXPECT_EQ(s.InstallIssue, "2.0137");
}

TEST_F(VirtualSensorOnTheLine, readingsDriftAndTestCodesForceTheOutputs) {
    link.Start();
    link.RunTicks(2);
    const double first = r().Sensor.CondComp;
    link.RunFor(60 * kSecond);
    EXPECT_NE(r().Sensor.CondComp, first);
    EXPECT_NEAR(r().Sensor.CondComp, 48.0, 3.0);
    r().Service.TestCode1 = 0x40 | 12;
    Machine(r()).Queue.Queue(TestOutput1);
    link.RunTicks(3);
    EXPECT_DOUBLE_EQ(r().Sensor.Out1Current, 12.0);
    r().Service.TestCodeBoth = 0;
    Machine(r()).Queue.Queue(TestBothOutputs);
    link.RunTicks(3);
    EXPECT_NE(r().Sensor.Out1Current, 12.0);
}

}  // namespace
}  // namespace corvane::sim
