#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace corvane {

// A program that holds a device open.
struct DeviceHolder {
    std::string program;  // its name as the system keeps it ("corvane", "minicom")
    int pid = 0;
};

// "corvane, PID 4711"; several joined by "; ".
std::string HoldersText(const std::vector<DeviceHolder>& holders);

// A serial adapter as the system names it.
struct SerialAdapter {
    std::string stableName;  // /dev/serial/by-id/...: the same whichever USB socket it is in;
                             // empty for a port without one
    std::string device;      // the device it points to: /dev/ttyUSB0
    std::string vendorId;    // USB vendor and product, four hex digits each; empty when not USB
    std::string productId;
    std::string maker;  // the USB maker and product texts, where the adapter gives them
    std::string product;
    std::vector<DeviceHolder> holders;  // the programs that hold it open (of those this user
                                        // may see)
};

// Where the system keeps what these functions read; the tests give a tree of their own.
struct SystemTree {
    std::filesystem::path dev = "/dev";
    std::filesystem::path sys = "/sys";
    std::filesystem::path proc = "/proc";
};

// The programs other than this one that hold `device` open, found among the open files of the
// processes this user may see. Nothing on a system without that list (Windows).
std::vector<DeviceHolder> HoldersOf(const std::string& device, const SystemTree& tree = {});

// The serial adapters present: every /dev/serial/by-id name and the device it points to, then
// the USB and ACM serial devices without one, with their USB identity and their holders.
std::vector<SerialAdapter> SerialAdapters(const SystemTree& tree = {});

}  // namespace corvane
