#include "net/PeerResetProbe.h"

#ifdef Q_OS_LINUX
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace vo {

#ifdef Q_OS_LINUX

void PeerResetProbe::watch(qintptr descriptor)
{
    release();
    if (descriptor >= 0)
        fd_ = ::fcntl(static_cast<int>(descriptor), F_DUPFD_CLOEXEC, 0);
}

void PeerResetProbe::release()
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

bool PeerResetProbe::peerReset() const
{
    if (fd_ < 0)
        return false;
    // A FIN leaves the socket in CLOSE_WAIT while this side still holds it; only a reset (or
    // a failure of the same weight) moves it straight to CLOSE.
    tcp_info info{};
    socklen_t size = sizeof info;
    if (::getsockopt(fd_, IPPROTO_TCP, TCP_INFO, &info, &size) != 0)
        return false;
    return info.tcpi_state == TCP_CLOSE;
}

#else

void PeerResetProbe::watch(qintptr) {}
void PeerResetProbe::release() {}
bool PeerResetProbe::peerReset() const { return false; }

#endif

} // namespace vo
