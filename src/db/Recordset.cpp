#include "db/Recordset.h"

#include <QDateTime>
#include <QHash>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>

#include "db/DbError.h"

namespace qs {

namespace {

// Rows fetched per round trip while walking a keyed recordset: small enough
// that a chunk of questions with pictures stays a few megabytes.
constexpr int kChunkRows = 40;

QStringList keyColumnsFor(const QString& table) {
    // Not rizi: a log table may have no identity, and its rows are only appended.
    if (table == u"timu" || table == u"alltype") return {QStringLiteral("id")};
    if (table == u"users") return {QStringLiteral("username")};
    if (table == u"buylist") return {QStringLiteral("mantype"), QStringLiteral("username")};
    return {};
}

QString serialise(const QVector<QVariant>& key) {
    QString s;
    for (const QVariant& v : key) {
        if (v.isNull())
            s += QStringLiteral("\x01N");
        else
            s += QStringLiteral("\x01V") + v.toString();
    }
    return s;
}

DbError closedError() {
    return DbError(err::kClosedObject, QStringLiteral("对象关闭时，不允许操作。"));
}

}  // namespace

Recordset::~Recordset() {
    close();
}

void Recordset::close() {
    open_ = false;
    conn_ = nullptr;
    loaded_ = false;
    keyed_ = false;
    keys_.clear();
    rows_.clear();
    keyPos_ = 0;
    chunkStart_ = 0;
    adding_ = false;
    pending_.clear();
    pendingSet_.clear();
    table_.clear();
    tableSql_.clear();
    tail_.clear();
    keyColumns_.clear();
    columns_ = QSqlRecord();
}

void Recordset::requireOpen() const {
    if (!open_) throw closedError();
}

void Recordset::open(const QString& sql, Connection& connection, int, int) {
    close();
    if (!connection.isOpen())
        throw DbError(err::kConnectionUnusable,
                      QStringLiteral("连接无法用于执行此操作。在此上下文中它可能已被关闭或无效。"));
    conn_ = &connection;
    sql_ = sql;
    static const QRegularExpression re(
        QStringLiteral("^\\s*select\\s+\\*\\s+from\\s+(\\[?)([A-Za-z_][A-Za-z0-9_]*)\\]?(.*)$"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    const auto m = re.match(sql);
    if (m.hasMatch()) {
        const QString name = m.captured(2);
        table_ = name.toLower();
        tableSql_ = m.captured(1).isEmpty() ? name : connection.dialect().bracketed(name);
        tail_ = m.captured(3);
        keyColumns_ = keyColumnsFor(table_);
    }
    keyed_ = !keyColumns_.isEmpty();
    open_ = true;
    try {
        if (keyed_) {
            columns_ = connection.tableColumns(table_);
            const QString keySql = QStringLiteral("select ") +
                                   keyColumns_.join(QStringLiteral(", ")) +
                                   QStringLiteral(" from ") + tableSql_ + tail_;
            QSqlQuery q = connection.query();
            if (!q.exec(keySql)) connection.raise(q.lastError(), keySql);
            const int n = keyColumns_.size();
            while (q.next()) {
                QVector<QVariant> key(n);
                for (int i = 0; i < n; ++i) key[i] = q.value(i);
                keys_.push_back(std::move(key));
            }
            if (q.lastError().isValid()) connection.raise(q.lastError(), keySql);
        } else {
            const QString text =
                table_.isEmpty() ? sql : QStringLiteral("select * from ") + tableSql_ + tail_;
            QSqlQuery q = connection.query();
            if (!q.exec(text)) connection.raise(q.lastError(), text);
            columns_ = q.record();
            while (q.next()) {
                Row r;
                r.values.resize(columns_.count());
                for (int i = 0; i < columns_.count(); ++i) r.values[i] = q.value(i);
                rows_.push_back(std::move(r));
            }
            if (q.lastError().isValid()) connection.raise(q.lastError(), text);
        }
        loaded_ = true;
    } catch (...) {
        close();
        throw;
    }
}

void Recordset::openForAppend(const QString& sql, Connection& connection) {
    close();
    if (!connection.isOpen())
        throw DbError(err::kConnectionUnusable,
                      QStringLiteral("连接无法用于执行此操作。在此上下文中它可能已被关闭或无效。"));
    static const QRegularExpression re(
        QStringLiteral("^\\s*select\\s+\\*\\s+from\\s+(\\[?)([A-Za-z_][A-Za-z0-9_]*)"),
        QRegularExpression::CaseInsensitiveOption);
    const auto m = re.match(sql);
    if (!m.hasMatch())
        throw DbError(err::kProviderFailure, QStringLiteral("无法识别的查询：") + sql);
    conn_ = &connection;
    sql_ = sql;
    table_ = m.captured(2).toLower();
    tableSql_ =
        m.captured(1).isEmpty() ? m.captured(2) : connection.dialect().bracketed(m.captured(2));
    keyColumns_ = keyColumnsFor(table_);
    keyed_ = !keyColumns_.isEmpty();
    open_ = true;
    try {
        columns_ = connection.tableColumns(table_);
    } catch (...) {
        close();
        throw;
    }
    loaded_ = true;
}

bool Recordset::eof() const {
    requireOpen();
    const int size = keyed_ ? keys_.size() : int(rows_.size());
    return keyPos_ >= size;
}

void Recordset::moveNext() {
    requireOpen();
    if (adding_) {
        adding_ = false;
        pending_.clear();
    }
    pending_.clear();
    pendingSet_.clear();
    const int size = keyed_ ? keys_.size() : int(rows_.size());
    if (keyPos_ >= size)
        throw DbError(err::kBofEof,
                      QStringLiteral("BOF 或 EOF 中有一个是“真”，或者当前的记录已被删除。"));
    ++keyPos_;
}

int Recordset::recordCount() const {
    requireOpen();
    return keyed_ ? keys_.size() : int(rows_.size());
}

QStringList Recordset::columnNames() const {
    QStringList names;
    for (int i = 0; i < columns_.count(); ++i) names << columns_.fieldName(i);
    return names;
}

int Recordset::columnIndex(const QString& name) const {
    for (int i = 0; i < columns_.count(); ++i)
        if (columns_.fieldName(i).compare(name, Qt::CaseInsensitive) == 0) return i;
    throw DbError(err::kItemNotFound,
                  QStringLiteral("在对应所需名称或序数的集合中，未找到项目：") + name);
}

void Recordset::loadChunk() const {
    rows_.clear();
    chunkStart_ = keyPos_;
    const int end = qMin(int(keys_.size()), keyPos_ + kChunkRows);
    const SqlDialect& d = conn_->dialect();
    QStringList conditions;
    QStringList idList;
    const bool numericId = keyColumns_.size() == 1 && keyColumns_[0] == u"id";
    for (int i = chunkStart_; i < end; ++i) {
        if (numericId && !keys_[i][0].isNull())
            idList << QString::number(keys_[i][0].toLongLong());
        else
            conditions << keyCondition(keys_[i]);
    }
    conditions.removeDuplicates();
    if (!idList.isEmpty())
        conditions.prepend(QStringLiteral("id in (") + idList.join(u',') + QLatin1Char(')'));
    const QString sql = QStringLiteral("select * from ") + tableSql_ + QStringLiteral(" where ") +
                        conditions.join(QStringLiteral(" or "));
    QSqlQuery q = conn_->query();
    if (!q.exec(sql)) conn_->raise(q.lastError(), sql);
    const QSqlRecord rec = q.record();
    QVector<int> map(rec.count());
    for (int i = 0; i < rec.count(); ++i) map[i] = columnIndex(rec.fieldName(i));
    QVector<int> keyIdx;
    for (const QString& k : keyColumns_) keyIdx << columnIndex(k);
    QHash<QString, std::deque<QVector<QVariant>>> found;
    while (q.next()) {
        QVector<QVariant> values(columns_.count());
        for (int i = 0; i < rec.count(); ++i) values[map[i]] = q.value(i);
        QVector<QVariant> key;
        for (int k : keyIdx) key << values[k];
        found[serialise(key)].push_back(std::move(values));
    }
    if (q.lastError().isValid()) conn_->raise(q.lastError(), sql);
    Q_UNUSED(d);
    for (int i = chunkStart_; i < end; ++i) {
        Row r;
        auto it = found.find(serialise(keys_[i]));
        if (it != found.end() && !it->empty()) {
            r.values = std::move(it->front());
            it->pop_front();
        } else {
            // Deleted by someone else since the keys were read.
            r.values.resize(columns_.count());
            r.deleted = true;
        }
        rows_.push_back(std::move(r));
    }
}

QString Recordset::keyCondition(const QVector<QVariant>& key) const {
    const SqlDialect& d = conn_->dialect();
    QStringList parts;
    for (int i = 0; i < keyColumns_.size(); ++i) {
        const QVariant& v = key[i];
        if (v.isNull())
            parts << keyColumns_[i] + QStringLiteral(" is null");
        else if (keyColumns_[i] == u"id")
            parts << QStringLiteral("id = ") + QString::number(v.toLongLong());
        else
            parts << keyColumns_[i] + QStringLiteral(" = ") + d.literal(v.toString());
    }
    return QLatin1Char('(') + parts.join(QStringLiteral(" and ")) + QLatin1Char(')');
}

void Recordset::requireRow() const {
    requireOpen();
    if (adding_) return;
    if (eof())
        throw DbError(err::kBofEof,
                      QStringLiteral("BOF 或 EOF 中有一个是“真”，或者当前的记录已被删除。"));
    if (keyed_ && (keyPos_ < chunkStart_ || keyPos_ >= chunkStart_ + int(rows_.size())))
        loadChunk();
    const Row& r = keyed_ ? rows_[keyPos_ - chunkStart_] : rows_[keyPos_];
    if (r.deleted) throw DbError(err::kBofEof, QStringLiteral("当前的记录已被删除。"));
}

QVariant Recordset::field(const QString& name) const {
    requireRow();
    const int i = columnIndex(name);
    if (adding_) return pendingSet_.value(i) ? pending_[i] : QVariant();
    if (!pendingSet_.isEmpty() && pendingSet_[i]) return pending_[i];
    const Row& r = keyed_ ? rows_[keyPos_ - chunkStart_] : rows_[keyPos_];
    return r.values[i];
}

QString Recordset::text(const QString& name) const {
    const QVariant v = field(name);
    if (v.isNull()) return {};
    if (v.metaType().id() == QMetaType::QDateTime)
        return v.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    return v.toString();
}

bool Recordset::isNull(const QString& name) const {
    return field(name).isNull();
}

void Recordset::setField(const QString& name, const QVariant& value) {
    requireRow();
    const int i = columnIndex(name);
    if (pending_.size() != columns_.count()) {
        pending_ = QVector<QVariant>(columns_.count());
        pendingSet_ = QVector<bool>(columns_.count(), false);
    }
    pending_[i] = value;
    pendingSet_[i] = true;
}

void Recordset::addNew() {
    requireOpen();
    if (table_.isEmpty())
        throw DbError(err::kProviderFailure, QStringLiteral("此查询不能添加记录：") + sql_);
    adding_ = true;
    pending_ = QVector<QVariant>(columns_.count());
    pendingSet_ = QVector<bool>(columns_.count(), false);
}

void Recordset::update() {
    requireOpen();
    if (adding_) {
        insertPending();
        return;
    }
    if (pendingSet_.isEmpty() || !pendingSet_.contains(true)) return;
    requireRow();
    updateCurrent();
}

void Recordset::insertPending() {
    const Backend backend = conn_->backend();
    QStringList cols;
    QVector<int> idx;
    for (int i = 0; i < columns_.count(); ++i) {
        if (!pendingSet_[i]) continue;
        cols << columns_.fieldName(i);
        idx << i;
    }
    const bool hasId = keyColumns_ == QStringList{QStringLiteral("id")};
    const QString sql = conn_->dialect().insertRow(tableSql_, cols, hasId);
    QSqlQuery q = conn_->query();
    if (!q.prepare(sql)) conn_->raise(q.lastError(), sql);
    for (int k = 0; k < idx.size(); ++k)
        q.addBindValue(BindableValue(pending_[idx[k]], columns_.field(idx[k]), backend));
    if (!q.exec()) conn_->raise(q.lastError(), sql);
    QVector<QVariant> values(columns_.count());
    for (int i : idx) values[i] = pending_[i];
    if (hasId) {
        // SQL Server reports the insert's row count (and any trigger's) before
        // the identity's row.
        while (!q.isSelect() && q.nextResult()) {
        }
        QVariant id;
        if (q.next()) id = q.value(0);
        if (q.lastError().isValid()) conn_->raise(q.lastError(), sql);
        values[columnIndex(QStringLiteral("id"))] = id.isNull() ? QVariant() : id.toLongLong();
    }
    adding_ = false;
    pending_.clear();
    pendingSet_.clear();
    // The new row becomes the current row.
    Row r;
    r.values = values;
    if (keyed_) {
        QVector<QVariant> key;
        for (const QString& k : keyColumns_) key << values[columnIndex(k)];
        keys_.push_back(key);
        keyPos_ = keys_.size() - 1;
        rows_.clear();
        chunkStart_ = keyPos_;
        rows_.push_back(std::move(r));
    } else {
        rows_.push_back(std::move(r));
        keyPos_ = int(rows_.size()) - 1;
    }
}

void Recordset::updateCurrent() {
    if (!keyed_)
        throw DbError(err::kProviderFailure, QStringLiteral("此查询的记录不能更新：") + sql_);
    const Backend backend = conn_->backend();
    Row& row = rows_[keyPos_ - chunkStart_];
    QStringList sets;
    QVector<int> idx;
    for (int i = 0; i < columns_.count(); ++i) {
        if (!pendingSet_[i]) continue;
        sets << columns_.fieldName(i) + QStringLiteral(" = ?");
        idx << i;
    }
    const QString sql = QStringLiteral("update ") + tableSql_ + QStringLiteral(" set ") +
                        sets.join(QStringLiteral(", ")) + QStringLiteral(" where ") +
                        keyCondition(keys_[keyPos_]);
    QSqlQuery q = conn_->query();
    if (!q.prepare(sql)) conn_->raise(q.lastError(), sql);
    for (int i : idx) q.addBindValue(BindableValue(pending_[i], columns_.field(i), backend));
    if (!q.exec()) conn_->raise(q.lastError(), sql);
    for (int i : idx) row.values[i] = pending_[i];
    QVector<QVariant> key;
    for (const QString& k : keyColumns_) key << row.values[columnIndex(k)];
    keys_[keyPos_] = key;
    pending_.clear();
    pendingSet_.clear();
}

void Recordset::deleteCurrent() {
    requireRow();
    if (!keyed_)
        throw DbError(err::kProviderFailure, QStringLiteral("此查询的记录不能删除：") + sql_);
    const QString sql = QStringLiteral("delete from ") + tableSql_ + QStringLiteral(" where ") +
                        keyCondition(keys_[keyPos_]);
    QSqlQuery q = conn_->query();
    if (!q.exec(sql)) conn_->raise(q.lastError(), sql);
    rows_[keyPos_ - chunkStart_].deleted = true;
    pending_.clear();
    pendingSet_.clear();
}

}  // namespace qs
