#include "editor/BatchImport.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFileInfo>
#include <QHeaderView>
#include <QImageReader>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextImageFormat>

#include "bank/QuestionWriter.h"
#include "db/DbError.h"
#include "editor/PaperPreview.h"
#include "question/ImportPictures.h"
#include "question/PaperFile.h"
#include "question/SheetTemplate.h"
#include "ui_BatchImport.h"
#include "widgets/ChoiceDelegate.h"
#include "widgets/CommandWait.h"
#include "widgets/DatabaseWorker.h"

namespace qs {

namespace {

// A paper of more is split into several imports; the table stays quick to look over.
constexpr int kMostQuestions = 5000;
const QString kAuto = QStringLiteral("自动");
// The largest a picture is shown in the pane of the current question.
constexpr QSize kShownPicture(360, 240);

// A question in full, as the pane below the table shows it, each picture below its text.
void ShowDetails(QTextEdit* pane, const ImportedQuestion& q, const QString& faults, int sheetRow) {
    const Question& k = q.question;
    QTextDocument* doc = pane->document();
    doc->clear();
    QTextCursor at(doc);
    const qreal ratio = pane->devicePixelRatioF();
    auto picture = [&](int slot) {
        const QString& path = k.picturePaths[size_t(slot)];
        if (path.isEmpty()) return;
        const QSize full = QImageReader(path).size();
        if (!full.isValid()) return;
        const QSize shown = full.boundedTo(kShownPicture) == full
                                ? full
                                : full.scaled(kShownPicture, Qt::KeepAspectRatio);
        QImage image = SmallPicture(path, shown * ratio);
        image.setDevicePixelRatio(ratio);
        const QString name = QStringLiteral("slot%1").arg(slot);
        doc->addResource(QTextDocument::ImageResource, QUrl(name), image);
        QTextImageFormat format;
        format.setName(name);
        format.setWidth(shown.width());
        format.setHeight(shown.height());
        at.insertText(QStringLiteral("\n"));
        at.insertImage(format);
    };
    QString head = QStringLiteral("第%1题").arg(q.number);
    if (sheetRow > 0) head += QStringLiteral("（表格第%1行）").arg(sheetRow);
    at.insertText(head + QStringLiteral("　%1　难度：%2\n%3").arg(k.qtype, k.nandu, k.question));
    picture(kQuestionPicture);
    for (int i = 0; i < 6; ++i) {
        if (k.options[size_t(i)].isEmpty()) continue;
        at.insertText(u'\n' + QChar(u'A' + i) + QStringLiteral("．") + k.options[size_t(i)]);
        picture(kPictureA + i);
    }
    at.insertText(QStringLiteral("\n答案：") + k.answer + QStringLiteral("\n解析：") +
                  QString(k.why0).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    picture(kExplanationPicture);
    if (!faults.isEmpty()) at.insertText(QStringLiteral("\n问题：") + faults);
}

}  // namespace

BatchImport::BatchImport(BatchImportTarget target, Platform& platform, QWidget* parent)
    : QWidget(parent),
      ui_(std::make_unique<Ui::BatchImport>()),
      target_(std::move(target)),
      platform_(platform) {
    ui_->setupUi(this);
    setWindowTitle(QStringLiteral("批量导入 - 【") + target_.bank + QStringLiteral("】"));
    ui_->bank->setText(target_.bank);
    ui_->paper->setPlaceholderText(
        QStringLiteral("把整份试卷粘贴到这里，或点“打开文件…”读入文本(.txt)、Word(.docx)"
                       "或 Excel(.xlsx)文件"));
    preview_ = new PaperPreview(target_.bank, target_.adder, this);
    QTableView* t = ui_->questions;
    t->setModel(preview_);
    t->setItemDelegateForColumn(PaperPreview::kType, new ChoiceDelegate(QuestionTypes(), t));
    t->setItemDelegateForColumn(
        PaperPreview::kNandu,
        new ChoiceDelegate({QStringLiteral("普通"), QStringLiteral("困难")}, t));
    // The question is the widest column and takes what the window gives; two lines of each
    // question show in the table, the whole of the current one below it.
    QHeaderView* header = t->horizontalHeader();
    header->setSectionResizeMode(QHeaderView::Interactive);
    header->setSectionResizeMode(PaperPreview::kQuestion, QHeaderView::Stretch);
    const std::pair<int, int> widths[] = {
        {PaperPreview::kNumber, 56},  {PaperPreview::kType, 72},   {PaperPreview::kPictures, 64},
        {PaperPreview::kAnswer, 44},  {PaperPreview::kNandu, 44},  {PaperPreview::kWhy0, 120},
        {PaperPreview::kFaults, 140}, {PaperPreview::kResult, 100}};
    for (const auto& [column, width] : widths) header->resizeSection(column, width);
    for (int c = PaperPreview::kOptionA; c < PaperPreview::kAnswer; ++c)
        header->resizeSection(c, 60);
    t->verticalHeader()->hide();
    t->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    t->verticalHeader()->setDefaultSectionSize(2 * t->fontMetrics().lineSpacing() + 8);
    t->setWordWrap(true);
    // A question's pictures show as a thumbnail as tall as its row.
    const int thumbnail = t->verticalHeader()->defaultSectionSize() - 6;
    t->setIconSize(QSize(thumbnail, thumbnail));
    ui_->panes->setSizes({120, 400, 230});

    connect(ui_->openFile, &QPushButton::clicked, this, &BatchImport::openFile_Click);
    connect(ui_->saveTemplate, &QPushButton::clicked, this, &BatchImport::saveTemplate_Click);
    connect(ui_->preview, &QPushButton::clicked, this, &BatchImport::preview_Click);
    connect(ui_->typeChoice, &QComboBox::currentIndexChanged, this,
            &BatchImport::typeChoice_Change);
    connect(ui_->submitAll, &QPushButton::clicked, this, &BatchImport::submitAll_Click);
    connect(ui_->stop, &QPushButton::clicked, this, &BatchImport::stop_Click);
    // The pane below the table follows the current row and every change of it.
    connect(preview_, &PaperPreview::dataChanged, this, &BatchImport::questions_Change);
    connect(preview_, &PaperPreview::modelReset, this, &BatchImport::questions_Change);
    connect(t->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &BatchImport::questions_Change);
}

BatchImport::~BatchImport() = default;

void BatchImport::openFile_Click() {
    const QString path = platform_.openFileName(
        this, QStringLiteral("打开试卷"),
        QStringLiteral("试卷 (*.txt *.docx *.xlsx *.doc *.xls *.rtf);;所有文件 (*)"));
    if (path.isEmpty()) return;
    const QString before = ui_->summary->text();
    ui_->summary->setText(QStringLiteral("正在读入 ") + QFileInfo(path).fileName() +
                          QStringLiteral("…"));
    PaperReadOptions options;
    options.mostQuestions = kMostQuestions;
    // An old file waits for LibreOffice's conversion: the window stays painted meanwhile.
    const PaperFile file = RunAndWait([&] { return ReadPaper(path, options); });
    if (!file.error.isEmpty()) {
        ui_->summary->setText(before);
        platform_.message(this, file.error);
        return;
    }
    if (file.kind == PaperFile::Kind::Sheet) {
        pictures_.clear();
        ui_->paper->clear();
        sheet_ = file.sheet;
        previewSheet();
        return;
    }
    pictures_ = file.document.pictures;
    ui_->paper->setPlainText(ShownPictureMarks(file.document.text));
    preview_Click();
}

void BatchImport::saveTemplate_Click() {
    const QString path = platform_.saveFileName(this, QStringLiteral("保存模板"),
                                                QStringLiteral("Excel 工作簿 (*.xlsx)"),
                                                QStringLiteral("批量导入模板.xlsx"));
    if (path.isEmpty()) return;
    QString error;
    if (!WriteSheetTemplate(path, &error)) {
        platform_.message(this, error);
        return;
    }
    platform_.message(this, QStringLiteral("模板已保存：") + path +
                                QStringLiteral("\r\n每行填一道题，填好后点“打开文件…”读入。"));
}

QString BatchImport::choice() const {
    return ui_->typeChoice->currentText() == kAuto ? QString() : ui_->typeChoice->currentText();
}

void BatchImport::preview_Click() {
    const QString paper = ui_->paper->toPlainText();
    if (paper.trimmed().isEmpty()) {
        if (sheet_) return previewSheet();
        platform_.message(this, QStringLiteral("请先粘贴试卷，或点“打开文件…”读入试卷文件"));
        return;
    }
    // The box shows each picture of the file as 【图片N】; the operator may have moved them.
    const QString plain = WithoutMarkCharacters(paper);
    const QString text = PictureMarksFromShown(plain, int(pictures_.size()));
    const QVector<PaperQuestion> pieces = SplitQuestions(text);
    if (pieces.size() > kMostQuestions) {
        platform_.message(this,
                          QStringLiteral("这份试卷有 %1 道题，一次最多导入 %2 道，请分几次导入")
                              .arg(pieces.size())
                              .arg(kMostQuestions));
        return;
    }
    std::shared_ptr<PaperPictures> pictures;
    if (text != plain) {
        QString error;
        const QString folder = CreateImportFolder(target_.programFolder, &error);
        if (folder.isEmpty()) {
            platform_.message(this, error);
            return;
        }
        pictures = std::make_shared<PaperPictures>(pictures_, folder);
    }
    ui_->summary->setText(QStringLiteral("正在读入 %1 道题…").arg(pieces.size()));
    const QString qtype = choice();
    preview_->show(RunAndWait([&] { return preview_->readPaper(pieces, qtype, pictures); }));
    sheet_.reset();
    previewed_ = paper;
    lookUpOnServer();
    tickAndSum();
}

void BatchImport::previewSheet() {
    preview_->show(preview_->readSheet(sheet_->questions, choice()));
    previewed_.clear();
    lookUpOnServer();
    tickAndSum();
}

void BatchImport::tickAndSum() {
    // Ticked to begin with: the questions nothing is wrong with.
    preview_->tickClean();
    int faulty = 0;
    for (int row = 0; row < preview_->rowCount(); ++row)
        if (!preview_->ticked(row)) ++faulty;
    QString summary =
        QStringLiteral("共 %1 道题，%2 道有问题（未勾选）。修改后勾选，再点“提交全部”。")
            .arg(preview_->rowCount())
            .arg(faulty);
    if (sheet_ && !sheet_->ignoredColumns.isEmpty())
        summary += QStringLiteral("表格中这些列没有读入：") +
                   sheet_->ignoredColumns.join(QStringLiteral("、")) + QStringLiteral("。");
    ui_->summary->setText(summary);
}

void BatchImport::typeChoice_Change() {
    if (preview_->rowCount() == 0 || running_) return;
    // The paper as it was read keeps the operator's corrections; an edited paper is read anew.
    if (ui_->paper->toPlainText() != previewed_) {
        preview_Click();
        return;
    }
    preview_->readAgainAs(choice());
    lookUpOnServer();
    tickAndSum();
}

void BatchImport::questions_Change() {
    const int row = ui_->questions->currentIndex().row();
    if (row < 0 || row >= preview_->rowCount()) {
        ui_->details->clear();
        detailsShown_.reset();
        return;
    }
    // Drawn anew only when what it shows changes: a submit reports on every row, and the
    // pictures are read from their files.
    auto shown = std::make_tuple(row, preview_->at(row), preview_->faults(row));
    if (shown == detailsShown_) return;
    detailsShown_ = std::move(shown);
    ShowDetails(ui_->details, preview_->at(row), preview_->faults(row), preview_->sheetRow(row));
}

void BatchImport::lookUpOnServer() {
    const QVector<Question> inputs = preview_->questions();
    ui_->summary->setText(QStringLiteral("正在服务器上查找已有的题目…"));
    QVector<std::optional<QString>> onServer(inputs.size());
    const WriteContext context{target_.endpoint, target_.programFolder, {}, {}};
    try {
        DatabaseWorker worker;
        const auto found = worker.run([&](WorkerContext& c) {
            return QuestionWriter(context, c.connections()).findOnServer(inputs);
        });
        for (int row = 0; row < found.size(); ++row)
            if (found[row]) onServer[row] = found[row]->id2;
    } catch (const WorkFailure& f) {
        platform_.message(this, QStringLiteral("服务器查重失败，预览中没有标出服务器已有的题目：") +
                                    f.error().text());
    }
    preview_->setOnServer(onServer);
}

void BatchImport::setRunning(bool running) {
    running_ = running;
    for (QWidget* w : std::initializer_list<QWidget*>{ui_->openFile, ui_->saveTemplate,
                                                      ui_->preview, ui_->typeChoice, ui_->paper,
                                                      ui_->questions, ui_->submitAll})
        w->setEnabled(!running);
    ui_->stop->setEnabled(running);
}

void BatchImport::submitAll_Click() {
    QVector<int> chosen;
    for (int row = 0; row < preview_->rowCount(); ++row)
        if (preview_->ticked(row)) chosen << row;
    if (chosen.isEmpty()) {
        platform_.message(this, QStringLiteral("没有勾选要提交的题目"));
        return;
    }
    QVector<Question> inputs;
    QVector<int> numbers;
    for (int row : chosen) {
        const Question& in = preview_->at(row).question;
        inputs << in;
        numbers << preview_->at(row).number;
    }

    setRunning(true);
    ui_->progress->setRange(0, int(inputs.size()));
    ui_->progress->setValue(0);
    ui_->summary->setText(QStringLiteral("正在提交…"));
    const WriteContext context{target_.endpoint, target_.programFolder, target_.username,
                               platform_.now()};
    // "停止" stays clickable while the batches are written; every other control is disabled.
    DatabaseWorker::Options options;
    options.stop = ui_->stop;
    options.progress = [this](const QString& caption, int done, int) {
        ui_->progress->setValue(done);
        ui_->summary->setText(caption);
    };
    DatabaseWorker worker;
    const BatchOutcome out = worker.run(
        [&](WorkerContext& c) {
            return QuestionWriter(context, c.connections())
                .addMany(inputs, [&c](int done, int total) {
                    c.progress(QStringLiteral("正在提交… %1/%2").arg(done).arg(total), done, total);
                    return !c.stopRequested();
                });
        },
        options);
    setRunning(false);

    using Status = BatchRowResult::Status;
    for (int n = 0; n < chosen.size(); ++n) {
        const BatchRowResult& r = out.rows[n];
        QString result;
        switch (r.status) {
            case Status::Added:
                result = QStringLiteral("已添加，序号") +
                         (r.number ? QString::number(*r.number) : QStringLiteral("?"));
                break;
            case Status::Duplicate:
                result = QStringLiteral("服务器已有，序号") + r.duplicateId2;
                break;
            case Status::Failed:
                result = QStringLiteral("失败：") + r.reason;
                break;
            case Status::NotRun:
                result = QStringLiteral("未提交");
                break;
        }
        preview_->setResult(chosen[n], result);
        // Done with: a second "提交全部" would only find them on the server.
        if (r.status == Status::Added || r.status == Status::Duplicate)
            preview_->setTicked(chosen[n], false);
    }
    const QString summary = QuestionWriter::SummaryText(out, numbers);
    ui_->summary->setText(summary);
    platform_.beep();
    platform_.message(this, summary);
}

void BatchImport::stop_Click() {
    ui_->summary->setText(QStringLiteral("正在停止：这一批写完后停止…"));
}

void BatchImport::closeEvent(QCloseEvent* event) {
    // The operator's close waits for the run's end; nothing else closes the window under it.
    if (running_) {
        event->ignore();
        return;
    }
    // The pictures' files go with the rows: what was submitted is in the databases.
    preview_->show({});
    pictures_.clear();
    QWidget::closeEvent(event);
}

}  // namespace qs
