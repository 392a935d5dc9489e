#include "bank/BatchSubmission.h"

#include <QHash>
#include <QSet>
#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>
#include <algorithm>
#include <functional>

#include "bank/EditorQueries.h"
#include "db/DbError.h"
#include "db/Endpoints.h"

namespace qs {

namespace {

// Adds the group in one go, or row by row when that fails, so that a row the
// database refuses fails alone (`refused` is told each).
void AllOrOneByOne(const QVector<int>& group, const std::function<void(const QVector<int>&)>& add,
                   const std::function<void(int, const DbError&)>& refused) {
    try {
        add(group);
    } catch (const DbError&) {
        for (int i : group) {
            try {
                add({i});
            } catch (const DbError& e) {
                refused(i, e);
            }
        }
    }
}

const QString kTimu = QStringLiteral("timu");

const QStringList& WrittenColumns() {
    static const QStringList c = {
        QStringLiteral("adder"),    QStringLiteral("id2"),    QStringLiteral("mantype"),
        QStringLiteral("QUESTION"), QStringLiteral("answer"), QStringLiteral("Qtype"),
        QStringLiteral("nandu"),    QStringLiteral("why0"),   QStringLiteral("SA"),
        QStringLiteral("SB"),       QStringLiteral("SC"),     QStringLiteral("SD"),
        QStringLiteral("SE"),       QStringLiteral("SF")};
    return c;
}

QVector<QVariant> QuestionValues(const QuestionInput& in) {
    QVector<QVariant> v = {StoredText(in.adder),  0,
                           StoredText(in.bank),   StoredText(in.question),
                           StoredText(in.answer), StoredText(in.qtype),
                           StoredText(in.nandu),  StoredText(in.why0)};
    for (const QString& o : in.options) v << StoredText(o);
    return v;
}

// Two questions the server might take for one (letter case and width aside) never share a
// batch: the second is then looked up after the first was stored, as one by one.
QString LooseKey(const QuestionInput& in) {
    return in.question.normalized(QString::NormalizationForm_KC).toCaseFolded() + QChar(0) +
           in.answer.normalized(QString::NormalizationForm_KC).toCaseFolded();
}

QString GroupKey(const QuestionInput& in) {
    return in.bank + QChar(0) + in.qtype;
}

}  // namespace

BatchSubmission::BatchSubmission(QString endpoint, QString programFolder)
    : endpoint_(std::move(endpoint)), programFolder_(std::move(programFolder)) {}

QString BatchSubmission::Refusal(const QuestionInput& in) {
    if (in.bank.isEmpty()) return QStringLiteral("题库不能为空");
    if (in.question.isEmpty()) return QStringLiteral("题目不能为空");
    if (in.answer.isEmpty()) return QStringLiteral("答案不能为空");
    if (in.options[0].isEmpty()) return QStringLiteral("选项A不能为空");
    const bool textAnswer =
        in.qtype == QStringLiteral("填空题") || in.qtype == QStringLiteral("应用题");
    if (!textAnswer && in.options[1].isEmpty()) return QStringLiteral("选项B不能为空");
    return {};
}

QuestionInput BatchSubmission::Normalised(QuestionInput in) {
    in.question = NormaliseQuestionText(in.question);
    for (QString& o : in.options) o = NormaliseOptionText(o);
    return in;
}

QVector<std::optional<BatchSubmission::ServerCopy>> BatchSubmission::FindOnServer(
    Connection& server, const QVector<QuestionInput>& rows) {
    QVector<std::optional<ServerCopy>> found(rows.size());
    for (int from = 0, to = 0; from < rows.size(); from = to) {
        // A row the server takes for two of the questions names only the first of them, so
        // such questions are looked up in separate statements.
        QSet<QString> keys;
        while (to < rows.size() && to - from < kBatchRows && !keys.contains(LooseKey(rows[to])))
            keys.insert(LooseKey(rows[to++]));
        QStringList lookups;
        for (int i = from; i < to; ++i) {
            QString question = rows[i].question;
            question.remove(u'\'');
            lookups << DuplicateQuery(server.dialect(), rows[i].bank, question, rows[i].answer);
        }
        const QString sql = DuplicateLookupQuery(server.dialect(), lookups);
        if (sql.isEmpty())
            throw DbError(err::kProviderFailure,
                          QStringLiteral("无法识别的查询：") + lookups.first());
        QSqlQuery q = server.query();
        if (!q.exec(sql)) server.raise(q.lastError(), sql);
        // The copy added first names the duplicate, as in the submit.
        while (q.next()) {
            const int k = from + q.value(0).toInt();
            const qint64 id = q.value(1).toLongLong();
            if (k < from || k >= to || (found[k] && found[k]->id <= id)) continue;
            found[k] = ServerCopy{id, q.value(2).isNull() ? QString() : q.value(2).toString()};
        }
        if (q.lastError().isValid()) server.raise(q.lastError(), sql);
    }
    return found;
}

QList<qint64> BatchSubmission::insertRows(Connection& c, const QString& table,
                                          const QStringList& columns,
                                          const QVector<QVector<QVariant>>& rows, bool returnIds) {
    const QString sql =
        InsertRowsStatement(c.dialect(), table, columns, int(rows.size()), returnIds);
    const QSqlRecord fields = c.tableColumns(table);
    QSqlQuery q = c.query();
    if (!q.prepare(sql)) c.raise(q.lastError(), sql);
    for (const auto& row : rows)
        for (int i = 0; i < columns.size(); ++i)
            q.addBindValue(BindableValue(row[i], fields.field(columns[i]), c.backend()));
    if (!q.exec()) c.raise(q.lastError(), sql);
    QList<qint64> ids;
    if (!returnIds) return ids;
    while (q.next()) ids << q.value(0).toLongLong();
    if (q.lastError().isValid()) c.raise(q.lastError(), sql);
    if (ids.size() != rows.size())
        throw DbError(err::kProviderFailure, QStringLiteral("新题目的编号没有全部返回"));
    std::sort(ids.begin(), ids.end());
    return ids;
}

void BatchSubmission::addBatch(const QVector<QuestionInput>& rows, const QVector<int>& batch,
                               BatchOutcome& out, bool& serverDown) {
    using Status = BatchRowResult::Status;
    QVector<QuestionInput> inputs;
    for (int i : batch) inputs << rows[i];
    QVector<std::optional<ServerCopy>> found;
    try {
        found = FindOnServer(server_, inputs);
    } catch (const DbError& e) {
        for (int i : batch) {
            out.rows[i].status = Status::Failed;
            out.rows[i].reason = QStringLiteral("服务器查重失败：") + e.text();
        }
        serverDown = true;
        return;
    }
    QVector<int> toAdd;
    for (int n = 0; n < batch.size(); ++n) {
        if (found[n]) {
            out.rows[batch[n]].status = Status::Duplicate;
            out.rows[batch[n]].duplicateId2 = found[n]->id2;
            out.rows[batch[n]].duplicateId = found[n]->id;
        } else {
            toAdd << batch[n];
        }
    }
    if (toAdd.isEmpty()) return;

    // The server rows: all in one statement, or one by one when that fails, so a question the
    // server refuses fails alone with its own reason.
    QVector<int> onServer;
    auto addToServer = [&](const QVector<int>& group) {
        QVector<QVector<QVariant>> values;
        for (int i : group) values << QuestionValues(rows[i]);
        const QList<qint64> ids = insertRows(server_, kTimu, WrittenColumns(), values, true);
        for (int n = 0; n < group.size(); ++n) {
            out.rows[group[n]].serverId = ids[n];
            onServer << group[n];
        }
    };
    AllOrOneByOne(toAdd, addToServer, [&](int i, const DbError& e) {
        out.rows[i].status = Status::Failed;
        out.rows[i].reason = QStringLiteral("服务器没有写入：") + e.text();
    });
    if (onServer.isEmpty()) {
        serverDown = true;
        return;
    }

    // The local twins carry the server's id in sid.
    QStringList localColumns = WrittenColumns();
    localColumns << QStringLiteral("sid");
    auto addToLocal = [&](const QVector<int>& group) {
        QVector<QVector<QVariant>> values;
        for (int i : group)
            values << (QuestionValues(rows[i]) << QString::number(out.rows[i].serverId));
        const QList<qint64> ids = insertRows(local_, kTimu, localColumns, values, true);
        for (int n = 0; n < group.size(); ++n) {
            out.rows[group[n]].localId = ids[n];
            out.rows[group[n]].status = Status::Added;
        }
    };
    AllOrOneByOne(onServer, addToLocal, [&](int i, const DbError& e) {
        out.rows[i].status = Status::Failed;
        out.rows[i].reason = QStringLiteral("服务器已添加，本地库没有写入：") + e.text();
    });

    // One log row per question the server holds now.
    try {
        const QDateTime now = rows[onServer.first()].now.isValid() ? rows[onServer.first()].now
                                                                   : QDateTime::currentDateTime();
        QVector<QVector<QVariant>> values;
        for (int i : onServer) {
            const QuestionInput& in = rows[i];
            values << QVector<QVariant>{
                now, StoredText(in.username),
                AddedQuestionLogBody(in.bank, in.qtype, in.question, out.rows[i].serverId)};
        }
        insertRows(server_, QStringLiteral("rizi"),
                   {QStringLiteral("stime"), QStringLiteral("username"), QStringLiteral("body")},
                   values, false);
    } catch (const DbError& e) {
        if (out.logError.isEmpty()) out.logError = e.text();
    }
}

void BatchSubmission::renumber(Connection& c, const QString& bank, const QString& type,
                               const QString& side, BatchOutcome& out) {
    try {
        const QString condition = BankTypeCondition(c.dialect(), bank, type);
        c.beginTransaction();
        try {
            c.execute(NumberRowsStatement(c.dialect(), condition));
            c.commit();
        } catch (const DbError&) {
            c.rollback();
            throw;
        }
    } catch (const DbError& e) {
        out.renumberErrors << side + QStringLiteral("【") + bank + QStringLiteral("】") + type +
                                  QStringLiteral("：") + e.text();
    }
}

BatchOutcome BatchSubmission::run(const QVector<QuestionInput>& input, const Progress& progress) {
    using Status = BatchRowResult::Status;
    BatchOutcome out;
    out.rows.resize(input.size());
    QVector<QuestionInput> rows;
    for (const QuestionInput& in : input) rows << Normalised(in);

    QVector<int> candidates;
    for (int i = 0; i < rows.size(); ++i) {
        const QString refusal = Refusal(rows[i]);
        if (refusal.isEmpty()) {
            candidates << i;
        } else {
            out.rows[i].status = Status::Failed;
            out.rows[i].reason = refusal;
        }
    }
    if (candidates.isEmpty()) return out;

    try {
        local_.open(LocalConnectionString(programFolder_), 0, ado::adUseClient);
        server_.open(ServerConnectionString(endpoint_), kServerTimeoutSeconds, ado::adUseServer);
    } catch (const DbError& e) {
        const QString reason = (local_.isOpen() ? QStringLiteral("服务器连接失败：")
                                                : QStringLiteral("本地库连接失败：")) +
                               e.text();
        for (int i : candidates) {
            out.rows[i].status = Status::Failed;
            out.rows[i].reason = reason;
        }
        return out;
    }

    int done = int(input.size() - candidates.size());
    bool serverDown = false;
    for (int next = 0; next < candidates.size() && !serverDown;) {
        QVector<int> batch;
        QSet<QString> keys;
        while (next < candidates.size() && batch.size() < kBatchRows) {
            const QString key = LooseKey(rows[candidates[next]]);
            if (keys.contains(key)) break;
            keys.insert(key);
            batch << candidates[next++];
        }
        addBatch(rows, batch, out, serverDown);
        done += int(batch.size());
        if (progress && !progress(done, int(input.size())) && next < candidates.size()) {
            out.stopped = true;
            break;
        }
    }

    // Each bank and type that received questions is numbered once, on both databases.
    QStringList groups;
    QHash<QString, std::pair<QString, QString>> groupNames;
    QList<qint64> added;
    for (int i = 0; i < rows.size(); ++i) {
        if (out.rows[i].serverId == 0 && out.rows[i].localId == 0) continue;
        const QString g = GroupKey(rows[i]);
        if (!groupNames.contains(g)) {
            groups << g;
            groupNames.insert(g, {rows[i].bank, rows[i].qtype});
        }
        if (out.rows[i].serverId != 0) added << out.rows[i].serverId;
    }
    for (const QString& g : groups) {
        renumber(server_, groupNames[g].first, groupNames[g].second, QStringLiteral("服务器"), out);
        renumber(local_, groupNames[g].first, groupNames[g].second, QStringLiteral("本地库"), out);
    }

    // The numbers the new questions got on the server.
    QHash<qint64, int> numbers;
    try {
        for (int from = 0; from < added.size(); from += 500) {
            const QString sql = QuestionNumbersQuery(server_.dialect(), added.mid(from, 500));
            QSqlQuery q = server_.query();
            if (!q.exec(sql)) server_.raise(q.lastError(), sql);
            while (q.next()) numbers.insert(q.value(0).toLongLong(), q.value(1).toInt());
        }
    } catch (const DbError&) {
        // The numbers are only shown; the questions are stored either way.
    }
    for (BatchRowResult& r : out.rows) {
        if (r.serverId != 0 && numbers.contains(r.serverId)) r.number = numbers[r.serverId];
        // A repeat of a question added earlier in this run names that one's final number.
        if (r.duplicateId != 0 && numbers.contains(r.duplicateId))
            r.duplicateId2 = QString::number(numbers[r.duplicateId]);
    }
    return out;
}

QString BatchSubmission::SummaryText(const BatchOutcome& out, const QVector<int>& numbers) {
    using Status = BatchRowResult::Status;
    int added = 0, duplicates = 0, failed = 0, notRun = 0;
    QStringList lines;
    for (int i = 0; i < out.rows.size(); ++i) {
        const BatchRowResult& r = out.rows[i];
        const QString name =
            QStringLiteral("第") + QString::number(numbers.value(i)) + QStringLiteral("题：");
        switch (r.status) {
            case Status::Added:
                ++added;
                break;
            case Status::Duplicate:
                ++duplicates;
                break;
            case Status::Failed:
                ++failed;
                lines << name + r.reason;
                break;
            case Status::NotRun:
                ++notRun;
                break;
        }
    }
    QString text =
        (out.stopped ? QStringLiteral("批量导入已停止：") : QStringLiteral("批量导入完成：")) +
        QStringLiteral("添加 %1 道，重复跳过 %2 道，失败 %3 道")
            .arg(added)
            .arg(duplicates)
            .arg(failed);
    if (notRun > 0) text += QStringLiteral("，未提交 %1 道").arg(notRun);
    if (!lines.isEmpty()) text += QStringLiteral("\r\n") + lines.join(QStringLiteral("\r\n"));
    if (!out.logError.isEmpty()) text += QStringLiteral("\r\n日志没有写入：") + out.logError;
    for (const QString& e : out.renumberErrors) text += QStringLiteral("\r\n题号未能重排：") + e;
    return text;
}

}  // namespace qs
