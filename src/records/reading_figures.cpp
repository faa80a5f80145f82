#include "records/reading_figures.h"

#include <algorithm>
#include <cmath>

namespace corvane::records {

std::optional<WindowFigures> FiguresOf(const std::vector<double>& values,
                                       std::chrono::system_clock::time_point from,
                                       std::chrono::system_clock::time_point to) {
    WindowFigures f;
    f.from = from;
    f.to = to;
    double sum = 0.0;
    for (const double v : values) {
        f.min = f.polls == 0 ? v : std::min(f.min, v);
        f.max = f.polls == 0 ? v : std::max(f.max, v);
        sum += v;
        ++f.polls;
    }
    if (f.polls == 0) return std::nullopt;
    f.mean = sum / f.polls;
    double squares = 0.0;
    for (const double v : values) squares += (v - f.mean) * (v - f.mean);
    f.stdDev = std::sqrt(squares / f.polls);
    return f;
}

}  // namespace corvane::records
