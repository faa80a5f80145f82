#include "cli/command_line.h"

#include <gtest/gtest.h>

namespace corvane::cli {
namespace {

CommandLine Parsed(const std::vector<std::string>& args) {
    CommandLine line;
    std::string error;
    EXPECT_TRUE(ParseCommandLine(args, line, error)) << error;
    return line;
}

std::string Refusal(const std::vector<std::string>& args) {
    CommandLine line;
    std::string error;
    EXPECT_FALSE(ParseCommandLine(args, line, error));
    return error;
}

TEST(CliCommandLine, defaultsAndEveryOption) {
    const CommandLine plain = Parsed({"info"});
    EXPECT_EQ(plain.link.port, "/dev/ttyUSB0");
    EXPECT_EQ(plain.link.address, 0);
    EXPECT_EQ(plain.link.baud, 9600);
    EXPECT_EQ(plain.link.parity, 'N');
    EXPECT_EQ(plain.link.dataBits, 8);
    EXPECT_EQ(plain.link.stopBits, 1);

    const CommandLine full = Parsed({"--port",       "tcp://10.0.0.5:4001",
                                     "--address",    "247",
                                     "--baud",       "19200",
                                     "--parity",     "E",
                                     "--data-bits",  "7",
                                     "--stop-bits",  "2",
                                     "--operator",   "A. Tech",
                                     "--trace",      "scan",
                                     "--from",       "5",
                                     "--to",         "9",
                                     "--timeout-ms", "40"});
    EXPECT_EQ(full.link.port, "tcp://10.0.0.5:4001");
    EXPECT_EQ(full.link.address, 247);
    EXPECT_EQ(full.link.baud, 19200);
    EXPECT_EQ(full.link.parity, 'E');
    EXPECT_EQ(full.link.dataBits, 7);
    EXPECT_EQ(full.link.stopBits, 2);
    EXPECT_EQ(full.link.operatorName, "A. Tech");
    EXPECT_TRUE(full.link.trace);
    EXPECT_EQ(full.command.from, 5);
    EXPECT_EQ(full.command.to, 9);
    EXPECT_EQ(full.link.timeoutMs, 40);

    EXPECT_EQ(Parsed({"download", "a.hex", "--install", "--yes"}).command.file, "a.hex");
    EXPECT_EQ(Parsed({"set-address", "17"}).command.newAddress, 17);
    EXPECT_EQ(Parsed({"monitor", "--csv", "--count", "5"}).command.count, 5);
}

TEST(CliCommandLine, whatDoesNotFollowTheUsageIsRefusedWithTheReason) {
    EXPECT_EQ(Refusal({}), "no command given");
    EXPECT_EQ(Refusal({"flash"}), "unknown command: flash");
    EXPECT_NE(Refusal({"--baud", "9601", "info"}).find("19200"), std::string::npos);
    EXPECT_NE(Refusal({"--address", "248", "info"}).find("0 to 247"), std::string::npos);
    EXPECT_NE(Refusal({"--address", "1x", "info"}).find("'1x'"), std::string::npos);
    EXPECT_NE(Refusal({"--parity", "X", "info"}).find("E, O, N, M or S"), std::string::npos);
    EXPECT_EQ(Refusal({"info", "--yes"}), "--yes is not an option of info");
    // --since takes a day the calendar has.
    for (const char* day : {"2026-02-31", "2026-02-29", "2026-04-31", "2026-13-01", "2026-00-10"}) {
        EXPECT_NE(Refusal({"history", "--since", day}).find("YYYY-MM-DD"), std::string::npos)
            << day;
    }
    for (const char* day : {"2028-02-29", "2000-02-29", "2026-12-31", "2026-01-01"}) {
        EXPECT_EQ(Parsed({"history", "--since", day}).command.since, day);
    }
    EXPECT_EQ(Refusal({"read-setup"}), "read-setup needs a FILE");
    EXPECT_EQ(Refusal({"info", "extra"}), "unexpected argument: extra");
    EXPECT_NE(Refusal({"set-address", "300"}).find("0 to 247"), std::string::npos);
    EXPECT_NE(Refusal({"scan", "--from", "9", "--to", "3"}).find("above"), std::string::npos);
    EXPECT_EQ(Refusal({"info", "--port"}), "--port needs a value");
}

// monitor takes up to five different addresses; every other command talks to one sensor.
TEST(CliCommandLine, severalAddressesAreForMonitorAlone) {
    const CommandLine several = Parsed({"--address", "3,1,247", "monitor"});
    EXPECT_EQ(several.link.addresses, (std::vector<int>{3, 1, 247}));
    EXPECT_EQ(several.link.address, 3);
    EXPECT_EQ(Parsed({"--address", "7", "info"}).link.addresses, (std::vector<int>{7}));
    EXPECT_EQ(Refusal({"--address", "1,2", "info"}),
              "several addresses (--address N,N,...) are for monitor only");
    EXPECT_EQ(Refusal({"--address", "1,2,1", "monitor"}), "--address names address 1 twice");
    EXPECT_EQ(Refusal({"--address", "1,2,3,4,5,6", "monitor"}),
              "--address takes at most 5 addresses");
    EXPECT_NE(Refusal({"--address", "1,,2", "monitor"}).find("'1,,2'"), std::string::npos);
    EXPECT_NE(Refusal({"--address", "1,248", "monitor"}).find("0 to 247"), std::string::npos);
}

TEST(CliCommandLine, certificateTakesOneEventAFileAndAPaper) {
    const CommandLine line =
        Parsed({"--records", "r.sqlite", "certificate", "3c9e", "--out", "c.pdf"});
    EXPECT_EQ(line.command.uuid, "3c9e");
    EXPECT_EQ(line.command.out, "c.pdf");
    EXPECT_EQ(line.command.paper, "a4");
    EXPECT_EQ(Parsed({"certificate", "3c9e", "--paper", "letter", "--out", "c.pdf"}).command.paper,
              "letter");
    EXPECT_EQ(Refusal({"certificate", "--out", "c.pdf"}),
              "certificate needs the UUID of a calibration event");
    EXPECT_EQ(Refusal({"certificate", "3c9e"}), "certificate needs --out FILE.pdf");
    EXPECT_EQ(Refusal({"certificate", "3c9e", "4d0f", "--out", "c.pdf"}),
              "unexpected argument: 4d0f");
    EXPECT_EQ(Refusal({"certificate", "3c9e", "--out", "c.pdf", "--paper", "A5"}),
              "--paper takes a4 or letter, not 'A5'");
    EXPECT_EQ(Refusal({"history", "--out", "c.pdf"}), "--out is not an option of history");
    EXPECT_NE(HelpText("certificate").find("corvane [--records FILE] certificate UUID"),
              std::string::npos);
}

TEST(CliCommandLine, helpNeedsNoCommandAndExplainsEachOne) {
    EXPECT_TRUE(Parsed({"--help"}).help);
    EXPECT_TRUE(Parsed({"write-setup", "--help"}).help);
    EXPECT_NE(HelpText("").find("Exit status"), std::string::npos);
    for (const char* command :
         {"info", "monitor", "read-setup", "write-setup", "download", "scan", "set-address"}) {
        EXPECT_NE(HelpText(command).find(std::string("corvane [OPTIONS] ") + command),
                  std::string::npos)
            << command;
        EXPECT_NE(HelpText("").find(std::string("  ") + command), std::string::npos) << command;
    }
}

}  // namespace
}  // namespace corvane::cli
