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
    replyLength = r.Link.ReplyLength;
    return {r.Link.TxFrame.begin(), r.Link.TxFrame.begin() + r.Link.RequestLength};
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

}  // namespace
}  // namespace corvane::sim
