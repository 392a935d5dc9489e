#include "question/QuestionImport.h"

#include <QHash>
#include <algorithm>

#include "question/PaperDocument.h"
#include "question/PaperMarks.h"

namespace qs {

namespace {

using paper::Mark;
using paper::OptionMark;
using paper::Trimmed;

enum Type { kSingle, kMultiple, kTrueFalse, kFillIn, kApplication };

const QString& TypeName(int t) {
    return QuestionTypes()[t];
}

QString OneLine(QStringView text) {
    QString out = Trimmed(text).toString();
    out.remove(u'\r');
    out.remove(u'\n');
    return out;
}

bool HasText(QStringView text) {
    return std::any_of(text.begin(), text.end(), [](QChar c) { return c.isLetterOrNumber(); });
}

int LatinLetter(QChar c) {
    if (c >= u'a' && c <= u'z') return c.unicode() - u'a';
    if (c >= u'A' && c <= u'Z') return c.unicode() - u'A';
    if (c >= u'ａ' && c <= u'ｚ') return c.unicode() - u'ａ';
    if (c >= u'Ａ' && c <= u'Ｚ') return c.unicode() - u'Ａ';
    return -1;
}

bool IsLetterSeparator(QChar c) {
    return paper::IsBlank(c) || c == u'、' || c == u'，' || c == u',' || c == u'；' || c == u';' ||
           c == u'/';
}

// The option letters an answer names at its start, in alphabetical order, each once: "B" of
// "B。解析：A项错误", "AC" of "c、a", "C" of "C（A、B均不符合题意）". `*used` is where the
// letters end. A run of letters that goes on into a word ("Beijing", "A项") names nothing,
// unless it is the first run and a Chinese word follows ("ABC都对").
QString AnswerLetters(QStringView answer, qsizetype* used) {
    qsizetype i = 0;
    while (i < answer.size() && (IsLetterSeparator(answer[i]) || answer[i] == u'（' ||
                                 answer[i] == u'(' || answer[i] == u'【' || answer[i] == u'[' ||
                                 answer[i] == u'选' || answer[i] == u'为' || answer[i] == u'是'))
        ++i;
    bool named[6] = {};
    bool any = false;
    *used = 0;
    while (i < answer.size()) {
        qsizetype end = i;
        bool options = true;
        while (end < answer.size() && LatinLetter(answer[end]) >= 0) {
            options = options && LatinLetter(answer[end]) < 6;
            ++end;
        }
        if (end == i || !options) break;
        const bool word = end < answer.size() && answer[end].isLetterOrNumber();
        if (word && (any || answer[end].script() != QChar::Script_Han)) break;
        for (qsizetype k = i; k < end; ++k) named[LatinLetter(answer[k])] = true;
        any = true;
        *used = end;
        if (word) break;
        i = end;
        while (i < answer.size() && IsLetterSeparator(answer[i])) ++i;
    }
    QString letters;
    for (int l = 0; l < 6; ++l)
        if (named[l]) letters += QChar(u'A' + l);
    return letters;
}

// "A" for 正确/对/√, "B" for 错误/错/×, at the start of `answer`; `*used` is where the word ends.
QString TrueFalseLetter(QStringView answer, qsizetype* used = nullptr) {
    static const QStringList words[2] = {
        {QStringLiteral("正确"), QStringLiteral("对"), QStringLiteral("√"), QStringLiteral("✓")},
        {QStringLiteral("错误"), QStringLiteral("错"), QStringLiteral("×"), QStringLiteral("✗")}};
    qsizetype start = 0;
    while (start < answer.size() && paper::IsBlank(answer[start])) ++start;
    for (int letter = 0; letter < 2; ++letter)
        for (const QString& w : words[letter])
            if (answer.sliced(start).startsWith(w)) {
                if (used) *used = start + w.size();
                return QString(QChar(u'A' + letter));
            }
    return {};
}

QString Difficulty(QStringView word) {
    static const QStringList hard = {QStringLiteral("困难"), QStringLiteral("难"),
                                     QStringLiteral("较难"), QStringLiteral("偏难"),
                                     QStringLiteral("很难"), QStringLiteral("稍难"),
                                     QStringLiteral("高"),   QStringLiteral("较高")};
    QString w = OneLine(word);
    while (!w.isEmpty() && !w.back().isLetterOrNumber() && w.back() != u'★') w.chop(1);
    const bool stars = w.count(u'★') >= 4;
    return hard.contains(w) || stars ? QStringLiteral("困难") : QStringLiteral("普通");
}

QStringView FirstLine(QStringView s) {
    qsizetype end = 0;
    while (end < s.size() && s[end] != u'\r' && s[end] != u'\n') ++end;
    return s.first(end);
}

// A piece of a paper cut at its labels.
struct Parts {
    QStringView text;
    QVector<Mark> marks;
    int answer = -1;  // the first answer label
    int answers = 0;

