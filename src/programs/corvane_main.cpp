// corvane: the sensor link from the command line, for scripts, production lines and remote work.
// `corvane --help` lists the options and commands; `corvane COMMAND --help` explains one.
//
// The commands run on the same engine, requests, replies and files as the desktop tool. The
// engine's timers and the virtual sensor of --simulate run on a clock kept with real time inside
// the Qt event loop, which also serves the serial port or the device-server connection.
#include <poll.h>
#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <atomic>
#include <cerrno>
#include <clocale>
#include <csignal>
#include <cstdlib>
#include <ctime>
#include <iostream>
#include <memory>
#include <optional>

#include "cli/command_line.h"
#include "cli/fast_link.h"
#include "cli/sensor_commands.h"
#include "framework/headless/headless_host.h"
#include "framework/headless/virtual_clock.h"
#include "framework/qt/real_time_pump.h"
#include "link/frame_trace.h"
#include "link/line_port.h"
#include "link/serial_port.h"
#include "link/shared_records.h"
#include "link/tcp_port.h"
#include "sim/virtual_line.h"
#include "sim/virtual_sensor.h"

namespace {

using namespace corvane;

std::atomic<bool> interruptRequested{false};
std::atomic<int> interruptCount{0};

void OnInterrupt(int) {
    interruptRequested.store(true);
    interruptCount.fetch_add(1);
}

// Ctrl-C and SIGTERM only set the flag the commands look at between exchanges (and count the
// presses): a command stops at a point where it can say what it leaves behind. Without
// SA_RESTART a wait in progress ends.
void CatchStopSignals() {
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

// One line typed on standard input; nothing at its end, or once Ctrl-C was pressed while waiting.
std::optional<std::string> ReadAnswerLine() {
    std::string text;
    while (!interruptRequested.load()) {
        pollfd input{STDIN_FILENO, POLLIN, 0};
        if (poll(&input, 1, 100) <= 0) continue;
        char c = 0;
        const ssize_t got = read(STDIN_FILENO, &c, 1);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return text.empty() ? std::nullopt : std::optional<std::string>(text);
        if (c == '\n') return text;
        text += c;
    }
    return std::nullopt;
}

// The login name, for the stamps of a download when --operator is not given.
std::string LoginName() {
    if (const char* user = std::getenv("USER"); user != nullptr && *user != '\0') return user;
    if (const passwd* entry = getpwuid(getuid()); entry != nullptr) return entry->pw_name;
    return "";
}

fw::DateTime LocalNow() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
            local.tm_min,         local.tm_sec,     local.tm_wday};
}

// The reason in a port's "Corvane Comms Error" box, told as the command line tells it: the
// system's text (or the advice given in its place) without the box's frame around it.
std::string PortReason(const std::string& boxText, const std::string& device) {
    // Something that is there but is no device is named for what it is.
    struct stat info {};
    if (stat(device.c_str(), &info) == 0 && !S_ISCHR(info.st_mode)) {
        const char* what = S_ISDIR(info.st_mode)    ? "a folder"
                           : S_ISFIFO(info.st_mode) ? "a named pipe"
                           : S_ISREG(info.st_mode)  ? "a regular file"
                           : S_ISSOCK(info.st_mode) ? "a socket"
                                                    : "no character device";
        return std::string("it is ") + what + ", not a serial device";
    }
    std::string reason = boxText;
    const std::string lead = CSerialPort::kReasonLead;
    if (const auto at = reason.find(lead); at != std::string::npos) {
        reason = reason.substr(at + lead.size());
    }
    if (reason == CSerialPort::kMissingText) {
        return "no such device; plug in the adapter, or give its device with --port";
    }
    if (reason == CSerialPort::kBusyText) return "the device is in use by another program";
    return reason;
}

// Waits on the Qt event loop, where the port's bytes and the clock's timers arrive.
class EventLoopWait : public cli::EventWait {
  public:
    bool WaitForEvent() override {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        return true;
    }
};

// The virtual sensor of --simulate: in the program, on a line that takes the line time of the
// chosen settings, at the address the command names.
class Simulation {
  public:
    Simulation(fw::VirtualClock& clock, const cli::LinkOptions& options)
        : line_(clock), sensor_(options.address) {
        sensor_.Line() =
            PortSettings{1, options.baud, options.parity, options.dataBits, options.stopBits};
        line_.Attach(sensor_);
    }
    SerialChannel& Channel() { return line_; }

  private:
    sim::VirtualLine line_;
    sim::VirtualSensor sensor_;
};

void TraceLink(cli::FastLink& link) {
    link.Engine().SetTrace(
        [](std::span<const std::uint8_t> frame) { std::cerr << TraceLine(true, frame) << "\n"; },
        [](std::span<const std::uint8_t> bytes, FrameEvent event) {
            std::cerr << TraceLine(false, bytes, event) << "\n";
        });
    link.SetEventTrace([](const std::string& event) { std::cerr << event << "\n"; });
}

int Run(int argc, char** argv, const cli::CommandLine& line) {
    QCoreApplication application(argc, argv);
    std::setlocale(LC_ALL, "C");  // numbers with a decimal point, whatever the user's locale

    fw::VirtualClock clock;
    fw::RealTimePump pump(clock);
    fw::HeadlessHost host(clock, LocalNow());
    host.SetAppTitle("corvane");

    SharedRecords records;
    cli::ApplyLinkOptions(line.link, records);
    if (records.OperatorName.empty()) records.OperatorName = LoginName();

    std::unique_ptr<Simulation> simulation;
    std::unique_ptr<CLinePort> port;
    PortMap ports;
    SerialChannel* channel = nullptr;
    if (line.link.simulate) {
        simulation = std::make_unique<Simulation>(clock, line.link);
        channel = &simulation->Channel();
    } else {
        ports.Set(1, line.link.port);
        port = std::make_unique<CLinePort>(host, ports);
        channel = port.get();
    }

    EventLoopWait wait;
    cli::FastLink link(records, *channel, host, wait, line.command.timeoutMs);
    host.SetBoxObserver([&link, &line](const fw::HeadlessHost::ShownBox& shown) {
        link.SetPortError(PortReason(shown.box.text, line.link.port));
        if (line.link.trace) std::cerr << shown.box.caption << ": " << shown.box.text << "\n";
    });
    if (line.link.trace) TraceLink(link);

    CatchStopSignals();
    cli::Console console{std::cout, std::cerr};
    console.readLine = ReadAnswerLine;
    console.outIsTerminal = isatty(STDOUT_FILENO) == 1;
    console.interrupted = [] { return interruptRequested.load(); };
    console.interruptCount = [] { return interruptCount.load(); };
    return cli::RunCommand(line, records, link, host, console);
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    cli::CommandLine line;
    std::string error;
    if (!cli::ParseCommandLine(args, line, error)) {
        std::cerr << "corvane: " << error << "\n" << cli::UsageText();
        return cli::kBadInput;
    }
    if (line.help) {
        std::cout << cli::HelpText(line.command.name);
        return cli::kDone;
    }
    // A port that cannot name a device is bad usage, found before anything is opened.
    std::string serverHost;
    int serverPort = 0;
    const std::string& port = line.link.port;
    if (!line.link.simulate &&
        (port.empty() ||
         (CTcpPort::NamesServer(port) && !CTcpPort::ParseAddress(port, serverHost, serverPort)))) {
        std::cerr << "corvane: --port "
                  << (port.empty() ? "is empty" : port + ": " + CTcpPort::kBadAddressText) << "\n"
                  << cli::UsageText();
        return cli::kBadInput;
    }
    return Run(argc, argv, line);
}
