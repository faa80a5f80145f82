#include "app/about_dlg.h"

#include "resources/dialog_templates.h"

namespace corvane {

CAboutDlg::CAboutDlg(fw::Host& host) : Dialog(host, resources::AboutTemplate()) {}

}  // namespace corvane
