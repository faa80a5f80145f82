#pragma once

// Control ids that several windows share.
namespace corvane::ids {
inline constexpr int kOk = 1;
inline constexpr int kCancel = 2;
inline constexpr int kHelp = 57670;
}  // namespace corvane::ids
