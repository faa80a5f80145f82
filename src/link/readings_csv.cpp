#include "link/readings_csv.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string_view>

#include "framework/number_text.h"
#include "link/shared_records.h"
#include "platform/local_time.h"

namespace corvane {

namespace {

// Whether the whole text is one decimal number ("-12.5", "+3", "1e-3").
bool IsNumber(const std::string& text) {
    if (text.empty()) return false;
    char* end = nullptr;
    std::strtod(text.c_str(), &end);
    return end == text.c_str() + text.size() &&
           text.find_first_not_of("+-.0123456789eE") == std::string::npos;
}

}  // namespace

std::string CsvField(const std::string& text) {
    std::string cell = text;
    // A spreadsheet takes a cell that begins with one of these for a formula: an operator's name
    // "=HYPERLINK(...)" or a plant number "=1+1" is written as the text it is.
    if (!cell.empty() && std::string_view("=+-@\t\r").find(cell.front()) != std::string::npos &&
        !IsNumber(cell)) {
        cell.insert(0, 1, '\'');
    }
    if (cell.find_first_of(",\"\r\n") == std::string::npos) return cell;
    std::string quoted = "\"";
    for (const char c : cell) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + '"';
}

ReadingRow RowOfAnsweredPoll(const SharedRecords& records,
                             std::chrono::system_clock::time_point time) {
    const SensorData& s = records.Sensor;
    ReadingRow row{time,          s.CondRaw,     s.CondComp, s.Temperature, s.Concentration,
                   s.Out1Current, s.Out2Current, {}};
    for (int n = line::kDeviceLines.first; n <= line::kDeviceLines.last; ++n) {
        if (records.Slots.Stands(n)) row.Status.push_back(records.Slots.Text(n));
    }
    return row;
}

std::string ReadingsCsvLine(const ReadingRow& row) {
    std::string status;
    for (const std::string& line : row.Status) {
        if (!status.empty()) status += ';';
        status += line;
    }
    return IsoLocalTime(row.time) + ',' + fw::FormatNumber("%.1f", row.CondRaw) + ',' +
           fw::FormatNumber("%.1f", row.CondComp) + ',' +
           fw::FormatNumber("%.2f", row.Temperature) + ',' +
           fw::FormatNumber("%.2f", row.Concentration) + ',' +
           fw::FormatNumber("%.3f", row.Out1Current) + ',' +
           fw::FormatNumber("%.3f", row.Out2Current) + ',' + CsvField(status);
}

std::string IsoLocalTime(std::chrono::system_clock::time_point time) {
    using namespace std::chrono;
    const auto sinceEpoch = time.time_since_epoch();
    const std::time_t seconds = duration_cast<std::chrono::seconds>(sinceEpoch).count();
    const auto millis = duration_cast<milliseconds>(sinceEpoch).count() % 1000;
    const std::tm local = platform::LocalCalendar(seconds);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%S", &local);
    // The offset from the two calendar readings, not from strftime's "%z": Windows writes the
    // zone's name there ("W. Europe Standard Time").
    const int offsetMinutes = platform::UtcOffsetSeconds(seconds) / 60;
    const int awayMinutes = offsetMinutes < 0 ? -offsetMinutes : offsetMinutes;
    char offset[32];
    std::snprintf(offset, sizeof offset, "%c%02d:%02d", offsetMinutes < 0 ? '-' : '+',
                  awayMinutes / 60, awayMinutes % 60);
    char millisText[8];
    std::snprintf(millisText, sizeof millisText, ".%03d",
                  static_cast<int>(millis < 0 ? 0 : millis));
    return std::string(stamp) + millisText + offset;
}

}  // namespace corvane
