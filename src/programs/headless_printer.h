#pragma once

#include <QTimer>
#include <cstdio>
#include <string>
#include <vector>

#include "app/control_centre_app.h"
#include "framework/number_text.h"
#include "resources/main_window.h"

namespace corvane {

// What --headless prints: the System Messages list and the live readings, when they change.
class HeadlessPrinter {
  public:
    explicit HeadlessPrinter(CControlCentreApp& app) : app_(app) {
        QObject::connect(&timer_, &QTimer::timeout, &timer_, [this] { Print(); });
        timer_.start(200);
    }

  private:
    void Print() {
        auto* window = app_.MainWindow();
        if (window == nullptr || !window->IsOpen()) return;
        const auto lines = window->Controls().ListItems(ids::kMainSystemMessages);
        if (lines != lines_) {
            lines_ = lines;
            std::string joined;
            for (const auto& line : lines) joined += (joined.empty() ? "" : " | ") + line;
            std::printf("System Messages: %s\n", joined.empty() ? "(none)" : joined.c_str());
        }
        const SensorData& s = window->Records().Sensor;
        const std::string readings = "Cond " + fw::FormatNumber("%.1f", s.CondRaw) +
                                     " mS/cm, with T.C. " + fw::FormatNumber("%.1f", s.CondComp) +
                                     " mS/cm, Temp " + fw::FormatNumber("%.1f", s.Temperature) +
                                     " " + s.TempUnit + ", Conc " +
                                     fw::FormatNumber("%.2f", s.Concentration) +
                                     (s.DigitalUnit.empty() ? "" : " " + s.DigitalUnit) +
                                     ", Out1 " + fw::FormatNumber("%.2f", s.Out1Current) +
                                     " mA, Out2 " + fw::FormatNumber("%.2f", s.Out2Current) + " mA";
        if (readings != readings_) {
            readings_ = readings;
            std::printf("Readings: %s\n", readings.c_str());
        }
        std::fflush(stdout);
    }

    CControlCentreApp& app_;
    QTimer timer_;
    std::vector<std::string> lines_;
    std::string readings_;
};

}  // namespace corvane
