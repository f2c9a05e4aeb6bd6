#pragma once
// A TCP relay for benchmarks: listens on a free local port, forwards every
// connection to the database server and holds each chunk, both ways, for a
// fixed one-way delay, as a slow link between workstation and server does.
// It counts request/response turns: a turn is the client sending and the
// server then answering, so each change of direction towards the client is one.
// The program reaches the server through it with "127.0.0.1/<port>:<alias>".

#include <QString>

#include <atomic>
#include <cstdint>
#include <thread>

class DelayProxy {
public:
    explicit DelayProxy(const char *serverHost = "127.0.0.1", int serverPort = 3050);
    ~DelayProxy();
    DelayProxy(const DelayProxy &) = delete;
    DelayProxy &operator=(const DelayProxy &) = delete;

    int port() const { return m_port; }
    // The connection text of alias through this relay.
    QString database(const QString &alias) const;

    // One-way delay in milliseconds; applies to chunks read from now on.
    void setDelay(int ms) { m_delayMs.store(ms); }
    int delay() const { return m_delayMs.load(); }
    // Turns since start-up.
    std::int64_t turns() const { return m_turns.load(); }

private:
    void run();

    int m_listen = -1;
    int m_port = 0;
    int m_wake[2] = {-1, -1};
    const char *m_serverHost;
    int m_serverPort;
    std::atomic<int> m_delayMs{0};
    std::atomic<std::int64_t> m_turns{0};
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};
