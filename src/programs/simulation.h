#pragma once

#include <cstdio>
#include <memory>
#include <string>

#include "framework/headless/virtual_clock.h"
#include "framework/qt/real_time_pump.h"
#include "link/line_port.h"
#include "link/serial_channel.h"
#include "sim/virtual_line.h"
#include "sim/virtual_sensor.h"
#ifndef _WIN32
#include "sim/pty_server.h"
#endif

namespace corvane {

// The virtual sensor for --simulate: on a pseudo-terminal where the system has them (so the
// real serial port code is used), otherwise on the in-process line.
class Simulation {
  public:
    std::unique_ptr<SerialChannel> Channel(fw::Host& host, PortMap& ports) {
#ifndef _WIN32
        server_ = std::make_unique<sim::PtyServer>(sim::PtyServer::Options{});
        std::string error;
        if (server_->Start(error)) {
            server_->RunInThread();
            ports.Set(1, server_->DevicePath());
            std::printf("Virtual sensor at address 0, 9600 baud 8N1, on %s (COM1)\n",
                        server_->DevicePath().c_str());
            return std::make_unique<CLinePort>(host, ports);
        }
        std::fprintf(stderr, "No pseudo-terminal (%s): the virtual sensor runs in-process.\n",
                     error.c_str());
        server_.reset();
#else
        (void)host;
        (void)ports;
#endif
        pump_ = std::make_unique<fw::RealTimePump>(clock_);
        auto line = std::make_unique<sim::VirtualLine>(clock_);
        line->Attach(sensor_);
        return line;
    }

    // A control line for the bench the virtual sensor sits on ("reference 92.5"); why it was
    // refused, or empty.
    std::string Control(const std::string& line) {
#ifndef _WIN32
        if (server_) return server_->Control(line);
#endif
        return sensor_.Control(line);
    }

  private:
#ifndef _WIN32
    std::unique_ptr<sim::PtyServer> server_;
#endif
    fw::VirtualClock clock_;
    std::unique_ptr<fw::RealTimePump> pump_;
    sim::VirtualSensor sensor_{0};
};

}  // namespace corvane
