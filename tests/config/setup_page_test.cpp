// The Setup page on the virtual sensor: its slope and temperature texts, its guards, the writes
// it queues and the configuration files it opens and saves.
#include "config/setup_page.h"

#include <filesystem>
#include <fstream>
#include <set>

#include "link/command_table.h"
#include "link/link_machine_access.h"
#include "resources/setup_page.h"
#include "setup/config_file.h"
#include "sheet_test_rig.h"

namespace corvane {
namespace {

using fw::Answer;
using fw::kSecond;
using namespace ids;

class SetupPage : public testing::SheetRig {
  protected:
    void SetUp() override {
        SheetRig::SetUp();
        LogIn();
        page = &Open("Setup");
    }
    SensorData& Sensor() { return rig.Records().Sensor; }
    fw::PropertyPage& Page() { return *rig.Window().Page(PageKind::Setup); }
    std::set<int> Pending() {
        std::set<int> pending;
        for (int code = 1; code < CommandQueue::kSize; ++code) {
            if (rig.Records().Queue().IsPending(code)) pending.insert(code);
        }
        return pending;
    }
    void TypeSlope(const std::string& text) { page->UserType(kSetSlope, text); }
    // "&Read ZK571 Setup", answered Yes, until the whole setup is in.
    void ReadTheSetup() {
        rig.host.ScriptAnswers({Answer::Yes});
        page->UserClick(kSetReadSensor);
        rig.Run(10 * kSecond);
        ASSERT_TRUE(SetupReadFromConnectedSensor(rig.Records()));
    }
    void Apply() {
        Page().SetModified();
        rig.Window().Sheet()->PressApply();
        rig.Settle();
    }

    fw::WindowModel* page = nullptr;
};

TEST_F(SetupPage, showsTheSensorsTemperatureSetupAndFourCalibrationLines) {
    EXPECT_EQ(page->Text(kSetSlope), "2.00");
    EXPECT_EQ(page->Text(kSetSlopeUnit), "% / °C");
    EXPECT_EQ(page->ListItems(kSetTempUnit),
              (std::vector<std::string>{"Degrees Centigrade", "Degrees Fahrenheit"}));
    EXPECT_EQ(page->ListSelection(kSetTempUnit), 0);
    EXPECT_FALSE(page->IsEnabled(kSetTempUnit));
    EXPECT_EQ(page->Text(kSetTempBase), "Temp.Comp.Base 25 °C");
    const auto lines = page->ListItems(kSetCalibration);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0].rfind("Software Issue: ", 0), 0u);
    EXPECT_EQ(lines[1].rfind("Calibrated on: ", 0), 0u);
    EXPECT_EQ(lines[2].rfind("Calibrated by: ", 0), 0u);
    EXPECT_EQ(lines[3], "Monitoring Device ID 0");
}

TEST_F(SetupPage, fahrenheitWithTheLowerBaseShowsItsOwnTexts) {
    Sensor().TempFahrenheit = 1;
    Sensor().TempCompBaseHigh = 0;
    Open("Monitor");
    page = &Open("Setup");
    rig.Run(kSecond);
    EXPECT_EQ(page->Text(kSetTempBase), "Temp.Comp.Base 68 °F");
    EXPECT_EQ(page->ListSelection(kSetTempBase), 0);
    EXPECT_EQ(page->Text(kSetSlopeUnit), "% / °F");
    EXPECT_EQ(Sensor().TempUnitName, "Degrees Fahrenheit");
}

TEST_F(SetupPage, applyKeepsTwoDecimalsOfTheSlopeAndLettersReadAsZero) {
    TypeSlope("2.345");
    Apply();
    EXPECT_DOUBLE_EQ(Sensor().TempCompSlope, 2.35);
    EXPECT_EQ(page->Text(kSetSlope), "2.35");
    TypeSlope("abc");
    Apply();
    EXPECT_DOUBLE_EQ(Sensor().TempCompSlope, 0.0);
    EXPECT_EQ(page->Text(kSetSlope), "0.00");
}

