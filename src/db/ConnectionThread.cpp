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
    spare_.push_back({connectionString,
                      std::make_unique<ConnectionThread>(connectionString, timeoutSeconds),
                      {}});
}

void SpareConnections::prepare(const QString& connectionString, int timeoutSeconds) {
    bool kept = false;
    for (Spare& s : spare_) {
        if (s.connectionString != connectionString) continue;
        kept = true;
        // A check made for an earlier command says nothing of now: asked again
        // (a check still on its way answers for both).
        if (s.checked.valid() &&
            s.checked.wait_for(std::chrono::seconds(0)) != std::future_status::ready)
            continue;
        s.checked =
            s.thread->run<void>([](Connection& c) { c.execute(QStringLiteral("select 1")); });
    }
    if (!kept) start(connectionString, timeoutSeconds);
}

std::unique_ptr<ConnectionThread> SpareConnections::take(const QString& connectionString,
                                                         int timeoutSeconds) {
    for (auto it = spare_.begin(); it != spare_.end();) {
        if (it->connectionString != connectionString) {
            ++it;
            continue;
        }
        Spare s = std::move(*it);
        it = spare_.erase(it);
        try {
            if (s.checked.valid()) s.checked.get();
            return std::move(s.thread);
        } catch (const DbError&) {
            // Its link broke while it was kept: closed, and the next one tried.
        }
    }
    return std::make_unique<ConnectionThread>(connectionString, timeoutSeconds);
}

void SpareConnections::giveBack(const QString& connectionString,
                                std::unique_ptr<ConnectionThread> thread) {
    if (thread) spare_.push_back({connectionString, std::move(thread), {}});
}

}  // namespace qs
