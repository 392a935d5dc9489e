#pragma once

#include <QString>
#include <QVector>
#include <QWidget>
#include <memory>
#include <optional>

#include "question/QuestionImport.h"
#include "platform/Platform.h"

class QComboBox;

namespace Ui {
class BatchImport;
}

namespace qs {

// What the editor hands the batch import: where to write and in whose name.
struct BatchImportTarget {
    QString endpoint;
    QString programFolder;
    QString bank;
    QString adder;
    QString username;
};

// "批量导入": a whole paper pasted or read from a .txt file is cut into questions, each read by
// the editor's paste parser, shown in a table with what is wrong with it, corrected there, and
// the ticked ones added to both databases with "提交全部".
class BatchImport : public QWidget {
    Q_OBJECT
public:
    // Columns of the preview table.
    enum Column {
        kNumber,
        kType,
        kQuestion,
        kOptionA,
        kAnswer = kOptionA + 6,
        kFaults,
        kResult,
        kColumns
    };

    BatchImport(BatchImportTarget target, Platform& platform, QWidget* parent = nullptr);
    ~BatchImport() override;

    // Reads a paper file: UTF-8, or code page 936 when the bytes are not UTF-8. Empty with a
    // reason in `error` when the file cannot be read or is neither.
    static QString ReadPaperFile(const QString& path, QString* error);

protected:
    void closeEvent(QCloseEvent* event) override;

private slots:
    void openFile_Click();
    void preview_Click();
    void typeChoice_Change();
    void submitAll_Click();
    void stop_Click();
    void questions_Change(int row, int column);

private:
    void fillRow(int row, const ImportedQuestion& q);
    ImportedQuestion rowQuestion(int row) const;
    QComboBox* typeBox(int row) const;
    void rowType_Change(int row);
    void refreshFaults();
    void lookUpOnServer();
    void setRunning(bool running);

    std::unique_ptr<Ui::BatchImport> ui_;
    BatchImportTarget target_;
    Platform& platform_;
    QVector<PaperQuestion> pieces_;
    // What the server lookup found for each row, and the text and answer it looked up.
    QVector<std::optional<QString>> onServer_;  // id2 of the server's copy
    QVector<QString> lookedUp_;
    bool filling_ = false;
    bool running_ = false;
    bool stopRequested_ = false;
};

}  // namespace qs
