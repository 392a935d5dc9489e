#include "editor/BatchImport.h"

#include <QBrush>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QStringDecoder>

#include "bank/QuestionWriter.h"
#include "db/DbError.h"
#include "ui_BatchImport.h"
#include "widgets/WindowColours.h"

namespace qs {

namespace {

// A paper of more is split into several imports; the table stays quick to look over.
constexpr int kMostQuestions = 5000;
constexpr qint64 kLargestFile = 20 * 1024 * 1024;
const QString kAuto = QStringLiteral("自动");

QString FaultText(const QStringList& faults) {
    return faults.join(QStringLiteral("；"));
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
        QStringLiteral("把整份试卷粘贴到这里，或点“打开文件…”读入 .txt 文件"));
    QTableWidget* t = ui_->questions;
    t->setColumnCount(kColumns);
    QStringList headers = {QStringLiteral("题号"), QStringLiteral("题型"), QStringLiteral("题目")};
    for (QChar c : QStringLiteral("ABCDEF")) headers << QStringLiteral("选项") + c;
    headers << QStringLiteral("答案") << QStringLiteral("问题") << QStringLiteral("结果");
    t->setHorizontalHeaderLabels(headers);
    t->horizontalHeader()->setSectionResizeMode(kQuestion, QHeaderView::Stretch);
    t->verticalHeader()->hide();
    t->setColumnWidth(kNumber, 60);
    t->setColumnWidth(kType, 90);
    for (int c = kOptionA; c < kAnswer; ++c) t->setColumnWidth(c, 80);
    t->setColumnWidth(kAnswer, 50);
    t->setColumnWidth(kFaults, 200);
    t->setColumnWidth(kResult, 150);

