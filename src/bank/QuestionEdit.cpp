#include "bank/QuestionEdit.h"

#include <QSet>
#include <QSqlError>
#include <QSqlQuery>

#include "bank/EditorQueries.h"
#include "bank/QuestionQueries.h"
#include "db/DbError.h"
#include "db/Endpoints.h"
#include "db/Recordset.h"

namespace qs {

namespace {

// Ids per statement of a deletion: short texts, few round trips.
constexpr int kIdsPerStatement = 500;

using Group = std::pair<QString, QString>;  // bank, type
using Values = QVector<std::pair<QString, QVariant>>;

QVariant pictureValue(const QByteArray& bytes) {
    return bytes.isNull() ? QVariant(QMetaType::fromType<QByteArray>()) : QVariant(bytes);
}

// The columns of a question as the window shows them, in the order the
// submission writes them.
Values columnValues(const QuestionInput& v, const std::array<QByteArray, kPictureSlots>& pictures) {
    Values out;
    for (int slot = 0; slot < kPictureSlots; ++slot)
        out.append({PictureColumn(slot), pictureValue(pictures[size_t(slot)])});
    out.append({QStringLiteral("adder"), StoredText(v.adder)});
    out.append({QStringLiteral("mantype"), StoredText(v.bank)});
    out.append({QStringLiteral("QUESTION"), StoredText(v.question)});
    out.append({QStringLiteral("answer"), StoredText(v.answer)});
    out.append({QStringLiteral("Qtype"),
                v.qtype.isEmpty() ? QVariant(QMetaType::fromType<QString>()) : QVariant(v.qtype)});
    out.append({QStringLiteral("nandu"), StoredText(v.nandu)});
    out.append({QStringLiteral("why0"), StoredText(v.why0)});
    for (int i = 0; i < 6; ++i) out.append({OptionColumn(i), StoredText(v.options[size_t(i)])});
    return out;
}

bool sameValue(const QVariant& a, const QVariant& b) {
    if (a.metaType() == QMetaType::fromType<QByteArray>() ||
        b.metaType() == QMetaType::fromType<QByteArray>())
        return a.isNull() == b.isNull() && a.toByteArray() == b.toByteArray();
    // An empty text and NULL read the same in the window.
    return a.toString() == b.toString();
}

void renumber(Connection& c, const QSet<Group>& groups) {
    for (const Group& g : groups)
        c.execute(
            NumberRowsStatement(c.dialect(), BankTypeCondition(c.dialect(), g.first, g.second)));
}

// The groups of the rows a condition selects; returns how many rows it selected.
int readGroups(Connection& c, const QString& condition, QSet<Group>& groups) {
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

// Both databases in their transactions; rolls back whatever is still open.
struct Transactions {
    Connection& server;
    Connection& local;
    bool serverOpen = false;
    bool localOpen = false;
    bool serverCommitted = false;
    Side side = Side::Server;

    void beginServer() {
        side = Side::Server;
        server.beginTransaction();
        serverOpen = true;
    }
    void beginLocal() {
        side = Side::Local;
        local.beginTransaction();
        localOpen = true;
    }
    void commit() {
        side = Side::Server;
        server.commit();
        serverOpen = false;
        serverCommitted = true;
        side = Side::Local;
        local.commit();
        localOpen = false;
    }
    void rollback() {
        if (localOpen) local.rollback();
        if (serverOpen) server.rollback();
        localOpen = serverOpen = false;
    }
};

}  // namespace

void OpenQuestionDatabases(Connection& server, Connection& local, const QString& endpoint,
                           const QString& programFolder) {
    Side side = Side::Local;
    try {
        local.open(LocalConnectionString(programFolder), 0, ado::adUseClient);
        side = Side::Server;
        server.open(ServerConnectionString(endpoint), kServerTimeoutSeconds, ado::adUseServer);
    } catch (const DbError& e) {
        throw WorkFailure(side, e);
    }
}

QuestionEdit::QuestionEdit(Connection& server, Connection& local)
    : server_(server), local_(local) {}

QString QuestionEdit::unchangedText(const WorkFailure& failure, const QString& action) {
    return failure.message(action) + QStringLiteral("。服务器和本地库都没有改动。");
}

QString QuestionEdit::confirmDeleteText(const QString& bank, int count) {
    return QStringLiteral("确定要从服务器和本地库删除题库【") + bank + QStringLiteral("】的 ") +
           QString::number(count) + QStringLiteral(" 道题目吗？删除后不能恢复。");
}

std::optional<StoredQuestion> QuestionEdit::load(qint64 id) {
    Side side = Side::Server;
    try {
        Recordset rs;
        rs.open(QuestionByIdQuery(server_.dialect(), id), server_, ado::adOpenKeyset,
                ado::adLockReadOnly);
        if (rs.eof()) return std::nullopt;
        StoredQuestion q;
        q.id = id;
        q.id2 = rs.field(QStringLiteral("id2")).toInt();
        QuestionInput& v = q.values;
        v.bank = rs.text(QStringLiteral("mantype"));
        v.question = rs.text(QStringLiteral("QUESTION"));
        v.answer = rs.text(QStringLiteral("answer"));
        v.qtype = rs.text(QStringLiteral("Qtype"));
        v.nandu = rs.text(QStringLiteral("nandu"));
        v.why0 = rs.text(QStringLiteral("why0"));
        v.adder = rs.text(QStringLiteral("adder"));
        for (int i = 0; i < 6; ++i) v.options[size_t(i)] = rs.text(OptionColumn(i));
        for (int slot = 0; slot < kPictureSlots; ++slot) {
            const QVariant bytes = rs.field(PictureColumn(slot));
            if (bytes.isNull()) continue;
            QByteArray b = bytes.toByteArray();
            if (b.isNull()) b = QByteArray("");
            q.pictures[size_t(slot)] = b;
        }
        rs.close();
        side = Side::Local;
        Recordset twins;
        twins.open(LocalTwinQuery(local_.dialect(), id), local_, ado::adOpenKeyset,
                   ado::adLockReadOnly);
        q.localRows = twins.recordCount();
        return q;
    } catch (const DbError& e) {
        throw WorkFailure(side, e);
    }
}

EditResult QuestionEdit::save(const StoredQuestion& before, const QuestionInput& after,
                              bool addLocalRow) {
    std::array<QByteArray, kPictureSlots> pictures;
    for (int slot = 0; slot < kPictureSlots; ++slot)
        pictures[size_t(slot)] = PictureFileBytes(after.picturePaths[size_t(slot)]);
    const Values old = columnValues(before.values, before.pictures);
    const Values all = columnValues(after, pictures);
    Values changes;
    for (int i = 0; i < all.size(); ++i)
        if (!sameValue(old[i].second, all[i].second)) changes.append(all[i]);
    const bool addTwin = before.localRows == 0 && addLocalRow;
    if (changes.isEmpty() && !addTwin) return {false, QStringLiteral("没有修改，不需要保存。")};

    const Group oldGroup{before.values.bank, before.values.qtype};
    const Group newGroup{after.bank, after.qtype};
    Transactions tx{server_, local_};
    try {
        const QuestionInput& b = before.values;
        if (after.bank != b.bank || after.question != b.question || after.answer != b.answer) {
            Recordset same;
            same.open(DuplicateQuery(server_.dialect(), after.bank, after.question, after.answer),
                      server_, ado::adOpenKeyset, ado::adLockReadOnly);
            for (; !same.eof(); same.moveNext())
                if (same.field(QStringLiteral("id")).toLongLong() != before.id)
                    return {false, QStringLiteral("修改后与服务器上已有的题目相同（序号是") +
                                       same.text(QStringLiteral("id2")) +
                                       QStringLiteral("），修改没有保存。")};
        }

        tx.beginServer();
        {
            Recordset rs;
            rs.open(QuestionByIdQuery(server_.dialect(), before.id), server_);
            if (rs.eof()) {
                tx.rollback();
                return {false, QStringLiteral("服务器上找不到这道题（id:") +
                                   QString::number(before.id) +
                                   QStringLiteral("），可能已被删除，修改没有保存。")};
            }
            for (const auto& [column, value] : changes) rs.setField(column, value);
            rs.update();
        }
        if (oldGroup != newGroup) renumber(server_, {oldGroup, newGroup});

        tx.beginLocal();
        QSet<Group> localGroups;
        int twins = 0;
        {
            Recordset rs;
            rs.open(LocalTwinQuery(local_.dialect(), before.id), local_);
            for (; !rs.eof(); rs.moveNext(), ++twins) {
                const Group g{rs.text(QStringLiteral("mantype")), rs.text(QStringLiteral("Qtype"))};
                if (g != newGroup) localGroups << g << newGroup;
                for (const auto& [column, value] : changes) rs.setField(column, value);
                rs.update();
            }
        }
        if (twins == 0 && addLocalRow) {
            Recordset rs;
            rs.openForAppend(LocalTwinQuery(local_.dialect(), before.id), local_);
            rs.addNew();
            for (const auto& [column, value] : all) rs.setField(column, value);
            rs.setField(QStringLiteral("id2"), 0);
            rs.setField(QStringLiteral("sid"), QString::number(before.id));
            rs.update();
            localGroups << newGroup;
        }
        renumber(local_, localGroups);
        tx.commit();

        if (twins > 0) return {true, QStringLiteral("修改已保存到服务器和本地库。")};
        return {true, addLocalRow ? QStringLiteral("修改已保存到服务器；本地库原来没有这道题，"
                                                   "已添加到本地库。")
                                  : QStringLiteral("修改已保存到服务器；本地库没有这道题，"
                                                   "本地库没有改动。")};
    } catch (const DbError& e) {
        tx.rollback();
        const WorkFailure f(tx.side, e);
        if (tx.serverCommitted)
            return {true, QStringLiteral("修改已保存到服务器，但本地库没有保存：") +
                              f.message(QStringLiteral("保存本地库"))};
        return {false, unchangedText(f, saveAction())};
    }
}

EditResult QuestionEdit::remove(const QVector<qint64>& ids, const QString& onlyAdder) {
    if (ids.isEmpty()) return {false, QStringLiteral("请先选定要删除的题目。")};
    Transactions tx{server_, local_};
    try {
        tx.beginServer();
        QSet<Group> groups;
        int deleted = 0;
        qint64 others = 0;
        for (qsizetype start = 0; start < ids.size(); start += kIdsPerStatement) {
            const QString condition = IdsCondition(ids.mid(start, kIdsPerStatement));
            if (!onlyAdder.isEmpty())
                others +=
                    server_.scalar(OthersRowsCountQuery(server_.dialect(), condition, onlyAdder))
                        .toLongLong();
            deleted += readGroups(server_, condition, groups);
            server_.execute(DeleteWhereStatement(server_.dialect(), condition));
        }
        if (others > 0) {
            tx.rollback();
            return {false, QStringLiteral("只能删除自己添加的题目：选定的 ") +
                               QString::number(ids.size()) + QStringLiteral(" 道题目中有 ") +
                               QString::number(others) +
                               QStringLiteral(" 道不是您添加的，没有删除任何题目。")};
        }
        renumber(server_, groups);

        tx.beginLocal();
        QSet<Group> localGroups;
        int localDeleted = 0;
        for (qsizetype start = 0; start < ids.size(); start += kIdsPerStatement) {
            const QString condition =
                SidsCondition(local_.dialect(), ids.mid(start, kIdsPerStatement));
            localDeleted += readGroups(local_, condition, localGroups);
            local_.execute(DeleteWhereStatement(local_.dialect(), condition));
        }
        renumber(local_, localGroups);
        tx.commit();
        return {true, QStringLiteral("已删除 ") + QString::number(deleted) +
                          QStringLiteral(" 道题目（服务器 ") + QString::number(deleted) +
                          QStringLiteral(" 道，本地库 ") + QString::number(localDeleted) +
                          QStringLiteral(" 道），题号已重新排列。")};
    } catch (const DbError& e) {
        tx.rollback();
        const WorkFailure f(tx.side, e);
        if (tx.serverCommitted)
            return {true, QStringLiteral("服务器上的题目已删除，但本地库没有删除：") +
                              f.message(QStringLiteral("删除本地库题目"))};
        return {false, unchangedText(f, deleteAction())};
    }
}

}  // namespace qs
