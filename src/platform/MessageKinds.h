#pragma once

namespace platform {

// The buttons, icons and answers of a message box, for cores that ask for one
// to be shown without depending on the window that shows it.
struct MessageKinds
{
    enum class Buttons { Ok, OkCancel, YesNo, RetryCancel };
    enum class Icon { None, Critical, Exclamation, Question, Information };
    enum class Answer { Ok, Cancel, Yes, No, Retry };
};

} // namespace platform
