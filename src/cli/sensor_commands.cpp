#include "cli/sensor_commands.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <iomanip>
#include <map>
#include <sstream>
#include <string_view>

#include "cli/calibrate_command.h"
#include "cli/command_session.h"
#include "cli/control_escapes.h"
#include "cli/json_output.h"
#include "download/hex_image.h"
#include "download/image_file.h"
#include "framework/number_text.h"
#include "link/command_table.h"
#include "link/fast_link.h"
#include "link/readings_csv.h"
#include "link/reply_decoder.h"
#include "link/shared_records.h"
#include "setup/config_file.h"
#include "setup/setup_fields.h"
#include "setup/whole_setup.h"
#include "setup/wire_limits.h"

namespace corvane::cli {
namespace {

// The names a file given as "-" goes by in messages and in the service record.
constexpr const char* kStandardInput = "(standard input)";
constexpr const char* kStandardOutput = "(standard output)";
// The most standard input that is read for a setup: far more than any configuration file.
constexpr std::size_t kLargestSetupInput = 1 << 20;

// Keeps what is written and passes it on to another stream as well.
class CopyingBuffer : public std::stringbuf {
  public:
    explicit CopyingBuffer(std::ostream* copy) : copy_(copy) {}

  protected:
    std::streamsize xsputn(const char* text, std::streamsize count) override {
        if (copy_ != nullptr) copy_->write(text, count).flush();
        return std::stringbuf::xsputn(text, count);
    }
    int_type overflow(int_type c) override {
        if (copy_ != nullptr && c != traits_type::eof()) copy_->put(static_cast<char>(c)).flush();
        return std::stringbuf::overflow(c);
    }

  private:
    std::ostream* copy_;
};

// Unanswered polls in a row after which monitor gives the sensor up.
constexpr int kMonitorMisses = 3;
// Attempts at one write of a whole setup whose reply is lost before the write is given up: each
// write sends the whole of its part of the setup, so repeating it is safe.
constexpr int kWriteAttempts = 3;

// What a write of a whole setup carries.
std::string PartName(int command) {
    const auto info = FindCommand(command);
    const FunctionInfo* function = info ? FindFunction(info->function) : nullptr;
    return function != nullptr ? std::string(function->part) : std::string();
}
// Download requests in a row that go unanswered (or refused) before the download is given up:
// the desktop tool repeats the request until the operator cancels, the command line has no one
// to cancel it.
constexpr int kDownloadRequestAttempts = 5;

// A message ending in a full stop, so that another can follow it.
std::string Sentence(std::string text) {
    while (!text.empty() && (text.back() == ' ' || text.back() == '\n')) text.pop_back();
    if (!text.empty() && text.back() != '.' && text.back() != '!') text += '.';
    return text;
}

class Commands : private CommandSession {
  public:
    Commands(const CommandLine& line, SharedRecords& records, FastLink& link, Console& console,
             records::ServiceRecorder* recorder)
        : CommandSession(line, records, link, console), recorder_(recorder) {}

    int Run() {
        const std::string& name = line_.command.name;
        Result result;
        if (name == "info") result = Info();
        if (name == "monitor") result = Monitor();
        if (name == "read-setup") result = ReadSetup();
        if (name == "write-setup") result = WriteSetup();
        if (name == "download") result = Download();
        if (name == "scan") result = Scan();
        if (name == "set-address") result = SetAddress();
        if (name == "calibrate") result = Calibrate();
        // The document is the result: printed when the command did its work (and by scan and
        // calibrate for their verdicts), otherwise the message on standard error says why.
        if (json_ && Json() && (!result || jsonEvenOnFailure_)) io_.out << json_->Build() << "\n";
        io_.out.flush();
        if (!result && !io_.out) {
            result = Failure{kBadInput, "cannot write the results to standard output"};
        }
        if (!result) return kDone;
        io_.err << "corvane: " << result->message << "\n";
        return result->status;
    }

  private:
    bool Json() const { return line_.command.json; }
    // The command's JSON document, printed as the command ends (when it has one by then).
    JsonObject& Document() {
        if (!json_) json_.emplace();
        return *json_;
    }

    Result Info() {
        if (Result failure = Upload()) return failure;
        const std::vector<std::string> lines = InfoLines(r_.Sensor, Address());
        if (!Json()) {
            for (const std::string& text : lines) io_.out << text << "\n";
            return std::nullopt;
        }
        // {"address": N, then one member a line, named after it: "serial_number": "..."}
        JsonObject& document = Document().Integer("address", Address());
        for (const std::string& text : lines) {
            const std::size_t colon = text.find(": ");
            const std::string name = text.substr(0, colon);
            if (colon == std::string::npos || name == "Device Address") continue;
            document.Text(JsonKeyOf(name), text.substr(colon + 2));
        }
        return std::nullopt;
    }

