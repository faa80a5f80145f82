// Calibration certificates: the model read from the recorded events, the PDF written, and
// corvane certificate on a record written with the store.
#include "records/certificate.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QProcess>
#include <QStandardPaths>
#include <cstdlib>
#include <ctime>
#include <filesystem>

#include "certificate_test_events.h"
#include "records/record_store.h"
#include "records_test_support.h"

namespace corvane::records {
namespace {

using testing::CalibrationEvent;
using testing::GuidedRow;
using testing::GuidedStep;
using testing::HeldEvents;
using testing::PageConductivity;
using testing::PageOutputs;
using testing::PageReset;
using testing::PageTemperature;
using testing::ScratchFolder;

constexpr const char* kTime = "2026-12-08T10:15:36.885Z";  // 11:15:36 in the tests' zone

Certificate Of(const std::vector<ServiceEvent>& events) {
    std::string error;
    const auto certificate = CertificateOf(events, error);
    EXPECT_TRUE(certificate.has_value()) << error;
    return certificate.value_or(Certificate{});
}

std::string Refusal(const std::vector<ServiceEvent>& events) {
    std::string error;
    EXPECT_FALSE(CertificateOf(events, error).has_value());
    return error;
}

// The text of a PDF file as pdftotext reads it (its layout kept); empty without pdftotext.
std::string PdfText(const std::string& path, const char* tool = "pdftotext") {
    const QString program = QStandardPaths::findExecutable(tool);
    if (program.isEmpty()) return "";
    QProcess process;
    process.start(program, tool == std::string("pdfinfo")
                               ? QStringList{QString::fromStdString(path)}
                               : QStringList{"-layout", QString::fromStdString(path), "-"});
    process.waitForFinished(30000);
    return process.readAllStandardOutput().toStdString();
}

bool HasPdfTools() {
    return !QStandardPaths::findExecutable("pdftotext").isEmpty() &&
           !QStandardPaths::findExecutable("pdfinfo").isEmpty();
}

TEST(CertificateOfPageEvents, valuesDeviationsAndVerdictsOfEachKind) {
    const Certificate c = Of({
        PageConductivity("c-2", "2026-12-08T10:16:00.000Z", 2, 92.5, 90.65, 92.49),
        PageConductivity("c-1", kTime, 1, 925.0, 930.2, 927.1),
        PageConductivity("c-0", "2026-12-08T10:17:00.000Z", 0, 0.0, 0.4, 0.05),
        PageTemperature("t", "2026-12-08T10:18:00.000Z", 77.0,
                        "\xc2\xb0"
                        "F",
                        77.5, 77.15),
        PageConductivity("c-3", "2026-12-08T10:19:00.000Z", 3, 9.25, 9.1, 0.0, 0),
    });
    EXPECT_EQ(c.timeUtc, kTime) << "the first event in time, whatever the order given";
    EXPECT_EQ(c.sensor.serialNumber, "VX0100");
    EXPECT_EQ(c.operatorName, "A. Tech");
    EXPECT_TRUE(c.run.empty());
    ASSERT_EQ(c.points.size(), 5u);

    const CertificatePoint& high = c.points[0];  // 925 mS/cm, left 2.1 off: 0.2 % is 1.85
    EXPECT_EQ(high.name, "Conductivity point 1");
    EXPECT_DOUBLE_EQ(high.tolerance, 1.85);
    EXPECT_NEAR(*high.deviation, 2.1 / 925 * 100, 1e-9);
    EXPECT_EQ(high.deviationUnit, "%");
    EXPECT_EQ(high.verdict, Verdict::Fail);

    const CertificatePoint& mid = c.points[1];
    EXPECT_DOUBLE_EQ(mid.reference, 92.5);
    EXPECT_DOUBLE_EQ(*mid.asFound, 90.65);
    EXPECT_DOUBLE_EQ(*mid.asLeft, 92.49);
    EXPECT_DOUBLE_EQ(mid.tolerance, 0.185);
    EXPECT_EQ(mid.verdict, Verdict::Pass);
    ASSERT_TRUE(mid.asLeftStability.has_value());
    EXPECT_EQ(mid.asLeftStability->polls, 40);
    EXPECT_NEAR(mid.asLeftStability->seconds, 10.0, 1e-9);
    EXPECT_NEAR(*mid.asLeftStability->spread, 0.1, 1e-9);
    EXPECT_FALSE(mid.asLeftStability->limit.has_value()) << "the page sets no limit";

    const CertificatePoint& zero = c.points[2];  // reference 0: the wire's resolution, in mS/cm
    EXPECT_DOUBLE_EQ(zero.tolerance, 0.1);
    EXPECT_EQ(zero.deviationUnit, "mS/cm");
    EXPECT_DOUBLE_EQ(*zero.deviation, 0.05);
    EXPECT_EQ(zero.verdict, Verdict::Pass);

    const CertificatePoint& temperature = c.points[3];
    EXPECT_EQ(temperature.unit,
              "\xc2\xb0"
              "F");
    EXPECT_DOUBLE_EQ(temperature.tolerance, 0.18);
    EXPECT_EQ(temperature.verdict, Verdict::Pass);

    const CertificatePoint& unread = c.points[4];  // no poll answered after the calibration
    EXPECT_FALSE(unread.asLeft.has_value());
    EXPECT_FALSE(unread.deviation.has_value());
    EXPECT_EQ(unread.verdict, Verdict::NotVerified);
    EXPECT_EQ(OverallVerdict(c), Verdict::Fail);
}

TEST(CertificateOfPageEvents, outputsAreTheReadingsEnteredAndNotVerifiedAfter) {
    const Certificate c = Of({PageOutputs("o", kTime, 4, 4.012, 3.99)});
    ASSERT_EQ(c.points.size(), 2u);
    EXPECT_EQ(c.points[0].name, "Output 1 at 4 mA");
    EXPECT_DOUBLE_EQ(*c.points[0].asFound, 4.012);
    EXPECT_DOUBLE_EQ(*c.points[1].asFound, 3.99);
    for (const CertificatePoint& p : c.points) {
        EXPECT_DOUBLE_EQ(p.reference, 4.0);
        EXPECT_DOUBLE_EQ(p.tolerance, 0.02);
        EXPECT_FALSE(p.asLeft.has_value());
        EXPECT_EQ(p.verdict, Verdict::NotVerified);
    }
    EXPECT_EQ(OverallVerdict(c), Verdict::NotVerified);
}

TEST(CertificateOfPageEvents, aFailedStepIsListedAsFailWithItsFailure) {
    ServiceEvent failed = CalibrationEvent("f", kTime,
                                           DetailsBuilder()
                                               .Text("calibration", "conductivity")
                                               .Integer("point", 2)
                                               .Number("nominal_mS_cm", 92.5)
                                               .Integer("function", 42)
                                               .Text("failure", "not answered in time")
                                               .Build());
    failed.result = result::kFailed;
    const Certificate c = Of({failed});
    ASSERT_EQ(c.points.size(), 1u);
    EXPECT_EQ(c.points[0].verdict, Verdict::Fail);
    EXPECT_EQ(c.points[0].failure, "not answered in time");
    EXPECT_FALSE(c.points[0].asFound.has_value());
}

TEST(CertificateOfGuidedRun, gathersTheRunOfTheSensorInTimeOrderWithItsOwnFigures) {
    const std::string run = "6f1c1f5e-6a55-4f7e-9a55-0c1d2e3f4a5b";
    HeldEvents history;
    history.events = {
        GuidedStep("g-2", "2026-12-08T10:20:00.000Z", run, true,
                   {{"4 mA, output 1", 4, "mA", 4.03, 4.001, 0.001, "mA", 0.02, "pass"},
                    {"4 mA, output 2", 4, "mA", 3.97, -1, 0, "mA", 0.02, "not verified"}}),
        GuidedStep("g-1", kTime, run, false,
                   {{"92.5 mS/cm", 92.5, "mS/cm", 92.45, -1, 0, "%", 0.185, "pass"}}),
        GuidedStep("other-run", "2026-12-08T10:18:00.000Z", "another-run", true,
                   {{"9.25 mS/cm", 9.25, "mS/cm", 9.1, 9.25, 0.0, "%", 0.1, "pass"}}),
        PageConductivity("page", "2026-12-08T10:19:00.000Z", 2, 92.5, 90.65, 92.49),
    };
    std::string error;
    const std::vector<ServiceEvent> events = CertificateEvents(history, "g-2", error);
    ASSERT_EQ(events.size(), 2u) << error;
    EXPECT_EQ(events[0].uuid, "g-1");
    EXPECT_EQ(events[1].uuid, "g-2");

    const Certificate c = Of(events);
    EXPECT_EQ(c.run, run);
    EXPECT_EQ(c.timeUtc, kTime);
    ASSERT_EQ(c.points.size(), 3u);
    const CertificatePoint& kept = c.points[0];  // found within tolerance, left alone
    EXPECT_EQ(kept.name, "92.5 mS/cm");
    EXPECT_TRUE(kept.notAdjusted);
    EXPECT_FALSE(kept.asLeft.has_value());
    EXPECT_EQ(kept.verdict, Verdict::Pass) << "as the run judged it";
    EXPECT_DOUBLE_EQ(*kept.temperature, 22.13);
    EXPECT_DOUBLE_EQ(*kept.asFoundStability->limit, 0.185);
    EXPECT_EQ(kept.asLeftStability->polls, 30);
    EXPECT_DOUBLE_EQ(*c.points[1].asLeft, 4.001);
    EXPECT_DOUBLE_EQ(*c.points[1].deviation, 0.001);
    EXPECT_FALSE(c.points[2].notAdjusted) << "adjusted, and its value as left not read";
    EXPECT_EQ(c.points[2].verdict, Verdict::NotVerified);

    EXPECT_EQ(CertificateEvents(history, "page", error).size(), 1u) << "no run: the one event";
}

TEST(CertificateEventsOf, anUnknownOrNonCalibrationEventIsSaid) {
    HeldEvents history;
    ServiceEvent read = CalibrationEvent("read", kTime, "{}");
    read.kind = kind::kSetupRead;
    history.events = {read};
    std::string error;
    EXPECT_TRUE(CertificateEvents(history, "nothing", error).empty());
    EXPECT_EQ(error, "there is no event nothing in the service record");
    EXPECT_TRUE(CertificateEvents(history, "read", error).empty());
    EXPECT_EQ(error, "the event read is a setup-read event, not a calibration");
}

TEST(CertificateOfRefused, calibrationsWithoutReferencesAndUnreadableDetails) {
    EXPECT_EQ(Refusal({PageReset("r", kTime)}),
              "the event r is a reset to the default calibration: it has no reference values to "
              "certify");
    EXPECT_FALSE(Certifiable(PageReset("r", kTime)));
    EXPECT_EQ(Refusal({CalibrationEvent("s", kTime,
                                        R"({"calibration":"current source","source":"1K5"})")}),
              "the event s is a calibration of the current source (1K5): it has no reference "
              "values to certify");
    EXPECT_EQ(Refusal({}), "no calibration event to certify");

    EXPECT_EQ(Refusal({CalibrationEvent("j", kTime, R"({"calibration":"conduc)")})
                  .find("the details of the event j are not valid JSON"),
              0u);
    EXPECT_EQ(Refusal({CalibrationEvent("a", kTime, "[1,2]")}),
              "the details of the event a are no JSON object");
    EXPECT_EQ(
        Refusal({CalibrationEvent("m", kTime, R"({"calibration":"conductivity","point":2})")}),
        "the details of the event m lack the member \"nominal_mS_cm\"");
    EXPECT_EQ(
        Refusal({CalibrationEvent(
            "w", kTime,
            R"({"calibration":"temperature","true_value":25,"unit":"C","as_found":{"polls":3},"as_left":{"polls":0}})")}),
        "the details of the event w lack the member \"as_found.mean\"");
    EXPECT_EQ(Refusal({CalibrationEvent("t", kTime,
                                        R"({"calibration":"outputs","point_mA":"4",)"
                                        R"("output1_reading_mA":4,"output2_reading_mA":4})")}),
              "the details of the event t give \"point_mA\" as something other than a number");
    // Counts out of range (a record from a file or a server) are refused, never converted.
    EXPECT_EQ(
        Refusal({CalibrationEvent(
            "p", kTime,
            R"({"calibration":"temperature","true_value":25,"unit":"C","as_found":{"polls":1e300,"mean":25},"as_left":{"polls":3,"mean":25}})")}),
        "the details of the event p give \"as_found.polls\" as something other than a whole "
        "number from 0 to 432000");
    EXPECT_EQ(Refusal({CalibrationEvent(
                  "q", kTime, R"({"calibration":"conductivity","point":2.5,"nominal_mS_cm":9})")}),
              "the details of the event q give \"point\" as something other than a whole number "
              "from 0 to 99");
    ServiceEvent guided = GuidedStep("v", kTime, "run", true,
                                     {{"92.5", 92.5, "mS/cm", 92.4, 92.5, 0, "%", 0.2, "maybe"}});
    EXPECT_EQ(Refusal({guided}),
              "the details of the event v give the unknown verdict \"maybe\" in "
              "\"guided.rows[0]\"");
    ServiceEvent forced = PageConductivity("x", kTime, 2, 92.5, 90.0, 92.5);
    forced.kind = kind::kOutputsForced;
    EXPECT_EQ(Refusal({forced}), "the event x is a outputs-forced event, not a calibration");
}

TEST(CertificateFileNames, serialOrAddressAndTheLocalTimeOfTheFirstEvent) {
    Certificate c = Of({PageConductivity("c", kTime, 2, 92.5, 90.65, 92.49)});
    EXPECT_EQ(CertificateFileName(c), "VX0100-20261208-1115.pdf");
    c.sensor.serialNumber = "VX 01/00*";
    EXPECT_EQ(CertificateFileName(c), "VX_01_00_-20261208-1115.pdf");
    c.sensor.identityRead = false;
    c.sensor.address = 37;
    EXPECT_EQ(CertificateFileName(c), "address-37-20261208-1115.pdf");
    c.timeUtc = "2026-07-01T22:30:00.000Z";  // summer time: two hours ahead, the next day
    EXPECT_EQ(CertificateFileName(c), "address-37-20260702-0030.pdf");
}

class CertificatePdf : public ::testing::Test {
  protected:
    Certificate Run() {
        return Of(
            {GuidedStep("g-1", kTime, "run-1", true,
                        {{"92.5 mS/cm", 92.5, "mS/cm", 90.65, 92.49, -0.01, "%", 0.185, "pass"}}),
             PageTemperature("t", "2026-12-08T10:20:00.000Z", 25.0,
                             "\xc2\xb0"
                             "C",
                             25.31, 25.4)});
    }
    ScratchFolder folder;
};

TEST_F(CertificatePdf, holdsTheIdentityEveryValueAndVerdictOnTheChosenPaper) {
    if (!HasPdfTools()) GTEST_SKIP() << "pdftotext and pdfinfo (poppler-utils) are not installed";
    const std::string path = folder.File("certificate.pdf");
    std::string error;
    ASSERT_TRUE(WriteCertificatePdf(Run(), PageSize::A4, path, error)) << error;
    const std::string text = PdfText(path);
    for (const char* shown : {"Calibration Certificate",
                              "VX0100",
                              "TANK-7",
                              "2.0200",
                              "/dev/ttyUSB0",
                              "A. Tech",
                              "bench-2",
                              "corvane-control-centre 1.4.0",
                              "2026-12-08 11:15:36 (UTC+01:00)",
                              "92.5 mS/cm",
                              "90.65 mS/cm",
                              "92.49 mS/cm",
                              "-0.01 %",
                              "\xc2\xb1"
                              "0.185 mS/cm",
                              "22.13 \xc2\xb0"
                              "C",
                              "PASS",
                              "25.00 \xc2\xb0"
                              "C",
                              "25.31 \xc2\xb0"
                              "C",
                              "25.40 \xc2\xb0"
                              "C",
                              "FAIL",
                              "10.4 s, 31 polls",
                              "limit 0.185",
                              "Signature"}) {
        EXPECT_NE(text.find(shown), std::string::npos) << shown << " is missing from\n" << text;
    }
    EXPECT_NE(PdfText(path, "pdfinfo").find("(A4)"), std::string::npos);

    ASSERT_TRUE(WriteCertificatePdf(Run(), PageSize::Letter, path, error)) << error;
    EXPECT_NE(PdfText(path, "pdfinfo").find("612 x 792 pts (letter)"), std::string::npos)
        << PdfText(path, "pdfinfo");
}

TEST_F(CertificatePdf, aPathThatCannotBeWrittenIsSaidAndLeavesNoFile) {
    const std::string blocker = folder.File("not-a-folder");
    testing::WriteFile(blocker, "");
    std::string error;
    EXPECT_FALSE(WriteCertificatePdf(Run(), PageSize::A4, blocker + "/c.pdf", error));
    EXPECT_NE(error.find(blocker), std::string::npos) << error;
    int files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder.Path())) {
        ++files;
    }
    EXPECT_EQ(files, 1) << "only the file in the way";
}

// The picture of a certificate the README shows (docs/calibration-certificate.png): a run of
// three conductivity points, the temperature and the outputs, rendered into the build folder.
// scripts/certificate-picture.sh copies it into docs/.
TEST_F(CertificatePdf, pictureOfARealisticCertificate) {
    if (QStandardPaths::findExecutable("pdftoppm").isEmpty()) {
        GTEST_SKIP() << "pdftoppm (poppler-utils) is not installed";
    }
    const std::string run = "6f1c1f5e-6a55-4f7e-9a55-0c1d2e3f4a5b";
    ServiceEvent last =
        GuidedStep("b0c0d4a2-3f8e-4d61-a1f3-5a2e9c7d1e04", "2026-12-08T10:31:12.410Z", run, true,
                   {{"4 mA, output 1", 4, "mA", 4.031, 4.002, 0.002, "mA", 0.02, "pass"},
                    {"4 mA, output 2", 4, "mA", 3.982, 4.001, 0.001, "mA", 0.02, "pass"}});
    const Certificate c = Of({
        GuidedStep("3c9e8f10-2b7d-4c4e-9f0a-7d6b5a4c3b21", kTime, run, true,
                   {{"92.5 mS/cm", 92.5, "mS/cm", 90.65, 92.49, -0.01, "%", 0.185, "pass"}}),
        GuidedStep("8a1d2c3b-4e5f-4a6b-8c7d-9e0f1a2b3c4d", "2026-12-08T10:21:40.102Z", run, false,
                   {{"925 mS/cm", 925, "mS/cm", 925.8, -1, 0, "%", 1.85, "pass"}}, 22.31),
        GuidedStep("5e6f7a8b-9c0d-4e1f-a2b3-c4d5e6f7a8b9", "2026-12-08T10:26:05.733Z", run, true,
                   {{"9.25 mS/cm", 9.25, "mS/cm", 9.41, 9.3, 0.54, "%", 0.1, "pass"}}, 22.4),
        last,
    });
    const std::filesystem::path out = std::filesystem::path(CORVANE_BUILD_DIR) / "docs";
    std::filesystem::create_directories(out);
    std::string error;
    ASSERT_TRUE(
        WriteCertificatePdf(c, PageSize::A4, (out / "calibration-certificate.pdf").string(), error))
        << error;
    QProcess pdftoppm;
    pdftoppm.start(QStandardPaths::findExecutable("pdftoppm"),
                   {"-png", "-r", "60", "-singlefile",
                    QString::fromStdString((out / "calibration-certificate.pdf").string()),
                    QString::fromStdString((out / "calibration-certificate").string())});
    ASSERT_TRUE(pdftoppm.waitForFinished(30000));
    EXPECT_EQ(pdftoppm.exitCode(), 0) << pdftoppm.readAllStandardError().toStdString();
    EXPECT_TRUE(std::filesystem::exists(out / "calibration-certificate.png"));
}

// corvane certificate on a record written with the store, as a technician runs it.
class CorvaneCertificate : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string error;
        auto store = RecordStore::Open(records, error);
        ASSERT_TRUE(store) << error;
        ServiceEvent read = CalibrationEvent("e0000000-0000-4000-8000-000000000001", kTime, "{}");
        read.kind = kind::kSetupRead;
        ASSERT_TRUE(store->Add({PageConductivity(kPage, kTime, 2, 92.5, 90.65, 92.49),
                                PageReset(kReset, "2026-12-08T10:20:00.000Z"), read},
                               error))
            << error;
    }
    struct Ran {
        int status;
        std::string out, err;
    };
    Ran Corvane(const QStringList& arguments) {
        QProcess process;
        QStringList all = {"--records", QString::fromStdString(records)};
        all += arguments;
        process.start(CORVANE_PROGRAM, all);
        process.waitForFinished(60000);
        return {process.exitCode(), process.readAllStandardOutput().toStdString(),
                process.readAllStandardError().toStdString()};
    }

