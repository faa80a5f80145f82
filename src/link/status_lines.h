#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace corvane {

// Every status line has a number 1..84 and a slot of its own; an empty slot means the line is
// not standing. The texts begin "Msg NN..".
class MessageSlots {
  public:
    static constexpr int kFirst = 1;
    static constexpr int kLast = 84;

    void Set(int number, std::string_view text);
    void Clear(int number);
    void ClearRange(int first, int last);  // both ends included
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

// Texts of the link's own status lines.
namespace msg {
inline constexpr std::string_view k01DataReplyOverdue = "Msg 01..Data Reply Overdue";
inline constexpr std::string_view k02DataReplyTimedOut = "Msg 02..Data Reply Timed Out";
inline constexpr std::string_view k03AcknowledgeOverdue = "Msg 03..Message Acknowledge Overdue";
inline constexpr std::string_view k04ResettingComms = "Msg 04..Resetting Communications";
inline constexpr std::string_view k05TransmitError = "Msg 05..Transmit or CRC Error";
inline constexpr std::string_view k06ReceiveError = "Msg 06..Receive or CRC Error";
inline constexpr std::string_view k10IssueNotReturned = "Msg 10..Download Issue Not Returned";
inline constexpr std::array<std::string_view, 3> k08SensorCommsOk = {
    "Msg 08..Sensor Comms OK   \\", "Msg 08..Sensor Comms OK   /", "Msg 08..Sensor Comms OK  ---"};

// "Msg 07..Function 0x61 Completed": the code in lower-case hexadecimal.
std::string FunctionCompleted(int function);
// "Msg 09..Receiving Data Block 3 of 16".
std::string ReceivingDataBlock(int counter);
}  // namespace msg

// Sets or clears the device lines 11..77 from the five status bytes of a poll reply (reply
// bytes 14..18). Also clears lines 09, 10, 31..39 and 41..45 as every answered poll does.
void ApplyDeviceStatus(MessageSlots& slots, std::span<const std::uint8_t, 5> status);

}  // namespace corvane
