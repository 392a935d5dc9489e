#pragma once

#include <QThread>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

#include "db/ConnectionKeeper.h"

namespace qs {

// The thread the windows' database work runs on, with the connections it
// keeps (a Qt SQL connection belongs to the thread that opened it). Jobs run
// one at a time, in the order they were posted, as the windows' commands never
// overlap. One thread serves every window, so a connection the login opened
// serves the editor after it, as a connection pool would.
class DatabaseThread : public QThread {
public:
    using Job = std::function<void(ConnectionKeeper&)>;

    // The program's database thread, started on first use and stopped, its
    // connections closed, when the application object goes (or at exit).
    static DatabaseThread& shared();

    // Queues `job`; it runs on this thread with the kept connections. A job
    // reports its outcome itself (it must not throw).
    void post(Job job);
    // Runs every queued job, closes the connections and ends the thread.
    void stop();

    ~DatabaseThread() override;

protected:
    void run() override;

private:
    DatabaseThread();

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Job> jobs_;
    bool stopping_ = false;
};

}  // namespace qs
