#pragma once

#include <functional>
#include <string>

namespace corvane::fw {

// The sounds that accompany message boxes.
enum class Beep { Default, Question, Exclamation, Error };

enum class Icon { None, Information, Question, Exclamation, Stop };
enum class Buttons { Ok, YesNo, YesNoCancel };
enum class Answer { Ok, Yes, No, Cancel };

struct BoxRequest {
    std::string text;
    std::string caption;
    Icon icon = Icon::None;
    Buttons buttons = Buttons::Ok;
    // A question whose answer overwrites or calibrates something has No as its default button,
    // so Enter pressed without reading never sends anything.
    bool defaultNo = false;
};

// How the link (and the windows) reach the person at the tool: a sound, a message to read or a
// question to answer, and the withdrawal of messages whose condition has passed. The desktop
// shows message boxes; the command line prints on the terminal and reads the answer typed.
class OperatorPrompts {
  public:
    virtual ~OperatorPrompts() = default;
    virtual void PlayBeep(Beep beep) = 0;
    // Shows a message or question once the handler that is running now has returned, and calls
    // `onAnswer` with the operator's answer. Timers keep firing while it waits for the answer.
    virtual void PostBox(BoxRequest box, std::function<void(Answer)> onAnswer) = 0;
    // Closes the messages still open with `caption`, as their OK would (the condition they
    // report has passed); where messages are answered at once none is open.
    virtual void WithdrawBoxes(const std::string& /*caption*/) {}
};

}  // namespace corvane::fw
