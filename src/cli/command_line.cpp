#include "cli/command_line.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "calibration/calibration_points.h"
#include "framework/number_text.h"
#include "records/service_event.h"

namespace corvane::cli {
namespace {

constexpr const char* kUsage =
    "usage: corvane [--port DEVICE] [--address N[,N...]] [--baud N] [--parity E|O|N|M|S]\n"
    "               [--data-bits 7|8] [--stop-bits 1|2] [--timeout-ms MS] [--operator NAME]\n"
    "               [--trace] [--simulate] [--records FILE] [--json] COMMAND [ARGS]\n";

constexpr const char* kProgramHelp =
    "\n"
    "The sensor link from the command line: reads, configures, upgrades and finds Vexor\n"
    "conductivity sensors over a serial line (Modbus RTU framing), for scripts, production\n"
    "lines and remote work.\n"
    "\n"
    "Options:\n"
    "  --port DEVICE     the serial device (default /dev/ttyUSB0), or tcp://HOST:PORT for a\n"
    "                    serial device server, whose own line settings then apply\n"
    "  --address N       the sensor's address, 0 to 247 (default 0); monitor takes up to\n"
    "                    five, separated by commas\n"
    "  --baud N          2400, 4800, 9600, 19200, 38400, 57600 or 115200 (default 9600)\n"
    "  --parity P        E, O, N, M or S (default N)\n"
    "  --data-bits N     7 or 8 (default 8)\n"
    "  --stop-bits N     1 or 2 (default 1)\n"
    "  --timeout-ms MS   the reply time-out: silence after which a request counts as\n"
    "                    unanswered (default 1000, enough for a device server adding up to\n"
    "                    500 ms; scan: see scan --help)\n"
    "  --operator NAME   the name stamped with a download (default: the login name)\n"
    "  --trace           every frame (hex) and link event on standard error\n"
    "  --simulate        talk to the built-in virtual sensor instead of a port\n"
    "  --records FILE    the service record to write and read (default\n"
    "                    ~/.local/share/Corvane/service-records.sqlite)\n"
    "  --json            the results as JSON: one document on standard output (monitor:\n"
    "                    one object a line; history: one event a line)\n"
    "  --help            this help; COMMAND --help explains a command\n"
    "  --version         the version\n"
    "\n"
    "Commands:\n"
    "  info                            identity, history and setup, one 'Name: value' a line\n"
    "  monitor [--count N] [--csv]     live readings, one line per answered poll\n"
    "  read-setup FILE                 save the sensor's setup as a configuration file\n"
    "  write-setup FILE [--yes]        write a configuration file's setup to the sensor\n"
    "  download FILE [--install] [--yes]\n"
    "                                  flash a software image (Intel HEX) into the sensor\n"
    "  scan [--from N] [--to N]        list the addresses that answer\n"
    "  set-address NEW                 give the sensor a new address\n"
    "  calibrate conductivity 0|9.25|92.5|925 | temperature TRUE | outputs\n"
    "            [--stable-s S] [--timeout-s S] [--yes] [--no-adjust]\n"
    "                                  calibrate one point once the reading has settled\n"
    "  history [--serial S] [--since DATE] [--kind K] [--csv] [--show UUID]\n"
    "                                  the service record: what was done to which sensor\n"
    "  records push|pull postgresql://USER@HOST[:PORT]/DB\n"
    "                                  share the service record with the plant's server\n"
    "  certificate UUID --out FILE.pdf [--paper a4|letter]\n"
    "                                  a calibration certificate (PDF) of a recorded calibration\n"
    "  ports                           the serial adapters, their stable names and who holds them\n"
    "\n"
    "An option takes its value after a blank or after = (--port=/dev/ttyUSB1); -- ends the\n"
    "options. A FILE of - is standard output for read-setup and standard input for\n"
    "write-setup.\n"
    "\n"
    "Exit status, the same for every command:\n"
    "  0  done\n"
    "  1  the sensor did not answer (scan: no address answered), rejected a request or the\n"
    "     link failed; the service record cannot be read\n"
    "  2  bad usage, a bad file, or a UUID the service record lacks\n"
    "  3  write-setup read back a value that differs, or calibrate's last reading is outside\n"
    "     its tolerance (or never settled)\n"
    "  4  write-setup stopped between its writes and the sensor may hold part of the new setup\n"
    "Results go to standard output; progress, questions and errors to standard error.\n";

struct CommandHelp {
    const char* name;
    const char* text;
};

constexpr CommandHelp kCommandHelp[] = {
    {"info",
     "usage: corvane [OPTIONS] info\n\n"
     "Reads the sensor's 17 data blocks and prints its identity, software and calibration\n"
     "history and its setup, one 'Name: value' line each, e.g. 'Serial Number: 123456'.\n"},
    {"monitor",
     "usage: corvane [OPTIONS] monitor [--count N] [--csv | --json]\n\n"
     "Polls the sensor as fast as the line allows and prints one line per answered poll: the\n"
     "time, the six readings (conductivity without and with temperature compensation,\n"
     "temperature, concentration, the two output currents) and the status lines the sensor\n"
     "raises. Stops after N answered polls, on Ctrl-C, or with exit status 1 when the sensor\n"
     "stops answering.\n"
     "  --count N   stop after N answered polls\n"
     "  --json      one JSON object a line: address, time, the readings by the CSV's names,\n"
     "              temperature_unit, concentration_unit and status (an array)\n"
     "  --csv       a header line, then rows of\n"
     "              "
     "time,cond_no_tc,cond_tc,temperature,concentration,output1_mA,output2_mA,status\n"
     "              (ISO 8601 local time; status lines joined by ';')\n"
     "With several addresses (--address 1,2,3, up to five) the sensors are polled in turn;\n"
     "each line begins with the address that answered, and the CSV has an address column\n"
     "first. A sensor that misses 3 polls in a row is named on standard error; monitor stops\n"
     "with exit status 1 when none answers.\n"},
    {"read-setup",
     "usage: corvane [OPTIONS] read-setup FILE\n\n"
     "Reads the sensor's setup and saves it as a configuration file (.QCF), the file the\n"
     "desktop tool's Setup page opens and saves. The file is replaced in one step. A FILE of\n"
     "- writes the file to standard output (and says so on standard error).\n"},
    {"write-setup",
     "usage: corvane [OPTIONS] write-setup FILE [--yes]\n\n"
     "Loads the configuration file (all of it, or nothing), reads the sensor's setup, prints\n"
     "the differences field by field, asks before writing (unless --yes), writes the whole\n"
     "setup, reads it back and compares. Exit status 3 names a field that read back\n"
     "differently. A write whose reply is lost is sent again; once the writes have begun,\n"
     "Ctrl-C takes effect after the last (press it again to stop at once). Exit status 4: the\n"
     "writes stopped part way and the sensor may hold part of the new setup; the message\n"
     "lists the writes that went through. A FILE of - reads the file from standard input;\n"
     "no answer can follow it there, so it needs --yes.\n"
     "  --yes       write without asking\n"},
    {"download",
     "usage: corvane [OPTIONS] download FILE [--install] [--yes]\n\n"
     "Checks the software image (Intel HEX) whole, asks (unless --yes), then flashes it into\n"
     "the sensor as an upgrade, or as an installation with --install, and prints the software\n"
     "issue the sensor returns. The progress goes to standard error: a bar on a terminal, a\n"
     "line per 10 % otherwise.\n"
     "  --install   stamp the download as an installation rather than an upgrade\n"
     "  --yes       download without asking\n"},
    {"scan",
     "usage: corvane [OPTIONS] scan [--from N] [--to N]\n\n"
     "Probes each address from N to N (default 0 to 247) and prints those that answer, one a\n"
     "line, then how many answered on standard error. Exit status 1 when none answered.\n"
     "The probe time-out follows the line: at first what a directly attached sensor needs\n"
     "(the line time of probe and answer and the sensor's turn round, 20 ms at 9600 baud),\n"
     "then three times the slowest answer so far. An answer that comes after its probe's\n"
     "time-out still counts. Through a device server that adds more than a few\n"
     "milliseconds, give --timeout-ms (e.g. 300), or the addresses at the end of the range\n"
     "may be missed.\n"
     "  --json      {\"from\": N, \"to\": N, \"found\": [addresses]}, also when none answered\n"},
    {"history",
     "usage: corvane [--records FILE] history [--serial S] [--since DATE] [--kind K]\n"
     "                                        [--csv | --json] [--show UUID]\n\n"
     "Lists the service record's events, newest first: every setup written or read,\n"
     "configuration file saved or loaded, calibration (with the readings as found and as left),\n"
     "output forced to a test current, software download, serial number, address change and\n"
     "default setup, with who did it, when (UTC) and the result (done or failed). Both programs\n"
     "record what they do into the same file.\n"
     "  --serial S   only the sensor with serial number S\n"
     "  --since DATE only events at or after DATE (YYYY-MM-DD, UTC)\n"
     "  --kind K     only one kind: setup-written, setup-read, file-saved, file-loaded,\n"
     "               calibration, outputs-forced, download, serial-number, address-changed,\n"
     "               default-setup\n"
     "  --csv        a header, then one RFC 4180 row an event (details as JSON text)\n"
     "  --json       one JSON object a line, with the event's details\n"
     "  --show UUID  the one event, all of it (exit status 2 when the record lacks it)\n"
     "Each plain line ends in the event's UUID. With no event to list, that is said on\n"
     "standard error.\n"},
    {"records",
     "usage: corvane [--records FILE] records push|pull postgresql://USER@HOST[:PORT]/DB\n\n"
     "push copies the events of the service record that the server lacks to it; pull copies\n"
     "the server's events that the record lacks into it. Events are matched by their UUID, so\n"
     "running either again copies nothing twice; each batch is one transaction. The server's\n"
     "tables are made at the first push. A HOST beginning with %2F is the folder of the\n"
     "server's Unix socket; a password comes from PGPASSWORD.\n"},
    {"certificate",
     "usage: corvane [--records FILE] certificate UUID --out FILE.pdf [--paper a4|letter]\n\n"
     "Writes the calibration certificate of the service record's calibration event UUID as a\n"
     "PDF file: the sensor's identity, when and by whom, and one row a calibration point with\n"
     "the reference, the values as found and as left, the deviation, the tolerance and the\n"
     "verdict (PASS, FAIL or NOT VERIFIED), then a line for a signature. An event of a guided\n"
     "calibration run brings every calibration of that run of the sensor into the certificate.\n"
     "A reset to the default calibration or of the current source has no reference values and\n"
     "is refused. The file is replaced in one step. Needs no sensor and no display.\n"
     "  --out FILE.pdf        the file to write\n"
     "  --paper a4|letter     the paper size (default a4)\n"},
    {"ports",
     "usage: corvane ports [--json]\n\n"
     "Lists the serial adapters, one a line: the stable name under /dev/serial/by-id (the same\n"
     "whichever USB socket the adapter is in; give it to --port), the device it points to, the\n"
     "USB vendor and product ids and texts where the adapter gives them, and 'free' or the\n"
     "programs that hold it ('in use by minicom, PID 4711'). Adapters without a stable name\n"
     "(ttyUSB, ttyACM) follow. Needs no sensor.\n"
     "  --json      {\"ports\": [{\"name\", \"device\", \"vendor_id\", \"product_id\", \"maker\",\n"
     "              \"product\", \"held_by\": [{\"program\", \"pid\"}]}]}\n"},
    {"set-address",
     "usage: corvane [OPTIONS] set-address NEW\n\n"
     "Gives the sensor at --address the address NEW (0 to 247) and confirms it by polling the\n"
     "sensor at its new address.\n"},
    {"calibrate",
     "usage: corvane [OPTIONS] calibrate conductivity 0|9.25|92.5|925 [--stable-s S]\n"
     "                                   [--timeout-s S] [--yes] [--no-adjust]\n"
     "       corvane [OPTIONS] calibrate temperature TRUE [...]\n"
     "       corvane [OPTIONS] calibrate outputs [...]\n\n"
     "Calibrates one point as the desktop tool's Calibration Assistant does. Conductivity and\n"
     "temperature: fit the point's reference loop resistor (or none for 0 mS/cm, the sensor in\n"
     "air), or put the sensor in a bath of TRUE degrees in the unit it shows; the command waits\n"
     "until the reading has settled (over at least S seconds and 25 polls it spreads no more\n"
     "than 0.2 % of the point, 0.05 mS/cm at 0 or 0.1 degC, never finer than the 0.1 mS/cm or\n"
     "0.01 degree the sensor reports), prints it as found with its deviation, asks (unless\n"
     "--yes) and sends the calibration, waits for the sensor's confirmation and for the\n"
     "reading to settle again, and prints it as left with the verdict. Outputs: both current\n"
     "outputs are forced to 4 mA and then 20 mA; at each the command asks for the DVM readings\n"
     "of output 1 and 2 (mA) as found, calibrates, and asks again as left (tolerance 0.02 mA);\n"
     "the outputs return to normal at the end, whatever way it ends. The calibration stamp\n"
     "(date and operator) follows a confirmed calibration. Each run is recorded in the service\n"
     "record.\n"
     "  --stable-s S    the shortest stretch of readings that counts as settled (default 10)\n"
     "  --timeout-s S   how long a reading may take to settle (default 300)\n"
     "  --yes           calibrate without asking\n"
     "  --no-adjust     only check: print the reading as found and its verdict, send nothing\n"
     "Exit status: 0 the last reading taken (as left, or as found with --no-adjust) is within\n"
     "tolerance; 3 it is outside, or the reading did not settle in time; 1 the link failed or\n"
     "the sensor did not confirm the calibration; 2 bad usage.\n"},
};

// Whether `text` is a number a calibration takes ("92.5", "-5", "1e1" are; "--yes" is not).
bool IsNumberText(const std::string& text) {
    if (text.empty()) return false;
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    return end == text.c_str() + text.size() && std::isfinite(value);
}

// A date as YYYY-MM-DD, as --since takes it.
bool IsSince(const std::string& text) {
    if (text.size() != 10 || text[4] != '-' || text[7] != '-') return false;
    for (const std::size_t i : {0u, 1u, 2u, 3u, 5u, 6u, 8u, 9u}) {
        if (text[i] < '0' || text[i] > '9') return false;
    }
    const int year = std::stoi(text.substr(0, 4));
    const int month = (text[5] - '0') * 10 + (text[6] - '0');
    const int day = (text[8] - '0') * 10 + (text[9] - '0');
    if (month < 1 || month > 12 || day < 1) return false;
    // A day the month has: no 31 February, and 29 February only in a leap year.
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return day <= kDays[month - 1] + (month == 2 && leap ? 1 : 0);
}

std::optional<int> IntegerIn(const std::string& text, int low, int high) {
    const auto value = fw::ParseInteger(text);
    if (!value || *value < low || *value > high) return std::nullopt;
    return static_cast<int>(*value);
}

class Parser {
  public:
    Parser(const std::vector<std::string>& args, CommandLine& line, std::string& error)
        : args_(args), line_(line), error_(error) {}

