#include "net/ReplyReader.h"

#include "net/IdExceptions.h"

namespace vo {

namespace {

bool sameName(QByteArrayView a, QByteArrayView b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// -1 when no length is given or it is not a number. A length repeated with one value, in a
// list ("5, 5") or in several headers, is that value; two different values leave the body's end
// unknown, and reading either could take the next reply's bytes for this one's.
qint64 contentLengthOf(const ReplyHead &head)
{
    qint64 length = -1;
    for (const QByteArray &header : head.values("Content-Length")) {
        for (const QByteArray &item : header.split(',')) {
            bool ok = false;
            const qint64 value = item.trimmed().toLongLong(&ok);
            if (!ok)
                return -1;
            if (length >= 0 && value != length)
                throw EIdConflictingLength(head.statusCode, head.statusLine);
            length = value;
        }
    }
    return length;
}

qint64 chunkSizeOf(const QByteArray &line)
{
    qsizetype end = line.size();
    for (const char stop : {' ', ';'}) {
        const qsizetype at = line.indexOf(stop);
        if (at >= 0 && at < end)
            end = at;
    }
    bool ok = false;
    const qint64 size = line.left(end).trimmed().toLongLong(&ok, 16);
    return ok && size > 0 ? size : 0;
}

} // namespace

QByteArray ReplyHead::value(QByteArrayView name) const
{
    for (const ReplyHeader &h : headers) {
        if (sameName(h.name, name))
            return h.value.trimmed();
    }
    return {};
}

QList<QByteArray> ReplyHead::values(QByteArrayView name) const
{
    QList<QByteArray> out;
    for (const ReplyHeader &h : headers) {
        if (sameName(h.name, name))
            out.append(h.value.trimmed());
    }
    return out;
}

bool ReplyHead::has(QByteArrayView name) const
{
    for (const ReplyHeader &h : headers) {
        if (sameName(h.name, name))
            return true;
    }
    return false;
}

int statusCodeOf(const QByteArray &statusLine)
{
    const qsizetype space = statusLine.indexOf(' ');
    if (space < 0)
        return -1;
    qsizetype end = statusLine.indexOf(' ', space + 1);
    if (end < 0)
        end = statusLine.size();
    bool ok = false;
    const int code = statusLine.mid(space + 1, end - space - 1).toInt(&ok, 10);
    return ok ? code : -1;
}

ReplyReader::ReplyReader(ByteSource &source, qsizetype maxLineLength, qsizetype maxHeadBytes)
    : source_(source), maxLineLength_(maxLineLength), maxHeadBytes_(maxHeadBytes)
{
}

bool ReplyReader::fill()
{
    if (pos_ > 0) {
        buffer_.remove(0, pos_);
        pos_ = 0;
    }
    return source_.readMore(buffer_);
}

QByteArray ReplyReader::readLine()
{
    qsizetype consumed = 0;
    return readLine(consumed);
}

QByteArray ReplyReader::readLine(qsizetype &consumed)
{
    qsizetype searchFrom = pos_;
    for (;;) {
        const qsizetype lf = buffer_.indexOf('\n', searchFrom);
        if (lf >= 0) {
            qsizetype end = lf;
            if (end > pos_ && buffer_.at(end - 1) == '\r')
                --end;
            if (end - pos_ > maxLineLength_)
                throw EIdReadLnMaxLineLengthExceeded();
            QByteArray line = buffer_.mid(pos_, end - pos_);
            consumed = lf + 1 - pos_;
            pos_ = lf + 1;
            return line;
        }
        // One byte more than the limit may still be the CR of a line that is just long enough.
        if (buffer_.size() - pos_ > maxLineLength_ + 1)
            throw EIdReadLnMaxLineLengthExceeded();
        searchFrom = buffer_.size() - pos_;
        if (!fill())
            throw EIdConnClosedGracefully();
        searchFrom += pos_;
    }
}

QByteArray ReplyReader::readHeadLine(const ReplyHead &head)
{
    qsizetype consumed = 0;
    QByteArray line = readLine(consumed);
    headBytes_ += consumed;
    if (headBytes_ > maxHeadBytes_)
        throw EIdReplyHeadTooLarge(head.statusCode, head.statusLine, maxHeadBytes_);
    return line;
}

ReplyHead ReplyReader::readHead()
{
    ReplyHead head;
    do {
        head.statusLine = readHeadLine(head);
    } while (head.statusLine.isEmpty());
    head.statusCode = statusCodeOf(head.statusLine);
    for (QByteArray line = readHeadLine(head); !line.isEmpty(); line = readHeadLine(head)) {
        if ((line.startsWith(' ') || line.startsWith('\t')) && !head.headers.isEmpty()) {
            head.headers.last().value.append(' ').append(line.trimmed());
            continue;
        }
        const qsizetype colon = line.indexOf(':');
        if (colon < 0)
            head.headers.append({line.trimmed(), QByteArray()});
        else
            head.headers.append({line.left(colon).trimmed(), line.mid(colon + 1).trimmed()});
    }
    return head;
}

bool ReplyReader::readBody(const ReplyHead &head, const Sink &sink)
{
    if (head.value("Transfer-Encoding").toLower().contains("chunked")) {
        readChunked(head, sink);
        // A length beside the chunks is a sign of a reply that something in between may have
        // framed the other way: nothing more is read from that connection.
        return head.has("Content-Length");
    }
    const qint64 length = contentLengthOf(head);
    if (length > 0) {
        if (readUpTo(length, sink) < length)
            throw EIdConnClosedGracefully();
        return false;
    }
    if (length == 0)
        return false;
    readUntilClose(sink);
    return true;
}

void ReplyReader::deliver(qsizetype count, const Sink &sink)
{
    while (count > 0) {
        const qsizetype piece = qMin(count, kMaxPiece);
        sink(QByteArrayView(buffer_.constData() + pos_, piece));
        pos_ += piece;
        count -= piece;
    }
    if (pos_ == buffer_.size()) {
        buffer_.resize(0);
        pos_ = 0;
    }
}

qint64 ReplyReader::readUpTo(qint64 count, const Sink &sink)
{
    qint64 done = 0;
    while (done < count) {
        if (pos_ == buffer_.size() && !fill())
            break;
        const qsizetype take = static_cast<qsizetype>(qMin<qint64>(count - done, buffer_.size() - pos_));
        deliver(take, sink);
        done += take;
    }
    return done;
}

void ReplyReader::readChunked(const ReplyHead &head, const Sink &sink)
{
    for (;;) {
        const qint64 size = chunkSizeOf(readLine());
        if (size == 0)
            break;
        if (readUpTo(size, sink) < size)
            throw EIdConnClosedGracefully();
        readLine();
    }
    // The trailer lines up to the empty one, counted with the heads: whatever is left unread
    // would be taken for the start of the next reply on this connection.
    while (!readHeadLine(head).isEmpty()) {
    }
}

void ReplyReader::readUntilClose(const Sink &sink)
{
    do {
        deliver(buffer_.size() - pos_, sink);
    } while (fill());
}

} // namespace vo
