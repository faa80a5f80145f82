#include "sim/pty_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace corvane::sim {
namespace {

constexpr std::int64_t kFrameGapUs = 30'000;  // silence that ends an unknown frame
constexpr std::size_t kMaxFrame = 512;

std::int64_t SteadyNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

}  // namespace

PtyServer::PtyServer(Options options) : options_(std::move(options)) {
    for (const int address : options_.addresses) {
        auto sensor = std::make_unique<VirtualSensor>(address);
        sensor->Line() = options_.line;
        sensor->Faults() = options_.faults;
        sensors_.push_back(std::move(sensor));
    }
    startNs_ = SteadyNs();
}

PtyServer::~PtyServer() {
    Stop();
    if (slave_ >= 0) close(slave_);
    if (master_ >= 0) close(master_);
    if (client_ >= 0) close(client_);
    if (listener_ >= 0) close(listener_);
    if (!options_.linkPath.empty()) {
        std::error_code ignored;
        if (std::filesystem::is_symlink(options_.linkPath, ignored)) {
            std::filesystem::remove(options_.linkPath, ignored);
        }
    }
}

std::int64_t PtyServer::NowUs() const {
    return (SteadyNs() - startNs_) / 1000;
}

std::int64_t PtyServer::CharacterUs() const {
    const PortSettings& l = options_.line;
    const int bits = 1 + l.DataBits + (l.Parity == 'N' ? 0 : 1) + l.StopBits;
    return (static_cast<std::int64_t>(bits) * 1'000'000 + l.BaudRate - 1) / std::max(1, l.BaudRate);
}

bool PtyServer::Start(std::string& error) {
    if (options_.tcpPort >= 0) return StartTcp(error);
    master_ = posix_openpt(O_RDWR | O_NOCTTY);
    if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) {
        error = std::string("no pseudo-terminal: ") + std::strerror(errno);
        return false;
    }
    const char* name = ptsname(master_);
    if (name == nullptr) {
        error = std::string("no pseudo-terminal name: ") + std::strerror(errno);
        return false;
    }
    terminalPath_ = name;
    // Keep the terminal side open in raw mode, so that the program may open and close it at
    // will without the server seeing a hang-up.
    slave_ = open(name, O_RDWR | O_NOCTTY);
    if (slave_ < 0) {
        error = "cannot open " + terminalPath_ + ": " + std::strerror(errno);
        return false;
    }
    termios raw{};
    tcgetattr(slave_, &raw);
    cfmakeraw(&raw);
    tcsetattr(slave_, TCSANOW, &raw);
    fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
    if (!options_.linkPath.empty()) {
        std::error_code ec;
        // Only a link of an earlier run (to a pseudo-terminal) is replaced; anything else at the
        // path is someone's file and stays.
        const auto status = std::filesystem::symlink_status(options_.linkPath, ec);
        if (std::filesystem::exists(status)) {
            const bool ownLink = std::filesystem::is_symlink(status) &&
                                 std::filesystem::read_symlink(options_.linkPath, ec)
                                     .string()
                                     .starts_with("/dev/pts/");
            if (!ownLink) {
                error = "cannot link " + options_.linkPath + ": " +
                        (std::filesystem::is_symlink(status)     ? "it is a link to something else"
                         : std::filesystem::is_directory(status) ? "it is a folder"
                         : std::filesystem::is_regular_file(status) ? "it is a file"
                                                                    : "something else is there") +
                        "; give a path where nothing is";
                return false;
            }
        }
        std::filesystem::remove(options_.linkPath, ec);
        std::filesystem::create_symlink(terminalPath_, options_.linkPath, ec);
        if (ec) {
            error = "cannot link " + options_.linkPath + ": " + ec.message();
            return false;
        }
    }
    return true;
}

bool PtyServer::StartTcp(std::string& error) {
    listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listener_ < 0) {
        error = std::string("no socket: ") + std::strerror(errno);
        return false;
    }
    const int yes = 1;
    setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<std::uint16_t>(options_.tcpPort));
    if (bind(listener_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        listen(listener_, 1) != 0) {
        error = "cannot serve TCP port " + std::to_string(options_.tcpPort) + ": " +
                std::strerror(errno);
        return false;
    }
    socklen_t length = sizeof address;
    getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
    boundPort_ = ntohs(address.sin_port);
    return true;
}

// A new connection takes the line over from an earlier one, as a device server hands its port
// to the latest client.
void PtyServer::AcceptClient() {
    const int client = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (client < 0) return;
    DropClient();
    const int yes = 1;
    setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
    client_ = client;
}

void PtyServer::DropClient() {
    if (client_ >= 0) close(client_);
    client_ = -1;
    pending_.clear();
    outgoing_.clear();
}

std::string PtyServer::DevicePath() const {
    if (options_.tcpPort >= 0) return "tcp://127.0.0.1:" + std::to_string(boundPort_);
    return options_.linkPath.empty() ? terminalPath_ : options_.linkPath;
}

std::string PtyServer::Control(std::string_view line) {
    std::string message;
    const std::optional<ControlLine> parsed = ParseControlLine(line, message);
    if (parsed && parsed->kind != ControlLine::Kind::Comment) {
        const std::lock_guard lock(controlsMutex_);
        controls_.push_back(*parsed);
    }
    return message;
}

