#include "framework/qt/qt_chart_widget.h"

#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QGraphicsLayout>
#include <QLabel>
#include <QLineSeries>
#include <QPainter>
#include <QVBoxLayout>
#include <QValueAxis>
#include <algorithm>
#include <vector>

namespace corvane::fw {
namespace {

QString ToQ(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QColor ColourOf(std::uint32_t rgb) {
    return QColor(static_cast<int>((rgb >> 16) & 0xFF), static_cast<int>((rgb >> 8) & 0xFF),
                  static_cast<int>(rgb & 0xFF));
}

QColor ColourOf(ChartMark::Kind kind) {
    switch (kind) {
        case ChartMark::Kind::Fault: return QColor(200, 30, 30);
        case ChartMark::Kind::Status: return QColor(220, 120, 0);
        case ChartMark::Kind::Information: break;
    }
    return QColor(110, 110, 130);
}

// One pane: a chart with a time axis labelled at the content's ticks and a value axis. Its plot
// area has fixed margins, the same in every pane, so the panes' times line up; the title, the
// legend, the note and the marks are painted over the chart.
class PaneView : public QChartView {
  public:
    explicit PaneView(QWidget* parent) : QChartView(parent) {
        chart_ = new QChart;
        chart_->legend()->hide();
        chart_->setMargins(QMargins(0, 0, 0, 0));
        chart_->setBackgroundRoundness(0);
        chart_->layout()->setContentsMargins(0, 0, 0, 0);
        setChart(chart_);
        setRenderHint(QPainter::Antialiasing);
        setFrameShape(QFrame::NoFrame);
        setMinimumHeight(80);

        QFont small = font();
        small.setPointSizeF(std::max(7.0, small.pointSizeF() - 1));
        smallFont_ = small;
        tinyFont_ = small;
        tinyFont_.setPixelSize(1);
        time_ = new QCategoryAxis;
        time_->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
        time_->setLabelsFont(small);
        time_->setGridLineColor(QColor(225, 225, 225));
        value_ = new QValueAxis;
        value_->setTickType(QValueAxis::TicksDynamic);
        value_->setLabelsFont(small);
        value_->setGridLineColor(QColor(225, 225, 225));
        chart_->addAxis(time_, Qt::AlignBottom);
        chart_->addAxis(value_, Qt::AlignLeft);
    }

    void Show(const ChartContent& content, std::size_t index) {
        const ChartPane& pane = content.panes[index];
        const bool lowest = index + 1 == content.panes.size();
        const bool top = index == 0;
        lowest_ = lowest;
        ShowTime(content, lowest);
        const ChartValueAxis& a = pane.axis;
        // A hair more at the top, so that the top label, at the anchor plus whole steps, does
        // not fall outside the axis through rounding.
        value_->setRange(a.min, a.max + a.step * 1e-6);
        value_->setTickAnchor(a.min);
        axis_ = a;
        SpaceTheValueLabels();
        value_->setLabelFormat(QString("%.%1f").arg(std::clamp(a.decimals, 0, 9)));

        std::size_t used = 0;
        for (const ChartSeries& series : pane.series) {
            QPen pen(ColourOf(series.rgb));
            pen.setWidthF(1.4);
            for (const auto& segment : series.segments) {
                QLineSeries* line = Line(used++);
                line->setPen(pen);
                QList<QPointF> points;
                points.reserve(static_cast<qsizetype>(segment.size()));
                for (const ChartPoint& p : segment) points.append(QPointF(p.x, p.y));
                line->replace(points);
                line->setVisible(true);
            }
        }
        for (std::size_t i = used; i < lines_.size(); ++i) {
            if (lines_[i]->count() > 0) lines_[i]->clear();
            lines_[i]->setVisible(false);
        }

        title_ = ToQ(pane.title);
        legend_.clear();
        if (pane.series.size() > 1) {
            for (const ChartSeries& series : pane.series) {
                legend_.push_back({ToQ(series.name), ColourOf(series.rgb)});
            }
        }
        note_ = top ? ToQ(content.note) : QString();
        marks_.clear();
        for (const ChartMark& mark : content.marks) {
            marks_.push_back({mark.x, top ? ToQ(mark.label) : QString(), ColourOf(mark.kind)});
        }
        xMin_ = content.xMin;
        xMax_ = content.xMax;
        valueLabelsWidth_ = LabelsWidth(a);
        viewport()->update();
    }

    // The width of the widest value label, as the chart measures it to make room for them.
    int ValueLabelsWidth() const { return valueLabelsWidth_; }
    // Room for the value labels at the left, the title above, the time labels below the lowest
    // pane: `labelsWidth` is the widest value label of all panes, so that the plot areas of
    // every pane begin at the same place and one moment is in line in all of them.
    void PlaceThePlotArea(int labelsWidth) {
        // On the right, room for half a time label at the end of the axis.
        const int right =
            value_->labelsFont().pointSizeF() > 0
                ? QFontMetrics(value_->labelsFont()).horizontalAdvance("00:00:00") / 2 + 6
                : 30;
        const QMargins margins(6 + labelsWidth - valueLabelsWidth_, fontMetrics().height() + 8,
                               right, lowest_ ? 2 : 4);
        if (chart_->margins() != margins) chart_->setMargins(margins);
    }

    std::vector<std::vector<ChartPoint>> Lines() const {
        std::vector<std::vector<ChartPoint>> shown;
        for (QLineSeries* line : lines_) {
            if (!line->isVisible()) continue;
            std::vector<ChartPoint> points;
            for (const QPointF& p : line->points()) points.push_back({p.x(), p.y()});
            shown.push_back(std::move(points));
        }
        return shown;
    }
    std::vector<std::string> TimeLabels() const {
        std::vector<std::string> labels;
        for (const QString& label : time_->categoriesLabels()) {
            labels.push_back(label.toStdString());
        }
        return labels;
    }

  protected:
    void resizeEvent(QResizeEvent* event) override {
        QChartView::resizeEvent(event);
        SpaceTheValueLabels();
    }

    void drawForeground(QPainter* painter, const QRectF& rect) override {
        QChartView::drawForeground(painter, rect);
        const QRectF plot = chart_->plotArea();
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing, false);
        QFont small = font();
        small.setPointSizeF(std::max(7.0, small.pointSizeF() - 1));
        const QFontMetrics smallMetrics(small);
        // The marks: a line through the plot, in the top pane its label at the top. Labels of
        // marks close together go one under the other, in as many rows as there is room for;
        // a label with no room left is not drawn (its line is).
        const int rows = std::max(1, static_cast<int>(plot.height() / 2 / smallMetrics.height()));
        std::vector<double> rowEnds(static_cast<std::size_t>(rows), -1e9);
        for (const Mark& mark : marks_) {
            if (xMax_ <= xMin_ || mark.x < xMin_ || mark.x > xMax_) continue;
            const double x = plot.left() + (mark.x - xMin_) / (xMax_ - xMin_) * plot.width();
            painter->setPen(QPen(mark.colour, 1, Qt::DashLine));
            painter->drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom()));
            if (mark.label.isEmpty()) continue;
            const double width = smallMetrics.horizontalAdvance(mark.label) + 4;
            for (std::size_t row = 0; row < rowEnds.size(); ++row) {
                if (x + 2 < rowEnds[row]) continue;
                const double top =
                    plot.top() + 1 + static_cast<double>(row) * smallMetrics.height();
                const QRectF box(x + 2, top, width, smallMetrics.height());
                painter->setFont(small);
                painter->fillRect(box, QColor(255, 255, 255, 220));
                painter->setPen(mark.colour);
                painter->drawText(box, Qt::AlignCenter, mark.label);
                rowEnds[row] = box.right() + 2;
                break;
            }
        }
        // The title above the plot, the legend after it, the note at the right.
        painter->setFont(font());
        const QFontMetrics metrics(font());
        const double baseline = plot.top() - 5;
        painter->setPen(palette().color(QPalette::WindowText));
        painter->drawText(QPointF(plot.left(), baseline), title_);
        double x = plot.left() + metrics.horizontalAdvance(title_) + 16;
        for (const auto& [name, colour] : legend_) {
            painter->setPen(QPen(colour, 2));
            painter->drawLine(QPointF(x, baseline - metrics.ascent() / 3.0),
                              QPointF(x + 14, baseline - metrics.ascent() / 3.0));
            painter->setPen(palette().color(QPalette::WindowText));
            painter->setFont(small);
            painter->drawText(QPointF(x + 18, baseline), name);
            x += 18 + smallMetrics.horizontalAdvance(name) + 12;
        }
        if (!note_.isEmpty()) {
            // Beside the legend where there is room, else just inside the plot's top right
            // corner on a pale ground, never over the legend.
            const double noteWidth = metrics.horizontalAdvance(note_);
            QPointF at(plot.right() - noteWidth, baseline);
            if (at.x() < x) {
                at.setY(plot.top() + metrics.ascent() + 2);
                painter->fillRect(
                    QRectF(at.x() - 3, plot.top() + 1, noteWidth + 6, metrics.height() + 2),
                    QColor(255, 255, 255, 220));
            }
            painter->setFont(font());
            painter->setPen(QColor(170, 40, 40));
            painter->drawText(at, note_);
        }
        painter->restore();
    }

