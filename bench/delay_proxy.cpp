// A TCP proxy on loopback that delays every byte by a fixed time in each
// direction, to measure the program as if the servers stood a link away, and
// counts what the link costs: connections opened and round trips.
//   delay_proxy LISTEN_PORT TARGET_PORT ONE_WAY_DELAY_MS [CONTROL_PORT]
// Each chunk read from one side is written to the other once the delay has
// passed since it was read; bandwidth is not limited.
//
// A round trip is a client flight that the server answers: however many
// packets the client sends before the server speaks, it waits for that answer
// once; bytes that get no answer (the goodbye before a connection closes) are
// no round trip.
// With CONTROL_PORT, a line sent to that port is answered with one line
// "connections=N flights=M" (counts since the proxy started).

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

std::atomic<long> connectionsOpened{0};
std::atomic<long> clientFlights{0};

struct Chunk {
    Clock::time_point due;
    std::string bytes;  // empty: the sender closed its side
};

// Who spoke last on one connection. Counted when the server's answer is read,
// before it is passed on, so the client never has an answer not yet counted.
struct Turns {
    std::mutex m;
    bool clientWaiting = false;
    void heard(bool fromClient) {
        std::lock_guard<std::mutex> lock(m);
        if (!fromClient && clientWaiting) ++clientFlights;
        clientWaiting = fromClient;
    }
};

// One direction of one connection: a reader that stamps chunks, a writer that
// sends them when they are due.
void pump(int from, int to, Clock::duration delay, Turns& turns, bool fromClient) {
    std::deque<Chunk> queue;
    std::mutex m;
    std::condition_variable cv;
    std::thread writer([&] {
        for (;;) {
            Chunk c;
            {
                std::unique_lock<std::mutex> lock(m);
                cv.wait(lock, [&] { return !queue.empty(); });
                c = std::move(queue.front());
                queue.pop_front();
            }
            std::this_thread::sleep_until(c.due);
            if (c.bytes.empty()) {
                shutdown(to, SHUT_WR);
                return;
            }
            size_t done = 0;
            while (done < c.bytes.size()) {
                const ssize_t n =
                    send(to, c.bytes.data() + done, c.bytes.size() - done, MSG_NOSIGNAL);
                if (n <= 0) return;
                done += size_t(n);
            }
        }
    });
    std::vector<char> buffer(1 << 16);
    for (;;) {
        const ssize_t n = recv(from, buffer.data(), buffer.size(), 0);
        if (n > 0) turns.heard(fromClient);
        Chunk c{Clock::now() + delay,
                n > 0 ? std::string(buffer.data(), size_t(n)) : std::string()};
        {
            std::lock_guard<std::mutex> lock(m);
            queue.push_back(std::move(c));
        }
        cv.notify_one();
        if (n <= 0) break;
    }
    writer.join();
}

int connectTo(int port) {
    const int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(uint16_t(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        close(s);
        return -1;
    }
    return s;
}

int listenOn(int port) {
    const int l = socket(AF_INET, SOCK_STREAM, 0);
    const int on = 1;
    setsockopt(l, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(uint16_t(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (bind(l, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || listen(l, 64) != 0) {
        std::perror("delay_proxy");
        std::exit(1);
    }
    return l;
}

// Answers each line on a control connection with the counts.
void serveControl(int listener) {
    for (;;) {
        const int c = accept(listener, nullptr, nullptr);
        if (c < 0) continue;
        std::thread([c] {
            char byte;
            while (recv(c, &byte, 1, 0) == 1) {
                if (byte != '\n') continue;
                const std::string line = "connections=" + std::to_string(connectionsOpened.load()) +
                                         " flights=" + std::to_string(clientFlights.load()) + "\n";
                if (send(c, line.data(), line.size(), MSG_NOSIGNAL) <= 0) break;
            }
            close(c);
        }).detach();
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4 && argc != 5) {
        std::fprintf(stderr, "usage: %s LISTEN_PORT TARGET_PORT ONE_WAY_DELAY_MS [CONTROL_PORT]\n",
                     argv[0]);
        return 2;
    }
    const int listenPort = std::atoi(argv[1]);
    const int targetPort = std::atoi(argv[2]);
    const auto delay = std::chrono::duration_cast<Clock::duration>(
        std::chrono::duration<double, std::milli>(std::atof(argv[3])));
    const int l = listenOn(listenPort);
    if (argc == 5) std::thread(serveControl, listenOn(std::atoi(argv[4]))).detach();
    const int on = 1;
    for (;;) {
        const int client = accept(l, nullptr, nullptr);
        if (client < 0) continue;
        const int server = connectTo(targetPort);
        if (server < 0) {
            close(client);
            continue;
        }
        ++connectionsOpened;
        for (int s : {client, server}) setsockopt(s, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        std::thread([client, server, delay] {
            auto turns = std::make_shared<Turns>();
            std::thread back([&] { pump(server, client, delay, *turns, false); });
            pump(client, server, delay, *turns, true);
            back.join();
            close(client);
            close(server);
        }).detach();
    }
}
