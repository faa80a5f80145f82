#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "sim/virtual_sensor.h"

namespace corvane::sim {

// Virtual sensors on a pseudo-terminal, so that the program's real serial port can talk to them:
// the program opens the terminal's device path as it would open a COM port. Requests are framed
// by their known lengths (and by a silent gap for anything else); replies leave the sensor paced
// at the configured baud rate. By default each byte reaches the terminal at its own character
// time, as on a plain serial line; with an adapter latency they reach it in packets, as through a
// USB serial adapter (see Options::adapterLatencyUs).
class PtyServer {
  public:
    struct Options {
        std::vector<int> addresses{0};
        PortSettings line{1, 9600, 'N', 8, 1};
        FaultModes faults;
        std::string linkPath;  // a symbolic link to the device, kept across restarts
        // 0: every reply byte is written to the terminal at its character time. Above 0: the
        // bytes still leave the sensor at their character times, but wait in the adapter and
        // reach the terminal in packets, written when the oldest waiting byte has waited this
        // long, when kAdapterPacketBytes are waiting, or when no further byte leaves the sensor
        // within the oldest one's wait (the adapter would send it no later then, and no more).
        std::int64_t adapterLatencyUs = 0;
        // Above 0 (or kAnyTcpPort): the sensors are served on this loopback TCP port instead of
        // a pseudo-terminal, one connection at a time, as a serial device server serves its line
        // to the network; the same RTU frames travel in the connection.
        int tcpPort = -1;
    };
    static constexpr int kAnyTcpPort = 0;  // a free port, chosen by the system

    // The most bytes one packet of the adapter carries to the host (a full-speed USB packet of
    // 64 bytes, less the two status bytes common adapters put in front).
    static constexpr std::size_t kAdapterPacketBytes = 62;

    explicit PtyServer(Options options);
    ~PtyServer();
    PtyServer(const PtyServer&) = delete;
    PtyServer& operator=(const PtyServer&) = delete;

    // Opens the pseudo-terminal (or the TCP port); false with `error` set when the system has
    // none to give.
    bool Start(std::string& error);
    // The path the program opens (the link when one was asked for; "tcp://127.0.0.1:PORT" when
    // served on TCP).
    std::string DevicePath() const;
    const std::string& TerminalPath() const { return terminalPath_; }

    // Serves until Stop; Run blocks, RunInThread serves in the background. Stop ends the serving
    // and waits for the background thread to finish, so it belongs in ordinary code, never in a
    // signal handler.
    void Run();
    void RunInThread();
    void Stop();

    // A sensor, to set it up before serving begins; while the server runs, its sensors belong
    // to the serving thread: reach them with Control.
    VirtualSensor& Sensor(std::size_t index) { return *sensors_.at(index); }

    // Applies a control line (see ControlLine) to every sensor, from any thread: the line is
    // parsed here and, when valid, handed to the serving thread, which applies it within one
    // turn of its loop (about 20 ms) at the time it does. Returns an empty string when the line
    // was taken (comments and blank lines change nothing), else why it was refused.
    std::string Control(std::string_view line);

  private:
    struct Outgoing {
        std::int64_t dueUs;
        std::uint8_t byte;
    };

    bool StartTcp(std::string& error);
    // The descriptor requests are read from and replies written to; -1 while no TCP client is
    // connected.
    int Io() const { return options_.tcpPort >= 0 ? client_ : master_; }
    void AcceptClient();
    void DropClient();
    std::int64_t NowUs() const;
    std::int64_t CharacterUs() const;
    void ApplyControls(std::int64_t nowUs);
    void Receive(std::int64_t nowUs);
    void HandleFrame(std::vector<std::uint8_t> frame, std::int64_t nowUs);
    void Schedule(const std::vector<std::uint8_t>& bytes, std::int64_t startUs);
    void SendDue(std::int64_t nowUs);
    // When the next write to the terminal is due (outgoing_ must not be empty), and how many of
    // the bytes at the front of outgoing_ it carries.
    std::int64_t NextWriteUs(std::size_t* count = nullptr) const;

    Options options_;
    std::vector<std::unique_ptr<VirtualSensor>> sensors_;
    int master_ = -1;
    int slave_ = -1;
    int listener_ = -1;
    int client_ = -1;
    int boundPort_ = 0;
    std::string terminalPath_;
    std::vector<std::uint8_t> pending_;
    std::int64_t lastByteUs_ = 0;
    std::deque<Outgoing> outgoing_;
    std::int64_t lineFreeUs_ = 0;
    std::mutex controlsMutex_;
    std::vector<ControlLine> controls_;  // taken by Control, applied by the serving thread
    std::atomic<bool> stop_{false};
    std::thread thread_;
    std::int64_t startNs_ = 0;
};

}  // namespace corvane::sim
