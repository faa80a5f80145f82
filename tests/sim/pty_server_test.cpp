#include "sim/pty_server.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "link/command_table.h"
#include "link/request_encoder.h"
#include "link/rtu_framing.h"
#include "link/shared_records.h"

extern char** environ;

namespace corvane::sim {
namespace {

using Clock = std::chrono::steady_clock;

bool PseudoTerminalsAvailable() {
    const int fd = posix_openpt(O_RDWR | O_NOCTTY);
    if (fd < 0) return false;
    close(fd);
    return true;
}

// The poll request the program sends, built by the real encoder; `replyLength` is the length of
// the reply the program then waits for.
std::vector<std::uint8_t> PollRequest(int& replyLength) {
    SharedRecords r;
    BeginRequest(r);
    BuildRequest(r, PollMeasurement, LocalDate{2026, 12, 7});
    FinishRequest(r);
    replyLength = r.Link().ReplyLength;
    return {r.Link().TxFrame.begin(), r.Link().TxFrame.begin() + r.Link().RequestLength};
}

// One exchange as the program's side of the terminal sees it: every read, with the time from
// the end of writing the request to that read.
struct Exchange {
    std::vector<std::uint8_t> reply;
    std::vector<std::size_t> readSizes;
    Clock::duration untilComplete{};
};

Exchange Ask(int fd, const std::vector<std::uint8_t>& request, std::size_t replyLength) {
    Exchange exchange;
    EXPECT_EQ(write(fd, request.data(), request.size()), static_cast<ssize_t>(request.size()));
    const auto sent = Clock::now();
    while (exchange.reply.size() < replyLength && Clock::now() - sent < std::chrono::seconds(5)) {
        pollfd ready{fd, POLLIN, 0};
        if (poll(&ready, 1, 100) <= 0) continue;
        std::uint8_t buffer[256];
        const ssize_t count = read(fd, buffer, sizeof buffer);
        if (count <= 0) continue;
        exchange.readSizes.push_back(static_cast<std::size_t>(count));
        exchange.reply.insert(exchange.reply.end(), buffer, buffer + count);
        exchange.untilComplete = Clock::now() - sent;
    }
    return exchange;
}

// The program's side of the terminal at `path`, in raw mode and without blocking.
int OpenTerminal(const std::string& path) {
    const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd >= 0) tcflush(fd, TCIOFLUSH);
    return fd;
}

// 10 bits a character at 9600 baud.
constexpr auto kCharacterTime = std::chrono::microseconds(1042);

class PtyServerDelivery : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!PseudoTerminalsAvailable()) GTEST_SKIP() << "this system gives no pseudo-terminals";
    }

    void Serve(std::int64_t adapterLatencyUs) {
        PtyServer::Options options;
        options.adapterLatencyUs = adapterLatencyUs;
        server_ = std::make_unique<PtyServer>(options);
        std::string error;
        ASSERT_TRUE(server_->Start(error)) << error;
        server_->RunInThread();
        fd_ = OpenTerminal(server_->TerminalPath());
        ASSERT_GE(fd_, 0);
    }

    void TearDown() override {
        if (fd_ >= 0) close(fd_);
        server_.reset();
    }

    std::unique_ptr<PtyServer> server_;
    int fd_ = -1;
};