    // calibrate --json: the lines calibrate prints, and its verdict, as one object. Where it will
    // ask, the lines also go to standard error, so that the question comes with the reading.
    Result Calibrate() {
        if (!Json()) return RunCalibrate(line_, r_, link_, io_, recorder_);
        const bool asks = !line_.command.yes && !line_.command.noAdjust;
        CopyingBuffer buffer(asks ? &io_.err : nullptr);
        std::ostream text(&buffer);
        Console captured{text,
                         io_.err,
                         io_.readLine,
                         io_.readInput,
                         io_.errIsTerminal,
                         io_.interrupted,
                         io_.interruptCount,
                         io_.now};
        Result result = RunCalibrate(line_, r_, link_, captured, recorder_);
        std::vector<std::string> lines;
        std::string verdict;
        std::istringstream in(buffer.str());
        for (std::string one; std::getline(in, one);) {
            if (one.starts_with("Verdict: ")) verdict = one.substr(9, one.find(' ', 9) - 9);
            lines.push_back(one);
        }
        JsonObject& document =
            Document().Integer("address", Address()).Text("quantity", line_.command.quantity);
        if (line_.command.quantity == "outputs") {
            document.Null("reference");
        } else {
            document.Number("reference", line_.command.reference);
        }
        if (verdict.empty()) {
            document.Null("verdict");
        } else {
            document.Text("verdict", verdict);
        }
        document.Json("lines", JsonTextArray(lines));
        jsonEvenOnFailure_ = !verdict.empty();  // a FAIL verdict is a result too
        return result;
    }

    // One address: the readings as they have always been printed. Several: the channel cycle
    // visits them in turn, and each line (or CSV row) begins with the address that answered.
    Result Monitor() {
        const CommandOptions& options = line_.command;
        const std::vector<int>& addresses = line_.link.addresses;
        const bool several = addresses.size() > 1;
        ChannelCycle& cycle = link_.Link().Channels();
        ChannelCycle::Flags on{};
        if (several) {
            for (std::size_t i = 0; i < addresses.size(); ++i) on[i] = 1;
            cycle.PollAddresses(addresses);
        }
        if (options.csv) {
            io_.out << (several ? "address," : "") << kReadingsCsvHeader << "\n" << std::flush;
        }
        int answered = 0;
        int misses = 0;
        const int mostMisses =
            kMonitorMisses * static_cast<int>(std::max<std::size_t>(addresses.size(), 1));
        std::map<int, int> silentPolls;  // by address, for the note on a sensor gone silent
        while ((options.count == 0 || answered < options.count) && !io_.interrupted()) {
            const ExchangeEnded exchange = link_.Step();
            if (several) cycle.Step(on);
            if (exchange.outcome == Outcome::PortFailed) return LinkFailure(exchange);
            if (exchange.outcome == Outcome::Silent && link_.LastPortFailure()) {
                return PortFailure();
            }
            if (exchange.outcome != Outcome::Answered || exchange.function != fn::kPoll) {
                if (several && exchange.function == fn::kPoll &&
                    ++silentPolls[exchange.address] == kMonitorMisses) {
                    io_.err << "corvane: address " << exchange.address << " did not answer "
                            << kMonitorMisses << " polls in a row\n";
                }
                if (++misses >= mostMisses) {
                    Failure failure = LinkFailure(exchange);
                    failure.message += " (" + std::to_string(misses) + " polls in a row)";
                    return failure;
                }
                continue;
            }
            misses = 0;
            silentPolls[exchange.address] = 0;
            ++answered;
            const ReadingRow row = RowOfAnsweredPoll(r_, io_.now());
            if (several && !Json()) {
                io_.out << exchange.address << (options.csv ? "," : "  ");
            }
            if (Json()) {
                io_.out << ReadingsJson(row, exchange.address) << "\n" << std::flush;
                if (!io_.out) break;
                continue;
            }
            io_.out << (options.csv ? ReadingsCsvLine(row) : ReadingsText(row)) << "\n"
                    << std::flush;
            if (!io_.out) break;  // reported as the command ends
        }
        return std::nullopt;
    }

