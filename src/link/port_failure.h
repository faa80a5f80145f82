#pragma once

#include <string>

namespace corvane {

// Why a port could not be used.
enum class PortFailureKind {
    Permission,  // this user may not open the device
    Missing,     // no such device
    Busy,        // another program holds the device
    GoneAway,    // the device failed under us: unplugged, or the other end hung up
    Other,       // anything else; the system's text says what
};

struct PortFailure {
    PortFailureKind kind = PortFailureKind::Other;
    int portNumber = 1;
    std::string device;
    std::string whatHappened;  // "could not be opened", "failed while sending a request", ...
    std::string reason;        // the system's text, or the advice given in its place
    std::string holders;       // Busy: the programs that hold the device, "minicom, PID 4711";
                               // empty when they cannot be seen
};

}  // namespace corvane