    static constexpr const char* kPage = "e0000000-0000-4000-8000-000000000002";
    static constexpr const char* kReset = "e0000000-0000-4000-8000-000000000003";
    ScratchFolder folder;
    std::string records = folder.File("records.sqlite");
};

TEST_F(CorvaneCertificate, writesTheCertificateOfACalibrationEvent) {
    const std::string out = folder.File("VX0100.pdf");
    const Ran ran = Corvane({"certificate", kPage, "--out", QString::fromStdString(out)});
    EXPECT_EQ(ran.status, 0) << ran.err;
    EXPECT_EQ(ran.out, "Certificate written to " + out + "\n");
    ASSERT_TRUE(std::filesystem::exists(out));
    if (!HasPdfTools()) GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
    const std::string text = PdfText(out);
    for (const char* shown : {"VX0100", "92.5 mS/cm", "90.65 mS/cm", "92.49 mS/cm", "PASS"}) {
        EXPECT_NE(text.find(shown), std::string::npos) << shown << " is missing from\n" << text;
    }
    EXPECT_NE(PdfText(out, "pdfinfo").find("(A4)"), std::string::npos);
    EXPECT_EQ(
        Corvane({"certificate", kPage, "--out", QString::fromStdString(out), "--paper", "letter"})
            .status,
        0);
    EXPECT_NE(PdfText(out, "pdfinfo").find("(letter)"), std::string::npos);
}