    std::string ReadingsText(const ReadingRow& row) const {
        const SensorData& s = r_.Sensor;
        std::string text = IsoLocalTime(row.time) + "  Cond " +
                           fw::FormatNumber("%.1f", row.CondRaw) + " mS/cm  with T.C. " +
                           fw::FormatNumber("%.1f", row.CondComp) + " mS/cm  Temp " +
                           fw::FormatNumber("%.2f", row.Temperature) + " " + s.TempUnit +
                           "  Conc " + fw::FormatNumber("%.2f", row.Concentration) +
                           (s.DigitalUnit.empty() ? "" : " " + s.DigitalUnit) + "  Out1 " +
                           fw::FormatNumber("%.3f", row.Out1Current) + " mA  Out2 " +
                           fw::FormatNumber("%.3f", row.Out2Current) + " mA";
        for (const std::string& status : row.Status) text += "  [" + status + "]";
        return text;
    }

    // One answered poll as monitor --json prints it: the CSV's columns by the same names, the
    // units the plain line shows, and the status lines as an array.
    std::string ReadingsJson(const ReadingRow& row, int address) const {
        const SensorData& s = r_.Sensor;
        return JsonObject()
            .Integer("address", address)
            .Text("time", IsoLocalTime(row.time))
            .Number("cond_no_tc", row.CondRaw, "%.1f")
            .Number("cond_tc", row.CondComp, "%.1f")
            .Number("temperature", row.Temperature, "%.2f")
            .Text("temperature_unit", s.TempUnit)
            .Number("concentration", row.Concentration, "%.2f")
            .Text("concentration_unit", s.DigitalUnit)
            .Number("output1_mA", row.Out1Current, "%.3f")
            .Number("output2_mA", row.Out2Current, "%.3f")
            .Json("status", JsonTextArray(row.Status))
            .Build();
    }

    Result ReadSetup() {
        if (Result failure = Upload()) return failure;
        const std::string& path = line_.command.file;
        if (path == "-") {
            // The file itself is the result; what was done goes to standard error.
            const std::vector<std::uint8_t> bytes = EncodeConfig(r_);
            std::ostream& file = io_.fileOut != nullptr ? *io_.fileOut : io_.out;
            io_.out.flush();
            file.write(reinterpret_cast<const char*>(bytes.data()),
                       static_cast<std::streamsize>(bytes.size()));
            file.flush();
            if (!file) return Failure{kBadInput, "cannot write the setup to standard output"};
            link_.Link().NoteSetupFile(true, kStandardOutput);
            io_.err << "corvane: setup of the sensor at address " << Address()
                    << " written to standard output\n";
            return std::nullopt;
        }
        std::string error;
        if (!SaveConfigFile(path, r_, error)) return Failure{kBadInput, error};
        link_.Link().NoteSetupFile(true, path);
        if (Json()) {
            Document().Integer("address", Address()).Text("file", path);
            return std::nullopt;
        }
        io_.out << "Setup of the sensor at address " << Address() << " saved to " << path << "\n";
        return std::nullopt;
    }

    // A configuration file, or standard input for "-".
    // `savedBy`: the operator the file was saved by.
    LoadOutcome LoadSetupFile(const std::string& path, SharedRecords& file, std::string& error,
                              int& recordsRead, std::string& savedBy) const {
        if (path != "-") return LoadConfigFile(path, file, error, &recordsRead, &savedBy);
        const auto text = io_.readInput(kLargestSetupInput);
        if (!text) {
            error = "standard input cannot be read, or holds far more than a setup";
            return LoadOutcome::Unreadable;
        }
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(text->data());
        if (!DecodeConfig(std::span(bytes, text->size()), file, &recordsRead, &savedBy)) {
            error = config_file::kEndedEarly;
            return LoadOutcome::Damaged;
        }
        return LoadOutcome::Loaded;
    }

