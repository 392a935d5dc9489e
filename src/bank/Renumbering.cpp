#include "bank/Renumbering.h"

#include "bank/EditorQueries.h"
#include "question/Question.h"

namespace qs {

Renumbering::Renumbering(Connection& server, Connection& local, Progress progress)
    : server_(server), local_(local), progress_(std::move(progress)) {}

const QStringList& Renumbering::types() {
    return QuestionTypes();
}

QString Renumbering::caption(qint64 total, Side side, const QString& bank, const QString& type,
                             int counter) {
    return QString::number(total) + QStringLiteral(")正在处理:【") + SideName(side) +
           QStringLiteral("】") + bank + QLatin1Char(' ') + type + QLatin1Char(':') +
           QString::number(counter);
}

QString Renumbering::doneText(qint64 total) {
    return QStringLiteral("共重置题目序号:") + QString::number(total);
}

qint64 Renumbering::pass(Connection& c, Side side, const QString& bank, const QString& type) {
    try {
        NumberingChanges changes;
        // Fill-in and application questions keep their answers as written.
        changes.normaliseAnswer = types().indexOf(type) < 3;
        // A true/false answer stored as 正确 or 错误 holds no letter: reducing it
        // to letters would erase a valid answer on every renumbering.
        changes.keepTrueFalseWords = type == QStringLiteral("判断题");
        changes.appendSpaceToWhy0 = true;
        const QString condition = BankTypeCondition(c.dialect(), bank, type);
        c.execute(NumberRowsStatement(c.dialect(), condition, changes));
        // Counted, not taken from the update: a server that runs with
        // NOCOUNT on reports no affected rows.
        const qint64 rows = c.scalar(CountWhere(c.dialect(), condition)).toLongLong();
        if (rows > 0) {
            total_ += rows;
            if (progress_)
                progress_(caption(total_, side, bank, type, int(qMin<qint64>(rows, 32767))));
        }
        return rows;
    } catch (const DbError& e) {
        throw WorkFailure(side, e);
    }
}

qint64 Renumbering::run(const QString& bank) {
    total_ = 0;
    // Each type is renumbered on the server and then on the local file before
    // the next type begins; the running total in the caption follows that order.
    for (const QString& type : types()) {
        pass(server_, Side::Server, bank, type);
        pass(local_, Side::Local, bank, type);
    }
    return total_;
}

}  // namespace qs
