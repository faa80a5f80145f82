#include <gtest/gtest.h>

#include <stdexcept>

#include "framework/dialog.h"
#include "framework/headless/headless_host.h"
#include "framework/number_text.h"
#include "framework/property_sheet.h"

namespace corvane::fw {
namespace {

constexpr int kName = 10, kCount = 11, kLevel = 12, kEnabled = 13, kRadioA = 14, kRadioB = 15,
              kRadioC = 16, kList = 17, kDigits = 18, kNotes = 19, kBar = 20, kGroup = 21,
              kLabel = 22, kButton = 23, kOther = 24;

const DialogTemplate& TestTemplate() {
    static const DialogTemplate t{
        500,
        "Test Page",
        200,
        100,
        {
            {kGroup, ControlKind::Group, "Group"},
            {kLabel, ControlKind::Static, "Label", kGroup},
            {kName, ControlKind::Edit, "", kGroup, 0, 1, 1, 1, style::kUpperCase, 8},
            {kCount, ControlKind::Edit, ""},
            {kLevel, ControlKind::Edit, ""},
            {kEnabled, ControlKind::CheckBox, "Enabled"},
            {kRadioA, ControlKind::Radio, "A", 0, 0, 0, 1, 1, style::kGroupStart},
            {kRadioB, ControlKind::Radio, "B"},
            {kRadioC, ControlKind::Radio, "C"},
            {kOther, ControlKind::Radio, "Other group", 0, 0, 0, 1, 1, style::kGroupStart},
            {kList, ControlKind::DropDown, ""},
            {kDigits, ControlKind::Edit, "", 0, 0, 0, 1, 1, style::kDigitsOnly},
            {kNotes, ControlKind::Edit, "", 0, 0, 0, 1, 1, style::kMultiLine | style::kReadOnly},
            {kBar, ControlKind::ProgressBar, ""},
            {kButton, ControlKind::Button, "&Go"},
        }};
    return t;
}

// A page with a field of every exchange kind and a record of what the framework called.
class TestPage : public PropertyPage {
  public:
    explicit TestPage(Host& host) : PropertyPage(host, TestTemplate()) {}

    std::string name = "ABC";
    int count = 5;
    double level = 2.5;
    int enabled = 1;
    int choice = 1;
    int listIndex = -1;
    bool refuseKillActive = false;
    std::vector<std::string> calls;
    int textChanges = 0;

    bool OnSetActive() override {
        calls.push_back("set-active");
        return PropertyPage::OnSetActive();
    }
    bool OnKillActive() override {
        calls.push_back("kill-active");
        return !refuseKillActive && PropertyPage::OnKillActive();
    }
    bool OnApply() override {
        calls.push_back("apply");
        return PropertyPage::OnApply();
    }