    Result WriteSetup() {
        const std::string& path = line_.command.file == "-" ? kStandardInput : line_.command.file;
        SharedRecords file;
        std::string error;
        int recordsRead = 0;
        std::string savedBy;
        const LoadOutcome outcome =
            LoadSetupFile(line_.command.file, file, error, recordsRead, savedBy);
        if (outcome == LoadOutcome::Damaged) {
            return Failure{kBadInput, path + ": the file ends in record " +
                                          std::to_string(recordsRead + 1) + " of " +
                                          std::to_string(config_file::kRecordCount) + " (" + error +
                                          "). Nothing was sent."};
        }
        if (outcome != LoadOutcome::Loaded) {
            return Failure{kBadInput, path + ": " + Sentence(error) + " Nothing was sent."};
        }
        if (const auto unsendable = UnsendableSetupValue(file.Sensor)) {
            return Failure{kBadInput, path + ": the setup holds a value the sensor cannot take: " +
                                          *unsendable + ". Nothing was sent."};
        }
        if (Result failure = Upload()) return failure;
        link_.Link().NoteSetupFile(false, path, savedBy);
        const SensorData written = SetupToWrite(file.Sensor);
        const std::vector<std::string> changes = Differences(r_.Sensor, written);
        if (Json()) {
            // The fields as the service record names a written setup's changes.
            std::vector<std::string> items;
            for (const SetupField& field : SetupFields()) {
                if (SameOnTheWire(field, r_.Sensor, written)) continue;
                items.push_back(JsonObject()
                                    .Text("field", field.name)
                                    .Text("old", FieldText(field, r_.Sensor))
                                    .Text("new", FieldText(field, written))
                                    .Build());
            }
            Document()
                .Integer("address", Address())
                .Text("file", path)
                .Json("changes", JsonArray(items));
        } else if (changes.empty()) {
            io_.out << "No differences: the sensor's setup already equals " << path << "\n";
        } else {
            io_.out << "Changes to the setup of the sensor at address " << Address()
                    << " (sensor -> file):\n";
            for (const std::string& change : changes) io_.out << "  " << change << "\n";
        }
        bool yes = false;
        if (Result failure = Confirm("Write the setup of " + path + " to the sensor?", yes)) {
            return failure;
        }
        if (!yes) {
            if (Json()) Document().Bool("written", false);
            if (!Json()) io_.out << "Nothing was written.\n";
            return std::nullopt;
        }
        if (Result failure = WriteWholeSetup(written)) return failure;
        if (Result failure = Upload()) {
            failure->message += " (while reading the setup back)";
            return failure;
        }
        if (const auto field = FirstDifferingField(written, r_.Sensor)) {
            return Failure{kReadBackDiffers,
                           "the sensor read back a different " + *field + ": wrote " +
                               FieldText(*FieldNamed(*field), written) + ", read " +
                               FieldText(*FieldNamed(*field), r_.Sensor)};
        }
        if (Json()) {
            Document().Bool("written", true);
        } else {
            io_.out << "Setup written and read back: it equals " << path << "\n";
        }
        return std::nullopt;
    }

    // How the write that a whole-setup write stopped at ended.
    enum class StoppedWrite { NotSent, Unconfirmed, Refused };

    // Sends the nine writes of a whole setup. Once they have begun they are finished: Ctrl-C is
    // honoured after the last (a second Ctrl-C stops at once), and a write whose reply is lost
    // is sent again. A run that stops between them says which writes went through.
    Result WriteWholeSetup(const SensorData& written) {
        bool stopAfterWrites = false;
        for (std::size_t done = 0; done < kWholeSetupWrites.size(); ++done) {
            const int command = kWholeSetupWrites[done];
            ExchangeEnded last{};
            bool answered = false;
            for (int attempt = 0; attempt < kWriteAttempts && !answered; ++attempt) {
                if (io_.interrupted()) {
                    if (io_.interruptCount() >= 2) {
                        return PartlyWritten(
                            done, "stopped by a second Ctrl-C",
                            attempt > 0 ? StoppedWrite::Unconfirmed : StoppedWrite::NotSent);
                    }
                    stopAfterWrites = true;
                }
                // A link reset on a lost reply forgets the identity the setup carries (the plant
                // number): each attempt sends the setup as it is to be written.
                r_.Sensor = written;
                const RequestHandle write = link_.Link().Queue(command);
                do {
                    last = link_.Step();
                } while (last.outcome == Outcome::Answered && !write.Ended());
                answered = write.Answered();
                if (last.outcome == Outcome::Exception || last.outcome == Outcome::PortFailed) {
                    break;  // refused, or nothing more can go out: repeating it changes nothing
                }
            }
            if (!answered) {
                link_.Link().Withdraw(command);
                const Failure why = LinkFailure(last);
                const bool refused =
                    last.outcome == Outcome::Exception || last.outcome == Outcome::PortFailed;
                return PartlyWritten(done, why.message,
                                     refused ? StoppedWrite::Refused : StoppedWrite::Unconfirmed);
            }
        }
        r_.Sensor = written;
        if (stopAfterWrites || io_.interrupted()) {
            return Failure{kLinkFailed,
                           "interrupted after the whole setup was written; it was not read back"};
        }
        return std::nullopt;
    }

