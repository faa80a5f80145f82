#include "resources/all_templates.h"

#include "resources/about_box.h"
#include "resources/calibration_assistant.h"
#include "resources/calibration_page.h"
#include "resources/channels_page.h"
#include "resources/comms_page.h"
#include "resources/custom_range_dialog.h"
#include "resources/factory_page.h"
#include "resources/history_window.h"
#include "resources/main_window.h"
#include "resources/monitor_page.h"
#include "resources/passwords_page.h"
#include "resources/save_config_dialog.h"
#include "resources/setup_digital_dialog.h"
#include "resources/setup_output_dialogs.h"
#include "resources/setup_page.h"
#include "resources/software_page.h"
#include "resources/test_page.h"
#include "resources/trend_window.h"

namespace corvane::resources {

std::vector<const fw::DialogTemplate*> AllTemplates() {
    return {&MainWindowTemplate(),      &AboutTemplate(),         &MonitorPageTemplate(),
            &SetupPageTemplate(),       &SetupOutput1Template(),  &SetupOutput2Template(),
            &SetupDigitalTemplate(),    &CustomRangeTemplate(),   &TestPageTemplate(),
            &CalibrationPageTemplate(), &PasswordsPageTemplate(), &RetypePasswordTemplate(),
            &ChannelsPageTemplate(),    &CommsPageTemplate(),     &SaveConfigTemplate(),
            &SoftwarePageTemplate(),    &FactoryPageTemplate(),   &TrendTemplate(),
            &ChannelsTrendTemplate(),   &HistoryTemplate(),       &CalibrationAssistantTemplate()};
}

}  // namespace corvane::resources
