#pragma once

#include <QEventLoop>
#include <QPointer>
#include <QString>
#include <atomic>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <type_traits>

class QAbstractButton;
class QObject;

namespace qs {

// The window's side of a command whose work runs on another thread: the
// window's thread waits in a local event loop, so the windows repaint and
// their timers run, the cursor shows the program busy, and the operator's
// input is held so that commands never overlap: without a stop button it is
// delivered once the command ends (a close of a window too), with one every
// click and key but those on the stop button is dropped, as the window's
// other controls are then disabled anyway.
//
// The working thread reports through progress() and finish(); both are safe
// to call from it. finish() must be its last call.
class CommandWait {
public:
    struct Options {
        // Stays clickable (enabled for the run); a click sets stopRequested().
        QAbstractButton* stop = nullptr;
        // Called on the window's thread with the latest report.
        std::function<void(const QString& caption, int done, int total)> progress;
    };

    explicit CommandWait(Options options);
    ~CommandWait();
    CommandWait(const CommandWait&) = delete;
    CommandWait& operator=(const CommandWait&) = delete;

    // From the working thread.
    void progress(const QString& caption, int done, int total);
    bool stopRequested() const { return stop_; }
    void finish(std::exception_ptr failure);

    // On the window's thread: returns once finish() was called, rethrowing
    // what the work threw.
    void wait();

private:
    struct Report {
        QString caption;
        int done = -1;
        int total = -1;
    };
    void showReport();

    Options options_;
    std::unique_ptr<QObject> receiver_;  // lives on the window's thread
    QEventLoop loop_;
    std::atomic<bool> stop_ = false;
    bool done_ = false;
    std::exception_ptr failure_;
    std::mutex mutex_;
    Report latest_;
    bool reportPosted_ = false;
};

// Work that needs neither widgets nor databases (reading a paper file, converting its
// pictures) on a thread of its own, the window waiting as for a database job (CommandWait:
// painted, busy cursor, input held); returns the job's value, or rethrows what it threw.
template <class F>
auto RunAndWait(F&& job, const CommandWait::Options& options = {}) -> std::invoke_result_t<F&> {
    using Result = std::invoke_result_t<F&>;
    static_assert(!std::is_void_v<Result>, "the job returns what it made");
    CommandWait wait(options);
    std::optional<Result> result;
    std::thread worker([&] {
        try {
            result.emplace(job());
            wait.finish(nullptr);
        } catch (...) {
            wait.finish(std::current_exception());
        }
    });
    struct Join {
        std::thread& thread;
        ~Join() { thread.join(); }
    } join{worker};
    wait.wait();
    return std::move(*result);
}

}  // namespace qs
