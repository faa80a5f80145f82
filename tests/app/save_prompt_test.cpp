#include <filesystem>

#include "app/save_config_dlg.h"
#include "resources/save_config_dialog.h"
#include "sheet_test_rig.h"

namespace corvane {
namespace {

using namespace ids;

// Counts the state file's writes.
class CountedState : public StateStore {
  public:
    bool Load(SharedRecords&) override { return false; }
    void Save(const SharedRecords&) override { ++saves; }
    int saves = 0;
};

class SavePrompt : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(rig.Start());
        rig.Run(fw::kSecond);
        folder = std::filesystem::temp_directory_path() /
                 ("corvane-save-prompt-" +
                  std::to_string(::testing::UnitTest::GetInstance()->current_test_info()->line()));
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
    }
    void TearDown() override { std::filesystem::remove_all(folder); }

    // Presses "&Exit"; the prompt that opens, or null.
    fw::Dialog* Exit() {
        rig.Controls().UserClick(kExit);
        rig.Settle();
        fw::Dialog* top = rig.host.OpenDialogs().back();
        return top->Template().id == kSaveConfigDialog ? top : nullptr;
    }
    void Answer(fw::Dialog* prompt, int button) {
        prompt->Controls().UserClick(button);
        rig.Settle();
    }

    CountedState state;
    testing::AppRig rig{&state};
    std::filesystem::path folder;
};

TEST_F(SavePrompt, yesSavesTheConfigurationAndExits) {
    fw::Dialog* prompt = Exit();
    ASSERT_NE(prompt, nullptr);
    EXPECT_TRUE(rig.Records().ExitPromptShown);
    const auto file = folder / "plant.QCF";
    rig.host.ScriptFileChoices({file.string()});
    Answer(prompt, kOk);
    ASSERT_FALSE(rig.host.FileDialogs().empty());
    EXPECT_TRUE(rig.host.FileDialogs().back().save);
    EXPECT_EQ(rig.host.FileDialogs().back().filter,
              "Config Files (*.QCF)|*.QCF|All Files (*.*)|*.*||");
    EXPECT_TRUE(std::filesystem::exists(file));
    EXPECT_TRUE(rig.exited);
    EXPECT_EQ(state.saves, 1) << "the state file is written on every exit";
}

TEST_F(SavePrompt, yesThenCancelInTheFileDialogExitsWithoutAFile) {
    Answer(Exit(), kOk);  // the empty file script cancels
    EXPECT_TRUE(std::filesystem::is_empty(folder));
    EXPECT_TRUE(rig.exited);
}

TEST_F(SavePrompt, aSaveThatFailsIsReportedAndTheProgramStaysOpen) {
    rig.host.ScriptFileChoices({(folder / "no such folder" / "plant.QCF").string()});
    Answer(Exit(), kOk);
    EXPECT_FALSE(rig.exited);
    EXPECT_TRUE(rig.Window().IsOpen());
    EXPECT_FALSE(rig.Records().ExitPromptShown);
    EXPECT_EQ(rig.host.Boxes().back().box.icon, fw::Icon::Stop);
    EXPECT_NE(rig.host.Boxes().back().box.text.find("The configuration was not saved."),
              std::string::npos);
    EXPECT_EQ(state.saves, 0);

    // The operator chooses another place.
    const auto file = folder / "plant.QCF";
    rig.host.ScriptFileChoices({file.string()});
    Answer(Exit(), kOk);
    EXPECT_TRUE(std::filesystem::exists(file));
    EXPECT_TRUE(rig.exited);
}

TEST_F(SavePrompt, returnToProgrammeStaysAndTheNextExitAsksAgain) {
    Answer(Exit(), kSaveReturnToProgramme);
    EXPECT_FALSE(rig.exited);
    EXPECT_FALSE(rig.Records().ExitPromptShown);
    rig.Run(fw::kSecond);
    fw::Dialog* again = Exit();
    ASSERT_NE(again, nullptr) << "the prompt is shown again";
    Answer(again, kCancel);  // "&No, Exit without Save"
    EXPECT_TRUE(rig.exited);
    EXPECT_TRUE(rig.host.FileDialogs().empty());
    EXPECT_EQ(state.saves, 1);
}

TEST_F(SavePrompt, escapeInThePromptExitsWithoutSaving) {
    Exit()->PressEscape();
    rig.Settle();
    EXPECT_TRUE(rig.exited);
    EXPECT_TRUE(rig.host.FileDialogs().empty());
}

}  // namespace
}  // namespace corvane
