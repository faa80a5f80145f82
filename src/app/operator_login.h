#pragma once

#include <functional>
#include <string>

namespace corvane {

struct SharedRecords;
namespace fw {
class Host;
}

// The operator's name and password decide the access level (the level decides the pages: see
// page_table.h).

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

}  // namespace corvane
