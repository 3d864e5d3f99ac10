#pragma once

#include <QString>
#include <QStringList>

namespace store {
class Database;
}

// What the key-assignment window and the condition dialog work on: the files
// of the catalog or its folders, each with its own keyword list and links.
struct Subject
{
    bool files;
    QString table;         // prgnev | ut
    QString keywordTable;  // kulcs | kulcsut
    QString keywordColumn; // kulcs | nev
    QString linkTable;     // nev_kulcsid | ut_kulcsid
    QString recordSql;     // the records the key-assignment window lists
    int idColumn;          // where the record's id stands in those rows

    static const Subject& filesSubject();
    static const Subject& foldersSubject();
    static const Subject& of(bool files) { return files ? filesSubject() : foldersSubject(); }
};

// The subject's keyword texts in table order: entry 0 is the default keyword.
QStringList keywordTexts(const store::Database& db, const Subject& subject);
