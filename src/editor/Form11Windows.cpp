// The windows the editor opens over itself: "批量导入" and "题目管理".

#include "bank/BankMaintenance.h"
#include "db/Endpoints.h"
#include "editor/BatchImport.h"
#include "editor/Form11.h"
#include "editor/QuestionBrowser.h"
#include "ui_Form11.h"

namespace qs {

// "批量导入": a window of its own for a whole paper, into the bank chosen here, on the server
// chosen here. The editor waits while it is open, so the bank and server stay as shown.
void Form11::Command5_Click() {
    const QString bank = ui_->Combo1->currentText();
    if (!BankMaintenance::bankChosen(bank)) {
        platform_.message(this, QStringLiteral("请先选择题库！"));
        return;
    }
    chooseDownload();
    if (!endpointUsable()) return;
    auto* window = new BatchImport(
        {download, programFolder_, bank, ui_->adder->text(), login_.username}, platform_, this);
    window->setWindowFlag(Qt::Window);
    window->setWindowModality(Qt::WindowModal);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->show();
}

void Form11::openBrowser() {
    if (browser_) {
        browser_->show();
        browser_->raise();
        browser_->activateWindow();
        return;
    }
    chooseDownload();
    if (!endpointUsable()) return;
    QStringList banks;
    for (int i = 0; i < ui_->Combo1->count(); ++i) banks << ui_->Combo1->itemText(i);
    const QString bank = ui_->Combo1->currentText();
    auto* browser =
        new QuestionBrowser(login_, platform_, programFolder_, settings_, download, banks,
                            BankMaintenance::bankChosen(bank) ? bank : QString(), this);
    browser_ = browser;
    browser->show();
}

}  // namespace qs
