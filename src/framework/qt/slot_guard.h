#pragma once

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <stdexcept>

namespace corvane::fw {

// Every call from a Qt slot or event handler into the application goes through RunGuarded: an
// exception must never travel through Qt's event loop, which ends the program in
// std::terminate without a word about what was thrown. `where` names the slot for the report.
// A std::logic_error is a programming error (a wrong control id, a window used after it
// closed): the program stops at once with the message. Any other exception is reported on
// standard error and the event loop goes on.
inline void ReportEscapedException(const char* where) noexcept {
    try {
        throw;
    } catch (const std::logic_error& error) {
        std::fprintf(stderr, "corvane: programming error in %s: %s\n", where, error.what());
        std::fflush(stderr);
        std::abort();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "corvane: %s failed: %s\n", where, error.what());
    } catch (...) {
        std::fprintf(stderr, "corvane: %s failed with an unknown exception\n", where);
    }
    std::fflush(stderr);
}

template <typename Action>
void RunGuarded(const char* where, Action&& action) noexcept {
    try {
        action();
    } catch (...) {
        ReportEscapedException(where);
    }
}

}  // namespace corvane::fw