TEST_F(PtyServerDelivery, adapterLatency_pollReplyArrivesInAtMostTwoReadsCompleteAndInOrder) {
    Serve(16'000);
    int replyLength = 0;
    const auto request = PollRequest(replyLength);
    ASSERT_GT(replyLength, 16) << "a reply longer than one latency time of characters";
    for (int poll = 0; poll < 5; ++poll) {
        const Exchange exchange = Ask(fd_, request, static_cast<std::size_t>(replyLength));
        ASSERT_EQ(exchange.reply.size(), static_cast<std::size_t>(replyLength)) << "poll " << poll;
        EXPECT_LE(exchange.readSizes.size(), 2u) << "poll " << poll;
        EXPECT_TRUE(FrameCheckPasses(exchange.reply.data(), replyLength)) << "poll " << poll;
        EXPECT_EQ(exchange.reply[0], request[0]);
        EXPECT_EQ(exchange.reply[1], request[1]);
    }
}

TEST_F(PtyServerDelivery, adapterLatency_replyNeverArrivesBeforeItsLastCharacterTime) {
    Serve(16'000);
    int replyLength = 0;
    const auto request = PollRequest(replyLength);
    for (int poll = 0; poll < 5; ++poll) {
        const Exchange exchange = Ask(fd_, request, static_cast<std::size_t>(replyLength));
        ASSERT_EQ(exchange.reply.size(), static_cast<std::size_t>(replyLength));
        EXPECT_GE(exchange.untilComplete, replyLength * kCharacterTime) << "poll " << poll;
    }
}

TEST_F(PtyServerDelivery, byteByByte_replyNeverArrivesBeforeItsLastCharacterTime) {
    Serve(0);
    int replyLength = 0;
    const auto request = PollRequest(replyLength);
    for (int poll = 0; poll < 3; ++poll) {
        const Exchange exchange = Ask(fd_, request, static_cast<std::size_t>(replyLength));
        ASSERT_EQ(exchange.reply.size(), static_cast<std::size_t>(replyLength));
        EXPECT_TRUE(FrameCheckPasses(exchange.reply.data(), replyLength));
        EXPECT_GE(exchange.untilComplete, replyLength * kCharacterTime) << "poll " << poll;
    }
}

// The option of the vexor-sim program.
class VexorSimLatencyOption : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!PseudoTerminalsAvailable()) GTEST_SKIP() << "this system gives no pseudo-terminals";
        link_ = std::filesystem::temp_directory_path() /
                ("vexor-sim-latency-" + std::to_string(::getpid()));
    }

    void TearDown() override {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
    }

    // Starts the program with `arguments`; returns its exit status when it ends within
    // `seconds`, or -1 while it is still serving.
    int Start(std::vector<std::string> arguments, int seconds) {
        arguments.insert(arguments.begin(), VEXOR_SIM_PROGRAM);
        std::vector<char*> argv;
        for (auto& argument : arguments) argv.push_back(argument.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        const int spawned =
            posix_spawn(&pid_, VEXOR_SIM_PROGRAM, &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        EXPECT_EQ(spawned, 0);
        const auto until = Clock::now() + std::chrono::seconds(seconds);
        while (Clock::now() < until) {
            int status = 0;
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = -1;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
            }
            if (std::filesystem::exists(link_)) return -1;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return -1;
    }

    std::filesystem::path link_;
    pid_t pid_ = -1;
};

TEST_F(VexorSimLatencyOption, latencyDeliversThePollReplyInPackets) {
    ASSERT_EQ(Start({"--link", link_.string(), "--latency", "16"}, 10), -1);
    const int fd = OpenTerminal(link_.string());
    ASSERT_GE(fd, 0);
    int replyLength = 0;
    const auto request = PollRequest(replyLength);
    for (int poll = 0; poll < 3; ++poll) {
        const Exchange exchange = Ask(fd, request, static_cast<std::size_t>(replyLength));
        ASSERT_EQ(exchange.reply.size(), static_cast<std::size_t>(replyLength));
        EXPECT_LE(exchange.readSizes.size(), 2u);
        EXPECT_TRUE(FrameCheckPasses(exchange.reply.data(), replyLength));
        EXPECT_GE(exchange.untilComplete, replyLength * kCharacterTime);
    }
    close(fd);
}

TEST_F(VexorSimLatencyOption, latencyOutsideOneTo255MillisecondsIsRefused) {
    EXPECT_EQ(Start({"--link", link_.string(), "--latency", "0"}, 10), 2);
    EXPECT_EQ(Start({"--link", link_.string(), "--latency", "256"}, 10), 2);
    EXPECT_EQ(Start({"--link", link_.string(), "--latency"}, 10), 2);
}

// The bench of the vexor-sim program: control lines on its standard input and in a file, as a
// guided calibration's test drives it.
class VexorSimBench : public ::testing::Test {
  protected:
    struct Reading {
        double raw = 0.0;
        double comp = 0.0;
        double celsius = 0.0;
    };

    void SetUp() override {
        if (!PseudoTerminalsAvailable()) GTEST_SKIP() << "this system gives no pseudo-terminals";
        const auto base = std::filesystem::temp_directory_path() /
                          ("vexor-sim-bench-" + std::to_string(::getpid()));
        link_ = base.string();
        out_ = base.string() + ".out";
        err_ = base.string() + ".err";
        control_ = base.string() + ".ctl";
        std::filesystem::remove(control_);
    }

    void TearDown() override {
        if (fd_ >= 0) close(fd_);
        if (input_ >= 0) close(input_);
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
        for (const auto& path : {out_, err_, control_, control_ + ".new"}) {
            std::filesystem::remove(path);
        }
    }

    // Starts the program with `arguments` after --link, its standard input a pipe written by
    // Say, its output in files; opens its terminal.
    void Start(std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), {VEXOR_SIM_PROGRAM, "--link", link_});
        std::vector<char*> argv;
        for (auto& argument : arguments) argv.push_back(argument.data());
        argv.push_back(nullptr);
        int pipeFds[2];
        ASSERT_EQ(pipe2(pipeFds, O_CLOEXEC), 0);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, pipeFds[0], 0);
        posix_spawn_file_actions_addopen(&actions, 1, out_.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0600);
        posix_spawn_file_actions_addopen(&actions, 2, err_.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0600);
        const int spawned =
            posix_spawn(&pid_, VEXOR_SIM_PROGRAM, &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        close(pipeFds[0]);
        input_ = pipeFds[1];
        ASSERT_EQ(spawned, 0);
        const auto until = Clock::now() + std::chrono::seconds(10);
        while (!std::filesystem::exists(link_) && Clock::now() < until) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        fd_ = OpenTerminal(link_);
        ASSERT_GE(fd_, 0) << "vexor-sim did not serve: " << Contents(err_);
    }

    void Say(const std::string& text) {
        ASSERT_EQ(write(input_, text.data(), text.size()), static_cast<ssize_t>(text.size()));
    }

    // Replaces the control file whole, as the manual page advises.
    void WriteControlFile(const std::string& text) {
        std::ofstream(control_ + ".new") << text;
        std::filesystem::rename(control_ + ".new", control_);
    }

    std::optional<Reading> Poll() {
        int replyLength = 0;
        const auto request = PollRequest(replyLength);
        const Exchange exchange = Ask(fd_, request, static_cast<std::size_t>(replyLength));
        if (exchange.reply.size() != static_cast<std::size_t>(replyLength)) return std::nullopt;
        const auto word = [&](std::size_t at) {
            return static_cast<std::int16_t>(exchange.reply[at] << 8 | exchange.reply[at + 1]);
        };
        return Reading{word(2) / 10.0, word(4) / 10.0, word(6) / 100.0};
    }

    // Polls every 100 ms until a reading satisfies `holds`, for at most `seconds`.
    std::optional<Reading> PollUntil(const std::function<bool(const Reading&)>& holds,
                                     int seconds) {
        std::optional<Reading> last;
        const auto until = Clock::now() + std::chrono::seconds(seconds);
        while (Clock::now() < until) {
            last = Poll();
            if (last && holds(*last)) return last;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        ADD_FAILURE() << "last reading: "
                      << (last ? std::to_string(last->raw) + " mS/cm raw, " +
                                     std::to_string(last->comp) + " mS/cm, " +
                                     std::to_string(last->celsius) + " °C"
                               : std::string("none"));
        return std::nullopt;
    }

    static std::string Contents(const std::string& path) {
        std::ostringstream text;
        text << std::ifstream(path).rdbuf();
        return text.str();
    }

    static int Count(const std::string& text, const std::string& part) {
        int count = 0;
        for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
            ++count;
        }
        return count;
    }

    bool Running() { return waitpid(pid_, nullptr, WNOHANG) == 0; }

    // Standard output holds the two lines it always held, nothing about the control lines.
    void ExpectOnlyTheServingLines() {
        const std::string out = Contents(out_);
        EXPECT_EQ(out.rfind("Vexor sensor simulator: address 0, 9600 baud 8N1, on ", 0), 0u) << out;
        EXPECT_EQ(Count(out, "\n"), 2) << out;
        EXPECT_EQ(Count(out, "Connect with: "), 1) << out;
    }

    std::string link_, out_, err_, control_;
    pid_t pid_ = -1;
    int input_ = -1;
    int fd_ = -1;
};

