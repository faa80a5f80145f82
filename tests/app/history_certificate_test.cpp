// The Service History window's calibration certificates, written with the program's PDF writer.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QGuiApplication>
#include <filesystem>
#include <fstream>

#include "app/history_certificates.h"
#include "app_test_rig.h"
#include "certificate_test_events.h"
#include "resources/history_window.h"
#include "resources/main_window.h"

namespace corvane {
namespace {

using records::testing::PageConductivity;
using records::testing::PageReset;
using testing::AppRig;

// Laying out a certificate takes a GUI application: one on no display, for the whole run.
void NeedGuiApplication() {
    static int argc = 1;
    static char name[] = "app_tests";
    static char* argv[] = {name, nullptr};
    if (QCoreApplication::instance() != nullptr) return;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication application(argc, argv);
}

struct HeldRecord : records::testing::HeldEvents, records::EventSink {
    void Write(records::ServiceEvent event) override { events.push_back(std::move(event)); }
};

class HistoryCertificateTest : public ::testing::Test {
  protected:
    void SetUp() override {
        NeedGuiApplication();
        ASSERT_TRUE(rig.Start());
        rig.Settle();
        records::ServiceEvent read =
            PageConductivity("read", "2026-12-08T09:00:00.000Z", 2, 92.5, 90.65, 92.49);
        read.kind = records::kind::kSetupRead;
        // Newest first: the reset, the calibration, the setup read.
        held.events = {read,
                       PageConductivity("cal", "2026-12-08T10:15:36.885Z", 2, 92.5, 90.65, 92.49),
                       PageReset("reset", "2026-12-08T11:00:00.000Z")};
        rig.Window().UseServiceRecord(held, {"corvane-control-centre", "test", "bench", {}}, held,
                                      nullptr, nullptr);
        rig.Window().HistoryWindow().UseCertificates(CertificatesFrom(held));
        rig.Controls().UserClick(ids::kServiceHistory);
        rig.Settle();
    }
    void TearDown() override { std::filesystem::remove_all(folder); }
    fw::WindowModel& Controls() { return rig.Window().HistoryWindow().Controls(); }

    AppRig rig;
    HeldRecord held;
    std::filesystem::path folder = std::filesystem::temp_directory_path() /
                                   ("corvane-history-certificate-" + std::to_string(::getpid()));
};

TEST_F(HistoryCertificateTest, enabledOnlyForACalibrationWithReferenceValues) {
    ASSERT_EQ(Controls().ListItems(ids::kHistEvents).size(), 3u);
    EXPECT_FALSE(Controls().IsEnabled(ids::kHistCertificate)) << "nothing picked out";
    Controls().UserSelect(ids::kHistEvents, 0);  // the reset
    EXPECT_FALSE(Controls().IsEnabled(ids::kHistCertificate));
    Controls().UserSelect(ids::kHistEvents, 1);  // the calibration
    EXPECT_TRUE(Controls().IsEnabled(ids::kHistCertificate));
    Controls().UserSelect(ids::kHistEvents, 2);  // the setup read
    EXPECT_FALSE(Controls().IsEnabled(ids::kHistCertificate));
}

TEST_F(HistoryCertificateTest, writesTheCertificateUnderTheNameAskedFor) {
    std::filesystem::create_directories(folder);
    const std::string path = (folder / "certificate.pdf").string();
    rig.host.ScriptFileChoices({path});
    Controls().UserSelect(ids::kHistEvents, 1);
    Controls().UserClick(ids::kHistCertificate);
    rig.Settle();
    ASSERT_FALSE(rig.host.FileDialogs().empty());
    const fw::FileDialogRequest& asked = rig.host.FileDialogs().back();
    EXPECT_TRUE(asked.save);
    EXPECT_EQ(asked.initialName.rfind("VX0100-20261208-", 0), 0u) << asked.initialName;
    EXPECT_EQ(asked.initialName.size(), std::string("VX0100-20261208-1115.pdf").size());
    EXPECT_EQ(Controls().Text(ids::kHistState), "Certificate written to " + path);
    std::ifstream in(path, std::ios::binary);
    std::string head(5, '\0');
    in.read(head.data(), 5);
    EXPECT_EQ(head, "%PDF-");
}

TEST_F(HistoryCertificateTest, aFileThatCannotBeWrittenIsSaidAndNothingIsLeft) {
    const std::string path = (folder / "no-such-folder" / "certificate.pdf").string();
    rig.host.ScriptFileChoices({path});
    Controls().UserSelect(ids::kHistEvents, 1);
    Controls().UserClick(ids::kHistCertificate);
    rig.Settle();
    EXPECT_EQ(Controls().Text(ids::kHistState).rfind("No certificate written: ", 0), 0u)
        << Controls().Text(ids::kHistState);
    ASSERT_FALSE(rig.host.Boxes().empty());
    EXPECT_NE(rig.host.Boxes().back().box.text.find("No certificate was written."),
              std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(path));
}

}  // namespace
}  // namespace corvane
