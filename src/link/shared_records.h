#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "link/link_machine.h"
#include "link/link_states.h"
#include "link/sensor_data.h"
#include "link/status_lines.h"

namespace corvane {

// Values the Calibration and Test pages leave for the request encoder.
struct ServiceRequests {
    double CalTrueTemperature = 0.0;
    double CalOut1Reading = 0.0;
    double CalOut2Reading = 0.0;
    int CalOutputPoint = 0;
    bool CalOutputsEntered = false;
    int TestCode1 = 0;
    int TestCode2 = 0;
    int TestCodeBoth = 0;
    // The currents the pages forced (mA, 0 = normal) and the output currents the Test page shows.
    int TestCurrent1 = 0;
    int TestCurrent2 = 0;
    double TestOut1Display = 0.0;
    double TestOut2Display = 0.0;
    // Outputs this program has forced to a test current and not yet returned to normal, kept
    // apart from the page values above (which the pages clear on entry) so that closing the
    // program can tell whether the plant's loop may still read a test current.
    bool Output1Forced = false;
    bool Output2Forced = false;
};

// Every record the engine, the pages and the files share. The main window owns one; tests build
// as many as they like.
struct SharedRecords {
    SensorData Sensor;
    MessageSlots Slots;
    MessageLines Lines;
    corvane::PageRefresh PageRefresh = corvane::PageRefresh::Idle;

    ServiceRequests Service;

    // The operator: name and password as typed, the access level they reached, and the
    // three user passwords of levels 3, 4 and 5.
    std::string OperatorName;
    std::string OperatorPassword;
    int AccessLevel = 0;
    std::string ConfigurePassword;
    std::string CalibratePassword;
    std::string InstallPassword;

    bool MainWindowStarted = false;
    bool ExitPromptShown = false;

    // The link's machine state (the request, the engine, the queue, the search, the setup read,
    // the download and the calibration stamp): everyone reads it here, only the link changes it.
    // Windows and the command line ask the link for a change through its named operations.
    const LinkState& Link() const { return machine_.Link; }
    const EngineState& Engine() const { return machine_.Engine; }
    const CommandQueue& Queue() const { return machine_.Queue; }
    corvane::ScanState ScanState() const { return machine_.ScanState; }
    int ScanDirection() const { return machine_.ScanDirection; }
    int UploadBlock() const { return machine_.UploadBlock; }
    int UploadFailedBlock() const { return machine_.UploadFailedBlock; }
    int UploadFailedAttempts() const { return machine_.UploadFailedAttempts; }
    const std::string& SetupReadFromSerial() const { return machine_.SetupReadFromSerial; }
    int SetupReadFromAddress() const { return machine_.SetupReadFromAddress; }
    const DownloadRecord& Download() const { return machine_.Download; }
    corvane::CalibrationStamp CalibrationDone() const { return machine_.CalibrationDone; }

  private:
    friend struct LinkMachineAccess;
    LinkMachine machine_;
};

// Whether the setup the records hold was read from the sensor connected now: its identity has
// been read and is the one the setup was read from.
bool SetupReadFromConnectedSensor(const SharedRecords& records);

}  // namespace corvane
