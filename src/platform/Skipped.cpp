#include "Skipped.h"

#include "ErrorNumbers.h"

Q_LOGGING_CATEGORY(lcSkipped, "polcozo.skipped", QtWarningMsg)

namespace platform {

void logSkipped(const char* step, const std::exception& e)
{
    if (!lcSkipped().isDebugEnabled())
        return;
    if (const auto* error = dynamic_cast<const Error*>(&e))
        qCDebug(lcSkipped).noquote() << step << "skipped: #" << error->number() << error->detail();
    else
        qCDebug(lcSkipped).noquote() << step << "skipped:" << e.what();
}

} // namespace platform
