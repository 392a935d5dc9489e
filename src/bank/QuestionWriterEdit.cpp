// One question already added, corrected or deleted: the question window and the browser.

#include <QSet>
#include <QSqlError>
#include <QSqlQuery>

#include "bank/EditorQueries.h"
#include "bank/QuestionQueries.h"
#include "bank/QuestionWriter.h"
#include "bank/StoredRows.h"
#include "db/DbError.h"
#include "db/Recordset.h"

namespace qs {

namespace {

// Ids per statement of a deletion: short texts, few round trips.
constexpr int kIdsPerStatement = 500;

using Values = QVector<std::pair<QString, QVariant>>;

// The written columns of a question with their values, in the column table's order.
Values ColumnValues(const Question& q, const PictureBytes& pictures) {
    const QStringList names = StoredColumnNames();
    const QVector<QVariant> values = StoredValues(q, pictures);
    Values out;
    for (int i = 0; i < names.size(); ++i)
        if (names[i] != u"id2") out.append({names[i], values[i]});
    return out;
}

bool SameValue(const QVariant& a, const QVariant& b) {
    if (a.metaType() == QMetaType::fromType<QByteArray>() ||
        b.metaType() == QMetaType::fromType<QByteArray>())
        return a.isNull() == b.isNull() && a.toByteArray() == b.toByteArray();
    // An empty text and NULL read the same in the window.
    return a.toString() == b.toString();
}

// The groups of the rows a condition selects; returns how many rows it selected.
int ReadGroups(Connection& c, const QString& condition, QSet<QuestionGroup>& groups) {
    const QString sql = GroupsQuery(c.dialect(), condition);
    QSqlQuery q = c.query();
    if (!q.exec(sql)) c.raise(q.lastError(), sql);
    int rows = 0;
    while (q.next()) {
        groups.insert({q.value(0).toString(), q.value(1).toString()});
        ++rows;
    }
    if (q.lastError().isValid()) c.raise(q.lastError(), sql);
    return rows;
}

QStringList Conditions(const QVector<qint64>& ids,
                       const std::function<QString(QVector<qint64>)>& f) {
    QStringList out;
    for (qsizetype start = 0; start < ids.size(); start += kIdsPerStatement)
        out << f(ids.mid(start, kIdsPerStatement));
    return out;
}

// A transaction on the server under the locks of `groups` and of the groups the rows of
// `conditions` are in, read again under the locks (a row another instance moved meanwhile
// takes its new group's lock too: the transaction starts again with it).
std::unique_ptr<WriteTransaction> LockedOn(Connection& server, const QStringList& conditions,
                                           QSet<QuestionGroup>& groups) {
    for (const QString& c : conditions) ReadGroups(server, c, groups);
    for (;;) {
        auto tx = BeginLocked(server, groups);
        QSet<QuestionGroup> now;
        for (const QString& c : conditions) ReadGroups(server, c, now);
        if (groups.contains(now)) return tx;
        groups.unite(now);
    }
}

// Both databases' transactions: the server's, then the local file's, committed in that order.
struct Transactions {
    std::unique_ptr<WriteTransaction> server;
    std::unique_ptr<WriteTransaction> local;
    Side side = Side::Server;
    bool serverCommitted = false;
    bool serverUnknown = false;
    QString unknownText;

