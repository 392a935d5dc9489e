// libFuzzer target for the paste parser.
//
// Input layout: the first byte picks the type boxes (bits 0-3: 单选题, 判断题, 填空题, 应用题),
// bit 4 reads the texts as raw UTF-16 (so unpaired surrogates come through) instead of UTF-8,
// bit 5 repeats the clipboard to a quarter of a million code units (so a pass that is not
// linear shows up as a timeout). The rest holds NUL-separated texts: the clipboard, then the
// previous contents of timu, SA..SF and answer.
//
// Besides the sanitizers, the target compares the parser with a naive reading of the steps and
// checks properties every result must have.
#include <QByteArrayView>
#include <QString>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "question/QuestionParser.h"

using namespace qs;
using namespace Qt::StringLiterals;

namespace {

QString Decode(QByteArrayView bytes, bool utf16) {
    if (!utf16) return QString::fromUtf8(bytes);
    QString text(bytes.size() / 2, Qt::Uninitialized);
    std::memcpy(text.data(), bytes.data(), static_cast<size_t>(text.size()) * 2);
    return text;
}

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "property violated: %s\n", what);
    std::abort();
}

QString* Field(ParserFields& f, int i) {
    QString* const all[] = {&f.timu, &f.SA, &f.SB, &f.SC, &f.SD, &f.SE, &f.SF, &f.answer};
    return all[i];
}

bool IsSortedLetterSet(const QString& answer) {
    for (qsizetype i = 0; i < answer.size(); ++i) {
        const char16_t c = answer[i].unicode();
        if (c < u'A' || c > u'F') return false;
        if (i > 0 && answer[i - 1].unicode() >= c) return false;
    }
    return true;
}

// A second, deliberately naive reading of the import, written straight from the steps with
// QString's own replace/indexOf/mid; the parser must agree with it on every input.
ParserFields Reference(const QString& s, const ParserFields& before, const ParserTypeFlags& t) {
    if (s.isEmpty()) return before;
    ParserFields f = before;
    const QString letters = u"ABCDEF"_s;
    if (t.Check3) {
        f.timu = s;
        f.timu.replace(u"'"_s, u"’"_s);
        for (const QChar c : letters) f.timu.replace(QString(c) + u'.', QString(c));
        if (f.answer.isEmpty()) f.answer = u"A"_s;
    }
    if (s.contains(u'A') || s.contains(u'B')) {
        QString w = s;
        w.replace(u"?"_s, QString());
        w.replace(u"．"_s, u"."_s);
        for (const QString& sep : {u"。"_s, u"，"_s, u","_s, u"、"_s})
            for (const QChar c : letters) w.replace(QString(c) + sep, QString(c) + u'.');
        w.replace(u".."_s, u"."_s);
        w.replace(u"'"_s, u"’"_s);
        for (const QString& kw :
             {u"参考答案"_s, u"正确答案"_s, u"标准答案"_s, u"本题答案"_s, u"此题答案"_s, u"笞案"_s})
            w.replace(kw, u"答案"_s);
        const qsizetype p = w.indexOf(u"答案"_s);
        if (p >= 0) {
            const qsizetype q = w.indexOf(u"答案"_s, p + 2);
            const QString r = (q < 0 ? w.mid(p + 2) : w.mid(p + 2, q - p - 2)).toUpper();
            w = w.left(p);
            f.answer.clear();
            for (const QChar c : letters)
                if (r.contains(c)) f.answer += c;
            if (t.Check1 || t.Check3 || t.Check4) f.answer = f.answer.left(1);
        }
        const QString markers = u"ABCDEFG"_s;
        for (int i = 0; i < 6; ++i) {
            const QString m = QString(markers[i]) + u'.';
            const QString n = QString(markers[i + 1]) + u'.';
            const qsizetype p = w.indexOf(m);
            if (p < 0) continue;
            if (i == 0 && f.timu.isEmpty()) f.timu = w.left(p).replace(u"\r\n"_s, QString());
            const qsizetype q = w.indexOf(m, p + 2);
            QString x = q < 0 ? w.mid(p + 2) : w.mid(p + 2, q - p - 2);
            const qsizetype k = x.indexOf(n);
            if (k >= 0) x = x.left(k);
            *Field(f, i + 1) = x.replace(u"\r\n"_s, QString());
        }
        for (int i = 1; i <= 6; ++i)
            for (const QChar c : letters) Field(f, i)->replace(QString(c) + u'.', QString(c));
    } else {
        f.timu = s;
        f.timu.replace(u'?', u' ');
    }
    if (!f.timu.isEmpty() && f.SA.isEmpty() && (t.Check5 || t.Check4)) f.SA = f.timu;
    if (before.timu.contains(u"题目如图"_s)) f.timu += u"【题目如图】"_s;
    if (t.Check3) {
        f.SA = u"正确"_s;
        f.SB = u"错误"_s;
    }
    return f;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const uint8_t mode = data[0];
    const ParserTypeFlags types{.Check1 = (mode & 1) != 0,
                                .Check3 = (mode & 2) != 0,
                                .Check4 = (mode & 4) != 0,
                                .Check5 = (mode & 8) != 0};
    const bool utf16 = (mode & 16) != 0;

    QString clipboard;
    ParserFields before;
    QByteArrayView rest(data + 1, static_cast<qsizetype>(size - 1));
    for (int part = 0; part < 9; ++part) {
        const qsizetype end = part == 8 ? -1 : rest.indexOf('\0');
        const QString text = Decode(end < 0 ? rest : rest.first(end), utf16);
        if (part == 0)
            clipboard = text;
        else
            *Field(before, part - 1) = text;
        if (end < 0) break;
        rest = rest.sliced(end + 1);
    }
    if ((mode & 32) != 0 && !clipboard.isEmpty()) {
        const QString unit = clipboard;
        while (clipboard.size() < 256 * 1024) clipboard += unit;
    }

    ParserFields after = ParsePastedQuestion(clipboard, before, types);
    ParserFields expected = Reference(clipboard, before, types);
    for (int i = 0; i < 8; ++i)
        if (*Field(after, i) != *Field(expected, i)) Fail("differs from the naive reading");

    qsizetype budget = clipboard.size() + 6;  // "【题目如图】" is the only text the parser adds
    for (int i = 0; i < 8; ++i) budget += Field(before, i)->size();
    for (int i = 0; i < 8; ++i)
        if (Field(after, i)->size() > budget) Fail("a field grew beyond its sources");

    if (clipboard.isEmpty()) {
        for (int i = 0; i < 8; ++i)
            if (*Field(after, i) != *Field(before, i)) Fail("empty clipboard changed a field");
        return 0;
    }
    if (types.Check3 && (after.SA != u"正确"_s || after.SB != u"错误"_s))
        Fail("true/false options not set");
    if (after.answer != before.answer && after.answer != u"A"_s) {
        if (!IsSortedLetterSet(after.answer)) Fail("answer is not a sorted set of A-F");
        if ((types.Check1 || types.Check3 || types.Check4) && after.answer.size() > 1)
            Fail("single-answer type with several letters");
    }
    return 0;
}
