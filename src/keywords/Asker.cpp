#include "Asker.h"

#include "platform/ErrorNumbers.h"
#include "shared/Module1.h"

namespace keywords {

using platform::MessageBox;

Message writeFailure(const platform::Error& e)
{
    return {QStringLiteral("A megnyitott adatbázisba nem lehet írni!\r\n") +
                platform::engineReason(e),
            MessageBox::Buttons::Ok, MessageBox::Icon::Critical};
}

Message readFailure(const platform::Error& e)
{
    return {QStringLiteral("#") + Module1::Str(e.number()) +
                QStringLiteral(". File megnyitási hiba! Ellenőrizze az adatokat!"),
            MessageBox::Buttons::Ok, MessageBox::Icon::None};
}

} // namespace keywords
