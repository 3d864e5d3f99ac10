#include "Asker.h"

#include "platform/ErrorNumbers.h"
#include "shared/Module1.h"

namespace keywords {

using platform::MessageKinds;

Message writeFailure(const platform::Error& e)
{
    return {QStringLiteral("A megnyitott adatbázisba nem lehet írni!\r\n") +
                platform::engineReason(e),
            MessageKinds::Buttons::Ok, MessageKinds::Icon::Critical};
}

Message readFailure(const platform::Error& e)
{
    return {QStringLiteral("#") + Module1::Str(e.number()) +
                QStringLiteral(". File megnyitási hiba! Ellenőrizze az adatokat!"),
            MessageKinds::Buttons::Ok, MessageKinds::Icon::None};
}

} // namespace keywords
