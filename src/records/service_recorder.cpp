#include "records/service_recorder.h"

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "framework/atomic_file.h"
#include "framework/clock.h"
#include "link/command_table.h"
#include "link/shared_records.h"
#include "records/reading_figures.h"
#include "records/sha256.h"
#include "setup/config_file.h"
#include "setup/setup_fields.h"

namespace corvane::records {
namespace {

using std::chrono::seconds;
using Clock = std::chrono::system_clock;

constexpr auto kReadingWindow = seconds(10);
constexpr auto kPollsKept = seconds(60);

// A part of the setup (the default setup, also a change of the setup, is an event of its own).
bool IsSetupWrite(int function) {
    const FunctionInfo* info = FindFunction(function);
    return info != nullptr && info->kind == FunctionKind::SetupPart;
}

std::string SetupPartName(int function) {
    const FunctionInfo* info = FindFunction(function);
    return info != nullptr && !info->part.empty() ? std::string(info->part) : "setup";
}

double ReadingOf(const ReadingRow& row, const std::string& name) {
    if (name == "temperature") return row.Temperature;
    if (name == "output1_mA") return row.Out1Current;
    if (name == "output2_mA") return row.Out2Current;
    return row.CondRaw;
}

std::uint8_t PayloadByte(const std::vector<std::uint8_t>& request, std::size_t index) {
    return request.size() > 2 + index ? request[2 + index] : 0;
}

}  // namespace

std::string Base64(std::span<const std::uint8_t> bytes) {
    static constexpr char kDigits[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string text;
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        const std::size_t n = std::min<std::size_t>(3, bytes.size() - i);
        const std::uint32_t group = static_cast<std::uint32_t>(bytes[i]) << 16 |
                                    (n > 1 ? static_cast<std::uint32_t>(bytes[i + 1]) << 8 : 0) |
                                    (n > 2 ? bytes[i + 2] : 0);
        for (std::size_t k = 0; k < 4; ++k) {
            text += k <= n ? kDigits[(group >> (18 - 6 * k)) & 0x3F] : '=';
        }
    }
    return text;
}

ServiceRecorder::ServiceRecorder(const SharedRecords& records, fw::Clock& clock, EventSink& sink,
                                 RecordingContext context)
    : r_(records), clock_(clock), sink_(sink), context_(std::move(context)) {}

ServiceRecorder::~ServiceRecorder() {
    Flush();
}

void ServiceRecorder::Flush() {
    EndSetupWrite();
    FinishCalibrations(true);
    for (Forced* forced : {&forced1_, &forced2_}) {
        if (forced->on) {
            EndForcing(*forced, forced == &forced1_ ? 1 : 2, r_.Sensor.DeviceId,
                       clock_.PreciseNow(), "still forced when recording ended");
        }
    }
    if (download_ && download_->result) WriteDownload(*download_->result, "");
}

ServiceEvent ServiceRecorder::NewEvent(const char* kind, int address, bool done) const {
    ServiceEvent event;
    event.uuid = NewUuid();
    event.timeUtc = UtcText(clock_.PreciseNow());
    event.operatorName = r_.OperatorName;
    event.workstation = context_.workstation;
    event.program = context_.program;
    event.version = context_.version;
    event.sensor = IdentityAt(address);
    event.kind = kind;
    event.result = done ? result::kDone : result::kFailed;
    return event;
}

std::string ServiceRecorder::PortNow() const {
    return context_.port ? context_.port() : std::string();
}

// The sensor read at this address, through this port, and not lost since (losing it puts the
// identity texts back to their defaults).
bool ServiceRecorder::IdentityKnownAt(int address) const {
    return identityRead_ && address == identityAddress_ && PortNow() == identityPort_ &&
           r_.Sensor.SerialNumber == identitySerial_;
}

SensorIdentity ServiceRecorder::IdentityAt(int address) const {
    SensorIdentity identity;
    identity.address = address;
    identity.port = PortNow();
    identity.identityRead = IdentityKnownAt(address);
    if (identity.identityRead) {
        identity.serialNumber = r_.Sensor.SerialNumber;
        identity.plantNumber = r_.Sensor.PlantNumber;
        identity.softwareIssue = r_.Sensor.UpgradeIssue;
    }
    return identity;
}

void ServiceRecorder::Hand(ServiceEvent event) {
    if (tap_) {
        const ServiceEvent copy = event;
        sink_.Write(std::move(event));
        tap_(copy);
        return;
    }
    sink_.Write(std::move(event));
}

void ServiceRecorder::ExchangeHasEnded(const ExchangeEnded& ended) {
    const int f = ended.function;
    FinishCalibrations(false);
    if (setupWrite_ && !IsSetupWrite(f)) EndSetupWrite();
    if (IsSetupWrite(f)) SetupWritePart(ended);
    if (f == fn::kFlashBlock) DownloadExchange(ended);
    ConfirmedChange change{};
    if (ended.outcome != Outcome::Answered && IsConfirmedChange(f, change) && !IsSetupWrite(f) &&
        f != fn::kInstallStamp && f != fn::kUpgradeStamp && f != fn::kCalibrationStamp) {
        FailedChange(ended);
    }
}

void ServiceRecorder::SetupWasRead(const SetupRead& read) {
    FinishCalibrations(false);
    EndSetupWrite();  // a setup read ends the writes before it
    NoteSetupRead(read.address);
}

void ServiceRecorder::NoteSetupRead(int address) {
    identityRead_ = true;
    identityAddress_ = address;
    identityPort_ = PortNow();
    identitySerial_ = r_.Sensor.SerialNumber;
    for (const FunctionInfo& function : Functions()) {
        if (function.kind == FunctionKind::SetupPart) setupHeld_[function.function] = r_.Sensor;
    }
    ServiceEvent event = NewEvent(kind::kSetupRead, address, true);
    event.summary = "setup read from the sensor";
    Hand(std::move(event));
}

void ServiceRecorder::SetupWritePart(const ExchangeEnded& ended) {
    if (!setupWrite_) {
        setupWrite_ = SetupWrite{NewEvent(kind::kSetupWritten, ended.address, true), {}, {}};
    }
    const std::string part = SetupPartName(ended.function);
    if (std::find(setupWrite_->parts.begin(), setupWrite_->parts.end(), part) ==
        setupWrite_->parts.end()) {
        setupWrite_->parts.push_back(part);
    }
    setupWrite_->written.insert(ended.function);
    if (ended.outcome == Outcome::Answered) {
        setupWrite_->unconfirmed.erase(ended.function);
    } else {
        setupWrite_->unconfirmed.insert(ended.function);
    }
}

void ServiceRecorder::EndSetupWrite() {
    if (!setupWrite_) return;
    SetupWrite write = std::move(*setupWrite_);
    setupWrite_.reset();
    ServiceEvent& event = write.event;
    event.timeUtc = UtcText(clock_.PreciseNow());
    const bool done = write.unconfirmed.empty();
    event.result = done ? result::kDone : result::kFailed;

    // The fields of the parts sent, against what the sensor held of each part before.
    std::vector<std::string> changes;
    bool allKnown = true;
    for (const SetupField& field : SetupFields()) {
        const auto command = FindCommand(field.command);
        const int function = command ? command->function : 0;
        if (write.written.count(function) == 0) continue;
        const auto held = setupHeld_.find(function);
        if (held == setupHeld_.end()) {
            allKnown = false;
            continue;
        }
        if (SameOnTheWire(field, held->second, r_.Sensor)) continue;
        changes.push_back(DetailsBuilder()
                              .Text("field", field.name)
                              .Text("old", FieldText(field, held->second))
                              .Text("new", FieldText(field, r_.Sensor))
                              .Build());
    }
    std::vector<std::string> parts;
    for (const std::string& part : write.parts) parts.push_back(JsonString(part));
    std::vector<std::string> unconfirmed;
    for (const int function : write.unconfirmed) {
        unconfirmed.push_back(JsonString(SetupPartName(function)));
    }
    const std::vector<std::uint8_t> file = EncodeConfig(r_);
    DetailsBuilder details;
    details.Json("parts", JsonArray(parts));
    details.Json("changes", JsonArray(changes));
    if (!allKnown) {
        details.Text("changes_unknown", "for parts whose values were not read before the write");
    }
    if (!done) details.Json("unconfirmed", JsonArray(unconfirmed));
    details.Text("setup_file_base64", Base64(file));
    details.Text("setup_file_sha256", Sha256Hex(file));
    event.details = details.Build();
    event.summary = std::to_string(write.parts.size()) +
                    (write.parts.size() == 1 ? " part" : " parts") + " of the setup written" +
                    ", " + std::to_string(changes.size()) +
                    (changes.size() == 1 ? " field" : " fields") + " changed" +
                    (allKnown ? "" : " (others may have: the setup was not read first)") +
                    (done ? "" : "; not confirmed by the sensor");
    // What the sensor holds now of each part sent; a part left unconfirmed may hold either.
    for (const int function : write.written) {
        if (write.unconfirmed.count(function) != 0) {
            setupHeld_.erase(function);
        } else {
            setupHeld_[function] = r_.Sensor;
        }
    }
    Hand(std::move(event));
}

void ServiceRecorder::SensorConfirmed(const Confirmation& confirmed) {
    switch (confirmed.change) {
        case ConfirmedChange::Calibration: Calibration(confirmed); break;
        case ConfirmedChange::OutputsForced: OutputsChanged(confirmed); break;
        case ConfirmedChange::SerialNumber:
        case ConfirmedChange::AddressChange: OneOffChange(confirmed); break;
        case ConfirmedChange::SetupWrite:
            if (confirmed.function == fn::kDefaultSetup) OneOffChange(confirmed);
            break;
        default: break;
    }
}

std::string ServiceRecorder::DescribeCalibration(int function, const std::vector<std::uint8_t>& q,
                                                 DetailsBuilder& d, std::string& reading) const {
    reading = "cond_no_tc";
    switch (function) {
        case fn::kCalibrateCond: {
            static constexpr double kNominal[] = {0.0, 925.0, 92.5, 9.25};
            const int point = PayloadByte(q, 0) & 0x03;
            char text[64];
            std::snprintf(text, sizeof text, "conductivity point %d (%g mS/cm)", point,
                          kNominal[point]);
            d.Text("calibration", "conductivity")
                .Integer("point", point)
                .Number("nominal_mS_cm", kNominal[point]);
            return text;
        }
        case fn::kCalibrateTemp: {
            const auto raw = static_cast<std::int16_t>(PayloadByte(q, 0) << 8 | PayloadByte(q, 1));
            const double trueValue = raw / 100.0;
            char text[64];
            std::snprintf(text, sizeof text, "temperature, true value %.2f %s", trueValue,
                          r_.Sensor.TempUnit.c_str());
            reading = "temperature";
            d.Text("calibration", "temperature")
                .Number("true_value", trueValue)
                .Text("unit", r_.Sensor.TempUnit);
            return text;
        }
        case fn::kCalibrateOutputs: {
            // The point is the current both outputs are forced to; the request carries the
            // readings the technician entered, in microamps.
            const int mA = forced1_.on ? forced1_.mA : forced2_.mA;
            const auto word = [&q](std::size_t at) {
                return static_cast<std::int16_t>(PayloadByte(q, at) << 8 | PayloadByte(q, at + 1));
            };
            reading = "output1_mA";
            d.Text("calibration", "outputs")
                .Integer("point_mA", mA)
                .Number("output1_reading_mA", word(0) / 1000.0)
                .Number("output2_reading_mA", word(2) / 1000.0);
            return "current outputs at " + std::to_string(mA) + " mA";
        }
        case fn::kSource1K0:
        case fn::kSource1K5: {
            const bool k0 = function == fn::kSource1K0;
            d.Text("calibration", "current source").Text("source", k0 ? "1K0" : "1K5");
            return std::string("current source ") + (k0 ? "1K0" : "1K5");
        }
        default:
            d.Text("calibration", "reset to default");
            return "reset to the default calibration";
    }
}

void ServiceRecorder::Calibration(const Confirmation& confirmed) {
    PendingCalibration pending{NewEvent(kind::kCalibration, confirmed.address, true),
                               DetailsBuilder(), "", clock_.PreciseNow(), confirmed.address};
    pending.event.summary = DescribeCalibration(confirmed.function, confirmed.request,
                                                pending.details, pending.reading);
    pending.details.Text("confirmation", "confirmed by the sensor");
    const auto guide = guides_.find(confirmed.address);
    if (guide == guides_.end()) {
        pending.details.Json("as_found",
                             ReadingWindow(pending.reading, confirmed.address,
                                           confirmed.sentAt - kReadingWindow, confirmed.sentAt));
    } else {
        // The step's own stretch as found; the outputs' are the DVM readings in its figures.
        pending.guided = true;
        if (!guide->second.reading.empty()) {
            pending.reading = guide->second.reading;
            pending.details.Json("as_found",
                                 ReadingWindow(pending.reading, confirmed.address,
                                               guide->second.foundFrom, guide->second.foundTo));
        }
        guides_.erase(guide);
    }
    calibrations_.push_back(std::move(pending));
}

void ServiceRecorder::ExpectGuidedCalibration(int address, GuidedCalibration guide) {
    guides_[address] = std::move(guide);
}

void ServiceRecorder::DropGuidedCalibration(int address) {
    guides_.erase(address);
    for (PendingCalibration& pending : calibrations_) {
        if (pending.address == address) pending.guided = false;
    }
}

std::optional<ServiceEvent> ServiceRecorder::CompleteGuidedCalibration(
    int address, std::optional<std::pair<Clock::time_point, Clock::time_point>> asLeft,
    const std::string& guided) {
    for (auto it = calibrations_.begin(); it != calibrations_.end(); ++it) {
        if (!it->guided || it->address != address) continue;
        if (asLeft && !it->reading.empty()) {
            it->details.Json("as_left",
                             ReadingWindow(it->reading, address, asLeft->first, asLeft->second));
        }
        it->details.Json("guided", guided);
        it->event.details = it->details.Build();
        ServiceEvent event = std::move(it->event);
        calibrations_.erase(it);
        Hand(event);
        return event;
    }
    return std::nullopt;
}

ServiceEvent ServiceRecorder::RecordCheckOnly(int address, int function,
                                              const std::vector<std::uint8_t>& request,
                                              const GuidedCalibration& check) {
    ServiceEvent event = NewEvent(kind::kCalibration, address, true);
    DetailsBuilder details;
    std::string reading;
    event.summary = DescribeCalibration(function, request, details, reading) + ": as found " +
                    (check.foundWithin ? "within" : "outside") + " tolerance, not adjusted";
    details.Text("confirmation", "not adjusted: no command sent");
    if (!check.reading.empty()) {
        details.Json("as_found",
                     ReadingWindow(check.reading, address, check.foundFrom, check.foundTo));
    }
    details.Json("guided", check.guided);
    event.details = details.Build();
    Hand(event);
    return event;
}

std::string ServiceRecorder::ReadingWindow(const std::string& reading, int address,
                                           Clock::time_point from, Clock::time_point to) const {
    std::vector<double> values;
    for (const Poll& poll : polls_) {
        if (poll.address != address || poll.time < from || poll.time > to) continue;
        values.push_back(ReadingOf(poll.reading, reading));
    }
    DetailsBuilder window;
    window.Text("reading", reading).Text("from", UtcText(from)).Text("to", UtcText(to));
    window.Integer("polls", static_cast<long long>(values.size()));
    if (const auto f = FiguresOf(values, from, to)) {
        const auto kept = [](double v) { return std::round(v * 1000) / 1000; };
        window.Number("mean", kept(f->mean))
            .Number("std_dev", kept(f->stdDev))
            .Number("min", kept(f->min))
            .Number("max", kept(f->max));
    }
    return window.Build();
}

void ServiceRecorder::PollWasAnswered(const PollAnswered& poll) {
    polls_.push_back({poll.reading.time, poll.address, poll.reading});
    while (!polls_.empty() && polls_.front().time < poll.reading.time - kPollsKept) {
        polls_.pop_front();
    }
    FinishCalibrations(false);
}

// A calibration is complete 10 s after its confirmation (told at the next poll or exchange that
// ends after them, polled or not: a link that stopped polling holds no event back).
void ServiceRecorder::FinishCalibrations(bool whatThereIs) {
    const Clock::time_point latest = clock_.PreciseNow();
    for (auto it = calibrations_.begin(); it != calibrations_.end();) {
        const Clock::time_point end = it->confirmedAt + kReadingWindow;
        if (!whatThereIs && (latest < end || it->guided)) {
            ++it;
            continue;
        }
        it->details.Json("as_left", ReadingWindow(it->reading, it->address, it->confirmedAt, end));
        it->event.details = it->details.Build();
        Hand(std::move(it->event));
        it = calibrations_.erase(it);
    }
}

void ServiceRecorder::FailedChange(const ExchangeEnded& ended) {
    const char* kind = kind::kCalibration;
    std::string what;
    switch (ended.function) {
        case fn::kTestOutputs:
            kind = kind::kOutputsForced;
            what = "outputs test command";
            break;
        case fn::kSerialNumber:
            kind = kind::kSerialNumber;
            what = "serial number";
            break;
        case fn::kChangeAddress:
            kind = kind::kAddressChanged;
            what = "address change";
            break;
        case fn::kDefaultSetup:
            kind = kind::kDefaultSetup;
            what = "default setup";
            break;
        default: break;
    }
    static constexpr const char* kHow[] = {"answered", "refused with an exception reply",
                                           "answered with a reply that failed its check",
                                           "not answered in time", "not sent: the port failed"};
    const std::string how = kHow[static_cast<int>(ended.outcome)];
    ServiceEvent event = NewEvent(kind, ended.address, false);
    DetailsBuilder details;
    if (kind == kind::kCalibration) {
        std::string reading;
        what = "calibration, " +
               DescribeCalibration(ended.function, ended.request, details, reading) + ",";
    }
    event.summary = what + " " + how;
    details.Integer("function", ended.function).Text("failure", how);
    if (kind == kind::kCalibration) {
        if (const auto guide = guides_.find(ended.address); guide != guides_.end()) {
            details.Json("guided", guide->second.guidedIfFailed.empty()
                                       ? guide->second.guided
                                       : guide->second.guidedIfFailed);
            guides_.erase(guide);
        }
    }
    event.details = details.Build();
    Hand(std::move(event));
}

void ServiceRecorder::OutputsChanged(const Confirmation& confirmed) {
    const std::uint8_t code = PayloadByte(confirmed.request, 0);
    if (code == 0) {
        for (Forced* forced : {&forced1_, &forced2_}) {
            if (forced->on) {
                EndForcing(*forced, forced == &forced1_ ? 1 : 2, confirmed.address,
                           clock_.PreciseNow(), "returned to normal");
            }
        }
        return;
    }
    const int mA = code & 0x3F;
    for (const auto& [bit, forced] : {std::pair{0x40, &forced1_}, std::pair{0x80, &forced2_}}) {
        if ((code & bit) == 0) continue;
        if (forced->on && forced->mA != mA) {
            EndForcing(*forced, forced == &forced1_ ? 1 : 2, confirmed.address, confirmed.sentAt,
                       "forced to another current");
        }
        if (!forced->on) forced->since = confirmed.sentAt;
        forced->on = true;
        forced->mA = mA;
    }
}

// One forcing of `output`, ended at `at` by `how` ("returned to normal", ...).
void ServiceRecorder::EndForcing(Forced& forced, int output, int address, Clock::time_point at,
                                 const char* how) {
    ServiceEvent event = NewEvent(kind::kOutputsForced, address, true);
    const double held =
        std::round(std::chrono::duration<double>(at - forced.since).count() * 10) / 10;
    char text[128];
    std::snprintf(text, sizeof text, "output %d forced to %d mA for %.1f s, %s", output, forced.mA,
                  held, how);
    event.summary = text;
    event.details = DetailsBuilder()
                        .Integer("output", output)
                        .Integer("current_mA", forced.mA)
                        .Text("forced_at", UtcText(forced.since))
                        .Number("forced_seconds", held)
                        .Flag("returned_to_normal", std::string(how) == "returned to normal")
                        .Text("ended", how)
                        .Build();
    forced.on = false;
    Hand(std::move(event));
}

void ServiceRecorder::OneOffChange(const Confirmation& confirmed) {
    const std::vector<std::uint8_t>& q = confirmed.request;
    if (confirmed.function == fn::kSerialNumber) {
        std::string serial;
        for (std::size_t i = 0; i < 6; ++i) {
            const char c = static_cast<char>(PayloadByte(q, i));
            if (c != '\0') serial += c;
        }
        ServiceEvent event = NewEvent(kind::kSerialNumber, confirmed.address, true);
        const std::string before = event.sensor.serialNumber;
        event.sensor.serialNumber = serial;  // the sensor is known by its new number from now
        event.sensor.identityRead = true;
        event.summary = "serial number " + serial + " given";
        event.details =
            DetailsBuilder().Text("serial_number", serial).Text("previous", before).Build();
        Hand(std::move(event));
        return;
    }
    if (confirmed.function == fn::kChangeAddress) {
        const int to = PayloadByte(q, 0);
        ServiceEvent event = NewEvent(kind::kAddressChanged, confirmed.address, true);
        event.summary =
            "address " + std::to_string(confirmed.address) + " -> " + std::to_string(to);
        event.details =
            DetailsBuilder().Integer("old", confirmed.address).Integer("new", to).Build();
        Hand(std::move(event));
        if (identityAddress_ == confirmed.address) identityAddress_ = to;  // the same sensor
        return;
    }
    ServiceEvent event = NewEvent(kind::kDefaultSetup, confirmed.address, true);
    event.summary = "default setup loaded";
    setupHeld_.clear();  // the sensor's setup is its default now, not the one read
    Hand(std::move(event));
}

void ServiceRecorder::DownloadHasStarted(const DownloadStart& start) {
    Download d;
    d.file = std::filesystem::path(start.imageFile).filename().string();  // and "\\" on Windows
    d.sha256 = start.imageFile.empty() ? "" : FileDigest(start.imageFile);
    const bool install = start.origin == DownloadOrigin::FactoryPage;
    d.issueBefore = !IdentityKnownAt(r_.Sensor.DeviceId) ? ""
                    : install                            ? r_.Sensor.InstallIssue
                                                         : r_.Sensor.UpgradeIssue;
    download_ = std::move(d);
}

void ServiceRecorder::DownloadExchange(const ExchangeEnded&) {
    if (download_) ++download_->exchanges;
}

// The stamp after a completed download brings the issue the sensor runs now (none when the
// stamp was given up).
void ServiceRecorder::DownloadWasStamped(const DownloadStamped& stamped) {
    if (!download_ || !download_->result) return;
    WriteDownload(*download_->result, stamped.answered ? stamped.issue : "");
}

void ServiceRecorder::DownloadHasEnded(const DownloadResult& result) {
    if (!download_) download_ = Download{};
    if (result.end == DownloadResult::End::Completed) {
        download_->result = result;  // the stamp's answer brings the issue after
        return;
    }
    WriteDownload(result, "");
}

void ServiceRecorder::WriteDownload(const DownloadResult& result, const std::string& issueAfter) {
    if (!download_) return;
    const Download d = std::move(*download_);
    download_.reset();
    const bool install = result.origin == DownloadOrigin::FactoryPage;
    const bool done = result.end == DownloadResult::End::Completed;
    ServiceEvent event = NewEvent(kind::kDownload, 0, done);
    // Download frames go to every sensor on the line; the event names the one talked to.
    event.sensor = IdentityAt(r_.Sensor.DeviceId);
    const char* end = done                                           ? "completed"
                      : result.end == DownloadResult::End::Cancelled ? "cancelled"
                                                                     : "failed";
    event.summary = std::string(install ? "installation" : "upgrade") + " with " +
                    (d.file.empty() ? "an image" : d.file) + " " + end +
                    (issueAfter.empty() ? "" : ", issue " + issueAfter);
    const int rejected = std::max(0, d.exchanges - static_cast<int>(result.blocksTaken));
    event.details = DetailsBuilder()
                        .Text("file", d.file)
                        .Text("sha256", d.sha256)
                        .Integer("blocks", result.blockTotal)
                        .Integer("blocks_taken", result.blocksTaken)
                        .Integer("rejected_blocks", rejected)
                        .Text("issue_before", d.issueBefore)
                        .Text("issue_after", issueAfter)
                        .Text("origin", install ? "installation" : "upgrade")
                        .Text("result", end)
                        .Build();
    Hand(std::move(event));
}

void ServiceRecorder::SetupFileHandled(const SetupFileUse& use) {
    ServiceEvent event =
        NewEvent(use.saved ? kind::kFileSaved : kind::kFileLoaded, r_.Sensor.DeviceId, true);
    event.summary = std::string("setup ") + (use.saved ? "saved to " : "loaded from ") + use.path;
    DetailsBuilder details;
    details.Text("file", use.path).Text("sha256", FileDigest(use.path));
    // Who saved a loaded file: shown here, never taken as the operator at work now.
    if (!use.saved) details.Text("saved_by", use.fileOperator);
    event.details = details.Build();
    Hand(std::move(event));
}

std::string ServiceRecorder::FileDigest(const std::string& path) {
    std::vector<std::uint8_t> bytes;
    std::string error;
    if (!fw::ReadWholeFile(path, bytes, error, 64 * 1024 * 1024)) return "";
    return Sha256Hex(bytes);
}

}  // namespace corvane::records
