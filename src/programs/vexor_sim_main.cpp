// vexor-sim: virtual Vexor sensors on a pseudo-terminal (or a loopback TCP port).
//
//   vexor-sim [--addresses 0,3,7] [--baud 9600] [--parity N] [--data-bits 8] [--stop-bits 1]
//             [--link PATH] [--silent] [--exceptions] [--bad-crc] [--reject-blocks N]
//             [--delay MS] [--stray-bytes] [--drop P] [--corrupt P] [--drop-blocks P]
//             [--corrupt-blocks P] [--seed N] [--latency MS] [--tcp PORT]
//             [--cond-error PERCENT] [--control FILE]
//
// --tcp PORT serves the sensors on 127.0.0.1:PORT (0: a free port, printed) instead of a
// pseudo-terminal, as a serial device server serves its RS-485 line: the same RTU frames travel
// in the connection, one client at a time.
// --latency MS delivers the replies as a USB serial adapter does: the bytes leave the sensor at
// their character times but reach the terminal in packets, each written once its oldest byte has
// waited MS milliseconds (or earlier, when the adapter's buffer is full or no further byte would
// reach it in that time). Without it every byte reaches the terminal at its own character time.
// Prints the device path to give the Control Centre (--com1 PATH) and serves until interrupted.
// Each time a software download to a sensor finishes, prints what its flash then holds as one
// line, "flash: address A, N bytes, digest D": N bytes written, D their FNV-1a 64 digest over
// (address high, address low, byte) in address order, 16 hexadecimal digits (sim::FlashDigest).
//
// The bench: control lines (sim::ControlLine: "reference 92.5", "bath 25", "error -2", ...) read
// from standard input as they arrive, and from the --control file whenever its contents change,
// are applied to every sensor; a refused line is reported on standard error. Standard output
// carries only the lines above, which scripts parse.
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <sstream>
#include <string>
#include <thread>

#include "release.h"
#include "sim/pty_server.h"

namespace {

// Set by SIGINT and SIGTERM. The handler does nothing else: the main thread, woken from its
// wait by the same signal, stops the server and joins its thread.
volatile std::sig_atomic_t stopRequested = 0;

extern "C" void RequestStop(int) {
    stopRequested = 1;
}

// Blocks SIGINT and SIGTERM in this thread and in every thread started after it, and has them
// set the stop flag; `waitMask` is the mask under which the main thread waits for them.
void CatchStopSignals(sigset_t& waitMask) {
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, &waitMask);
    sigdelset(&waitMask, SIGINT);
    sigdelset(&waitMask, SIGTERM);
    struct sigaction action {};
    action.sa_handler = RequestStop;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

bool ParseInt(const char* text, long minimum, long maximum, long& value) {
    char* end = nullptr;
    value = std::strtol(text, &end, 10);
    return end != text && *end == '\0' && value >= minimum && value <= maximum;
}

bool ParseProbability(const char* text, double& value) {
    char* end = nullptr;
    value = std::strtod(text, &end);
    return end != text && *end == '\0' && value >= 0.0 && value <= 1.0;
}

bool ParseAddresses(const std::string& text, std::vector<int>& addresses) {
    addresses.clear();
    std::stringstream list(text);
    std::string item;
    while (std::getline(list, item, ',')) {
        long address = 0;
        if (!ParseInt(item.c_str(), 0, 247, address)) return false;
        addresses.push_back(static_cast<int>(address));
    }
    return !addresses.empty();
}

// Control lines for the server, from standard input and the --control file, read on a thread of
// their own until Stop.
class ControlReader {
  public:
    // A line longer than this is refused, and a control file larger than this is not read.
    static constexpr std::size_t kMostBytes = 1 << 20;
    static constexpr auto kPeriod = std::chrono::milliseconds(200);

    ControlReader(corvane::sim::PtyServer& server, std::string file)
        : server_(server), file_(std::move(file)) {}
    ~ControlReader() { Stop(); }

