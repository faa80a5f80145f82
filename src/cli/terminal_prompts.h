#pragma once

#include <functional>

#include "cli/sensor_commands.h"
#include "framework/operator_prompts.h"

namespace corvane::cli {

// The operator's prompts on a terminal. A message is written to standard error as
// "caption: text" when messages are wanted (--trace); a question always is, and is answered by
// the line typed: "y" Yes, "n" No, "c" Cancel. With nothing more to read, or after Ctrl-C, a
// question gets the answer that changes least: Cancel where it offers one, else No. Sounds are
// not played. Like a box, a prompt is shown once the handler that is running has returned:
// `later` runs it then.
class TerminalPrompts : public fw::OperatorPrompts {
  public:
    TerminalPrompts(Console& console, bool showMessages,
                    std::function<void(std::function<void()>)> later)
        : io_(console), showMessages_(showMessages), later_(std::move(later)) {}

    void PlayBeep(fw::Beep) override {}
    void PostBox(fw::BoxRequest box, std::function<void(fw::Answer)> onAnswer) override;

  private:
    fw::Answer AskOnTerminal(const fw::BoxRequest& box);

    Console& io_;
    bool showMessages_;
    std::function<void(std::function<void()>)> later_;
};

}  // namespace corvane::cli
