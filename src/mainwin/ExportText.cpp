#include "ExportText.h"

#include "ResultModel.h"

namespace ExportText {

QString rowText(const ResultModel& model, qint64 row)
{
    QString text;
    for (const int column : {0, 1, 2, 4})
        text += model.cellText(row, column) + QLatin1Char('\t');
    return text;
}

} // namespace ExportText
