#pragma once

#include <functional>
#include <string>
#include <vector>

namespace corvane {

struct SharedRecords;
namespace fw {
class Host;
}

// The operator's name and password decide the access level, and the level decides the pages.

// Built-in user passwords, in force until the state file or the Passwords page changes them.
inline constexpr const char* kDefaultConfigurePassword = "1";
inline constexpr const char* kDefaultCalibratePassword = "2";
inline constexpr const char* kDefaultInstallPassword = "3";
inline constexpr const char* kNoNameText = " ENTER YOUR NAME";

void SetDefaultPasswords(SharedRecords& records);

// Accepts or rejects OperatorName; a rejection beeps and posts its error box. `done` runs once
// the operator has seen the box (at once when there is none).
void CheckName(SharedRecords& records, fw::Host& host, std::function<void()> done);

// Sets AccessLevel from OperatorPassword, with its beep and box; `done` as above.
void CheckPassword(SharedRecords& records, fw::Host& host, std::function<void()> done);

// The pages of the property sheet, in tab order.
enum class PageKind {
    Monitor,
    Setup,
    Test,
    Calibration,
    Software,
    Communications,
    Passwords,
    Channels,
    FactorySettings
};
std::vector<PageKind> PagesForLevel(int accessLevel);

}  // namespace corvane