    void Start() {
        thread_ = std::thread([this] { Run(); });
    }
    void Stop() {
        stop_.store(true);
        if (thread_.joinable()) thread_.join();
    }

  private:
    static void Report(const std::string& message) {
        if (!message.empty()) std::fprintf(stderr, "vexor-sim: control: %s\n", message.c_str());
    }

    void Apply(std::string_view line, const std::string& where = {}) {
        const std::string message = server_.Control(line);
        Report(message.empty() || where.empty() ? message : where + ": " + message);
    }

    void Run() {
        using Clock = std::chrono::steady_clock;
        auto nextFileCheck = Clock::now();
        auto stdinPausedUntil = Clock::now();
        while (!stop_.load()) {
            const auto now = Clock::now();
            if (!file_.empty() && now >= nextFileCheck) {
                CheckFile();
                nextFileCheck = now + kPeriod;
            }
            pollfd in{STDIN_FILENO, POLLIN, 0};
            const bool watchStdin = stdinOpen_ && now >= stdinPausedUntil;
            const int waitMs = static_cast<int>(
                std::chrono::duration_cast<std::chrono::milliseconds>(kPeriod).count());
            if (poll(&in, watchStdin ? 1 : 0, waitMs) <= 0 || !watchStdin) continue;
            if ((in.revents & POLLNVAL) != 0) {
                stdinOpen_ = false;  // there is no standard input
            } else if (!ReadStdin()) {
                // A background job of a terminal may not read it (it is told EIO, as SIGTTIN is
                // ignored, instead of being stopped): try again later.
                stdinPausedUntil = Clock::now() + kPeriod;
            }
        }
    }

    // Reads what has arrived on standard input and applies its complete lines; false when
    // nothing could be read now.
    bool ReadStdin() {
        char buffer[4096];
        const ssize_t count = read(STDIN_FILENO, buffer, sizeof buffer);
        if (count < 0) {
            if (errno == EINTR || errno == EAGAIN) return true;
            if (errno == EIO) return false;
            stdinOpen_ = false;
            return true;
        }
        if (count == 0) {  // end of input: a last line without its newline still counts
            if (!partial_.empty()) Apply(partial_);
            partial_.clear();
            stdinOpen_ = false;
            return true;
        }
        partial_.append(buffer, static_cast<std::size_t>(count));
        std::size_t start = 0;
        for (std::size_t end = partial_.find('\n'); end != std::string::npos;
             end = partial_.find('\n', start)) {
            if (!discarding_) Apply(std::string_view(partial_).substr(start, end - start));
            discarding_ = false;
            start = end + 1;
        }
        partial_.erase(0, start);
        if (partial_.size() > kMostBytes) {
            if (!discarding_) Report("a line of more than 1 MiB is refused");
            discarding_ = true;  // the rest of it, up to its newline
            partial_.clear();
        }
        return true;
    }

    // Applies every line of the control file when what it holds differs from what it held when
    // last read; a missing file changes nothing.
    void CheckFile() {
        // Without blocking: a pipe or device named as the file must not hold the reader up.
        const int fd = open(file_.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) {
            if (errno != ENOENT) ReportFileProblem(std::strerror(errno));
            return;
        }
        struct stat status {};
        std::string contents;
        std::string problem;
        if (fstat(fd, &status) != 0) {
            problem = std::strerror(errno);
        } else if (!S_ISREG(status.st_mode)) {
            problem = "not a regular file";
        } else {
            char buffer[4096];
            ssize_t count = 0;
            while ((count = read(fd, buffer, sizeof buffer)) > 0 && contents.size() <= kMostBytes) {
                contents.append(buffer, static_cast<std::size_t>(count));
            }
            if (count < 0) problem = std::strerror(errno);
            if (contents.size() > kMostBytes) problem = "larger than 1 MiB";
        }
        close(fd);
        if (!problem.empty()) {
            ReportFileProblem(problem);
            return;
        }
        fileProblem_.clear();
        if (contents == fileContents_) return;
        fileContents_ = contents;
        std::istringstream lines(contents);
        std::string line;
        for (int number = 1; std::getline(lines, line); ++number) {
            Apply(line, file_ + " line " + std::to_string(number));
        }
    }

