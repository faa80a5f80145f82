#pragma once

#include "framework/dialog.h"

namespace corvane {

// "About Corvane Control Centre": release and maker.
class CAboutDlg : public fw::Dialog {
  public:
    explicit CAboutDlg(fw::Host& host);
};

}  // namespace corvane
