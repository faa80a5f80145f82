// trend_bench: the cost of the trend window in the windowed program.
//
//   trend_bench --com1 DEVICE [--seconds N] [--span 1|10|60] [--no-trend] [--fill MINUTES]
//
// Runs the desktop program's main window (Qt host, real serial port code) on the sensor at
// DEVICE (vexor-sim), puts MINUTES (default 60) of readings at five a second into its readings
// history, logs in, opens the Monitor page's trend window over the chosen span (unless
// --no-trend) and, after three settling seconds, measures for N seconds (default 30):
//   - the share of one core the process uses (user + system time over wall time),
//   - the polls written per second and the longest gap between two polls,
//   - the intervals of the link timer (the engine's rhythm), of the Monitor page's 200 ms
//     refresh and of the trend window's refresh: mean and longest,
//   - the resident memory now and at its peak.
// It prints one line of figures and ends. bench/trend_window.sh builds it, serves the sensor and
// runs it with and without the window.
#include <sys/resource.h>

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QMessageBox>
#include <QTimer>
#include <algorithm>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/control_centre_app.h"
#include "app/monitor_page.h"
#include "framework/qt/box_answerer.h"
#include "framework/qt/qt_host.h"
#include "link/command_table.h"
#include "link/line_port.h"
#include "resources/main_window.h"
#include "resources/monitor_page.h"
#include "resources/trend_window.h"

namespace {

using namespace corvane;

struct Options {
    std::string device;
    int seconds = 30;
    int spanMinutes = 60;
    bool trend = true;
    int fillMinutes = 60;
};

// Every tick of every timer the program makes, by what it was made for.
class MeasuringHost : public fw::QtHost {
  public:
    using QtHost::QtHost;

    struct Ticks {
        std::string label;
        std::vector<qint64> atNs;
    };

    std::unique_ptr<fw::Timer> CreateTimer(std::function<void()> onTick) override {
        auto ticks = std::make_shared<Ticks>();
        ticks->label = label;
        timers.push_back(ticks);
        return QtHost::CreateTimer([this, ticks, onTick = std::move(onTick)] {
            ticks->atNs.push_back(clock.nsecsElapsed());
            onTick();
        });
    }

    std::string label = "other";
    std::vector<std::shared_ptr<Ticks>> timers;
    QElapsedTimer clock;
};

struct Intervals {
    double meanMs = 0;
    double longestMs = 0;
    std::size_t count = 0;
};

Intervals IntervalsOf(const std::vector<qint64>& atNs, qint64 fromNs, qint64 toNs) {
    Intervals result;
    qint64 previous = -1;
    double sum = 0;
    for (const qint64 at : atNs) {
        if (at < fromNs || at > toNs) continue;
        if (previous >= 0) {
            const double ms = static_cast<double>(at - previous) / 1e6;
            sum += ms;
            result.longestMs = std::max(result.longestMs, ms);
            ++result.count;
        }
        previous = at;
    }
    if (result.count > 0) result.meanMs = sum / static_cast<double>(result.count);
    return result;
}

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// VmRSS or VmHWM from /proc/self/status, in MiB.
double MemoryMiB(const char* field) {
    QFile status("/proc/self/status");
    if (!status.open(QIODevice::ReadOnly)) return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(field)) {
            return line.mid(static_cast<qsizetype>(std::strlen(field)))
                       .trimmed()
                       .split(' ')
                       .front()
                       .toDouble() /
                   1024.0;
        }
    }
    return 0;
}

// `minutes` of plausible readings at five a second, ending a moment ago, and a status line
// marked now and then.
void FillHistory(ReadingsHistory& history, int minutes, std::int64_t nowMs) {
    const std::int64_t count = static_cast<std::int64_t>(minutes) * 60 * 5;
    std::uint32_t noise = 12345;
    const auto next = [&noise] {
        noise = noise * 1664525u + 1013904223u;
        return static_cast<double>(noise >> 8) / static_cast<double>(1u << 24) - 0.5;
    };
    for (std::int64_t i = 0; i < count; ++i) {
        const std::int64_t at = nowMs - 1 - (count - i) * 200;
        const double t = static_cast<double>(i) / 300.0;  // minutes
        TrendSample s;
        s.timeMs = at;
        const double cond = 48 + 3 * std::sin(t / 9) + 0.2 * next();
        s.values = {std::round(cond * 0.96 * 10) / 10,
                    std::round(cond * 10) / 10,
                    std::round((22 + std::sin(t / 14) + 0.02 * next()) * 100) / 100,
                    0.0,
                    std::round((4 + cond / 1000 * 16) * 1000) / 1000,
                    std::round((4 + (22 + std::sin(t / 14)) / 100 * 16) * 1000) / 1000};
        history.Add(s);
        if (i % 2'000 == 1'000) {
            history.AddMark({at, 2, "Msg 02..Data Reply Timed Out", TrendMark::Kind::LinkFault});
        }
    }
}

