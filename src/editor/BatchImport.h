#pragma once

#include <QString>
#include <QWidget>
#include <memory>

#include "platform/Platform.h"

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

class PaperPreview;

// "批量导入": a whole paper pasted or read from a .txt file is cut into questions, each read with
// its answer, explanation and difficulty, shown in a table (PaperPreview) with what is wrong
// with it and in full below the table, corrected there, and the ticked ones added to both
// databases with "提交全部".
class BatchImport : public QWidget {
    Q_OBJECT
public:
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
    void questions_Change();

private:
    QString choice() const;
    void lookUpOnServer();
    void tickAndSum();
    void setRunning(bool running);

    std::unique_ptr<Ui::BatchImport> ui_;
    BatchImportTarget target_;
    Platform& platform_;
    PaperPreview* preview_;
    QString previewed_;  // the paper as it was read
    bool running_ = false;
};

}  // namespace qs
