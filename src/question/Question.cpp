#include "question/Question.h"

namespace qs {

const QStringList& QuestionTypes() {
    static const QStringList t = {QStringLiteral("单选题"), QStringLiteral("多选题"),
                                  QStringLiteral("判断题"), QStringLiteral("填空题"),
                                  QStringLiteral("应用题")};
    return t;
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

QString QuestionPicturePath(QString path) {
    path.replace(QStringLiteral("()"), QStringLiteral("（）"));
    path.replace(QStringLiteral("（）"), QStringLiteral("（   ）"));
    return path;
}

const QString& OptionColumn(int i) {
    static const QString columns[6] = {QStringLiteral("SA"), QStringLiteral("SB"),
                                       QStringLiteral("SC"), QStringLiteral("SD"),
                                       QStringLiteral("SE"), QStringLiteral("SF")};
    return columns[i];
}

QVariant StoredText(const QString& text) {
    return text.isNull() ? QStringLiteral("") : text;
}

const QString& PictureColumn(int slot) {
    static const QString columns[kPictureSlots] = {QStringLiteral("QJPG"), QStringLiteral("AJPG"),
                                                   QStringLiteral("BJPG"), QStringLiteral("CJPG"),
                                                   QStringLiteral("DJPG"), QStringLiteral("EJPG"),
                                                   QStringLiteral("FJPG"), QStringLiteral("WJPG")};
    return columns[slot];
}

}  // namespace qs
