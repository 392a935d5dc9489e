// A TCP proxy on loopback that delays every byte by a fixed time in each
// direction, to measure the passes as if the servers stood a link away.
//   delay_proxy LISTEN_PORT TARGET_PORT ONE_WAY_DELAY_MS
// Each chunk read from one side is written to the other once the delay has
// passed since it was read; bandwidth is not limited.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct Chunk {
    Clock::time_point due;
    std::string bytes;  // empty: the sender closed its side
};

// One direction of one connection: a reader that stamps chunks, a writer that
// sends them when they are due.
void pump(int from, int to, Clock::duration delay) {
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

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s LISTEN_PORT TARGET_PORT ONE_WAY_DELAY_MS\n", argv[0]);
        return 2;
    }
    const int listenPort = std::atoi(argv[1]);
    const int targetPort = std::atoi(argv[2]);
    const auto delay = std::chrono::duration_cast<Clock::duration>(
        std::chrono::duration<double, std::milli>(std::atof(argv[3])));
    const int l = socket(AF_INET, SOCK_STREAM, 0);
    const int on = 1;
    setsockopt(l, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(uint16_t(listenPort));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (bind(l, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || listen(l, 64) != 0) {
        std::perror("delay_proxy");
        return 1;
    }
    for (;;) {
        const int client = accept(l, nullptr, nullptr);
        if (client < 0) continue;
        const int server = connectTo(targetPort);
        if (server < 0) {
            close(client);
            continue;
        }
        for (int s : {client, server}) setsockopt(s, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        std::thread([client, server, delay] {
            std::thread back([&] { pump(server, client, delay); });
            pump(client, server, delay);
            back.join();
            close(client);
            close(server);
        }).detach();
    }
}