    // Once for each new problem, not every time the file is checked.
    void ReportFileProblem(const std::string& problem) {
        if (problem == fileProblem_) return;
        fileProblem_ = problem;
        Report("cannot read " + file_ + ": " + problem);
    }

    corvane::sim::PtyServer& server_;
    std::string file_;
    std::optional<std::string> fileContents_;
    std::string fileProblem_;
    bool stdinOpen_ = true;
    std::string partial_;
    bool discarding_ = false;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

constexpr const char* kUsage =
    "usage: vexor-sim [--addresses 0,3,7] [--baud N] [--parity E|O|N|M|S]\n"
    "                 [--data-bits 7|8] [--stop-bits 1|2] [--link PATH] [--silent]\n"
    "                 [--exceptions] [--bad-crc] [--reject-blocks N] [--delay MS]\n"
    "                 [--stray-bytes] [--drop P] [--corrupt P] [--drop-blocks P]\n"
    "                 [--corrupt-blocks P] [--seed N] [--latency MS] [--tcp PORT]\n"
    "                 [--cond-error PERCENT] [--control FILE]\n";

constexpr const char* kHelp =
    "\n"
    "Virtual Vexor sensors on a pseudo-terminal (or a loopback TCP port), for trying and\n"
    "testing corvane-control-centre and corvane without a sensor. Prints the device to give\n"
    "them and serves until interrupted.\n"
    "\n"
    "Options:\n"
    "  --addresses LIST    the sensors' addresses, 0 to 247, separated by commas (default 0)\n"
    "  --baud N            the line's baud rate, 300 to 921600 (default 9600)\n"
    "  --parity P          E, O, N, M or S (default N)\n"
    "  --data-bits N       7 or 8 (default 8)\n"
    "  --stop-bits N       1 or 2 (default 1)\n"
    "  --link PATH         also reachable as PATH, which survives a restart of the simulator\n"
    "  --tcp PORT          serve on 127.0.0.1:PORT (0: any free port) instead of a\n"
    "                      pseudo-terminal, as a serial device server does\n"
    "  --latency MS        replies reach the terminal in packets, as through a USB serial\n"
    "                      adapter whose latency timer is MS milliseconds (1 to 255)\n"
    "  --silent            the sensors never answer\n"
    "  --exceptions        every request is answered with an exception reply\n"
    "  --bad-crc           every reply carries a wrong CRC\n"
    "  --stray-bytes       two garbage bytes follow every reply, 60 ms after it\n"
    "  --delay MS          each reply starts MS milliseconds late (0 to 60000)\n"
    "  --drop P            loses that share (0 to 1) of the replies\n"
    "  --corrupt P         garbles that share (0 to 1) of the replies\n"
    "  --reject-blocks N   rejects the next N software download blocks\n"
    "  --drop-blocks P     loses that share of the replies to download blocks\n"
    "  --corrupt-blocks P  garbles that share of the replies to download blocks\n"
    "  --seed N            the seed of the random faults, for a repeatable run\n"
    "  --cond-error PERCENT  every sensor reads conductivity that many percent off the\n"
    "                      truth until calibrated (-2: 2 % low; default 0)\n"
    "  --control FILE      applies the control lines of FILE whenever its contents change\n"
    "                      (checked every 200 ms; a missing file is fine)\n"
    "  --help              this help\n"
    "  --version           the version\n"
    "\n"
    "After each finished software download it prints the sensor's flash as\n"
    "\"flash: address A, N bytes, digest D\" (D: FNV-1a 64 over address high,\n"
    "address low and data of each byte written, in address order).\n"
    "\n"
    "The bench: control lines on standard input (and in the --control file) act on every\n"
    "sensor as they arrive; a refused line is reported on standard error.\n"
    "  reference X    fits a reference loop resistor giving raw conductivity X mS/cm\n"
    "                 (0: the sensor in air; 9.25, 92.5, 925 or any value from 0)\n"
    "  reference none takes it off: the sensor is back in its liquid\n"
    "  bath X         holds the sensor's temperature at X degrees C\n"
    "  bath none      takes it out of the bath\n"
    "  error X        the sensor reads conductivity X percent off until calibrated\n"
    "  # ...          a comment; blank lines are ignored too\n"
    "Readings settle after each change as a first-order lag (conductivity 3 s,\n"
    "temperature 8 s). A conductivity calibration at 9.25, 92.5 or 925 mS/cm sets the\n"
    "gain, at 0 the zero, so that the present reading becomes that value, whatever is\n"
    "fitted; resetting the calibration brings the error back.\n";

int Usage(const char* problem) {
    std::fprintf(stderr, "vexor-sim: %s\n%sTry 'vexor-sim --help' for the options.\n", problem,
                 kUsage);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    corvane::sim::PtyServer::Options options;
    double conductivityError = 0.0;
    std::string controlFile;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        long number = 0;
        auto& faults = options.faults;
        if (arg == "--help" || arg == "-h") {
            std::printf("%s%s", kUsage, kHelp);
            return 0;
        } else if (arg == "--version") {
            std::printf("vexor-sim %s (%s)\n", CORVANE_RELEASE_VERSION, CORVANE_RELEASE_DATE);
            return 0;
        } else if (arg == "--silent") {
            faults.silent = true;
        } else if (arg == "--exceptions") {
            faults.exceptionReplies = true;
        } else if (arg == "--bad-crc") {
            faults.badCrc = true;
        } else if (arg == "--stray-bytes") {
            faults.strayBytes = true;
        } else if (value == nullptr) {
            return Usage(("unknown option or missing value: " + arg).c_str());
        } else if (arg == "--addresses") {
            if (!ParseAddresses(value, options.addresses))
                return Usage("addresses are 0 to 247, separated by commas");
            ++i;
        } else if (arg == "--baud") {
            if (!ParseInt(value, 300, 921600, number))
                return Usage("the baud rate is 300 to 921600");
            options.line.BaudRate = static_cast<int>(number);
            ++i;
        } else if (arg == "--parity") {
            if (std::strlen(value) != 1 || std::strchr("EONMS", value[0]) == nullptr)
                return Usage("parity is E, O, N, M or S");
            options.line.Parity = value[0];
            ++i;
        } else if (arg == "--data-bits") {
            if (!ParseInt(value, 7, 8, number)) return Usage("data bits are 7 or 8");
            options.line.DataBits = static_cast<int>(number);
            ++i;
        } else if (arg == "--stop-bits") {
            if (!ParseInt(value, 1, 2, number)) return Usage("stop bits are 1 or 2");
            options.line.StopBits = static_cast<int>(number);
            ++i;
        } else if (arg == "--link") {
            options.linkPath = value;
            ++i;
        } else if (arg == "--reject-blocks") {
            if (!ParseInt(value, 0, 1000000, number)) return Usage("--reject-blocks takes a count");
            faults.rejectBlocks = static_cast<int>(number);
            ++i;
        } else if (arg == "--delay") {
            if (!ParseInt(value, 0, 60000, number))
                return Usage("--delay takes milliseconds, 0 to 60000");
            faults.replyDelayUs = number * 1000;
            ++i;
        } else if (arg == "--tcp") {
            if (!ParseInt(value, 0, 65535, number))
                return Usage("--tcp takes a port number, 0 to 65535 (0: any free port)");
            options.tcpPort = static_cast<int>(number);
            ++i;
        } else if (arg == "--latency") {
            if (!ParseInt(value, 1, 255, number))
                return Usage("--latency takes milliseconds, 1 to 255");
            options.adapterLatencyUs = number * 1000;
            ++i;
        } else if (arg == "--drop") {
            if (!ParseProbability(value, faults.dropProbability))
                return Usage("--drop takes a probability from 0 to 1");
            ++i;
        } else if (arg == "--corrupt") {
            if (!ParseProbability(value, faults.corruptProbability))
                return Usage("--corrupt takes a probability from 0 to 1");
            ++i;
        } else if (arg == "--drop-blocks") {
            if (!ParseProbability(value, faults.blockDropProbability))
                return Usage("--drop-blocks takes a probability from 0 to 1");
            ++i;
        } else if (arg == "--corrupt-blocks") {
            if (!ParseProbability(value, faults.blockCorruptProbability))
                return Usage("--corrupt-blocks takes a probability from 0 to 1");
            ++i;
        } else if (arg == "--cond-error") {
            std::string problem;
            const auto line =
                corvane::sim::ParseControlLine(std::string("error ") + value, problem);
            if (!line || !line->value)
                return Usage("--cond-error takes a percentage above -100 and at most 1000");
            conductivityError = *line->value;
            ++i;
        } else if (arg == "--control") {
            if (*value == '\0') return Usage("--control takes a file name");
            controlFile = value;
            ++i;
        } else if (arg == "--seed") {
            if (!ParseInt(value, 0, 4294967295L, number))
                return Usage("--seed takes a whole number");
            faults.seed = static_cast<std::uint32_t>(number);
            ++i;
        } else {
            return Usage(("unknown option: " + arg).c_str());
        }
    }