  protected:
    bool OnInitDialog() override {
        calls.push_back("init");
        Controls().ListAdd(kList, "first");
        Controls().ListAdd(kList, "second");
        return PropertyPage::OnInitDialog();
    }
    void DoDataExchange(DataExchange& dx) override {
        dx.Text(kName, name);
        dx.MaxChars(kName, name, 6);
        dx.Text(kCount, count);
        dx.MinMax(kCount, count, 0, 247);
        dx.Text(kLevel, level);
        dx.Check(kEnabled, enabled);
        dx.Radio(kRadioA, choice);
        dx.ListIndex(kList, listIndex);
    }
    void OnNotify(int id, Notify notify) override {
        if (notify == Notify::TextChanged) ++textChanges;
        if (id == kButton && notify == Notify::Clicked) SetModified();
    }
};

class Framework : public ::testing::Test {
  protected:
    VirtualClock clock;
    HeadlessHost host{clock};
    TestPage first{host};
    TestPage second{host};
    PropertySheet sheet{host, "Sheet", {&first, &second}};
};

TEST_F(Framework, pushFillsControlsAndLeavesEqualTextUntouched) {
    sheet.DoModal([](int) {});
    auto& c = first.Controls();
    EXPECT_EQ(c.Text(kName), "ABC");
    EXPECT_EQ(c.Text(kCount), "5");
    EXPECT_EQ(c.Text(kLevel), "2.5");
    EXPECT_EQ(c.Check(kEnabled), 1);
    EXPECT_EQ(c.Check(kRadioB), 1);
    const int changesBefore = first.textChanges;
    first.UpdateData(false);
    EXPECT_EQ(first.textChanges, changesBefore) << "equal texts are not written again";
    c.SetText(kName, "ABC");
    EXPECT_EQ(first.textChanges, changesBefore + 1) << "an explicit write always notifies";
}

TEST_F(Framework, doublesShowWithFifteenSignificantDigits) {
    first.level = 0.1 + 0.2;
    sheet.DoModal([](int) {});
    EXPECT_EQ(first.Controls().Text(kLevel), "0.3");
    first.level = 123456.789;
    first.UpdateData(false);
    EXPECT_EQ(first.Controls().Text(kLevel), "123456.789");
}

TEST_F(Framework, pullValidatesWithTheFrameworkPrompts) {
    sheet.DoModal([](int) {});
    auto& c = first.Controls();
    c.SetText(kCount, "248");
    EXPECT_FALSE(first.UpdateData(true));
    clock.RunFor(1);
    ASSERT_EQ(host.Boxes().size(), 1u);
    EXPECT_EQ(host.Boxes()[0].box.text, "Please enter an integer between 0 and 247.");
    EXPECT_EQ(c.Focus(), kCount);

    c.SetText(kCount, "12x");
    EXPECT_FALSE(first.UpdateData(true));
    c.SetText(kCount, "12");
    c.SetText(kName, "ABCDEFG");
    EXPECT_FALSE(first.UpdateData(true));
    c.SetText(kName, "OK");
    c.SetText(kLevel, "1,5");
    EXPECT_FALSE(first.UpdateData(true));
    clock.RunFor(1);
    EXPECT_EQ(host.Boxes()[1].box.text, "Please enter an integer.");
    EXPECT_EQ(host.Boxes()[2].box.text, "Please enter no more than 6 characters.");
    EXPECT_EQ(host.Boxes()[3].box.text, "Please enter a number.");
    c.SetText(kLevel, " 1.5 ");
    EXPECT_TRUE(first.UpdateData(true));
    EXPECT_EQ(first.count, 12);
    EXPECT_DOUBLE_EQ(first.level, 1.5);
}

TEST_F(Framework, operatorInputFollowsTheControlStyles) {
    sheet.DoModal([](int) {});
    auto& c = first.Controls();
    c.UserType(kName, "abcdéfghij");
    EXPECT_EQ(c.Text(kName), "ABCDÉF") << "upper case, cut at the limit the exchange set";
    c.UserType(kDigits, "1a2-3");
    EXPECT_EQ(c.Text(kDigits), "123");
    c.UserType(kNotes, "typed into a read-only box");
    EXPECT_EQ(c.Text(kNotes), "");
    c.UserClick(kRadioC);
    EXPECT_EQ(c.Check(kRadioB), 0);
    EXPECT_EQ(c.Check(kRadioC), 1);
    c.UserClick(kOther);
    EXPECT_EQ(c.Check(kRadioC), 1) << "another group is not touched";
    c.UserClick(kEnabled);
    EXPECT_EQ(c.Check(kEnabled), 0);
    c.UserSelect(kList, 1);
    EXPECT_EQ(c.Text(kList), "second");
    EXPECT_TRUE(first.UpdateData(true));
    EXPECT_EQ(first.choice, 2);
    EXPECT_EQ(first.listIndex, 1);
    c.Enable(kButton, false);
    c.UserClick(kButton);
    EXPECT_FALSE(first.Modified());
    c.SetProgress(kBar, 40);
    EXPECT_EQ(c.Progress(kBar), 40);
}

TEST_F(Framework, wrongIdsAndWrongKindsAreProgrammingErrors) {
    sheet.DoModal([](int) {});
    auto& c = first.Controls();
    EXPECT_THROW(c.Text(9999), std::logic_error);
    EXPECT_THROW(c.Check(kName), std::logic_error);
    EXPECT_THROW(c.ListAdd(kLabel, "x"), std::logic_error);
    EXPECT_THROW(second.Controls(), std::logic_error) << "the second page has no window yet";
}

TEST_F(Framework, radioGroupExchangeNeedsTheFirstButtonOfAGroup) {
    sheet.DoModal([](int) {});
    for (const bool pulling : {false, true}) {
        DataExchange dx(first, first.Controls(), pulling);
        int field = 0;
        EXPECT_THROW(dx.Radio(9999, field), std::logic_error) << "unknown id, pull " << pulling;
        EXPECT_THROW(dx.Radio(kName, field), std::logic_error) << "an edit, pull " << pulling;
        EXPECT_THROW(dx.Radio(kRadioB, field), std::logic_error)
            << "inside a group, pull " << pulling;
        dx.Radio(kOther, field);
        EXPECT_FALSE(dx.Failed());
    }
    EXPECT_EQ(first.Controls().Check(kOther), 1) << "the push of 0 checked the one button";
    EXPECT_EQ(first.Controls().Check(kRadioB), 1) << "the other group was not touched";
}

TEST_F(Framework, aListRefilledWithItsOwnItemsIsNotTouched) {
    sheet.DoModal([](int) {});
    auto& c = first.Controls();
    std::vector<int> changes;
    c.SetChangeObserver([&](int id) { changes.push_back(id); });

    c.ListSetItems(kList, {"one", "two", "three"});
    EXPECT_EQ(changes, std::vector<int>{kList}) << "a new content is one change";
    EXPECT_EQ(c.ListItems(kList), (std::vector<std::string>{"one", "two", "three"}));
    c.UserSelect(kList, 2);
    changes.clear();

    c.ListSetItems(kList, {"one", "two", "three"});
    EXPECT_TRUE(changes.empty()) << "the same lines again change nothing";
    EXPECT_EQ(c.ListSelection(kList), 2) << "and keep the selection";

    c.ListSetItems(kList, {"one", "two"});
    EXPECT_EQ(changes, std::vector<int>{kList});
    EXPECT_EQ(c.ListSelection(kList), -1) << "a new content clears the selection";
    c.ListSetItems(kList, {});
    EXPECT_EQ(c.ListCount(kList), 0);
    EXPECT_THROW(c.ListSetItems(kName, {"x"}), std::logic_error);
}

TEST(WindowModelTemplates, aControlIdUsedTwiceIsRefused) {
    const DialogTemplate twice{501,
                               "Twice",
                               100,
                               50,
                               {{kName, ControlKind::Edit, ""},
                                {kLabel, ControlKind::Static, "L"},
                                {kName, ControlKind::Button, "Again"}}};
    try {
        WindowModel model(twice);
        FAIL() << "a template with control 10 twice was accepted";
    } catch (const std::logic_error& error) {
        const std::string what = error.what();
        EXPECT_NE(what.find("501"), std::string::npos) << what;
        EXPECT_NE(what.find("10"), std::string::npos) << what;
    }
}

TEST_F(Framework, pagesAreCreatedWhenFirstShownAndTabChangesMayBeRefused) {
    sheet.DoModal([](int) {});
    EXPECT_EQ(first.calls, (std::vector<std::string>{"init", "set-active"}));
    EXPECT_FALSE(second.IsOpen());

    first.refuseKillActive = true;
    EXPECT_FALSE(sheet.SetActivePage(1));
    EXPECT_EQ(sheet.ActiveIndex(), 0);
    first.refuseKillActive = false;
    EXPECT_TRUE(sheet.SetActivePage(1));
    EXPECT_EQ(second.calls, (std::vector<std::string>{"init", "set-active"}));
    EXPECT_TRUE(sheet.SetActivePage(0));
    EXPECT_EQ(first.calls.back(), "set-active");
    EXPECT_EQ(std::count(first.calls.begin(), first.calls.end(), "init"), 1);
}

TEST_F(Framework, applyIsEnabledByAModifiedPageAndRunsOnEveryCreatedPage) {
    sheet.DoModal([](int) {});
    EXPECT_FALSE(sheet.ApplyEnabled());
    first.Controls().UserClick(kButton);
    EXPECT_TRUE(sheet.ApplyEnabled());
    first.calls.clear();
    sheet.PressApply();
    // The page in view is made active again after Apply, so it goes on as before.
    EXPECT_EQ(first.calls, (std::vector<std::string>{"kill-active", "apply", "set-active"}));
    EXPECT_TRUE(second.calls.empty()) << "a page never shown is not applied";
    EXPECT_FALSE(sheet.ApplyEnabled());

    sheet.SetActivePage(1);
    first.calls.clear();
    int result = 0;
    sheet.DoModal([&](int r) { result = r; });  // already open: ignored
    sheet.PressOK();
    EXPECT_EQ(second.calls.back(), "apply");
    EXPECT_EQ(first.calls, std::vector<std::string>{"apply"});
    EXPECT_EQ(result, 0) << "the sheet closes once the press has returned";
    clock.RunFor(1);
    EXPECT_FALSE(sheet.IsOpen());
    EXPECT_FALSE(first.IsOpen());
}

TEST_F(Framework, okStaysOpenWhenThePageRefusesToLetGo) {
    bool closed = false;
    sheet.DoModal([&](int) { closed = true; });
    first.Controls().SetText(kCount, "-1");
    sheet.PressOK();
    clock.RunFor(1);
    EXPECT_FALSE(closed);
    EXPECT_TRUE(sheet.IsOpen());
    sheet.PressCancel();
    clock.RunFor(1);
    EXPECT_TRUE(closed);
}

TEST_F(Framework, eachSheetCreatesThePageWindowsAnewWhileFieldsPersist) {
    sheet.DoModal([](int) {});
    first.Controls().UserType(kName, "NEW");
    sheet.PressOK();
    clock.RunFor(1);
    EXPECT_EQ(first.name, "NEW");
    PropertySheet again(host, "Again", {&first});
    again.DoModal([](int) {});
    EXPECT_EQ(first.Controls().Text(kName), "NEW");
    EXPECT_EQ(std::count(first.calls.begin(), first.calls.end(), "init"), 2);
}

TEST_F(Framework, timersOfAClosedWindowStop) {
    sheet.DoModal([](int) {});
    int ticks = 0;
    struct Ticking : PropertyPage {
        using PropertyPage::PropertyPage;
        int* ticks = nullptr;
        void OnTimer(int) override { ++*ticks; }
    } page(host, TestTemplate());
    page.ticks = &ticks;
    PropertySheet other(host, "Other", {&page});
    other.DoModal([](int) {});
    page.SetTimer(7, 200);
    clock.RunFor(1000 * kMillisecond);
    EXPECT_EQ(ticks, 5);
    other.PressCancel();
    clock.RunFor(1000 * kMillisecond);
    EXPECT_EQ(ticks, 5);
}

TEST(FileDialogs, scriptedChoicesAndFilters) {
    VirtualClock clock;
    HeadlessHost host(clock);
    host.ScriptFileChoices({std::string("/data/firmware.hex"), std::nullopt});
    std::vector<std::optional<std::string>> chosen;
    const FileDialogRequest request{false, "Hex", "*.Hex",
                                    "Download Files (*.Hex)|*.Hex|All Files (*.*)|*.*||", true};
    host.PostFileDialog(request, [&](auto path) { chosen.push_back(path); });
    host.PostFileDialog(request, [&](auto path) { chosen.push_back(path); });
    clock.RunFor(1);
    ASSERT_EQ(chosen.size(), 2u);
    EXPECT_EQ(chosen[0], "/data/firmware.hex");
    EXPECT_FALSE(chosen[1].has_value());
    const auto entries = ParseFileFilter(request.filter);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].description, "Download Files (*.Hex)");
    EXPECT_TRUE(MatchesFilePattern("firmware.hex", entries[0].patterns[0]));
}

