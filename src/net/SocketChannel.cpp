#include "net/SocketChannel.h"

#include "net/IdExceptions.h"

#include <QEventLoop>
#include <QNetworkProxy>
#include <QTimer>

#include <limits>

namespace vo {

namespace {
// Largest read from the socket in one go; with the bounded socket buffer this keeps the
// memory of a long download flat.
constexpr qint64 kReadSize = 256 * 1024;
constexpr qint64 kSocketBufferSize = 1024 * 1024;
} // namespace

SocketChannel::SocketChannel(QObject *parent) : QObject(parent)
{
    // The socket, and the timers Qt gives it, belong to the client's object tree.
    socket_.setParent(this);
    // The client has no proxy: neither the system's nor http_proxy may reroute the seller's
    // requests.
    socket_.setProxy(QNetworkProxy::NoProxy);
    socket_.setReadBufferSize(kSocketBufferSize);
    connect(&socket_, &QTcpSocket::connected, this, &SocketChannel::wake);
    connect(&socket_, &QTcpSocket::readyRead, this, &SocketChannel::wake);
    connect(&socket_, &QTcpSocket::disconnected, this, &SocketChannel::wake);
    connect(&socket_, &QTcpSocket::errorOccurred, this, [this](QAbstractSocket::SocketError error) {
        if (error != QAbstractSocket::RemoteHostClosedError && !failed_) {
            failed_ = true;
            error_ = error;
        }
        wake();
    });
}

SocketChannel::~SocketChannel()
{
    socket_.disconnect(this);
    if (loop_)
        loop_->quit();
}

bool SocketChannel::isOpenTo(const QByteArray &host, quint16 port) const
{
    return socket_.state() == QAbstractSocket::ConnectedState && !failed_ && port == port_
        && host.compare(host_, Qt::CaseInsensitive) == 0;
}

void SocketChannel::wake()
{
    woken_ = true;
    if (loop_)
        loop_->quit();
}

void SocketChannel::throwIfInterrupted() const
{
    if (interrupted_)
        throw EIdConnClosedGracefully();
}

void SocketChannel::waitForSocket(int limitMs, Phase phase)
{
    throwIfInterrupted();
    QEventLoop loop;
    QTimer timer;
    bool timedOut = false;
    if (limitMs >= 0) {
        timer.setSingleShot(true);
        connect(&timer, &QTimer::timeout, &loop, [&] {
            timedOut = true;
            wake();
        });
        timer.start(limitMs);
    }
    woken_ = false;
    loop_ = &loop;
    loop.exec();
    loop_ = nullptr;

    throwIfInterrupted();
    if (timedOut) {
        socket_.abort();
        if (phase == Phase::Connecting)
            throw EIdConnectTimeout();
        throw EIdReadTimeout();
    }
    // Once the application quits, every nested loop returns at once without any event:
    // the wait is over, whatever the socket would still do.
    if (!woken_) {
        socket_.abort();
        throw EIdConnClosedGracefully();
    }
}

void SocketChannel::startConnecting()
{
    socket_.abort();
    failed_ = false;
    socket_.connectToHost(QString::fromLatin1(host_), port_);
}

void SocketChannel::open(const QByteArray &host, quint16 port, int limitMs)
{
    close();
    host_ = host;
    port_ = port;
    const QDeadlineTimer deadline(limitMs);
    startConnecting();
    while (socket_.state() != QAbstractSocket::ConnectedState) {
        if (failed_ || socket_.state() == QAbstractSocket::UnconnectedState) {
            const QAbstractSocket::SocketError error = failed_ ? error_ : QAbstractSocket::ConnectionRefusedError;
            // Qt abandons an unanswered connect on a 30-second timer of its own (seen to end the
            // attempt after 60 s); the client's limit is longer while ReadTimeout is 0 (120 s) or
            // above that, and only the client's limit may end the wait.
            if (error == QAbstractSocket::SocketTimeoutError && !deadline.hasExpired()) {
                startConnecting();
                continue;
            }
            socket_.abort();
            throwSocketError(error, true);
        }
        waitForSocket(static_cast<int>(qMax<qint64>(0, deadline.remainingTime())), Phase::Connecting);
    }
    socket_.setSocketOption(QAbstractSocket::LowDelayOption, 1);
    probe_.watch(socket_.socketDescriptor());
}

void SocketChannel::write(const QByteArray &bytes)
{
    if (socket_.write(bytes) != bytes.size())
        throwSocketError(socket_.error(), false);
}

void SocketChannel::close()
{
    socket_.abort();
    probe_.release();
    host_.clear();
    port_ = 0;
}

void SocketChannel::setReadLimit(int perWaitMs, QDeadlineTimer deadline)
{
    perWaitMs_ = perWaitMs;
    deadline_ = deadline;
}

void SocketChannel::setTransferBudget(qint64 ms)
{
    transferBudgetMs_ = ms;
    transferDeadline_ = QDeadlineTimer(QDeadlineTimer::Forever);
}

qint64 SocketChannel::transferRemainingMs() const
{
    return transferDeadline_.remainingTime();
}

int SocketChannel::readWaitLimit() const
{
    // Each deadline gives -1 when it has none; a per-wait limit of 0 means none.
    qint64 limit = -1;
    const auto tighten = [&limit](qint64 candidate) {
        if (candidate >= 0 && (limit < 0 || candidate < limit))
            limit = candidate;
    };
    tighten(deadline_.remainingTime());
    tighten(transferDeadline_.remainingTime());
    if (perWaitMs_ > 0)
        tighten(perWaitMs_);
    return static_cast<int>(qMin<qint64>(limit, std::numeric_limits<int>::max()));
}

bool SocketChannel::readMore(QByteArray &buffer)
{
    for (;;) {
        const qint64 available = socket_.bytesAvailable();
        if (available > 0) {
            const qsizetype old = buffer.size();
            const qint64 want = qMin(available, kReadSize);
            buffer.resize(old + want);
            const qint64 got = socket_.read(buffer.data() + old, want);
            buffer.resize(old + qMax<qint64>(got, 0));
            if (got > 0) {
                if (transferDeadline_.isForever() && transferBudgetMs_ >= 0)
                    transferDeadline_ = QDeadlineTimer(transferBudgetMs_);
                return true;
            }
        }
        if (failed_)
            throwSocketError(error_, false);
        if (socket_.state() != QAbstractSocket::ConnectedState) {
            // Qt reads a reset as an orderly close; a reset is a failure of the network.
            if (probe_.peerReset())
                throwSocketError(QAbstractSocket::RemoteHostClosedError, false);
            return false;
        }
        if (transferDeadline_.hasExpired()) {
            socket_.abort();
            throw EIdReadTimeout();
        }
        waitForSocket(readWaitLimit(), Phase::Reading);
    }
}

void SocketChannel::interrupt()
{
    interrupted_ = true;
    socket_.abort();
    probe_.release();
    if (loop_)
        loop_->quit();
}

} // namespace vo
