#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

class QWidget;

namespace qs {

// The caption every message box carries unless a window names another.
inline const QString kAppTitle = QStringLiteral("青松录入双开器");

enum class Buttons { Ok, YesNo };
enum class Answer { Ok, Yes, No };

// Every operating-system service a window uses goes through this interface,
// so that tests can script the answers and record what was shown.
class Platform {
public:
    virtual ~Platform() = default;

    // A modal message box. `caption` empty means the application title. A Yes/No box answers
    // `preferred` when the operator only presses Enter: No where Yes loses something.
    virtual Answer message(QWidget* owner, const QString& text, const QString& caption = {},
                           Buttons buttons = Buttons::Ok, Answer preferred = Answer::Yes) = 0;
    virtual void beep() = 0;
    virtual bool openUrl(QWidget* owner, const QString& url) = 0;
    // Starts a program detached; false when it could not be started.
    virtual bool startProgram(const QString& program, const QStringList& arguments = {}) = 0;
    virtual QDateTime now() const = 0;
    // Asks for a file to open; empty when the operator cancels.
    virtual QString openFileName(QWidget* owner, const QString& caption, const QString& filter) = 0;
    // Asks where to save a file, proposing `name` (whose suffix a typed name without one gets),
    // and asks before replacing a file; empty when the operator cancels.
    virtual QString saveFileName(QWidget* owner, const QString& caption, const QString& filter,
                                 const QString& name) = 0;
    // Ends the whole program at once, closing every window.
    virtual void quit() = 0;
};

}  // namespace qs
