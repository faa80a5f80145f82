// Text from the sensor, a file, the record or a server reaches the terminal and every JSON or
// CSV output as text: no control character (C0, DEL, C1) passes raw, and no cell runs as a
// spreadsheet formula.
#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>
#include <sstream>
#include <string>
#include <vector>

#include "cli/control_escapes.h"
#include "cli_rig.h"
#include "link/readings_csv.h"
#include "records/service_event.h"
#include "sim/setup_memory.h"

namespace corvane {
namespace {

using testing::CliRig;

// The bytes a terminal or a JSON reader could take for a control: C0 but the line feed and the
// tab, DEL, a C1 control encoded in UTF-8, and a bare byte 0x80..0x9F.
std::vector<std::string> ControlsIn(const std::string& text) {
    std::vector<std::string> found;
    const auto at = [&text](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    for (std::size_t i = 0; i < text.size(); ++i) {
        const unsigned char byte = at(i);
        // A well-formed UTF-8 character passes unless it is U+0080..U+009F.
        const std::size_t length = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC2 ? 2 : 1;
        bool whole = length > 1 && i + length <= text.size();
        for (std::size_t k = 1; whole && k < length; ++k) whole = (at(i + k) & 0xC0) == 0x80;
        if (whole) {
            if (byte == 0xC2 && at(i + 1) <= 0x9F) found.push_back("C1 at " + std::to_string(i));
            i += length - 1;
            continue;
        }
        const bool control = (byte < 0x20 && byte != '\n' && byte != '\t') || byte == 0x7F ||
                             (byte >= 0x80 && byte <= 0x9F);
        if (control) found.push_back("byte " + std::to_string(byte) + " at " + std::to_string(i));
    }
    return found;
}

std::string Escaped(const std::vector<std::string>& pieces, bool keepCarriageReturn = false) {
    std::ostringstream sink;
    {
        cli::ControlEscapingBuffer buffer(sink.rdbuf(), keepCarriageReturn);
        std::ostream out(&buffer);
        for (const std::string& piece : pieces) out << piece;
    }
    return sink.str();
}

TEST(TerminalText, everyControlIsShownVisiblyAndPrintableTextPassesWhole) {
    // A plant number that would set the window title and clear the screen.
    EXPECT_EQ(Escaped({"\x1b]0;X\x07\x1b[2J"}), "\\x1B]0;X\\x07\\x1B[2J");
    EXPECT_EQ(Escaped({"VX\xc2\x9d"
                       "01"}),
              "VX\\u009D01")
        << "C1 in UTF-8";
    EXPECT_EQ(Escaped({"VX\x9d"
                       "01"}),
              "VX\\u009D01")
        << "a bare C1 byte";
    EXPECT_EQ(Escaped({"a\x7f"
                       "b"}),
              "a\\x7Fb");
    EXPECT_EQ(Escaped({"line\r"}), "line\\x0D");
    EXPECT_EQ(Escaped({"bar\r"}, true), "bar\r") << "standard error's progress bar";
    EXPECT_EQ(Escaped({"one\ttwo\n"}), "one\ttwo\n");
    // Printable UTF-8 passes whole, also when written in pieces that cut a character.
    EXPECT_EQ(Escaped({"92.5 mS/cm, 25 \xc2\xb0"
                       "C, \xc2\xb5S, \xe2\x82\xac, \xf0\x9f\x94\xa7"}),
              "92.5 mS/cm, 25 \xc2\xb0"
              "C, \xc2\xb5S, \xe2\x82\xac, \xf0\x9f\x94\xa7");
    EXPECT_EQ(Escaped({"25 \xc2",
                       "\xb0"
                       "C"}),
              "25 \xc2\xb0"
              "C");
    EXPECT_EQ(Escaped({"\xc2",
                       "\x9b"
                       "31m"}),
              "\\u009B31m")
        << "CSI split across two writes";
    EXPECT_EQ(Escaped({"\xe2\x82", "\xac"}), "\xe2\x82\xac");
    // A character cut short, or one the text ends inside, is shown byte for byte.
    EXPECT_EQ(Escaped({"\xc2"}), "\\xC2");
    EXPECT_EQ(Escaped({"\xe2\x82\x1b[2J"}), "\xe2\x82\\x1B[2J");
}

TEST(TerminalText, jsonEscapesEveryControlAndStaysValidUtf8) {
    const std::string hostile =
        "\x1b]8;;http://x\x07"
        "a\x7f\xc2\x9d\x9d\xff\xc2\xb0\xe2\x82\xac";
    const std::string json = "{\"t\":" + records::JsonString(hostile) + "}";
    EXPECT_TRUE(ControlsIn(json).empty()) << json;
    EXPECT_EQ(json.find('\x1b'), std::string::npos);
    const QJsonDocument parsed = QJsonDocument::fromJson(QByteArray::fromStdString(json));
    ASSERT_TRUE(parsed.isObject()) << json;
    const QString text = parsed.object().value("t").toString();
    EXPECT_EQ(text, QString::fromUtf8("\x1b]8;;http://x\x07"
                                      "a\x7f\xc2\x9d\xc2\x9d\xc3\xbf\xc2\xb0"
                                      "\xe2\x82\xac"))
        << "bytes of no UTF-8 character read as Latin-1; the rest as it was";
}

TEST(CsvCells, aCellThatWouldRunAsAFormulaIsWrittenAsText) {
    EXPECT_EQ(CsvField("=1+1"), "'=1+1");
    EXPECT_EQ(CsvField("+41 1 234"), "'+41 1 234");
    EXPECT_EQ(CsvField("@SUM(A1)"), "'@SUM(A1)");
    EXPECT_EQ(CsvField("\tx"), "'\tx");
    EXPECT_EQ(CsvField("-"), "'-");
    EXPECT_EQ(CsvField("=HYPERLINK(\"http://x\",\"y\")"),
              "\"'=HYPERLINK(\"\"http://x\"\",\"\"y\"\")\"");
    EXPECT_EQ(CsvField("\rx"), "\"'\rx\"");
    // Numbers stay numbers, and other text stays as it is.
    EXPECT_EQ(CsvField("-12.5"), "-12.5");
    EXPECT_EQ(CsvField("+3"), "+3");
    EXPECT_EQ(CsvField("1e-3"), "1e-3");
    EXPECT_EQ(CsvField("Msg 21..Conductivity Over Range"), "Msg 21..Conductivity Over Range");
    EXPECT_EQ(CsvField("a,b"), "\"a,b\"");
}

// A sensor whose plant number would set the terminal's title and clear its screen, and whose
// serial number holds a C1 control: corvane info shows both as text, as it does in JSON.
TEST(CliHostileSensor, infoPrintsNoControlFromTheSensor) {
    CliRig rig;
    sim::SetupMemory& memory = rig.Sensor().Memory();
    const std::vector<std::uint8_t> plant{0x1B, ']', '0', ';', 'X', 0x07, 0x1B, '[', '2', 'J'};
    memory.SetBytes(sim::SetupMemory::Offset::PlantNumber, plant);
    const std::vector<std::uint8_t> serial{'V', 'X', 0x9D, '0', '1', '2'};
    memory.SetBytes(sim::SetupMemory::Offset::SerialNumber, serial);
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"info"}, std::vector<std::string>{"info", "--json"},
          std::vector<std::string>{"read-setup", "--json", "-"}}) {
        rig.Run(args);
        EXPECT_TRUE(ControlsIn(rig.Out()).empty()) << args[0] << ": " << rig.Out();
        EXPECT_TRUE(ControlsIn(rig.Err()).empty()) << args[0] << ": " << rig.Err();
    }
    ASSERT_EQ(rig.Run({"info"}), 0) << rig.Err();
    EXPECT_NE(rig.Out().find("\\x1B]0;X\\x07\\x1B[2J"), std::string::npos) << rig.Out();
}

}  // namespace
}  // namespace corvane
