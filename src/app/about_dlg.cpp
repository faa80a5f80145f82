#include "app/about_dlg.h"

#include "resources/about_box.h"

namespace corvane {

CAboutDlg::CAboutDlg(fw::Host& host) : Dialog(host, resources::AboutTemplate()) {}

}  // namespace corvane
