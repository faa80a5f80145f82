#pragma once

// The states that the engine, the pages and the download share, with the numbers they have
// always had (tests, traces and the operator's help refer to them by number).
namespace corvane {

// Where the device-address scan stands; the engine runs one step of it per sending tick.
enum class ScanState : int {
    Idle = 0,
    ChangeAddress = 1,     // the Communications page asked for a new address
    StartSearch = 2,       // probe the next address in the scan direction
    Restore = 3,           // go back to the address the scan started from
    Found = 4,             // a probe was answered: ask the operator
    ProbeTimedOut = 5,     // the probe went unanswered: probe the next address
    AwaitingOperator = 6,  // a prompt is open
    ProbeOutstanding = 7,
    Accepted = 8,         // the operator took the address found
    SettingsApplied = 9,  // the Communications page applied new port settings
    Finished = 10,
    ChangeSent = 11,  // the address change is on its way to the sensor
};

// The software download's progress.
enum class DownloadState : int {
    Idle = 0,
    Confirming = 1,    // the page asks the operator before starting
    Requested = 2,     // the download request is queued
    Rerequesting = 3,  // the request timed out and is being repeated
    Erasing = 4,       // the sensor acknowledged and erases its flash
    SendingBlocks = 5,
};

// Which page started the download, and when its stamp has been answered.
enum class DownloadOrigin : int {
    None = 0,
    SoftwarePage = 1,  // an upgrade
    FactoryPage = 2,   // an installation
    StampAnswered = 100,
};

// The shared request that makes one window re-initialise from the sensor data.
enum class PageRefresh : int {
    Idle = 0,
    Armed = 99,       // the next window step to see it re-initialises that window
    Requested = 100,  // armed at the next link tick
};

// Polling one sensor after another on one line (the Channels page).
enum class ChannelSwitch : int {
    Idle = 0,
    Requested = 1,  // switch DeviceId to the selected channel before the next poll
    Switched = 2,   // the poll to the new address is outstanding
    Answered = 3,
    TimedOut = 4,
    // A reply came but failed its frame check, or was an exception: the channel's visit ends at
    // once and the cycle moves on, keeping the readings its sensor gave last.
    Rejected = 5,
};

// The calibration stamp: a confirmed calibration or reset waits for the stamp that writes the
// date and the operator into the sensor, which is queued when the page is left or applied; the
// engine's next tick takes the queued stamp as done and has every window reload.
enum class CalibrationStamp : int {
    None = 0,
    ToStamp = 1,  // a calibration or reset was confirmed since the last stamp
    Queued = 100,
};

}  // namespace corvane
