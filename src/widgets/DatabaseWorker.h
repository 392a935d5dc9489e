#pragma once

// Header only: it joins the window's side of a command (CommandWait) to the
// database thread, and is instantiated by the windows' modules, which link
// the database module.

#include <QCoreApplication>
#include <QPointer>
#include <exception>
#include <optional>
#include <type_traits>
#include <utility>

#include "db/DatabaseThread.h"
#include "db/WorkerContext.h"
#include "widgets/CommandWait.h"

namespace qs {

// A window's way to run database work off its own thread while its handler
// keeps its sequential shape:
//
//     const int n = worker_.run([&](WorkerContext& c) {
//         return CountSomething(c.server(endpoint));
//     });
//
// The job runs on the database thread with the connections kept there (a
// connection belongs to the thread that opened it); the handler waits in a
// local event loop (CommandWait: painted, busy cursor, input held, optional
// stop button and progress), then gets the job's value, or the DbError (or
// any other exception) the job threw, rethrown. The job may read what the
// handler's locals hold and write its own, since the handler waits; it must
// not touch widgets.
class DatabaseWorker {
public:
    using Options = CommandWait::Options;

    bool running() const { return running_; }

    template <class F>
    auto run(F&& job, const Options& options = {}) -> std::invoke_result_t<F&, WorkerContext&> {
        using Result = std::invoke_result_t<F&, WorkerContext&>;
        CommandWait wait(options);
        std::conditional_t<std::is_void_v<Result>, bool, std::optional<Result>> result{};
        running_ = true;
        DatabaseThread::shared().post([&](ConnectionKeeper& keeper) {
            WorkerContext context(
                keeper,
                [&wait](const QString& caption, int done, int total) {
                    wait.progress(caption, done, total);
                },
                [&wait] { return wait.stopRequested(); });
            try {
                if constexpr (std::is_void_v<Result>)
                    job(context);
                else
                    result.emplace(job(context));
                keeper.settle();
                wait.finish(nullptr);
            } catch (...) {
                keeper.settle();
                wait.finish(std::current_exception());
            }
        });
        struct Reset {
            bool& flag;
            ~Reset() { flag = false; }
        } reset{running_};
        wait.wait();
        if constexpr (!std::is_void_v<Result>) return std::move(*result);
    }

    // Runs `job` without waiting, for reads a window wants in the background
    // (the next pages of a table): `done(value, failure)` gets its value, or
    // with `failure` set what it threw, on the window's thread later, unless
    // `context` is gone by then. No input is held meanwhile.
    template <class F, class Done>
    static void start(QObject* context, F job, Done done) {
        using Result = std::invoke_result_t<F&, WorkerContext&>;
        static_assert(!std::is_void_v<Result>, "a job started in the background returns a value");
        DatabaseThread::shared().post([guard = QPointer<QObject>(context), job = std::move(job),
                                       done = std::move(done)](ConnectionKeeper& keeper) mutable {
            WorkerContext context(keeper, {}, {});
            Result value{};
            std::exception_ptr failure;
            try {
                value = job(context);
            } catch (...) {
                failure = std::current_exception();
            }
            keeper.settle();
            // The application object outlives every window: the guard is
            // looked at on the window's thread.
            QMetaObject::invokeMethod(
                QCoreApplication::instance(),
                [guard, done = std::move(done), value = std::move(value), failure]() mutable {
                    if (guard) done(std::move(value), failure);
                },
                Qt::QueuedConnection);
        });
    }

private:
    bool running_ = false;
};

}  // namespace qs
