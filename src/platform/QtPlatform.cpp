#include "platform/QtPlatform.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QUrl>

namespace qs {

Answer QtPlatform::message(QWidget* owner, const QString& text, const QString& caption,
                           Buttons buttons) {
    const QString title = caption.isEmpty() ? kAppTitle : caption;
    // The windows write line breaks as CR LF; a lone CR would show as a box.
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QMessageBox box(buttons == Buttons::YesNo ? QMessageBox::Question : QMessageBox::Information,
                    title, shown, QMessageBox::NoButton, owner);
    // Names, passwords and question texts are shown as typed, never as markup.
    box.setTextFormat(Qt::PlainText);
    // The buttons speak the window's language, whatever Qt's translations are.
    if (buttons == Buttons::YesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        box.button(QMessageBox::Yes)->setText(QStringLiteral("是(&Y)"));
        box.button(QMessageBox::No)->setText(QStringLiteral("否(&N)"));
        return box.exec() == QMessageBox::Yes ? Answer::Yes : Answer::No;
    }
    box.setStandardButtons(QMessageBox::Ok);
    box.button(QMessageBox::Ok)->setText(QStringLiteral("确定"));
    box.exec();
    return Answer::Ok;
}

void QtPlatform::beep() { QApplication::beep(); }

bool QtPlatform::openUrl(QWidget*, const QString& url) {
    return QDesktopServices::openUrl(QUrl(url));
}

bool QtPlatform::startProgram(const QString& program, const QStringList& arguments) {
    return QProcess::startDetached(program, arguments);
}

QDateTime QtPlatform::now() const { return QDateTime::currentDateTime(); }

QString QtPlatform::openFileName(QWidget* owner, const QString& caption, const QString& filter) {
    return QFileDialog::getOpenFileName(owner, caption, QString(), filter);
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
