#pragma once

#include <QString>

class ResultModel;

// Texts that take the grid's rows out of the program.
namespace ExportText {

// Grid columns 0, 1, 2 and 4 as the grid shows them, each followed by a TAB
// (the CRC column stays out).
QString rowText(const ResultModel& model, qint64 row);

} // namespace ExportText
