#pragma once

#include "jetimport/JetImport.h"

#include <QString>
#include <QStringList>
#include <optional>

class CatalogBinding;
class MainHost;

// Runs the conversion of a Jet catalog in a child process (this program
// with the child's option), showing its progress on the main window's bar
// and a small window whose "Mégse" button stops it. The window stays
// responsive while the child works.
namespace JetConversion {

// The converted catalog's counts; nothing when the user stopped it. Throws
// platform::Error as convertJetCatalog does; a child that died, or wrote
// what no conversion writes, throws err::NotADatabase with the damaged
// catalog's message. The child's temporary file is gone in every case but
// success.
std::optional<jetimport::ImportResult> run(MainHost& host, CatalogBinding& binding,
                                           const QString& jetPath, const QString& templateFile,
                                           const QString& target);

// The name of the small window and of its button, for whoever needs to find them.
inline constexpr char kWindowName[] = "atalakitas";
inline constexpr char kCancelName[] = "megse";

// Test seam: the program run as the child, and the arguments put before
// JET TEMPLATE TARGET. By default this program and its child's option.
void setProgram(const QString& program, const QStringList& leadingArguments);
void resetProgram();

} // namespace JetConversion
