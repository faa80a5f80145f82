#include "framework/template_check.h"

#include <map>
#include <set>

namespace corvane::fw {
namespace {

std::string Where(const DialogTemplate& t, const ControlTemplate& c) {
    return "dialog " + std::to_string(t.id) + ", control " + std::to_string(c.id);
}

bool Overlap(const ControlTemplate& a, const ControlTemplate& b) {
    const bool rows = a.row < b.row + b.rowSpan && b.row < a.row + a.rowSpan;
    const bool columns = a.column < b.column + b.columnSpan && b.column < a.column + a.columnSpan;
    return rows && columns;
}

}  // namespace

std::vector<std::string> TemplateProblems(const DialogTemplate& t) {
    std::vector<std::string> problems;
    std::map<int, const ControlTemplate*> byId;
    for (const ControlTemplate& c : t.controls) {
        if (!byId.emplace(c.id, &c).second) problems.push_back(Where(t, c) + ": id used twice");
        if (c.rowSpan < 1 || c.columnSpan < 1) {
            problems.push_back(Where(t, c) + ": a span below one");
        }
    }
    for (const ControlTemplate& c : t.controls) {
        if (c.parent == 0) continue;
        const auto parent = byId.find(c.parent);
        if (parent == byId.end()) {
            problems.push_back(Where(t, c) + ": parent " + std::to_string(c.parent) +
                               " does not exist");
        } else if (parent->second->kind != ControlKind::Group) {
            problems.push_back(Where(t, c) + ": parent " + std::to_string(c.parent) +
                               " is not a group");
        }
    }
    for (std::size_t i = 0; i < t.controls.size(); ++i) {
        const ControlTemplate& c = t.controls[i];
        const bool firstOfRun = i == 0 || t.controls[i - 1].kind != ControlKind::Radio;
        if (c.kind == ControlKind::Radio && firstOfRun && !c.Has(style::kGroupStart)) {
            problems.push_back(Where(t, c) + ": first radio button of a run starts no group");
        }
    }
    for (std::size_t i = 0; i < t.controls.size(); ++i) {
        for (std::size_t j = i + 1; j < t.controls.size(); ++j) {
            const ControlTemplate& a = t.controls[i];
            const ControlTemplate& b = t.controls[j];
            if (a.parent == b.parent && Overlap(a, b)) {
                problems.push_back(Where(t, b) + ": shares a grid cell with control " +
                                   std::to_string(a.id));
            }
        }
    }
    return problems;
}

}  // namespace corvane::fw
