#include "editor/QuestionTable.h"

#include <QDateTime>
#include <QScopeGuard>
#include <QSqlError>
#include <QSqlQuery>

#include "db/DbError.h"

namespace qs {

namespace {

// Pages kept in memory: far more than a screen, far less than a big bank.
constexpr int kKeptPages = 64;

}  // namespace

QuestionTable::QuestionTable(QObject* parent) : QAbstractTableModel(parent) {}

void QuestionTable::clear() {
    beginResetModel();
    ids_.clear();
    pages_.clear();
    recent_.clear();
    endResetModel();
}

void QuestionTable::list(Connection& connection, const BrowseFilter& filter) {
    clear();
    connection_ = &connection;
    filter_ = filter;
    QVector<qint64> ids;
    const QString sql = BrowseIdsQuery(connection.dialect(), filter);
    QSqlQuery q = connection.query();
    if (!q.exec(sql)) connection.raise(q.lastError(), sql);
    while (q.next()) ids << q.value(0).toLongLong();
    if (q.lastError().isValid()) connection.raise(q.lastError(), sql);
    beginResetModel();
    ids_ = std::move(ids);
    endResetModel();
}

QVector<qint64> QuestionTable::ids(const QList<int>& rows) const {
    QVector<qint64> out;
    for (int r : rows)
        if (r >= 0 && r < ids_.size()) out << ids_[r];
    return out;
}

void QuestionTable::loadPage(int page) const {
    recent_.removeAll(page);
    recent_.append(page);
    while (recent_.size() > kKeptPages) pages_.remove(recent_.takeFirst());
    // Filled apart and stored last: removing pages may move the others.
    QHash<qint64, QVector<QVariant>> rows;
    const auto store = qScopeGuard([&] { pages_.insert(page, std::move(rows)); });
    if (!connection_) return;
    const QVector<qint64> ids = ids_.mid(qsizetype(page) * kPageRows, kPageRows);
    try {
        const QString sql = BrowseRowsQuery(connection_->dialect(), ids);
        QSqlQuery q = connection_->query();
        if (!q.exec(sql)) connection_->raise(q.lastError(), sql);
        while (q.next()) {
            QVector<QVariant> values(int(BrowseColumn::Count));
            for (int i = 0; i < values.size(); ++i) values[i] = q.value(i + 1);
            rows.insert(q.value(0).toLongLong(), values);
        }
        if (q.lastError().isValid()) connection_->raise(q.lastError(), sql);
    } catch (const DbError& e) {
        // Painting goes on with empty rows; the window says why after it.
        auto* self = const_cast<QuestionTable*>(this);
        QMetaObject::invokeMethod(
            self, [self, text = e.text()] { emit self->failed(text); }, Qt::QueuedConnection);
    }
}

const QVector<QVariant>* QuestionTable::rowValues(int row) const {
    if (row < 0 || row >= ids_.size()) return nullptr;
    const int page = row / kPageRows;
    if (!pages_.contains(page)) loadPage(page);
    const auto& rows = pages_[page];
    const auto it = rows.constFind(ids_[row]);
    return it == rows.constEnd() ? nullptr : &it.value();
}

QString QuestionTable::text(int row, BrowseColumn column) const {
    const QVector<QVariant>* values = rowValues(row);
    if (!values) return {};
    const QVariant& v = values->at(int(column));
    switch (column) {
        case BrowseColumn::Time: {
            const QDateTime t = v.toDateTime();
            return t.isValid() ? t.toString(QStringLiteral("yyyy-MM-dd HH:mm")) : v.toString();
        }
        case BrowseColumn::Pictures:
            return v.toInt() != 0 ? QStringLiteral("图") : QString();
        case BrowseColumn::Question:
            return v.toString()
                .replace(QLatin1Char('\r'), QLatin1Char(' '))
                .replace(QLatin1Char('\n'), QLatin1Char(' '));
        default:
            return v.toString();
    }
}

int QuestionTable::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(ids_.size());
}

int QuestionTable::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(BrowseColumn::Count);
}

QVariant QuestionTable::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || role != Qt::DisplayRole) return {};
    return text(index.row(), BrowseColumn(index.column()));
}

QVariant QuestionTable::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole) return {};
    if (orientation == Qt::Vertical) return section + 1;
    static const QString titles[] = {QStringLiteral("序号"), QStringLiteral("题型"),
                                     QStringLiteral("题目"), QStringLiteral("答案"),
                                     QStringLiteral("难度"), QStringLiteral("创建人"),
                                     QStringLiteral("时间"), QStringLiteral("图片")};
    return section >= 0 && section < int(BrowseColumn::Count) ? titles[section] : QVariant();
}

void QuestionTable::sort(int column, Qt::SortOrder order) {
    if (column < 0 || column >= int(BrowseColumn::Count)) return;
    BrowseFilter f = filter_;
    f.sortBy = BrowseColumn(column);
    f.descending = order == Qt::DescendingOrder;
    if (!connection_) {
        filter_ = f;
        return;
    }
    try {
        list(*connection_, f);
    } catch (const DbError& e) {
        emit failed(e.text());
    }
}

}  // namespace qs
