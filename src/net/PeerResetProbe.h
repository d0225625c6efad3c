#pragma once

#include <QtGlobal>

namespace vo {

// Tells a connection that the peer reset (RST) from one that it closed in order (FIN). Qt
// reports both as RemoteHostClosedError and closes its descriptor at once, so the probe holds a
// duplicate of the descriptor: the socket outlives Qt's close until release(), and the kernel
// can still be asked how it ended. Where the kernel cannot be asked, every close reads as
// orderly.
class PeerResetProbe
{
public:
    PeerResetProbe() = default;
    ~PeerResetProbe() { release(); }
    PeerResetProbe(const PeerResetProbe &) = delete;
    PeerResetProbe &operator=(const PeerResetProbe &) = delete;

    // Starts watching a connected socket; any socket watched before is let go.
    void watch(qintptr descriptor);
    // Lets the socket go; with Qt's descriptor closed too, the connection ends.
    void release();
    // True once the peer has reset the watched connection.
    bool peerReset() const;

private:
    int fd_ = -1;
};

} // namespace vo