    // Which writes went through before the writes stopped at write `done`; the sensor may hold
    // part of the new setup unless none went through and the one it stopped at cannot have.
    Failure PartlyWritten(std::size_t done, const std::string& why, StoppedWrite stopped) const {
        if (done == 0 && stopped != StoppedWrite::Unconfirmed) {
            return {kLinkFailed, why + "; nothing was written"};
        }
        std::string message = "the sensor may hold part of the new setup: " + why + ". Written:";
        for (std::size_t i = 0; i < done; ++i) {
            message += std::string(i == 0 ? " " : ", ") + PartName(kWholeSetupWrites[i]);
        }
        if (done == 0) message += " none";
        std::size_t next = done;
        if (stopped != StoppedWrite::NotSent) {
            message += std::string(stopped == StoppedWrite::Refused ? ". Refused: "
                                                                    : ". Sent, unconfirmed: ") +
                       PartName(kWholeSetupWrites[done]);
            ++next;
        }
        if (next < kWholeSetupWrites.size()) {
            message += ". Not sent:";
            for (std::size_t i = next; i < kWholeSetupWrites.size(); ++i) {
                message += std::string(i == next ? " " : ", ") + PartName(kWholeSetupWrites[i]);
            }
        }
        return {kPartlyWritten, message + ". Write the setup again to finish it"};
    }

    static const SetupField* FieldNamed(const std::string& name) {
        for (const SetupField& field : SetupFields()) {
            if (field.name == name) return &field;
        }
        return &SetupFields().front();
    }

    // The setup of a configuration file in place of the sensor's, keeping what the file does
    // not hold (identity, plant number, history) and the line the link runs on.
    SensorData SetupToWrite(const SensorData& file) const {
        SensorData setup = file;
        const SensorData& now = r_.Sensor;
        setup.SerialNumber = now.SerialNumber;
        setup.PlantNumber = now.PlantNumber;
        setup.InstallIssue = now.InstallIssue;
        setup.InstallDate = now.InstallDate;
        setup.InstallName = now.InstallName;
        setup.UpgradeIssue = now.UpgradeIssue;
        setup.UpgradeDate = now.UpgradeDate;
        setup.UpgradeName = now.UpgradeName;
        setup.CalibrationDate = now.CalibrationDate;
        setup.CalibrationName = now.CalibrationName;
        setup.CalibrationDetails = now.CalibrationDetails;
        setup.DeviceId = now.DeviceId;
        setup.NewDeviceId = now.NewDeviceId;
        setup.LastDeviceId = now.LastDeviceId;
        setup.PortNumber = now.PortNumber;
        setup.PortIndex = now.PortIndex;
        setup.BaudIndex = now.BaudIndex;
        setup.DataBitsIndex = now.DataBitsIndex;
        setup.ParityIndex = now.ParityIndex;
        setup.StopBitsIndex = now.StopBitsIndex;
        setup.FlowIndex = now.FlowIndex;
        setup.BaudRate = now.BaudRate;
        setup.Parity = now.Parity;
        setup.DataBits = now.DataBits;
        setup.StopBits = now.StopBits;
        setup.FlowControl = now.FlowControl;
        setup.ChannelId = now.ChannelId;
        return setup;
    }

    Result Download() {
        const std::string& path = line_.command.file;
        const ImageFile file = ReadImageFile(path, kImageFileLimit);
        if (file.cause != FileCause::None) {
            return Failure{kBadInput,
                           path + ": " + FileCauseText(file.cause) + ". Nothing was sent."};
        }
        if (file.length > kImageFileLimit) {
            return Failure{kBadInput, path + ": " + std::to_string(file.length) +
                                          " bytes, more than an image can hold (" +
                                          std::to_string(kImageFileLimit) + "). Nothing was sent."};
        }
        HexImageCheck check = CheckHexImage(file.bytes);
        if (!check.accepted) {
            return Failure{kBadInput, path + ": " + Sentence(check.fault) + " Nothing was sent."};
        }
        const bool install = line_.command.install;
        std::size_t bytes = 0;
        for (const ImageBlock& block : check.blocks) bytes += block.Data.size();
        if (Json()) {
            Document()
                .Text("file", path)
                .Integer("blocks", static_cast<long long>(check.blocks.size()))
                .Integer("bytes", static_cast<long long>(bytes))
                .Bool("install", install);
        } else {
            io_.out << path << ": " << check.blocks.size() << " blocks, " << bytes << " bytes\n";
        }
        bool yes = false;
        if (Result failure =
                Confirm(std::string(install ? "Install" : "Upgrade") + " the software with " +
                            path + "? Download frames go to every sensor on the line (address 0)",
                        yes)) {
            return failure;
        }
        if (!yes) {
            if (Json()) Document().Bool("sent", false);
            if (!Json()) io_.out << "Nothing was sent.\n";
            return std::nullopt;
        }
        // The issue the sensor runs now, to tell whether the download changed it; a sensor that
        // cannot be read now is left to the download request to find out.
        std::string issueBefore;
        if (!Upload(false)) {
            issueBefore = r_.Sensor.UpgradeIssue;
        } else {
            link_.Link().Withdraw(ReadDataBlock);
        }
        const auto blockTotal = static_cast<unsigned>(check.blocks.size());
        DownloadWatch watch(link_.Link());
        link_.Link().StartDownload(
            std::move(check.blocks),
            install ? DownloadOrigin::FactoryPage : DownloadOrigin::SoftwarePage, path);
        return RunDownload(watch, install, issueBefore, blockTotal);
    }

