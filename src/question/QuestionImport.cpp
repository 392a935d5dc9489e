#include "question/QuestionImport.h"

#include <QHash>

#include "question/Question.h"
#include "question/QuestionParser.h"

namespace qs {

namespace {

enum Type { kSingle, kMultiple, kTrueFalse, kFillIn, kApplication };

const QString& TypeName(int t) {
    return QuestionTypes()[t];
}

bool IsBlank(QChar c) {
    return c == u' ' || c == u'\t' || c == u'\u3000' || c == u'\u00A0' || c == u'：' || c == u':' ||
           c == u'【' || c == u'（' || c == u'(' || c == u'[';
}

// Where the answer keyword of a question starts, and the text after it.
qsizetype AnswerKeyword(const QString& text, QString* after = nullptr) {
    qsizetype at = -1;
    qsizetype length = 0;
    for (const QString& k : {QStringLiteral("答案"), QStringLiteral("笞案")}) {
        const qsizetype i = text.indexOf(k);
        if (i >= 0 && (at < 0 || i < at)) {
            at = i;
            length = k.size();
        }
    }
    if (at < 0) return -1;
    // The longer spellings ("参考答案" …) start before "答案".
    static const QStringList prefixes = {QStringLiteral("参考"), QStringLiteral("正确"),
                                         QStringLiteral("标准"), QStringLiteral("本题"),
                                         QStringLiteral("此题")};
    qsizetype start = at;
    for (const QString& p : prefixes)
        if (at >= p.size() && QStringView(text).sliced(at - p.size(), p.size()) == p)
            start = at - p.size();
    if (after) {
        qsizetype i = at + length;
        while (i < text.size() && IsBlank(text[i])) ++i;
        qsizetype end = i;
        while (end < text.size() && text[end] != u'\r' && text[end] != u'\n') ++end;
        *after = text.sliced(i, end - i).trimmed();
    }
    return start;
}

// The answer's leading option letters: "ABD", "B" of "B。解析：A项错误".
QString LeadingLetters(const QString& answer) {
    QString letters;
    for (QChar c : answer) {
        const QChar u = c.toUpper();
        if (u >= u'A' && u <= u'F') {
            if (!letters.contains(u)) letters += u;
        } else if (c != u' ' && c != u',' && c != u'，' && c != u'、' && c != u'\u3000') {
            break;
        }
    }
    return letters;
}

// "A" for 正确/对/√, "B" for 错误/错/×, empty for anything else.
QString TrueFalseLetter(const QString& answer) {
    static const QStringList yes = {QStringLiteral("正确"), QStringLiteral("对"),
                                    QStringLiteral("√"), QStringLiteral("✓")};
    static const QStringList no = {QStringLiteral("错误"), QStringLiteral("错"),
                                   QStringLiteral("×"), QStringLiteral("✗")};
    for (const QString& w : yes)
        if (answer.startsWith(w)) return QStringLiteral("A");
    for (const QString& w : no)
        if (answer.startsWith(w)) return QStringLiteral("B");
    return {};
}

bool IsTrueFalseOptions(const ParserFields& f) {
    const QString a = f.SA.trimmed(), b = f.SB.trimmed();
    const bool pair =
        (a == u"正确" && b == u"错误") || (a == u"对" && b == u"错") || (a == u"√" && b == u"×");
    return pair && f.SC.isEmpty() && f.SD.isEmpty() && f.SE.isEmpty() && f.SF.isEmpty();
}

ImportedQuestion FromFields(const PaperQuestion& piece, int type, const ParserFields& f) {
    ImportedQuestion q;
    q.number = piece.number;
    q.qtype = TypeName(type);
    q.question = f.timu;
    q.options = {f.SA, f.SB, f.SC, f.SD, f.SE, f.SF};
    q.answer = f.answer;
    return q;
}

}  // namespace

QString GuessQuestionType(const QString& text) {
    QString answer;
    const bool hasAnswer = AnswerKeyword(text, &answer) >= 0;
    if (hasAnswer && LeadingLetters(answer).size() >= 2) return TypeName(kMultiple);
    const ParserFields f = ParsePastedQuestion(text, {}, {});
    if ((hasAnswer && !TrueFalseLetter(answer).isEmpty()) || IsTrueFalseOptions(f))
        return TypeName(kTrueFalse);
    const bool options = !(f.SA.isEmpty() && f.SB.isEmpty() && f.SC.isEmpty() && f.SD.isEmpty() &&
                           f.SE.isEmpty() && f.SF.isEmpty());
    return options ? TypeName(kSingle) : TypeName(kFillIn);
}

ImportedQuestion ImportQuestion(const PaperQuestion& piece, const QString& qtype) {
    const int type = int(QuestionTypes().indexOf(qtype));
    if (type == kTrueFalse) {
        QString answer;
        const qsizetype keyword = AnswerKeyword(piece.text, &answer);
        const QString body = keyword < 0 ? piece.text : piece.text.left(keyword).trimmed();
        ParserFields f = ParsePastedQuestion(body, {}, {});
        f.SA = QStringLiteral("正确");
        f.SB = QStringLiteral("错误");
        f.SC = f.SD = f.SE = f.SF = QString();
        f.answer = TrueFalseLetter(answer);
        const QString letter = LeadingLetters(answer).left(1);
        if (f.answer.isEmpty() && (letter == u"A" || letter == u"B")) f.answer = letter;
        return FromFields(piece, type, f);
    }
    ParserFields before;
    ParserTypeFlags flags;
    switch (type) {
        case kSingle:
            flags.Check1 = true;
            break;
        case kFillIn:
            flags.Check4 = true;
            before.answer = QStringLiteral("任意");
            break;
        case kApplication:
            flags.Check5 = true;
            before.answer = QStringLiteral("任意");
            break;
        default:
            break;
    }
    return FromFields(piece, type < 0 ? kSingle : type,
                      ParsePastedQuestion(piece.text, before, flags));
}

QStringList QuestionFaults(const ImportedQuestion& q) {
    QStringList faults;
    if (q.question.trimmed().isEmpty()) faults << QStringLiteral("题目为空");
    if (q.answer.trimmed().isEmpty()) faults << QStringLiteral("没有答案");
    const int type = int(QuestionTypes().indexOf(q.qtype));
    const bool textAnswer = type == kFillIn || type == kApplication;
    if (!textAnswer) {
        for (QChar c : q.answer) {
            const int i = c.unicode() - u'A';
            if (i >= 0 && i < 6 && q.options[size_t(i)].trimmed().isEmpty())
                faults << QStringLiteral("答案") + c + QStringLiteral("没有对应选项");
        }
    }
    if (q.options[0].isEmpty()) faults << QStringLiteral("选项A为空");
    if (!textAnswer && q.options[1].isEmpty()) faults << QStringLiteral("选项B为空");
    faults.removeDuplicates();
    return faults;
}

QString StoredQuestionText(const QString& question) {
    QString text = NormaliseQuestionText(question);
    text.remove(u'\'');
    return text;
}

QVector<int> FindRepeats(const QVector<ImportedQuestion>& questions) {
    QVector<int> earlier(questions.size(), -1);
    QHash<QString, int> seen;
    for (int i = 0; i < questions.size(); ++i) {
        const QString key =
            StoredQuestionText(questions[i].question) + QChar(0) + questions[i].answer;
        const auto it = seen.constFind(key);
        if (it != seen.constEnd())
            earlier[i] = *it;
        else
            seen.insert(key, i);
    }
    return earlier;
}

}  // namespace qs
