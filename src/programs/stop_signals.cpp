#include "stop_signals.h"

#include <QCoreApplication>
#include <QTimer>
#include <atomic>
#include <csignal>
#include <cstdio>

#include "app/control_centre_app.h"
#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <cerrno>
#endif

namespace corvane {
namespace {

// What SIGINT and SIGTERM do (see CloseOnSignal); `closing` is set by the first signal.
void EndOnSignal(CControlCentreApp& app, bool& closing) {
    CControlCentreDlg* window = app.MainWindow();
    if (closing || window == nullptr || !window->IsOpen()) {
        QCoreApplication::exit(0);
        return;
    }
    closing = true;
    window->CloseOnRequest();
}

#ifndef _WIN32
// The write end of the pipe that carries SIGINT and SIGTERM into the event loop. The handler
// may do no more than write(2) a byte, so the descriptor is all it can reach.
int signalPipeWriteEnd = -1;

void ForwardSignal(int) {
    const int savedErrno = errno;
    const char byte = 1;
    // A full pipe already holds a pending request; nothing is lost when this byte is not written.
    [[maybe_unused]] const ssize_t written = ::write(signalPipeWriteEnd, &byte, 1);
    errno = savedErrno;
}

// SIGINT and SIGTERM end the program whatever window is open: the main window closes without
// asking (see CControlCentreDlg::CloseOnRequest), so the state file is written. Should the window
// be gone already, or a second signal come while it closes, the event loop ends at once.
// The handler writes one byte to a pipe whose read end the event loop watches, so the program
// sleeps until a signal comes and does the closing outside the handler.
class SignalWatch {
  public:
    explicit SignalWatch(CControlCentreApp& app) {
        int ends[2];
        if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) {
            std::perror("corvane-control-centre: no pipe for SIGINT and SIGTERM");
            return;
        }
        readEnd_ = ends[0];
        signalPipeWriteEnd = ends[1];
        notifier_ = std::make_unique<QSocketNotifier>(readEnd_, QSocketNotifier::Read);
        QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(),
                         [this, &app] {
                             char bytes[16];
                             while (::read(readEnd_, bytes, sizeof bytes) > 0) {
                             }
                             EndOnSignal(app, closing_);
                         });
        struct sigaction action {};
        action.sa_handler = ForwardSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        sigaction(SIGINT, &action, nullptr);
        sigaction(SIGTERM, &action, nullptr);
    }
    ~SignalWatch() {
        if (readEnd_ < 0) return;
        std::signal(SIGINT, SIG_DFL);
        std::signal(SIGTERM, SIG_DFL);
        notifier_.reset();
        ::close(signalPipeWriteEnd);
        signalPipeWriteEnd = -1;
        ::close(readEnd_);
    }
    SignalWatch(const SignalWatch&) = delete;
    SignalWatch& operator=(const SignalWatch&) = delete;

  private:
    int readEnd_ = -1;
    bool closing_ = false;
    std::unique_ptr<QSocketNotifier> notifier_;
};
#else
std::atomic<bool> closeRequested{false};
void RequestClose(int) {
    closeRequested.store(true);
}

// SIGINT and SIGTERM close the main window as its close box does, so the state file is written.
// Without pipes for the event loop to watch, the handler sets a flag that a timer looks at.
class SignalWatch {
  public:
    explicit SignalWatch(CControlCentreApp& app) {
        std::signal(SIGINT, RequestClose);
        std::signal(SIGTERM, RequestClose);
        QObject::connect(&watch_, &QTimer::timeout, &watch_, [this, &app] {
            if (closeRequested.load()) {
                closeRequested.store(false);
                EndOnSignal(app, closing_);
            }
        });
        watch_.start(50);
    }

  private:
    QTimer watch_;
    bool closing_ = false;
};
#endif

}  // namespace

class CloseOnSignal::Watch : public SignalWatch {
  public:
    using SignalWatch::SignalWatch;
};

CloseOnSignal::CloseOnSignal(CControlCentreApp& app) : watch_(std::make_unique<Watch>(app)) {}

CloseOnSignal::~CloseOnSignal() = default;

}  // namespace corvane
