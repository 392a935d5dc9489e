#include "db/ConnectionThread.h"

#include <QThread>
#include <condition_variable>
#include <deque>
#include <mutex>

namespace qs {

struct ConnectionThread::Worker {
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<Job> jobs;
    bool stop = false;
    std::unique_ptr<QThread> thread;

    void loop(const QString& connectionString, int timeoutSeconds) {
        Connection c;
        std::exception_ptr failure;
        try {
            c.open(connectionString, timeoutSeconds, ado::adUseServer);
        } catch (...) {
            failure = std::current_exception();
        }
        for (;;) {
            Job job;
            {
                std::unique_lock lock(mutex);
                changed.wait(lock, [&] { return stop || !jobs.empty(); });
                if (stop) break;
                job = std::move(jobs.front());
                jobs.pop_front();
            }
            job(failure ? nullptr : &c, failure);
        }
    }
};

ConnectionThread::ConnectionThread(const QString& connectionString, int timeoutSeconds)
    : worker_(std::make_unique<Worker>()) {
    Worker* w = worker_.get();
    worker_->thread.reset(QThread::create(
        [w, connectionString, timeoutSeconds] { w->loop(connectionString, timeoutSeconds); }));
    worker_->thread->start();
}

ConnectionThread::~ConnectionThread() {
    {
        std::lock_guard lock(worker_->mutex);
        worker_->stop = true;
        worker_->jobs.clear();
        worker_->changed.notify_all();
    }
    worker_->thread->wait();
}

void ConnectionThread::post(Job job) {
    std::lock_guard lock(worker_->mutex);
    worker_->jobs.push_back(std::move(job));
    worker_->changed.notify_all();
}

void SpareConnections::start(const QString& connectionString, int timeoutSeconds) {
    spare_.emplace_back(connectionString,
                        std::make_unique<ConnectionThread>(connectionString, timeoutSeconds));
}

std::unique_ptr<ConnectionThread> SpareConnections::take(const QString& connectionString,
                                                         int timeoutSeconds) {
    for (auto it = spare_.begin(); it != spare_.end(); ++it) {
        if (it->first != connectionString) continue;
        std::unique_ptr<ConnectionThread> t = std::move(it->second);
        spare_.erase(it);
        return t;
    }
    return std::make_unique<ConnectionThread>(connectionString, timeoutSeconds);
}

}  // namespace qs
