// What the editor's database commands share: the command buttons, the caption as progress, the
// server chosen in the window and the questions waiting in the local file.

#include "bank/QuestionWriter.h"
#include "db/Endpoints.h"
#include "editor/Form11.h"
#include "ui_Form11.h"

namespace qs {

void Form11::setCommandButtons(bool enabled) {
    for (QPushButton* b : {ui_->Command1, ui_->Command2, ui_->Command3, ui_->Command4})
        b->setEnabled(enabled);
}

void Form11::restoreCommandButtons() {
    ui_->Command1->setEnabled(true);
    const bool admin = isAdministrator();
    for (QPushButton* b : {ui_->Command2, ui_->Command3, ui_->Command4}) b->setEnabled(admin);
}

// The caption is the only progress a long command shows.
DatabaseWorker::Options Form11::captionProgress() {
    DatabaseWorker::Options options;
    options.progress = [this](const QString& caption, int, int) { setWindowTitle(caption); };
    return options;
}

int Form11::countWaiting(WorkerContext& c) const {
    try {
        return QuestionWriter({{}, programFolder_, {}, {}}, c.connections()).waitingCount();
    } catch (const WorkFailure&) {
        return -1;  // no local file to look in
    }
}

void Form11::showWaiting(int waiting) {
    if (waiting < 0) return;
    // A question window edits one question; the editor uploads.
    ui_->Label33->setVisible(waiting > 0 && !editing_);
    ui_->Label33->setText(QStringLiteral("上传本地题目（%1道待上传）").arg(waiting));
}

void Form11::settlePending() {
    if (!pending_.pending()) return;
    const QString found = worker_.run(
        [&](WorkerContext& c) { return pending_.settle(c.connections(), programFolder_); });
    if (!found.isEmpty()) platform_.message(this, found);
}

void Form11::chooseDownload() {
    download = ChooseEndpoint(ui_->Combo3->currentText(), login_.download1, login_.download2,
                              login_.download3, login_.download4);
}

bool Form11::endpointUsable() {
    const QString problem = EndpointProblem(download);
    if (!problem.isEmpty()) platform_.message(this, problem);
    return problem.isEmpty();
}

}  // namespace qs
