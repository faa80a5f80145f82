#pragma once

#include <functional>
#include <memory>

#include "app/control_centre_dlg.h"
#include "link/serial_channel.h"

namespace corvane {

// The application: one copy at a time, the serial channel for the whole run, and the main
// window run modally until it closes.
class CControlCentreApp {
  public:
    // `makeChannel` builds the serial channel once this copy is known to be the only one, so a
    // second copy never touches a port.
    using ChannelFactory = std::function<std::unique_ptr<SerialChannel>()>;

    // `ports`, when given, are the devices of the serial ports (see CControlCentreDlg); they must
    // outlive the application object.
    CControlCentreApp(fw::Host& host, ChannelFactory makeChannel, StateStore* state = nullptr,
                      PortMap* ports = nullptr);
    ~CControlCentreApp();

    // Starts the program. When another copy runs it is brought forward and this returns false
    // without opening a window, the port or the state file. `onExit` runs when the main window
    // has closed.
    bool InitInstance(std::function<void()> onExit);

    CControlCentreDlg* MainWindow() { return mainWindow_.get(); }

  private:
    fw::Host& host_;
    ChannelFactory makeChannel_;
    std::unique_ptr<SerialChannel> channel_;
    StateStore* state_;
    PortMap* ports_;
    std::unique_ptr<CControlCentreDlg> mainWindow_;
};

}  // namespace corvane