  private:
    struct Mark {
        double x;
        QString label;
        QColor colour;
    };

    QLineSeries* Line(std::size_t index) {
        while (lines_.size() <= index) {
            auto* line = new QLineSeries;
            chart_->addSeries(line);
            line->attachAxis(time_);
            line->attachAxis(value_);
            lines_.push_back(line);
        }
        return lines_[index];
    }

    void ShowTime(const ChartContent& content, bool labelled) {
        // Hidden labels still take their room under the plot: in the upper panes they are made
        // as small as a font can be, so that their plots reach down to the next pane.
        time_->setLabelsVisible(labelled);
        time_->setLabelsFont(labelled ? smallFont_ : tinyFont_);
        std::vector<ChartTick> ticks;
        for (const ChartTick& tick : content.xTicks) {
            // A label at the very end of the axis would stand half outside the chart.
            const double end = content.xMax - (content.xMax - content.xMin) / 50;
            if (tick.x > content.xMin && tick.x <= end) ticks.push_back(tick);
        }
        if (ticks != ticks_) {
            for (const QString& label : time_->categoriesLabels()) time_->remove(label);
            time_->setStartValue(content.xMin);
            for (const ChartTick& tick : ticks) time_->append(ToQ(tick.label), tick.x);
            ticks_ = std::move(ticks);
        }
        time_->setStartValue(content.xMin);
        time_->setRange(content.xMin, content.xMax);
    }

