#pragma once

#include <QLoggingCategory>
#include <exception>

// Steps that may fail without stopping the command (closing a source that is
// already closed, an optional index, moving on an empty view) are skipped on
// purpose. What they threw is logged here, so a developer can see it with
// QT_LOGGING_RULES="polcozo.skipped.debug=true".
Q_DECLARE_LOGGING_CATEGORY(lcSkipped)

namespace platform {

// Logs the error a deliberately skipped step threw; 'step' names the step.
void logSkipped(const char* step, const std::exception& e);

} // namespace platform
