#pragma once

#include <QString>
#include <memory>

namespace corvane {

class CControlCentreApp;
namespace fw {
class QtHost;
}

// --screenshots DIR: a picture of every window of the program, saved in DIR, then the program
// ends. The tour runs on the event loop once started, one step after the other.
class ScreenshotTour {
  public:
    ScreenshotTour(CControlCentreApp& app, fw::QtHost& host, QString dir);
    ~ScreenshotTour();
    ScreenshotTour(const ScreenshotTour&) = delete;
    ScreenshotTour& operator=(const ScreenshotTour&) = delete;
    void Start();

  private:
    class Steps;
    std::unique_ptr<Steps> steps_;
};

}  // namespace corvane