    // A label every step of the axis, or every 2, 5, 10... steps where the pane is too low for
    // them all: the chart shares the plot's height out among the labels and cuts short ("...")
    // every label taller than its share less some padding.
    void SpaceTheValueLabels() {
        if (axis_.step <= 0 || axis_.max <= axis_.min) return;
        const double labelHeight = QFontMetrics(value_->labelsFont()).height();
        const double plotHeight =
            std::max(1.0, height() - chart_->margins().top() - chart_->margins().bottom() -
                              (lowest_ ? labelHeight + 6 : 0));
        // Both ends of the axis keep their labels: every m steps where m divides the steps,
        // and at the least the two ends alone.
        const double steps = std::max(1.0, std::round((axis_.max - axis_.min) / axis_.step));
        double every = steps;
        for (const double m : {1.0, 2.0, 3.0, 4.0, 5.0, 10.0, 20.0, 50.0}) {
            if (m >= steps) break;
            if (std::fmod(steps, m) != 0) continue;
            const double labels = steps / m + 1;
            if (plotHeight / labels >= labelHeight + 9) {
                every = m;
                break;
            }
        }
        if (value_->tickInterval() != axis_.step * every)
            value_->setTickInterval(axis_.step * every);
    }

    int LabelsWidth(const ChartValueAxis& axis) const {
        const QFontMetrics metrics(value_->labelsFont());
        const QString format = value_->labelFormat();
        int widest = 0;
        if (axis.step > 0 && axis.max >= axis.min) {
            for (double v = axis.min; v <= axis.max + axis.step / 1000; v += axis.step) {
                widest = std::max(
                    widest,
                    metrics.boundingRect(QString::asprintf(format.toLatin1().constData(), v))
                        .width());
            }
        }
        return widest;
    }

