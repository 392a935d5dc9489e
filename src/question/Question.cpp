#include "question/Question.h"

namespace qs {

const QStringList& QuestionTypes() {
    static const QStringList t = {QStringLiteral("单选题"), QStringLiteral("多选题"),
                                  QStringLiteral("判断题"), QStringLiteral("填空题"),
                                  QStringLiteral("应用题")};
    return t;
}

const QString& PictureColumn(int slot) {
    static const QString columns[kPictureSlots] = {QStringLiteral("QJPG"), QStringLiteral("AJPG"),
                                                   QStringLiteral("BJPG"), QStringLiteral("CJPG"),
                                                   QStringLiteral("DJPG"), QStringLiteral("EJPG"),
                                                   QStringLiteral("FJPG"), QStringLiteral("WJPG")};
    return columns[slot];
}

QString PictureFileName(int slot) {
    return PictureColumn(slot).toLower() + QStringLiteral(".jpg");
}

QString& Question::field(QuestionField f) {
    return const_cast<QString&>(std::as_const(*this).field(f));
}

const QString& Question::field(QuestionField f) const {
    switch (f) {
        case QuestionField::Bank:
            return bank;
        case QuestionField::Type:
            return qtype;
        case QuestionField::Text:
            return question;
        case QuestionField::Answer:
            return answer;
        case QuestionField::Nandu:
            return nandu;
        case QuestionField::Why0:
            return why0;
        case QuestionField::Adder:
            return adder;
        default:
            break;
    }
    return options[size_t(int(f) - int(QuestionField::OptionA))];
}

const QVector<QuestionColumn>& QuestionColumns() {
    using K = QuestionColumn::Kind;
    using F = QuestionField;
    auto field = [](const char* name, F f) {
        return QuestionColumn{QString::fromLatin1(name), K::Field, int(f)};
    };
    auto copied = [](const char* name) {
        return QuestionColumn{QString::fromLatin1(name), K::CopiedOnly, 0};
    };
    static const QVector<QuestionColumn> columns = [&] {
        QVector<QuestionColumn> c = {field("adder", F::Adder),
                                     field("mantype", F::Bank),
                                     copied("stime"),
                                     field("QUESTION", F::Text),
                                     field("Qtype", F::Type),
                                     field("nandu", F::Nandu),
                                     field("SA", F::OptionA),
                                     field("SB", F::OptionB),
                                     field("SC", F::OptionC),
                                     field("SD", F::OptionD),
                                     field("SE", F::OptionE),
                                     field("SF", F::OptionF),
                                     field("answer", F::Answer),
                                     copied("ANSWERSELF"),
                                     field("why0", F::Why0),
                                     copied("a1"),
                                     copied("a2"),
                                     copied("a3")};
        for (int slot = 0; slot < kPictureSlots; ++slot)
            c << QuestionColumn{PictureColumn(slot), K::Picture, slot};
        c << QuestionColumn{QStringLiteral("id2"), K::Number, 0};
        return c;
    }();
    return columns;
}

const QString& FieldColumn(QuestionField f) {
    static const auto names = [] {
        std::array<QString, kQuestionFields> n;
        for (const QuestionColumn& c : QuestionColumns())
            if (c.kind == QuestionColumn::Kind::Field) n[size_t(c.index)] = c.name;
        return n;
    }();
    return names[size_t(f)];
}

const QString& OptionColumn(int i) {
    return FieldColumn(QuestionField(int(QuestionField::OptionA) + i));
}

QStringList QuestionColumnNames() {
    QStringList names;
    for (const QuestionColumn& c : QuestionColumns()) names << c.name;
    return names;
}

QString NormaliseQuestionText(QString text) {
    if (text.contains(u'\'')) text.replace(u'\'', u'‘');
    static const QStringList dotted = {QStringLiteral("A."), QStringLiteral("B."),
                                       QStringLiteral("C."), QStringLiteral("D.")};
    bool anyDotted = false;
    for (const QString& d : dotted) anyDotted = anyDotted || text.contains(d);
    if (anyDotted)
        for (const QString& d : dotted) text.replace(d, d.left(1));
    text.replace(u'\n', u' ');
    text.replace(u'\r', u' ');
    return text;
}

QString NormaliseOptionText(QString text) {
    text.remove(u'\n');
    text.remove(u'\r');
    return text;
}

Question AsStored(Question q) {
    q.question = NormaliseQuestionText(q.question);
    for (QString& o : q.options) o = NormaliseOptionText(o);
    QString& picture = q.picturePaths[kQuestionPicture];
    if (!picture.isEmpty()) picture = QuestionPicturePath(picture);
    return q;
}

QString LookupText(const QString& question) {
    QString text = NormaliseQuestionText(question);
    text.remove(u'\'');
    return text;
}

QString QuestionPicturePath(QString path) {
    path.replace(QStringLiteral("()"), QStringLiteral("（）"));
    path.replace(QStringLiteral("（）"), QStringLiteral("（   ）"));
    return path;
}

QVariant StoredText(const QString& text) {
    return text.isNull() ? QStringLiteral("") : text;
}

QVariant StoredValue(const Question& q, QuestionField f) {
    if (f == QuestionField::Type && q.qtype.isEmpty())
        return QVariant(QMetaType::fromType<QString>());
    return StoredText(q.field(f));
}

bool TakesTextAnswer(const QString& qtype) {
    return qtype == QuestionTypes()[3] || qtype == QuestionTypes()[4];
}

Refusal RefusalOf(const Question& q) {
    if (q.bank.isEmpty()) return Refusal::NoBank;
    if (q.question.isEmpty()) return Refusal::NoQuestion;
    if (q.answer.isEmpty()) return Refusal::NoAnswer;
    if (q.options[0].isEmpty()) return Refusal::NoOptionA;
    if (!TakesTextAnswer(q.qtype) && q.options[1].isEmpty()) return Refusal::NoOptionB;
    return Refusal::None;
}

QString RefusalText(Refusal r) {
    switch (r) {
        case Refusal::None:
            break;
        case Refusal::NoBank:
            return QStringLiteral("题库不能为空");
        case Refusal::NoQuestion:
            return QStringLiteral("题目不能为空");
        case Refusal::NoAnswer:
            return QStringLiteral("答案不能为空");
        case Refusal::NoOptionA:
            return QStringLiteral("选项A不能为空");
        case Refusal::NoOptionB:
            return QStringLiteral("选项B不能为空");
    }
    return {};
}

}  // namespace qs