    // What the link tells of the download under way: how far it has come, how it ended and its
    // stamp.
    struct DownloadWatch : LinkObserver {
        explicit DownloadWatch(SensorLink& link) : link_(link) { link_.AddObserver(*this); }
        ~DownloadWatch() override { link_.RemoveObserver(*this); }
        DownloadWatch(const DownloadWatch&) = delete;
        DownloadWatch& operator=(const DownloadWatch&) = delete;

        void DownloadHasProgressed(const DownloadProgress& p) override { progress = p; }
        void DownloadHasEnded(const DownloadResult& r) override { result = r; }
        void DownloadWasStamped(const DownloadStamped& s) override { stamped = s; }
        bool AllBlocksTaken() const {
            return progress && progress->blockTotal > 0 &&
                   progress->blocksTaken == progress->blockTotal;
        }
        // The block being sent, counted from 1.
        unsigned BlockUnderWay() const { return progress ? progress->blocksTaken + 1 : 1; }

        SensorLink& link_;
        std::optional<DownloadProgress> progress;
        std::optional<DownloadResult> result;
        std::optional<DownloadStamped> stamped;
    };

    Result RunDownload(DownloadWatch& watch, bool install, const std::string& issueBefore,
                       unsigned blockTotal) {
        int shownProgress = -1;
        int refusedRequests = 0;
        std::string trouble;  // the last exchange that went wrong, for the failure message
        while (!watch.stamped) {
            if (watch.result && watch.result->end != DownloadResult::End::Completed) {
                EndProgress(shownProgress);
                return DownloadFailure(watch.AllBlocksTaken(), trouble);
            }
            const unsigned blockBefore = watch.BlockUnderWay();
            const auto exchange = Step("downloading");
            if (!exchange) {
                EndProgress(shownProgress);
                const bool completed = watch.result.has_value();
                link_.Link().AbandonDownload();
                if (watch.AllBlocksTaken()) {
                    // The flash is whole: only the end of the download and its stamp are missing.
                    const std::string stamp = install ? "installation" : "upgrade";
                    return Failure{
                        kLinkFailed,
                        "interrupted after all " + std::to_string(blockTotal) +
                            " blocks were written: the flash holds the whole image, " +
                            (!completed ? "but the sensor was not told to restart on it and "
                                          "the " +
                                              stamp + " stamp was not written"
                                        : "but the " + stamp + " stamp was not written")};
                }
                return Failure{kLinkFailed, "interrupted while downloading block " +
                                                std::to_string(blockBefore) + " of " +
                                                std::to_string(blockTotal) +
                                                "; the sensor holds an incomplete image"};
            }
            if (exchange->outcome == Outcome::PortFailed) return LinkFailure(*exchange);
            if (exchange->outcome != Outcome::Answered) {
                trouble = LinkFailure(*exchange).message;
            } else if (exchange->function == fn::kFlashBlock &&
                       watch.BlockUnderWay() == blockBefore) {
                trouble = "the sensor rejected flash block " + std::to_string(blockBefore);
            }
            if (exchange->function == fn::kRequestDownload) {
                refusedRequests = exchange->outcome == Outcome::Answered ? 0 : refusedRequests + 1;
                if (refusedRequests >= kDownloadRequestAttempts) {
                    EndProgress(shownProgress);
                    link_.Link().AbandonDownload();
                    return Failure{kLinkFailed, trouble + " (" + std::to_string(refusedRequests) +
                                                    " attempts); nothing was written"};
                }
            }
            ShowProgress(watch.progress, shownProgress);
        }
        EndProgress(shownProgress);
        if (!watch.stamped->answered) return DownloadFailure(true, trouble);
        const std::string issue = watch.stamped->issue;
        if (Json()) {
            // Named as the service record names a download's issues.
            Document()
                .Bool("sent", true)
                .Text("issue_before", issueBefore)
                .Text("issue_after", issue);
            return std::nullopt;
        }
        io_.out << "Software " << (install ? "installed" : "upgraded") << ": issue " << issue;
        if (!issueBefore.empty() && issue == issueBefore) {
            io_.out << ", the same issue the sensor ran before the download (the image carries "
                       "that issue, or the sensor kept its old software)";
        }
        io_.out << "\n";
        return std::nullopt;
    }

