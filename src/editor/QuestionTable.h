#pragma once

#include <QAbstractTableModel>
#include <QHash>
#include <QList>
#include <QVector>

#include "db/Connection.h"
#include "bank/QuestionQueries.h"

namespace qs {

// The question browser's table: the ids of the listed questions are read at
// once (they give the count and the order), the shown columns a page at a
// time as rows come into view, so a large bank shows its first screen at
// once and scrolls anywhere. The connection stays open while the table is
// shown. A page that cannot be read shows empty and reports `failed`.
class QuestionTable : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int kPageRows = 100;

    explicit QuestionTable(QObject* parent = nullptr);

    // Lists the questions of `filter` on `connection`. Throws DbError (the
    // table is then empty).
    void list(Connection& connection, const BrowseFilter& filter);
    void clear();
    const BrowseFilter& filter() const { return filter_; }

    qint64 idAt(int row) const { return ids_.value(row); }
    QVector<qint64> ids(const QList<int>& rows) const;
    // A shown column of a row as text (reads its page if needed).
    QString text(int row, BrowseColumn column) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    // Lists again in the order of a column.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

signals:
    void failed(const QString& text);

private:
    const QVector<QVariant>* rowValues(int row) const;
    void loadPage(int page) const;

    Connection* connection_ = nullptr;
    BrowseFilter filter_;
    QVector<qint64> ids_;
    // Pages read, the most recent last; a bounded number is kept.
    mutable QHash<int, QHash<qint64, QVector<QVariant>>> pages_;
    mutable QList<int> recent_;
};

}  // namespace qs
