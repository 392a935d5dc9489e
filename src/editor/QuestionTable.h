#pragma once

#include <QAbstractTableModel>
#include <QHash>
#include <QList>
#include <QSet>
#include <QVector>

#include "bank/QuestionQueries.h"
#include "db/Connection.h"

namespace qs {

// The question browser's table: the ids of the listed questions are read at
// once (they give the count and the order) with the first page of the shown
// columns, the other pages as rows come into view, so a large bank shows its
// first screen at once and scrolls anywhere. The table reads nothing itself:
// it asks for a page (pageWanted) and shows it when it is given (setPage); a
// row shows empty meanwhile.
class QuestionTable : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int kPageRows = 100;
    // The shown columns of rows, by id.
    using Rows = QHash<qint64, QVector<QVariant>>;
    // What one listing read.
    struct Listing {
        BrowseFilter filter;
        QVector<qint64> ids;
        Rows firstPage;
    };
    // The reads, on the connection's thread. Throw DbError.
    static Listing Read(Connection& connection, const BrowseFilter& filter);
    static Rows ReadPage(Connection& connection, const QVector<qint64>& ids);

    explicit QuestionTable(QObject* parent = nullptr);

    void show(Listing listing);
    void clear();
    const BrowseFilter& filter() const { return filter_; }
    // The listing a page was asked for (a page of an older one is not shown).
    int listing() const { return listing_; }
    // A page read for pageWanted; rows that could not be read stay empty.
    void setPage(int listing, int page, Rows rows);

    qint64 idAt(int row) const { return ids_.value(row); }
    QVector<qint64> ids(const QList<int>& rows) const;
    // True while a page asked for has not come.
    bool reading() const;
    // A shown column of a row as text (empty until its page is read).
    QString text(int row, BrowseColumn column) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    // Asks for the listing again in the order the view's header now shows.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

signals:
    void pageWanted(int listing, int page, const QVector<qint64>& ids);
    void sortWanted();

private:
    const QVector<QVariant>* rowValues(int row) const;
    void keep(int page, Rows rows);

    BrowseFilter filter_;
    int listing_ = 0;
    QVector<qint64> ids_;
    // Pages read, the most recent last; a bounded number is kept.
    QHash<int, Rows> pages_;
    QList<int> recent_;
    mutable QSet<int> asked_;
};

}  // namespace qs
