// Every edit of every window, typed into as a technician types, in a real window: the box never
// shows what its window does not hold. A string longer than the edit takes, mixing letters and
// digits, goes into each edit; what the widget shows afterwards is what the window holds.
#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QWidget>
#include <string>

#include "framework/qt/qt_window_builder.h"
#include "framework/window_model.h"
#include "real_window_rig.h"
#include "resources/all_templates.h"

namespace corvane::testing {
namespace {

// Longer than the edit takes (24 characters for an edit without a limit), of every kind an edit
// might refuse: lower-case letters, digits, a sign and a point.
std::string OverLongMixedText(int limit) {
    static const std::string pattern = "a1b2-c3.d4";
    const std::size_t length = limit > 0 ? static_cast<std::size_t>(limit) + 3 : 24;
    std::string text;
    while (text.size() < length) text += pattern[text.size() % pattern.size()];
    return text;
}

std::size_t Characters(const std::string& utf8) {
    std::size_t count = 0;
    for (const char c : utf8) count += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
    return count;
}

QString Shown(QWidget* widget) {
    if (auto* line = qobject_cast<QLineEdit*>(widget)) return line->text();
    if (auto* plain = qobject_cast<QPlainTextEdit*>(widget)) return plain->toPlainText();
    return {};
}

TEST(EveryEditTyped, theWidgetShowsExactlyWhatTheWindowHolds) {
    int typedInto = 0;
    for (const fw::DialogTemplate* t : resources::AllTemplates()) {
        fw::WindowModel model(*t);
        QWidget window;
        window.setWindowTitle(QString("Template %1").arg(t->id));
        fw::QtWindowBuilder builder(model, window);
        window.show();
        window.activateWindow();
        ASSERT_TRUE(WaitFor([&window] { return QApplication::activeWindow() == &window; }))
            << "template " << t->id << " never became active";
        for (const auto& control : t->controls) {
            if (control.kind != fw::ControlKind::Edit) continue;
            if (!model.IsEnabled(control.id) || model.IsReadOnly(control.id)) continue;
            QWidget* edit = builder.WidgetFor(control.id);
            SCOPED_TRACE("template " + std::to_string(t->id) + " edit " +
                         std::to_string(control.id));
            edit->setFocus(Qt::TabFocusReason);
            ASSERT_TRUE(WaitFor([edit] { return edit->hasFocus(); }));
            const int limit = model.Limit(control.id);
            TypeText(OverLongMixedText(limit), 2);
            const std::string held = model.Text(control.id);
            EXPECT_EQ(Shown(edit).toStdString(), held);
            EXPECT_FALSE(held.empty()) << "nothing reached the window";
            if (limit > 0) {
                EXPECT_LE(Characters(held), static_cast<std::size_t>(limit));
            }
            if (control.Has(fw::style::kDigitsOnly)) {
                EXPECT_EQ(held.find_first_not_of("0123456789"), std::string::npos) << held;
            }
            if (control.Has(fw::style::kUpperCase)) {
                EXPECT_EQ(held.find_first_of("abcdefghijklmnopqrstuvwxyz"), std::string::npos)
                    << held;
            }
            ++typedInto;
        }
        window.hide();
    }
    EXPECT_GT(typedInto, 20) << "the walk reached hardly any edit";
}

}  // namespace
}  // namespace corvane::testing
