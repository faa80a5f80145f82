#pragma once

#include <memory>

namespace corvane {

class CControlCentreApp;

// SIGINT and SIGTERM end the program whatever window is open, for as long as this object lives:
// the main window closes without asking (see CControlCentreDlg::CloseOnRequest), so the state
// file is written; should the window be gone already, or a second signal come while it closes,
// the event loop ends at once.
class CloseOnSignal {
  public:
    explicit CloseOnSignal(CControlCentreApp& app);
    ~CloseOnSignal();
    CloseOnSignal(const CloseOnSignal&) = delete;
    CloseOnSignal& operator=(const CloseOnSignal&) = delete;

  private:
    class Watch;
    std::unique_ptr<Watch> watch_;
};

}  // namespace corvane
