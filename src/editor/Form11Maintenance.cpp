// Bank maintenance: "删除选定题库及题目", "仅删除选定题库的题目", "重置题号顺序", "题目统计↓", and
// "上传本地题目" of the questions that reached only the local file.

#include "bank/BankMaintenance.h"
#include "bank/QuestionWriter.h"
#include "editor/Form11.h"
#include "ui_Form11.h"
#include "widgets/WindowColours.h"

namespace qs {

namespace {

constexpr quint32 kLightBlue = 0xFFC0C0;
constexpr quint32 kBlue = 0xFF0000;

}  // namespace

void Form11::deleteSelectedBank(bool withBankRows) {
    const QString bank = ui_->Combo1->currentText();
    if (!BankMaintenance::bankChosen(bank)) {
        platform_.message(this, QStringLiteral("请先选择题库！"));
        return;
    }
    const QString question =
        withBankRows
            ? QStringLiteral("确定要删除题库【") + bank + QStringLiteral("】吗？")
            : QStringLiteral("确定要删除题库【") + bank + QStringLiteral("】的所有题目吗？");
    const QString title =
        withBankRows ? QStringLiteral("是否删除题库") : QStringLiteral("是否删除题目");
    if (platform_.message(this, question, title, Buttons::YesNo) != Answer::Yes) return;
    chooseDownload();
    if (!endpointUsable()) return;

    const QString action = withBankRows
                               ? QStringLiteral("删除题库【") + bank + QStringLiteral("】")
                               : QStringLiteral("删除题库【") + bank + QStringLiteral("】的题目");
    setCommandButtons(false);
    settlePending();
    const WriteContext context = writeContext();
    int waiting = -1;
    try {
        const int deleted = worker_.run(
            [&](WorkerContext& c) {
                const int n = QuestionWriter(context, c.connections())
                                  .deleteBank(bank, withBankRows, c.captionReporter());
                waiting = countWaiting(c);
                return n;
            },
            captionProgress());
        const QString result = withBankRows ? BankMaintenance::deletedBankText(bank, deleted)
                                            : BankMaintenance::deletedQuestionsText(bank, deleted);
        setWindowTitle(result);
        platform_.message(this, result);
    } catch (const WorkFailure& f) {
        platform_.message(this, f.message(action));
    }
    showWaiting(waiting);
    restoreCommandButtons();
}

void Form11::Command2_Click() {
    deleteSelectedBank(true);
}

void Form11::Command3_Click() {
    deleteSelectedBank(false);
}

void Form11::Command4_Click() {
    const QString bank = ui_->Combo1->currentText();
    if (!BankMaintenance::bankChosen(bank)) {
        platform_.message(this, QStringLiteral("请先选择题库！"));
        return;
    }
    if (platform_.message(this,
                          QStringLiteral("您确定要重置题目序号(ID2)吗？导入后必须运行一下..."),
                          QStringLiteral("是否重置ID2"), Buttons::YesNo) != Answer::Yes)
        return;
    chooseDownload();
    if (!endpointUsable()) return;
    setCommandButtons(false);
    settlePending();
    const WriteContext context = writeContext();
    try {
        const qint64 total = worker_.run(
            [&](WorkerContext& c) {
                return QuestionWriter(context, c.connections())
                    .renumberBank(bank, c.captionReporter());
            },
            captionProgress());
        platform_.message(this, BankMaintenance::renumberedText(total));
    } catch (const WorkFailure& f) {
        platform_.message(this, f.message(QStringLiteral("重置题号顺序")));
    }
    setCommandButtons(true);
}

void Form11::Label32_Click() {
    ui_->Label32->setEnabled(false);
    SetForeColour(ui_->Label32, kLightBlue);
    const QString bank = ui_->Combo1->currentText();
    QString result;
    try {
        result = worker_.run(
            [&](WorkerContext& c) {
                Connection& local = c.local(programFolder_);
                return BankMaintenance(local, c.server(download), c.captionReporter())
                    .countQuestions(bank);
            },
            captionProgress());
    } catch (const WorkFailure& f) {
        result = f.message(QStringLiteral("题目统计"));
    }
    SetForeColour(ui_->Label32, kBlue);
    platform_.message(this, result);
    ui_->Label32->setEnabled(true);
}

void Form11::Label33_Click() {
    chooseDownload();
    if (!endpointUsable()) return;
    setCommandButtons(false);
    settlePending();
    const WriteContext context = writeContext();
    int waiting = -1;
    QString result;
    try {
        const UploadOutcome out = worker_.run(
            [&](WorkerContext& c) {
                const UploadOutcome sent =
                    QuestionWriter(context, c.connections()).uploadWaiting(c.captionReporter());
                waiting = countWaiting(c);
                return sent;
            },
            captionProgress());
        result = QuestionWriter::UploadText(out);
    } catch (const WorkFailure& f) {
        result = f.message(QStringLiteral("上传本地题目"));
    }
    showWaiting(waiting);
    setWindowTitle(result.section(QStringLiteral("\r\n"), 0, 0));
    platform_.message(this, result);
    restoreCommandButtons();
}

}  // namespace qs
