// corvane ports on a system tree of the test's own: /dev with its by-id names, /sys with the USB
// identity, /proc with a program that holds one adapter.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "cli/ports_command.h"
#include "hex_text.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;

void WriteText(const fs::path& file, const std::string& text) {
    fs::create_directories(file.parent_path());
    std::ofstream(file) << text << "\n";
}

struct FakeSystem {
    explicit FakeSystem(const fs::path& root) {
        tree = {root / "dev", root / "sys", root / "proc"};
        fs::create_directories(tree.dev / "serial" / "by-id");
        WriteText(tree.dev / "ttyUSB0", "");
        WriteText(tree.dev / "ttyUSB1", "");
        WriteText(tree.dev / "ttyS0", "");
        fs::create_symlink("../../ttyUSB0",
                           tree.dev / "serial" / "by-id" / "usb-FTDI_FT232R_A10K3XYZ-if00-port0");
        // The USB device, two folders up from the tty's own.
        const fs::path usb = tree.sys / "devices" / "usb1" / "1-1";
        WriteText(usb / "idVendor", "0403");
        WriteText(usb / "idProduct", "6001");
        WriteText(usb / "manufacturer", "FTDI");
        WriteText(usb / "product", "FT232R USB UART");
        fs::create_directories(usb / "1-1:1.0" / "ttyUSB0");
        fs::create_directories(tree.sys / "class" / "tty" / "ttyUSB0");
        fs::create_directory_symlink(usb / "1-1:1.0" / "ttyUSB0",
                                     tree.sys / "class" / "tty" / "ttyUSB0" / "device");
        // minicom holds the second adapter; this process is "self" and holds the first.
        WriteText(tree.proc / "4711" / "comm", "minicom");
        fs::create_directories(tree.proc / "4711" / "fd");
        fs::create_symlink(fs::canonical(tree.dev / "ttyUSB1"), tree.proc / "4711" / "fd" / "3");
        WriteText(tree.proc / "99" / "comm", "corvane");
        fs::create_directories(tree.proc / "99" / "fd");
        fs::create_symlink(fs::canonical(tree.dev / "ttyUSB0"), tree.proc / "99" / "fd" / "5");
        fs::create_directory_symlink("99", tree.proc / "self");
    }
    SystemTree tree;
};

int Ports(const SystemTree& tree, bool json, std::string& out, std::string& err) {
    cli::CommandLine line;
    line.command.name = "ports";
    line.command.json = json;
    std::ostringstream o, e;
    cli::Console console{o, e};
    const int status = cli::RunPortsCommand(line, console, tree);
    out = o.str();
    err = e.str();
    return status;
}

TEST(CliPorts, listsTheStableNamesTheirDevicesUsbIdentityAndWhoHoldsThem) {
    testing::ScratchFolder folder;
    const FakeSystem system(folder.Path("root"));
    std::string out, err;
    ASSERT_EQ(Ports(system.tree, false, out, err), 0) << err;
    const std::string dev = fs::canonical(system.tree.dev).string();
    EXPECT_EQ(out, system.tree.dev.string() +
                       "/serial/by-id/usb-FTDI_FT232R_A10K3XYZ-if00-port0 -> " + dev +
                       "/ttyUSB0  0403:6001 FTDI FT232R USB UART  free\n" +
                       system.tree.dev.string() + "/ttyUSB1  in use by minicom, PID 4711\n");

    ASSERT_EQ(Ports(system.tree, true, out, err), 0) << err;
    EXPECT_NE(out.find(R"("vendor_id":"0403","product_id":"6001")"), std::string::npos) << out;
    EXPECT_NE(out.find(R"("held_by":[{"program":"minicom","pid":4711}])"), std::string::npos)
        << out;
    EXPECT_EQ(HoldersOf(system.tree.dev / "ttyUSB1", system.tree).size(), 1u);
}

TEST(CliPorts, aSystemWithoutAdaptersSaysSoOnStandardError) {
    testing::ScratchFolder folder;
    const SystemTree tree{folder.Path("dev"), folder.Path("sys"), folder.Path("proc")};
    std::string out, err;
    EXPECT_EQ(Ports(tree, true, out, err), 0);
    EXPECT_EQ(out, "{\"ports\":[]}\n");
    EXPECT_NE(err.find("no serial adapters found"), std::string::npos) << err;
}

}  // namespace
}  // namespace corvane
