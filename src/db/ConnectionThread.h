#pragma once

#include <QString>
#include <exception>
#include <functional>
#include <future>
#include <memory>
#include <type_traits>
#include <utility>
#include <vector>

#include "db/Connection.h"

namespace qs {

// A connection of a thread of its own, which runs the jobs handed to it one
// at a time, in order: a pass reads its source or looks its next batch up on
// one link while it writes on another. The connection is opened (and closed)
// by that thread, since a connection belongs to the thread that opened it.
class ConnectionThread {
public:
    // Starts the thread, which opens the connection at once.
    ConnectionThread(const QString& connectionString, int timeoutSeconds);
    // Lets the running job end (ask it to, through its own means), runs no
    // other, and closes the connection.
    ~ConnectionThread();
    ConnectionThread(const ConnectionThread&) = delete;
    ConnectionThread& operator=(const ConnectionThread&) = delete;

    // Runs `job` on the thread's connection after the jobs before it. The
    // future holds its result, or its DbError (a failed opening included).
    template <class T>
    std::future<T> run(std::function<T(Connection&)> job) {
        auto promise = std::make_shared<std::promise<T>>();
        std::future<T> result = promise->get_future();
        post([promise, job = std::move(job)](Connection* c, const std::exception_ptr& failure) {
            try {
                if (!c) std::rethrow_exception(failure);
                if constexpr (std::is_void_v<T>) {
                    job(*c);
                    promise->set_value();
                } else {
                    promise->set_value(job(*c));
                }
            } catch (...) {
                promise->set_exception(std::current_exception());
            }
        });
        return result;
    }

private:
    struct Worker;
    // `job` with the open connection, or with none and why it could not be opened.
    using Job = std::function<void(Connection*, const std::exception_ptr&)>;
    void post(Job job);

    std::unique_ptr<Worker> worker_;
};

// Connection threads started ahead of need: a command whose steps will each
// read or look ahead on a connection of another thread starts them when it
// opens its own connections, so that all the logins overlap; a step takes
// one for its connection string, or gets a new one when none waits. A window
// that keeps them between its commands gives back those a step left idle and
// sound; the next command's `prepare` checks them in the background (a link
// that broke meanwhile is replaced by a new login when taken).
class SpareConnections {
public:
    void start(const QString& connectionString, int timeoutSeconds);
    // Checks the kept connections to `connectionString`; starts one when none is kept.
    void prepare(const QString& connectionString, int timeoutSeconds);
    std::unique_ptr<ConnectionThread> take(const QString& connectionString, int timeoutSeconds);
    // Keeps `thread`, idle and sound, for the next command.
    void giveBack(const QString& connectionString, std::unique_ptr<ConnectionThread> thread);

private:
    struct Spare {
        QString connectionString;
        std::unique_ptr<ConnectionThread> thread;
        std::future<void> checked;  // when it was used before: whether it still answers
    };
    std::vector<Spare> spare_;
};

// Waits for `future`, calling `beat` every few tens of milliseconds meanwhile
// (to keep the window painted); its result, or its DbError thrown.
template <class T>
T WaitFor(std::future<T>& future, const std::function<void()>& beat) {
    while (future.wait_for(std::chrono::milliseconds(50)) != std::future_status::ready)
        if (beat) beat();
    return future.get();
}

}  // namespace qs
