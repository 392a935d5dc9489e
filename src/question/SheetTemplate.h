#pragma once

#include <QString>

namespace qs {

// Writes the sheet operators fill for a batch import (.xlsx): the header row 题型, 题目,
// 选项A … 选项F, 答案, 难度, 解析 and one example question, the columns formatted as text so
// that typed numbers stay as typed. False, with a message, when the file cannot be written.
bool WriteSheetTemplate(const QString& path, QString* error);

}  // namespace qs
