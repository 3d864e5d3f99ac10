#pragma once

#include <QString>

// Where the program's files live.
struct AppPaths
{
    QString programFolder;   // the template, the help and the copier lie here
    QString settingsFile;    // Polcozo.ini
    QString defaultCatalog;  // nevtelen.mdb: beside the program when that folder is writable

    QString templateFile() const;
    QString helpFile() const;

    // The paths of the running program.
    static AppPaths forApplication();
    // The default catalog's place for a program folder: the folder itself when
    // writable, else the per-user data folder.
    static QString defaultCatalogFor(const QString& programFolder);

    // Where the file dialogs start: the folder of the open catalog; else the
    // program folder where it can be written (a copy in a folder of its own,
    // as the program always kept it); else the user's documents, or home.
    // An installed program folder is never offered: nothing can be saved there.
    static QString dialogFolder(const QString& programFolder, const QString& openCatalog);
    static QString dialogFolder(const QString& programFolder, bool programFolderWritable,
                                const QString& openCatalog);
};
