#pragma once

// The command line's commands run in-process on the virtual clock, against virtual sensors on a
// virtual line: a whole command takes milliseconds and always runs the same way.
#include <deque>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "cli/command_line.h"
#include "cli/sensor_commands.h"
#include "framework/headless/headless_host.h"
#include "framework/headless/virtual_clock.h"
#include "link/fast_link.h"
#include "link/shared_records.h"
#include "sim/virtual_line.h"
#include "sim/virtual_sensor.h"

namespace corvane::testing {

class ClockWait : public EventWait {
  public:
    explicit ClockWait(fw::VirtualClock& clock) : clock_(clock) {}
    bool WaitForEvent() override { return clock_.RunNext(); }

  private:
    fw::VirtualClock& clock_;
};

class CliRig {
  public:
    explicit CliRig(std::vector<int> addresses = {0}) {
        for (const int address : addresses) {
            sensors_.push_back(std::make_unique<sim::VirtualSensor>(address));
            line_.Attach(*sensors_.back());
        }
    }

    // Runs `corvane ARGS` as a fresh process would (new records, new link) and returns its exit
    // status; what it printed is in Out() and Err().
    int Run(const std::vector<std::string>& args) {
        out_.str("");
        out_.clear();
        if (brokenOutput_) out_.setstate(std::ios::badbit);
        err_.str("");
        cli::CommandLine line;
        std::string error;
        if (!cli::ParseCommandLine(args, line, error)) {
            err_ << error;
            return cli::kBadInput;
        }
        records_ = std::make_unique<SharedRecords>();
        cli::ApplyLinkOptions(line.link, *records_);
        if (records_->OperatorName.empty()) records_->OperatorName = "Rig Operator";
        link_ = std::make_unique<FastLink>(*records_, line_, host_, host_, wait_,
                                           cli::ReplyTimeoutMs(line.link));
        writesBefore_ = line_.Written().size();
        cli::Console console{out_, err_};
        console.readLine = [this]() -> std::optional<std::string> {
            if (typed_.empty()) return std::nullopt;
            std::string text = typed_.front();
            typed_.pop_front();
            return text;
        };
        console.readInput = [this](std::size_t limit) -> std::optional<std::string> {
            if (input_.size() > limit) return std::nullopt;
            return input_;
        };
        int checks = 0;
        console.interrupted = [this, checks]() mutable {
            return interruptAfter_ >= 0 && ++checks > interruptAfter_;
        };
        console.interruptCount = [this] { return interruptPresses_; };
        return cli::RunCommand(line, *records_, *link_, console);
    }

    void Type(std::string line) { typed_.push_back(std::move(line)); }
    // What standard input holds, for a file given as "-".
    void Input(std::string bytes) { input_ = std::move(bytes); }
    // Ctrl-C (pressed `presses` times) after the command has asked `checks` times whether to
    // stop.
    void InterruptAfter(int checks, int presses = 1) {
        interruptAfter_ = checks;
        interruptPresses_ = presses;
    }
    // Standard output as a full disk leaves it: every write fails.
    void BreakStandardOutput() { brokenOutput_ = true; }
    std::string Out() const { return out_.str(); }
    std::string Err() const { return err_.str(); }
    // Frames the last run sent.
    std::size_t FramesSent() const { return line_.Written().size() - writesBefore_; }

    sim::VirtualSensor& Sensor(std::size_t index = 0) { return *sensors_.at(index); }
    sim::VirtualLine& Line() { return line_; }
    fw::VirtualClock& Clock() { return clock_; }
    SharedRecords& Records() { return *records_; }

  private:
    fw::VirtualClock clock_;
    fw::HeadlessHost host_{clock_};
    sim::VirtualLine line_{clock_};
    ClockWait wait_{clock_};
    std::vector<std::unique_ptr<sim::VirtualSensor>> sensors_;
    std::unique_ptr<SharedRecords> records_;
    std::unique_ptr<FastLink> link_;
    std::ostringstream out_;
    std::ostringstream err_;
    std::deque<std::string> typed_;
    std::string input_;
    std::size_t writesBefore_ = 0;
    int interruptAfter_ = -1;
    int interruptPresses_ = 1;
    bool brokenOutput_ = false;
};

// The lines of a text.
inline std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

}  // namespace corvane::testing
