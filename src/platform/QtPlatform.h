#pragma once

#include "platform/Platform.h"

namespace qs {

// The production services: Qt message boxes, the desktop's URL handler,
// detached processes and the local clock.
class QtPlatform : public Platform {
public:
    Answer message(QWidget* owner, const QString& text, const QString& caption = {},
                   Buttons buttons = Buttons::Ok, Answer preferred = Answer::Yes) override;
    void beep() override;
    bool openUrl(QWidget* owner, const QString& url) override;
    bool startProgram(const QString& program, const QStringList& arguments) override;
    QDateTime now() const override;
    QString openFileName(QWidget* owner, const QString& caption, const QString& filter) override;
    void quit() override;
};

}  // namespace qs
