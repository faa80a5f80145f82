#include "cli/record_commands.h"

#include <filesystem>

#include "cli/control_escapes.h"
#include "cli/json_output.h"
#include "records/record_store.h"

namespace corvane::cli {
namespace {

int History(const CommandLine& line, Console& io) {
    const CommandOptions& options = line.command;
    std::string error;
    // Reading makes no record: a mistyped --records is said, not answered with an empty one.
    const std::string location = RecordsLocation(line.link);
    if (!records::RecordStore::NamesServer(location) && !std::filesystem::exists(location)) {
        io.err << "corvane: there is no service record at " << location << "\n";
        return kLinkFailed;
    }
    auto store = records::RecordStore::Open(location, error);
    if (!store) {
        io.err << "corvane: " << error << "\n";
        return kLinkFailed;
    }
    records::EventFilter filter;
    filter.serialNumber = options.serial;
    filter.kind = options.kind;
    filter.uuid = options.show;
    if (!options.since.empty()) filter.sinceUtc = options.since + "T00:00:00.000Z";
    const auto events = store->Events(filter, error);
    if (!events) {
        io.err << "corvane: " << error << "\n";
        return kLinkFailed;
    }
    if (!options.show.empty() && events->empty()) {
        io.err << "corvane: no event " << options.show << " in the service record "
               << store->Location() << "\n";
        return kBadInput;  // as certificate says of a UUID the record lacks
    }
    if (events->empty()) {
        io.err << "corvane: no events"
               << (options.serial.empty() ? "" : " of serial number " + options.serial)
               << (options.kind.empty() ? "" : " of kind " + options.kind)
               << (options.since.empty() ? "" : " since " + options.since)
               << " in the service record " << store->Location() << "\n";
    }
    if (options.csv) io.out << records::kEventCsvHeader << "\n";
    for (const records::ServiceEvent& event : *events) {
        if (options.json) {
            io.out << records::EventJsonLine(event) << "\n";
        } else if (options.csv) {
            io.out << records::EventCsvRow(event) << "\n";
        } else if (!options.show.empty()) {
            for (const std::string& text : records::EventDetailLines(event)) {
                io.out << text << "\n";
            }
        } else {
            io.out << records::EventTextLine(event) << "\n";
        }
    }
    io.out.flush();
    if (!io.out) {
        io.err << "corvane: cannot write the results to standard output\n";
        return kBadInput;
    }
    return kDone;
}

int Share(const CommandLine& line, Console& io) {
    const CommandOptions& options = line.command;
    if (!records::RecordStore::NamesServer(options.server)) {
        io.err << "corvane: " << records::RecordStore::Shown(options.server)
               << " is no server: give it as postgresql://USER@HOST[:PORT]/DB\n";
        return kBadInput;
    }
    const bool push = options.direction == "push";
    const std::string location = RecordsLocation(line.link);
    // Pushing makes no record: a mistyped --records is said, not pushed as an empty record.
    if (push && !records::RecordStore::NamesServer(location) &&
        !std::filesystem::exists(location)) {
        io.err << "corvane: there is no service record at " << location << "; nothing was pushed\n";
        return kLinkFailed;
    }
    std::string error;
    auto local = records::RecordStore::Open(location, error);
    auto server = local ? records::RecordStore::Open(options.server, error) : nullptr;
    if (!local || !server) {
        io.err << "corvane: " << error << "\n";
        return kLinkFailed;
    }
    const auto copied = push ? records::CopyMissingEvents(*local, *server, error)
                             : records::CopyMissingEvents(*server, *local, error);
    if (!copied) {
        io.err << "corvane: " << error << "\n";
        return kLinkFailed;
    }
    if (options.json) {
        io.out << JsonObject()
                      .Text("direction", options.direction)
                      .Text("server", records::RecordStore::Shown(options.server))
                      .Integer("events", static_cast<long long>(*copied))
                      .Build()
               << "\n";
        return kDone;
    }
    io.out << *copied << (*copied == 1 ? " event " : " events ")
           << (push ? "pushed to " : "pulled from ") << records::RecordStore::Shown(options.server)
           << "\n";
    return kDone;
}

}  // namespace

bool IsRecordCommand(const std::string& name) {
    return name == "history" || name == "records";
}

int RunRecordCommand(const CommandLine& line, Console& console) {
    EscapingConsole escaping(console);  // events may carry any text: none reaches a terminal raw
    Console& io = escaping.Get();
    return line.command.name == "history" ? History(line, io) : Share(line, io);
}

std::string RecordsLocation(const LinkOptions& options) {
    return options.records.empty() ? records::DefaultRecordsPath() : options.records;
}

}  // namespace corvane::cli
