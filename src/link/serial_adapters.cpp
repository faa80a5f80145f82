#include "link/serial_adapters.h"

#include <algorithm>
#include <fstream>
#include <set>
#include <system_error>

namespace corvane {
namespace fs = std::filesystem;
namespace {

// The first line of a small text file of the system; empty when there is none.
std::string FirstLine(const fs::path& file) {
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    return line;
}

fs::path Resolved(const fs::path& path) {
    std::error_code error;
    const fs::path resolved = fs::canonical(path, error);
    return error ? path : resolved;
}

// The pid of this process, as the process list names it.
std::string OwnPid(const SystemTree& tree) {
    std::error_code error;
    const fs::path self = fs::read_symlink(tree.proc / "self", error);
    return error ? std::string() : self.filename().string();
}

// The USB device a tty hangs from: up from its device folder to the one that has the ids.
void AddUsbIdentity(SerialAdapter& adapter, const SystemTree& tree) {
    const std::string name = fs::path(adapter.device).filename().string();
    fs::path folder = Resolved(tree.sys / "class" / "tty" / name / "device");
    for (int up = 0; up < 5 && !folder.empty() && folder != folder.root_path(); ++up) {
        if (fs::exists(folder / "idVendor")) {
            adapter.vendorId = FirstLine(folder / "idVendor");
            adapter.productId = FirstLine(folder / "idProduct");
            adapter.maker = FirstLine(folder / "manufacturer");
            adapter.product = FirstLine(folder / "product");
            return;
        }
        folder = folder.parent_path();
    }
}

}  // namespace

std::string HoldersText(const std::vector<DeviceHolder>& holders) {
    std::string text;
    for (const DeviceHolder& holder : holders) {
        if (!text.empty()) text += "; ";
        text += (holder.program.empty() ? std::string("a program") : holder.program) + ", PID " +
                std::to_string(holder.pid);
    }
    return text;
}

std::vector<DeviceHolder> HoldersOf(const std::string& device, const SystemTree& tree) {
    std::vector<DeviceHolder> holders;
    const fs::path target = Resolved(device);
    const std::string self = OwnPid(tree);
    std::error_code error;
    for (const fs::directory_entry& process : fs::directory_iterator(tree.proc, error)) {
        const std::string pid = process.path().filename().string();
        if (pid.empty() ||
            !std::all_of(pid.begin(), pid.end(), [](char c) { return c >= '0' && c <= '9'; }) ||
            pid == self) {
            continue;
        }
        std::error_code unreadable;  // another user's process: its files are not ours to see
        for (const fs::directory_entry& fd :
             fs::directory_iterator(process.path() / "fd", unreadable)) {
            std::error_code gone;
            const fs::path file = fs::read_symlink(fd.path(), gone);
            if (gone || file != target) continue;
            holders.push_back({FirstLine(process.path() / "comm"), std::stoi(pid)});
            break;
        }
    }
    std::sort(holders.begin(), holders.end(),
              [](const DeviceHolder& a, const DeviceHolder& b) { return a.pid < b.pid; });
    return holders;
}

std::vector<SerialAdapter> SerialAdapters(const SystemTree& tree) {
    std::vector<SerialAdapter> adapters;
    std::set<std::string> named;
    std::error_code error;
    std::vector<fs::path> stable;
    for (const fs::directory_entry& entry :
         fs::directory_iterator(tree.dev / "serial" / "by-id", error)) {
        stable.push_back(entry.path());
    }
    std::sort(stable.begin(), stable.end());
    for (const fs::path& name : stable) {
        SerialAdapter adapter;
        adapter.stableName = name.string();
        adapter.device = Resolved(name).string();
        named.insert(adapter.device);
        adapters.push_back(std::move(adapter));
    }
    // Adapters the system gave no stable name.
    std::vector<fs::path> bare;
    for (const fs::directory_entry& entry : fs::directory_iterator(tree.dev, error)) {
        const std::string file = entry.path().filename().string();
        if ((file.starts_with("ttyUSB") || file.starts_with("ttyACM")) &&
            !named.contains(Resolved(entry.path()).string())) {
            bare.push_back(entry.path());
        }
    }
    std::sort(bare.begin(), bare.end());
    for (const fs::path& device : bare) {
        SerialAdapter adapter;
        adapter.device = device.string();
        adapters.push_back(std::move(adapter));
    }
    for (SerialAdapter& adapter : adapters) {
        AddUsbIdentity(adapter, tree);
        adapter.holders = HoldersOf(adapter.device, tree);
    }
    return adapters;
}

}  // namespace corvane
