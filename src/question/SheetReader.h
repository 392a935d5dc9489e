#pragma once

#include <QString>
#include <QStringList>
#include <QVector>
#include <array>

namespace qs {

class PaperArchive;

// One question of a sheet, one row: the cells under each named column, trimmed.
struct SheetQuestion {
    int row = 0;  // the row's number as the sheet shows it
    QString qtype, question;
    std::array<QString, 6> options;  // 选项A … 选项F
    QString answer, difficulty, explanation;
};

struct PaperSheet {
    QString sheetName;
    QVector<SheetQuestion> questions;
    QStringList ignoredColumns;  // header texts of the columns that were not read
};

// Reads the first visible sheet of the workbook whose main part is `workbookPart`
// (xl/workbook.xml). Among its first rows one is the header (ReadHeader); every later row with
// something in a named column is a question. Cells read as the sheet shows them
// (SheetCellText): shared and inline strings (rich text runs joined), numbers and dates in their
// number format, booleans, and formulas by the value last calculated. More than `mostQuestions`
// questions stop the reading with a message, as soon as they are met.
// False, with a message naming the file in `error`, when the sheet cannot be read.
bool ReadSheetPaper(PaperArchive& archive, const QString& workbookPart, int mostQuestions,
                    PaperSheet* out, QString* error);

// The rows of a sheet's header search.
inline constexpr int kHeaderSearchRows = 10;

// A number as a cell in the number format `numFmtId` (with the workbook's format code `code`
// when it defines one) shows it: General as up to 15 significant digits; "0", "0.00", "#,##0",
// percent and scientific formats; dates and times (the built-in ones, 14 to 22 and the Chinese
// 27 to 58, and custom codes with y, m, d, h, s) by their pattern, with 14 as yyyy-MM-dd.
QString SheetNumberText(double value, int numFmtId, const QString& code, bool date1904);

}  // namespace qs
