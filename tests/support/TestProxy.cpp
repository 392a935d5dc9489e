#include "support/TestProxy.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QByteArray>
#include <chrono>
#include <list>
#include <mutex>
#include <thread>

#include "db/Endpoints.h"

namespace qs::test {

struct TestProxy::State {
    int listener = -1;
    quint16 port = 0;
    HostPort target;
    std::atomic<Mode> mode{Mode::Forward};
    std::atomic<int> delayMs{0};
    std::atomic<int> drops{0};
    std::atomic<bool> stopping{false};
    std::mutex m;
    std::list<std::thread> threads;
    std::list<int> sockets;  // open links, shut down when the proxy ends
    std::thread acceptor;
};

namespace {

struct Link {
    int client = -1;
    int server = -1;
    std::atomic<bool> dropped{false};
};

int connectTo(const HostPort& target) {
    const int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(quint16(target.port));
    inet_pton(AF_INET, target.host.toLatin1().constData(), &a.sin_addr);
    if (::connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        close(s);
        return -1;
    }
    return s;
}

bool sendAll(int to, const char* data, size_t size) {
    while (size > 0) {
        const ssize_t n = send(to, data, size, MSG_NOSIGNAL);
        if (n <= 0) return false;
        data += n;
        size -= size_t(n);
    }
    return true;
}

// One direction of a link; the client's side watches for COMMIT.
void pump(const std::shared_ptr<TestProxy::State>& state, const std::shared_ptr<Link>& link,
          bool fromClient) {
    const int from = fromClient ? link->client : link->server;
    const int to = fromClient ? link->server : link->client;
    char buffer[1 << 16];
    for (;;) {
        const ssize_t n = recv(from, buffer, sizeof buffer, 0);
        if (n <= 0 || link->dropped) break;
        if (state->mode == TestProxy::Mode::Delay)
            std::this_thread::sleep_for(std::chrono::milliseconds(state->delayMs.load()));
        const bool commit = fromClient && state->mode == TestProxy::Mode::DropAfterCommit &&
                            QByteArray(buffer, int(n)).toUpper().contains("COMMIT");
        // Marked first, so the server's answer is never passed on.
        if (commit) {
            link->dropped = true;
            state->mode = TestProxy::Mode::Forward;
            ++state->drops;
        }
        if (!sendAll(to, buffer, size_t(n)) || commit) break;
    }
    // The server reads what it was sent, then the end; the client hears nothing more.
    shutdown(link->server, SHUT_WR);
    shutdown(link->client, link->dropped ? SHUT_RDWR : SHUT_WR);
}

}  // namespace

TestProxy::TestProxy(const QString& target) : state_(std::make_shared<State>()) {
    state_->target = SplitEndpoint(target);
    state_->listener = socket(AF_INET, SOCK_STREAM, 0);
    const int on = 1;
    setsockopt(state_->listener, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof a;
    if (bind(state_->listener, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
        listen(state_->listener, 16) != 0 ||
        getsockname(state_->listener, reinterpret_cast<sockaddr*>(&a), &size) != 0)
        qFatal("the test proxy cannot listen");
    state_->port = ntohs(a.sin_port);
    state_->acceptor = std::thread([s = state_] {
        while (!s->stopping) {
            pollfd p{s->listener, POLLIN, 0};
            if (poll(&p, 1, 50) <= 0) continue;
            const int client = accept(s->listener, nullptr, nullptr);
            if (client < 0) continue;
            if (s->mode == TestProxy::Mode::Down) {
                close(client);
                continue;
            }
            auto link = std::make_shared<Link>();
            link->client = client;
            link->server = connectTo(s->target);
            if (link->server < 0) {
                close(client);
                continue;
            }
            std::lock_guard<std::mutex> lock(s->m);
            s->sockets.push_back(client);
            s->sockets.push_back(link->server);
            s->threads.emplace_back(pump, s, link, true);
            s->threads.emplace_back(pump, s, link, false);
        }
    });
}

TestProxy::~TestProxy() {
    state_->stopping = true;
    state_->acceptor.join();
    std::lock_guard<std::mutex> lock(state_->m);
    for (int s : state_->sockets) shutdown(s, SHUT_RDWR);
    for (std::thread& t : state_->threads) t.join();
    for (int s : state_->sockets) close(s);
    close(state_->listener);
}

QString TestProxy::endpoint() const {
    return QStringLiteral("127.0.0.1,%1").arg(state_->port);
}

void TestProxy::setMode(Mode mode, int delayMs) {
    state_->delayMs = delayMs;
    state_->mode = mode;
    if (mode != Mode::Down) return;
    std::lock_guard<std::mutex> lock(state_->m);
    for (int s : state_->sockets) shutdown(s, SHUT_RDWR);
}

int TestProxy::drops() const {
    return state_->drops;
}

}  // namespace qs::test
