#pragma once

#include <QWidget>

#include "framework/chart_content.h"

namespace corvane::fw {

// The widget of a chart control, drawn with Qt Charts: one chart view per pane, stacked, their
// plot areas lined up so that one moment is at the same place in every pane; the time labels
// under the lowest pane; the marks as vertical lines through every pane, labelled in the top
// one. It draws what ChartContent says and nothing else, and only when that changes.
QWidget* CreateChartWidget(QWidget* parent);
void ShowChart(QWidget* chartWidget, const ChartContent& content);
bool IsChartWidget(const QWidget* widget);

// What the widget draws now, for tests: the panes shown and, per pane, the points of its line
// series (every segment of every series, in order).
struct ShownChart {
    int panes = 0;
    std::vector<std::vector<std::vector<ChartPoint>>> lines;  // per pane, per line
    std::vector<std::string> timeLabels;                      // of the lowest pane
};
ShownChart ShownChartOf(QWidget* chartWidget);

}  // namespace corvane::fw
