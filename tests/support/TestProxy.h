#pragma once

#include <QString>
#include <atomic>
#include <memory>

namespace qs::test {

// A TCP proxy on loopback between the test and a server, run by threads of the test itself.
// It forwards, delays each chunk, or breaks the link right after forwarding a client message
// that holds COMMIT: the server receives the COMMIT, the client never hears its answer. Down
// stands for a server that went away: its links end and new ones are closed at once.
class TestProxy {
public:
    enum class Mode { Forward, Delay, DropAfterCommit, Down };

    // Forwards to `target` ("host,port").
    explicit TestProxy(const QString& target);
    ~TestProxy();
    TestProxy(const TestProxy&) = delete;
    TestProxy& operator=(const TestProxy&) = delete;

    // "127.0.0.1,<port>": the endpoint the test connects to.
    QString endpoint() const;
    // DropAfterCommit drops one link, then forwards again.
    void setMode(Mode mode, int delayMs = 0);
    // Links dropped so far.
    int drops() const;

    struct State;  // shared with the proxy's threads

private:
    std::shared_ptr<State> state_;
};

}  // namespace qs::test