TEST(NumberText, formatsAndParsesInTheCLocale) {
    EXPECT_EQ(FormatNumber("%.1f", 12.34), "12.3");
    EXPECT_EQ(ShortestText(AsDisplayed("%.2f", 20.0)), "20");
    EXPECT_EQ(ShortestText(AsDisplayed("%.1f", 12.34)), "12.3");
    EXPECT_FALSE(ParseNumber("12abc").has_value());
    EXPECT_FALSE(ParseNumber("").has_value());
    EXPECT_DOUBLE_EQ(LeadingNumber("12abc"), 12.0);
    EXPECT_DOUBLE_EQ(LeadingNumber("abc"), 0.0);
    EXPECT_FALSE(ParseInteger("99999999999999999999").has_value());
}

}  // namespace
}  // namespace corvane::fw

namespace corvane::fw {
namespace {

// A window whose change handler pulls, as the pages' handlers do: the change notifications of
// a push reach the handler, but its pull must not read the controls not yet pushed.
class PullingOnChange : public Dialog {
  public:
    explicit PullingOnChange(Host& host) : Dialog(host, TestTemplate()) {}
    std::string name = "FIRST";
    std::string second = "SECOND";
    int changes = 0;

  protected:
    void DoDataExchange(DataExchange& dx) override {
        dx.Text(kName, name);
        dx.Text(kCount, second);
    }
    void OnNotify(int id, Notify notify) override {
        if (notify != Notify::TextChanged || id != kName) return;
        ++changes;
        UpdateData(true);
    }
};

TEST(NestedExchange, aHandlerThatPullsDuringAPushLeavesTheLaterFieldsAlone) {
    VirtualClock clock;
    HeadlessHost host{clock};
    PullingOnChange window(host);
    window.DoModal([](int) {});
    EXPECT_EQ(window.changes, 1) << "the push of the name raised its notification";
    EXPECT_EQ(window.Controls().Text(kCount), "SECOND");
    EXPECT_EQ(window.second, "SECOND") << "its box was still empty when the handler ran";
    window.Controls().UserType(kCount, "TYPED");
    window.Controls().UserType(kName, "NEXT");
    EXPECT_EQ(window.second, "TYPED") << "outside a push the handler pulls everything";
}

TEST(HelpSections, areTheCaptionInLowerCaseWithBlanksAsDashesAndNoSigns) {
    EXPECT_EQ(HelpSectionOf("Factory Settings"), "factory-settings");
    EXPECT_EQ(HelpSectionOf("Setup Current Output 1"), "setup-current-output-1");
    EXPECT_EQ(HelpSectionOf("Save Current Configuration ?"), "save-current-configuration");
    EXPECT_EQ(HelpSectionOf("About Corvane Control Centre"), "about-corvane-control-centre");
    EXPECT_EQ(HelpSectionOf(""), "");
}

TEST_F(Framework, helpKeyOpensTheSectionOfThePageInViewOrOfTheDialog) {
    static const DialogTemplate otherTemplate{501, "Other Page", 200, 100, {}};
    PropertyPage other(host, otherTemplate);
    PropertySheet two(host, "Two", {&first, &other});
    two.PressHelp();
    EXPECT_TRUE(host.HelpSections().empty()) << "a sheet that is not open opens no help";
    two.DoModal([](int) {});
    two.PressHelp();
    ASSERT_TRUE(two.SetActivePage(1));
    two.PressHelp();
    EXPECT_EQ(host.HelpSections(), (std::vector<std::string>{"test-page", "other-page"}));
    two.PressCancel();
    clock.RunFor(kMillisecond);

    Dialog dialog(host, otherTemplate);
    dialog.DoModal([](int) {});
    dialog.PressHelp();
    EXPECT_EQ(host.HelpSections().back(), "other-page");
    host.OpenHelp();
    EXPECT_EQ(host.HelpSections().back(), "") << "the help at its beginning";
    EXPECT_EQ(host.HelpOpened(), 4);
}

}  // namespace
}  // namespace corvane::fw
