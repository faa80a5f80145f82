#include <gtest/gtest.h>

#include <QAbstractFileIconProvider>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeDatabase>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>

#include "framework/qt/qt_chart_widget.h"
#include "framework/qt/qt_host.h"
#include "framework/qt/qt_window_builder.h"
#include "resources/all_templates.h"
#include "resources/comms_page.h"
#include "resources/main_window.h"

namespace corvane::fw {
namespace {

bool WidgetIsA(QWidget* widget, ControlKind kind) {
    switch (kind) {
        case ControlKind::Static: return qobject_cast<QLabel*>(widget) != nullptr;
        case ControlKind::Group: return qobject_cast<QGroupBox*>(widget) != nullptr;
        case ControlKind::Edit:
            return qobject_cast<QLineEdit*>(widget) != nullptr ||
                   qobject_cast<QPlainTextEdit*>(widget) != nullptr;
        case ControlKind::Button: return qobject_cast<QPushButton*>(widget) != nullptr;
        case ControlKind::CheckBox: return qobject_cast<QCheckBox*>(widget) != nullptr;
        case ControlKind::Radio: return qobject_cast<QRadioButton*>(widget) != nullptr;
        case ControlKind::ListBox: return qobject_cast<QListWidget*>(widget) != nullptr;
        case ControlKind::DropDown: return qobject_cast<QComboBox*>(widget) != nullptr;
        case ControlKind::ProgressBar: return qobject_cast<QProgressBar*>(widget) != nullptr;
        case ControlKind::Icon: return qobject_cast<QLabel*>(widget) != nullptr;
        case ControlKind::Chart: return IsChartWidget(widget);
    }
    return false;
}

TEST(QtTemplates, everyTemplateBuildsWithAWidgetOfTheRightKindPerControl) {
    for (const DialogTemplate* t : resources::AllTemplates()) {
        WindowModel model(*t);
        QWidget container;
        QtWindowBuilder builder(model, container);
        for (const auto& control : t->controls) {
            QWidget* widget = builder.WidgetFor(control.id);
            ASSERT_NE(widget, nullptr) << "dialog " << t->id << " control " << control.id;
            EXPECT_TRUE(WidgetIsA(widget, control.kind))
                << "dialog " << t->id << " control " << control.id;
            if (auto* label = qobject_cast<QLabel*>(widget);
                label != nullptr && control.kind == ControlKind::Static) {
                // What a label shows comes from the sensor, a file or the record: always text.
                EXPECT_EQ(label->textFormat(), Qt::PlainText)
                    << "dialog " << t->id << " control " << control.id;
            }
            if (control.parent != 0) {
                EXPECT_EQ(widget->parentWidget(), builder.WidgetFor(control.parent))
                    << "dialog " << t->id << " control " << control.id;
            }
        }
    }
}

TEST(QtTemplates, modelChangesShowInWidgetsAndTypingReachesTheModel) {
    WindowModel model(resources::MainWindowTemplate());
    std::vector<int> changed;
    model.SetNotifySink([&](int id, Notify n) {
        if (n == Notify::TextChanged) changed.push_back(id);
    });
    QWidget container;
    QtWindowBuilder builder(model, container);
    auto* list = qobject_cast<QListWidget*>(builder.WidgetFor(ids::kMainSystemMessages));
    model.ListAdd(ids::kMainSystemMessages, "Msg 08..Sensor Comms OK   /");
    ASSERT_EQ(list->count(), 1);
    EXPECT_EQ(list->item(0)->text().toStdString(), "Msg 08..Sensor Comms OK   /");

    auto* name = qobject_cast<QLineEdit*>(builder.WidgetFor(ids::kOperatorName));
    name->setFocus();
    name->insert("jo");
    // textEdited is emitted for operator edits only; insert() counts as one.
    EXPECT_EQ(model.Text(ids::kOperatorName), "JO");
    EXPECT_EQ(name->text().toStdString(), "JO");
    EXPECT_EQ(changed, std::vector<int>{ids::kOperatorName});
    auto* password = qobject_cast<QLineEdit*>(builder.WidgetFor(ids::kPassword));
    EXPECT_EQ(password->echoMode(), QLineEdit::Password);
}

TEST(QtTemplates, aDropDownShowsNewEntriesEvenWhenTheirNumberStaysTheSame) {
    WindowModel model(resources::CommsPageTemplate());
    QWidget container;
    QtWindowBuilder builder(model, container);
    auto* combo = qobject_cast<QComboBox*>(builder.WidgetFor(ids::kComDevice1));
    model.ListSetItems(ids::kComDevice1, {"/dev/ttyUSB0", "/dev/ttyUSB1"});
    model.ListSelect(ids::kComDevice1, 1);
    model.ListSetItems(ids::kComDevice1, {"/dev/ttyACM0", "/dev/ttyUSB1"});  // one swapped
    model.ListSelect(ids::kComDevice1, 0);
    ASSERT_EQ(combo->count(), 2);
    EXPECT_EQ(combo->itemText(0).toStdString(), "/dev/ttyACM0");
    EXPECT_EQ(combo->currentText().toStdString(), "/dev/ttyACM0");
}

TEST(QtFileFilters, patternsShowAsWrittenAndMatchInAnyLetterCase) {
    EXPECT_EQ(QtFileFilter("Download Files (*.Hex)|*.Hex|All Files (*.*)|*.*||").toStdString(),
              "Download Files (*.Hex);;All Files (*)");

    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    for (const char* name : {"a.qcf", "B.QCF", "c.Qcf", "d.txt"}) {
        QFile file(folder.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    // A file whose name says nothing: its type is not told by reading it (a file such as
    // /proc/kmsg never gives its bytes, and reading it would hold the whole program).
    {
        QFile file(folder.filePath("picture"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArray::fromHex("89504e470d0a1a0a0000000d49484452"));
    }
    QFileDialog dialog;
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    SetUpFileDialog(dialog, {.save = false,
                             .defaultExtension = "QCF",
                             .initialName = "*.QCF",
                             .filter = "Config Files (*.QCF)|*.QCF||"});
    dialog.setDirectory(folder.path());
    auto* model = dialog.findChild<QFileSystemModel*>();
    ASSERT_NE(model, nullptr);
    const QModelIndex root = model->index(folder.path());
    QStringList shown;
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < 5000 && shown.size() < 3) {
        QApplication::processEvents(QEventLoop::AllEvents, 20);
        shown.clear();
        for (int row = 0; row < model->rowCount(root); ++row) {
            const QModelIndex index = model->index(row, 0, root);
            // A name the filter leaves out stays in the model, greyed out.
            if (model->flags(index) & Qt::ItemIsEnabled) shown << model->fileName(index);
        }
    }
    shown.sort();
    EXPECT_EQ(shown.join(' ').toStdString(), "B.QCF a.qcf c.Qcf");
    ASSERT_NE(dialog.iconProvider(), nullptr);
    EXPECT_NE(dialog.iconProvider()->type(QFileInfo(folder.filePath("picture"))).toStdString(),
              QMimeDatabase().mimeTypeForName("image/png").comment().toStdString());

    // A name typed without its extension opens the file of that type.
    auto* name = dialog.findChild<QLineEdit*>("fileNameEdit");
    ASSERT_NE(name, nullptr);
    name->setText("B");
    QMetaObject::invokeMethod(&dialog, "accept");  // the Open button
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    ASSERT_EQ(dialog.selectedFiles().size(), 1);
    EXPECT_EQ(dialog.selectedFiles().front().toStdString(), folder.filePath("B.QCF").toStdString());
    EXPECT_TRUE(MatchesFilePattern("firmware.hex", "*.Hex"));
    EXPECT_TRUE(MatchesFilePattern("FIRMWARE.HEX", "*.Hex"));
    EXPECT_FALSE(MatchesFilePattern("firmware.hex.bak", "*.Hex"));
    EXPECT_TRUE(MatchesFilePattern("README", "*.*"));
}

}  // namespace
}  // namespace corvane::fw

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

namespace corvane::fw {
namespace {

// A label with an access key gives the focus to the control after it, and so shows its key
// underlined instead of a literal '&'; a label with "&&" or none keeps no buddy.
// A serial number "<h1>X" set by the program shows as those characters, not as a heading.
TEST(QtTemplates, aLabelShowsMarkupItIsGivenAsText) {
    const DialogTemplate t{.id = 1,
                           .controls = {{.id = 2, .kind = ControlKind::Static, .caption = ""}}};
    WindowModel model(t);
    QWidget container;
    QtWindowBuilder builder(model, container);
    model.SetText(2, "Sensor <h1>X</h1> at address 0.");
    auto* label = qobject_cast<QLabel*>(builder.WidgetFor(2));
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->text(), "Sensor <h1>X</h1> at address 0.");
    EXPECT_EQ(label->textFormat(), Qt::PlainText);
}

TEST(QtTemplates, labelsWithAnAccessKeyLeadToTheControlAfterThem) {
    const DialogTemplate t{
        .id = 901,
        .caption = "Labels",
        .controls = {
            {.id = 1, .kind = ControlKind::Group, .caption = "Port"},
            {.id = 2, .kind = ControlKind::Static, .caption = "&Baud Rate", .parent = 1},
            {.id = 3, .kind = ControlKind::Static, .caption = "elsewhere", .row = 1},
            {.id = 4, .kind = ControlKind::DropDown, .parent = 1, .column = 1},
            {.id = 5, .kind = ControlKind::Static, .caption = "Salt && Pepper", .row = 2},
            {.id = 6, .kind = ControlKind::Edit, .row = 3},
        }};
    WindowModel model(t);
    QWidget container;
    QtWindowBuilder builder(model, container);
    EXPECT_EQ(qobject_cast<QLabel*>(builder.WidgetFor(2))->buddy(), builder.WidgetFor(4));
    EXPECT_EQ(qobject_cast<QLabel*>(builder.WidgetFor(5))->buddy(), nullptr);
    EXPECT_EQ(qobject_cast<QLabel*>(builder.WidgetFor(3))->buddy(), nullptr);
}

}  // namespace
}  // namespace corvane::fw
