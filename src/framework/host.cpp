#include "framework/host.h"

#include <cctype>

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

std::string HelpSectionOf(std::string_view caption) {
    std::string section;
    for (const char c : caption) {
        const auto u = static_cast<unsigned char>(c);
        if (c == ' ') {
            section += '-';
        } else if (std::isalnum(u) != 0 || c == '-') {
            section += static_cast<char>(std::tolower(u));
        }
    }
    while (!section.empty() && section.back() == '-') section.pop_back();
    return section;
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
