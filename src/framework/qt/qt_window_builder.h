#pragma once

#include <QObject>
#include <QWidget>
#include <map>

#include "framework/window_model.h"

namespace corvane::fw {

// Builds real widgets for a window's controls from its template, laid out in the template's grid
// of groups, and keeps them and the model in step both ways: model changes show in the widgets,
// the operator's typing, clicks, choices and focus go to the model as operator input.
class QtWindowBuilder {
  public:
    QtWindowBuilder(WindowModel& model, QWidget& container);
    ~QtWindowBuilder();

    QWidget* WidgetFor(int id) const;
    const std::map<int, QWidget*>& Widgets() const { return widgets_; }
    // The control of a widget that takes the keyboard focus; 0 when it is none of ours.
    int IdOf(const QWidget* widget) const;
    // The operator moved the keyboard focus to control `id`.
    void FocusFromWidget(int id) { model_.SetFocus(id); }

  private:
    QWidget* Create(const ControlTemplate& control, QWidget* parent);
    void Connect(const ControlTemplate& control, QWidget* widget);
    void Refresh(int id);

    WindowModel& model_;
    // The context of every connection from a widget to the model: the widgets may outlive the
    // builder (a closed window's widgets go later, and can still lose the focus or change their
    // current row as they go), and nothing they do then may reach the model.
    QObject connections_;
    std::map<int, QWidget*> widgets_;
    bool refreshing_ = false;
};

// Dialog units of a template to pixels, from the font's average character size.
QSize DialogUnitsToPixels(const QWidget& widget, int width, int height);

}  // namespace corvane::fw
