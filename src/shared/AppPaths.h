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
};
