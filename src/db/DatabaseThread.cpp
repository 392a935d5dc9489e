#include "db/DatabaseThread.h"

#include <QCoreApplication>
#include <memory>

namespace qs {

namespace {

std::unique_ptr<DatabaseThread>& instance() {
    static std::unique_ptr<DatabaseThread> thread;
    return thread;
}

// The connections close before the application object's plug-ins and
// settings go.
void stopShared() {
    if (instance()) instance()->stop();
}

}  // namespace

DatabaseThread::DatabaseThread() {
    setObjectName(QStringLiteral("qs-database"));
}

DatabaseThread& DatabaseThread::shared() {
    static std::once_flag once;
    std::call_once(once, [] {
        instance().reset(new DatabaseThread);
        instance()->start();
        if (QCoreApplication::instance()) qAddPostRoutine(stopShared);
    });
    return *instance();
}

DatabaseThread::~DatabaseThread() {
    stop();
}

void DatabaseThread::post(Job job) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        jobs_.push_back(std::move(job));
    }
    wake_.notify_one();
}

void DatabaseThread::stop() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_one();
    wait();
}

void DatabaseThread::run() {
    ConnectionKeeper keeper;
    for (;;) {
        Job job;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            wake_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
            if (jobs_.empty()) return;
            job = std::move(jobs_.front());
            jobs_.pop_front();
        }
        job(keeper);
        keeper.settle();
    }
}

}  // namespace qs
