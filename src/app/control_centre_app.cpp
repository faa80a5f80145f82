#include "app/control_centre_app.h"

namespace corvane {

CControlCentreApp::CControlCentreApp(fw::Host& host, ChannelFactory makeChannel, StateStore* state,
                                     PortMap* ports)
    : host_(host), makeChannel_(std::move(makeChannel)), state_(state), ports_(ports) {}

CControlCentreApp::~CControlCentreApp() {
    mainWindow_.reset();  // the window goes before the channel it uses
    channel_.reset();
}

bool CControlCentreApp::InitInstance(std::function<void()> onExit) {
    if (host_.RaiseRunningCopy(CControlCentreDlg::kTitle, [this] {
            if (mainWindow_ && mainWindow_->View()) mainWindow_->View()->Show();
        })) {
        return false;
    }
    channel_ = makeChannel_();
    mainWindow_ = std::make_unique<CControlCentreDlg>(host_, *channel_, state_, ports_);
    mainWindow_->DoModal([onExit = std::move(onExit)](int) {
        if (onExit) onExit();
    });
    return true;
}

}  // namespace corvane