TEST_F(SetupPage, applyQueuesTheTemperatureSetupEvenWhenNothingChanged) {
    Machine(rig.Records()).Engine.TransmitInhibit = true;  // keep the queue as Apply leaves it
    Apply();
    EXPECT_TRUE(rig.Records().Queue().IsPending(WriteTempSetup));
}

TEST_F(SetupPage, plantNumberBoxTakesNoMoreThanTheSensorKeeps) {
    Machine(rig.Records()).Engine.TransmitInhibit = true;
    page->UserType(kSetPlantNumber, "TANK-12-OUTLET");
    EXPECT_EQ(page->Text(kSetPlantNumber), "TANK-12-OU");
    Apply();
    EXPECT_TRUE(rig.Records().Queue().IsPending(WritePlantNumber));
    EXPECT_EQ(Sensor().PlantNumber, "TANK-12-OU");
}

TEST_F(SetupPage, applyRefusesASlopeTheSensorCannotTake) {
    Machine(rig.Records()).Engine.TransmitInhibit = true;
    TypeSlope("700");
    Apply();
    EXPECT_EQ(LastBox().box.text, "Please enter a number between 0 and 655.35.");
    EXPECT_DOUBLE_EQ(Sensor().TempCompSlope, 2.0);
    EXPECT_FALSE(rig.Records().Queue().IsPending(WriteTempSetup));
    EXPECT_EQ(page->Focus(), kSetSlope);

    TypeSlope("-1");
    Apply();
    EXPECT_DOUBLE_EQ(Sensor().TempCompSlope, 2.0) << "a negative slope would wrap too";

    Sensor().TempFahrenheit = 1;  // hundredths x 9 / 5 must fit
    Open("Monitor");
    page = &Open("Setup");
    TypeSlope("400");
    Apply();
    EXPECT_EQ(LastBox().box.text, "Please enter a number between 0 and 364.08.");
    TypeSlope("364.08");
    Apply();
    EXPECT_DOUBLE_EQ(Sensor().TempCompSlope, 364.08);
}

TEST_F(SetupPage, writeIsRefusedWhileTheSensorIsNotAnsweringOrTheLineIsBusy) {
    const auto refused = [&] {
        rig.host.ScriptAnswers({Answer::Yes});
        page->UserClick(kSetWriteSensor);
        rig.Settle();
        EXPECT_EQ(LastBox().box.text, "Sensor Setup Overwrite Not Possible !");
        EXPECT_EQ(LastBox().box.caption, "Sensor Setup Erase/Write Request !");
        EXPECT_TRUE(Pending().empty());
    };
    Machine(rig.Records()).Engine.TransmitInhibit = true;
    Machine(rig.Records()).Engine.SensorAnswering = false;
    refused();
    Machine(rig.Records()).Engine.SensorAnswering = true;
    rig.Records().Sensor.ChannelSwitch = ChannelSwitch::Requested;
    refused();
    rig.Records().Sensor.ChannelSwitch = ChannelSwitch::Idle;
    Machine(rig.Records()).Download.DownloadOrigin = DownloadOrigin::SoftwarePage;
    refused();
}

TEST_F(SetupPage, writeAfterYesQueuesExactlyTheNineSetupCommands) {
    ReadTheSetup();
    Machine(rig.Records()).Engine.TransmitInhibit = true;
    rig.host.ScriptAnswers({Answer::Yes});
    page->UserClick(kSetWriteSensor);
    rig.Settle();
    EXPECT_EQ(LastBox().box.text, "Do You Want To Overwrite The Sensor Setup ?");
    EXPECT_TRUE(LastBox().box.defaultNo);
    EXPECT_EQ(Pending(), (std::set<int>{13, 14, 15, 16, 18, 19, 29, 37, 38}));

    Machine(rig.Records()).Queue = CommandQueue{};
    rig.host.ScriptAnswers({Answer::No});
    page->UserClick(kSetWriteSensor);
    rig.Settle();
    EXPECT_EQ(LastBox().box.text, "Sensor Setup Overwrite Cancelled !");
    EXPECT_TRUE(Pending().empty());
}