    Failure DownloadFailure(bool allBlocksSent, const std::string& trouble) const {
        if (allBlocksSent) {
            return {kLinkFailed,
                    "every block was written, but the sensor did not return its "
                    "software issue after restarting" +
                        (trouble.empty() ? std::string() : " (" + trouble + ")")};
        }
        return {kLinkFailed, "the software download failed" + DownloadLines() +
                                 (trouble.empty() ? std::string() : "; " + trouble)};
    }

    // What the download's standing status lines say went wrong, in words, for the failure
    // message; nothing for the lines that only tell how far it got.
    std::string DownloadLines() const {
        struct Told {
            int line;
            const char* words;
        };
        static constexpr Told kTold[] = {
            {line::kFaultyDownloadAcknowledge.number,
             "the sensor did not acknowledge the announcement of the blocks"},
            {line::kFaultySensorRestart.number,
             "the sensor did not restart properly at the end of the download"},
            {line::kIssueNotReturned.number, "the sensor did not return its software issue"},
        };
        std::string lines;
        for (const Told& told : kTold) {
            if (r_.Slots.Stands(told.line)) lines += std::string("; ") + told.words;
        }
        return lines;
    }

    // The progress of the blocks, as the link tells it; nothing before the first block went.
    void ShowProgress(const std::optional<DownloadProgress>& told, int& shown) {
        if (!told) return;
        const DownloadProgress& d = *told;
        const int progress = d.percent;
        if (io_.errIsTerminal) {
            if (progress == shown) return;
            constexpr int kWidth = 40;
            const int filled = progress * kWidth / 100;
            io_.err << "\r[" << std::string(static_cast<std::size_t>(filled), '#')
                    << std::string(static_cast<std::size_t>(kWidth - filled), '.') << "] "
                    << std::setw(3) << progress << " %  block " << d.blocksTaken << " of "
                    << d.blockTotal << std::flush;
            shown = progress;
        } else {
            const int tenth = progress / 10 * 10;
            if (tenth <= std::max(shown, 0)) return;
            io_.err << tenth << " % (block " << d.blocksTaken << " of " << d.blockTotal << ")\n"
                    << std::flush;
            shown = tenth;
        }
    }

    void EndProgress(int shown) {
        if (io_.errIsTerminal && shown >= 0) io_.err << "\n";
    }

    Result Scan() {
        const CommandOptions& options = line_.command;
        int found = 0;
        std::vector<std::string> foundAddresses;
        std::optional<Failure> failure;
        const int stoppedAt = ScanAddresses(
            link_, options.from, options.to, line_.link.timeoutMs,
            [this] { return !io_.interrupted(); },
            [&](const ExchangeEnded& probe) {
                if (probe.outcome == Outcome::PortFailed || link_.LastPortFailure()) {
                    failure = PortFailure();
                    failure->message += " (at address " + std::to_string(probe.address) + ")";
                    return false;
                }
                if (probe.outcome == Outcome::Answered) {
                    if (!Json()) io_.out << probe.address << "\n" << std::flush;
                    foundAddresses.push_back(std::to_string(probe.address));
                    ++found;
                } else if (probe.outcome == Outcome::Exception) {
                    // As the desktop tool's search passes it: something answers there, but it
                    // refuses the sensor's probe, so this program cannot talk to it as a sensor.
                    io_.err << "corvane: address " << probe.address
                            << " refused the probe with an exception reply (a device that does "
                               "not take the sensor's probe)\n";
                } else if (probe.outcome == Outcome::Garbled) {
                    io_.err << "corvane: address " << probe.address
                            << " answered with a frame that failed its check (two sensors at one "
                               "address, or a noisy line)\n";
                }
                return true;
            });
        if (failure) return failure;
        if (stoppedAt <= options.to) {
            return Failure{kLinkFailed, "interrupted at address " + std::to_string(stoppedAt) +
                                            ": " + std::to_string(found) + " found from " +
                                            std::to_string(options.from) + " to " +
                                            std::to_string(stoppedAt - 1) +
                                            ", the rest not probed"};
        }
        if (Json()) {
            Document()
                .Integer("from", options.from)
                .Integer("to", options.to)
                .Json("found", JsonArray(foundAddresses));
            jsonEvenOnFailure_ = true;  // an empty scan is a result too
        }
        // An empty line is a failure for the script that asked: no sensor answered.
        if (found == 0) {
            return Failure{kLinkFailed, "scanned addresses " + std::to_string(options.from) +
                                            " to " + std::to_string(options.to) +
                                            ": no sensor answered"};
        }
        io_.err << "corvane: scanned addresses " << options.from << " to " << options.to << ": "
                << found << (found == 1 ? " sensor answered" : " sensors answered") << "\n";
        return std::nullopt;
    }

