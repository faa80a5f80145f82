#pragma once

#include <QString>
#include <functional>
#include <memory>
#include <string>

namespace corvane {

class CControlCentreApp;
namespace fw {
class QtHost;
}

// --screenshots DIR: a picture of every window of the program, saved in DIR, then the program
// ends. The tour runs on the event loop once started, one step after the other.
class ScreenshotTour {
  public:
    // `bench` takes control lines for the virtual sensor's bench ("reference 92.5"), so that the
    // Calibration Assistant is pictured with a settled reading.
    ScreenshotTour(CControlCentreApp& app, fw::QtHost& host, QString dir,
                   std::function<void(const std::string&)> bench = {});
    ~ScreenshotTour();
    ScreenshotTour(const ScreenshotTour&) = delete;
    ScreenshotTour& operator=(const ScreenshotTour&) = delete;
    void Start();

  private:
    class Steps;
    std::unique_ptr<Steps> steps_;
};

}  // namespace corvane
