#pragma once

#include <QAbstractTableModel>
#include <QVector>
#include <optional>

#include "question/QuestionImport.h"

namespace qs {

// The batch import's preview: the questions read from a paper, one row each, as the operator
// corrects them. Every edit checks the question again: the paper's flags, the refusal of the
// editor's submit, a repeat of an earlier row, a copy on the server. The type column reads the
// question again as the chosen type and keeps the operator's corrections; the first column's
// tick says whether the row is submitted.
class PaperPreview : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column {
        kNumber,
        kType,
        kQuestion,
        kOptionA,
        kAnswer = kOptionA + 6,
        kNandu,
        kWhy0,
        kFaults,
        kResult,
        kColumns
    };

    PaperPreview(QString bank, QString adder, QObject* parent = nullptr);

    // Reads the questions of a paper as `qtype`, or each as its text suggests when `qtype` is
    // empty. Nothing is ticked.
    void read(const QVector<PaperQuestion>& pieces, const QString& qtype);
    // Every question read again as `qtype` (empty: as its text suggests), corrections kept.
    void readAgainAs(const QString& qtype);

    const ImportedQuestion& at(int row) const { return rows_[row].q; }
    QVector<Question> questions() const;
    // What the server holds of each row's question (its id2), as looked up now.
    void setOnServer(const QVector<std::optional<QString>>& id2);
    // Ticks the rows nothing is wrong with and unticks the others.
    void tickClean();
    bool ticked(int row) const { return rows_[row].ticked; }
    void setTicked(int row, bool ticked);
    void setResult(int row, const QString& result);
    // What is wrong with a row, "；" between.
    const QString& faults(int row) const { return rows_[row].faults; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    struct Row {
        PaperQuestion piece;
        ImportedQuestion q;
        bool ticked = false;
        QString result;
        std::optional<QString> onServer;  // id2 of the server's copy of `lookedUp`
        QString lookedUp;
        QString faults;
    };
    static QString lookupKey(const Question& q);
    void check();

    QString bank_;
    QString adder_;
    QVector<Row> rows_;
};

}  // namespace qs
