#include "resources/channels_page.h"

#include <string_view>

namespace corvane::resources {
namespace {

constexpr std::array<std::string_view, 5> kSensorCaptions = {"Sensor1", "Sensor2", "Sensor3",
                                                             "Sensor4", "Sensor5"};

}  // namespace

const fw::DialogTemplate& ChannelsPageTemplate() {
    using fw::ControlKind;
    namespace style = fw::style;
    using namespace ids;
    static const fw::DialogTemplate t = [] {
        fw::DialogTemplate d{
            .id = kChannelsPage,
            .caption = "Channels",
            .width = 367,
            .height = 220,
            .controls = {
                {.id = kChnSensorsGroup, .kind = ControlKind::Group, .caption = "Vexor Sensors"},
                {.id = kChnOnOffLabel,
                 .kind = ControlKind::Static,
                 .caption = "On --- Off",
                 .parent = kChnSensorsGroup},
                {.id = kChnAddressLabel,
                 .kind = ControlKind::Static,
                 .caption = "Address ID",
                 .parent = kChnSensorsGroup,
                 .column = 1},
                {.id = kChnCondRawLabel,
                 .kind = ControlKind::Static,
                 .caption = "Cond no T/C",
                 .parent = kChnSensorsGroup,
                 .column = 2},
                {.id = kChnCondCompLabel,
                 .kind = ControlKind::Static,
                 .caption = "Cond with T/C",
                 .parent = kChnSensorsGroup,
                 .column = 3},
                {.id = kChnTemperatureLabel,
                 .kind = ControlKind::Static,
                 .caption = "Temperature",
                 .parent = kChnSensorsGroup,
                 .column = 4},
                {.id = kChnConcentrationLabel,
                 .kind = ControlKind::Static,
                 .caption = "Concentration",
                 .parent = kChnSensorsGroup,
                 .column = 5},
                {.id = kChnOut1Label,
                 .kind = ControlKind::Static,
                 .caption = "Output  1",
                 .parent = kChnSensorsGroup,
                 .column = 6},
                {.id = kChnOut2Label,
                 .kind = ControlKind::Static,
                 .caption = "Output 2",
                 .parent = kChnSensorsGroup,
                 .column = 7},
            }};
        for (std::size_t i = 0; i < kChnRows.size(); ++i) {
            const ChannelRowIds& row = kChnRows[i];
            const int r = static_cast<int>(i) + 1;
            d.controls.push_back({.id = row.onOff,
                                  .kind = ControlKind::CheckBox,
                                  .caption = kSensorCaptions[i],
                                  .parent = kChnSensorsGroup,
                                  .row = r});
            d.controls.push_back({.id = row.address,
                                  .kind = ControlKind::Edit,
                                  .parent = kChnSensorsGroup,
                                  .row = r,
                                  .column = 1,
                                  .widthChars = 5});
            const std::array<int, 6> readings = {row.condRaw,       row.condComp, row.temperature,
                                                 row.concentration, row.out1,     row.out2};
            for (std::size_t k = 0; k < readings.size(); ++k) {
                d.controls.push_back({.id = readings[k],
                                      .kind = ControlKind::Edit,
                                      .parent = kChnSensorsGroup,
                                      .row = r,
                                      .column = static_cast<int>(k) + 2,
                                      .styles = style::kReadOnly,
                                      .widthChars = 8});
            }
        }
        d.controls.push_back({.id = kChnTrend,
                              .kind = ControlKind::Button,
                              .caption = "&Trend...",
                              .parent = kChnSensorsGroup,
                              .row = static_cast<int>(kChnRows.size()) + 1,
                              .column = 7});
        d.controls.push_back({.id = kChnMessagesGroup,
                              .kind = ControlKind::Group,
                              .caption = "System Messages",
                              .row = 1});
        d.controls.push_back(
            {.id = kChnMessagesLeft, .kind = ControlKind::ListBox, .parent = kChnMessagesGroup});
        d.controls.push_back({.id = kChnMessagesRight,
                              .kind = ControlKind::ListBox,
                              .parent = kChnMessagesGroup,
                              .column = 1});
        return d;
    }();
    return t;
}

}  // namespace corvane::resources
