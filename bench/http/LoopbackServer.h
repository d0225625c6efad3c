#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

namespace vo::bench {

// A plain blocking HTTP server on its own threads, so that it never competes with the
// client's event loop. GET /big sends `bigSize` bytes and closes; any POST is answered
// "OK" and the connection stays open for the next request.
class LoopbackServer
{
public:
    explicit LoopbackServer(std::uint64_t bigSize);
    ~LoopbackServer();
    LoopbackServer(const LoopbackServer &) = delete;
    LoopbackServer &operator=(const LoopbackServer &) = delete;

    int port() const { return port_; }

private:
    void acceptLoop();
    void serve(int fd);

    std::uint64_t bigSize_;
    int listenFd_ = -1;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    std::mutex mutex_;
    std::vector<std::thread> workers_;
    std::vector<int> clients_;
    std::thread acceptor_;
};

} // namespace vo::bench
