#pragma once

#include <optional>
#include <string>
#include <vector>

namespace corvane {

struct SensorData;

// A setup field as the sensor keeps it: its name, how it reads, and where it travels in the
// whole-setup write (the command and the bytes of its payload). Two setups hold the same value
// in a field when the write would send the same bytes for it, so values the sensor cannot tell
// apart (2.004 and 2.00 for a slope sent in hundredths) count as equal.
struct SetupField {
    std::string name;
    int command = 0;
    int firstByte = 0;
    int byteCount = 0;
};

// Every field the whole-setup write sends, in the order the setup pages show them.
const std::vector<SetupField>& SetupFields();

// How a field reads for `sensor`: "2.00 % / °C", "Temperature", "Off".
std::string FieldText(const SetupField& field, const SensorData& sensor);

// Whether the write would send the same bytes for `field` from both setups.
bool SameOnTheWire(const SetupField& field, const SensorData& a, const SensorData& b);

// One line per field whose value differs: "Name: <a text> -> <b text>".
std::vector<std::string> Differences(const SensorData& from, const SensorData& to);

// The first field that differs, by name; nothing when the setups agree on every field.
std::optional<std::string> FirstDifferingField(const SensorData& a, const SensorData& b);

// What the sensor told about itself in its data blocks, as "Name: value" lines: identity,
// software and calibration history, then the setup fields.
std::vector<std::string> InfoLines(const SensorData& sensor, int address);

// Puts the list texts and units that follow from the setup's indexes (source names, averaging
// names, units) in step with them, as the setup dialogs do when they show a setup, so that a
// setup read from a sensor is saved with the names that belong to it.
void NameSetupEntries(SensorData& sensor);

}  // namespace corvane