// The program's defaults (or another sensor's setup) would replace this sensor's own: the
// question says so, defaults to No, and a plant number never read is never sent as the tag.
TEST_F(SetupPage, writeOfASetupNotReadFromThisSensorSaysSoAndLeavesThePlaceholderTagOut) {
    const std::size_t from = WrittenCount();
    rig.host.ScriptAnswers({Answer::Yes});
    page->UserClick(kSetWriteSensor);
    rig.Settle();
    const auto& question = LastBox().box;
    EXPECT_TRUE(question.defaultNo);
    EXPECT_NE(question.text.find("The Setup Shown Was Not Read From This Sensor !"),
              std::string::npos)
        << question.text;
    EXPECT_NE(question.text.find("The Sensor At ID 0 (Identity Not Read)"), std::string::npos);
    EXPECT_NE(question.text.find("Its Plant / Tag No Is Left As It Is."), std::string::npos);
    rig.Run(20 * kSecond);
    EXPECT_FALSE(Sent(fn::kTempSetup, from).empty());
    EXPECT_TRUE(Sent(fn::kPlantNumber, from).empty()) << "the placeholder went out as the tag";
    EXPECT_EQ(rig.Records().Slots.Text(line::kPlantNumberNotSent.number),
              line::kPlantNumberNotSent.text);

    // Read, the identity is known; a time-out that resets it makes the setup unread again.
    ReadTheSetup();
    EXPECT_FALSE(rig.Records().Slots.Stands(line::kPlantNumberNotSent.number));
    ResetIdentity(rig.Records());
    rig.Run(kSecond);  // the page shows the identity put back
    EXPECT_EQ(page->Text(kSetPlantNumber), "Plant Number");
    Machine(rig.Records()).Engine.TransmitInhibit = true;
    rig.host.ScriptAnswers({Answer::Yes});
    page->UserClick(kSetWriteSensor);
    rig.Settle();
    EXPECT_EQ(
        LastBox().box.text.rfind("The Setup Shown Was Read From Sensor Serial No VX0100 !", 0), 0u)
        << LastBox().box.text;
    EXPECT_NE(LastBox().box.text.find("The Sensor At ID 0 (Identity Not Read)"), std::string::npos);
    EXPECT_EQ(Pending().count(WritePlantNumber), 0u);
}

// What is written is what the page shows: a tag typed and not applied goes out as typed.
TEST_F(SetupPage, writeTakesTheEditsThePageShowsBeforeApply) {
    ReadTheSetup();
    page->UserType(kSetPlantNumber, "TANK-2");
    TypeSlope("3.5");
    const std::size_t from = WrittenCount();
    rig.host.ScriptAnswers({Answer::Yes});
    page->UserClick(kSetWriteSensor);
    rig.Run(20 * kSecond);
    const auto tags = Sent(fn::kPlantNumber, from);
    ASSERT_EQ(tags.size(), 1u);
    EXPECT_EQ(std::string(tags[0].begin(), tags[0].begin() + 6), "TANK-2");
    EXPECT_EQ(Sensor().PlantNumber, "TANK-2");
    EXPECT_DOUBLE_EQ(Sensor().TempCompSlope, 3.5);
}

TEST_F(SetupPage, writeRefusesASetupHoldingAValueTheSensorCannotTake) {
    Machine(rig.Records()).Engine.TransmitInhibit = true;
    Sensor().Out2.At20mA = 70000.0;  // as a configuration file may hold it
    rig.host.ScriptAnswers({Answer::Yes});
    page->UserClick(kSetWriteSensor);
    rig.Settle();
    EXPECT_NE(LastBox().box.text.find("Output 2 20 mA value 70000 (0 to 65535)"), std::string::npos)
        << LastBox().box.text;
    EXPECT_TRUE(Pending().empty());
}

TEST_F(SetupPage, readAfterYesStartsTheUploadAndTheValuesAppearOnThePage) {
    rig.sensor.Memory().SetByte(8 * 16 + 1, 0x01);  // slope 3.10 in block 8
    rig.sensor.Memory().SetByte(8 * 16 + 2, 0x36);
    rig.host.ScriptAnswers({Answer::Yes});
    page->UserClick(kSetReadSensor);
    rig.Settle();
    EXPECT_EQ(LastBox().box.caption, "Read Sensor Setup Request !");
    rig.Run(10 * kSecond);
    EXPECT_DOUBLE_EQ(Sensor().TempCompSlope, 3.10);
    EXPECT_EQ(page->Text(kSetSlope), "3.10") << "the page re-initialised after the upload";

    rig.host.ScriptAnswers({Answer::No});
    page->UserClick(kSetReadSensor);
    rig.Settle();
    EXPECT_EQ(LastBox().box.text, "Sensor Setup Read Cancelled !");
}

