#include <gtest/gtest.h>

#include <string>

#include "link/command_table.h"
#include "link/link_machine_access.h"
#include "link_test_support.h"

namespace corvane {
namespace {

using testing::SentFrame;
using testing::StartExchange;

// The payload bytes of the request just built.
std::vector<std::uint8_t> Payload(const SharedRecords& r) {
    auto frame = SentFrame(r);
    return {frame.begin() + 2, frame.end() - 2};
}

class RequestEncoding : public ::testing::Test {
  protected:
    std::vector<std::uint8_t> Send(int command) {
        StartExchange(r, command);
        return Payload(r);
    }
    SharedRecords r;
};

TEST_F(RequestEncoding, lengthsFollowTheCommandTable) {
    StartExchange(r, WriteDigitalSetup);
    EXPECT_EQ(r.Link().RequestFunction, 0x53);
    EXPECT_EQ(r.Link().RequestLength, 15);
    EXPECT_EQ(r.Link().ReplyLength, 6);
    StartExchange(r, ReadDataBlock);
    EXPECT_EQ(r.Link().RequestLength, 5);
    EXPECT_EQ(r.Link().ReplyLength, 20);
}

TEST_F(RequestEncoding, codeOutsideTheTableFallsBackToThePoll) {
    Machine(r).Engine.CurrentCommand = 11;
    BuildRequest(r, 11, testing::kTestDate);
    EXPECT_EQ(r.Link().RequestFunction, 0x35);
    EXPECT_EQ(r.Engine().CurrentCommand, 0);
}

TEST_F(RequestEncoding, conductivityCalibrationCarriesItsPoint) {
    EXPECT_EQ(Send(CalibrateCond925), std::vector<std::uint8_t>{1});
    EXPECT_EQ(Send(CalibrateCond92_5), std::vector<std::uint8_t>{2});
    EXPECT_EQ(Send(CalibrateCond9_25), std::vector<std::uint8_t>{3});
    EXPECT_EQ(Send(CalibrateCondZero), std::vector<std::uint8_t>{0});
    EXPECT_EQ(Send(LoadDefaultSetup), std::vector<std::uint8_t>{0x31});
    EXPECT_EQ(Send(RequestDownload), std::vector<std::uint8_t>{0x66});
    EXPECT_EQ(Send(FinishDownload), std::vector<std::uint8_t>{0x69});
}

TEST_F(RequestEncoding, fahrenheitSlopeIsScaledByNineFifths) {
    r.Sensor.TempCompSlope = 2.00;
    r.Sensor.TempFahrenheit = 1;
    r.Sensor.TempCompBaseHigh = 0;
    EXPECT_EQ(Send(WriteTempSetup), (std::vector<std::uint8_t>{0x01, 0x01, 0x68}));  // 360
    r.Sensor.TempFahrenheit = 0;
    r.Sensor.TempCompBaseHigh = 1;
    EXPECT_EQ(Send(WriteTempSetup), (std::vector<std::uint8_t>{0x02, 0x00, 0xC8}));  // 200
}

TEST_F(RequestEncoding, displayedHundredthsAreSentExactly) {
    r.Sensor.TempCompSlope = 2.01;  // 200.99999… after scaling in binary floating point
    EXPECT_EQ(Send(WriteTempSetup), (std::vector<std::uint8_t>{0x02, 0x00, 0xC9}));
    r.Service.CalTrueTemperature = -12.345;  // truncated toward zero: -1234
    EXPECT_EQ(Send(CalibrateTemperature), (std::vector<std::uint8_t>{0xFB, 0x2E}));
}

TEST_F(RequestEncoding, outputSetupSendsWholeNumbersAndTdsByOutput) {
    r.Sensor.Out1 = {2, "", "", 12.7, 99.9, 1, 3, "", 1, 1};
    r.Sensor.TdsFactor = 0.68;
    EXPECT_EQ(Send(WriteOutput1Setup),
              (std::vector<std::uint8_t>{0x2D, 3, 0x00, 0x0C, 0x00, 0x63, 0x00, 68}));
    r.Sensor.Out2 = {1, "", "", 0.0, 1000.0, 0, 0, "", 1, 0};
    EXPECT_EQ(Send(WriteOutput2Setup),
              (std::vector<std::uint8_t>{0x1F, 0, 0x00, 0x00, 0x03, 0xE8, 0x00, 0x00}));
    r.Sensor.Out2.ErrorSignal = 0;
    EXPECT_EQ(Send(WriteOutput2Setup)[0], 0x0F);
}

TEST_F(RequestEncoding, digitalSetupSendsTheSharedFilterPerEnabledReading) {
    r.Sensor.DigitalFilter = 4;
    r.Sensor.ConcFilterOn = 1;
    r.Sensor.CondFilterOn = 0;
    r.Sensor.TempFilterOn = 1;
    r.Sensor.DigitalRange = 4;
    r.Sensor.TdsFactor = 0.68;
    EXPECT_EQ(Send(WriteDigitalSetup),
              (std::vector<std::uint8_t>{4, 0, 4, 6, 0xFF, 0xFF, 0x77, 0x77, 0xFF, 0x00, 0x00}));
}

TEST_F(RequestEncoding, customRangePointsAndText) {
    const auto conc = Send(WriteCustomConc);
    ASSERT_EQ(conc.size(), 18u);
    EXPECT_EQ((std::vector<std::uint8_t>(conc.begin(), conc.begin() + 4)),
              (std::vector<std::uint8_t>{0x04, 0x56, 0x08, 0xAC}));  // 1110, 2220
    const auto cond = Send(WriteCustomCond);
    EXPECT_EQ((std::vector<std::uint8_t>(cond.end() - 2, cond.end())),
              (std::vector<std::uint8_t>{0x27, 0x06}));  // 9990

    r.Sensor.CustomRangeText = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789abcd";  // 40 characters
    r.Sensor.CustomRangePoints = 7;
    const auto first = Send(WriteCustomText1);
    EXPECT_EQ(std::string(first.begin(), first.end()), "ABCDEFGHIJKLMNOPQ");
    const auto second = Send(WriteCustomText2);
    ASSERT_EQ(second.size(), 17u);
    EXPECT_EQ(std::string(second.begin(), second.begin() + 16), "RSTUVWXYZ0123456");
    EXPECT_EQ(second[16], 7);

    r.Sensor.CustomRangeText = "Brine";
    const auto shortFirst = Send(WriteCustomText1);
    const auto shortSecond = Send(WriteCustomText2);
    EXPECT_EQ(std::string(shortFirst.begin(), shortFirst.begin() + 5), "Brine");
    int zeros = 0;
    for (std::size_t i = 5; i < 17; ++i) zeros += shortFirst[i] == 0;
    for (std::size_t i = 0; i < 16; ++i) zeros += shortSecond[i] == 0;
    EXPECT_EQ(zeros, 28);
}

TEST_F(RequestEncoding, customTextTravelsInTheWireCodePage) {
    r.Sensor.CustomRangeText = "25°C range";
    const auto first = Send(WriteCustomText1);
    EXPECT_EQ(first[2], 0xB0);
    EXPECT_EQ(first[3], 'C');
}

TEST_F(RequestEncoding, testOutputCodes) {
    r.Service.TestCode1 = 0x40 | 12;
    EXPECT_EQ(Send(TestOutput1), std::vector<std::uint8_t>{0x4C});
    r.Service.TestCode2 = 0x80 | 20;
    EXPECT_EQ(Send(TestOutput2), std::vector<std::uint8_t>{0x94});
    r.Service.TestCodeBoth = 0xC4;
    EXPECT_EQ(Send(TestBothOutputs), std::vector<std::uint8_t>{0xC4});
}

TEST_F(RequestEncoding, calibrationStampCarriesDateAndOperatorName) {
    r.OperatorName = "A Very Long Operator Name";
    const auto payload = Send(WriteCalibrationStamp);
    ASSERT_EQ(payload.size(), 20u);
    EXPECT_EQ((std::vector<std::uint8_t>(payload.begin(), payload.begin() + 4)),
              (std::vector<std::uint8_t>{0x07, 0x12, 0x20, 0x26}));
    EXPECT_EQ(std::string(payload.begin() + 4, payload.end()), "A Very Long Oper");
    EXPECT_EQ(r.Sensor.CalibrationName, "A Very Long Operator Name");

    r.Sensor.InstallName = "Jo";
    const auto install = Send(StampInstall);
    EXPECT_EQ(install[4], 'J');
    EXPECT_EQ(install[5], 'o');
    EXPECT_EQ(install[6], 0);
    EXPECT_EQ(install[19], 0);
}

TEST_F(RequestEncoding, outputCalibrationOnlyWhileReadingsAreEntered) {
    r.Service.CalOutputsEntered = false;
    StartExchange(r, CalibrateOutputs);
    EXPECT_EQ(r.Link().RequestLength, 0);  // nothing to write
    EXPECT_EQ(r.Link().RequestFunction, 0x63);

    r.Service.CalOutputsEntered = true;
    r.Service.CalOutputPoint = 20;
    r.Service.CalOut1Reading = 19.95;
    r.Service.CalOut2Reading = 4.001;
    EXPECT_EQ(Send(CalibrateOutputs), (std::vector<std::uint8_t>{0x4D, 0xEE, 0x0F, 0xA1}));
    EXPECT_FALSE(r.Service.CalOutputsEntered);
    EXPECT_EQ(r.Service.CalOutputPoint, 0);
}

TEST_F(RequestEncoding, identityTextsArePaddedToTheirWidth) {
    r.Sensor.SerialNumber = "A12";
    EXPECT_EQ(Send(WriteSerialNumber), (std::vector<std::uint8_t>{'A', '1', '2', 0, 0, 0}));
    r.Sensor.PlantNumber = "PLANT-NUMBER-99";
    const auto plant = Send(WritePlantNumber);
    EXPECT_EQ(std::string(plant.begin(), plant.end()), "PLANT-NUMB");
}

TEST_F(RequestEncoding, addressBlockAndCountPayloads) {
    r.Sensor.NewDeviceId = 200;
    EXPECT_EQ(Send(ChangeDeviceId), std::vector<std::uint8_t>{200});
    Machine(r).UploadBlock = 16;
    EXPECT_EQ(Send(ReadDataBlock), std::vector<std::uint8_t>{16});
    Machine(r).Download.BlockTotal = 0x1234;
    EXPECT_EQ(Send(DownloadBlockCount), (std::vector<std::uint8_t>{0x12, 0x34}));
    EXPECT_TRUE(Send(ProbeDeviceId).empty());
    EXPECT_TRUE(Send(CalibrateSource1K5).empty());
}

TEST_F(RequestEncoding, flashBlockWithoutReaderRepeatsTheLastHeader) {
    Machine(r).Download.LastBlockAddress = 0x0030;
    Machine(r).Download.LastBlockCount = 0;
    StartExchange(r, FlashBlock);
    EXPECT_EQ(r.Link().RequestLength, 7);
    EXPECT_EQ(Payload(r), (std::vector<std::uint8_t>{0x00, 0x30, 0x00}));
}

TEST_F(RequestEncoding, flashBlockIsBuiltByTheBlockReader) {
    struct ThreeBytes : FlashBlockReader {
        void ReadBlock(SharedRecords& rec) override {
            const std::uint8_t block[] = {0x00, 0x30, 0x03, 0x02, 0x33, 0x7A};
            std::copy(std::begin(block), std::end(block), Machine(rec).Link.TxFrame.begin() + 2);
            Machine(rec).Link.RequestLength = 10;
            Machine(rec).Link.ReplyLength = 5;
        }
    } reader;
    BeginRequest(r);
    BuildRequest(r, FlashBlock, testing::kTestDate, &reader);
    FinishRequest(r);
    EXPECT_EQ(SentFrame(r).size(), 10u);
    EXPECT_EQ(Payload(r), (std::vector<std::uint8_t>{0x00, 0x30, 0x03, 0x02, 0x33, 0x7A}));
}

TEST_F(RequestEncoding, pollServesARequestedChannelSwitch) {
    r.Sensor.ChannelId = {10, 20, 30, 40, 50};
    r.Sensor.ChannelSelected = 3;
    r.Sensor.ChannelSwitch = ChannelSwitch::Requested;
    StartExchange(r, PollMeasurement);
    EXPECT_EQ(r.Sensor.DeviceId, 30);
    EXPECT_EQ(r.Link().TxFrame[0], 30);
    EXPECT_EQ(r.Sensor.ChannelSwitch, ChannelSwitch::Switched);

    r.Sensor.ChannelSelected = 0;
    r.Sensor.ChannelSwitch = ChannelSwitch::Requested;
    StartExchange(r, PollMeasurement);
    EXPECT_EQ(r.Sensor.DeviceId, 30);
    EXPECT_EQ(r.Sensor.ChannelSwitch, ChannelSwitch::Requested);
}

}  // namespace
}  // namespace corvane
