#include "cli/certificate_command.h"

#include <QGuiApplication>
#include <clocale>
#include <filesystem>
#include <iostream>

#include "cli/control_escapes.h"
#include "cli/json_output.h"
#include "cli/record_commands.h"
#include "records/certificate.h"
#include "records/record_store.h"
#include "records/record_writer.h"

namespace corvane::cli {
namespace {

// The store's history, telling a store that could not be read from an event not found.
class WatchedHistory : public records::EventHistory {
  public:
    explicit WatchedHistory(const std::string& location) : store_(location, nullptr) {}

    std::optional<std::vector<records::ServiceEvent>> Events(const records::EventFilter& filter,
                                                             std::string& error) override {
        auto events = store_.Events(filter, error);
        failed_ = failed_ || !events;
        return events;
    }
    std::optional<std::vector<records::SensorIdentity>> Sensors(std::string& error) override {
        auto sensors = store_.Sensors(error);
        failed_ = failed_ || !sensors;
        return sensors;
    }
    std::uint64_t WrittenCount() const override { return 0; }
    bool Failed() const { return failed_; }

  private:
    records::StoreHistory store_;
    bool failed_ = false;
};

}  // namespace

int RunCertificateCommand(const CommandLine& line, Console& console) {
    EscapingConsole escaping(console);
    Console& io = escaping.Get();
    const CommandOptions& options = line.command;
    // Reading makes no record: a mistyped --records is said, not answered with an empty one.
    const std::string location = RecordsLocation(line.link);
    if (!records::RecordStore::NamesServer(location) && !std::filesystem::exists(location)) {
        io.err << "corvane: there is no service record at " << location << "\n";
        return kLinkFailed;
    }
    WatchedHistory history(location);
    std::string error;
    const std::vector<records::ServiceEvent> events =
        records::CertificateEvents(history, options.uuid, error);
    if (events.empty()) {
        io.err << "corvane: " << error << "\n";
        return history.Failed() ? kLinkFailed : kBadInput;
    }
    const auto certificate = records::CertificateOf(events, error);
    if (!certificate) {
        io.err << "corvane: " << error << "\n";
        return kBadInput;
    }
    const records::PageSize size =
        options.paper == "letter" ? records::PageSize::Letter : records::PageSize::A4;
    if (!records::WriteCertificatePdf(*certificate, size, options.out, error)) {
        io.err << "corvane: " << error << "\n";
        return kBadInput;
    }
    if (options.json) {
        io.out << JsonObject().Text("uuid", options.uuid).Text("file", options.out).Build() << "\n";
        return kDone;
    }
    io.out << "Certificate written to " << options.out << "\n";
    return kDone;
}

int RunCertificateProgram(int argc, char** argv, const CommandLine& line) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    std::setlocale(LC_ALL, "C");
    Console console{std::cout, std::cerr};
    return RunCertificateCommand(line, console);
}

}  // namespace corvane::cli
