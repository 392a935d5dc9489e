// Adding many questions: the batch import, a hundred questions per transaction.

#include <QHash>
#include <QSet>

#include "bank/EditorQueries.h"
#include "bank/QuestionWriter.h"
#include "bank/StoredRows.h"
#include "db/DbError.h"

namespace qs {

namespace {

using Status = BatchRowResult::Status;

// Adds the group in one statement, or row by row when that fails, so that a row the database
// refuses fails alone (`refused` is told each). A refused statement leaves the transaction
// usable.
void AllOrOneByOne(WriteTransaction& tx, const QVector<int>& group,
                   const std::function<void(const QVector<int>&)>& add,
                   const std::function<void(int, const QString&)>& refused) {
    if (tx.attempt([&] { add(group); }, nullptr)) return;
    for (int i : group) {
        QString error;
        if (!tx.attempt([&] { add({i}); }, &error)) refused(i, error);
    }
}

QSet<QuestionGroup> GroupsOf(const QVector<Question>& rows, const QVector<int>& which) {
    QSet<QuestionGroup> groups;
    for (int i : which) groups.insert({rows[i].bank, rows[i].qtype});
    return groups;
}

}  // namespace

QVector<std::optional<ServerCopy>> QuestionWriter::findOnServer(
    const QVector<Question>& questions) {
    server_ = &OpenServerDatabase(keeper_, context_.endpoint);
    QVector<Question> stored;
    for (const Question& q : questions) stored << AsStored(q);
    try {
        return FindCopies(*server_, stored);
    } catch (const DbError& e) {
        throw WorkFailure(Side::Server, e);
    }
}

QVector<int> QuestionWriter::addBatchToServer(const QVector<Question>& rows,
                                              const QVector<PictureBytes>* pictures,
                                              const QVector<int>& batch, BatchOutcome& out,
                                              bool& serverDown) {
    const QString timu = QStringLiteral("timu");
    auto failAll = [&](const QVector<int>& which, const QString& reason) {
        for (int i : which) {
            out.rows[i] = BatchRowResult{};
            out.rows[i].status = Status::Failed;
            out.rows[i].reason = reason;
        }
        serverDown = true;
        return QVector<int>();
    };

    QVector<int> onServer;
    try {
        // Looked up again once the groups' locks are given, in the same round trip.
        QVector<Question> questions;
        for (int i : batch) questions << rows[i];
        const CopyLookups lookup = LookUpCopies(server_->dialect(), questions);
        QList<ReadRows> looked;
        const auto locked =
            BeginLocked(*server_, GroupsOf(rows, batch), lookup.statements, &looked);
        WriteTransaction& tx = *locked;
        QVector<std::optional<ServerCopy>> found;
        try {
            found = CopiesFound(lookup, looked);
        } catch (const DbError& e) {
            return failAll(batch, QStringLiteral("服务器查重失败：") + e.text());
        }
        QVector<int> toAdd;
        for (int n = 0; n < batch.size(); ++n) {
            if (!found[n]) {
                toAdd << batch[n];
                continue;
            }
            out.rows[batch[n]].status = Status::Duplicate;
            out.rows[batch[n]].duplicateId2 = found[n]->id2;
            out.rows[batch[n]].duplicateId = found[n]->id;
        }
        if (toAdd.isEmpty()) return {};
        AllOrOneByOne(
            tx, toAdd,
            [&](const QVector<int>& group) {
                QVector<QVector<QVariant>> values;
                for (int i : group)
                    values << StoredValues(rows[i],
                                           pictures ? (*pictures)[i] : PictureFiles(rows[i]));
                const QList<qint64> ids =
                    InsertRows(*server_, timu, StoredColumnNames(), values, true);
                for (int n = 0; n < group.size(); ++n) {
                    out.rows[group[n]].serverId = ids[n];
                    onServer << group[n];
                }
            },
            [&](int i, const QString& error) {
                out.rows[i].status = Status::Failed;
                out.rows[i].reason = QStringLiteral("服务器没有写入：") + error;
            });
        if (onServer.isEmpty()) {
            serverDown = true;
            return {};
        }
        QVector<std::pair<const Question*, qint64>> added;
        for (int i : onServer) added.append({&rows[i], out.rows[i].serverId});
        QString logError;
        if (!tx.attempt([&] { WriteLogRows(*server_, context_, added); }, &logError) &&
            out.logError.isEmpty())
            out.logError = logError;
        for (const QuestionGroup& g : GroupsOf(rows, onServer)) RenumberGroup(*server_, g);
        tx.commit();
    } catch (const LockNotGranted& e) {
        return failAll(batch, e.text());
    } catch (const CommitUnknown& e) {
        return failAll(onServer,
                       QStringLiteral("服务器没有回复，不知道服务器是否已经保存这一批题目（") +
                           e.text() + QStringLiteral("），本地库没有写入"));
    } catch (const DbError& e) {
        return failAll(onServer.isEmpty() ? batch : onServer,
                       QStringLiteral("服务器没有写入：") + e.text());
    }
    return onServer;
}

void QuestionWriter::addBatch(const QVector<Question>& rows, const QVector<int>& batch,
                              BatchOutcome& out, bool& serverDown) {
    const QString timu = QStringLiteral("timu");
    const QVector<int> onServer = addBatchToServer(rows, nullptr, batch, out, serverDown);
    if (onServer.isEmpty()) return;

    // The local twins carry the server's id in sid.
    try {
        WriteTransaction tx(*local_);
        QStringList localColumns = StoredColumnNames();
        localColumns << QStringLiteral("sid");
        AllOrOneByOne(
            tx, onServer,
            [&](const QVector<int>& group) {
                QVector<QVector<QVariant>> values;
                for (int i : group)
                    values << (StoredValues(rows[i], PictureFiles(rows[i]))
                               << QString::number(out.rows[i].serverId));
                const QList<qint64> ids = InsertRows(*local_, timu, localColumns, values, true);
                for (int n = 0; n < group.size(); ++n) {
                    out.rows[group[n]].localId = ids[n];
                    out.rows[group[n]].status = Status::Added;
                }
            },
            [&](int i, const QString& error) {
                out.rows[i].status = Status::Failed;
                out.rows[i].reason = QStringLiteral("服务器已添加，本地库没有写入：") + error;
            });
        for (const QuestionGroup& g : GroupsOf(rows, onServer)) RenumberGroup(*local_, g);
        tx.commit();
    } catch (const DbError& e) {
        for (int i : onServer) {
            out.rows[i].status = Status::Failed;
            out.rows[i].localId = 0;
            out.rows[i].reason = QStringLiteral("服务器已添加，本地库没有写入：") + e.text();
        }
    }
}

BatchOutcome QuestionWriter::addMany(const QVector<Question>& input,
                                     const BatchProgress& progress) {
    BatchOutcome out;
    out.rows.resize(input.size());
    QVector<Question> rows;
    for (const Question& q : input) rows << AsStored(q);

    QVector<int> candidates;
    for (int i = 0; i < rows.size(); ++i) {
        if (const Refusal r = RefusalOf(rows[i]); r != Refusal::None) {
            out.rows[i].status = Status::Failed;
            out.rows[i].reason = RefusalText(r);
        } else if (const QString path = UnreadablePicture(rows[i]); !path.isEmpty()) {
            // Stored without it, the question would lose its picture unseen.
            out.rows[i].status = Status::Failed;
            out.rows[i].reason = QStringLiteral("图片文件无法读取：") + path;
        } else {
            candidates << i;
        }
    }
    if (candidates.isEmpty()) return out;

    try {
        openBoth();
    } catch (const WorkFailure& f) {
        const QString reason = (f.side() == Side::Server ? QStringLiteral("服务器连接失败：")
                                                         : QStringLiteral("本地库连接失败：")) +
                               f.error().text();
        for (int i : candidates) {
            out.rows[i].status = Status::Failed;
            out.rows[i].reason = reason;
        }
        return out;
    }

    int done = int(input.size() - candidates.size());
    bool serverDown = false;
    for (int next = 0; next < candidates.size() && !serverDown;) {
        const QVector<int> batch = NextBatch(rows, candidates, next);
        addBatch(rows, batch, out, serverDown);
        done += int(batch.size());
        if (progress && !progress(done, int(input.size())) && next < candidates.size()) {
            out.stopped = true;
            break;
        }
    }

    // The numbers the new questions got on the server.
    QList<qint64> added;
    for (const BatchRowResult& r : out.rows)
        if (r.serverId != 0) added << r.serverId;
    QHash<qint64, int> numbers;
    QStringList lookups;
    for (int from = 0; from < added.size(); from += 500)
        lookups << QuestionNumbersQuery(server_->dialect(), added.mid(from, 500));
    // The numbers are only shown (none where a lookup failed); the questions are stored either
    // way.
    if (!lookups.isEmpty())
        for (const ReadRows& r : server_->readAll(lookups))
            for (const auto& row : r.rows) numbers.insert(row.value(0).toLongLong(), row.value(1).toInt());
    for (BatchRowResult& r : out.rows) {
        if (r.serverId != 0 && numbers.contains(r.serverId)) r.number = numbers[r.serverId];
        // A repeat of a question added earlier in this run names that one's final number.
        if (r.duplicateId != 0 && numbers.contains(r.duplicateId))
            r.duplicateId2 = QString::number(numbers[r.duplicateId]);
    }
    return out;
}

QString QuestionWriter::SummaryText(const BatchOutcome& out, const QVector<int>& numbers) {
    int added = 0, duplicates = 0, failed = 0, notRun = 0;
    QStringList lines;
    for (int i = 0; i < out.rows.size(); ++i) {
        const BatchRowResult& r = out.rows[i];
        switch (r.status) {
            case Status::Added:
                ++added;
                break;
            case Status::Duplicate:
                ++duplicates;
                break;
            case Status::Failed:
                ++failed;
                lines << QStringLiteral("第") + QString::number(numbers.value(i)) +
                             QStringLiteral("题：") + r.reason;
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
    return text;
}

}  // namespace qs
