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
