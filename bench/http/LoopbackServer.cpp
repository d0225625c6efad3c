#include "LoopbackServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>

namespace vo::bench {

namespace {

bool sendAll(int fd, const char *data, std::size_t size)
{
    while (size > 0) {
        const ssize_t n = ::send(fd, data, size, MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        data += n;
        size -= std::size_t(n);
    }
    return true;
}

std::uint64_t contentLengthOf(const std::string &head)
{
    std::string lower = head;
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    const std::size_t at = lower.find("\ncontent-length:");
    return at == std::string::npos ? 0 : std::strtoull(head.c_str() + at + 16, nullptr, 10);
}

} // namespace

LoopbackServer::LoopbackServer(std::uint64_t bigSize) : bigSize_(bigSize)
{
    listenFd_ = ::socket(AF_INET, SOCK_STREAM, 0);
    const int one = 1;
    ::setsockopt(listenFd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(listenFd_, reinterpret_cast<sockaddr *>(&addr), sizeof addr);
    ::listen(listenFd_, 64);
    socklen_t len = sizeof addr;
    ::getsockname(listenFd_, reinterpret_cast<sockaddr *>(&addr), &len);
    port_ = ntohs(addr.sin_port);
    acceptor_ = std::thread([this] { acceptLoop(); });
}

LoopbackServer::~LoopbackServer()
{
    stopping_ = true;
    ::shutdown(listenFd_, SHUT_RDWR);
    acceptor_.join();
    {
        const std::lock_guard lock(mutex_);
        for (const int fd : clients_)
            ::shutdown(fd, SHUT_RDWR);
    }
    for (std::thread &t : workers_)
        t.join();
    ::close(listenFd_);
}

void LoopbackServer::acceptLoop()
{
    while (!stopping_) {
        const int fd = ::accept(listenFd_, nullptr, nullptr);
        if (fd < 0)
            break;
        const std::lock_guard lock(mutex_);
        clients_.push_back(fd);
        workers_.emplace_back([this, fd] { serve(fd); });
    }
}

void LoopbackServer::serve(int fd)
{
    std::string in;
    std::vector<char> block(1 << 20, 'b');
    std::vector<char> buf(65536);
    // Reads until `in` holds at least `size` bytes; false once the peer has gone.
    const auto fillTo = [&](std::size_t size) {
        while (in.size() < size) {
            const ssize_t n = ::recv(fd, buf.data(), buf.size(), 0);
            if (n <= 0)
                return false;
            in.append(buf.data(), std::size_t(n));
        }
        return true;
    };
    for (bool open = true; open;) {
        std::size_t headEnd;
        while (open && (headEnd = in.find("\r\n\r\n")) == std::string::npos)
            open = fillTo(in.size() + 1);
        if (!open)
            break;
        const std::string head = in.substr(0, headEnd + 4);
        const std::uint64_t total = head.size() + contentLengthOf(head);
        if (!fillTo(total))
            break;
        in.erase(0, total);

        if (head.rfind("GET /big", 0) == 0) {
            const std::string reply = "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(bigSize_)
                                    + "\r\nConnection: close\r\n\r\n";
            open = sendAll(fd, reply.data(), reply.size());
            for (std::uint64_t left = bigSize_; open && left > 0;) {
                const std::size_t piece = std::size_t(std::min<std::uint64_t>(left, block.size()));
                open = sendAll(fd, block.data(), piece);
                left -= piece;
            }
            break;
        }
        static const char ok[] = "HTTP/1.1 200 OK\r\nConnection: keep-alive\r\nContent-Length: 2\r\n\r\nOK";
        open = sendAll(fd, ok, sizeof ok - 1);
    }
    const std::lock_guard lock(mutex_);
    clients_.erase(std::remove(clients_.begin(), clients_.end(), fd), clients_.end());
    ::close(fd);
}

} // namespace vo::bench
