#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVector>

#include "question/PaperDocument.h"

namespace qs {

class PaperArchive;

// Reads the Word paper whose main part is `documentPart` (word/document.xml) into its text and
// pictures. The text is what Word shows, in reading order:
// - each paragraph is a line, with the number Word shows before an automatically numbered
//   paragraph (WordNumbering); line breaks inside a paragraph start a new line, tabs stay;
// - a picture in the text or floating beside a paragraph stands as its mark (PictureMark) where
//   its anchor is; a picture Qt's readers cannot take (a Windows metafile, a linked file, a
//   chart) stands as kUnreadablePictureMark, an equation as kEquationMark;
// - text boxes follow the paragraph they are anchored in;
// - tables (TableLines) become lines.
// False, with a message naming the file in `error`, when the document cannot be read.
bool ReadWordPaper(PaperArchive& archive, const QString& documentPart, PaperDocument* out,
                   QString* error);

// The lines of a table, from the lines of each cell of each row:
// - a table whose first row names the columns of a question list (ReadHeader) gives each
//   further row as a question: "N. 题目", "A.…" to "F.…", "答案：…", "难度：…", "解析：…", and a
//   heading "一、单选题" before the questions whenever the 题型 column changes;
// - otherwise each row by itself: a row of one filled cell gives that cell's lines; a row whose
//   filled cells all start with an option marker ("A." "B、" …) gives each cell's lines, so
//   options laid out in a table read as one option a line; any other row is one line, its
//   cells joined by a blank, a bare number in its first cell read as the question number "N.".
QStringList TableLines(const QVector<QVector<QStringList>>& rows);

// The format of a picture by its first bytes: "png", "jpeg", "gif", "bmp", "tiff", "webp",
// "emf", "wmf", "svg", or empty when unknown.
QString PictureFormat(const QByteArray& bytes);

}  // namespace qs