TEST_F(CorvaneCertificate, refusesWhatCannotBeCertifiedWithStatus2AndAMissingRecordWith1) {
    const QString out = QString::fromStdString(folder.File("c.pdf"));
    Ran ran = Corvane({"certificate", "no-such-event", "--out", out});
    EXPECT_EQ(ran.status, 2);
    EXPECT_NE(ran.err.find("corvane: there is no event no-such-event in the service record\n"),
              std::string::npos)
        << ran.err;
    ran = Corvane({"certificate", "e0000000-0000-4000-8000-000000000001", "--out", out});
    EXPECT_EQ(ran.status, 2);
    EXPECT_NE(ran.err.find("is a setup-read event, not a calibration"), std::string::npos);
    ran = Corvane({"certificate", kReset, "--out", out});
    EXPECT_EQ(ran.status, 2);
    EXPECT_NE(ran.err.find("reset to the default calibration: it has no reference values"),
              std::string::npos)
        << ran.err;
    EXPECT_FALSE(std::filesystem::exists(out.toStdString()));

    records = folder.File("missing.sqlite");
    ran = Corvane({"certificate", kPage, "--out", out});
    EXPECT_EQ(ran.status, 1);
    EXPECT_NE(ran.err.find("corvane: there is no service record at " + records + "\n"),
              std::string::npos)
        << ran.err;
}

}  // namespace
}  // namespace corvane::records

// Laying out a page needs a GUI application, here on no display; times are shown in central
// European time, whatever the machine's zone.
int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
    tzset();
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
