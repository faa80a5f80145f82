#include <gtest/gtest.h>

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "framework/dialog.h"
#include "framework/headless/headless_host.h"
#include "framework/property_sheet.h"

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

// A window whose Close button ends it from inside the click handler and then, as handlers do,
// goes on touching its controls.
class SelfClosingDialog : public Dialog {
  public:
    explicit SelfClosingDialog(Host& host) : Dialog(host, SmallTemplate()) {}
    int result = kIdOk;

  protected:
    void OnNotify(int id, Notify notify) override {
        if (id != kClose || notify != Notify::Clicked) return;
        EndDialog(result);
        Controls().SetText(kText, "closing");
    }
};

// A page whose Close button closes the whole sheet (OK or Cancel) from inside its handler.
class SelfClosingPage : public PropertyPage {
  public:
    explicit SelfClosingPage(Host& host) : PropertyPage(host, SmallTemplate()) {}
    bool pressOk = true;

  protected:
    void OnNotify(int id, Notify notify) override {
        if (id != kClose || notify != Notify::Clicked) return;
        if (pressOk) {
            Sheet()->PressOK();
        } else {
            Sheet()->PressCancel();
        }
        Controls().SetText(kText, "closing");
    }
};

class ClosingFromAHandler : public ::testing::Test {
  protected:
    VirtualClock clock;
    HeadlessHost host{clock};
    std::vector<int> results;
};

TEST_F(ClosingFromAHandler, aDialogClosesOnceItsHandlerHasReturned) {
    SelfClosingDialog dialog(host);
    dialog.result = 42;
    dialog.DoModal([&](int result) { results.push_back(result); });
    EXPECT_NO_THROW(dialog.Controls().UserClick(kClose));
    EXPECT_TRUE(dialog.IsOpen()) << "the handler that ended it is still running";
    EXPECT_EQ(dialog.Controls().Text(kText), "closing");
    EXPECT_TRUE(results.empty());
    clock.RunFor(1);
    EXPECT_FALSE(dialog.IsOpen());
    EXPECT_TRUE(host.OpenDialogs().empty());
    EXPECT_EQ(results, std::vector<int>{42});
    clock.RunFor(kSecond);
    EXPECT_EQ(results, std::vector<int>{42}) << "closed once";
}

TEST_F(ClosingFromAHandler, theLastResultGivenBeforeTheCloseCounts) {
    SelfClosingDialog dialog(host);
    dialog.DoModal([&](int result) { results.push_back(result); });
    dialog.EndDialog(3);
    dialog.EndDialog(4);
    clock.RunFor(1);
    EXPECT_EQ(results, std::vector<int>{4});
    dialog.DoModal([&](int result) { results.push_back(result); });
    EXPECT_TRUE(dialog.IsOpen()) << "the dialog opens again after its close";
    dialog.PressEscape();
    clock.RunFor(1);
    EXPECT_EQ(results, (std::vector<int>{4, kIdCancel}));
}

TEST_F(ClosingFromAHandler, aPageClosesItsSheetOnceItsHandlerHasReturned) {
    for (const bool pressOk : {true, false}) {
        SelfClosingPage page(host);
        page.pressOk = pressOk;
        PropertySheet sheet(host, "Sheet", {&page});
        results.clear();
        sheet.DoModal([&](int result) { results.push_back(result); });
        EXPECT_NO_THROW(page.Controls().UserClick(kClose)) << "OK " << pressOk;
        EXPECT_TRUE(page.IsOpen()) << "OK " << pressOk;
        EXPECT_TRUE(results.empty()) << "OK " << pressOk;
        clock.RunFor(1);
        EXPECT_FALSE(sheet.IsOpen()) << "OK " << pressOk;
        EXPECT_FALSE(page.IsOpen()) << "OK " << pressOk;
        EXPECT_TRUE(host.OpenSheets().empty()) << "OK " << pressOk;
        EXPECT_EQ(results, std::vector<int>{pressOk ? kIdOk : kIdCancel}) << "OK " << pressOk;
    }
}

TEST_F(ClosingFromAHandler, aSheetDestroyedWithItsCloseStillPendingIsClosedAtOnce) {
    SelfClosingPage page(host);
    {
        PropertySheet sheet(host, "Sheet", {&page});
        sheet.DoModal([&](int result) { results.push_back(result); });
        sheet.PressCancel();
    }
    EXPECT_FALSE(page.IsOpen());
    EXPECT_TRUE(host.OpenSheets().empty());
    EXPECT_NO_THROW(clock.RunFor(1));
    EXPECT_TRUE(results.empty()) << "a sheet that goes with its owner reports nothing";
}

// Windows that count their paints.
class PaintedDialog : public Dialog {
  public:
    explicit PaintedDialog(Host& host) : Dialog(host, SmallTemplate()) {}
    int paints = 0;

  protected:
    void OnPaint() override { ++paints; }
};

class PaintedPage : public PropertyPage {
  public:
    explicit PaintedPage(Host& host) : PropertyPage(host, SmallTemplate()) {}
    int paints = 0;

  protected:
    void OnPaint() override { ++paints; }
};

class Repainting : public ::testing::Test {
  protected:
    void SetUp() override {
        window.DoModal([](int) {});
        clock.RunFor(1);
        ASSERT_EQ(window.paints, 1) << "painted when first shown";
    }

    VirtualClock clock;
    HeadlessHost host{clock};
    PaintedDialog window{host};
    PaintedPage first{host};
    PaintedPage second{host};
};

TEST_F(Repainting, aWindowUncoveredByItsClosingSheetPaintsAgain) {
    PropertySheet sheet(host, "Sheet", {&first, &second});
    sheet.DoModal([](int) {}, window.View());
    clock.RunFor(kSecond);
    EXPECT_EQ(window.paints, 1) << "covered, not painted";
    sheet.PressCancel();
    clock.RunFor(1);
    EXPECT_EQ(window.paints, 2);
    clock.RunFor(kSecond);
    EXPECT_EQ(window.paints, 2) << "once";
}

TEST_F(Repainting, aWindowUncoveredByItsClosingDialogPaintsAgain) {
    PaintedDialog onTop(host);
    onTop.DoModal([](int) {}, window.View());
    clock.RunFor(1);
    onTop.PressEscape();
    clock.RunFor(1);
    EXPECT_EQ(window.paints, 2);
    EXPECT_EQ(onTop.paints, 1);
}

TEST_F(Repainting, aPageShownAgainPaintsAgain) {
    PropertySheet sheet(host, "Sheet", {&first, &second});
    sheet.DoModal([](int) {}, window.View());
    clock.RunFor(1);
    EXPECT_EQ(first.paints, 1);
    ASSERT_TRUE(sheet.SetActivePage(1));
    clock.RunFor(1);
    EXPECT_EQ(second.paints, 1);
    EXPECT_EQ(first.paints, 1) << "a hidden page is not painted";
    ASSERT_TRUE(sheet.SetActivePage(0));
    clock.RunFor(1);
    EXPECT_EQ(first.paints, 2);
    EXPECT_EQ(second.paints, 1);
}

TEST_F(Repainting, anExposedWindowPaintsOnceAfterTheRunningHandler) {
    window.OnExposed();
    window.OnExposed();
    EXPECT_EQ(window.paints, 1) << "never inside the report itself";
    clock.RunFor(1);
    EXPECT_EQ(window.paints, 2);
    window.EndDialog(kIdOk);
    clock.RunFor(1);
    window.OnExposed();
    clock.RunFor(1);
    EXPECT_EQ(window.paints, 2) << "a closed window does not paint";
}

}  // namespace
}  // namespace corvane::fw
