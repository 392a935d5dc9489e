#pragma once

#include <QString>

#include "question/PaperDocument.h"
#include "question/SheetReader.h"

namespace qs {

struct PaperReadOptions {
    // More questions in a sheet stop its reading (the batch import's limit of one import).
    int mostQuestions = 5000;
    // The LibreOffice program that turns an old .doc/.xls (or .rtf) into .docx/.xlsx; a name
    // looked up in PATH or a path. None found: the message says how to save the file anew.
    QString converter = QStringLiteral("soffice");
    int converterTimeoutMs = 120000;
};

// A paper file read by what it holds, whatever its name says: a text file (UTF-8, GB18030 or
// UTF-16 with its byte order mark), a Word document (.docx), an Excel workbook (.xlsx), an old
// Word or Excel file or an RTF document (converted when LibreOffice is there).
struct PaperFile {
    enum class Kind { Text, Word, Sheet };
    Kind kind = Kind::Text;
    PaperDocument document;  // Text and Word
    PaperSheet sheet;        // Sheet
    // A message naming the file when it cannot be read; then nothing else is set.
    QString error;
};

// Reads the paper at `path`. Waits for LibreOffice when it converts an old file (at most the
// options' timeout).
PaperFile ReadPaper(const QString& path, const PaperReadOptions& options = {});

}  // namespace qs