    // Before anything is served: a stop signal from now on is held until the wait below.
    sigset_t waitMask;
    CatchStopSignals(waitMask);

    corvane::sim::PtyServer server(options);
    for (std::size_t i = 0; i < options.addresses.size(); ++i) {
        server.Sensor(i).SetConductivityError(conductivityError);
        // Called on the server thread, the only one printing once serving has begun.
        server.Sensor(i).SetDownloadObserver([](const corvane::sim::VirtualSensor& sensor) {
            const std::string line = FlashDigestLine(sensor.Address(), sensor.Digest());
            std::printf("%s\n", line.c_str());
            std::fflush(stdout);
        });
    }
    std::string error;
    if (!server.Start(error)) {
        std::fprintf(stderr, "vexor-sim: %s\n", error.c_str());
        return 1;
    }
    std::string addresses;
    for (const int a : options.addresses)
        addresses += (addresses.empty() ? "" : ",") + std::to_string(a);
    std::printf("Vexor sensor simulator: address %s, %d baud %d%c%d, on %s\n", addresses.c_str(),
                options.line.BaudRate, options.line.DataBits, options.line.Parity,
                options.line.StopBits, server.DevicePath().c_str());
    std::printf("Connect with: corvane-control-centre --com1 %s\n", server.DevicePath().c_str());
    if (std::find(options.addresses.begin(), options.addresses.end(), 0) ==
        options.addresses.end()) {
        // The desktop tool starts at address 0, where no sensor of this line answers.
        std::printf(
            "No sensor answers at address 0, where the desktop tool starts: on its\n"
            "Communications page choose the address and \"Monitor User Address\" (or \"Search\n"
            "Up\"); corvane takes --address %d.\n",
            options.addresses.front());
    }
    std::fflush(stdout);

    // The server thread starts with the stop signals blocked, so they reach this thread only,
    // and only inside sigsuspend: a signal arriving before the wait is held until it begins.
    server.RunInThread();
    // A background job of a terminal that reads it is told EIO instead of being stopped.
    std::signal(SIGTTIN, SIG_IGN);
    ControlReader controls(server, controlFile);
    controls.Start();
    while (stopRequested == 0) sigsuspend(&waitMask);
    controls.Stop();
    server.Stop();
    return 0;
}
