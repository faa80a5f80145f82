#include "cli/terminal_prompts.h"

namespace corvane::cli {

void TerminalPrompts::PostBox(fw::BoxRequest box, std::function<void(fw::Answer)> onAnswer) {
    later_([this, box = std::move(box), onAnswer = std::move(onAnswer)] {
        if (box.buttons == fw::Buttons::Ok) {
            if (showMessages_) io_.err << box.caption << ": " << box.text << "\n" << std::flush;
            if (onAnswer) onAnswer(fw::Answer::Ok);
            return;
        }
        const fw::Answer answer = AskOnTerminal(box);
        if (onAnswer) onAnswer(answer);
    });
}

fw::Answer TerminalPrompts::AskOnTerminal(const fw::BoxRequest& box) {
    const bool cancel = box.buttons == fw::Buttons::YesNoCancel;
    const fw::Answer least = cancel ? fw::Answer::Cancel : fw::Answer::No;
    // A question whose default is No says so, and an empty answer takes it.
    const char* choices = cancel ? "[y/n/c] " : box.defaultNo ? "[y/N] " : "[y/n] ";
    io_.err << box.caption << ": " << box.text << " " << choices << std::flush;
    while (!io_.interrupted()) {
        const auto line = io_.readLine();
        if (!line) break;
        const char first = line->empty() ? '\0' : (*line)[0];
        if (first == '\0' && box.defaultNo) return fw::Answer::No;
        if (first == 'y' || first == 'Y') return fw::Answer::Yes;
        if (first == 'n' || first == 'N') return fw::Answer::No;
        if (cancel && (first == 'c' || first == 'C')) return fw::Answer::Cancel;
        io_.err << choices << std::flush;
    }
    io_.err << "\n";
    return least;
}

}  // namespace corvane::cli
