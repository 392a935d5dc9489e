#include "question/PaperColumns.h"

#include <QHash>

namespace qs {

namespace {

using namespace Qt::StringLiterals;

QString Simplified(const QString& cell) {
    QString s = cell.normalized(QString::NormalizationForm_KC);
    s.removeIf([](QChar c) { return c.isSpace() || c == u'*'; });
    // "答案（必填）", "答案(A-F)": the note in brackets is not the name.
    const qsizetype bracket = s.indexOf(u'(');
    if (bracket > 0 && s.endsWith(u')')) s.truncate(bracket);
    while (s.endsWith(u':')) s.chop(1);
    return s.toUpper();
}

}  // namespace

const QStringList& PaperColumnNames() {
    static const QStringList names = {u"题型"_s,  u"题目"_s,  u"选项A"_s, u"选项B"_s,
                                      u"选项C"_s, u"选项D"_s, u"选项E"_s, u"选项F"_s,
                                      u"答案"_s,  u"难度"_s,  u"解析"_s};
    return names;
}

int HeaderColumn(const QString& cell) {
    static const QHash<QString, int> known = [] {
        QHash<QString, int> k;
        const QStringList& names = PaperColumnNames();
        for (int i = 0; i < names.size(); ++i) k.insert(names[i], i);
        for (const QString& s : {u"类型"_s, u"题目类型"_s, u"试题类型"_s}) k.insert(s, kTypeColumn);
        for (const QString& s : {u"题干"_s, u"试题"_s, u"题目内容"_s, u"试题内容"_s})
            k.insert(s, kQuestionColumn);
        for (int i = 0; i < 6; ++i) {
            const QChar letter(u'A' + i);
            k.insert(QString(letter), kOptionAColumn + i);
            k.insert(letter + u"选项"_s, kOptionAColumn + i);
        }
        for (const QString& s : {u"正确答案"_s, u"参考答案"_s, u"标准答案"_s})
            k.insert(s, kAnswerColumn);
        for (const QString& s : {u"难易度"_s, u"难易程度"_s, u"难度等级"_s})
            k.insert(s, kDifficultyColumn);
        for (const QString& s : {u"答案解析"_s, u"试题解析"_s, u"题目解析"_s})
            k.insert(s, kExplanationColumn);
        for (const QString& s : {u"题号"_s, u"序号"_s, u"编号"_s}) k.insert(s, kNumberColumn);
        return k;
    }();
    return known.value(Simplified(cell), -1);
}

std::optional<PaperHeader> ReadHeader(const QStringList& cells) {
    PaperHeader header;
    bool question = false;
    int others = 0;
    for (const QString& cell : cells) {
        int column = HeaderColumn(cell);
        // A column named twice is read once, from its first place.
        if (column >= 0 && header.columns.contains(column)) column = -1;
        header.columns << column;
        if (column == kQuestionColumn)
            question = true;
        else if (column >= 0)
            ++others;
        else if (!cell.trimmed().isEmpty())
            header.unknown << cell.trimmed();
    }
    if (!question || others == 0) return std::nullopt;
    return header;
}

}  // namespace qs
