// What the editor's database commands share: the command buttons, the caption as progress and
// the server chosen in the window.

#include <QCoreApplication>
#include <QElapsedTimer>

#include "db/Endpoints.h"
#include "editor/Form11.h"
#include "ui_Form11.h"

namespace qs {

namespace {

// How often a long command lets the window repaint its caption.
constexpr qint64 kPaintIntervalMs = 50;

}  // namespace

void Form11::setCommandButtons(bool enabled) {
    for (QPushButton* b : {ui_->Command1, ui_->Command2, ui_->Command3, ui_->Command4})
        b->setEnabled(enabled);
}

void Form11::restoreCommandButtons() {
    ui_->Command1->setEnabled(true);
    const bool admin = isAdministrator();
    for (QPushButton* b : {ui_->Command2, ui_->Command3, ui_->Command4}) b->setEnabled(admin);
}

// The caption is the only progress a long command shows; the window repaints
// it now and then, taking no input meanwhile.
void Form11::showProgress(const QString& caption) {
    static QElapsedTimer sincePaint;
    setWindowTitle(caption);
    if (!sincePaint.isValid() || sincePaint.elapsed() >= kPaintIntervalMs) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        sincePaint.start();
    }
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
