#include "platform/QtPlatform.h"

#include <QApplication>
#include <QDesktopServices>
#include <QMessageBox>
#include <QProcess>
#include <QUrl>

namespace qs {

Answer QtPlatform::message(QWidget* owner, const QString& text, const QString& caption,
                           Buttons buttons) {
    const QString title = caption.isEmpty() ? kAppTitle : caption;
    // The windows write line breaks as CR LF; a lone CR would show as a box.
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    if (buttons == Buttons::YesNo) {
        const auto r = QMessageBox::question(owner, title, shown,
                                             QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes);
        return r == QMessageBox::Yes ? Answer::Yes : Answer::No;
    }
    QMessageBox::information(owner, title, shown);
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

void QtPlatform::quit() {
    // Closing a window calls quit() again; the guard keeps that from recursing.
    static bool quitting = false;
    if (quitting) return;
    quitting = true;
    QApplication::closeAllWindows();
    QApplication::exit(0);
}

}  // namespace qs
