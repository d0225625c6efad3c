// The HTTP reply reader: status line, headers and the three ways a body is framed, fed in
// pieces whose sizes the input chooses, as a socket would hand them out.
#include "FuzzSupport.h"
#include "PieceSource.h"

#include "net/IdExceptions.h"
#include "net/ReplyReader.h"

#include <optional>

namespace {

using namespace vo::fuzz;

constexpr qsizetype kMaxLineLength = 64;
constexpr int kMaxReplies = 8;

// What a run of the reader saw, so that two runs over the same bytes can be compared.
struct Transcript
{
    QByteArray text;
};

// The length that frames the body: no chunks, and every Content-Length value, in lists or
// in headers of their own, one and the same number.
std::optional<qint64> framingLength(const vo::ReplyHead &head)
{
    if (head.value("Transfer-Encoding").toLower().contains("chunked"))
        return std::nullopt;
    std::optional<qint64> length;
    for (const QByteArray &header : head.values("Content-Length")) {
        for (const QByteArray &item : header.split(',')) {
            bool ok = false;
            const qint64 value = item.trimmed().toLongLong(&ok);
            if (!ok || value < 0 || (length && *length != value))
                return std::nullopt;
            length = value;
        }
    }
    return length;
}

void readReplies(vo::ByteSource &source, qsizetype streamSize, Transcript &seen)
{
    vo::ReplyReader reader(source, kMaxLineLength);
    for (int reply = 0; reply < kMaxReplies; ++reply) {
        const vo::ReplyHead head = reader.readHead();
        FUZZ_CHECK(!head.statusLine.isEmpty() && head.statusLine.size() <= kMaxLineLength);
        FUZZ_CHECK(head.statusCode == vo::statusCodeOf(head.statusLine));
        seen.text += "status " + head.statusLine + '\n';
        for (const vo::ReplyHeader &header : head.headers) {
            FUZZ_CHECK(!header.name.contains('\n') && !header.value.contains('\n'));
            seen.text += "header " + header.name + ": " + header.value + '\n';
        }

        QByteArray body;
        const bool closed = reader.readBody(head, [&](QByteArrayView piece) {
            FUZZ_CHECK(!piece.isEmpty() && piece.size() <= vo::ReplyReader::kMaxPiece);
            body += piece;
        });
        FUZZ_CHECK(body.size() <= streamSize);
        // A body framed by its length is all there or fails; it never passes cut short.
        if (const std::optional<qint64> length = framingLength(head))
            FUZZ_CHECK(!closed && body.size() == *length);
        seen.text += "body " + QByteArray::number(body.size()) + (closed ? " closed\n" : "\n") + body + '\n';
        if (closed)
            return;
    }
}

Transcript run(QByteArray sizes, const QByteArray &stream)
{
    PieceSource source(std::move(sizes), stream);
    Transcript seen;
    try {
        readReplies(source, stream.size(), seen);
    } catch (const vo::EIdReadLnMaxLineLengthExceeded &) {
        seen.text += "line too long\n";
    } catch (const vo::EIdException &error) {
        // A reply cut short: what the client reports as a failure.
        seen.text += "failed: " + QByteArray(error.what()) + '\n';
    }
    FUZZ_CHECK(source.delivered() <= stream.size());
    return seen;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    QByteArray sizes = takeBytes(input, 8);
    const QByteArray stream = restOf(input);
    // How the bytes are cut into pieces must not change what is read.
    const Transcript inPieces = run(std::move(sizes), stream);
    const Transcript byteByByte = run(QByteArray(1, '\0'), stream);
    FUZZ_CHECK(inPieces.text == byteByByte.text);
    return 0;
}
