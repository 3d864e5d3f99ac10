#pragma once

#include <QDate>
#include <QString>
#include <QStringList>
#include <optional>

// The command line of polcozo-keres.
namespace cli {

enum class Format
{
    Listing, // the listing's TAB-separated rows
    Csv,
    Json,
};

struct Options
{
    QString namePattern = QStringLiteral("*");
    QString pathPattern = QStringLiteral("*");
    QStringList catalogs; // files or folders, as given; none: the window's last catalog
    QStringList fileKeywords;
    QStringList folderKeywords;
    std::optional<QString> medium; // a medium label
    std::optional<qint64> minLength;
    std::optional<qint64> maxLength;
    std::optional<QDate> dateFrom;
    std::optional<QDate> dateTo;
    bool folders = false; // each matching folder once, as "Út orientált keresés" lists them
    Format format = Format::Listing;
    bool countOnly = false;
    bool help = false;
    bool version = false;
};

struct Parsed
{
    Options options;
    QString error; // empty when the command line was understood
};

// 'arguments' without the program's name.
Parsed parseArguments(const QStringList& arguments);

// The text of --help.
QString helpText();

} // namespace cli
