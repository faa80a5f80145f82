#include "resources/trend_window.h"

#include <string_view>

namespace corvane::resources {
namespace {

constexpr std::array<std::string_view, 6> kShowCaptions = {
    "Cond no T/C", "Cond with T/C", "Temperature", "Concentration", "Output 1", "Output 2"};

fw::DialogTemplate MakeTrendTemplate(int id, std::string_view caption) {
    using fw::ControlKind;
    namespace style = fw::style;
    using namespace ids;
    // The chart takes the whole height at the left, the controls are stacked at the right: the
    // window fits a small screen with room for six panes.
    fw::DialogTemplate d{.id = id,
                         .caption = caption,
                         .width = 520,
                         .height = 310,
                         .controls = {
                             {.id = kTrendChart, .kind = ControlKind::Chart, .rowSpan = 4},
                             {.id = kTrendReadingsGroup,
                              .kind = ControlKind::Group,
                              .caption = "Readings",
                              .column = 1},
                         }};
    for (std::size_t i = 0; i < kTrendShow.size(); ++i) {
        d.controls.push_back({.id = kTrendShow[i],
                              .kind = ControlKind::CheckBox,
                              .caption = kShowCaptions[i],
                              .parent = kTrendReadingsGroup,
                              .row = static_cast<int>(i % 3),
                              .column = static_cast<int>(i / 3)});
    }
    d.controls.push_back({.id = kTrendSpanGroup,
                          .kind = ControlKind::Group,
                          .caption = "Time Span",
                          .row = 1,
                          .column = 1});
    d.controls.push_back({.id = kTrendSpan1,
                          .kind = ControlKind::Radio,
                          .caption = "&1 min",
                          .parent = kTrendSpanGroup,
                          .styles = style::kGroupStart});
    d.controls.push_back({.id = kTrendSpan10,
                          .kind = ControlKind::Radio,
                          .caption = "1&0 min",
                          .parent = kTrendSpanGroup,
                          .column = 1});
    d.controls.push_back({.id = kTrendSpan60,
                          .kind = ControlKind::Radio,
                          .caption = "&60 min",
                          .parent = kTrendSpanGroup,
                          .column = 2});
    d.controls.push_back({.id = kTrendPause,
                          .kind = ControlKind::Button,
                          .caption = "&Pause",
                          .parent = kTrendSpanGroup,
                          .row = 1,
                          .columnSpan = 3});
    d.controls.push_back({.id = kTrendRecordGroup,
                          .kind = ControlKind::Group,
                          .caption = "Recording",
                          .row = 2,
                          .column = 1});
    d.controls.push_back({.id = kTrendRecordState,
                          .kind = ControlKind::Static,
                          .caption = "Not recording.",
                          .parent = kTrendRecordGroup,
                          .widthChars = 30});
    d.controls.push_back({.id = kTrendRecord,
                          .kind = ControlKind::Button,
                          .caption = "&Record...",
                          .parent = kTrendRecordGroup,
                          .row = 1});
    d.controls.push_back({.id = kTrendMarksGroup,
                          .kind = ControlKind::Group,
                          .caption = "Status Lines in View",
                          .row = 3,
                          .column = 1});
    d.controls.push_back({.id = kTrendMarks,
                          .kind = ControlKind::ListBox,
                          .parent = kTrendMarksGroup,
                          .widthChars = 44});
    return d;
}

}  // namespace

const fw::DialogTemplate& TrendTemplate() {
    static const fw::DialogTemplate t = MakeTrendTemplate(ids::kTrendWindow, "Trend");
    return t;
}

const fw::DialogTemplate& ChannelsTrendTemplate() {
    static const fw::DialogTemplate t =
        MakeTrendTemplate(ids::kChannelsTrendWindow, "Channels Trend");
    return t;
}

}  // namespace corvane::resources
