#pragma once

#include <QString>
#include <functional>

#include "db/ConnectionKeeper.h"

namespace qs {

// What a job on the database thread has: the kept connections, and a line
// back to the window that waits for it (progress, the stop button). Progress
// and the stop flag are safe to use from the job's thread.
class WorkerContext {
public:
    using Progress = std::function<void(const QString& caption, int done, int total)>;

    WorkerContext(ConnectionKeeper& keeper, Progress progress, std::function<bool()> stop)
        : keeper_(keeper), progress_(std::move(progress)), stop_(std::move(stop)) {}

    ConnectionKeeper& connections() { return keeper_; }
    // The kept connection to the server at `endpoint` and to the local file
    // of a program folder, as OpenServerDatabase and OpenLocalDatabase open
    // them (WorkFailure when they cannot be opened).
    Connection& server(const QString& endpoint);
    Connection& local(const QString& programFolder);

    // Shows `caption` (and, when `total` > 0, done of total) in the window;
    // only the latest report is shown when they come faster than it paints.
    void progress(const QString& caption, int done = -1, int total = -1) const {
        if (progress_) progress_(caption, done, total);
    }
    // A progress callback for the plain classes that take one.
    std::function<void(const QString&)> captionReporter() const {
        return [this](const QString& caption) { progress(caption); };
    }
    // True once the operator pressed the stop button the command named.
    bool stopRequested() const { return stop_ && stop_(); }

private:
    ConnectionKeeper& keeper_;
    Progress progress_;
    std::function<bool()> stop_;
};

}  // namespace qs
