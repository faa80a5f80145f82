#include "framework/host.h"

#include <cctype>
#include <ctime>

namespace corvane::fw {
namespace {

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::string current;
    for (const char c : text) {
        if (c == separator) {
            parts.push_back(current);
            current.clear();
        } else {
            current.push_back(c);
        }
    }
    parts.push_back(current);
    return parts;
}

bool SameLetter(char a, char b) {
    return std::tolower(static_cast<unsigned char>(a)) ==
           std::tolower(static_cast<unsigned char>(b));
}

// '*' matches any run, '?' any one character.
bool Match(const char* name, const char* pattern) {
    if (*pattern == '\0') return *name == '\0';
    if (*pattern == '*') {
        for (const char* rest = name;; ++rest) {
            if (Match(rest, pattern + 1)) return true;
            if (*rest == '\0') return false;
        }
    }
    if (*name == '\0') return false;
    if (*pattern == '?' || SameLetter(*name, *pattern)) return Match(name + 1, pattern + 1);
    return false;
}

}  // namespace

std::chrono::system_clock::time_point Host::PreciseNow() const {
    return TimePointOf(Now());
}

std::chrono::system_clock::time_point TimePointOf(const DateTime& now) {
    std::tm local{};
    local.tm_year = now.year - 1900;
    local.tm_mon = now.month - 1;
    local.tm_mday = now.day;
    local.tm_hour = now.hour;
    local.tm_min = now.minute;
    local.tm_sec = now.second;
    local.tm_isdst = -1;  // as the calendar has it on that day
    return std::chrono::system_clock::from_time_t(std::mktime(&local));
}

std::vector<FileFilterEntry> ParseFileFilter(const std::string& filter) {
    const auto parts = Split(filter, '|');
    std::vector<FileFilterEntry> entries;
    for (std::size_t i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].empty()) break;
        entries.push_back({parts[i], Split(parts[i + 1], ';')});
    }
    return entries;
}

bool MatchesFilePattern(const std::string& fileName, const std::string& pattern) {
    if (pattern == "*.*") return true;  // every file, with or without an extension
    return Match(fileName.c_str(), pattern.c_str());
}

}  // namespace corvane::fw
