#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <ostream>
#include <string>

#include "cli/command_line.h"

namespace corvane {

struct SharedRecords;
struct PortFailure;
class FastLink;

namespace records {
class ServiceRecorder;
}

namespace cli {

enum ExitStatus : int {
    kDone = 0,
    kLinkFailed = 1,       // the sensor did not answer, rejected a request, or the link failed
    kBadInput = 2,         // bad usage or a bad file
    kReadBackDiffers = 3,  // write-setup read back a value that differs; calibrate's reading is
                           // outside its tolerance or did not settle
    kPartlyWritten = 4,    // write-setup stopped between its writes: the sensor may hold part
                           // of the new setup (the message lists the writes that went through)
};

// Where a command reads its answers and writes its results.
struct Console {
    std::ostream& out;
    std::ostream& err;
    // The next line typed; nothing at the end of the input.
    std::function<std::optional<std::string>()> readLine = [] { return std::nullopt; };
    // Standard input whole, for a file given as "-"; nothing when it cannot be read or holds
    // more than `limit` bytes.
    std::function<std::optional<std::string>(std::size_t limit)> readInput = [](std::size_t) {
        return std::nullopt;
    };
    bool errIsTerminal = false;  // progress as a bar rather than a line per 10 %
    std::function<bool()> interrupted = [] { return false; };  // Ctrl-C
    // How many times Ctrl-C was pressed so far (a second press stops even what the first let
    // finish); read after `interrupted` has said it was.
    std::function<int()> interruptCount = [] { return 1; };
    std::function<std::chrono::system_clock::time_point()> now = [] {
        return std::chrono::system_clock::now();
    };
    // Where a file written to standard output goes byte for byte (nothing: `out`); `out` itself
    // may escape control characters.
    std::ostream* fileOut = nullptr;
};

// Puts the link options into the records the engine works from: the address, the line settings
// (as the Communications page's list indexes they are derived from), the operator's name.
void ApplyLinkOptions(const LinkOptions& options, SharedRecords& records);

// The reply time-out the link starts with: --timeout-ms, or the link's default.
int ReplyTimeoutMs(const LinkOptions& options);

// Runs the command of `line` over `link` and returns the exit status. What calibrate does is
// recorded through `recorder` with its guided figures, when one is given.
int RunCommand(const CommandLine& line, SharedRecords& records, FastLink& link, Console& console,
               records::ServiceRecorder* recorder = nullptr);

// Why the port `device` could not be used, as the command line says it: what the device is when
// it is no serial device at all, advice for one that is missing or busy, else the reason the
// port gave.
std::string PortFailureText(const PortFailure& failure, const std::string& device);

}  // namespace cli
}  // namespace corvane
