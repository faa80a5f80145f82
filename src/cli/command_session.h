#pragma once

#include <algorithm>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/command_line.h"
#include "cli/sensor_commands.h"
#include "link/command_table.h"
#include "link/fast_link.h"
#include "link/shared_records.h"
#include "setup/setup_fields.h"

namespace corvane::cli {

// A command's failure: the exit status and what to say on standard error.
struct Failure {
    int status = kLinkFailed;
    std::string message;
};
using Result = std::optional<Failure>;

// What every sensor command does on the link: one exchange at a time with Ctrl-C honoured,
// commands sent until answered, the setup read, a question answered, and a failure of the link
// in words.
class CommandSession {
  public:
    // Attempts at one data block of the setup before the reading is given up.
    static constexpr int kBlockAttempts = 3;

    CommandSession(const CommandLine& line, SharedRecords& records, FastLink& link,
                   Console& console)
        : line_(line), r_(records), link_(link), io_(console) {}

    int Address() const { return r_.Sensor.DeviceId; }

    // Why an exchange that should have been answered was not.
    Failure LinkFailure(const ExchangeEnded& exchange) const {
        const std::string request = DescribeRequest(exchange.function, Address());
        switch (exchange.outcome) {
            case Outcome::PortFailed: return PortFailure();
            case Outcome::Exception:
                return {kLinkFailed, "the sensor rejected " + request + " (exception reply)"};
            case Outcome::Garbled:
                return {kLinkFailed, "the reply to " + request + " failed its frame check"};
            default:
                if (link_.LastPortFailure()) return PortFailure();
                return {kLinkFailed, "no answer to " + request};
        }
    }

    // The port (or the device server's connection) failed: why, as the port reported it.
    Failure PortFailure() const {
        const auto& failure = link_.LastPortFailure();
        return {kLinkFailed,
                "cannot use the port " + line_.link.port +
                    (failure ? ": " + PortFailureText(*failure, line_.link.port) : std::string())};
    }

    // One exchange, unless the operator has asked the command to stop (Ctrl-C).
    std::optional<ExchangeEnded> Step(std::string_view doing) {
        if (io_.interrupted()) {
            interruptedWhile_ = doing;
            return std::nullopt;
        }
        return link_.Step();
    }
    Failure Interrupted() const { return {kLinkFailed, "interrupted while " + interruptedWhile_}; }

    // Queues the commands and runs exchanges until every one has been answered.
    Result SendQueued(std::initializer_list<int> commands) {
        std::vector<RequestHandle> requests;
        for (const int command : commands) requests.push_back(link_.Link().Queue(command));
        if (Result failure = FinishQueued(commands)) return failure;
        for (const RequestHandle& request : requests) {
            if (request.End() == RequestEnd::Refused || request.End() == RequestEnd::Withdrawn) {
                return Failure{
                    kLinkFailed,
                    DescribeRequest(FindCommand(request.Command()).value_or(CommandInfo{}).function,
                                    Address()) +
                        " was not sent"};
            }
        }
        return std::nullopt;
    }

    // Runs exchanges until none of `commands` is pending any more; `honourCtrlC` false for the
    // clearing up that must reach the sensor even after Ctrl-C (outputs back to normal).
    Result FinishQueued(std::initializer_list<int> commands, bool honourCtrlC = true) {
        while (std::any_of(commands.begin(), commands.end(),
                           [this](int c) { return r_.Queue().IsPending(c); }) ||
               r_.Engine().CurrentCommand != 0) {
            const auto exchange = honourCtrlC ? Step("writing to the sensor")
                                              : std::optional<ExchangeEnded>(link_.Step());
            if (!exchange) return Interrupted();
            if (exchange->outcome != Outcome::Answered) return LinkFailure(*exchange);
        }
        return std::nullopt;
    }

    // Reads the 17 data blocks of the setup; `honourCtrlC` false for a reading that is part of
    // a command already under way. A block whose reply is lost is asked for again, up to
    // kBlockAttempts times (the link itself asks again for one whose reply failed its check).
    Result Upload(bool honourCtrlC = true) {
        RequestHandle read = link_.Link().ReadSetup();
        int silentAttempts = 0;
        std::optional<ExchangeEnded> last;
        while (!read.Answered()) {
            if (read.Ended()) {
                if (read.End() == RequestEnd::Garbled) {
                    return Failure{kLinkFailed, "the replies to setup data block " +
                                                    std::to_string(r_.UploadBlock()) +
                                                    " kept failing their frame check"};
                }
                if (read.End() == RequestEnd::Silent && ++silentAttempts < kBlockAttempts) {
                    read = link_.Link().ContinueSetupRead();  // a reply lost on the line
                    continue;
                }
                if (last) return LinkFailure(*last);
                return Failure{kLinkFailed, "the setup was not read"};
            }
            const int block = r_.UploadBlock();
            last = honourCtrlC ? Step("reading the setup") : std::optional(link_.Step());
            if (!last) return Interrupted();
            if (r_.UploadBlock() != block) silentAttempts = 0;
        }
        NameSetupEntries(r_.Sensor);
        return std::nullopt;
    }

    // The answer to a yes/no question: --yes, or a line on standard input.
    Result Confirm(const std::string& question, bool& yes) {
        yes = true;
        if (line_.command.yes) return std::nullopt;
        io_.err << question << " [y/N] " << std::flush;
        const auto answer = io_.readLine();
        if (io_.interrupted()) {
            io_.err << "\n";
            interruptedWhile_ = "waiting for the answer; nothing was sent";
            return Interrupted();
        }
        if (!answer) {
            io_.err << "\n";
            return Failure{kBadInput,
                           "no answer on standard input; give --yes to go ahead "
                           "without asking"};
        }
        yes = !answer->empty() && (answer->front() == 'y' || answer->front() == 'Y');
        return std::nullopt;
    }

  protected:
    const CommandLine& line_;
    SharedRecords& r_;
    FastLink& link_;
    Console& io_;
    std::string interruptedWhile_;
};

}  // namespace corvane::cli
