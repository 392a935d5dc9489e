#include "widgets/CommandWait.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QWidget>

namespace qs {

namespace {

// Holds the operator's input while a command runs. With a stop button,
// clicks and keys aimed anywhere else are dropped; closing a window is
// always put off until the command ends, as the program ends with it.
class InputHold : public QObject {
public:
    explicit InputHold(QAbstractButton* stop) : stop_(stop) {
        QCoreApplication::instance()->installEventFilter(this);
    }
    ~InputHold() override {
        QCoreApplication::instance()->removeEventFilter(this);
        for (const QPointer<QWidget>& w : closing_)
            if (w) w->close();
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        switch (event->type()) {
            case QEvent::Close: {
                auto* w = qobject_cast<QWidget*>(watched);
                if (!w || !w->isWindow() || !event->spontaneous()) return false;
                if (!closing_.contains(w)) closing_ << w;
                event->ignore();
                return true;
            }
            case QEvent::MouseButtonPress:
            case QEvent::MouseButtonRelease:
            case QEvent::MouseButtonDblClick:
            case QEvent::KeyPress:
            case QEvent::KeyRelease:
            case QEvent::ShortcutOverride:
            case QEvent::Shortcut:
            case QEvent::Wheel:
            case QEvent::ContextMenu:
            case QEvent::Drop: {
                if (!stop_) return false;  // the loop itself holds it back
                auto* w = qobject_cast<QWidget*>(watched);
                return w && w != stop_ && !stop_->isAncestorOf(w);
            }
            default:
                return false;
        }
    }

private:
    QPointer<QAbstractButton> stop_;
    QList<QPointer<QWidget>> closing_;
};

}  // namespace

CommandWait::CommandWait(Options options)
    : options_(std::move(options)), receiver_(std::make_unique<QObject>()) {}

CommandWait::~CommandWait() = default;

void CommandWait::progress(const QString& caption, int done, int total) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (options_.everyCaption && caption != latest_.caption) captions_ << caption;
    latest_ = {caption, done, total};
    if (reportPosted_ || !options_.progress) return;
    reportPosted_ = true;
    QMetaObject::invokeMethod(
        receiver_.get(), [this] { showReport(); }, Qt::QueuedConnection);
}

void CommandWait::showReport() {
    Report r;
    QStringList captions;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        r = latest_;
        captions.swap(captions_);
        reportPosted_ = false;
    }
    if (captions.isEmpty()) captions << r.caption;
    for (const QString& caption : captions) options_.progress(caption, r.done, r.total);
}

void CommandWait::finish(std::exception_ptr failure) {
    // Posted after every report, so the window has seen them all when the
    // wait ends; the flag is set on the window's thread only.
    QMetaObject::invokeMethod(
        receiver_.get(),
        [this, failure] {
            failure_ = failure;
            done_ = true;
            loop_.quit();
        },
        Qt::QueuedConnection);
}

void CommandWait::wait() {
    const bool stopWasEnabled = options_.stop && options_.stop->isEnabled();
    QMetaObject::Connection stopClicked;
    if (options_.stop) {
        options_.stop->setEnabled(true);
        stopClicked = QObject::connect(options_.stop, &QAbstractButton::clicked, receiver_.get(),
                                       [this] { stop_ = true; });
    }
    const bool gui = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    if (gui) QGuiApplication::setOverrideCursor(Qt::BusyCursor);
    {
        InputHold hold(options_.stop);
        const auto flags =
            options_.stop ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents;
        while (!done_) loop_.exec(flags);
    }
    if (gui) QGuiApplication::restoreOverrideCursor();
    if (options_.stop) {
        QObject::disconnect(stopClicked);
        options_.stop->setEnabled(stopWasEnabled);
    }
    if (failure_) std::rethrow_exception(failure_);
}

}  // namespace qs
