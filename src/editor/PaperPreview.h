#pragma once

#include <QAbstractTableModel>
#include <QImage>
#include <QVector>
#include <array>
#include <memory>
#include <optional>

#include "editor/PaperPictures.h"
#include "question/QuestionImport.h"
#include "question/SheetReader.h"

namespace qs {

// The batch import's preview: the questions read from a paper or a sheet, one row each, as the
// operator corrects them. Every edit checks the question again: the paper's flags, the refusal
// of the editor's submit, a repeat of an earlier row, a copy on the server. The type column
// reads the question again as the chosen type and keeps the operator's corrections; the first
// column's tick says whether the row is submitted. The pictures of a paper's questions are the
// slot JPEG files of the question (QuestionPictureFolder), which the picture column shows.
class PaperPreview : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column {
        kNumber,
        kType,
        kQuestion,
        kPictures,
        kOptionA,
        kAnswer = kOptionA + 6,
        kNandu,
        kWhy0,
        kFaults,
        kResult,
        kColumns
    };

    struct Row {
        QuestionReading read;  // the row's source read as a type
        ImportedQuestion q;
        int sheetRow = 0;  // the sheet's row it came from, 0 for a paper's question
        bool ticked = false;
        QString result;
        std::optional<QString> onServer;  // id2 of the server's copy of `lookedUp`
        QString lookedUp;
        QString faults;
        std::shared_ptr<PaperPictures> pictures;          // of its paper, if any
        std::array<QVector<int>, kPictureSlots> written;  // the pictures in each slot's file
        bool pictureNotSaved = false;
        QImage thumbnail;  // of the first slot's picture
    };

    PaperPreview(QString bank, QString adder, QObject* parent = nullptr);

    // The rows of a paper's questions read as `qtype`, or each as its text suggests when `qtype`
    // is empty, their pictures (when `pictures`) written to their slot files; of a sheet's
    // rows. Both only read the model's bank and adder, so they may run off the window's thread
    // (a paper of thousands of questions and hundreds of pictures takes a second or two).
    QVector<Row> readPaper(const QVector<PaperQuestion>& pieces, const QString& qtype,
                           const std::shared_ptr<PaperPictures>& pictures) const;
    QVector<Row> readSheet(const QVector<SheetQuestion>& questions, const QString& qtype) const;
    // Shows rows read: nothing ticked.
    void show(QVector<Row> rows);
    // Every question read again as `qtype` (empty: as its source suggests), corrections kept.
    void readAgainAs(const QString& qtype);

    const ImportedQuestion& at(int row) const { return rows_[row].q; }
    int sheetRow(int row) const { return rows_[row].sheetRow; }
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
    static QString lookupKey(const Question& q);
    void readRowAgainAs(int row, const QString& qtype);
    void check();

    QString bank_;
    QString adder_;
    QVector<Row> rows_;
};

}  // namespace qs
