// Questions that wait in the local file (added there while the server could not be written):
// sent to the server as the batch import sends questions.

#include "bank/EditorQueries.h"
#include "bank/QuestionQueries.h"
#include "bank/QuestionWriter.h"
#include "bank/StoredRows.h"
#include "db/DbError.h"
#include "db/Recordset.h"

namespace qs {

namespace {

using Status = BatchRowResult::Status;

QString Named(const Question& q) {
    return QStringLiteral("【") + q.question + QStringLiteral("】");
}

}  // namespace

int QuestionWriter::waitingCount() {
    Connection& local = OpenLocalDatabase(keeper_, context_.programFolder);
    try {
        return int(local.scalar(CountWhere(local.dialect(), WaitingCondition())).toLongLong());
    } catch (const DbError& e) {
        throw WorkFailure(Side::Local, e);
    }
}

UploadOutcome QuestionWriter::uploadWaiting(const Progress& progress) {
    UploadOutcome out;
    local_ = &OpenLocalDatabase(keeper_, context_.programFolder);
    QVector<qint64> ids;
    try {
        for (const auto& row : local_->readRows(QStringLiteral("select id from timu where ") +
                                                 WaitingCondition() + QStringLiteral(" order by id"))
                                   .rows)
            ids << row.value(0).toLongLong();
    } catch (const DbError& e) {
        throw WorkFailure(Side::Local, e);
    }
    out.waiting = int(ids.size());
    if (ids.isEmpty()) return out;
    server_ = &OpenServerDatabase(keeper_, context_.endpoint);
    bool serverDown = false;
    for (qsizetype from = 0; from < ids.size() && !serverDown; from += kBatchRows) {
        uploadBatch(ids.mid(from, kBatchRows), out, serverDown);
        if (progress)
            progress(QStringLiteral("上传本地题目 %1/%2")
                         .arg(qMin<qsizetype>(from + kBatchRows, ids.size()))
                         .arg(ids.size()));
    }
    out.notRun = out.waiting - out.sent - int(out.found.size() + out.failed.size());
    return out;
}

void QuestionWriter::uploadBatch(const QVector<qint64>& ids, UploadOutcome& out, bool& serverDown) {
    QVector<qint64> localIds;
    QVector<Question> rows;
    QVector<PictureBytes> pictures;
    try {
        Recordset rs;
        rs.open(QStringLiteral("select * from timu where ") + IdsCondition(ids) +
                    QStringLiteral(" order by id"),
                *local_, ado::adOpenKeyset, ado::adLockReadOnly);
        for (; !rs.eof(); rs.moveNext()) {
            localIds << rs.field(QStringLiteral("id")).toLongLong();
            pictures.append(PictureBytes{});
            rows << ReadQuestion(rs, &pictures.last());
        }
    } catch (const DbError& e) {
        throw WorkFailure(Side::Local, e);
    }
    BatchOutcome sent;
    sent.rows.resize(rows.size());
    QVector<int> candidates;
    for (int i = 0; i < rows.size(); ++i) {
        if (const Refusal r = RefusalOf(rows[i]); r != Refusal::None)
            out.failed << Named(rows[i]) + RefusalText(r);
        else
            candidates << i;
    }
    for (int next = 0; next < candidates.size() && !serverDown;) {
        const QVector<int> batch = NextBatch(rows, candidates, next);
        addBatchToServer(rows, &pictures, batch, sent, serverDown);
        // Each row sent names its server row now: the one added, or the copy found there.
        QList<Statement> named;
        QVector<int> which;
        for (int i : batch) {
            const BatchRowResult& r = sent.rows[i];
            const qint64 serverId = r.status == Status::Duplicate ? r.duplicateId : r.serverId;
            if (serverId == 0) continue;
            named << Statement{QStringLiteral("update timu set sid = ? where id = ") +
                                   QString::number(localIds[i]),
                               {QString::number(serverId)}};
            which << i;
        }
        QString localError;
        try {
            WriteTransaction tx(*local_);
            for (const ReadRows& r : local_->runInOrder(named))
                if (r.error) throw *r.error;
            tx.commit();
        } catch (const DbError& e) {
            localError = e.text();
        }
        for (int i : batch) {
            const BatchRowResult& r = sent.rows[i];
            if (r.status == Status::Failed)
                out.failed << Named(rows[i]) + r.reason;
            else if (!localError.isEmpty() && which.contains(i))
                out.failed << Named(rows[i]) + QStringLiteral("已送到服务器，本地库没有记下：") +
                                  localError;
            else if (r.status == Status::Duplicate)
                out.found << Named(rows[i]) + QStringLiteral("服务器已有，没有重复添加");
            else if (r.serverId != 0)
                ++out.sent;
        }
    }
    if (out.logError.isEmpty()) out.logError = sent.logError;
}

QString QuestionWriter::UploadText(const UploadOutcome& out) {
    if (out.waiting == 0) return QStringLiteral("本地库没有等待上传的题目。");
    QString text = (out.notRun > 0 ? QStringLiteral("上传本地题目已停止：")
                                   : QStringLiteral("上传本地题目完成：")) +
                   QStringLiteral("上传 %1 道，服务器已有 %2 道，失败 %3 道")
                       .arg(out.sent)
                       .arg(out.found.size())
                       .arg(out.failed.size());
    if (out.notRun > 0) text += QStringLiteral("，未上传 %1 道").arg(out.notRun);
    for (const QStringList* lines : {&out.found, &out.failed})
        if (!lines->isEmpty()) text += QStringLiteral("\r\n") + lines->join(QStringLiteral("\r\n"));
    if (!out.logError.isEmpty()) text += QStringLiteral("\r\n日志没有写入：") + out.logError;
    return text;
}

}  // namespace qs
