#include "ui/SkinCodec.h"

#include <QtEndian>

#include <zlib.h>

namespace vo::skin {

QByteArray compress(const QByteArray &styleSheet)
{
    uLongf capacity = compressBound(static_cast<uLong>(styleSheet.size()));
    QByteArray out(static_cast<qsizetype>(capacity), Qt::Uninitialized);
    const int rc = compress2(reinterpret_cast<Bytef *>(out.data()), &capacity,
                             reinterpret_cast<const Bytef *>(styleSheet.constData()),
                             static_cast<uLong>(styleSheet.size()), Z_BEST_COMPRESSION);
    if (rc != Z_OK)
        return {};
    out.truncate(static_cast<qsizetype>(capacity));
    return out;
}

std::optional<QByteArray> inflate(QByteArrayView compressed)
{
    z_stream stream{};
    if (inflateInit(&stream) != Z_OK)
        return std::nullopt;

    QByteArray out;
    char chunk[16384];
    stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(compressed.data()));
    stream.avail_in = static_cast<uInt>(compressed.size());
    int rc = Z_OK;
    while (rc == Z_OK) {
        stream.next_out = reinterpret_cast<Bytef *>(chunk);
        stream.avail_out = sizeof chunk;
        rc = ::inflate(&stream, Z_NO_FLUSH);
        if (rc != Z_OK && rc != Z_STREAM_END)
            break;
        out.append(chunk, static_cast<qsizetype>(sizeof chunk - stream.avail_out));
        if (out.size() > kMaxStyleSheetBytes) {
            rc = Z_DATA_ERROR;
            break;
        }
        if (rc == Z_OK && stream.avail_in == 0 && stream.avail_out != 0)
            rc = Z_BUF_ERROR; // the stream ended before its end marker
    }
    inflateEnd(&stream);
    if (rc != Z_STREAM_END)
        return std::nullopt;
    return out;
}

QByteArray packFile(const QByteArray &styleSheet, quint32 format)
{
    const QByteArray data = compress(styleSheet);
    QByteArray out(8, Qt::Uninitialized);
    qToLittleEndian<quint32>(format, out.data());
    qToLittleEndian<quint32>(static_cast<quint32>(data.size()), out.data() + 4);
    return out + data;
}

std::optional<QByteArray> unpackFile(QByteArrayView file)
{
    if (file.size() < 8)
        return std::nullopt;
    const auto format = qFromLittleEndian<quint32>(file.data());
    const auto count = qFromLittleEndian<quint32>(file.data() + 4);
    if (format > kMaxFormat || count > static_cast<quint64>(file.size() - 8))
        return std::nullopt;
    return inflate(file.sliced(8, count));
}

} // namespace vo::skin
