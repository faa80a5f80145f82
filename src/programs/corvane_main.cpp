// corvane: the sensor link from the command line, for scripts, production lines and remote work.
// `corvane --help` lists the options and commands; `corvane COMMAND --help` explains one.
//
// The commands run on the same engine, requests, replies and files as the desktop tool. The
// engine's timers and the virtual sensor of --simulate run on a clock kept with real time inside
// the Qt event loop, which also serves the serial port or the device-server connection.
#include <poll.h>
#include <pwd.h>
#include <signal.h>
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

#include "cli/certificate_command.h"
#include "cli/command_line.h"
#include "cli/ports_command.h"
#include "cli/record_commands.h"
#include "cli/sensor_commands.h"
#include "cli/terminal_prompts.h"
#include "framework/headless/virtual_clock.h"
#include "framework/headless/virtual_time.h"
#include "framework/qt/real_time_pump.h"
#include "link/fast_link.h"
#include "link/frame_trace.h"
#include "link/line_port.h"
#include "link/serial_port.h"
#include "link/shared_records.h"
#include "link/tcp_port.h"
#include "records/record_writer.h"
#include "records/service_recorder.h"
#include "release.h"
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

// Standard input whole (a configuration file given as "-"); nothing when it cannot be read, holds
// more than `limit` bytes, or Ctrl-C was pressed while waiting.
std::optional<std::string> ReadWholeInput(std::size_t limit) {
    std::string text;
    char buffer[4096];
    while (!interruptRequested.load()) {
        const ssize_t got = read(STDIN_FILENO, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return std::nullopt;
        if (got == 0) return text;
        text.append(buffer, static_cast<std::size_t>(got));
        if (text.size() > limit) return std::nullopt;
    }
    return std::nullopt;
}

// The login name, for the stamps of a download when --operator is not given.
std::string LoginName() {
    if (const char* user = std::getenv("USER"); user != nullptr && *user != '\0') return user;
    if (const passwd* entry = getpwuid(getuid()); entry != nullptr) return entry->pw_name;
    return "";
}

// Waits on the Qt event loop, where the port's bytes and the clock's timers arrive.
class EventLoopWait : public EventWait {
  public:
    bool WaitForEvent() override {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        return true;
    }
};

// The virtual sensors of --simulate: in the program, on a line that takes the line time of the
// chosen settings, one at each address the command names.
class Simulation {
  public:
    Simulation(fw::VirtualClock& clock, const cli::LinkOptions& options) : line_(clock) {
        const std::vector<int> addresses =
            options.addresses.empty() ? std::vector<int>{options.address} : options.addresses;
        for (const int address : addresses) {
            auto& sensor = sensors_.emplace_back(std::make_unique<sim::VirtualSensor>(address));
            sensor->Line() =
                PortSettings{1, options.baud, options.parity, options.dataBits, options.stopBits};
            line_.Attach(*sensor);
        }
    }
    SerialChannel& Channel() { return line_; }

  private:
    sim::VirtualLine line_;
    std::vector<std::unique_ptr<sim::VirtualSensor>> sensors_;
};

void TraceLink(FastLink& link) {
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
    fw::VirtualTime time(clock, std::chrono::system_clock::now());

    CatchStopSignals();
    cli::Console console{std::cout, std::cerr};
    console.readLine = ReadAnswerLine;
    console.readInput = ReadWholeInput;
    console.errIsTerminal = isatty(STDERR_FILENO) == 1;
    console.interrupted = [] { return interruptRequested.load(); };
    console.interruptCount = [] { return interruptCount.load(); };
    cli::TerminalPrompts prompts(console, line.link.trace, [&clock](std::function<void()> action) {
        clock.After(0, std::move(action));
    });

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
        port = std::make_unique<CLinePort>(prompts, ports);
        channel = port.get();
    }

    // What the command does to the sensor goes into the service record, written on a thread
    // of its own; a record that cannot be written is said once and the command goes on.
    records::RecordWriter writer(cli::RecordsLocation(line.link));
    EventLoopWait wait;
    FastLink link(records, *channel, time, prompts, wait, cli::ReplyTimeoutMs(line.link));
    records::ServiceRecorder recorder(
        records, time, writer,
        {"corvane", CORVANE_RELEASE_VERSION, records::WorkstationName(),
         [port = line.link.simulate ? std::string("simulated") : line.link.port] { return port; }});
    link.Link().AddObserver(recorder);
    if (line.link.trace) TraceLink(link);
    const int status = cli::RunCommand(line, records, link, console, &recorder);
    link.Link().RemoveObserver(recorder);
    recorder.Flush();
    writer.Flush();
    if (const auto failure = writer.TakeFailure()) {
        const std::size_t lost = writer.Unwritten();
        std::cerr << "corvane: " << *failure << "; "
                  << (lost > 0 ? std::to_string(lost) +
                                     (lost == 1 ? " event was" : " events were") + " not recorded; "
                               : "")
                  << "the command's work was not affected\n";
        writer.LossSaidElsewhere();
    }
    return status;
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
    if (line.version) {
        std::cout << "corvane " CORVANE_RELEASE_VERSION " (" CORVANE_RELEASE_DATE ")\n";
        return cli::kDone;
    }
    if (line.command.name == "certificate") return cli::RunCertificateProgram(argc, argv, line);
    if (line.command.name == "ports") {
        cli::Console console{std::cout, std::cerr};
        return cli::RunPortsCommand(line, console);
    }
    if (cli::IsRecordCommand(line.command.name)) {
        QCoreApplication application(argc, argv);
        std::setlocale(LC_ALL, "C");
        cli::Console console{std::cout, std::cerr};
        return cli::RunRecordCommand(line, console);
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
