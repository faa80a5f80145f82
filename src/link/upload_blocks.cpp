#include "link/upload_blocks.h"

#include <vector>

#include "framework/text_codec.h"
#include "link/code_tables.h"
#include "link/sensor_data.h"
#include "link/wire_values.h"

namespace corvane {
namespace {

using Bytes = std::span<const std::uint8_t, kDataBlockSize>;
using WireText = std::vector<std::uint8_t>;

char NibbleDigit(int nibble) {
    return static_cast<char>('0' + (nibble & 0x0F));
}

// Sets the characters of `field` from 1-based position `firstPosition` on, and ends the text
// after the last one; a zero byte ends it where it stands. When the text already ended before
// `firstPosition`, the new characters lie beyond its end and it stays as it is.
void SetCharacters(std::string& field, std::size_t firstPosition, const WireText& chars) {
    WireText wire = Utf8ToWire(field);
    const std::size_t start = firstPosition - 1;
    if (wire.size() < start) {
        return;
    }
    wire.resize(start);
    for (const std::uint8_t c : chars) {
        if (c == 0) {
            break;
        }
        wire.push_back(c);
    }
    field = WireToUtf8(wire);
}

WireText Slice(Bytes data, std::size_t first, std::size_t last) {
    return WireText(data.begin() + static_cast<std::ptrdiff_t>(first),
                    data.begin() + static_cast<std::ptrdiff_t>(last + 1));
}

void AppendDecimalPair(WireText& out, std::uint8_t packed) {
    out.push_back(static_cast<std::uint8_t>(NibbleDigit(packed >> 4)));
    out.push_back(static_cast<std::uint8_t>(NibbleDigit(packed)));
}

// "DD/MM/" from day and month bytes.
WireText DayMonth(std::uint8_t day, std::uint8_t month) {
    WireText out;
    AppendDecimalPair(out, day);
    out.push_back('/');
    AppendDecimalPair(out, month);
    out.push_back('/');
    return out;
}

// "YYYY" from century and year bytes.
WireText Year(std::uint8_t century, std::uint8_t year) {
    WireText out;
    AppendDecimalPair(out, century);
    AppendDecimalPair(out, year);
    return out;
}

void SetDate(std::string& field, Bytes data, std::size_t first) {
    WireText date = DayMonth(data[first], data[first + 1]);
    const WireText year = Year(data[first + 2], data[first + 3]);
    date.insert(date.end(), year.begin(), year.end());
    SetCharacters(field, 1, date);
}

void SetErrorMode(CurrentOutput& out, int mode) {
    if (mode == 1) {
        out.ErrorSignal = 1;
        out.ErrorHigh = 0;
    } else if (mode == 2) {
        out.ErrorSignal = 1;
        out.ErrorHigh = 1;
    } else {
        out.ErrorSignal = 0;
        out.ErrorHigh = -1;
    }
}

// Source and error mode from one byte: low nibble the source code, high nibble the error mode.
void SetSourceAndErrorMode(CurrentOutput& out, std::uint8_t byte) {
    out.Source = SourceIndexFromCode(byte & 0x0F);
    SetErrorMode(out, byte >> 4);
}

void SetFilter(CurrentOutput& out, std::uint8_t byte) {
    out.FilterOn = byte != 0 ? 1 : 0;
    out.Filter = byte;
}

// The 4 mA and 20 mA values travel in tenths for the conductivity sources, else in hundredths.
void SetRange(CurrentOutput& out, Bytes data, std::size_t first) {
    const double divisor = (out.Source == 0 || out.Source == 1) ? 10.0 : 100.0;
    out.At4mA = GetU16(data, first) / divisor;
    out.At20mA = GetU16(data, first + 2) / divisor;
}

void SetPoints(std::array<double, 9>& points, std::size_t firstPoint, std::size_t count, Bytes data,
               std::size_t firstByte, double scale) {
    for (std::size_t i = 0; i < count; ++i) {
        points[firstPoint + i] = GetU16(data, firstByte + 2 * i) * scale;
    }
}

void DecodeDigitalAndTemperature(SensorData& s, Bytes data) {
    s.DigitalRange = DigitalIndexFromCode(data[0]);
    s.DigitalUnit = DigitalUnitForIndex(s.DigitalRange);
    s.TempCompSlope = GetU16(data, 1) * 0.01;
    s.TempFahrenheit = data[3] & 0x01;
    s.TempCompBaseHigh = (data[3] >> 1) & 0x01;
    SetTemperatureTexts(s);
    s.ConcFilterOn = data[4] != 0 ? 1 : 0;
    s.CondFilterOn = data[5] != 0 ? 1 : 0;
    s.TempFilterOn = data[6] != 0 ? 1 : 0;
    s.DigitalFilter = 0;
    for (std::size_t i = 4; i <= 6; ++i) {
        if (data[i] != 0) {
            s.DigitalFilter = data[i];
        }
    }
    s.TdsFactor = GetU16(data, 12) * 0.01;
    SetSourceAndErrorMode(s.Out1, data[14]);
    SetFilter(s.Out1, data[15]);
}

}  // namespace

std::string IssueNumberText(std::uint8_t first, std::uint8_t second, std::uint8_t third) {
    std::string text;
    text.push_back(NibbleDigit(first));
    text.push_back('.');
    text.push_back(NibbleDigit(second >> 4));
    text.push_back(NibbleDigit(second));
    text.push_back(NibbleDigit(third >> 4));
    text.push_back(NibbleDigit(third));
    return text;
}

void DecodeDataBlock(SensorData& s, int block, Bytes data) {
    switch (block) {
        case 0:
            SetCharacters(s.SerialNumber, 1, Slice(data, 1, 6));
            s.InstallIssue = IssueNumberText(data[7], data[8], data[9]);
            SetDate(s.InstallDate, data, 10);
            SetCharacters(s.InstallName, 1, Slice(data, 14, 15));
            break;
        case 1:
            SetCharacters(s.InstallName, 3, Slice(data, 0, 13));
            SetCharacters(s.UpgradeDate, 1, DayMonth(data[14], data[15]));
            break;
        case 2:
            SetCharacters(s.UpgradeDate, 7, Year(data[0], data[1]));
            SetCharacters(s.UpgradeName, 1, Slice(data, 2, 15));
            break;
        case 3: SetCharacters(s.UpgradeName, 15, Slice(data, 0, 1)); break;
        case 4:
            SetDate(s.CalibrationDate, data, 10);
            SetCharacters(s.CalibrationName, 1, Slice(data, 14, 15));
            break;
        case 5:
            SetCharacters(s.CalibrationName, 3, Slice(data, 0, 13));
            SetCharacters(s.PlantNumber, 1, Slice(data, 14, 15));
            break;
        case 6: SetCharacters(s.PlantNumber, 3, Slice(data, 0, 7)); break;
        case 8: DecodeDigitalAndTemperature(s, data); break;
        case 9:
            SetRange(s.Out1, data, 0);
            SetSourceAndErrorMode(s.Out2, data[4]);
            SetFilter(s.Out2, data[5]);
            SetRange(s.Out2, data, 6);
            s.CustomRangePoints = data[10];
            SetCharacters(s.CustomRangeText, 1, Slice(data, 11, 15));
            break;
        case 10: SetCharacters(s.CustomRangeText, 6, Slice(data, 0, 15)); break;
        case 11:
            SetCharacters(s.CustomRangeText, 22, Slice(data, 0, 11));
            SetPoints(s.CustomConc, 0, 2, data, 12, 0.01);
            break;
        case 12:
            SetPoints(s.CustomConc, 2, 7, data, 0, 0.01);
            SetPoints(s.CustomCond, 0, 1, data, 14, 0.1);
            break;
        case 13: SetPoints(s.CustomCond, 1, 8, data, 0, 0.1); break;
        case 16: s.UpgradeIssue = IssueNumberText(data[1], data[2], data[3]); break;
        default:  // blocks 7, 14 and 15 carry nothing the program keeps
            break;
    }
}

}  // namespace corvane
