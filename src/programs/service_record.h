#pragma once

#include <functional>
#include <string>

#include "records/record_writer.h"

namespace corvane {

class CControlCentreApp;

// The desktop tool's service record: the events of what the link does are written to the store
// at `location` (the default file when empty) on a thread of their own, and the main window's
// "Service Hi&story..." shows it and pushes it to or pulls it from the plant's server. Lives as
// long as the main window it was given to.
class DesktopServiceRecord {
  public:
    // `port` names the device the line runs on at the moment.
    DesktopServiceRecord(CControlCentreApp& app, const std::string& location,
                         std::function<std::string()> port);
    // The main window stops recording (handing over what it holds) before the writer goes.
    ~DesktopServiceRecord();

  private:
    CControlCentreApp& app_;
    records::RecordWriter writer_;
    records::StoreHistory history_;
};

}  // namespace corvane
