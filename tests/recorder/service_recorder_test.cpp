#include "records/service_recorder.h"

#include <gtest/gtest.h>

#include "hex_text.h"
#include "link/command_table.h"
#include "link/link_machine_access.h"
#include "link/shared_records.h"
#include "records/sha256.h"
#include "sim/simulated_link.h"

namespace corvane::records {
namespace {

using fw::kMillisecond;
using fw::kSecond;

struct KeptEvents : EventSink {
    void Write(ServiceEvent event) override { events.push_back(std::move(event)); }
    std::vector<ServiceEvent> OfKind(const std::string& kind) const {
        std::vector<ServiceEvent> found;
        for (const ServiceEvent& e : events) {
            if (e.kind == kind) found.push_back(e);
        }
        return found;
    }
    std::vector<ServiceEvent> events;
};

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// The recorder on the sensor link, against a virtual sensor at address 0, in virtual time.
class ServiceRecorderTest : public ::testing::Test {
  protected:
    ServiceRecorderTest()
        : recorder(link.Records(), link.Host(), kept,
                   {"corvane-control-centre", "0.1.0", "bench-7", [] { return "/dev/ttyUSB0"; }}) {
        link.Link().AddObserver(recorder);
        link.Start();
        link.Records().OperatorName = "A. Tech";
        link.RunTicks(2);
    }
    SharedRecords& r() { return link.Records(); }

    void ReadSetup() {
        Machine(r()).UploadBlock = 0;
        Machine(r()).UploadFailedBlock = -1;
        link.Link().Queue(ReadDataBlock);
        ASSERT_TRUE(link.Clock().RunUntilTrue(
            [&] { return !kept.OfKind(kind::kSetupRead).empty(); }, 30 * kSecond));
    }

