#include "question/PaperDocument.h"

namespace qs {

namespace {

constexpr char16_t kOpen = u'\uE000';
constexpr char16_t kClose = u'\uE001';
constexpr char16_t kZero = u'\uE010';
constexpr char16_t kLastReserved = u'\uE01F';

bool IsBlankOrBreak(QChar c) {
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'\u3000';
}

}  // namespace

QString PictureMark(int index) {
    QString mark(1, QChar(kOpen));
    for (const QChar digit : QString::number(index))
        mark += QChar(char16_t(kZero + (digit.unicode() - u'0')));
    mark += QChar(kClose);
    return mark;
}

MarkedText TakePictureMarks(const QString& text) {
    MarkedText out;
    if (!text.contains(QChar(kOpen))) {
        out.text = text;
        return out;
    }
    out.text.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != kOpen) {
            out.text += text[i];
            continue;
        }
        qsizetype j = i + 1;
        int index = 0;
        while (j < text.size() && text[j] >= kZero && text[j] <= char16_t(kZero + 9) && j - i <= 9)
            index = index * 10 + (text[j++].unicode() - kZero);
        if (j < text.size() && text[j] == kClose && j > i + 1) {
            out.pictures << index;
            i = j;
        }
        // A broken mark is dropped with the characters read so far.
        else {
            i = j - 1;
        }
    }
    qsizetype first = 0, last = out.text.size();
    while (first < last && IsBlankOrBreak(out.text[first])) ++first;
    while (last > first && IsBlankOrBreak(out.text[last - 1])) --last;
    out.text = out.text.sliced(first, last - first);
    return out;
}

QString ShownPictureMarks(const QString& text) {
    if (!text.contains(QChar(kOpen))) return text;
    QString out;
    qsizetype done = 0;
    for (qsizetype at = text.indexOf(QChar(kOpen)); at >= 0;
         at = text.indexOf(QChar(kOpen), done)) {
        const qsizetype end = text.indexOf(QChar(kClose), at);
        if (end < 0) break;
        out += QStringView(text).sliced(done, at - done);
        const MarkedText mark = TakePictureMarks(text.sliced(at, end - at + 1));
        if (!mark.pictures.isEmpty())
            out += QStringLiteral("【图片%1】").arg(mark.pictures.first() + 1);
        done = end + 1;
    }
    return out + QStringView(text).sliced(done);
}

QString PictureMarksFromShown(const QString& text, int pictures) {
    static const QString open = QStringLiteral("【图片");
    QString out;
    qsizetype done = 0;
    for (qsizetype at = text.indexOf(open); at >= 0; at = text.indexOf(open, at + 1)) {
        qsizetype i = at + open.size();
        int n = 0;
        while (i < text.size() && i - at - open.size() < 6 && text[i].isDigit() &&
               text[i].unicode() < 128)
            n = n * 10 + (text[i++].unicode() - u'0');
        if (i >= text.size() || text[i] != u'】' || n < 1 || n > pictures) continue;
        out += QStringView(text).sliced(done, at - done) + PictureMark(n - 1);
        done = i + 1;
    }
    return out + QStringView(text).sliced(done);
}

QString WithoutMarkCharacters(QString text) {
    qsizetype kept = 0;
    for (qsizetype i = 0; i < text.size(); ++i)
        if (text[i] < kOpen || text[i] > kLastReserved) text[kept++] = text[i];
    text.truncate(kept);
    return text;
}

bool HasUncheckedMark(QStringView text) {
    return text.contains(kEquationMark) || text.contains(kUnreadablePictureMark);
}

}  // namespace qs