    bool Parse() {
        std::vector<std::string> positional;
        bool optionsEnded = false;  // after "--" every argument is a command or an argument
        for (i_ = 0; i_ < args_.size(); ++i_) {
            std::string arg = args_[i_];
            inlineValue_.reset();
            if (!optionsEnded && arg == "--") {
                optionsEnded = true;
                continue;
            }
            const bool option = !optionsEnded && arg.starts_with("-") && arg.size() > 1 &&
                                !(line_.command.name == "calibrate" && IsNumberText(arg));
            if (option && arg.starts_with("--")) {
                // --opt=value, as --opt value
                if (const std::size_t equals = arg.find('='); equals != std::string::npos) {
                    inlineValue_ = arg.substr(equals + 1);
                    arg.resize(equals);
                }
            }
            if (option && (arg == "--help" || arg == "-h")) {
                line_.help = true;
            } else if (option && arg == "--version") {
                line_.version = true;
            } else if (option) {
                if (!Option(arg)) return false;
            } else if (line_.command.name.empty()) {
                line_.command.name = arg;
                if (!KnownCommand(arg)) return Fail("unknown command: " + arg);
            } else {
                positional.push_back(arg);
            }
            if (inlineValue_) return Fail(arg + " takes no value");
        }
        if (line_.help || line_.version) return true;
        if (line_.command.name.empty()) return Fail("no command given");
        return Positional(positional);
    }