    sim::SimulatedLink link;
    KeptEvents kept;
    ServiceRecorder recorder;
};

// A calibration is recorded once confirmed, with the sensor read before it, the point and the
// live reading over the 10 s before the request and the 10 s after the confirmation.
TEST_F(ServiceRecorderTest, aConfirmedCalibrationCarriesItsReadingsAsFoundAndAsLeft) {
    ReadSetup();
    link.RunFor(12 * kSecond);
    link.Link().Queue(CalibrateCond92_5);
    ASSERT_TRUE(link.Clock().RunUntilTrue([&] { return !kept.OfKind(kind::kCalibration).empty(); },
                                          30 * kSecond));
    const ServiceEvent e = kept.OfKind(kind::kCalibration).front();
    EXPECT_EQ(e.result, result::kDone);
    EXPECT_EQ(e.sensor.serialNumber, r().Sensor.SerialNumber);
    EXPECT_TRUE(e.sensor.identityRead);
    EXPECT_EQ(e.sensor.port, "/dev/ttyUSB0");
    EXPECT_EQ(e.operatorName, "A. Tech");
    EXPECT_EQ(e.summary, "conductivity point 2 (92.5 mS/cm)");
    EXPECT_TRUE(Contains(e.details, R"("point":2,"nominal_mS_cm":92.5)")) << e.details;
    // Five polls a second: about 50 in each window (none while the request is outstanding).
    for (const char* window :
         {R"("as_found":{"reading":"cond_no_tc")", R"("as_left":{"reading":"cond_no_tc")"}) {
        EXPECT_TRUE(Contains(e.details, window)) << e.details;
    }
    const auto polls = [&](const std::string& window) {
        const std::size_t at = e.details.find("\"polls\":", e.details.find(window));
        return std::stoi(e.details.substr(at + 8));
    };
    EXPECT_GE(polls("as_found"), 40);
    EXPECT_GE(polls("as_left"), 30);
    EXPECT_TRUE(Contains(e.details, "\"mean\":")) << e.details;
}

// A request the sensor leaves unanswered is recorded as failed; one withdrawn before it went
// out leaves nothing.
TEST_F(ServiceRecorderTest, anUnansweredRequestIsFailedAndAWithdrawnOneIsNotThere) {
    link.Link().Queue(CalibrateCond925);
    link.Link().Withdraw(CalibrateCond925);
    link.Sensor().Faults().silent = true;
    link.Link().Queue(WriteSerialNumber);
    link.RunFor(30 * kSecond);
    ASSERT_EQ(kept.events.size(), 1u);
    const ServiceEvent& e = kept.events.front();
    EXPECT_EQ(e.kind, kind::kSerialNumber);
    EXPECT_EQ(e.result, result::kFailed);
    EXPECT_EQ(e.summary, "serial number not answered in time");
    EXPECT_FALSE(e.sensor.identityRead) << "no setup was read first";
    EXPECT_EQ(e.sensor.serialNumber, "");
}

// A setup write is one event with the fields that changed against the setup read, and the
// whole setup as a configuration file afterwards.
TEST_F(ServiceRecorderTest, aSetupWriteListsTheFieldsItChanged) {
    ReadSetup();
    const double slopeBefore = r().Sensor.TempCompSlope;
    r().Sensor.TempCompSlope = slopeBefore + 1.0;
    r().Sensor.PlantNumber = "TANK 7";
    link.Link().Queue(WriteTempSetup);
    link.Link().Queue(WritePlantNumber);
    link.RunTicks(8);
    const auto writes = kept.OfKind(kind::kSetupWritten);
    ASSERT_EQ(writes.size(), 1u);
    const ServiceEvent& e = writes.front();
    EXPECT_EQ(e.result, result::kDone);
    EXPECT_TRUE(Contains(e.details, R"("field":"Temperature Compensation Slope")")) << e.details;
    EXPECT_TRUE(Contains(e.details, R"("new":"TANK 7")")) << e.details;
    EXPECT_TRUE(Contains(e.details, "\"setup_file_base64\":\"")) << e.details;
    EXPECT_EQ(e.summary, "2 parts of the setup written, 2 fields changed");
}

// Only the fields of the parts sent count as changed: the plant number edited but not sent is
// no change of this write, and stays one for the write that sends it.
TEST_F(ServiceRecorderTest, aPartialWriteNamesOnlyTheFieldsItSent) {
    ReadSetup();
    r().Sensor.TempCompSlope += 1.0;
    r().Sensor.PlantNumber = "TANK 9";
    link.Link().Queue(WriteTempSetup);
    link.RunTicks(4);
    link.Link().Queue(WritePlantNumber);
    link.RunTicks(4);
    const auto writes = kept.OfKind(kind::kSetupWritten);
    ASSERT_EQ(writes.size(), 2u);
    EXPECT_TRUE(Contains(writes[0].details, "Temperature Compensation Slope")) << writes[0].details;
    EXPECT_FALSE(Contains(writes[0].details, "TANK 9")) << writes[0].details;
    EXPECT_TRUE(Contains(writes[1].details, R"("new":"TANK 9")")) << writes[1].details;
    EXPECT_FALSE(Contains(writes[1].details, "Temperature Compensation Slope"))
        << writes[1].details;
}

// A calibration the sensor leaves unanswered says which one failed.
TEST_F(ServiceRecorderTest, aFailedCalibrationSaysWhichOne) {
    link.Sensor().Faults().silent = true;
    link.Link().Queue(CalibrateCond92_5);
    link.RunFor(30 * kSecond);
    const auto failed = kept.OfKind(kind::kCalibration);
    ASSERT_EQ(failed.size(), 1u);
    EXPECT_EQ(failed[0].result, result::kFailed);
    EXPECT_EQ(failed[0].summary,
              "calibration, conductivity point 2 (92.5 mS/cm), not answered in time");
    EXPECT_TRUE(Contains(failed[0].details, R"("point":2)")) << failed[0].details;
}

// Outputs forced and returned to normal make one event with the time they stayed forced.
TEST_F(ServiceRecorderTest, forcedOutputsAreRecordedWithTheTimeTheyStayedForced) {
    r().Service.TestCode1 = 0x40 | 20;
    link.Link().Queue(TestOutput1);
    link.RunTicks(2);
    EXPECT_TRUE(kept.OfKind(kind::kOutputsForced).empty()) << "still forced";
    link.RunFor(3 * kSecond);
    r().Service.TestCodeBoth = 0;
    link.Link().Queue(TestBothOutputs);
    link.RunTicks(2);
    const auto forced = kept.OfKind(kind::kOutputsForced);
    ASSERT_EQ(forced.size(), 1u);
    EXPECT_TRUE(Contains(forced[0].details, R"("output":1,"current_mA":20)")) << forced[0].details;
    const std::size_t at = forced[0].details.find("\"forced_seconds\":");
    EXPECT_NEAR(std::stod(forced[0].details.substr(at + 17)), 3.2, 0.5) << forced[0].details;
}

// A download names the image file by its SHA-256 and the issue the stamp's answer returned.
TEST_F(ServiceRecorderTest, aDownloadNamesItsImageByItsDigestAndTheIssueAfter) {
    ReadSetup();
    testing::ScratchFolder folder;
    const auto image = testing::PatternImage(12, 16);
    const std::string text = testing::HexText(image);
    const std::string path = folder.Write("issue-3.hex", text);
    link.Link().StartDownload(image, DownloadOrigin::SoftwarePage, path);
    ASSERT_TRUE(link.Clock().RunUntilTrue([&] { return !kept.OfKind(kind::kDownload).empty(); },
                                          60 * kSecond));
    const ServiceEvent e = kept.OfKind(kind::kDownload).front();
    EXPECT_EQ(e.result, result::kDone);
    const std::vector<std::uint8_t> bytes(text.begin(), text.end());
    EXPECT_TRUE(Contains(e.details, "\"sha256\":\"" + Sha256Hex(bytes) + "\"")) << e.details;
    EXPECT_TRUE(Contains(e.details, R"("file":"issue-3.hex")")) << e.details;
    EXPECT_TRUE(Contains(e.details, R"("blocks":12,"blocks_taken":12,"rejected_blocks":0)"))
        << e.details;
    EXPECT_TRUE(Contains(e.details, "\"issue_after\":\"" + r().Sensor.UpgradeIssue + "\""))
        << e.details;
    EXPECT_FALSE(r().Sensor.UpgradeIssue.empty());
}

TEST(Sha256, knownDigests) {
    EXPECT_EQ(Sha256Hex({}), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    const std::string abc = "abc";
    EXPECT_EQ(Sha256Hex(std::vector<std::uint8_t>(abc.begin(), abc.end())),
              "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    const std::string two =
        "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq";  // two blocks of padding
    EXPECT_EQ(Sha256Hex(std::vector<std::uint8_t>(two.begin(), two.end())),
              "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
}

TEST(EventForms, jsonAndCsvEscapeWhatTheyMust) {
    ServiceEvent e;
    e.uuid = "u";
    e.summary = "quote \" comma , line\nend";
    e.details = R"({"a":1})";
    EXPECT_TRUE(Contains(EventJsonLine(e), R"("summary":"quote \" comma , line\nend")"));
    EXPECT_TRUE(Contains(EventJsonLine(e), R"("details":{"a":1}})"));
    EXPECT_TRUE(Contains(EventCsvRow(e), "\"quote \"\" comma , line\nend\""));
    EXPECT_EQ(NewUuid().size(), 36u);
    EXPECT_NE(NewUuid(), NewUuid());
    EXPECT_EQ(UtcText(std::chrono::system_clock::from_time_t(0) + std::chrono::milliseconds(5)),
              "1970-01-01T00:00:00.005Z");
}

}  // namespace
}  // namespace corvane::records