    connect(ui_->openFile, &QPushButton::clicked, this, &BatchImport::openFile_Click);
    connect(ui_->preview, &QPushButton::clicked, this, &BatchImport::preview_Click);
    connect(ui_->typeChoice, &QComboBox::currentIndexChanged, this,
            &BatchImport::typeChoice_Change);
    connect(ui_->submitAll, &QPushButton::clicked, this, &BatchImport::submitAll_Click);
    connect(ui_->stop, &QPushButton::clicked, this, &BatchImport::stop_Click);
    connect(t, &QTableWidget::cellChanged, this, &BatchImport::questions_Change);
}

BatchImport::~BatchImport() = default;

QString BatchImport::ReadPaperFile(const QString& path, QString* error) {
    QFile f(path);
    if (!f.exists()) {
        *error = QStringLiteral("找不到文件：") + path;
        return {};
    }
    if (f.size() > kLargestFile) {
        *error = QStringLiteral("文件太大（超过20MB），请分成几份再导入：") + path;
        return {};
    }
    if (!f.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("无法打开文件：") + path + QStringLiteral("\r\n") + f.errorString();
        return {};
    }
    const QByteArray bytes = f.readAll();
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (utf8.hasError()) {
        QStringDecoder gbk("GB18030", QStringDecoder::Flag::Stateless);
        text = gbk.decode(bytes);
        if (gbk.hasError() || text.contains(QChar::ReplacementCharacter)) {
            *error = QStringLiteral("文件既不是 UTF-8 也不是 GBK 编码的文字，无法读入：") + path;
            return {};
        }
    }
    if (text.startsWith(QChar(0xFEFF))) text.remove(0, 1);
    if (text.trimmed().isEmpty()) {
        *error = QStringLiteral("文件里没有文字：") + path;
        return {};
    }
    return text;
}

void BatchImport::openFile_Click() {
    const QString path = platform_.openFileName(this, QStringLiteral("打开试卷"),
                                                QStringLiteral("文本文件 (*.txt);;所有文件 (*)"));
    if (path.isEmpty()) return;
    QString error;
    const QString text = ReadPaperFile(path, &error);
    if (!error.isEmpty()) {
        platform_.message(this, error);
        return;
    }
    ui_->paper->setPlainText(text);
    preview_Click();
}

QComboBox* BatchImport::typeBox(int row) const {
    return qobject_cast<QComboBox*>(ui_->questions->cellWidget(row, kType));
}

void BatchImport::fillRow(int row, const ImportedQuestion& q) {
    QTableWidget* t = ui_->questions;
    const bool wasFilling = filling_;
    filling_ = true;
    auto set = [&](int column, const QString& text, bool editable) {
        auto* item = new QTableWidgetItem(text);
        if (!editable) item->setFlags(item->flags() & ~Qt::ItemIsEditable);
        t->setItem(row, column, item);
    };
    set(kQuestion, q.question, true);
    for (int i = 0; i < 6; ++i) set(kOptionA + i, q.options[size_t(i)], true);
    set(kAnswer, q.answer, true);
    set(kFaults, QString(), false);
    set(kResult, QString(), false);
    if (QComboBox* box = typeBox(row)) {
        const QSignalBlocker block(box);
        box->setCurrentText(q.qtype);
    }
    filling_ = wasFilling;
}

ImportedQuestion BatchImport::rowQuestion(int row) const {
    const QTableWidget* t = ui_->questions;
    auto text = [&](int column) {
        const QTableWidgetItem* item = t->item(row, column);
        return item ? item->text() : QString();
    };
    ImportedQuestion q;
    q.number = pieces_.value(row).number;
    q.qtype = typeBox(row) ? typeBox(row)->currentText() : QString();
    q.question = text(kQuestion);
    for (int i = 0; i < 6; ++i) q.options[size_t(i)] = text(kOptionA + i);
    // Capitals, as the editor's answer box makes them, before anything checks it.
    q.answer = text(kAnswer).toUpper();
    return q;
}

void BatchImport::preview_Click() {
    const QString paper = ui_->paper->toPlainText();
    if (paper.trimmed().isEmpty()) {
        platform_.message(this, QStringLiteral("请先粘贴试卷，或打开一个 .txt 文件"));
        return;
    }
    const QVector<PaperQuestion> pieces = SplitQuestions(paper);
    if (pieces.size() > kMostQuestions) {
        platform_.message(this,
                          QStringLiteral("这份试卷有 %1 道题，一次最多导入 %2 道，请分几次导入")
                              .arg(pieces.size())
                              .arg(kMostQuestions));
        return;
    }
    pieces_ = pieces;
    ui_->summary->setText(QStringLiteral("正在读入 %1 道题…").arg(pieces_.size()));
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    QTableWidget* t = ui_->questions;
    filling_ = true;
    t->clearContents();
    t->setRowCount(int(pieces_.size()));
    const QString choice = ui_->typeChoice->currentText();
    for (int row = 0; row < pieces_.size(); ++row) {
        auto* number = new QTableWidgetItem(QString::number(pieces_[row].number));
        number->setFlags((number->flags() | Qt::ItemIsUserCheckable) & ~Qt::ItemIsEditable);
        t->setItem(row, kNumber, number);
        auto* box = new QComboBox(t);
        box->addItems(QuestionTypes());
        t->setCellWidget(row, kType, box);
        connect(box, &QComboBox::currentIndexChanged, this, [this, box] {
            for (int r = 0; r < ui_->questions->rowCount(); ++r)
                if (typeBox(r) == box) rowType_Change(r);
        });
        const QString type = choice == kAuto ? GuessQuestionType(pieces_[row].text) : choice;
        fillRow(row, ImportQuestion(pieces_[row], type));
    }
    filling_ = false;
    lookUpOnServer();
    refreshFaults();
    // Ticked to begin with: the questions nothing is wrong with.
    filling_ = true;
    for (int row = 0; row < t->rowCount(); ++row)
        t->item(row, kNumber)
            ->setCheckState(t->item(row, kFaults)->text().isEmpty() ? Qt::Checked : Qt::Unchecked);
    filling_ = false;
    int faulty = 0;
    for (int row = 0; row < t->rowCount(); ++row)
        if (t->item(row, kNumber)->checkState() == Qt::Unchecked) ++faulty;
    ui_->summary->setText(
        QStringLiteral("共 %1 道题，%2 道有问题（未勾选）。修改后勾选，再点“提交全部”。")
            .arg(t->rowCount())
            .arg(faulty));
}

void BatchImport::typeChoice_Change() {
    if (!pieces_.isEmpty() && !running_) preview_Click();
}

void BatchImport::rowType_Change(int row) {
    if (filling_ || running_) return;
    // Another type reads the question again, as ticking another type box and pasting would.
    fillRow(row, ImportQuestion(pieces_[row], typeBox(row)->currentText()));
    refreshFaults();
}

void BatchImport::questions_Change(int, int column) {
    if (filling_ || running_ || column == kFaults || column == kResult || column == kNumber) return;
    refreshFaults();
}

void BatchImport::lookUpOnServer() {
    onServer_ = QVector<std::optional<QString>>(pieces_.size());
    lookedUp_ = QVector<QString>(pieces_.size());
    QVector<Question> inputs;
    for (int row = 0; row < pieces_.size(); ++row) {
        const ImportedQuestion q = rowQuestion(row);
        Question in;
        in.bank = target_.bank;
        in.question = q.question;
        in.answer = q.answer;
        inputs << in;
        lookedUp_[row] = StoredQuestionText(q.question) + QChar(0) + q.answer;
    }
    ui_->summary->setText(QStringLiteral("正在服务器上查找已有的题目…"));
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    try {
        const auto found =
            QuestionWriter({target_.endpoint, target_.programFolder, {}, {}}).findOnServer(inputs);
        for (int row = 0; row < found.size(); ++row)
            if (found[row]) onServer_[row] = found[row]->id2;
    } catch (const WorkFailure& f) {
        platform_.message(this, QStringLiteral("服务器查重失败，预览中没有标出服务器已有的题目：") +
                                    f.error().text());
    }
}

void BatchImport::refreshFaults() {
    QTableWidget* t = ui_->questions;
    QVector<ImportedQuestion> rows;
    for (int row = 0; row < t->rowCount(); ++row) rows << rowQuestion(row);
    const QVector<int> repeats = FindRepeats(rows);
    const bool wasFilling = filling_;
    filling_ = true;
    for (int row = 0; row < rows.size(); ++row) {
        QStringList faults = QuestionFaults(rows[row]);
        if (repeats[row] >= 0)
            faults << QStringLiteral("与第%1题重复").arg(rows[repeats[row]].number);
        const QString key = StoredQuestionText(rows[row].question) + QChar(0) + rows[row].answer;
        if (row < onServer_.size() && onServer_[row] && lookedUp_[row] == key)
            faults << QStringLiteral("服务器已有此题（序号") + *onServer_[row] +
                          QStringLiteral("）");
        QTableWidgetItem* item = t->item(row, kFaults);
        item->setText(FaultText(faults));
        const QBrush background =
            faults.isEmpty() ? QBrush() : QBrush(ColourFromValue(colour::kEmpty));
        for (int c = 0; c < kColumns; ++c)
            if (QTableWidgetItem* i = t->item(row, c)) i->setBackground(background);
    }
    filling_ = wasFilling;
}

void BatchImport::setRunning(bool running) {
    running_ = running;
    for (QWidget* w : std::initializer_list<QWidget*>{ui_->openFile, ui_->preview, ui_->typeChoice,
                                                      ui_->paper, ui_->questions, ui_->submitAll})
        w->setEnabled(!running);
    ui_->stop->setEnabled(running);
}

void BatchImport::submitAll_Click() {
    QTableWidget* t = ui_->questions;
    QVector<int> chosen;
    for (int row = 0; row < t->rowCount(); ++row)
        if (t->item(row, kNumber)->checkState() == Qt::Checked) chosen << row;
    if (chosen.isEmpty()) {
        platform_.message(this, QStringLiteral("没有勾选要提交的题目"));
        return;
    }
    QVector<Question> inputs;
    QVector<int> numbers;
    for (int row : chosen) {
        const ImportedQuestion q = rowQuestion(row);
        Question in;
        in.bank = target_.bank;
        in.question = q.question;
        in.answer = q.answer;
        in.nandu = QStringLiteral("普通");
        in.why0 = QStringLiteral("--");
        in.adder = target_.adder;
        in.qtype = q.qtype;
        in.options = q.options;
        inputs << in;
        numbers << q.number;
    }

    setRunning(true);
    stopRequested_ = false;
    ui_->progress->setRange(0, int(inputs.size()));
    ui_->progress->setValue(0);
    ui_->summary->setText(QStringLiteral("正在提交…"));
    QuestionWriter writer(
        {target_.endpoint, target_.programFolder, target_.username, platform_.now()});
    const BatchOutcome out = writer.addMany(inputs, [this](int done, int total) {
        ui_->progress->setValue(done);
        ui_->summary->setText(QStringLiteral("正在提交… %1/%2").arg(done).arg(total));
        // Input is taken here so "停止" can be clicked; every other control is disabled.
        QCoreApplication::processEvents();
        return !stopRequested_;
    });
    setRunning(false);

    using Status = BatchRowResult::Status;
    filling_ = true;
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
        t->item(chosen[n], kResult)->setText(result);
        // Done with: a second "提交全部" would only find them on the server.
        if (r.status == Status::Added || r.status == Status::Duplicate)
            t->item(chosen[n], kNumber)->setCheckState(Qt::Unchecked);
    }
    filling_ = false;
    const QString summary = QuestionWriter::SummaryText(out, numbers);
    ui_->summary->setText(summary);
    platform_.beep();
    platform_.message(this, summary);
}

void BatchImport::stop_Click() {
    stopRequested_ = true;
    ui_->summary->setText(QStringLiteral("正在停止：这一批写完后停止…"));
}

void BatchImport::closeEvent(QCloseEvent* event) {
    // The run's connections live in the click handler; it ends before the window may close.
    if (running_) {
        stopRequested_ = true;
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
}

}  // namespace qs
