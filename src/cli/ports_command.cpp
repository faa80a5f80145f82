#include "cli/ports_command.h"

#include "cli/control_escapes.h"
#include "cli/json_output.h"

namespace corvane::cli {
namespace {

std::string JsonOf(const SerialAdapter& adapter) {
    std::vector<std::string> holders;
    for (const DeviceHolder& holder : adapter.holders) {
        holders.push_back(
            JsonObject().Text("program", holder.program).Integer("pid", holder.pid).Build());
    }
    return JsonObject()
        .Text("name", adapter.stableName)
        .Text("device", adapter.device)
        .Text("vendor_id", adapter.vendorId)
        .Text("product_id", adapter.productId)
        .Text("maker", adapter.maker)
        .Text("product", adapter.product)
        .Json("held_by", JsonArray(holders))
        .Build();
}

// "/dev/serial/by-id/usb-FTDI_...-if00-port0 -> /dev/ttyUSB0  0403:6001 FTDI FT232R USB UART
// free" (or "in use by minicom, PID 4711").
std::string LineOf(const SerialAdapter& adapter) {
    std::string line =
        adapter.stableName.empty() ? adapter.device : adapter.stableName + " -> " + adapter.device;
    if (!adapter.vendorId.empty()) line += "  " + adapter.vendorId + ":" + adapter.productId;
    for (const std::string* text : {&adapter.maker, &adapter.product}) {
        if (!text->empty()) line += " " + *text;
    }
    line += adapter.holders.empty() ? "  free" : "  in use by " + HoldersText(adapter.holders);
    return line;
}

}  // namespace

int RunPortsCommand(const CommandLine& line, Console& console, const SystemTree& tree) {
    EscapingConsole escaping(console);  // device names and descriptions come from the system
    Console& io = escaping.Get();
    const std::vector<SerialAdapter> adapters = SerialAdapters(tree);
    if (line.command.json) {
        std::vector<std::string> items;
        for (const SerialAdapter& adapter : adapters) items.push_back(JsonOf(adapter));
        io.out << JsonObject().Json("ports", JsonArray(items)).Build() << "\n";
    } else {
        for (const SerialAdapter& adapter : adapters) io.out << LineOf(adapter) << "\n";
    }
    if (adapters.empty()) {
        io.err << "corvane: no serial adapters found (nothing in "
               << (tree.dev / "serial" / "by-id").string() << ", no ttyUSB or ttyACM device in "
               << tree.dev.string() << ")\n";
    }
    io.out.flush();
    if (!io.out) {
        io.err << "corvane: cannot write the results to standard output\n";
        return kBadInput;
    }
    return kDone;
}

}  // namespace corvane::cli
