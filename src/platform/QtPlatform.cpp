#include "platform/QtPlatform.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QUrl>

namespace qs {

namespace {

// A box grows with its text: a question of thousands of characters would push
// the OK button off the screen. Such a text is shown cut short, and whole in
// the box's details, which scroll.
constexpr qsizetype kShownCharacters = 600;
constexpr qsizetype kShownLines = 25;

QString shortened(const QString& text) {
    QString shown = text.left(kShownCharacters);
    qsizetype at = -1;
    for (qsizetype line = 0; line < kShownLines; ++line) {
        at = shown.indexOf(u'\n', at + 1);
        if (at < 0) break;
    }
    if (at >= 0) shown.truncate(at);
    return shown.size() == text.size() ? text : shown + QStringLiteral("……");
}

}  // namespace

Answer QtPlatform::message(QWidget* owner, const QString& text, const QString& caption,
                           Buttons buttons, Answer preferred) {
    const QString title = caption.isEmpty() ? kAppTitle : caption;
    // The windows write line breaks as CR LF; a lone CR would show as a box.
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QMessageBox box(buttons == Buttons::YesNo ? QMessageBox::Question : QMessageBox::Information,
                    title, shown, QMessageBox::NoButton, owner);
    // Names, passwords and question texts are shown as typed, never as markup.
    box.setTextFormat(Qt::PlainText);
    if (const QString cut = shortened(shown); cut != shown) {
        box.setText(cut);
        box.setDetailedText(shown);
    }
    // The buttons speak the window's language, whatever Qt's translations are.
    if (buttons == Buttons::YesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(preferred == Answer::No ? QMessageBox::No : QMessageBox::Yes);
        box.button(QMessageBox::Yes)->setText(QStringLiteral("是(&Y)"));
        box.button(QMessageBox::No)->setText(QStringLiteral("否(&N)"));
        return box.exec() == QMessageBox::Yes ? Answer::Yes : Answer::No;
    }
    box.setStandardButtons(QMessageBox::Ok);
    box.button(QMessageBox::Ok)->setText(QStringLiteral("确定"));
    box.exec();
    return Answer::Ok;
}

void QtPlatform::beep() {
    QApplication::beep();
}

bool QtPlatform::openUrl(QWidget*, const QString& url) {
    return QDesktopServices::openUrl(QUrl(url));
}

bool QtPlatform::startProgram(const QString& program, const QStringList& arguments) {
    return QProcess::startDetached(program, arguments);
}

QDateTime QtPlatform::now() const {
    return QDateTime::currentDateTime();
}

QString QtPlatform::fileName(QWidget* owner, const QString& caption, const QString& filter,
                             const QString& name, bool save) {
    QFileDialog dialog(owner, caption, lastFolder_, filter);
    // Qt's own dialog on every desktop: it speaks Chinese through Qt's translations, loaded at
    // start, where a desktop's dialog would speak the desktop's language.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    if (save) {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setDefaultSuffix(QFileInfo(name).suffix());
        dialog.selectFile(name);
    } else {
        dialog.setFileMode(QFileDialog::ExistingFile);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    const QString chosen = dialog.selectedFiles().constFirst();
    lastFolder_ = QFileInfo(chosen).absolutePath();
    return chosen;
}

QString QtPlatform::openFileName(QWidget* owner, const QString& caption, const QString& filter) {
    return fileName(owner, caption, filter, {}, false);
}

QString QtPlatform::saveFileName(QWidget* owner, const QString& caption, const QString& filter,
                                 const QString& name) {
    return fileName(owner, caption, filter, name, true);
}

void QtPlatform::quit() {
    // Closing a window calls quit() again; the guard keeps that from recursing.
    static bool quitting = false;
    if (quitting) return;
    quitting = true;
    QApplication::closeAllWindows();
    QApplication::exit(0);
}

}  // namespace qs
