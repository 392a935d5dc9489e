#include "bank/QuestionWriter.h"

#include "bank/EditorQueries.h"
#include "bank/QuestionQueries.h"
#include "bank/StoredRows.h"
#include "db/DbError.h"
#include "db/Endpoints.h"
#include "db/Recordset.h"

namespace qs {

QuestionWriter::QuestionWriter(WriteContext context)
    : context_(std::move(context)),
      ownKeeper_(std::make_unique<ConnectionKeeper>()),
      keeper_(*ownKeeper_) {}

QuestionWriter::QuestionWriter(WriteContext context, ConnectionKeeper& keeper)
    : context_(std::move(context)), keeper_(keeper) {}

// The keeper settles what a command left open; a writer of its own settles its own.
QuestionWriter::~QuestionWriter() {
    if (ownKeeper_) ownKeeper_->settle();
}

Question QuestionWriter::Prepared(const Question& q, QString* unreadablePicture) {
    Question stored = AsStored(q);
    if (unreadablePicture) *unreadablePicture = UnreadablePicture(stored);
    return stored;
}

void QuestionWriter::openBoth() {
    local_ = &OpenLocalDatabase(keeper_, context_.programFolder);
    server_ = &OpenServerDatabase(keeper_, context_.endpoint);
}

QString QuestionWriter::settle(const UnknownOutcome& u) {
    using Kind = UnknownOutcome::Kind;
    try {
        server_ = &OpenServerDatabase(keeper_, u.endpoint);
        const qint64 present =
            server_->scalar(CountWhere(server_->dialect(), IdsCondition(u.ids))).toLongLong();
        switch (u.kind) {
            case Kind::Add: {
                const QString was = QStringLiteral("上一道题【") + u.question +
                                    QStringLiteral("】提交时服务器没有回复；现在查到服务器");
                if (present == 0) {
                    markWaiting(u.ids);
                    return was + QStringLiteral(
                                     "没有保存这道题（本地库已添加）。可以点“变上道”"
                                     "还原题目文字后重新提交。");
                }
                return was + QStringLiteral("已经保存了这道题，序号是") +
                       server_
                           ->scalar(QStringLiteral("select id2 from ") +
                                    server_->dialect().bracketed(QStringLiteral("timu")) +
                                    QStringLiteral(" where ") + IdsCondition(u.ids))
                           .toString() +
                       QStringLiteral("。");
            }
            case Kind::Save: {
                const QString was = QStringLiteral("上次保存修改时服务器没有回复；现在查到服务器");
                Recordset rs;
                rs.open(QuestionByIdQuery(server_->dialect(), u.ids.value(0)), *server_,
                        ado::adOpenKeyset, ado::adLockReadOnly);
                if (rs.eof())
                    return was + QStringLiteral("上已经没有这道题（id:") +
                           QString::number(u.ids.value(0)) + QStringLiteral("）。");
                bool saved = true;
                for (int i = 0; i < u.columns.size(); ++i) {
                    const QVariant stored = rs.field(u.columns[i]);
                    const QVariant& written = u.values[i];
                    saved = saved && (written.metaType() == QMetaType::fromType<QByteArray>()
                                          ? stored.toByteArray() == written.toByteArray() &&
                                                stored.isNull() == written.isNull()
                                          : stored.toString() == written.toString());
                }
                return was + (saved ? QStringLiteral("已经保存了修改。")
                                    : QStringLiteral("没有保存修改，请再点一次“保存修改”。"));
            }
            case Kind::Delete: {
                const QString was =
                    QStringLiteral("上次删除题目时服务器没有回复；现在查到服务器上");
                if (present == 0)
                    return was + QStringLiteral("的 ") + QString::number(u.ids.size()) +
                           QStringLiteral(" 道题目已经删除。");
                return was + QStringLiteral("还有 ") + QString::number(present) +
                       QStringLiteral(" 道题目没有删除，请重新删除。");
            }
        }
    } catch (const WorkFailure&) {
        // The server still does not answer: the outcome stays unknown, checked next time.
    } catch (const DbError&) {
        // The link broke while reading: the same; the next check opens it anew.
        keeper_.close(ServerConnectionString(u.endpoint));
    }
    return {};
}

void QuestionWriter::markWaiting(const QVector<qint64>& serverIds) {
    try {
        Connection& local = OpenLocalDatabase(keeper_, context_.programFolder);
        local.execute(QStringLiteral("update timu set sid = null where ") +
                      SidsCondition(local.dialect(), serverIds));
    } catch (const WorkFailure&) {
        // The local file cannot be reached: its row keeps the number.
    } catch (const DbError&) {
        // Nor written: the same.
    }
}

QString PendingCheck::settle(ConnectionKeeper& keeper, const QString& programFolder) {
    QStringList found;
    for (auto it = unknown_.begin(); it != unknown_.end();) {
        const QString text =
            QuestionWriter({it->endpoint, programFolder, {}, {}}, keeper).settle(*it);
        if (text.isEmpty()) {
            ++it;
            continue;
        }
        found << text;
        it = unknown_.erase(it);
    }
    return found.join(QStringLiteral("\r\n"));
}

}  // namespace qs
