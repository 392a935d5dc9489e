// libFuzzer target for the paper splitter of the batch import.
//
// Input layout: the first byte's bit 0 reads the rest as raw UTF-16 (so unpaired surrogates come
// through) instead of UTF-8; bits 1 and 2 both set repeat the text to a quarter of a million code
// units (so a pass that is not linear shows up as a timeout). Each question found is then read as
// the batch import reads it, with the type its text suggests and as each type.
#include <QByteArrayView>
#include <QString>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "question/QuestionImport.h"
#include "question/QuestionSplitter.h"

using namespace qs;

namespace {

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "property violated: %s\n", what);
    std::abort();
}

bool IsBlank(QChar c) {
    return c == u' ' || c == u'\t' || c == u'\u3000' || c == u'\u00A0' || c.isSpace();
}

// Question and option texts are single lines without blanks at either end.
bool IsOneLine(const QString& s) {
    return !s.contains(u'\r') && !s.contains(u'\n') &&
           (s.isEmpty() || (!IsBlank(s.front()) && !IsBlank(s.back())));
}

void CheckReading(const PaperQuestion& piece, const QString& qtype) {
    const ImportedQuestion read = ReadQuestion(piece, qtype);
    const Question& q = read.question;
    if (!QuestionTypes().contains(q.qtype)) Fail("no type");
    if (!IsOneLine(q.question)) Fail("question text not one trimmed line");
    for (const QString& o : q.options)
        if (!IsOneLine(o)) Fail("option not one trimmed line");
    if (q.why0.isEmpty() || (q.nandu != u"普通" && q.nandu != u"困难"))
        Fail("explanation or difficulty");
    if (TakesTextAnswer(q.qtype)) {
        if (q.answer != u"任意") Fail("text answer other than 任意");
    } else {
        // Option letters, each once, in alphabetical order.
        for (qsizetype i = 0; i < q.answer.size(); ++i)
            if (q.answer[i] < u'A' || q.answer[i] > u'F' ||
                (i > 0 && q.answer[i] <= q.answer[i - 1]))
                Fail("answer not option letters in order");
    }
    (void)PaperFlags(read);
}

QString WithoutLineBreaks(QString s) {
    s.remove(u'\r');
    s.remove(u'\n');
    return s;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const uint8_t mode = data[0];
    const QByteArrayView rest(data + 1, static_cast<qsizetype>(size - 1));
    QString paper;
    if ((mode & 1) != 0) {
        paper.resize(rest.size() / 2);
        std::memcpy(paper.data(), rest.data(), static_cast<size_t>(paper.size()) * 2);
    } else {
        paper = QString::fromUtf8(rest);
    }
    if ((mode & 6) == 6 && !paper.isEmpty()) {
        const QString unit = paper;
        while (paper.size() < 256 * 1024) paper += unit;
    }

    const QVector<PaperQuestion> questions = SplitQuestions(paper);
    qsizetype total = 0;
    const QString flat = paper.size() <= 4096 ? WithoutLineBreaks(paper) : QString();
    for (const PaperQuestion& q : questions) {
        if (q.number < 0 || q.number > 9999 + int(questions.size())) Fail("number out of range");
        if (!q.text.isEmpty() && (IsBlank(q.text.front()) || IsBlank(q.text.back())))
            Fail("question not trimmed");
        if (q.number == 0 && q.text.isEmpty()) Fail("empty text outside a question kept");
        for (qsizetype i = 0; i < q.text.size(); ++i) {
            const bool cr = q.text[i] == u'\r', lf = q.text[i] == u'\n';
            if ((cr && (i + 1 >= q.text.size() || q.text[i + 1] != u'\n')) ||
                (lf && (i == 0 || q.text[i - 1] != u'\r')))
                Fail("line break other than CR LF");
        }
        total += q.text.size();
        // Nothing is made up: apart from its line breaks, a question is a piece of the paper.
        if (paper.size() <= 4096 && !flat.contains(WithoutLineBreaks(q.text)))
            Fail("question text not taken from the paper");
        if (paper.size() <= 4096) {
            CheckReading(q, QString());
            for (const QString& type : QuestionTypes()) CheckReading(q, type);
        }
    }
    // Line breaks grow from one code unit to two at most.
    if (total > 2 * paper.size()) Fail("questions longer than the paper");
    return 0;
}