    explicit Parts(QStringView t) : text(t), marks(paper::FindMarks(t)) {
        for (int m = 0; m < marks.size(); ++m)
            if (marks[m].kind == Mark::Answer && answers++ == 0) answer = m;
    }
    QStringView body() const { return text.first(marks.isEmpty() ? text.size() : marks[0].start); }
    qsizetype end(int m) const { return m + 1 < marks.size() ? marks[m + 1].start : text.size(); }
    // The text a label labels, up to the next label; with the label itself.
    QStringView content(int m) const {
        return text.sliced(marks[m].content, end(m) - marks[m].content);
    }
    QStringView whole(int m) const { return text.sliced(marks[m].start, end(m) - marks[m].start); }
    QStringView answerLine() const {
        return answer < 0 ? QStringView() : FirstLine(content(answer));
    }
};

bool IsTrueFalsePair(const QStringList& options) {
    // Either way round: the answer is read through the paper's options.
    if (options.size() != 2) return false;
    QString letters;
    for (const QString& o : options) {
        qsizetype used = 0;
        const QString letter = TrueFalseLetter(o, &used);
        if (letter.isEmpty() || used != o.size()) return false;
        letters += letter;
    }
    return letters == u"AB" || letters == u"BA";
}

int GuessType(bool answerFound, QStringView line, const QStringList& options) {
    qsizetype used = 0;
    if (answerFound && AnswerLetters(line, &used).size() >= 2) return kMultiple;
    if ((answerFound && !TrueFalseLetter(line).isEmpty()) || IsTrueFalsePair(options))
        return kTrueFalse;
    return options.isEmpty() ? kFillIn : kSingle;
}

// The type a sheet's 题型 cell names, or -1.
int NamedType(const QString& cell) {
    QString name = OneLine(cell);
    name.remove(u' ');
    name.remove(u'\u3000');
    static const std::pair<QString, int> starts[] = {
        {QStringLiteral("单选"), kSingle},      {QStringLiteral("单项选择"), kSingle},
        {QStringLiteral("多选"), kMultiple},    {QStringLiteral("多项选择"), kMultiple},
        {QStringLiteral("不定项"), kMultiple},  {QStringLiteral("判断"), kTrueFalse},
        {QStringLiteral("是非"), kTrueFalse},   {QStringLiteral("填空"), kFillIn},
        {QStringLiteral("应用"), kApplication}, {QStringLiteral("简答"), kApplication},
        {QStringLiteral("问答"), kApplication}};
    for (const auto& [start, type] : starts)
        if (name.startsWith(start)) return type;
    return -1;
}

// The question, its options and its answer as `type` reads them from the parts a paper or a
// sheet gives: the text before the options, the whole text (the question of fill-in and
// application questions), the options and the answer line. `*used` is where the answer's
// letters or word end in the line.
void ReadParts(Question& k, int type, QStringView stem, QStringView whole,
               const QStringList& options, QStringView line, qsizetype* used) {
    k.qtype = TypeName(type);
    k.nandu = QStringLiteral("普通");
    if (type == kFillIn || type == kApplication) {
        k.question = OneLine(whole);
        k.answer = QStringLiteral("任意");
        const QString given = OneLine(line);
        k.options[0] = given.isEmpty() ? k.question : given;
        *used = line.size();
        return;
    }
    k.question = OneLine(stem);
    for (int i = 0; i < options.size() && i < 6; ++i) k.options[size_t(i)] = options[i];
    k.answer = AnswerLetters(line, used);
    if (type == kTrueFalse) {
        // The letter means the paper's option, which may read 错误 for A.
        const int letter = k.answer.isEmpty() ? -1 : k.answer[0].unicode() - u'A';
        const QString named =
            letter >= 0 && letter < options.size() ? TrueFalseLetter(options[letter]) : QString();
        if (!named.isEmpty() && k.answer.size() == 1) k.answer = named;
        if (k.answer.isEmpty()) k.answer = TrueFalseLetter(line, used);
        k.options = {QStringLiteral("正确"), QStringLiteral("错误")};
    }
}

QString Explanation(QStringList parts) {
    parts.removeAll(QString());
    return parts.isEmpty() ? QStringLiteral("--") : parts.join(QStringLiteral("\r\n"));
}

}  // namespace

ImportedQuestion ReadQuestion(const PaperQuestion& piece, const QString& qtype) {
    const Parts parts(piece.text);
    const QStringView body = parts.body();
    const QVector<OptionMark> run = paper::OptionRun(body);
    QStringList options;
    for (int i = 0; i < run.size(); ++i) {
        const qsizetype end = i + 1 < run.size() ? run[i + 1].start : body.size();
        options << OneLine(body.sliced(run[i].content, end - run[i].content));
    }
    const int chosen = int(QuestionTypes().indexOf(qtype));
    const QStringView line = parts.answerLine();
    const int type = chosen >= 0 ? chosen : GuessType(parts.answer >= 0, line, options);

    ImportedQuestion q;
    q.number = piece.number;
    q.outOfSequence = piece.outOfSequence;
    q.answerFound = parts.answer >= 0;
    q.severalAnswers = parts.answers > 1;
    Question& k = q.question;
    qsizetype used = 0;
    ReadParts(k, type, body.first(run.isEmpty() ? body.size() : run[0].start), body, options, line,
              &used);

    QStringList explanation;
    bool difficultyRead = false;
    for (int m = 0; m < parts.marks.size(); ++m) {
        const QStringView content = parts.content(m);
        const QStringView after = content.sliced(FirstLine(content).size());
        switch (parts.marks[m].kind) {
            case Mark::Answer:
                if (m != parts.answer) {
                    explanation << Trimmed(parts.whole(m)).toString();
                    break;
                }
                // What the answer line says after the letters: "（A、B均不符合题意）".
                if (const QStringView rest = Trimmed(line.sliced(used)); HasText(rest))
                    explanation << rest.toString();
                explanation << Trimmed(after).toString();
                break;
            case Mark::Explanation:
                explanation << Trimmed(content).toString();
                break;
            case Mark::Difficulty:
                if (!difficultyRead) k.nandu = Difficulty(FirstLine(content));
                difficultyRead = true;
                explanation << Trimmed(after).toString();
                break;
        }
    }
    k.why0 = Explanation(explanation);
    return q;
}

ImportedQuestion ReadQuestion(const SheetQuestion& row, const QString& qtype) {
    QStringList options;
    for (int i = 0; i < 6; ++i)
        if (!row.options[size_t(i)].isEmpty()) {
            while (options.size() < i) options << QString();
            options << OneLine(row.options[size_t(i)]);
        }
    ImportedQuestion q;
    q.answerFound = !row.answer.isEmpty();
    int type = int(QuestionTypes().indexOf(qtype));
    if (type < 0) {
        type = NamedType(row.qtype);
        if (type < 0 && !row.qtype.isEmpty()) q.unknownType = row.qtype;
        if (type < 0) type = GuessType(q.answerFound, row.answer, options);
    }
    qsizetype used = 0;
    ReadParts(q.question, type, row.question, row.question, options, row.answer, &used);
    if (!row.difficulty.isEmpty()) q.question.nandu = Difficulty(row.difficulty);
    // What the answer cell says after its letters, as for a paper's answer line.
    QStringList explanation;
    if (const QStringView rest = Trimmed(QStringView(row.answer).sliced(used)); HasText(rest))
        explanation << rest.toString();
    QString given = row.explanation;
    given.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    explanation << given.replace(u'\n', QStringLiteral("\r\n"));
    q.question.why0 = Explanation(explanation);
    return q;
}

ImportedQuestion ReadAgainAs(const QuestionReading& readAs, const ImportedQuestion& current,
                             const QString& qtype) {
    const Question read = readAs(current.question.qtype).question;
    ImportedQuestion again = readAs(qtype);
    Question& q = again.question;
    const int type = int(QuestionTypes().indexOf(q.qtype));
    for (int i = 0; i < kQuestionFields; ++i) {
        const auto f = QuestionField(i);
        const bool option = f >= QuestionField::OptionA && f <= QuestionField::OptionF;
        const bool decided =
            (type == kTrueFalse && option) ||
            (TakesTextAnswer(q.qtype) &&
             ((option && f != QuestionField::OptionA) || f == QuestionField::Answer));
        const bool corrected = current.question.field(f) != read.field(f);
        if (f == QuestionField::Bank || f == QuestionField::Adder ||
            (corrected && !decided && q.field(f) == read.field(f)))
            q.field(f) = current.question.field(f);
    }
    return again;
}

QStringList PaperFlags(const ImportedQuestion& q) {
    const Question& k = q.question;
    QStringList flags;
    if (q.number == 0) flags << QStringLiteral("没有题号");
    if (q.outOfSequence) flags << QStringLiteral("题号不连续");
    if (!k.question.isEmpty() && !HasText(k.question)) flags << QStringLiteral("题目里没有文字");
    if (!q.unknownType.isEmpty())
        flags << QStringLiteral("题型“") + q.unknownType + QStringLiteral("”无法识别");
    if (!q.answerFound && k.answer.isEmpty()) flags << QStringLiteral("没有找到答案");
    if (q.severalAnswers) flags << QStringLiteral("有多处答案");
    if (!TakesTextAnswer(k.qtype)) {
        for (QChar c : k.answer) {
            const int i = c.unicode() - u'A';
            if (i < 0 || i >= 6 || k.options[size_t(i)].trimmed().isEmpty())
                flags << QStringLiteral("答案") + c + QStringLiteral("没有对应选项");
        }
        const int type = int(QuestionTypes().indexOf(k.qtype));
        if ((type == kSingle || type == kTrueFalse) && k.answer.size() > 1)
            flags << k.qtype + QStringLiteral("只能有一个答案");
    }
    bool unchecked = HasUncheckedMark(k.question) || HasUncheckedMark(k.why0);
    for (const QString& o : k.options) unchecked = unchecked || HasUncheckedMark(o);
    if (unchecked) flags << kUncheckedMarkFlag.toString();
    flags.removeDuplicates();
    return flags;
}

QVector<int> FindRepeats(const QVector<Question>& questions) {
    QVector<int> earlier(questions.size(), -1);
    QHash<QString, int> seen;
    for (int i = 0; i < questions.size(); ++i) {
        const Question& q = questions[i];
        const QString key = q.bank + QChar(0) + LookupText(q.question) + QChar(0) + q.answer;
        const auto it = seen.constFind(key);
        if (it != seen.constEnd())
            earlier[i] = *it;
        else
            seen.insert(key, i);
    }
    return earlier;
}

}  // namespace qs
