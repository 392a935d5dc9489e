#pragma once

#include "platform/Platform.h"

namespace qs {

// The production services: Qt message boxes and file dialogs, the desktop's
// URL handler, detached processes and the local clock.
class QtPlatform : public Platform {
public:
    Answer message(QWidget* owner, const QString& text, const QString& caption = {},
                   Buttons buttons = Buttons::Ok, Answer preferred = Answer::Yes) override;
    void beep() override;
    bool openUrl(QWidget* owner, const QString& url) override;
    bool startProgram(const QString& program, const QStringList& arguments) override;
    QDateTime now() const override;
    QString openFileName(QWidget* owner, const QString& caption, const QString& filter) override;
    QString saveFileName(QWidget* owner, const QString& caption, const QString& filter,
                         const QString& name) override;
    void quit() override;

private:
    QString fileName(QWidget* owner, const QString& caption, const QString& filter,
                     const QString& name, bool save);
    QString lastFolder_;  // where the operator last opened or saved a file
};

}  // namespace qs
