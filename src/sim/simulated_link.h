#pragma once

#include <memory>
#include <vector>

#include "framework/headless/headless_host.h"
#include "framework/headless/virtual_clock.h"
#include "link/sensor_link.h"
#include "link/shared_records.h"
#include "sim/virtual_line.h"
#include "sim/virtual_sensor.h"

namespace corvane::sim {

// The sensor link wired to virtual sensors on a virtual line, all on one virtual clock with a
// headless host: a whole exchange, calibration or download runs in microseconds of real time
// and always the same way. Used by the tests and by the demonstration program.
class SimulatedLink {
  public:
    explicit SimulatedLink(std::vector<int> sensorAddresses = {0});
    ~SimulatedLink();

    // Sets the records to their start-up values and starts the link timer at 200 ms, as the
    // main window's first initialisation does.
    void Start();

    fw::VirtualClock& Clock() { return clock_; }
    fw::HeadlessHost& Host() { return host_; }
    SharedRecords& Records() { return records_; }
    VirtualLine& Line() { return line_; }
    const VirtualLine& Line() const { return line_; }
    VirtualSensor& Sensor(std::size_t index = 0) { return *sensors_.at(index); }
    SensorLink& Link() { return *link_; }
    CommandEngine& Engine() { return link_->Engine(); }
    int Ticks() const { return ticks_; }

    // Runs virtual time forward.
    void RunFor(fw::VirtualClock::Micros duration) { clock_.RunFor(duration); }
    // Runs until `ticks` more link ticks have happened, and on until just before the tick after
    // them, so a reply to the last request sent has arrived when it returns.
    void RunTicks(int ticks);

  private:
    fw::VirtualClock clock_;
    fw::HeadlessHost host_{clock_};
    SharedRecords records_;
    VirtualLine line_{clock_};
    std::vector<std::unique_ptr<VirtualSensor>> sensors_;
    class TickTimer;
    std::unique_ptr<TickTimer> linkTimer_;
    std::unique_ptr<SensorLink> link_;
    int ticks_ = 0;
    fw::VirtualClock::Micros lastTickAt_ = 0;
};

}  // namespace corvane::sim