    void commit() {
        side = Side::Server;
        try {
            server->commit();
            serverCommitted = true;
        } catch (const CommitUnknown& e) {
            // The local file still gets what the operator asked for.
            serverUnknown = true;
            unknownText = e.text();
        }
        side = Side::Local;
        local->commit();
    }
};

// Runs a save or a deletion: a failure tells what was and was not written.
EditResult Edit(Transactions& tx, const QString& action, const QString& keptOnServer,
                const QString& localAction, const std::function<EditResult()>& work) {
    try {
        return work();
    } catch (const LockNotGranted& e) {
        return {false, e.text(), {}};
    } catch (const WorkFailure& f) {
        return {false, QuestionWriter::unchangedText(f, action), {}};
    } catch (const DbError& e) {
        const WorkFailure f(tx.side, e);
        if (tx.serverCommitted) return {true, keptOnServer + f.message(localAction), {}};
        return {false, QuestionWriter::unchangedText(f, action), {}};
    }
}

QString UnknownText(const QString& what, const QString& error, const QString& local) {
    return QStringLiteral("服务器没有回复，不知道服务器是否已经") + what + QStringLiteral("（") +
           error + QStringLiteral("）；") + local +
           QStringLiteral("。下次操作时会先到服务器上查看。");
}

}  // namespace

QString QuestionWriter::unchangedText(const WorkFailure& failure, const QString& action) {
    return failure.message(action) + QStringLiteral("。服务器和本地库都没有改动。");
}

QString QuestionWriter::confirmDeleteText(const QString& bank, int count) {
    return QStringLiteral("确定要从服务器和本地库删除题库【") + bank + QStringLiteral("】的 ") +
           QString::number(count) + QStringLiteral(" 道题目吗？删除后不能恢复。");
}

std::optional<StoredQuestion> QuestionWriter::load(qint64 id) {
    openBoth();
    Side side = Side::Server;
    try {
        Recordset rs;
        rs.open(QuestionByIdQuery(server_->dialect(), id), *server_, ado::adOpenKeyset,
                ado::adLockReadOnly);
        if (rs.eof()) return std::nullopt;
        StoredQuestion q;
        q.id = id;
        q.id2 = rs.field(QStringLiteral("id2")).toInt();
        q.values = ReadQuestion(rs, &q.pictures);
        rs.close();
        side = Side::Local;
        Recordset twins;
        twins.open(LocalTwinQuery(local_->dialect(), id), *local_, ado::adOpenKeyset,
                   ado::adLockReadOnly);
        q.localRows = twins.recordCount();
        return q;
    } catch (const DbError& e) {
        throw WorkFailure(side, e);
    }
}

EditResult QuestionWriter::save(const StoredQuestion& before, const Question& edited,
                                bool addLocalRow) {
    const Question after = Prepared(edited, nullptr);
    const Values old = ColumnValues(before.values, before.pictures);
    const Values all = ColumnValues(after, PictureFiles(after));
    Values changes;
    for (int i = 0; i < all.size(); ++i)
        if (!SameValue(old[i].second, all[i].second)) changes.append(all[i]);
    const bool addTwin = before.localRows == 0 && addLocalRow;
    if (changes.isEmpty() && !addTwin) return {false, QStringLiteral("没有修改，不需要保存。"), {}};

    const QuestionGroup newGroup{after.bank, after.qtype};
    Transactions tx;
    return Edit(
        tx, saveAction(), QStringLiteral("修改已保存到服务器，但本地库没有保存："),
        QStringLiteral("保存本地库"), [&]() -> EditResult {
            openBoth();
            QSet<QuestionGroup> groups{{before.values.bank, before.values.qtype}, newGroup};
            tx.server = LockedOn(*server_, {IdsCondition({before.id})}, groups);
            const Question& b = before.values;
            if (after.bank != b.bank || after.question != b.question || after.answer != b.answer) {
                Recordset same;
                same.open(
                    DuplicateQuery(server_->dialect(), after.bank, after.question, after.answer),
                    *server_, ado::adOpenKeyset, ado::adLockReadOnly);
                for (; !same.eof(); same.moveNext())
                    if (same.field(QStringLiteral("id")).toLongLong() != before.id)
                        return {false,
                                QStringLiteral("修改后与服务器上已有的题目相同（序号是") +
                                    same.text(QStringLiteral("id2")) +
                                    QStringLiteral("），修改没有保存。"),
                                {}};
            }
            {
                Recordset rs;
                rs.open(QuestionByIdQuery(server_->dialect(), before.id), *server_);
                if (rs.eof())
                    return {false,
                            QStringLiteral("服务器上找不到这道题（id:") +
                                QString::number(before.id) +
                                QStringLiteral("），可能已被删除，修改没有保存。"),
                            {}};
                const QuestionGroup current{rs.text(QStringLiteral("mantype")),
                                            rs.text(QStringLiteral("Qtype"))};
                for (const auto& [column, value] : changes) rs.setField(column, value);
                rs.update();
                if (current != newGroup) {
                    RenumberGroup(*server_, current);
                    RenumberGroup(*server_, newGroup);
                }
            }

            tx.side = Side::Local;
            tx.local = std::make_unique<WriteTransaction>(*local_);
            QSet<QuestionGroup> localGroups;
            int twins = 0;
            {
                Recordset rs;
                rs.open(LocalTwinQuery(local_->dialect(), before.id), *local_);
                for (; !rs.eof(); rs.moveNext(), ++twins) {
                    const QuestionGroup g{rs.text(QStringLiteral("mantype")),
                                          rs.text(QStringLiteral("Qtype"))};
                    if (g != newGroup) localGroups << g << newGroup;
                    for (const auto& [column, value] : changes) rs.setField(column, value);
                    rs.update();
                }
            }
            if (twins == 0 && addLocalRow) {
                QStringList columns;
                QVector<QVariant> values;
                for (const auto& [column, value] : all) {
                    columns << column;
                    values << value;
                }
                columns << QStringLiteral("id2") << QStringLiteral("sid");
                values << 0 << QString::number(before.id);
                InsertRows(*local_, QStringLiteral("timu"), columns, {values}, false);
                localGroups << newGroup;
            }
            for (const QuestionGroup& g : localGroups) RenumberGroup(*local_, g);
            tx.commit();

            EditResult result{true, {}, {}};
            if (tx.serverUnknown) {
                UnknownOutcome u{
                    UnknownOutcome::Kind::Save, context_.endpoint, {before.id}, {}, {}, {}};
                for (const auto& [column, value] : changes) {
                    u.columns << column;
                    u.values << value;
                }
                return {false,
                        UnknownText(QStringLiteral("保存了修改"), tx.unknownText,
                                    twins > 0 || addLocalRow ? QStringLiteral("本地库已保存")
                                                             : QStringLiteral("本地库没有这道题")),
                        u};
            }
            if (twins > 0)
                result.text = QStringLiteral("修改已保存到服务器和本地库。");
            else
                result.text = addLocalRow ? QStringLiteral(
                                                "修改已保存到服务器；本地库原来没有这道题，"
                                                "已添加到本地库。")
                                          : QStringLiteral(
                                                "修改已保存到服务器；本地库没有这道题，"
                                                "本地库没有改动。");
            return result;
        });
}

EditResult QuestionWriter::remove(const QVector<qint64>& ids, const QString& onlyAdder) {
    if (ids.isEmpty()) return {false, QStringLiteral("请先选定要删除的题目。"), {}};
    Transactions tx;
    return Edit(
        tx, deleteAction(), QStringLiteral("服务器上的题目已删除，但本地库没有删除："),
        QStringLiteral("删除本地库题目"), [&]() -> EditResult {
            openBoth();
            const QStringList conditions = Conditions(ids, IdsCondition);
            QSet<QuestionGroup> groups;
            tx.server = LockedOn(*server_, conditions, groups);
            qint64 others = 0;
            int deleted = 0;
            QSet<QuestionGroup> deletedGroups;
            for (const QString& condition : conditions) {
                if (!onlyAdder.isEmpty())
                    others +=
                        server_
                            ->scalar(OthersRowsCountQuery(server_->dialect(), condition, onlyAdder))
                            .toLongLong();
                deleted += ReadGroups(*server_, condition, deletedGroups);
                server_->execute(DeleteWhereStatement(server_->dialect(), condition));
            }
            if (others > 0)
                return {false,
                        QStringLiteral("只能删除自己添加的题目：选定的 ") +
                            QString::number(ids.size()) + QStringLiteral(" 道题目中有 ") +
                            QString::number(others) +
                            QStringLiteral(" 道不是您添加的，没有删除任何题目。"),
                        {}};
            for (const QuestionGroup& g : deletedGroups) RenumberGroup(*server_, g);

            tx.side = Side::Local;
            tx.local = std::make_unique<WriteTransaction>(*local_);
            QSet<QuestionGroup> localGroups;
            int localDeleted = 0;
            for (const QString& condition : Conditions(ids, [&](const QVector<qint64>& part) {
                     return SidsCondition(local_->dialect(), part);
                 })) {
                localDeleted += ReadGroups(*local_, condition, localGroups);
                local_->execute(DeleteWhereStatement(local_->dialect(), condition));
            }
            for (const QuestionGroup& g : localGroups) RenumberGroup(*local_, g);
            tx.commit();
            if (tx.serverUnknown)
                return {false,
                        UnknownText(QStringLiteral("删除了这 ") + QString::number(deleted) +
                                        QStringLiteral(" 道题目"),
                                    tx.unknownText,
                                    QStringLiteral("本地库已删除 ") +
                                        QString::number(localDeleted) + QStringLiteral(" 道")),
                        UnknownOutcome{
                            UnknownOutcome::Kind::Delete, context_.endpoint, ids, {}, {}, {}}};
            return {true,
                    QStringLiteral("已删除 ") + QString::number(deleted) +
                        QStringLiteral(" 道题目（服务器 ") + QString::number(deleted) +
                        QStringLiteral(" 道，本地库 ") + QString::number(localDeleted) +
                        QStringLiteral(" 道），题号已重新排列。"),
                    {}};
        });
}

}  // namespace qs
