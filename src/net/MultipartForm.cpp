#include "net/MultipartForm.h"

namespace vo {

namespace {
constexpr QByteArrayView kCrLf = "\r\n";
constexpr QByteArrayView kDisposition = "Content-Disposition: form-data; name=\"";
// "--" boundary CR LF, the disposition line with its quotes and CR LF, an empty line, the
// value's CR LF: 72 bytes around name and value with a 23-byte boundary.
constexpr qint64 kFieldOverhead = 2 + 2 + kDisposition.size() + 1 + 2 + 2 + 2;
// CR LF "--" boundary "--" CR LF
constexpr qint64 kClosingOverhead = 2 + 2 + 2 + 2;
} // namespace

TIdMultiPartFormDataStream::TIdMultiPartFormDataStream()
    : TIdMultiPartFormDataStream(QDateTime::currentDateTime())
{
}

TIdMultiPartFormDataStream::TIdMultiPartFormDataStream(const QDateTime &createdAt)
    : boundary_(QByteArrayLiteral("--------")
                + createdAt.toString(QStringLiteral("MMddyyHHmmsszzz")).toLatin1())
{
}

void TIdMultiPartFormDataStream::AddField(const QByteArray &name, const QByteArray &value)
{
    fields_.append({name, value});
}

QByteArray TIdMultiPartFormDataStream::contentType() const
{
    return QByteArrayLiteral("multipart/form-data; boundary=") + boundary_;
}

qint64 TIdMultiPartFormDataStream::size() const
{
    qint64 total = kClosingOverhead + boundary_.size();
    for (const Field &field : fields_)
        total += kFieldOverhead + boundary_.size() + field.name.size() + field.value.size();
    return total;
}

QByteArray TIdMultiPartFormDataStream::body() const
{
    QByteArray out;
    out.reserve(size());
    for (const Field &field : fields_) {
        out.append("--").append(boundary_).append(kCrLf);
        out.append(kDisposition).append(field.name).append('"').append(kCrLf);
        out.append(kCrLf);
        out.append(field.value).append(kCrLf);
    }
    out.append(kCrLf).append("--").append(boundary_).append("--").append(kCrLf);
    return out;
}

} // namespace vo
