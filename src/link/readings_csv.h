#pragma once

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

namespace corvane {

struct SharedRecords;

// One answered measurement poll: when it was answered, the six readings and the status lines
// the sensor's status bytes raised (lines 11..80, in number order).
struct ReadingRow {
    std::chrono::system_clock::time_point time;
    double CondRaw = 0.0;        // mS/cm, no temperature compensation
    double CondComp = 0.0;       // mS/cm, with temperature compensation
    double Temperature = 0.0;    // in the sensor's temperature unit
    double Concentration = 0.0;  // in the digital output's unit
    double Out1Current = 0.0;    // mA
    double Out2Current = 0.0;    // mA
    std::vector<std::string> Status;
};

// The row of the poll that `records` hold the answer to, stamped with `time`.
ReadingRow RowOfAnsweredPoll(const SharedRecords& records,
                             std::chrono::system_clock::time_point time);

// A readings file is CSV (RFC 4180, "\n" line ends): this header line, then one row per answered
// poll. The readings have the precision the sensor sends them with; the status lines are joined
// by ';'. Numbers always use a decimal point, whatever the user's locale.
inline constexpr std::string_view kReadingsCsvHeader =
    "time,cond_no_tc,cond_tc,temperature,concentration,output1_mA,output2_mA,status";

// `text` as one CSV field (RFC 4180): quoted, its quotes doubled, when it holds a comma, a quote
// or a line end; a text that begins with =, +, -, @, a tab or a carriage return and is no number
// gets a leading apostrophe, so that no spreadsheet runs it as a formula.
std::string CsvField(const std::string& text);

// The row as one CSV line, without its line end.
std::string ReadingsCsvLine(const ReadingRow& row);

// The local time as ISO 8601 with milliseconds and the offset from UTC:
// "2026-12-07T14:03:05.120+01:00".
std::string IsoLocalTime(std::chrono::system_clock::time_point time);

}  // namespace corvane