bool ParseOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--com1" && hasValue) {
            options.device = argv[++i];
        } else if (arg == "--seconds" && hasValue) {
            options.seconds = std::atoi(argv[++i]);
        } else if (arg == "--span" && hasValue) {
            options.spanMinutes = std::atoi(argv[++i]);
        } else if (arg == "--fill" && hasValue) {
            options.fillMinutes = std::atoi(argv[++i]);
        } else if (arg == "--no-trend") {
            options.trend = false;
        } else {
            return false;
        }
    }
    return !options.device.empty() && options.seconds > 0 &&
           (options.spanMinutes == 1 || options.spanMinutes == 10 || options.spanMinutes == 60);
}

// Runs the event loop for `ms` milliseconds, sleeping while there is nothing to do.
void RunFor(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        std::fprintf(stderr,
                     "usage: trend_bench --com1 DEVICE [--seconds N] [--span 1|10|60] "
                     "[--no-trend] [--fill MINUTES]\n");
        return 2;
    }
    QApplication application(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    fw::AnswerBoxesAutomatically();
    MeasuringHost host("help.html");
    host.clock.start();
    PortMap ports;
    ports.Set(1, options.device);

    host.label = "link";
    CControlCentreApp app(
        host, [&] { return std::make_unique<CLinePort>(host, ports); }, nullptr, &ports);
    if (!app.InitInstance([] {})) {
        std::fprintf(stderr, "trend_bench: another copy of the program runs on this desktop\n");
        return 1;
    }
    CControlCentreDlg& window = *app.MainWindow();
    FillHistory(window.History(), options.fillMinutes, MillisecondsOf(host.PreciseNow()));

    // Polls written, by when.
    std::vector<qint64> polls;
    window.Engine().SetTrace(
        [&](std::span<const std::uint8_t> frame) {
            if (frame.size() > 1 && frame[1] == fn::kPoll)
                polls.push_back(host.clock.nsecsElapsed());
        },
        {});

    RunFor(2000);  // the link is up
    host.label = "page";
    window.Controls().UserType(ids::kOperatorName, "Bench");
    window.Controls().UserType(ids::kPassword, "K425TRM");
    window.Controls().UserClick(ids::kOk);
    RunFor(1000);
    auto* sheet = window.Sheet();
    auto* monitor = static_cast<CMonitorPage*>(window.Page(PageKind::Monitor));
    if (sheet == nullptr || !sheet->IsOpen() || monitor == nullptr || !monitor->IsOpen()) {
        std::fprintf(stderr, "trend_bench: the Monitor page did not open\n");
        return 1;
    }
    if (options.trend) {
        host.label = "trend";
        monitor->Controls().UserClick(ids::kMonTrend);
        RunFor(300);
        CTrendDlg* trend = monitor->Trend();
        if (trend == nullptr || !trend->IsOpen()) {
            std::fprintf(stderr, "trend_bench: the trend window did not open\n");
            return 1;
        }
        const int span = options.spanMinutes == 1    ? ids::kTrendSpan1
                         : options.spanMinutes == 10 ? ids::kTrendSpan10
                                                     : ids::kTrendSpan60;
        trend->Controls().UserClick(span);
    }
    host.label = "other";
    RunFor(3000);

    const std::uint64_t answered0 = window.History().AnsweredPolls();
    const double cpu0 = CpuSeconds();
    const qint64 from = host.clock.nsecsElapsed();
    RunFor(options.seconds * 1000);
    const qint64 to = host.clock.nsecsElapsed();
    const double cpu1 = CpuSeconds();
    const std::uint64_t answered1 = window.History().AnsweredPolls();
    const double wall = static_cast<double>(to - from) / 1e9;

    std::map<std::string, Intervals> byLabel;
    for (const auto& timer : host.timers) {
        const Intervals i = IntervalsOf(timer->atNs, from, to);
        if (i.count > byLabel[timer->label].count) byLabel[timer->label] = i;
    }
    const Intervals pollGaps = IntervalsOf(polls, from, to);
    const auto shown = [&](const char* label) {
        const auto found = byLabel.find(label);
        char text[48];
        if (found == byLabel.end() || found->second.count == 0) return std::string("        -");
        std::snprintf(text, sizeof text, "%5.1f/%5.1f", found->second.meanMs,
                      found->second.longestMs);
        return std::string(text);
    };
    std::size_t pollsMeasured = 0;
    for (const qint64 at : polls) pollsMeasured += at >= from && at <= to ? 1 : 0;
    const std::string what = options.trend ? std::to_string(options.spanMinutes) + " min" : "none";
    std::printf("%-8s %7.2f %% %7.2f %7.2f %6.0f ms %s %s %s %8.1f %8.1f\n", what.c_str(),
                100 * (cpu1 - cpu0) / wall, static_cast<double>(pollsMeasured) / wall,
                static_cast<double>(answered1 - answered0) / wall, pollGaps.longestMs,
                shown("link").c_str(), shown("page").c_str(), shown("trend").c_str(),
                MemoryMiB("VmRSS:"), MemoryMiB("VmHWM:"));
    std::fflush(stdout);
    return 0;
}
