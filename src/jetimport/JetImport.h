#pragma once

#include "JetFile.h"

#include <QString>
#include <functional>
#include <vector>

// Converting a catalog kept in a Jet (.mdb) file into a new catalog of the
// program: a copy of the template filled with every row the old catalog
// held, ids included. No widgets.
namespace jetimport {

// Why a row of the old catalog could not be taken over.
enum class Refusal
{
    MissingFolder,    // a file, or a folder's link, names no folder row
    MissingFile,      // a file's link names no file row
    MissingKeyword,   // a link names no keyword row
    DuplicatePath,    // a folder's path is there already
    DuplicateKeyword, // a keyword's text is there already
    DuplicateLink,    // the same folder and keyword are linked already
    DuplicateId,      // a row's id is taken already
    Unreadable,       // the table counts more rows than could be read
};

struct LeftOut
{
    QString table;
    Refusal reason;
    qint64 rows = 0;
};

struct ImportResult
{
    JetVersion version = JetVersion::None;
    qint64 rowsRead = 0;
    qint64 rowsWritten = 0;
    std::vector<LeftOut> leftOut; // in the order of the tables, then of the reasons

    qint64 leftOutRows() const;
};

// Called with 0 to 100 as the conversion goes on.
using Progress = std::function<void(int percent)>;

// Called with the temporary file's name as soon as it exists.
using Staged = std::function<void(const QString& temporary)>;

// Reads the Jet catalog at 'jetPath' (never writing it) and writes the new
// catalog at 'target', made from 'templateFile' and filled in one
// transaction. The new catalog is written beside the target under a new
// unique name and renamed over it at the end, so a failure leaves nothing
// behind (an earlier file at 'target' stays as it was). Throws
// platform::Error: file errors by their numbers; err::NotADatabase, with the
// message to show as its detail, when the file is not a readable catalog
// (also for any other failure the file's contents cause);
// err::FileAlreadyExists when the target is the Jet file itself.
ImportResult convertJetCatalog(const QString& jetPath, const QString& templateFile,
                               const QString& target, const Progress& progress = {},
                               const Staged& staged = {});

// The one message that tells which rows were left out and why; empty when
// none were.
QString leftOutMessage(const ImportResult& result);

// Texts of the failures thrown with err::NotADatabase.
QString notJetMessage();
QString damagedMessage();
QString missingTableMessage(const QString& table);
QString missingColumnMessage(const QString& table, const QString& column);

// For the window that offers the conversion when a Jet catalog is opened.
// The question (Yes/No, question icon):
QString convertQuestion(const QString& jetPath);
// The save dialog's title, and the name it proposes: beside the original,
// never the original itself, not an existing file.
QString targetDialogTitle();
QString proposedTargetName(const QString& jetPath);

} // namespace jetimport
