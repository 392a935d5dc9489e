// What the editor's database commands share: the command buttons, the caption as progress,
// the server chosen in the window and the opening of both databases.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>

#include "bank/BankMaintenance.h"
#include "bank/Renumbering.h"
#include "bank/Submission.h"
#include "bank/WorkFailure.h"
#include "db/Connection.h"
#include "db/DbError.h"
#include "db/Endpoints.h"
#include "editor/Form11.h"
#include "ui_Form11.h"
#include "widgets/WindowColours.h"

namespace qs {

namespace {

const QString kAny = QStringLiteral("任意");
// How often a long command lets the window repaint its caption.
constexpr qint64 kPaintIntervalMs = 50;
constexpr quint32 kLightBlue = 0xFFC0C0;
constexpr quint32 kBlue = 0xFF0000;

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

bool Form11::openBothDatabases(Connection& local, Connection& server, const QString& action) {
    Side side = Side::Local;
    try {
        local.open(LocalConnectionString(programFolder_), 0, ado::adUseClient);
        side = Side::Server;
        server.open(ServerConnectionString(download), kServerTimeoutSeconds, ado::adUseServer);
        return true;
    } catch (const DbError& e) {
        platform_.message(this, WorkFailure(side, e).message(action));
        return false;
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
