#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace corvane::cli {

// The options that come before the command.
struct LinkOptions {
    std::string port = "/dev/ttyUSB0";
    int address = 0;             // the first of `addresses`
    std::vector<int> addresses;  // --address 1,2,3: several, for monitor only; empty = {address}
    int baud = 9600;
    char parity = 'N';
    int dataBits = 8;
    int stopBits = 1;
    std::string operatorName;  // empty: the login name
    bool trace = false;
    bool simulate = false;
    std::string records;  // --records: the service record's file; empty = the default file
    int timeoutMs = 0;    // --timeout-ms: the reply time-out; 0 = the link's default (scan: the
                          // probe time-out follows the line)
};

// The command and its own options.
struct CommandOptions {
    std::string name;  // info, monitor, read-setup, write-setup, download, scan, set-address, ...
    std::string file;  // read-setup, write-setup, download
    int count = 0;     // monitor --count; 0 = until interrupted
    bool csv = false;
    bool yes = false;
    bool install = false;
    int from = 0;  // scan
    int to = 247;
    int newAddress = -1;  // set-address
    // history
    std::string serial;
    std::string since;  // YYYY-MM-DD or an ISO 8601 UTC time
    std::string kind;
    bool json = false;
    std::string show;  // --show UUID
    // records push|pull SERVER
    std::string direction;
    std::string server;
    // calibrate conductivity 0|9.25|92.5|925, temperature TRUE, outputs
    std::string quantity;
    double reference = 0.0;    // the conductivity point or the true temperature
    int stableSeconds = 10;    // the shortest stretch of readings that counts as settled
    int timeoutSeconds = 300;  // how long a reading may take to settle
    bool noAdjust = false;     // only check: take the reading as found, send nothing
    // certificate UUID --out FILE [--paper a4|letter]
    std::string uuid;
    std::string out;
    std::string paper = "a4";
};

struct CommandLine {
    LinkOptions link;
    CommandOptions command;
    bool help = false;     // --help: print the help of the command (or the program) and stop
    bool version = false;  // --version: print the version and stop
};

// Reads the arguments after the program name. False, with `error` saying what is wrong, for a
// command line that does not follow the usage.
bool ParseCommandLine(const std::vector<std::string>& args, CommandLine& line, std::string& error);

// The usage lines, for a command line that does not follow them.
std::string UsageText();
// The program's help, or the help of `command` when it names one.
std::string HelpText(const std::string& command);

// The baud rates the line can run at.
inline constexpr int kBaudRates[] = {2400, 4800, 9600, 19200, 38400, 57600, 115200};
inline constexpr int kHighestAddress = 247;
// The most addresses monitor visits in turn (the channels of the Channels page).
inline constexpr std::size_t kMostMonitoredAddresses = 5;

}  // namespace corvane::cli