  private:
    static bool KnownCommand(const std::string& name) {
        return std::any_of(std::begin(kCommandHelp), std::end(kCommandHelp),
                           [&name](const CommandHelp& h) { return name == h.name; });
    }

    bool Fail(std::string text) {
        error_ = std::move(text);
        return false;
    }

    bool Value(const std::string& option, std::string& value) {
        if (inlineValue_) {
            value = *inlineValue_;
            inlineValue_.reset();
            return true;
        }
        if (i_ + 1 >= args_.size()) return Fail(option + " needs a value");
        value = args_[++i_];
        return true;
    }

    bool Number(const std::string& option, int low, int high, int& target) {
        std::string value;
        if (!Value(option, value)) return false;
        const auto number = IntegerIn(value, low, high);
        if (!number) {
            return Fail(option + " takes a whole number from " + std::to_string(low) + " to " +
                        std::to_string(high) + ", not '" + value + "'");
        }
        target = *number;
        return true;
    }

    // "--address 5", or for monitor "--address 1,2,3": up to five different addresses.
    bool Addresses(const std::string& option) {
        std::string value;
        if (!Value(option, value)) return false;
        std::vector<int>& addresses = line_.link.addresses;
        addresses.clear();
        std::size_t start = 0;
        while (true) {
            const std::size_t comma = value.find(',', start);
            const std::string part = value.substr(start, comma - start);
            const auto number = IntegerIn(part, 0, kHighestAddress);
            if (!number) {
                return Fail(option + " takes whole numbers from 0 to " +
                            std::to_string(kHighestAddress) + ", separated by commas, not '" +
                            value + "'");
            }
            if (std::find(addresses.begin(), addresses.end(), *number) != addresses.end()) {
                return Fail(option + " names address " + part + " twice");
            }
            addresses.push_back(*number);
            if (comma == std::string::npos) break;
            start = comma + 1;
        }
        if (addresses.size() > kMostMonitoredAddresses) {
            return Fail(option + " takes at most " + std::to_string(kMostMonitoredAddresses) +
                        " addresses");
        }
        line_.link.address = addresses.front();
        return true;
    }

