#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "hex_text.h"
#include "link/command_table.h"
#include "link/download_sequence.h"
#include "link/link_machine_access.h"
#include "link/record_date.h"
#include "resources/factory_page.h"
#include "resources/setup_page.h"
#include "resources/software_page.h"
#include "sheet_test_rig.h"

namespace corvane {
namespace {

using fw::Answer;
using fw::kSecond;
using Payloads = std::vector<std::vector<std::uint8_t>>;
using namespace ids;
using testing::HexText;
using testing::PatternImage;

// The Software and Factory pages on the virtual sensor, with image files in a scratch folder.
class DownloadPages : public testing::SheetRig {
  protected:
    void SetUp() override {
        SheetRig::SetUp();
        LogIn();
    }
    DownloadRecord& d() { return Machine(rig.Records()).Download; }

    // Browses to `path` from the page's button `browse`.
    void Select(fw::WindowModel& page, int browse, const std::string& path) {
        rig.host.ScriptFileChoices({path});
        page.UserClick(browse);
        rig.Settle();
    }
    void Click(fw::WindowModel& page, int button, Answer answer = Answer::Yes) {
        rig.host.ScriptAnswers({answer});
        page.UserClick(button);
        rig.Settle();
    }
    std::vector<std::string> StatusList(fw::WindowModel& page) {
        return page.ListItems(kSwStatusList);
    }

