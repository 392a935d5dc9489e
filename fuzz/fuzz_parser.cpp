// libFuzzer target for the paste parser.
//
// Input layout: the first byte picks the type boxes (bits 0-3: 单选题, 判断题, 填空题, 应用题),
// bit 4 reads the texts as raw UTF-16 (so unpaired surrogates come through) instead of UTF-8,
// bit 5 repeats the clipboard to a quarter of a million code units (so a pass that is not
// linear shows up as a timeout). The rest holds NUL-separated texts: the clipboard, then the
// previous contents of timu, SA..SF and answer.
//
// Besides the sanitizers, the target checks properties every result must have.
#include <QByteArrayView>
#include <QString>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "editor/QuestionParser.h"

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