TEST_F(VexorSimBench, standardInputLinesReachTheSensorAndItServesOnAfterTheInputEnds) {
    Start({});
    const auto liquid = Poll();
    ASSERT_TRUE(liquid);
    EXPECT_LT(liquid->raw, 100.0);

    Say("# the 925 loop\n\nreference 925\n");
    EXPECT_TRUE(PollUntil([](const Reading& m) { return m.raw > 500.0; }, 6));
    Say("reference abc\nbath 30\n");
    EXPECT_TRUE(PollUntil([](const Reading& m) { return m.celsius > 25.0; }, 8));

    close(input_);
    input_ = -1;
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    ASSERT_TRUE(Running()) << "vexor-sim ended with its input";
    const auto after = Poll();
    ASSERT_TRUE(after) << "no reply after the input ended";
    EXPECT_GT(after->raw, 800.0);

    const std::string errors = Contents(err_);
    EXPECT_EQ(Count(errors, "\n"), 1) << errors;
    EXPECT_EQ(errors.rfind("vexor-sim: control: reference: ", 0), 0u) << errors;
    EXPECT_NE(errors.find("'abc'"), std::string::npos) << errors;
    ExpectOnlyTheServingLines();
}

TEST_F(VexorSimBench, controlFileIsAppliedWhenItAppearsAndWhenItChangesAndCondErrorHolds) {
    Start({"--control", control_, "--cond-error", "50"});
    // The liquid's 48 ± 2 mS/cm read half as much again.
    const auto liquid = Poll();
    ASSERT_TRUE(liquid);
    EXPECT_NEAR(liquid->comp, 72.0, 3.2);

    WriteControlFile("reference 9.25\nbogus\n");
    EXPECT_TRUE(PollUntil([](const Reading& m) { return m.raw < 40.0; }, 8));
    std::this_thread::sleep_for(std::chrono::milliseconds(600));  // three checks, unchanged
    WriteControlFile("reference 925\n");
    EXPECT_TRUE(PollUntil([](const Reading& m) { return m.raw > 700.0; }, 8));

    const std::string errors = Contents(err_);
    EXPECT_EQ(Count(errors, "\n"), 1) << errors;
    EXPECT_EQ(Count(errors, "vexor-sim: control: " + control_ +
                                " line 2: unknown control line "
                                "'bogus'"),
              1)
        << errors;
    ExpectOnlyTheServingLines();
}

TEST_F(VexorSimBench, condErrorOutsideItsRangeIsRefused) {
    for (const char* bad : {"-100", "abc", "1e400"}) {
        std::vector<std::string> arguments{VEXOR_SIM_PROGRAM, "--cond-error", bad};
        std::vector<char*> argv;
        for (auto& argument : arguments) argv.push_back(argument.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        pid_t pid = -1;
        ASSERT_EQ(posix_spawn(&pid, VEXOR_SIM_PROGRAM, &actions, nullptr, argv.data(), environ), 0);
        posix_spawn_file_actions_destroy(&actions);
        int status = 0;
        waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 2) << bad;
    }
}

}  // namespace
}  // namespace corvane::sim
