#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace corvane {

// A status line of fixed text: its number and the text that stands in its slot.
struct StatusLine {
    int number;
    std::string_view text;
};

// A run of line numbers that one subsystem owns, both ends included.
struct LineRange {
    int first;
    int last;
};

// Every status line has a number 1..84 and a slot of its own; an empty slot means the line is
// not standing. The texts begin "Msg NN..".
class MessageSlots {
  public:
    static constexpr int kFirst = 1;
    static constexpr int kLast = 84;

    void Set(int number, std::string_view text);
    void Show(const StatusLine& line) { Set(line.number, line.text); }
    void Clear(int number);
    void Clear(const StatusLine& line) { Clear(line.number); }
    void ClearRange(int first, int last);  // both ends included
    void Clear(LineRange range) { ClearRange(range.first, range.last); }
    void ClearAll() { ClearRange(kFirst, kLast); }

    // The text of line `number`; empty for a line that does not stand or a number out of range.
    const std::string& Text(int number) const;
    bool Stands(int number) const { return !Text(number).empty(); }

  private:
    std::array<std::string, kLast + 1> slots_{};  // index 0 unused
};

// The ten lines every System Messages list shows.
inline constexpr int kMessageLineCount = 10;
using MessageLines = std::array<std::string, kMessageLineCount>;

// Line n receives the n-th standing slot in number order; lines after the last are emptied.
void BuildMessageLines(const MessageSlots& slots, MessageLines& lines);

// Every status line the link, the scan and the download write, number and text together. Lines
// whose text carries a value are given by their number and a function that builds the text.
namespace line {
inline constexpr StatusLine kDataReplyOverdue{1, "Msg 01..Data Reply Overdue"};
inline constexpr StatusLine kDataReplyTimedOut{2, "Msg 02..Data Reply Timed Out"};
inline constexpr StatusLine kAcknowledgeOverdue{3, "Msg 03..Message Acknowledge Overdue"};
inline constexpr StatusLine kResettingComms{4, "Msg 04..Resetting Communications"};
inline constexpr StatusLine kTransmitError{5, "Msg 05..Transmit or CRC Error"};
inline constexpr StatusLine kReceiveError{6, "Msg 06..Receive or CRC Error"};
inline constexpr int kFunctionCompleted = 7;  // FunctionCompleted()
inline constexpr int kSensorCommsOk = 8;      // one of kSensorCommsOkPhases
inline constexpr std::array<std::string_view, 3> kSensorCommsOkPhases = {
    "Msg 08..Sensor Comms OK   \\", "Msg 08..Sensor Comms OK   /", "Msg 08..Sensor Comms OK  ---"};
inline constexpr int kReceivingDataBlock = 9;  // ReceivingDataBlock()
inline constexpr StatusLine kIssueNotReturned{10, "Msg 10..Download Issue Not Returned"};
inline constexpr LineRange kDeviceLines{11, 80};  // raised by the sensor's status bytes

inline constexpr StatusLine kPreparingDownload{31, "Msg 31..Preparing Software Download"};
inline constexpr StatusLine kErasingFlash{32, "Msg 32..Erasing Sensor Flash Memory"};
inline constexpr StatusLine kFlashDownloadStarting{33, "Msg 33..Flash Download Starting"};
inline constexpr int kFlashBlockTransmitted = 34;  // FlashBlockTransmitted()
inline constexpr StatusLine kSensorRestarting{35, "Msg 35..Sensor Is Now Restarting"};
inline constexpr StatusLine kFaultyDownloadAcknowledge{37, "Msg 37..Faulty Download Acknowledge"};
inline constexpr int kFlashBlockResending = 38;  // FlashBlockResending(), UnknownBlockVerdict()
inline constexpr StatusLine kFaultySensorRestart{39, "Msg 39..Faulty Sensor Restart"};
inline constexpr int kRequestingDownload = 36;  // one of kRequestingDownloadPhases
inline constexpr std::array<std::string_view, 3> kRequestingDownloadPhases = {
    "Msg 36..Requesting Download   \\", "Msg 36..Requesting Download   /",
    "Msg 36..Requesting Download  ---"};

inline constexpr int kSettingNewId = 41;   // SettingNewId()
inline constexpr int kStartScan = 42;      // StartScan()
inline constexpr int kRestoreLastId = 43;  // RestoreLastId()
inline constexpr int kScanningId = 44;     // ScanningId()
inline constexpr StatusLine kWaitingForUser{45, "Msg 45.. Waiting for User Input"};

// A write left out the plant number: the records held no plant number read from the sensor.
inline constexpr StatusLine kPlantNumberNotSent{81, "Msg 81..Plant / Tag No Not Read, Not Written"};

inline constexpr LineRange kLinkLines{1, 4};  // overdue, timed out, resetting
inline constexpr LineRange kDownloadLines{31, 39};
inline constexpr LineRange kDownloadRequestLines{31, 35};  // those a repeated request clears
inline constexpr LineRange kScanLines{41, 45};

// Every fixed line above, for checking that each text carries its own number.
inline constexpr std::array<StatusLine, 16> kFixedLines = {
    kPlantNumberNotSent,
    kDataReplyOverdue,
    kDataReplyTimedOut,
    kAcknowledgeOverdue,
    kResettingComms,
    kTransmitError,
    kReceiveError,
    kIssueNotReturned,
    kPreparingDownload,
    kErasingFlash,
    kFlashDownloadStarting,
    kSensorRestarting,
    kFaultyDownloadAcknowledge,
    kFaultySensorRestart,
    kWaitingForUser,
    StatusLine{kSensorCommsOk, kSensorCommsOkPhases[0]}};

// "Msg 07..Function 0x61 Completed": the code in lower-case hexadecimal.
std::string FunctionCompleted(int function);
// "Msg 09..Receiving Data Block 3 of 16".
std::string ReceivingDataBlock(int counter);
// "Msg 34..Flash Block 12 Transmitted".
std::string FlashBlockTransmitted(unsigned blockIndex);
// "Msg 38..Flash Block 12 Error.. Resending".
std::string FlashBlockResending(unsigned blockIndex);
// The text that stands in line 38 when a flash block is answered with a verdict the program does
// not know: "Msg 80..Specific 0x5a Returned Hex Code" (lower-case, no leading zero).
std::string UnknownBlockVerdict(int verdict);
// The scan's lines, each with the address it concerns.
std::string SettingNewId(int address);
std::string StartScan(int address);
std::string RestoreLastId(int address);
std::string ScanningId(int address);
}  // namespace line

// Sets or clears the device lines 11..77 from the five status bytes of a poll reply (reply
// bytes 14..18). Also clears lines 09, 10, 31..39 and 41..45 as every answered poll does.
void ApplyDeviceStatus(MessageSlots& slots, std::span<const std::uint8_t, 5> status);

}  // namespace corvane