    testing::ScratchFolder folder;
};

TEST_F(DownloadPages, upgradeRunsToTheStampAndThePageShowsTheNewRecords) {
    auto& page = Open("Software");
    EXPECT_EQ(page.Text(kSwPath), "No File Selected");
    const std::string path = folder.Write("image.Hex", HexText(PatternImage(20, 16)));
    Select(page, kSwBrowse, path);
    EXPECT_EQ(page.Text(kSwPath), path);
    EXPECT_EQ(d().ImageStatus, 1);
    ASSERT_EQ(rig.host.FileDialogs().size(), 1u);
    EXPECT_EQ(rig.host.FileDialogs()[0].filter,
              "Download Files (*.Hex)|*.Hex|All Files (*.*)|*.*||");
    EXPECT_EQ(rig.host.FileDialogs()[0].initialName, "*.Hex");

    Click(page, kSwUpgrade);
    EXPECT_EQ(LastBox().box.text, "Do You Want To Replace The Operating Software ?");
    EXPECT_EQ(LastBox().box.caption, "Software Download Operation !");
    EXPECT_EQ(d().DownloadState, DownloadState::Requested);
    int progress = 0;
    for (int i = 0; i < 50; ++i) {
        rig.Run(fw::kSecond / 5);
        progress = std::max(progress, page.Progress(kSwProgress));
    }
    rig.Run(5 * kSecond);
    EXPECT_EQ(progress, 100);
    EXPECT_TRUE(rig.sensor.FlashEquals(testing::AsFlash(PatternImage(20, 16))));
    const std::vector<std::string> status = StatusList(page);
    ASSERT_EQ(status.size(), 10u);
    EXPECT_EQ(status[4], "Present Software Issue Number :");
    EXPECT_EQ(status[5], "2.0200");
    EXPECT_EQ(status[7], rig.Records().OperatorName);
    EXPECT_EQ(status[9], RecordDateText(rig.host.Now()));
    EXPECT_EQ(page.Progress(kSwProgress), 0);

    // A second upgrade needs no new Browse.
    Click(page, kSwUpgrade);
    EXPECT_EQ(d().DownloadState, DownloadState::Requested);
}

TEST_F(DownloadPages, fileOfTheBufferSizeIsTakenAndOneByteMoreIsRefused) {
    auto& page = Open("Software");
    std::string text = HexText(PatternImage(2, 4));
    text += std::string(250'000 - text.size(), '\n');
    Select(page, kSwBrowse, folder.Write("full.Hex", text));
    EXPECT_EQ(d().ImageStatus, 1);

    const std::string path = folder.Write("over.Hex", text + "\n");
    const std::size_t beeps = rig.host.Beeps().size();
    Select(page, kSwBrowse, path);
    EXPECT_EQ(d().ImageStatus, 0);
    EXPECT_EQ(LastBox().box.text, " File too Big for Buffer  ( 250001 ) bytes ");
    EXPECT_EQ(LastBox().box.caption, "SELECTED FILE FAULT");
    EXPECT_EQ(LastBox().box.icon, fw::Icon::Stop);
    EXPECT_EQ(rig.host.Beeps().at(beeps), fw::Beep::Exclamation);
    EXPECT_EQ(page.Text(kSwPath), path + " ... Failed to Load ");
    EXPECT_EQ(rig.Records().Sensor.HexFileName, path + " ... Failed to Load ");
    Click(page, kSwUpgrade);
    EXPECT_EQ(LastBox().box.text, "Download File is not valid");
    EXPECT_EQ(d().DownloadState, DownloadState::Idle);
}

TEST_F(DownloadPages, fileThatFailsItsCheckIsRefusedNamingTheLine) {
    auto& page = Open("Factory Settings");
    const std::string path =
        folder.Write("bad.Hex", testing::HexRecord(0, 0, {1}) + ":0100000001FF\r\n:00000001FF");
    const std::size_t beeps = rig.host.Beeps().size();
    Select(page, kFacBrowse, path);
    EXPECT_EQ(d().ImageStatus, 0);
    EXPECT_EQ(LastBox().box.caption, "SELECTED FILE FAULT");
    EXPECT_EQ(LastBox().box.text, "Line 2: checksum FF, the record needs FE");
    EXPECT_EQ(rig.host.Beeps().at(beeps), fw::Beep::Question);
    EXPECT_EQ(page.Text(kFacPath), path + " ... Failed to Load ");
}

TEST_F(DownloadPages, missingFileShowsItsCauseAndCancelledDialogChangesNothing) {
    auto& page = Open("Software");
    Select(page, kSwBrowse, folder.Path("gone.Hex"));
    EXPECT_EQ(LastBox().box.text, "File Not Found");
    EXPECT_EQ(d().ImageStatus, 0);
    const std::size_t boxes = rig.host.Boxes().size();
    rig.host.ScriptFileChoices({std::nullopt});
    page.UserClick(kSwBrowse);
    rig.Settle();
    EXPECT_EQ(page.Text(kSwPath), folder.Path("gone.Hex"));
    EXPECT_EQ(rig.host.Boxes().size(), boxes);
}

TEST_F(DownloadPages, imageSpoiltAfterSelectionIsNotStarted) {
    auto& page = Open("Software");
    const std::string path = folder.Write("image.Hex", HexText(PatternImage(3, 8)));
    Select(page, kSwBrowse, path);
    folder.Write("image.Hex", HexText(PatternImage(3, 8)).substr(0, 30));
    const std::size_t from = WrittenCount();
    Click(page, kSwUpgrade);
    EXPECT_EQ(LastBox().box.text, "Download File is not valid");
    EXPECT_EQ(d().DownloadState, DownloadState::Idle);
    EXPECT_FALSE(rig.Records().Slots.Stands(31));
    rig.Run(2 * kSecond);
    EXPECT_TRUE(Sent(fn::kRequestDownload, from).empty());
}

TEST_F(DownloadPages, decliningQueuesNothingAndBusyPagesRefuse) {
    auto& page = Open("Software");
    Select(page, kSwBrowse, folder.Write("image.Hex", HexText(PatternImage(3, 8))));
    Click(page, kSwUpgrade, Answer::No);
    EXPECT_EQ(LastBox().box.text, "Software Download Request Cancelled");
    EXPECT_EQ(d().DownloadState, DownloadState::Idle);
    EXPECT_FALSE(rig.Records().Queue().IsPending(RequestDownload));

    Click(page, kSwUpgrade);
    Click(page, kSwUpgrade);
    EXPECT_EQ(LastBox().box.text, "Software Download is already in Progress");
    Click(page, kSwBrowse);
    EXPECT_EQ(LastBox().box.text, "Software Download Must Be Cancelled First");
    EXPECT_EQ(LastBox().box.caption, "Software Erase/Write In Progress !");
    auto& factory = Open("Factory Settings");
    Click(factory, kFacBrowse);
    EXPECT_EQ(LastBox().box.caption, "Software Download Operation !");
}

TEST_F(DownloadPages, downloadStartedOnOnePageShowsAndCancelsOnTheOther) {
    auto& software = Open("Software");
    Select(software, kSwBrowse, folder.Write("image.Hex", HexText(PatternImage(200, 16))));
    Click(software, kSwUpgrade);
    auto& factory = Open("Factory Settings");
    EXPECT_EQ(factory.Text(kFacPath), folder.Path("image.Hex"));
    rig.Run(4 * kSecond);
    EXPECT_GT(factory.Progress(kFacProgress), 0);
    EXPECT_EQ(factory.Progress(kFacProgress), d().DownloadProgress);

    const std::size_t from = WrittenCount();
    rig.host.SetAnswerDelay(kSecond);
    factory.UserClick(kFacCancel);
    EXPECT_EQ(rig.Records().Slots.Text(35), "Msg 35..Sensor Is Now Restarting");
    EXPECT_EQ(d().DownloadState, DownloadState::Idle) << "the download stops at the click";
    rig.Run(kSecond / 2);
    EXPECT_TRUE(Sent(fn::kFlashBlock, from).empty()) << "no block goes while the box is open";
    rig.Run(kSecond);
    rig.host.SetAnswerDelay(0);
    EXPECT_EQ(LastBox().box.text, "Software Download Cancelled By User");
    EXPECT_EQ(LastBox().box.caption, "Software Erase/Write Cancelled !");
    EXPECT_FALSE(rig.Records().Slots.Stands(35));
    rig.Run(2 * kSecond);
    EXPECT_TRUE(Sent(fn::kFlashBlock, from).empty());

    Click(factory, kFacCancel);
    EXPECT_EQ(LastBox().box.text, "Software Download is not in Progress");
    EXPECT_EQ(LastBox().box.caption, "Software Erase/Write Cancel Request !");
}

TEST_F(DownloadPages, cancelWithNoDownloadWithdrawsAQueuedStamp) {
    auto& page = Open("Software");
    Machine(rig.Records()).Queue.Queue(StampUpgrade);
    Machine(rig.Records()).Queue.Queue(FinishDownload);
    page.UserClick(kSwCancel);
    rig.Settle();
    EXPECT_EQ(LastBox().box.text, "Software Download is not in Progress");
    EXPECT_FALSE(rig.Records().Queue().IsPending(StampUpgrade));
    EXPECT_FALSE(rig.Records().Queue().IsPending(FinishDownload));
}

TEST_F(DownloadPages, installationFromTheFactoryPageRewritesBothRecords) {
    auto& page = Open("Factory Settings");
    Select(page, kFacBrowse, folder.Write("image.Hex", HexText(PatternImage(5, 16))));
    Click(page, kFacInstall);
    EXPECT_EQ(LastBox().box.text, "Do You Want To Transfer The Operating Software");
    rig.Run(8 * kSecond);
    const SensorData& s = rig.Records().Sensor;
    EXPECT_EQ(s.InstallName, rig.Records().OperatorName);
    EXPECT_EQ(s.InstallIssue, "2.0200");
    EXPECT_EQ(s.UpgradeIssue, "2.0200");
    EXPECT_EQ(s.InstallDate, RecordDateText(rig.host.Now()));
    EXPECT_FALSE(Sent(fn::kInstallStamp).empty());
}

TEST_F(DownloadPages, serialNumberIsSentAsItsDigitsAndZeroIsRefused) {
    auto& page = Open("Factory Settings");
    EXPECT_EQ(page.Text(kFacNextSerial), "0");
    Click(page, kFacSendSerial);
    EXPECT_EQ(LastBox().box.text, "Set the Serial Number To a Valid Number");
    EXPECT_EQ(LastBox().box.caption, "Serial Number Write Error !");

    const std::size_t from = WrittenCount();
    page.UserType(kFacNextSerial, "4711");
    rig.Run(kSecond / 2);
    EXPECT_EQ(page.Text(kFacNextSerial), "4711") << "the typed number survives the refresh";
    Click(page, kFacSendSerial);
    rig.Run(kSecond);
    EXPECT_EQ(rig.Records().Sensor.SerialNumber, "4711");
    EXPECT_EQ(Sent(fn::kSerialNumber, from), (Payloads{{'4', '7', '1', '1', 0, 0}}));
    EXPECT_EQ(page.Text(kFacCurrentSerial), "4711");

    // Seven digits are refused with the range message, and the last good number is not sent in
    // their place.
    page.UserType(kFacNextSerial, "1234567");
    EXPECT_EQ(page.Text(kFacNextSerial), "123456") << "the box takes six digits";
    page.SetText(kFacNextSerial, "1234567");
    const std::size_t later = WrittenCount();
    Click(page, kFacSendSerial);
    rig.Run(kSecond);
    EXPECT_EQ(LastBox().box.text, "Please enter an integer between 0 and 999999.");
    EXPECT_TRUE(Sent(fn::kSerialNumber, later).empty());
    EXPECT_EQ(rig.Records().Sensor.SerialNumber, "4711");
}

TEST_F(DownloadPages, leavingAfterACalibrationStampsItOnceAndDefaultSetupAloneDoesNot) {
    auto& page = Open("Factory Settings");
    Click(page, kFacDefaultSetup);
    EXPECT_EQ(LastBox().box.caption, "Sensor Setup Erase/Write Request !");
    Open("Monitor");
    EXPECT_FALSE(rig.Records().Queue().IsPending(WriteCalibrationStamp));
    rig.Run(12 * kSecond);

    auto& again = Open("Factory Settings");
    const std::size_t from = WrittenCount();
    Click(again, kFacCalibrate1K0);
    EXPECT_EQ(LastBox().box.text, "Calibrate The PRT at 1K0. Select 1K0 With PCB Link !");
    Click(again, kFacCalibrate1K5, Answer::No);
    EXPECT_EQ(LastBox().box.text, "Calibrate The PRT at 1K5 Cancelled !");
    Open("Monitor");
    rig.Run(3 * kSecond);
    EXPECT_EQ(Sent(fn::kSource1K0, from).size(), 1u);
    EXPECT_TRUE(Sent(fn::kSource1K5, from).empty());
    EXPECT_EQ(Sent(fn::kCalibrationStamp, from).size(), 1u);
    EXPECT_EQ(rig.Records().Sensor.CalibrationName, rig.Records().OperatorName);
}

// A download cancelled part-way leaves the link as it found it: the setup written afterwards
// reaches the sensor whole.
TEST_F(DownloadPages, setupWrittenAfterACancelledDownloadReachesTheSensor) {
    auto& page = Open("Software");
    Select(page, kSwBrowse, folder.Write("image.Hex", HexText(PatternImage(40, 16))));
    Click(page, kSwUpgrade);
    for (int i = 0; i < 200 && page.Progress(kSwProgress) < 60; ++i) rig.Run(fw::kSecond / 10);
    ASSERT_GE(page.Progress(kSwProgress), 60);
    Click(page, kSwCancel, Answer::Ok);
    rig.Run(3 * kSecond);

    auto& setup = Open("Setup");
    const std::size_t from = WrittenCount();
    Click(setup, kSetWriteSensor);
    EXPECT_EQ(LastBox().box.text.rfind("The Setup Shown Was Not Read From This Sensor !", 0), 0u);
    rig.Run(5 * kSecond);
    EXPECT_EQ(Sent(fn::kTempSetup, from).size(), 1u);
    EXPECT_EQ(Sent(fn::kOutput1Setup, from).size(), 1u);
    EXPECT_TRUE(Sent(fn::kPlantNumber, from).empty()) << "no tag was read: none is written";
}

}  // namespace
}  // namespace corvane
