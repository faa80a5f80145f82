#pragma once

#include <QElapsedTimer>
#include <QTimer>

#include "framework/headless/virtual_clock.h"

namespace corvane::fw {

// Keeps a virtual clock up with real time inside a Qt event loop, so that the headless backend
// and the in-process virtual line can run among real serial ports and real windows.
class RealTimePump {
  public:
    explicit RealTimePump(VirtualClock& clock) : clock_(clock) {
        elapsed_.start();
        QObject::connect(&timer_, &QTimer::timeout, &timer_,
                         [this] { clock_.RunUntil(elapsed_.nsecsElapsed() / 1000); });
        timer_.start(1);
    }

  private:
    VirtualClock& clock_;
    QElapsedTimer elapsed_;
    QTimer timer_;
};

}  // namespace corvane::fw
