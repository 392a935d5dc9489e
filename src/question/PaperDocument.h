#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>
#include <QVector>

namespace qs {

// One picture of a paper, as the file holds it.
struct PaperPicture {
    QByteArray bytes;
    QString format;  // "png", "jpeg", "gif", "bmp", "tiff", "webp"; the reader keeps no others
};

// A paper read from a file: its lines joined by "\n", each picture standing in the text as its
// mark (PictureMark) where the paper shows it.
struct PaperDocument {
    QString text;
    QVector<PaperPicture> pictures;
};

// A picture's mark: U+E000, the index written with the private-use digits U+E010 … U+E019, and
// U+E001. It holds no letter, digit, blank or punctuation, so cutting a paper into questions and
// spreading a question over its boxes pass it through untouched, and it stays in the box (stem,
// option, explanation) where the picture stood. The readers drop any U+E000 … U+E01F of a file's
// own text, so every mark is theirs.
QString PictureMark(int index);

// A box's text without its picture marks, and the pictures they named in order. When the text
// held a mark, blanks and line breaks at either end go (a picture on a line of its own leaves
// one behind).
struct MarkedText {
    QString text;
    QVector<int> pictures;
};
MarkedText TakePictureMarks(const QString& text);

// The paper box shows each mark as "【图片N】" (N counting from 1), which the operator can see,
// move or delete; reading the box back makes them marks again (numbers past the document's
// pictures stay text).
QString ShownPictureMarks(const QString& text);
QString PictureMarksFromShown(const QString& text, int pictures);

// Drops the characters the marks are made of from a file's own text.
QString WithoutMarkCharacters(QString text);

// What stands in the text, visibly, where the paper holds something that cannot be taken over:
// an equation, and a picture that cannot be decoded (a Windows metafile, a linked file, a chart).
inline constexpr QStringView kEquationMark = u"【公式】";
inline constexpr QStringView kUnreadablePictureMark = u"【图片无法读取】";
// The preview's flag for a question whose text holds either mark.
inline constexpr QStringView kUncheckedMarkFlag = u"含公式/图片无法读取，请核对";
bool HasUncheckedMark(QStringView text);

}  // namespace qs