class SetupFiles : public SetupPage {
  protected:
    void SetUp() override {
        SetupPage::SetUp();
        folder = std::filesystem::temp_directory_path() /
                 ("corvane-setup-" +
                  std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
    }
    void TearDown() override { std::filesystem::remove_all(folder); }
    void Click(int button, std::optional<std::string> path) {
        rig.host.ScriptFileChoices({path});
        page->UserClick(button);
        rig.Settle();
    }
    std::filesystem::path folder;
};

TEST_F(SetupFiles, openedSlopeShowsAtOnceAndTheFileIsNoSensorsReadSetup) {
    SharedRecords other;
    other.Sensor.TempCompSlope = 1.25;
    other.Sensor.TempCompBaseHigh = 0;
    other.OperatorName = "B. Saver";
    std::string error;
    ASSERT_TRUE(SaveConfigFile(folder / "tank.QCF", other, error)) << error;
    Click(kSetOpenFile, (folder / "tank.QCF").string());
    const auto& request = rig.host.FileDialogs().back();
    EXPECT_FALSE(request.save);
    EXPECT_EQ(request.filter, "Config Files (*.QCF)|*.QCF|All Files (*.*)|*.*||");
    EXPECT_EQ(request.defaultExtension, "QCF");
    EXPECT_DOUBLE_EQ(Sensor().TempCompSlope, 1.25);
    EXPECT_EQ(page->Text(kSetTempBase), "Temp.Comp.Base 20 °C") << "the page shows the file";
    EXPECT_EQ(page->Text(kSetSlope), "1.25") << "every box shows what a write would send";
    EXPECT_EQ(rig.Records().OperatorName, "A. FITTER") << "the file's operator was adopted";
    EXPECT_FALSE(SetupReadFromConnectedSensor(rig.Records()));
    Apply();
    EXPECT_EQ(page->Text(kSetSlope), "1.25");
    EXPECT_DOUBLE_EQ(Sensor().TempCompSlope, 1.25);
}

TEST_F(SetupFiles, aDamagedFileIsReportedAndChangesNothing) {
    const auto bytes = EncodeConfig(SharedRecords{});
    {
        std::ofstream out(folder / "cut.QCF", std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), 40);
    }
    Sensor().TempCompSlope = 4.5;
    const auto before = EncodeConfig(rig.Records());
    Click(kSetOpenFile, (folder / "cut.QCF").string());
    EXPECT_EQ(LastBox().box.text, "An attempt was made to access an unnamed file past its end.");
    EXPECT_EQ(EncodeConfig(rig.Records()), before);
}

TEST_F(SetupFiles, saveWritesTheSensorDataAndAFailureSaysWhy) {
    Sensor().Out1.At20mA = 250.0;
    Click(kSetSaveFile, (folder / "plant.QCF").string());
    EXPECT_TRUE(rig.host.FileDialogs().back().save);
    SharedRecords loaded;
    std::string error;
    ASSERT_EQ(LoadConfigFile(folder / "plant.QCF", loaded, error), LoadOutcome::Loaded) << error;
    EXPECT_DOUBLE_EQ(loaded.Sensor.Out1.At20mA, 250.0);

    const std::size_t boxes = rig.host.Boxes().size();
    Click(kSetSaveFile, (folder / "no-such-folder" / "x.QCF").string());
    ASSERT_EQ(rig.host.Boxes().size(), boxes + 1);
    EXPECT_NE(LastBox().box.text.find((std::filesystem::path("no-such-folder") / "x.QCF").string()),
              std::string::npos);
    EXPECT_NE(LastBox().box.text.find("not saved"), std::string::npos);
}

}  // namespace
}  // namespace corvane
