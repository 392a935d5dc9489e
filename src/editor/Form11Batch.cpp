#include "db/Endpoints.h"
#include "bank/BankMaintenance.h"
#include "editor/BatchImport.h"
#include "editor/Form11.h"
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

}  // namespace qs
