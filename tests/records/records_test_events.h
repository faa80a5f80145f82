#pragma once

#include <cstdio>
#include <random>
#include <string>

#include "records/service_event.h"

namespace corvane::records::testing {

// The events of one transaction of the writer that is killed.
inline constexpr int kKilledBatch = 20;

// A random version 4 UUID in lower case with hyphens.
inline std::string RandomUuid() {
    static std::mt19937_64 random{std::random_device{}()};
    std::uniform_int_distribution<int> digit(0, 15);
    std::string uuid = "xxxxxxxx-xxxx-4xxx-yxxx-xxxxxxxxxxxx";
    for (char& c : uuid) {
        if (c == 'x') c = "0123456789abcdef"[digit(random)];
        if (c == 'y') c = "89ab"[digit(random) % 4];
    }
    return uuid;
}

// Event number `index`: every field follows from the index, so that a reader can tell whether
// what it finds is whole. Times are a second apart from 2026-01-01T00:00:00.000Z.
inline ServiceEvent IndexedEvent(int index) {
    static const char* const kinds[] = {
        kind::kSetupWritten,   kind::kSetupRead,     kind::kFileSaved, kind::kFileLoaded,
        kind::kCalibration,    kind::kOutputsForced, kind::kDownload,  kind::kSerialNumber,
        kind::kAddressChanged, kind::kDefaultSetup};
    char text[64];
    ServiceEvent event;
    std::snprintf(text, sizeof text, "%08x-0000-4000-8000-%012x", static_cast<unsigned>(index),
                  static_cast<unsigned>(index) * 7919u);
    event.uuid = text;
    const int day = 1 + index / 86400;
    const int second = index % 86400;
    std::snprintf(text, sizeof text, "2026-01-%02dT%02d:%02d:%02d.%03dZ", day, second / 3600,
                  second / 60 % 60, second % 60, index % 1000);
    event.timeUtc = text;
    event.operatorName = "operator " + std::to_string(index % 7);
    event.workstation = "bench-" + std::to_string(index % 3);
    event.program = index % 2 ? "corvane" : "corvane-control-centre";
    event.version = "0.1." + std::to_string(index % 4);
    event.sensor.identityRead = index % 11 != 0;
    if (event.sensor.identityRead) {
        event.sensor.serialNumber = "S" + std::to_string(1000 + index % 5);
        event.sensor.plantNumber = "P-" + std::to_string(index);
        event.sensor.softwareIssue = "4." + std::to_string(index % 9);
    }
    event.sensor.address = 1 + index % 32;
    event.sensor.port = "/dev/ttyUSB" + std::to_string(index % 3);
    event.kind = kinds[index % 10];
    event.result = index % 13 == 0 ? result::kFailed : result::kDone;
    event.summary = "Zelle \xe2\x9c\x93 \"" + std::to_string(index) + "\", line 'one'";
    event.details = "{\"index\":" + std::to_string(index) + ",\"note\":\"a\\\"b\"}";
    return event;
}

}  // namespace corvane::records::testing
