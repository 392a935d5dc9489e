#include "editor/QuestionTable.h"

#include <QDateTime>

#include "db/DbError.h"

namespace qs {

namespace {

// Pages kept in memory: far more than a screen, far less than a big bank.
constexpr int kKeptPages = 64;

}  // namespace

QuestionTable::QuestionTable(QObject* parent) : QAbstractTableModel(parent) {}

QuestionTable::Listing QuestionTable::Read(Connection& connection, const BrowseFilter& filter) {
    Listing out{filter, {}, {}};
    for (const auto& row : connection.readRows(BrowseIdsQuery(connection.dialect(), filter)).rows)
        out.ids << row.value(0).toLongLong();
    if (!out.ids.isEmpty()) out.firstPage = ReadPage(connection, out.ids.mid(0, kPageRows));
    return out;
}

QuestionTable::Rows QuestionTable::ReadPage(Connection& connection, const QVector<qint64>& ids) {
    Rows rows;
    for (const auto& row : connection.readRows(BrowseRowsQuery(connection.dialect(), ids)).rows)
        rows.insert(row.value(0).toLongLong(), row.mid(1, int(BrowseColumn::Count)));
    return rows;
}

void QuestionTable::clear() {
    beginResetModel();
    ++listing_;
    ids_.clear();
    pages_.clear();
    recent_.clear();
    asked_.clear();
    endResetModel();
}

void QuestionTable::show(Listing listing) {
    beginResetModel();
    ++listing_;
    pages_.clear();
    recent_.clear();
    asked_.clear();
    filter_ = listing.filter;
    ids_ = std::move(listing.ids);
    if (!ids_.isEmpty()) keep(0, std::move(listing.firstPage));
    endResetModel();
}

void QuestionTable::keep(int page, Rows rows) {
    recent_.removeAll(page);
    recent_.append(page);
    while (recent_.size() > kKeptPages) {
        const int dropped = recent_.takeFirst();
        pages_.remove(dropped);
        asked_.remove(dropped);
    }
    pages_.insert(page, std::move(rows));
}

void QuestionTable::setPage(int listing, int page, Rows rows) {
    if (listing != listing_) return;
    keep(page, std::move(rows));
    const int first = page * kPageRows;
    const int last = qMin<int>(first + kPageRows, int(ids_.size())) - 1;
    if (last >= first) emit dataChanged(index(first, 0), index(last, int(BrowseColumn::Count) - 1));
}

bool QuestionTable::reading() const {
    for (int page : asked_)
        if (!pages_.contains(page)) return true;
    return false;
}

QVector<qint64> QuestionTable::ids(const QList<int>& rows) const {
    QVector<qint64> out;
    for (int r : rows)
        if (r >= 0 && r < ids_.size()) out << ids_[r];
    return out;
}

const QVector<QVariant>* QuestionTable::rowValues(int row) const {
    if (row < 0 || row >= ids_.size()) return nullptr;
    const int page = row / kPageRows;
    const auto it = pages_.constFind(page);
    if (it == pages_.constEnd()) {
        if (!asked_.contains(page)) {
            asked_.insert(page);
            // Asked after painting: the window reads it in the background.
            auto* self = const_cast<QuestionTable*>(this);
            QMetaObject::invokeMethod(
                self,
                [self, listing = listing_, page,
                 ids = ids_.mid(qsizetype(page) * kPageRows, kPageRows)] {
                    emit self->pageWanted(listing, page, ids);
                },
                Qt::QueuedConnection);
        }
        return nullptr;
    }
    const auto found = it->constFind(ids_[row]);
    return found == it->constEnd() ? nullptr : &found.value();
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

void QuestionTable::sort(int, Qt::SortOrder) {
    emit sortWanted();
}

}  // namespace qs
