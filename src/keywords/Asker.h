#pragma once

#include "platform/MessageKinds.h"

#include <QString>
#include <functional>

namespace platform {
class Error;
}

namespace keywords {

// A message box the core wants shown. The window shows it through
// platform::MessageBox and hands back the answer; tests answer it themselves.
struct Message
{
    QString text;
    platform::MessageKinds::Buttons buttons = platform::MessageKinds::Buttons::Ok;
    platform::MessageKinds::Icon icon = platform::MessageKinds::Icon::None;

    bool operator==(const Message&) const = default;
};

using Asker = std::function<platform::MessageKinds::Answer(const Message&)>;

// The catalog refused a write for a reason of its own (read-only file, full
// disk, locked by another program).
Message writeFailure(const platform::Error& e);
// The catalog could not be read.
Message readFailure(const platform::Error& e);

} // namespace keywords
