#include "resources/all_templates.h"

#include "resources/about_box.h"
#include "resources/main_window.h"
#include "resources/monitor_page.h"

namespace corvane::resources {

std::vector<const fw::DialogTemplate*> AllTemplates() {
    return {&MainWindowTemplate(), &AboutTemplate(), &MonitorPageTemplate()};
}

}  // namespace corvane::resources
