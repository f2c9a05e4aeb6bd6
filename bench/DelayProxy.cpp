#include "bench/DelayProxy.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <list>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct Chunk {
    Clock::time_point due;
    std::string data; // empty: the sender closed its side
};

struct Side {
    int fd = -1;
    std::deque<Chunk> out; // chunks still to be written to this side
    std::size_t written = 0; // bytes of the first chunk already written
    bool readClosed = false;
};

struct Pair {
    Side client;
    Side server;
    bool clientSpokeLast = false;
};

void fail(const char *what)
{
    std::perror(what);
    std::exit(2);
}

void nonBlocking(int fd)
{
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
    const int one = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
}

} // namespace

DelayProxy::DelayProxy(const char *serverHost, int serverPort) : m_serverHost(serverHost), m_serverPort(serverPort)
{
    m_listen = socket(AF_INET, SOCK_STREAM, 0);
    if (m_listen < 0)
        fail("socket");
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    if (bind(m_listen, reinterpret_cast<sockaddr *>(&address), sizeof address) < 0 || listen(m_listen, 16) < 0)
        fail("bind");
    socklen_t length = sizeof address;
    getsockname(m_listen, reinterpret_cast<sockaddr *>(&address), &length);
    m_port = ntohs(address.sin_port);
    if (pipe(m_wake) < 0)
        fail("pipe");
    m_thread = std::thread([this] { run(); });
}

DelayProxy::~DelayProxy()
{
    m_stop = true;
    const char c = 0;
    if (write(m_wake[1], &c, 1) < 0) {
        // The thread also stops at its next poll timeout.
    }
    m_thread.join();
    close(m_listen);
    close(m_wake[0]);
    close(m_wake[1]);
}

QString DelayProxy::database(const QString &alias) const
{
    return QStringLiteral("127.0.0.1/%1:%2").arg(m_port).arg(alias);
}

void DelayProxy::run()
{
    std::list<Pair> pairs;
    std::vector<char> buffer(1 << 16);
    while (!m_stop) {
        const Clock::time_point now = Clock::now();
        std::vector<pollfd> fds{{m_wake[0], POLLIN, 0}, {m_listen, POLLIN, 0}};
        int timeout = 100;
        for (Pair &p : pairs) {
            for (Side *s : {&p.client, &p.server}) {
                short events = s->readClosed ? 0 : POLLIN;
                if (!s->out.empty()) {
                    if (s->out.front().due <= now) {
                        events |= POLLOUT;
                    } else {
                        const auto wait =
                            std::chrono::ceil<std::chrono::milliseconds>(s->out.front().due - now).count();
                        timeout = std::min<int>(timeout, static_cast<int>(wait));
                    }
                }
                fds.push_back({s->fd, events, 0});
            }
        }
        if (poll(fds.data(), fds.size(), timeout) < 0 && errno != EINTR)
            fail("poll");
        if (fds[1].revents & POLLIN) {
            const int client = accept(m_listen, nullptr, nullptr);
            if (client >= 0) {
                const int server = socket(AF_INET, SOCK_STREAM, 0);
                sockaddr_in address{};
                address.sin_family = AF_INET;
                address.sin_port = htons(static_cast<uint16_t>(m_serverPort));
                inet_pton(AF_INET, m_serverHost, &address.sin_addr);
                if (connect(server, reinterpret_cast<sockaddr *>(&address), sizeof address) < 0) {
                    close(server);
                    close(client);
                } else {
                    nonBlocking(client);
                    nonBlocking(server);
                    Pair &p = pairs.emplace_back();
                    p.client.fd = client;
                    p.server.fd = server;
                }
            }
        }
        // Sides are looked up by position; pairs added above are polled next round.
        std::size_t index = 2;
        for (Pair &p : pairs) {
            for (bool fromClient : {true, false}) {
                if (index >= fds.size())
                    break;
                Side &from = fromClient ? p.client : p.server;
                Side &to = fromClient ? p.server : p.client;
                const short revents = fds[index++].revents;
                if (!from.readClosed && (revents & (POLLIN | POLLHUP | POLLERR))) {
                    const ssize_t n = recv(from.fd, buffer.data(), buffer.size(), 0);
                    if (n > 0) {
                        if (!fromClient && p.clientSpokeLast)
                            ++m_turns;
                        p.clientSpokeLast = fromClient;
                        to.out.push_back({Clock::now() + std::chrono::milliseconds(m_delayMs.load()),
                                          std::string(buffer.data(), static_cast<std::size_t>(n))});
                    } else if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK)) {
                        from.readClosed = true;
                        to.out.push_back({Clock::now() + std::chrono::milliseconds(m_delayMs.load()), {}});
                    }
                }
                if (revents & POLLOUT) {
                    Side &target = from; // POLLOUT was asked for this side's own queue
                    const Clock::time_point t = Clock::now();
                    while (!target.out.empty() && target.out.front().due <= t) {
                        Chunk &c = target.out.front();
                        if (c.data.empty()) {
                            shutdown(target.fd, SHUT_WR);
                            target.out.pop_front();
                            continue;
                        }
                        const ssize_t n = send(target.fd, c.data.data() + target.written,
                                               c.data.size() - target.written, MSG_NOSIGNAL);
                        if (n < 0) {
                            if (errno != EAGAIN && errno != EWOULDBLOCK)
                                target.out.clear();
                            break;
                        }
                        target.written += static_cast<std::size_t>(n);
                        if (target.written < c.data.size())
                            break;
                        target.written = 0;
                        target.out.pop_front();
                    }
                }
            }
        }
        for (auto it = pairs.begin(); it != pairs.end();) {
            if (it->client.readClosed && it->server.readClosed && it->client.out.empty() && it->server.out.empty()) {
                close(it->client.fd);
                close(it->server.fd);
                it = pairs.erase(it);
            } else {
                ++it;
            }
        }
        if (fds[0].revents & POLLIN) {
            char c;
            if (read(m_wake[0], &c, 1) < 0) {
                // Nothing to do: the stop flag decides.
            }
        }
    }
    for (Pair &p : pairs) {
        close(p.client.fd);
        close(p.server.fd);
    }
}
