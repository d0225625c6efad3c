#pragma once

#include <QByteArray>
#include <QList>

#include <functional>

namespace vo {

// Where reply bytes come from. The client's socket channel waits on the event loop; tests
// feed scripted pieces.
class ByteSource
{
public:
    virtual ~ByteSource() = default;
    // Appends at least one byte to `buffer`, or returns false when the peer has closed and
    // nothing more will come. Throws when a time limit passes or the network fails.
    virtual bool readMore(QByteArray &buffer) = 0;
};

struct ReplyHeader
{
    QByteArray name;
    QByteArray value;
};

// A status line and its header lines.
struct ReplyHead
{
    QByteArray statusLine;
    int statusCode = -1;
    QList<ReplyHeader> headers;

    // The first header of that name (any letter case), trimmed; empty when absent.
    QByteArray value(QByteArrayView name) const;
    QList<QByteArray> values(QByteArrayView name) const;
    bool has(QByteArrayView name) const;
};

// The text after the first space up to the next one, as a decimal number; -1 otherwise.
int statusCodeOf(const QByteArray &statusLine);

// Reads one reply from a ByteSource: lines, heads and framed bodies.
class ReplyReader
{
public:
    using Sink = std::function<void(QByteArrayView piece)>;

    // Body pieces handed to a sink are never larger than this.
    static constexpr qsizetype kMaxPiece = 32768;
    // All heads of one reply together (interim 100 replies included), line endings counted.
    // Real servers send a few kilobytes; browsers and servers stop at a few dozen.
    static constexpr qsizetype kMaxHeadBytes = 64 * 1024;

    ReplyReader(ByteSource &source, qsizetype maxLineLength, qsizetype maxHeadBytes = kMaxHeadBytes);

    // One line without its LF and without a CR right before it. Throws
    // EIdReadLnMaxLineLengthExceeded when the line has more than maxLineLength bytes and
    // EIdConnClosedGracefully when the source closes before the LF.
    QByteArray readLine();

    // A status line and its headers up to the empty line; continuation lines (starting with
    // a space or tab) join the header before them. Empty lines before the status line are
    // skipped. Does not skip interim 100 replies: the caller sees each head. Throws
    // EIdReplyHeadTooLarge once the heads read so far hold more than maxHeadBytes.
    ReplyHead readHead();

    // The body that follows `head`, framed by chunked coding, Content-Length or the end of
    // the connection, in that order. Returns true when the connection cannot be reused: the
    // source closed, or the reply gave a length beside its chunks. Throws
    // EIdConnClosedGracefully when the source closes short of the announced length or before
    // the last chunk, EIdConflictingLength for lengths that disagree, and EIdReplyHeadTooLarge
    // when the trailers take the heads past their limit.
    bool readBody(const ReplyHead &head, const Sink &sink);

private:
    bool fill();
    void deliver(qsizetype count, const Sink &sink);
    // Up to `count` bytes; returns how many arrived before the source closed.
    qint64 readUpTo(qint64 count, const Sink &sink);
    void readChunked(const ReplyHead &head, const Sink &sink);
    void readUntilClose(const Sink &sink);
    // `consumed`: the line with its ending, as it came.
    QByteArray readLine(qsizetype &consumed);
    QByteArray readHeadLine(const ReplyHead &head);

    ByteSource &source_;
    const qsizetype maxLineLength_;
    const qsizetype maxHeadBytes_;
    qsizetype headBytes_ = 0;
    QByteArray buffer_;
    qsizetype pos_ = 0;
};

} // namespace vo
