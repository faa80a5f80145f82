#pragma once

#include <chrono>
#include <optional>
#include <vector>

namespace corvane::records {

// Figures of a stretch of readings: how many, their mean, standard deviation and extremes.
struct WindowFigures {
    std::chrono::system_clock::time_point from;
    std::chrono::system_clock::time_point to;
    int polls = 0;
    double mean = 0.0;
    double stdDev = 0.0;
    double min = 0.0;
    double max = 0.0;
    double Spread() const { return max - min; }
    double Seconds() const { return std::chrono::duration<double>(to - from).count(); }
};

// Figures of `values` taken from `from` to `to`; nothing when there are none.
std::optional<WindowFigures> FiguresOf(const std::vector<double>& values,
                                       std::chrono::system_clock::time_point from,
                                       std::chrono::system_clock::time_point to);

}  // namespace corvane::records
