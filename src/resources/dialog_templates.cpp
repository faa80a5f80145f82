#include "resources/dialog_templates.h"

#include "resources/control_ids.h"

namespace corvane::resources {
namespace {

using fw::ControlKind;
using fw::ControlTemplate;
using fw::DialogTemplate;
namespace style = fw::style;
using namespace ids;

constexpr unsigned kReadOnlyEdit = style::kReadOnly;

}  // namespace

const DialogTemplate& MainWindowTemplate() {
    static const DialogTemplate t{
        kMainWindow,
        "Corvane Control Centre",
        382,
        266,
        {
            {kOperatorGroup, ControlKind::Group, "Operator Information", 0, 0, 0, 4, 1},
            {kOperatorNameLabel, ControlKind::Static, "Operator Name", kOperatorGroup, 0, 0},
            {kOperatorName, ControlKind::Edit, "", kOperatorGroup, 0, 1, 1, 1, style::kUpperCase,
             32},
            {kPasswordLabel, ControlKind::Static, "Enter Password", kOperatorGroup, 1, 0},
            {kPassword, ControlKind::Edit, "", kOperatorGroup, 1, 1, 1, 1,
             style::kPassword | style::kUpperCase, 32},
            {kOk, ControlKind::Button, "&OK", 0, 0, 1, 1, 1, style::kDefaultButton},
            {kHelp, ControlKind::Button, "&Help", 0, 1, 1},
            {kVersion, ControlKind::Button, "&Version", 0, 2, 1},
            {kExit, ControlKind::Button, "&Exit", 0, 3, 1},
            {kSystemMessagesGroup, ControlKind::Group, "System Messages", 0, 4, 0, 1, 2},
            {kMainSystemMessages, ControlKind::ListBox, "", kSystemMessagesGroup, 0, 0},
            {kConfigurationGroup, ControlKind::Group, "Configuration", 0, 5, 0, 1, 2},
            {kMainConfiguration, ControlKind::ListBox, "", kConfigurationGroup, 0, 0, 1, 1, 0, 0,
             100},
        }};
    return t;
}

const DialogTemplate& AboutTemplate() {
    static const DialogTemplate t{
        kAboutDialog,
        "About Corvane Control Centre",
        197,
        98,
        {
            {kAboutIcon, ControlKind::Icon, "", 0, 0, 0, 4, 1},
            {kAboutTitle, ControlKind::Static, "Corvane Control Centre", 0, 0, 1},
            {kAboutVersion, ControlKind::Static, "Release Version 2.2", 0, 1, 1},
            {kAboutDate, ControlKind::Static, "Release Date 25/04/2002", 0, 2, 1},
            {kAboutMaker, ControlKind::Static, "Made by Corvane Instruments for Vexor sensors", 0,
             3, 1},
            {kAboutUpdates, ControlKind::Static,
             "Updates are published on the Corvane service portal", 0, 4, 1},
            {kOk, ControlKind::Button, "OK", 0, 0, 2, 1, 1, style::kDefaultButton},
        }};
    return t;
}

const DialogTemplate& MonitorPageTemplate() {
    static const DialogTemplate t{
        kMonitorPage,
        "Monitor",
        367,
        220,
        {
            {kMonSensorDataGroup, ControlKind::Group, "Digital Sensor Data", 0, 0, 0},
            {kMonCondRawLabel, ControlKind::Static, "Conductivity    (No T/C)", kMonSensorDataGroup,
             0, 0},
            {kMonCondRaw, ControlKind::Edit, "", kMonSensorDataGroup, 0, 1, 1, 1, kReadOnlyEdit, 0,
             9},
            {kMonCondRawUnit, ControlKind::Edit, "", kMonSensorDataGroup, 0, 2, 1, 1,
             kReadOnlyEdit | style::kBorderless, 63, 7},
            {kMonCondCompLabel, ControlKind::Static, "Conductivity (With T/C)", kMonSensorDataGroup,
             1, 0},
            {kMonCondComp, ControlKind::Edit, "", kMonSensorDataGroup, 1, 1, 1, 1, kReadOnlyEdit, 0,
             9},
            {kMonCondCompUnit, ControlKind::Edit, "", kMonSensorDataGroup, 1, 2, 1, 1,
             kReadOnlyEdit | style::kBorderless, 63, 7},
            {kMonTemperatureLabel, ControlKind::Static, "Sensor Temperature", kMonSensorDataGroup,
             2, 0},
            {kMonTemperature, ControlKind::Edit, "", kMonSensorDataGroup, 2, 1, 1, 1, kReadOnlyEdit,
             0, 9},
            {kMonTemperatureUnit, ControlKind::Edit, "", kMonSensorDataGroup, 2, 2, 1, 1,
             kReadOnlyEdit | style::kBorderless, 63, 7},
            {kMonConcentrationLabel, ControlKind::Edit, "", kMonSensorDataGroup, 3, 0, 1, 1,
             kReadOnlyEdit | style::kBorderless, 63, 26},
            {kMonConcentration, ControlKind::Edit, "", kMonSensorDataGroup, 3, 1, 1, 1,
             kReadOnlyEdit, 0, 9},
            {kMonConcentrationUnit, ControlKind::Edit, "", kMonSensorDataGroup, 3, 2, 1, 1,
             kReadOnlyEdit | style::kBorderless, 63, 7},

            {kMonOutput1Group, ControlKind::Group, "Current Output Channel 1", 0, 0, 1},
            {kMonOut1SourceName, ControlKind::Edit, "", kMonOutput1Group, 0, 0, 1, 3,
             kReadOnlyEdit | style::kBorderless, 63, 32},
            {kMonOut1Label, ControlKind::Static, "Current Output 1", kMonOutput1Group, 1, 0},
            {kMonOut1Current, ControlKind::Edit, "", kMonOutput1Group, 1, 1, 1, 1, kReadOnlyEdit, 0,
             9},
            {kMonOut1mA, ControlKind::Static, "mA", kMonOutput1Group, 1, 2},

            {kMonOutput2Group, ControlKind::Group, "Current Output Channel 2", 0, 1, 1},
            {kMonOut2SourceName, ControlKind::Edit, "", kMonOutput2Group, 0, 0, 1, 3,
             kReadOnlyEdit | style::kBorderless, 63, 32},
            {kMonOut2Label, ControlKind::Static, "Current Output 2", kMonOutput2Group, 1, 0},
            {kMonOut2Current, ControlKind::Edit, "", kMonOutput2Group, 1, 1, 1, 1, kReadOnlyEdit, 0,
             9},
            {kMonOut2mA, ControlKind::Static, "mA", kMonOutput2Group, 1, 2},

            {kMonConfigurationGroup, ControlKind::Group, "Configuration", 0, 1, 0},
            {kMonConfiguration, ControlKind::ListBox, "", kMonConfigurationGroup, 0, 0},
            {kMonSystemMessagesGroup, ControlKind::Group, "System Messages", 0, 2, 0, 1, 2},
            {kMonSystemMessages, ControlKind::ListBox, "", kMonSystemMessagesGroup, 0, 0},
        }};
    return t;
}

std::vector<const DialogTemplate*> AllTemplates() {
    return {&MainWindowTemplate(), &AboutTemplate(), &MonitorPageTemplate()};
}

}  // namespace corvane::resources
