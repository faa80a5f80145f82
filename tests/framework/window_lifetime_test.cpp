#include <gtest/gtest.h>

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "framework/dialog.h"
#include "framework/headless/headless_host.h"

namespace corvane::fw {
namespace {

constexpr int kText = 10, kClose = 11;

const DialogTemplate& SmallTemplate() {
    static const DialogTemplate t{600,
                                  "Small",
                                  120,
                                  60,
                                  {
                                      {kText, ControlKind::Edit, ""},
                                      {kClose, ControlKind::Button, "&Close"},
                                  }};
    return t;
}

// A dialog whose answers to boxes and file dialogs touch its controls, as real handlers do, so
// an answer that reaches it after its window has closed throws.
class AskingDialog : public Dialog {
  public:
    explicit AskingDialog(Host& host) : Dialog(host, SmallTemplate()) {}

    std::vector<Answer> answers;
    std::vector<std::optional<std::string>> chosen;

    void Ask() {
        MessageBox("Continue?", "Small", Icon::Question, Buttons::YesNo, [this](Answer answer) {
            Controls().SetText(kText, "answered");
            answers.push_back(answer);
        });
    }
    void Choose() {
        FileDialog({false, "Hex", "*.Hex", "Download Files (*.Hex)|*.Hex||", true},
                   [this](std::optional<std::string> path) {
                       Controls().SetText(kText, path.value_or("cancelled"));
                       chosen.push_back(std::move(path));
                   });
    }
};

class WindowAnswers : public ::testing::Test {
  protected:
    void SetUp() override {
        host.SetAnswerDelay(kSecond);
        dialog.DoModal([](int) {});
    }

    VirtualClock clock;
    HeadlessHost host{clock};
    AskingDialog dialog{host};
};

TEST_F(WindowAnswers, aBoxAnsweredWhileTheWindowIsOpenReachesIt) {
    host.ScriptAnswers({Answer::No});
    dialog.Ask();
    clock.RunFor(2 * kSecond);
    EXPECT_EQ(dialog.answers, std::vector<Answer>{Answer::No});
    EXPECT_EQ(dialog.Controls().Text(kText), "answered");
}

TEST_F(WindowAnswers, aBoxAnsweredAfterTheWindowClosedIsDropped) {
    dialog.Ask();
    clock.RunFor(kMillisecond);
    ASSERT_EQ(host.Boxes().size(), 1u) << "the box is up";
    dialog.EndDialog(kIdOk);
    EXPECT_NO_THROW(clock.RunFor(2 * kSecond));
    EXPECT_FALSE(dialog.IsOpen());
    EXPECT_TRUE(dialog.answers.empty());
}

TEST_F(WindowAnswers, aBoxAskedByAnEarlierOpeningIsNotAnsweredToTheNextOne) {
    dialog.Ask();
    clock.RunFor(kMillisecond);
    dialog.EndDialog(kIdOk);
    clock.RunFor(kMillisecond);
    dialog.DoModal([](int) {});
    clock.RunFor(2 * kSecond);
    EXPECT_TRUE(dialog.answers.empty());
    EXPECT_EQ(dialog.Controls().Text(kText), "");
}

TEST_F(WindowAnswers, aFileChosenWhileTheWindowIsOpenReachesIt) {
    host.ScriptFileChoices({std::string("/data/firmware.hex")});
    dialog.Choose();
    clock.RunFor(2 * kSecond);
    ASSERT_EQ(dialog.chosen.size(), 1u);
    EXPECT_EQ(dialog.chosen[0], "/data/firmware.hex");
    EXPECT_EQ(host.FileDialogs().size(), 1u);
}

TEST_F(WindowAnswers, aFileChosenAfterTheWindowClosedIsDropped) {
    host.ScriptFileChoices({std::string("/data/firmware.hex")});
    dialog.Choose();
    clock.RunFor(kMillisecond);
    dialog.EndDialog(kIdCancel);
    EXPECT_NO_THROW(clock.RunFor(2 * kSecond));
    EXPECT_FALSE(dialog.IsOpen());
    EXPECT_TRUE(dialog.chosen.empty());
}

}  // namespace
}  // namespace corvane::fw
