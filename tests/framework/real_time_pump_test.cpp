// The virtual clock driven in real time by a Qt event loop. These tests wait for real time, but
// only check what must hold however loaded the machine is: that what is due does run, and never
// before its time.
#include "framework/qt/real_time_pump.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <chrono>
#include <functional>
#include <vector>

#include "link/command_table.h"
#include "link/request_encoder.h"
#include "link/rtu_framing.h"
#include "link/shared_records.h"
#include "sim/virtual_line.h"
#include "sim/virtual_sensor.h"

namespace corvane::fw {
namespace {

using Steady = std::chrono::steady_clock;

std::chrono::microseconds Since(Steady::time_point start) {
    return std::chrono::duration_cast<std::chrono::microseconds>(Steady::now() - start);
}

// Runs the event loop until `done` holds or `seconds` have passed.
bool WaitFor(const std::function<bool()>& done, int seconds) {
    QEventLoop loop;
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (done()) loop.quit();
    });
    check.start(20);
    QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);
    if (!done()) loop.exec();
    return done();
}

// Runs `action` from a Qt event, outside any run of the clock, after `ms` of real time.
void FromQtAfter(int ms, std::function<void()> action) {
    QTimer::singleShot(ms, qApp, std::move(action));
}

TEST(RealTimePump, aPostFromAQtHandlerRunsWhileNothingElseIsDue) {
    VirtualClock clock;
    RealTimePump pump(clock);
    bool ran = false;
    FromQtAfter(50, [&] { clock.After(0, [&] { ran = true; }); });
    EXPECT_TRUE(WaitFor([&] { return ran; }, 5));
}

TEST(RealTimePump, eventsRunInOrderAndNotBeforeTheirRealTime) {
    VirtualClock clock;
    const auto start = Steady::now();  // taken first: the pump's time starts a little later
    RealTimePump pump(clock);
    std::vector<int> order;
    std::vector<std::chrono::microseconds> ranAfter;
    for (const int ms : {120, 40, 80}) {
        clock.At(ms * kMillisecond, [&, ms] {
            order.push_back(ms);
            ranAfter.push_back(Since(start));
        });
    }
    ASSERT_TRUE(WaitFor([&] { return order.size() == 3; }, 5));
    EXPECT_EQ(order, (std::vector<int>{40, 80, 120}));
    EXPECT_GE(ranAfter[0], std::chrono::milliseconds(40));
    EXPECT_GE(ranAfter[2], std::chrono::milliseconds(120));
}

TEST(RealTimePump, aDelayStartedFromAQtHandlerCountsFromTheRealPresent) {
    VirtualClock clock;
    RealTimePump pump(clock);
    Steady::time_point started;
    std::chrono::microseconds waited{-1};
    FromQtAfter(300, [&] {  // the clock has been idle for 300 ms
        started = Steady::now();
        clock.After(100 * kMillisecond, [&] { waited = Since(started); });
    });
    ASSERT_TRUE(WaitFor([&] { return waited.count() >= 0; }, 5));
    EXPECT_GE(waited, std::chrono::milliseconds(100));
}

// Records when each byte of the line arrives, in real time.
struct TimedReceiver : ByteReceiver {
    void OnSerialByte(std::uint8_t byte, int) override {
        bytes.push_back(byte);
        arrivals.push_back(Since(written));
    }
    Steady::time_point written;
    std::vector<std::uint8_t> bytes;
    std::vector<std::chrono::microseconds> arrivals;
};

TEST(RealTimePump, theVirtualLineDeliversTheReplyAtLineSpeed) {
    VirtualClock clock;
    RealTimePump pump(clock);
    sim::VirtualSensor sensor(0);
    sim::VirtualLine line(clock);
    line.Attach(sensor);
    TimedReceiver receiver;
    ASSERT_TRUE(line.Open(PortSettings{}, receiver));
    SharedRecords records;
    BeginRequest(records);
    BuildRequest(records, PollMeasurement, LocalDate{2026, 12, 7});
    FinishRequest(records);
    const std::vector<std::uint8_t> request(
        records.Link().TxFrame.begin(),
        records.Link().TxFrame.begin() + records.Link().RequestLength);
    FromQtAfter(200, [&] {  // written by a Qt timer after the line has been quiet for a while
        receiver.written = Steady::now();
        line.Write(request);
    });
    const auto replyLength = static_cast<std::size_t>(records.Link().ReplyLength);
    ASSERT_GT(replyLength, 0u);
    ASSERT_TRUE(WaitFor([&] { return receiver.bytes.size() == replyLength; }, 5));
    const std::chrono::microseconds character{line.CharacterTime()};
    for (std::size_t i = 0; i < replyLength; ++i) {
        // The request crosses the line, then the reply follows one character at a time (after
        // the sensor's processing time, which only makes it later).
        const auto characters = static_cast<std::chrono::microseconds::rep>(request.size() + i + 1);
        EXPECT_GE(receiver.arrivals[i], character * characters) << "byte " << i;
    }
}

}  // namespace
}  // namespace corvane::fw

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