void PtyServer::ApplyControls(std::int64_t nowUs) {
    std::vector<ControlLine> lines;
    {
        const std::lock_guard lock(controlsMutex_);
        lines.swap(controls_);
    }
    for (const ControlLine& line : lines) {
        for (const auto& sensor : sensors_) sensor->Apply(line, nowUs);
    }
}

void PtyServer::Run() {
    while (!stop_.load()) {
        ApplyControls(NowUs());
        const std::int64_t now = NowUs();
        SendDue(now);
        int timeoutMs = 20;
        if (!outgoing_.empty()) {
            timeoutMs =
                static_cast<int>(std::clamp<std::int64_t>((NextWriteUs() - now) / 1000, 0, 20));
        }
        pollfd fds[2] = {{Io(), POLLIN, 0}, {listener_, POLLIN, 0}};
        const nfds_t count = listener_ >= 0 ? 2 : 1;
        if (poll(fds, count, timeoutMs) > 0) {
            if ((fds[0].revents & (POLLIN | POLLHUP | POLLERR)) != 0) Receive(NowUs());
            if (count == 2 && (fds[1].revents & POLLIN) != 0) AcceptClient();
        }
        const std::int64_t later = NowUs();
        if (!pending_.empty() && later - lastByteUs_ > kFrameGapUs) {
            HandleFrame(std::move(pending_), later);
            pending_.clear();
        }
    }
}

void PtyServer::RunInThread() {
    thread_ = std::thread([this] { Run(); });
}

void PtyServer::Stop() {
    stop_.store(true);
    if (thread_.joinable()) thread_.join();
}

void PtyServer::Receive(std::int64_t nowUs) {
    std::uint8_t buffer[256];
    const ssize_t count = read(Io(), buffer, sizeof buffer);
    if (count == 0 && options_.tcpPort >= 0) DropClient();  // the client hung up
    if (count <= 0) return;
    lastByteUs_ = nowUs;
    for (ssize_t i = 0; i < count; ++i) {
        pending_.push_back(buffer[i]);
        const int expected = ExpectedRequestLength(pending_);
        if ((expected > 0 && static_cast<int>(pending_.size()) >= expected) ||
            pending_.size() >= kMaxFrame) {
            HandleFrame(std::move(pending_), nowUs);
            pending_.clear();
        }
    }
}

void PtyServer::HandleFrame(std::vector<std::uint8_t> frame, std::int64_t nowUs) {
    const VirtualSensor* answerer = nullptr;
    for (const auto& sensor : sensors_) {
        if (sensor->Address() == 0) answerer = sensor.get();
    }
    if (answerer == nullptr && !sensors_.empty()) answerer = sensors_.front().get();
    // The terminal hands the program's request over at once; on the line it takes its
    // character times to reach the sensor, which answers only after its last byte.
    const std::int64_t arrivedUs = nowUs + static_cast<std::int64_t>(frame.size()) * CharacterUs();
    for (const auto& sensor : sensors_) {
        auto reply = sensor->HandleFrame(frame, arrivedUs, sensor.get() == answerer);
        if (!reply) continue;
        const std::int64_t start = std::max(arrivedUs + reply->delayUs, lineFreeUs_);
        Schedule(reply->bytes, start);
        if (!reply->strayBytes.empty()) {
            Schedule(reply->strayBytes, lineFreeUs_ + reply->strayDelayUs);
        }
    }
}

void PtyServer::Schedule(const std::vector<std::uint8_t>& bytes, std::int64_t startUs) {
    std::int64_t due = startUs;
    for (const std::uint8_t byte : bytes) {
        due += CharacterUs();
        outgoing_.push_back({due, byte});
    }
    lineFreeUs_ = std::max(lineFreeUs_, due);
    std::stable_sort(outgoing_.begin(), outgoing_.end(),
                     [](const Outgoing& a, const Outgoing& b) { return a.dueUs < b.dueUs; });
}

void PtyServer::SendDue(std::int64_t nowUs) {
    std::vector<std::uint8_t> due;
    std::size_t count = 0;
    while (!outgoing_.empty() && NextWriteUs(&count) <= nowUs) {
        for (std::size_t i = 0; i < count; ++i) {
            due.push_back(outgoing_.front().byte);
            outgoing_.pop_front();
        }
    }
    if (!due.empty() && Io() >= 0) {
        const ssize_t written = options_.tcpPort >= 0
                                    ? send(Io(), due.data(), due.size(), MSG_NOSIGNAL)
                                    : write(Io(), due.data(), due.size());
        (void)written;  // a reader that has gone simply misses the reply, as on a real line
    }
}

std::int64_t PtyServer::NextWriteUs(std::size_t* count) const {
    std::size_t n = 1;
    std::int64_t at = outgoing_.front().dueUs;
    if (options_.adapterLatencyUs > 0) {
        // The packet the adapter sends: the bytes that reach it while its oldest byte waits,
        // as many as a packet holds; it goes when the last of them is in.
        const std::int64_t deadline = outgoing_.front().dueUs + options_.adapterLatencyUs;
        while (n < outgoing_.size() && n < kAdapterPacketBytes && outgoing_[n].dueUs <= deadline) {
            at = outgoing_[n].dueUs;
            ++n;
        }
    }
    if (count != nullptr) *count = n;
    return at;
}

}  // namespace corvane::sim