    QChart* chart_ = nullptr;
    QCategoryAxis* time_ = nullptr;
    QValueAxis* value_ = nullptr;
    std::vector<QLineSeries*> lines_;
    std::vector<ChartTick> ticks_;
    QString title_;
    std::vector<std::pair<QString, QColor>> legend_;
    QString note_;
    std::vector<Mark> marks_;
    double xMin_ = 0;
    double xMax_ = 1;
    bool lowest_ = false;
    QFont smallFont_;
    QFont tinyFont_;
    int valueLabelsWidth_ = 0;
    ChartValueAxis axis_;
};

class ChartWidget : public QWidget {
  public:
    explicit ChartWidget(QWidget* parent) : QWidget(parent) {
        layout_ = new QVBoxLayout(this);
        layout_->setContentsMargins(0, 0, 0, 0);
        layout_->setSpacing(0);
        empty_ = new QLabel(this);
        empty_->setAlignment(Qt::AlignCenter);
        layout_->addWidget(empty_);
        setMinimumSize(560, 360);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    }

    void Show(const ChartContent& content) {
        while (panes_.size() < content.panes.size()) {
            auto* pane = new PaneView(this);
            layout_->addWidget(pane, 1);
            panes_.push_back(pane);
        }
        int labelsWidth = 0;
        for (std::size_t i = 0; i < panes_.size(); ++i) {
            const bool used = i < content.panes.size();
            if (used) {
                panes_[i]->Show(content, i);
                labelsWidth = std::max(labelsWidth, panes_[i]->ValueLabelsWidth());
            }
            panes_[i]->setVisible(used);
        }
        for (std::size_t i = 0; i < content.panes.size(); ++i) {
            panes_[i]->PlaceThePlotArea(labelsWidth);
        }
        // The lowest pane also carries the time labels: a little more room for it.
        for (std::size_t i = 0; i < content.panes.size(); ++i) {
            layout_->setStretch(static_cast<int>(i + 1), i + 1 == content.panes.size() ? 12 : 10);
        }
        empty_->setVisible(content.panes.empty());
        empty_->setText(ToQ(content.note));
        shown_ = static_cast<int>(content.panes.size());
    }

    ShownChart Shown() const {
        ShownChart shown;
        shown.panes = shown_;
        for (int i = 0; i < shown_; ++i) {
            shown.lines.push_back(panes_[static_cast<std::size_t>(i)]->Lines());
        }
        if (shown_ > 0) {
            shown.timeLabels = panes_[static_cast<std::size_t>(shown_ - 1)]->TimeLabels();
        }
        return shown;
    }

  private:
    QVBoxLayout* layout_ = nullptr;
    QLabel* empty_ = nullptr;
    std::vector<PaneView*> panes_;
    int shown_ = 0;
};

}  // namespace

QWidget* CreateChartWidget(QWidget* parent) {
    return new ChartWidget(parent);
}

void ShowChart(QWidget* chartWidget, const ChartContent& content) {
    if (auto* chart = dynamic_cast<ChartWidget*>(chartWidget)) chart->Show(content);
}

bool IsChartWidget(const QWidget* widget) {
    return dynamic_cast<const ChartWidget*>(widget) != nullptr;
}

ShownChart ShownChartOf(QWidget* chartWidget) {
    auto* chart = dynamic_cast<ChartWidget*>(chartWidget);
    return chart != nullptr ? chart->Shown() : ShownChart{};
}

}  // namespace corvane::fw
