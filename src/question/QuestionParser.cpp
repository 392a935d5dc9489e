#include "question/QuestionParser.h"

#include <QStringView>
#include <optional>

namespace qs {
namespace {

using namespace Qt::StringLiterals;

// Option letters; G only ends option F.
constexpr char16_t kLetters[] = u"ABCDEFG";
constexpr int kOptionCount = 6;

// Marker spellings an operator's documents use after an option letter, rewritten to ".".
constexpr char16_t kMarkerSeparators[] = {u'。', u'，', u',', u'、'};

// Every spelling of the answer keyword, each rewritten to "答案" in this order.
constexpr QStringView kAnswerKeywords[] = {u"参考答案", u"正确答案", u"标准答案",
                                           u"本题答案", u"此题答案", u"笞案"};
constexpr QStringView kAnswer = u"答案";

// One left-to-right pass replacing non-overlapping hits; replaced text is never re-scanned, so
// ".." -> "." turns "..." into "..". The result is built in one fresh buffer, so the cost stays
// linear in the text's length however many hits it holds.
void ReplaceAll(QString& text, QStringView before, QStringView after) {
    qsizetype hit = text.indexOf(before);
    if (hit < 0) return;
    const QStringView source(text);
    QString out;
    out.reserve(after.size() > before.size() ? text.size() + text.size() / 2 : text.size());
    qsizetype done = 0;
    do {
        out.append(source.sliced(done, hit - done));
        out.append(after);
        done = hit + before.size();
        hit = text.indexOf(before, done);
    } while (hit >= 0);
    out.append(source.sliced(done));
    text = std::move(out);
}

QString WithoutLineBreaks(QStringView text) {
    QString out = text.toString();
    ReplaceAll(out, u"\r\n", u"");
    return out;
}

// "A." -> "A" ... "F." -> "F", letter by letter.
void DropOptionDots(QString& text) {
    for (int i = 0; i < kOptionCount; ++i) {
        const char16_t marker[] = {kLetters[i], u'.'};
        ReplaceAll(text, QStringView(marker, 2), QStringView(&kLetters[i], 1));
    }
}

// The text after the first occurrence of `marker` up to its second occurrence, or to the end
// when there is only one; nothing when the marker is absent.
std::optional<QStringView> Between(QStringView text, QStringView marker) {
    const qsizetype first = text.indexOf(marker);
    if (first < 0) return std::nullopt;
    const QStringView rest = text.sliced(first + marker.size());
    const qsizetype second = rest.indexOf(marker);
    return second < 0 ? rest : rest.first(second);
}

void Normalise(QString& w) {
    ReplaceAll(w, u"?", u"");
    ReplaceAll(w, u"．", u".");
    for (const char16_t separator : kMarkerSeparators) {
        for (int i = 0; i < kOptionCount; ++i) {
            const char16_t spelled[] = {kLetters[i], separator};
            const char16_t marker[] = {kLetters[i], u'.'};
            ReplaceAll(w, QStringView(spelled, 2), QStringView(marker, 2));
        }
    }
    ReplaceAll(w, u"..", u".");
    ReplaceAll(w, u"'", u"’");
    for (const QStringView keyword : kAnswerKeywords) ReplaceAll(w, keyword, kAnswer);
}

// Collects the answer letters from the text after the first keyword and cuts `w` before it.
void TakeAnswer(QString& w, const ParserTypeFlags& types, QString& answer) {
    const qsizetype keyword = w.indexOf(kAnswer);
    if (keyword < 0) return;
    const QString letters = Between(w, kAnswer)->toString().toUpper();
    w.truncate(keyword);
    answer.clear();
    for (int i = 0; i < kOptionCount; ++i)
        if (letters.contains(QChar(kLetters[i]))) answer.append(QChar(kLetters[i]));
    if (types.Check1 || types.Check3 || types.Check4) answer.truncate(1);
}

// The option box of letter `i` takes the text after its marker, up to the marker's second
// occurrence and before the next letter's marker; an absent marker leaves the box alone.
void TakeOption(QStringView w, int i, QString& box) {
    const char16_t marker[] = {kLetters[i], u'.'};
    const char16_t next[] = {kLetters[i + 1], u'.'};
    const std::optional<QStringView> text = Between(w, QStringView(marker, 2));
    if (!text) return;
    const qsizetype cut = text->indexOf(QStringView(next, 2));
    box = WithoutLineBreaks(cut < 0 ? *text : text->first(cut));
}

void ParseOptionBranch(const QString& clipboard, const ParserTypeFlags& types, ParserFields& f) {
    QString w = clipboard;
    Normalise(w);
    TakeAnswer(w, types, f.answer);

    const qsizetype firstA = w.indexOf(u"A.");
    if (firstA >= 0 && f.timu.isEmpty()) f.timu = WithoutLineBreaks(QStringView(w).first(firstA));

    QString* const boxes[kOptionCount] = {&f.SA, &f.SB, &f.SC, &f.SD, &f.SE, &f.SF};
    for (int i = 0; i < kOptionCount; ++i) TakeOption(w, i, *boxes[i]);
    // Also boxes this import did not fill: the operator may have typed into them before.
    for (QString* box : boxes) DropOptionDots(*box);
}

}  // namespace

ParserFields ParsePastedQuestion(const QString& clipboard, const ParserFields& before,
                                 const ParserTypeFlags& types) {
    if (clipboard.isEmpty()) return before;
    ParserFields f = before;

    if (types.Check3) {
        f.timu = clipboard;
        ReplaceAll(f.timu, u"'", u"’");
        DropOptionDots(f.timu);
        if (f.answer.isEmpty()) f.answer = u"A"_s;
    }

    // The branch is chosen on the bare capitals, not on option markers: "Beijing" is enough.
    if (clipboard.contains(u'A') || clipboard.contains(u'B')) {
        ParseOptionBranch(clipboard, types, f);
    } else {
        f.timu = clipboard;
        ReplaceAll(f.timu, u"?", u" ");
    }

    // Fill-in and application questions carry the question text in option A.
    if (!f.timu.isEmpty() && f.SA.isEmpty() && (types.Check5 || types.Check4)) f.SA = f.timu;
    if (before.timu.contains(u"题目如图")) f.timu += u"【题目如图】";
    if (types.Check3) {
        f.SA = u"正确"_s;
        f.SB = u"错误"_s;
    }
    return f;
}

}  // namespace qs