    bool CommandIs(std::initializer_list<const char*> names, const std::string& option) {
        for (const char* name : names) {
            if (line_.command.name == name) return true;
        }
        return Fail(option + " is not an option of " +
                    (line_.command.name.empty() ? std::string("corvane (give it after the command)")
                                                : line_.command.name));
    }

    bool Option(const std::string& arg) {
        LinkOptions& link = line_.link;
        CommandOptions& command = line_.command;
        std::string value;
        if (arg == "--port") return Value(arg, link.port);
        if (arg == "--address") return Addresses(arg);
        if (arg == "--baud") {
            if (!Value(arg, value)) return false;
            const auto baud = IntegerIn(value, 1, 1'000'000);
            if (!baud || std::find(std::begin(kBaudRates), std::end(kBaudRates), *baud) ==
                             std::end(kBaudRates)) {
                return Fail("--baud takes 2400, 4800, 9600, 19200, 38400, 57600 or 115200, not '" +
                            value + "'");
            }
            link.baud = *baud;
            return true;
        }
        if (arg == "--parity") {
            if (!Value(arg, value)) return false;
            if (value.size() != 1 || std::strchr("EONMS", value[0]) == nullptr) {
                return Fail("--parity takes E, O, N, M or S, not '" + value + "'");
            }
            link.parity = value[0];
            return true;
        }
        if (arg == "--data-bits") return Number(arg, 7, 8, link.dataBits);
        if (arg == "--stop-bits") return Number(arg, 1, 2, link.stopBits);
        if (arg == "--operator") return Value(arg, link.operatorName);
        if (arg == "--trace") return link.trace = true;
        if (arg == "--simulate") return link.simulate = true;
        if (arg == "--records") return Value(arg, link.records);
        if (arg == "--timeout-ms") return Number(arg, 1, 60'000, link.timeoutMs);
        if (arg == "--serial") return CommandIs({"history"}, arg) && Value(arg, command.serial);
        if (arg == "--since") {
            if (!CommandIs({"history"}, arg) || !Value(arg, command.since)) return false;
            if (!IsSince(command.since)) {
                return Fail("--since takes a date as YYYY-MM-DD, not '" + command.since + "'");
            }
            return true;
        }
        if (arg == "--kind") {
            if (!CommandIs({"history"}, arg) || !Value(arg, command.kind)) return false;
            if (!records::IsKnownKind(command.kind)) {
                return Fail(
                    "--kind takes setup-written, setup-read, file-saved, file-loaded, "
                    "calibration, outputs-forced, download, serial-number, "
                    "address-changed or default-setup, not '" +
                    command.kind + "'");
            }
            return true;
        }
        if (arg == "--json") return command.json = true;
        if (arg == "--show") return CommandIs({"history"}, arg) && Value(arg, command.show);
        if (arg == "--out") return CommandIs({"certificate"}, arg) && Value(arg, command.out);
        if (arg == "--paper") {
            if (!CommandIs({"certificate"}, arg) || !Value(arg, command.paper)) return false;
            if (command.paper != "a4" && command.paper != "letter") {
                return Fail("--paper takes a4 or letter, not '" + command.paper + "'");
            }
            return true;
        }
        if (arg == "--count") {
            return CommandIs({"monitor"}, arg) && Number(arg, 1, 1'000'000'000, command.count);
        }
        if (arg == "--csv") return CommandIs({"monitor", "history"}, arg) && (command.csv = true);
        if (arg == "--yes") {
            return CommandIs({"write-setup", "download", "calibrate"}, arg) && (command.yes = true);
        }
        if (arg == "--no-adjust") return CommandIs({"calibrate"}, arg) && (command.noAdjust = true);
        if (arg == "--stable-s") {
            return CommandIs({"calibrate"}, arg) && Number(arg, 1, 3600, command.stableSeconds);
        }
        if (arg == "--timeout-s") {
            return CommandIs({"calibrate"}, arg) && Number(arg, 1, 86'400, command.timeoutSeconds);
        }
        if (arg == "--install") return CommandIs({"download"}, arg) && (command.install = true);
        if (arg == "--from") {
            return CommandIs({"scan"}, arg) && Number(arg, 0, kHighestAddress, command.from);
        }
        if (arg == "--to") {
            return CommandIs({"scan"}, arg) && Number(arg, 0, kHighestAddress, command.to);
        }
        return Fail("unknown option: " + arg);
    }

    bool Positional(const std::vector<std::string>& positional) {
        CommandOptions& command = line_.command;
        const std::string& name = command.name;
        const bool takesFile = name == "read-setup" || name == "write-setup" || name == "download";
        if (name == "records") {
            if (positional.size() != 2 || (positional[0] != "push" && positional[0] != "pull")) {
                return Fail(
                    "records needs push or pull and the server, "
                    "postgresql://USER@HOST[:PORT]/DB");
            }
            command.direction = positional[0];
            command.server = positional[1];
            return true;
        }
        if (name == "calibrate") return Calibration(positional);
        if (name == "certificate") {
            if (positional.empty())
                return Fail("certificate needs the UUID of a calibration event");
            if (positional.size() > 1) return Fail("unexpected argument: " + positional[1]);
            if (command.out.empty()) return Fail("certificate needs --out FILE.pdf");
            command.uuid = positional[0];
            return true;
        }
        if (command.csv && command.json) return Fail(name + " prints --csv or --json, not both");
        const std::size_t wanted = takesFile || name == "set-address" ? 1 : 0;
        if (positional.size() < wanted) {
            return Fail(name + " needs " + (takesFile ? "a FILE" : "the NEW address"));
        }
        if (positional.size() > wanted) return Fail("unexpected argument: " + positional[wanted]);
        if (takesFile) command.file = positional[0];
        if (name == "read-setup" && command.file == "-" && command.json) {
            return Fail("read-setup - writes the file itself to standard output: no --json there");
        }
        if (name == "download" && command.file == "-") {
            return Fail("download needs the image as a FILE, not standard input");
        }
        if (name == "write-setup" && command.file == "-" && !command.yes) {
            return Fail(
                "write-setup - reads the file from standard input, where no answer can follow "
                "it: give --yes");
        }
        if (name == "set-address") {
            const auto address = IntegerIn(positional[0], 0, kHighestAddress);
            if (!address) return Fail("the new address is a whole number from 0 to 247");
            command.newAddress = *address;
        }
        if (line_.link.addresses.size() > 1 && name != "monitor") {
            return Fail("several addresses (--address N,N,...) are for monitor only");
        }
        if (name == "scan" && command.from > command.to) {
            return Fail("--from " + std::to_string(command.from) + " lies above --to " +
                        std::to_string(command.to));
        }
        return true;
    }

    // conductivity 0|9.25|92.5|925, temperature TRUE, or outputs.
    bool Calibration(const std::vector<std::string>& positional) {
        CommandOptions& command = line_.command;
        const std::string quantity = positional.empty() ? "" : positional[0];
        const std::size_t wanted = quantity == "outputs" ? 1 : 2;
        if (quantity != "conductivity" && quantity != "temperature" && quantity != "outputs") {
            return Fail("calibrate needs conductivity POINT, temperature TRUE or outputs");
        }
        if (positional.size() < wanted) {
            return Fail("calibrate " + quantity +
                        (quantity == "conductivity" ? " needs the point: 0, 9.25, 92.5 or 925"
                                                    : " needs the true temperature"));
        }
        if (positional.size() > wanted) return Fail("unexpected argument: " + positional[wanted]);
        if (line_.link.addresses.size() > 1) {
            return Fail("several addresses (--address N,N,...) are for monitor only");
        }
        command.quantity = quantity;
        if (wanted == 1) return true;
        const std::string& value = positional[1];
        if (!IsNumberText(value)) return Fail("'" + value + "' is not a number");
        command.reference = std::strtod(value.c_str(), nullptr);
        if (quantity == "conductivity" && !calibration::ConductivityPoint(command.reference)) {
            return Fail("the conductivity points are 0, 9.25, 92.5 and 925 mS/cm, not " + value);
        }
        // The request carries hundredths of a degree in 16 bits.
        if (quantity == "temperature" && std::fabs(command.reference) > 327.0) {
            return Fail("the true temperature lies from -327 to 327 degrees, not " + value);
        }
        return true;
    }

    const std::vector<std::string>& args_;
    CommandLine& line_;
    std::string& error_;
    std::size_t i_ = 0;
    std::optional<std::string> inlineValue_;  // the value of --opt=value, until taken
};

}  // namespace

bool ParseCommandLine(const std::vector<std::string>& args, CommandLine& line, std::string& error) {
    return Parser(args, line, error).Parse();
}

std::string UsageText() {
    return std::string(kUsage) + "Try 'corvane --help' for the commands.\n";
}

std::string HelpText(const std::string& command) {
    for (const CommandHelp& help : kCommandHelp) {
        if (command == help.name) return help.text;
    }
    return std::string(kUsage) + kProgramHelp;
}

}  // namespace corvane::cli
