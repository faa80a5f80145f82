#include <gtest/gtest.h>

#include <QAbstractItemModel>
#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QScrollBar>
#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "framework/dialog.h"
#include "framework/qt/qt_host.h"
#include "framework/qt/qt_window_builder.h"
#include "framework/window_model.h"

namespace corvane::fw {
namespace {

constexpr int kLines = 5;

const DialogTemplate& ListTemplate() {
    static const DialogTemplate t{710, "Lines", 120, 80, {{kLines, ControlKind::ListBox, ""}}};
    return t;
}

std::vector<std::string> Numbered(int count, const std::string& last = "") {
    std::vector<std::string> lines;
    for (int i = 0; i < count; ++i) lines.push_back("Line " + std::to_string(i));
    if (!last.empty()) lines.back() = last;
    return lines;
}

// What the list widget's rows went through, as the view sees it.
struct RowEvents {
    explicit RowEvents(QAbstractItemModel* model) {
        QObject::connect(model, &QAbstractItemModel::rowsInserted, &context,
                         [this] { ++inserted; });
        QObject::connect(model, &QAbstractItemModel::rowsRemoved, &context, [this] { ++removed; });
        QObject::connect(model, &QAbstractItemModel::dataChanged, &context,
                         [this] { ++rewritten; });
        QObject::connect(model, &QAbstractItemModel::modelReset, &context, [this] { ++resets; });
    }
    int Total() const { return inserted + removed + rewritten + resets; }
    QObject context;  // the connections end with the record
    int inserted = 0, removed = 0, rewritten = 0, resets = 0;
};

class QtListRefill : public ::testing::Test {
  protected:
    void SetUp() override {
        container.resize(200, 120);
        container.show();
        list = qobject_cast<QListWidget*>(builder.WidgetFor(kLines));
        ASSERT_NE(list, nullptr);
    }

    WindowModel model{ListTemplate()};
    QWidget container;
    QtWindowBuilder builder{model, container};
    QListWidget* list = nullptr;
};

TEST_F(QtListRefill, theSameLinesLeaveTheWidgetUntouched) {
    model.ListSetItems(kLines, Numbered(40));
    QCoreApplication::processEvents();
    list->setCurrentRow(3);  // the operator's choice reaches the model
    ASSERT_EQ(model.ListSelection(kLines), 3);
    list->verticalScrollBar()->setValue(list->verticalScrollBar()->maximum());
    const int scroll = list->verticalScrollBar()->value();
    ASSERT_GT(scroll, 0) << "forty lines scroll in a small list";

    RowEvents events(list->model());
    model.ListSetItems(kLines, Numbered(40));
    EXPECT_EQ(events.Total(), 0);
    EXPECT_EQ(list->currentRow(), 3);
    EXPECT_EQ(list->verticalScrollBar()->value(), scroll);
}

TEST_F(QtListRefill, newLinesComeInOneUpdateAndKeepTheScrollPosition) {
    model.ListSetItems(kLines, Numbered(40));
    QCoreApplication::processEvents();
    list->verticalScrollBar()->setValue(list->verticalScrollBar()->maximum() / 2);
    const int scroll = list->verticalScrollBar()->value();

    RowEvents grown(list->model());
    model.ListSetItems(kLines, Numbered(45, "Msg 08..Sensor Comms OK"));
    EXPECT_EQ(grown.inserted, 1) << "the new rows go in together";
    EXPECT_EQ(grown.resets + grown.removed, 0) << "the list is not emptied first";
    EXPECT_EQ(list->count(), 45);
    EXPECT_EQ(list->item(44)->text().toStdString(), "Msg 08..Sensor Comms OK");
    EXPECT_EQ(list->item(0)->text().toStdString(), "Line 0");
    EXPECT_EQ(list->verticalScrollBar()->value(), scroll);

    RowEvents shrunk(list->model());
    model.ListSetItems(kLines, Numbered(2, "last"));
    EXPECT_EQ(shrunk.resets + shrunk.inserted, 0);
    ASSERT_EQ(list->count(), 2);
    EXPECT_EQ(list->item(1)->text().toStdString(), "last");
    EXPECT_EQ(list->currentRow(), -1);
}

class PaintCounter : public Dialog {
  public:
    explicit PaintCounter(Host& host) : Dialog(host, ListTemplate()) {}
    int paints = 0;