    Result SetAddress() {
        const int from = Address();
        const int to = line_.command.newAddress;
        if (to != from) {
            // Two sensors at one address would answer each other's requests at once.
            if (io_.interrupted()) {
                interruptedWhile_ = "checking the new address";
                return Interrupted();
            }
            link_.Link().ProbeAddress(to);
            const ExchangeEnded probe = link_.Step();
            link_.Link().TalkTo(from);
            if (probe.outcome == Outcome::PortFailed) return LinkFailure(probe);
            if (link_.LastPortFailure()) return PortFailure();
            if (probe.outcome != Outcome::Silent) {
                return Failure{kLinkFailed, "address " + std::to_string(to) +
                                                " is taken: something answers there; nothing "
                                                "was changed"};
            }
        }
        const RequestHandle change = link_.Link().SendNewAddress(to);
        while (!change.Ended()) {
            const auto exchange = Step("writing to the sensor");
            if (!exchange) return Interrupted();
            if (exchange->outcome != Outcome::Answered) return LinkFailure(*exchange);
        }
        link_.Link().TakeFinishedScan();  // the change is the command line's own, not a scan's
        link_.Link().TalkTo(to);
        const ExchangeEnded poll = link_.Step();
        if (poll.outcome != Outcome::Answered) {
            if (link_.LastPortFailure()) return PortFailure();
            Failure failure = LinkFailure(poll);
            failure.message = "the sensor took the new address " + std::to_string(to) +
                              " but did not answer there: " + failure.message;
            return failure;
        }
        if (Json()) {
            Document().Integer("old", from).Integer("new", to);  // as the service record has it
            return std::nullopt;
        }
        io_.out << "The sensor at address " << from << " now answers at address " << to << "\n";
        return std::nullopt;
    }

    records::ServiceRecorder* recorder_;
    std::optional<JsonObject> json_;
    bool jsonEvenOnFailure_ = false;
};

int IndexOf(std::initializer_list<int> values, int value, int otherwise) {
    int index = 0;
    for (const int v : values) {
        if (v == value) return index;
        ++index;
    }
    return otherwise;
}

}  // namespace

void ApplyLinkOptions(const LinkOptions& options, SharedRecords& r) {
    SensorData& s = r.Sensor;
    s.PortNumber = 1;
    s.DeviceId = options.address;
    s.NewDeviceId = options.address;
    s.LastDeviceId = options.address;
    s.BaudIndex = IndexOf({2400, 4800, 9600, 19200, 38400, 57600, 115200}, options.baud, 2);
    s.ParityIndex = IndexOf({'E', 'O', 'N', 'M', 'S'}, options.parity, 2);
    s.DataBitsIndex = options.dataBits == 7 ? 0 : 1;
    s.StopBitsIndex = options.stopBits == 2 ? 2 : 0;
    s.FlowIndex = 2;
    r.OperatorName = options.operatorName;
    ReopenPortAtNextRequest(r);
}

int ReplyTimeoutMs(const LinkOptions& options) {
    return options.timeoutMs > 0 ? options.timeoutMs : FastLink::kDefaultTimeoutMs;
}

int RunCommand(const CommandLine& line, SharedRecords& records, FastLink& link, Console& console,
               records::ServiceRecorder* recorder) {
    EscapingConsole escaping(console);
    return Commands(line, records, link, escaping.Get(), recorder).Run();
}

std::string PortFailureText(const PortFailure& failure, const std::string& device) {
    // Something that is there but is no device is named for what it is.
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::file_type type = fs::status(device, ec).type();
    if (!ec && type != fs::file_type::character) {
        const char* what = type == fs::file_type::directory ? "a folder"
                           : type == fs::file_type::fifo    ? "a named pipe"
                           : type == fs::file_type::regular ? "a regular file"
                           : type == fs::file_type::socket  ? "a socket"
                                                            : "no character device";
        return std::string("it is ") + what + ", not a serial device";
    }
    switch (failure.kind) {
        case PortFailureKind::Missing:
            return "no such device; plug in the adapter, or give its device with --port";
        case PortFailureKind::Busy:
            return "the device is in use by another program" +
                   (failure.holders.empty() ? std::string() : " (" + failure.holders + ")");
        default: return failure.reason;
    }
}

}  // namespace corvane::cli
