#pragma once

#include <QString>
#include <QStringList>
#include <QVector>
#include <optional>

namespace qs {

// The columns a question list names in its header row (an Excel sheet, a table of a Word paper).
enum PaperColumn {
    kTypeColumn,
    kQuestionColumn,
    kOptionAColumn,  // … kOptionAColumn + 5 for F
    kAnswerColumn = kOptionAColumn + 6,
    kDifficultyColumn,
    kExplanationColumn,
    kNumberColumn,  // 题号: known, and not read
    kPaperColumns
};

// The header texts of the columns, as the template writes them: 题型, 题目, 选项A … 选项F, 答案,
// 难度, 解析 (without 题号).
const QStringList& PaperColumnNames();

// The column a header cell names, or -1. Blanks, a trailing colon or "*" and a bracketed note
// ("答案（必填）") are ignored, full-width letters read as ASCII, and a few other names that
// templates use are known ("题干", "正确答案", "答案解析" …).
int HeaderColumn(const QString& cell);

// A header row: what each column holds (-1 when nothing), and the texts of the cells that name
// no known column. A row is a header when it names 题目 and at least one other column.
struct PaperHeader {
    QVector<int> columns;
    QStringList unknown;
};
std::optional<PaperHeader> ReadHeader(const QStringList& cells);

}  // namespace qs
