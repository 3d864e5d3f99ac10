#include "FileMessages.h"

#include "platform/ErrorNumbers.h"
#include "platform/MessageBox.h"
#include "shared/Module1.h"
#include "store/CatalogFiles.h"

using platform::MessageBox;
namespace err = platform::err;

namespace FileMessages {

bool refusedTarget(QWidget* parent, const QString& path)
{
    if (store::isReplaceableTarget(path))
        return false;
    showCreateFailure(parent, err::PathFileAccess);
    return true;
}

bool mayReplace(QWidget* parent, const QString& path)
{
    if (refusedTarget(parent, path))
        return false;
    return !store::fileExists(path) ||
           MessageBox::show(parent, QStringLiteral("A File már létezik ! Felülírjam?"),
                            MessageBox::Buttons::OkCancel,
                            MessageBox::Icon::Question) == MessageBox::Answer::Ok;
}

void showCreateFailure(QWidget* parent, int number)
{
    switch (number) {
    case err::BadFileName:
    case err::FileAlreadyExists:
        MessageBox::show(
            parent, QStringLiteral("Rossz File név, vagy már létezik ! Módosítsa a File nevet."),
            MessageBox::Buttons::Ok, MessageBox::Icon::Exclamation);
        break;
    case err::DiskFull:
    case err::DeviceUnavailable:
    case err::DiskNotReady:
    case err::PathFileAccess:
        MessageBox::show(parent, QStringLiteral("Nem tudok hozzáférni az meghajtóhoz vagy úthoz !"),
                         MessageBox::Buttons::Ok, MessageBox::Icon::Critical);
        break;
    case err::PermissionDenied:
        MessageBox::show(parent, QStringLiteral("Az engedély megtagadva !"),
                         MessageBox::Buttons::Ok, MessageBox::Icon::Critical);
        break;
    default:
        MessageBox::show(parent,
                         QStringLiteral("#") + Module1::Str(number) +
                             QStringLiteral(". File létrehizási hiba! Ellenőrizze az adatokat!"));
        break;
    }
}

} // namespace FileMessages
