#include "framework/template_check.h"

#include <gtest/gtest.h>

#include "resources/all_templates.h"

namespace corvane {
namespace {

using fw::ControlKind;
using fw::DialogTemplate;
namespace style = fw::style;

TEST(WindowTemplates, everyTemplateOfTheProgramIsSound) {
    for (const DialogTemplate* t : resources::AllTemplates()) {
        EXPECT_EQ(fw::TemplateProblems(*t), std::vector<std::string>{}) << "dialog " << t->id;
    }
}

// The check itself finds each kind of fault, so a sound result above means something.
TEST(WindowTemplates, checkFindsEachKindOfFault) {
    const DialogTemplate faulty{
        .id = 900,
        .caption = "Faulty",
        .controls = {
            {.id = 10, .kind = ControlKind::Group, .caption = "Frame"},
            {.id = 11, .kind = ControlKind::Static, .caption = "Label", .parent = 10},
            {.id = 12, .kind = ControlKind::Edit, .parent = 10},  // same cell as 11
            {.id = 11, .kind = ControlKind::Edit, .parent = 10, .row = 1},
            {.id = 13, .kind = ControlKind::Edit, .parent = 99, .row = 2},
            {.id = 14, .kind = ControlKind::Edit, .parent = 12, .row = 3},
            {.id = 20, .kind = ControlKind::Radio, .caption = "One", .row = 1},
            {.id = 21, .kind = ControlKind::Radio, .caption = "Two", .row = 2},
            {.id = 22, .kind = ControlKind::Static, .caption = "Wide", .row = 3, .columnSpan = 0},
        }};
    const auto problems = fw::TemplateProblems(faulty);
    const std::vector<std::string> expected = {
        "dialog 900, control 11: id used twice",
        "dialog 900, control 22: a span below one",
        "dialog 900, control 13: parent 99 does not exist",
        "dialog 900, control 14: parent 12 is not a group",
        "dialog 900, control 20: first radio button of a run starts no group",
        "dialog 900, control 12: shares a grid cell with control 11",
    };
    EXPECT_EQ(problems, expected);

    DialogTemplate mended = faulty;
    mended.controls = {
        {.id = 10, .kind = ControlKind::Group, .caption = "Frame"},
        {.id = 11, .kind = ControlKind::Static, .caption = "Label", .parent = 10},
        {.id = 12, .kind = ControlKind::Edit, .parent = 10, .column = 1},
        {.id = 20, .kind = ControlKind::Radio, .row = 1, .styles = style::kGroupStart},
        {.id = 21, .kind = ControlKind::Radio, .row = 2},
    };
    EXPECT_TRUE(fw::TemplateProblems(mended).empty());
}

}  // namespace
}  // namespace corvane