  protected:
    void OnPaint() override { ++paints; }
};

void RunPostedWork() {
    for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
}

TEST(QtRepaint, aWindowActivatedOrShownAgainPaintsAfterTheEvent) {
    QtHost host("help.html");
    PaintCounter window(host);
    window.DoModal([](int) {});
    RunPostedWork();
    const int painted = window.paints;
    ASSERT_GE(painted, 1);
    QWidget* widget = QtHost::WidgetOf(window.View());
    ASSERT_NE(widget, nullptr);

    QEvent activate(QEvent::WindowActivate);
    QApplication::sendEvent(widget, &activate);
    EXPECT_EQ(window.paints, painted) << "not inside Qt's event handling";
    RunPostedWork();
    EXPECT_EQ(window.paints, painted + 1);

    widget->hide();
    widget->show();
    RunPostedWork();
    EXPECT_EQ(window.paints, painted + 2);

    window.EndDialog(kIdOk);
    RunPostedWork();
    EXPECT_FALSE(window.IsOpen());
}

// The widgets of a window that has closed go later than its controls: what they still do on the
// way (a list that gains the focus picks a row, an edit is typed into) reaches no control.
TEST(QtWindowClosing, widgetsLeftBehindReachNoControlOfTheClosedWindow) {
    QWidget container;
    QListWidget* list = nullptr;
    {
        auto model = std::make_unique<WindowModel>(ListTemplate());
        QtWindowBuilder builder(*model, container);
        model->ListSetItems(kLines, Numbered(5));
        list = qobject_cast<QListWidget*>(builder.WidgetFor(kLines));
        ASSERT_NE(list, nullptr);
    }  // the builder and the controls are gone; the widgets are still there
    list->setCurrentRow(2);
    EXPECT_EQ(list->currentRow(), 2);
}

// Message boxes answer once, when they close; a box opened on top of another outlives it, and a
// withdrawal closes only the boxes of that caption posted before it.
TEST(QtBoxes, aBoxOnAnotherOutlivesItAndAWithdrawalTakesOnlyEarlierBoxes) {
    QtHost host("help.html");
    std::vector<std::string> answered;
    const auto answer = [&answered](std::string name) {
        return [&answered, name](Answer) { answered.push_back(name); };
    };
    const auto shown = [] {
        std::vector<std::string> texts;
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (auto* box = qobject_cast<QMessageBox*>(window); box != nullptr && box->isVisible())
                texts.push_back(box->text().toStdString());
        }
        std::sort(texts.begin(), texts.end());
        return texts;
    };
    const auto settle = [] {
        for (int i = 0; i < 20; ++i) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
    };
    host.PostBox({"port gone", "Corvane Comms Error", Icon::Stop, Buttons::Ok}, answer("port"));
    settle();
    host.PostBox({"transfer failed", "Download", Icon::Exclamation, Buttons::Ok},
                 answer("transfer"));
    settle();
    host.WithdrawBoxes("Corvane Comms Error");
    host.PostBox({"settings refused", "Corvane Comms Error", Icon::Stop, Buttons::Ok},
                 answer("settings"));
    settle();
    EXPECT_EQ(answered, std::vector<std::string>{"port"});
    EXPECT_EQ(shown(), (std::vector<std::string>{"settings refused", "transfer failed"}));
    for (QWidget* window : QApplication::topLevelWidgets()) {
        auto* box = qobject_cast<QMessageBox*>(window);
        if (box == nullptr || !box->isVisible()) continue;
        // The text whole, and room for the caption.
        const auto* label = box->findChild<QLabel*>("qt_msgbox_label");
        ASSERT_NE(label, nullptr);
        EXPECT_GE(label->width(), label->fontMetrics().horizontalAdvance(label->text()));
        EXPECT_GE(box->width(), box->fontMetrics().horizontalAdvance(box->windowTitle()));
    }
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (auto* box = qobject_cast<QMessageBox*>(window); box != nullptr && box->isVisible())
            box->accept();
    }
    settle();
    EXPECT_EQ(answered.size(), 3u);
}

}  // namespace
}  // namespace corvane::fw
