#pragma once

#include "net/PeerResetProbe.h"
#include "net/ReplyReader.h"

#include <QAbstractSocket>
#include <QDeadlineTimer>
#include <QObject>
#include <QTcpSocket>

class QEventLoop;

namespace vo {

// One TCP connection of the HTTP client. Every wait runs a local event loop, so the window
// keeps painting and its handlers keep running while a request is under way; a handler may
// call interrupt() to end the wait at once.
class SocketChannel final : public QObject, public ByteSource
{
    Q_OBJECT
public:
    explicit SocketChannel(QObject *parent = nullptr);
    ~SocketChannel() override;

    bool isOpenTo(const QByteArray &host, quint16 port) const;

    // Closes any connection, then connects (the name lookup runs off this thread).
    // Throws EIdConnectTimeout after `limitMs`, EIdConnectException or EIdSocketError.
    // Only `limitMs` ends an attempt that goes unanswered.
    void open(const QByteArray &host, quint16 port, int limitMs);
    void write(const QByteArray &bytes);
    void close();

    // Each wait for bytes lasts at most `perWaitMs` (0: no limit) and never past `deadline`.
    void setReadLimit(int perWaitMs, QDeadlineTimer deadline = QDeadlineTimer(QDeadlineTimer::Forever));
    bool readMore(QByteArray &buffer) override;

    // The whole transfer of an operation ends within `ms` of its first byte received; a wait
    // past that fails with EIdReadTimeout. The wait for that first byte keeps its own limits.
    void setTransferBudget(qint64 ms);
    // What is left of the budget once it runs; -1 before the first byte.
    qint64 transferRemainingMs() const;

    // Closes the connection; a wait under way, or the next one before clearInterrupt(), fails.
    void interrupt();
    void clearInterrupt() { interrupted_ = false; }
    // Throws EIdConnClosedGracefully after interrupt(), so nothing more is sent.
    void throwIfInterrupted() const;

private:
    enum class Phase { Connecting, Reading };

    void wake();
    void startConnecting();
    void waitForSocket(int limitMs, Phase phase);
    int readWaitLimit() const;

    QTcpSocket socket_;
    PeerResetProbe probe_;
    QByteArray host_;
    quint16 port_ = 0;
    QAbstractSocket::SocketError error_ = QAbstractSocket::UnknownSocketError;
    bool failed_ = false;
    int perWaitMs_ = 0;
    QDeadlineTimer deadline_{QDeadlineTimer::Forever};
    qint64 transferBudgetMs_ = -1;
    QDeadlineTimer transferDeadline_{QDeadlineTimer::Forever};
    QEventLoop *loop_ = nullptr;
    bool woken_ = false;
    bool interrupted_ = false;
};

} // namespace vo
