// Runs the sensor link against the virtual sensor in real time and prints what a technician
// would see: the System Messages lines as they change, the live readings once a second, and
// the sensor's identity after the setup has been read.
//
//   corvane-link-demo [--seconds N] [--fast] [--drop P] [--silent-after S]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "link/command_table.h"
#include "release.h"
#include "sim/simulated_link.h"

namespace {

using corvane::fw::kSecond;

struct Options {
    double seconds = 0;  // 0 = until interrupted
    bool fast = false;
    double drop = 0.0;
    double silentAfter = 0;
    bool help = false;
    bool version = false;
};

bool ParseNumber(const char* text, double& value) {
    char* end = nullptr;
    value = std::strtod(text, &end);
    return end != text && *end == '\0' && value >= 0;
}

constexpr const char* kUsage =
    "usage: corvane-link-demo [--seconds N] [--fast] [--drop P] [--silent-after S]\n";

constexpr const char* kHelp =
    "\n"
    "Runs the sensor link alone against one in-process virtual sensor (address 0, 9600 baud\n"
    "8N1) and prints what a technician would see: the System Messages as they change, the\n"
    "live readings once a second and the sensor's identity once its setup is read.\n"
    "\n"
    "Options:\n"
    "  --seconds N        stop after N seconds (default: run until interrupted)\n"
    "  --fast             run on the virtual clock as fast as possible, not in real time\n"
    "  --drop P           the sensor loses that share (0 to 1) of its replies\n"
    "  --silent-after S   the sensor stops answering after S seconds\n"
    "  --help             this help\n"
    "  --version          the version\n";

bool ParseOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const bool hasValue = i + 1 < argc;
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            options.help = true;
            return true;
        } else if (std::strcmp(argv[i], "--version") == 0) {
            options.version = true;
            return true;
        } else if (std::strcmp(argv[i], "--fast") == 0) {
            options.fast = true;
        } else if (std::strcmp(argv[i], "--seconds") == 0 && hasValue) {
            if (!ParseNumber(argv[++i], options.seconds)) return false;
        } else if (std::strcmp(argv[i], "--drop") == 0 && hasValue) {
            if (!ParseNumber(argv[++i], options.drop) || options.drop > 1.0) return false;
        } else if (std::strcmp(argv[i], "--silent-after") == 0 && hasValue) {
            if (!ParseNumber(argv[++i], options.silentAfter)) return false;
        } else {
            return false;
        }
    }
    return true;
}

class Display {
  public:
    explicit Display(corvane::sim::SimulatedLink& link) : link_(link) {}

    void Update() {
        const auto& r = link_.Records();
        const double now = static_cast<double>(link_.Clock().Now()) / kSecond;
        if (r.Lines != shownLines_) {
            shownLines_ = r.Lines;
            std::printf("%7.1f s  System Messages:", now);
            bool any = false;
            for (const auto& line : r.Lines) {
                if (line.empty()) continue;
                std::printf("%s %s", any ? " |" : "", line.c_str());
                any = true;
            }
            std::printf("%s\n", any ? "" : " (none)");
        }
        if (link_.Clock().Now() >= nextReadings_) {
            nextReadings_ += kSecond;
            const auto& s = r.Sensor;
            std::printf(
                "%7.1f s  Cond %.1f mS/cm  with T.C. %.1f mS/cm  Temp %.2f %s  "
                "Out1 %.3f mA  Out2 %.3f mA\n",
                now, s.CondRaw, s.CondComp, s.Temperature, s.TempUnit.c_str(), s.Out1Current,
                s.Out2Current);
        }
        if (r.UploadBlock() == 100 && !identityShown_) {
            identityShown_ = true;
            const auto& s = r.Sensor;
            std::printf(
                "%7.1f s  Setup read: serial %s, plant %s, software %s installed %s by %s\n", now,
                s.SerialNumber.c_str(), s.PlantNumber.c_str(), s.UpgradeIssue.c_str(),
                s.InstallDate.c_str(), s.InstallName.c_str());
        }
        std::fflush(stdout);
    }

  private:
    corvane::sim::SimulatedLink& link_;
    corvane::MessageLines shownLines_{};
    corvane::fw::VirtualClock::Micros nextReadings_ = kSecond;
    bool identityShown_ = false;
};

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        std::fprintf(stderr, "%sTry 'corvane-link-demo --help' for the options.\n", kUsage);
        return 2;
    }
    if (options.help) {
        std::printf("%s%s", kUsage, kHelp);
        return 0;
    }
    if (options.version) {
        std::printf("corvane-link-demo %s (%s)\n", CORVANE_RELEASE_VERSION, CORVANE_RELEASE_DATE);
        return 0;
    }
    corvane::sim::SimulatedLink link;
    link.Sensor().Faults().dropProbability = options.drop;
    Display display(link);
    std::printf(
        "Corvane Control Centre link demo: one virtual Vexor sensor at address 0, "
        "9600 baud 8N1.\n");
    link.Start();

    auto& clock = link.Clock();
    const auto wallStart = std::chrono::steady_clock::now();
    const auto end = options.seconds > 0
                         ? static_cast<corvane::fw::VirtualClock::Micros>(options.seconds * kSecond)
                         : INT64_MAX;
    bool uploadStarted = false;
    bool silenced = false;
    while (clock.NextEventTime() <= end && clock.RunNext()) {
        if (!options.fast) {
            std::this_thread::sleep_until(wallStart + std::chrono::microseconds(clock.Now()));
        }
        if (!uploadStarted && clock.Now() >= 2 * kSecond) {
            uploadStarted = true;
            link.Link().ReadSetup();
        }
        if (options.silentAfter > 0 && !silenced &&
            clock.Now() >=
                static_cast<corvane::fw::VirtualClock::Micros>(options.silentAfter * kSecond)) {
            silenced = true;
            link.Sensor().Faults().silent = true;
            std::printf("%7.1f s  (the virtual sensor stops answering)\n",
                        static_cast<double>(clock.Now()) / kSecond);
        }
        display.Update();
    }
    return 0;
}
