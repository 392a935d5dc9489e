#pragma once

#include <QString>
#include <QWidget>
#include <memory>
#include <optional>
#include <tuple>

#include "platform/Platform.h"
#include "question/PaperDocument.h"
#include "question/QuestionImport.h"
#include "question/SheetReader.h"

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

// "批量导入": a whole paper pasted or read from a file (text, Word, or an Excel sheet of one
// question a row) is cut into questions, each read with its answer, explanation, difficulty
// and pictures, shown in a table (PaperPreview) with what is wrong with it and in full below
// the table, corrected there, and the ticked ones added to both databases with "提交全部".
class BatchImport : public QWidget {
    Q_OBJECT
public:
    BatchImport(BatchImportTarget target, Platform& platform, QWidget* parent = nullptr);
    ~BatchImport() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private slots:
    void openFile_Click();
    void saveTemplate_Click();
    void preview_Click();
    void typeChoice_Change();
    void submitAll_Click();
    void stop_Click();
    void questions_Change();

private:
    QString choice() const;
    void previewSheet();
    void lookUpOnServer();
    void tickAndSum();
    void setRunning(bool running);

    std::unique_ptr<Ui::BatchImport> ui_;
    BatchImportTarget target_;
    Platform& platform_;
    PaperPreview* preview_;
    QString previewed_;                // the paper as it was read
    QVector<PaperPicture> pictures_;   // of the file whose text the paper box holds
    std::optional<PaperSheet> sheet_;  // the sheet the preview shows
    // The row, question and faults the pane of the current question shows.
    std::optional<std::tuple<int, ImportedQuestion, QString>> detailsShown_;
    bool running_ = false;
};

}  // namespace qs
