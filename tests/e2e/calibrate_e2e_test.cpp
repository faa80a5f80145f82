// corvane calibrate against vexor-sim, as a script runs it: a sensor that reads 2 % low with the
// 92.5 mS/cm reference fitted (through vexor-sim's control file).
#include <gtest/gtest.h>

#include <QProcess>
#include <filesystem>
#include <fstream>
#include <regex>

#include "program_on_simulator.h"

namespace corvane {
namespace {

using testing::Finished;
using testing::RunCorvane;
using testing::SimulatorProcess;

class CalibrateOnTheSimulator : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!testing::PseudoTerminalsAvailable()) GTEST_SKIP() << "no pseudo-terminals here";
        folder = std::filesystem::temp_directory_path() /
                 ("corvane-calibrate-" + std::to_string(::getpid()));
        std::filesystem::create_directories(folder);
        std::ofstream(folder / "bench") << "reference 92.5\n";
        ASSERT_TRUE(
            simulator.Start("calibrate", {"--cond-error", "-2", "--control",
                                          QString::fromStdString((folder / "bench").string())}));
    }
    void TearDown() override { std::filesystem::remove_all(folder); }

    Finished Corvane(QStringList arguments, int seconds = 20) {
        return RunCorvane(
            QStringList{"--port", QString::fromStdString(simulator.Link().string()), "--records",
                        QString::fromStdString((folder / "record.sqlite").string())} +
                arguments,
            seconds);
    }
    // The deviation printed on the line that begins with `label`, in %.
    static double Deviation(const std::string& out, const std::string& label) {
        std::smatch m;
        const std::regex line(label + R"([^\n]*deviation ([-+][0-9.]+) %)");
        return std::regex_search(out, m, line) ? std::stod(m[1]) : 1e9;
    }
    static int CalibrationRequests(const std::string& trace) {
        int count = 0;
        for (std::size_t at = trace.find("TX 00 61"); at != std::string::npos;
             at = trace.find("TX 00 61", at + 1)) {
            ++count;
        }
        return count;
    }

    std::filesystem::path folder;
    SimulatorProcess simulator;
};

TEST_F(CalibrateOnTheSimulator, theErrorIsFoundCalibratedAwayAndRecorded) {
    const Finished run = Corvane({"--trace", "calibrate", "conductivity", "92.5", "--yes"}, 120);
    ASSERT_EQ(run.status, 0) << run.out
                             << run.err.substr(run.err.size() > 2000 ? run.err.size() - 2000 : 0);
    EXPECT_NEAR(Deviation(run.out, "As found"), -2.0, 0.2) << run.out;
    EXPECT_LE(std::fabs(Deviation(run.out, "As left")), 0.2) << run.out;
    EXPECT_NE(run.out.find("Verdict: PASS"), std::string::npos) << run.out;
    EXPECT_EQ(CalibrationRequests(run.err), 1);
    EXPECT_NE(run.err.find("TX 00 64"), std::string::npos) << "the calibration stamp";

    const Finished history = Corvane({"history", "--kind", "calibration", "--json"});
    ASSERT_EQ(history.status, 0) << history.err;
    EXPECT_NE(history.out.find(R"("serial":"VX0100")"), std::string::npos) << history.out;
    EXPECT_NE(history.out.find(R"("verdict":"pass")"), std::string::npos) << history.out;
    EXPECT_NE(history.out.find(R"("as_left":{"reading":"cond_no_tc")"), std::string::npos);

    // Its certificate, as a quality system files it: the sensor, the reference, the values as
    // found and as left, and the verdict.
    const std::string uuid = history.out.substr(history.out.find(R"("uuid":")") + 8, 36);
    const std::string pdf = (folder / "certificate.pdf").string();
    const Finished certificate = Corvane(
        {"certificate", QString::fromStdString(uuid), "--out", QString::fromStdString(pdf)});
    ASSERT_EQ(certificate.status, 0) << certificate.err;
    QProcess text;
    text.start("pdftotext", {"-layout", QString::fromStdString(pdf), "-"});
    if (!text.waitForFinished(20000)) GTEST_SKIP() << "no pdftotext here";
    const std::string page = text.readAllStandardOutput().toStdString();
    std::smatch found;
    ASSERT_TRUE(std::regex_search(history.out, found, std::regex(R"("as_found":([0-9.]+))")));
    for (const std::string& part : {std::string("VX0100"), std::string("92.5"),
                                    found[1].str().substr(0, 5), std::string("PASS")}) {
        EXPECT_NE(page.find(part), std::string::npos) << part << " in\n" << page;
    }
}

TEST_F(CalibrateOnTheSimulator, noAdjustOnlyChecksAndSaysTheReadingIsOutside) {
    const Finished run =
        Corvane({"--trace", "calibrate", "conductivity", "92.5", "--no-adjust"}, 90);
    EXPECT_EQ(run.status, 3) << run.out;
    EXPECT_NEAR(Deviation(run.out, "As found"), -2.0, 0.2) << run.out;
    EXPECT_NE(run.out.find("Verdict: FAIL as found, not adjusted"), std::string::npos) << run.out;
    EXPECT_EQ(CalibrationRequests(run.err), 0);
    EXPECT_EQ(run.err.find("TX 00 64"), std::string::npos) << "no stamp: nothing was calibrated";
    EXPECT_EQ(run.err.find("TX 00 40"), std::string::npos) << "the outputs were never forced";
    const Finished history = Corvane({"history", "--kind", "calibration"});
    EXPECT_NE(history.out.find("as found outside tolerance, not adjusted"), std::string::npos)
        << history.out;
}

}  // namespace
}  // namespace corvane
