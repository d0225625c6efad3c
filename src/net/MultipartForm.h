#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>

namespace vo {

// One multipart/form-data body. The seller's scripts and the news servers parse it byte for
// byte, so nothing is encoded: names and values go out exactly as given.
class TIdMultiPartFormDataStream
{
public:
    TIdMultiPartFormDataStream();
    // The boundary comes from the local time of creation and never changes afterwards.
    explicit TIdMultiPartFormDataStream(const QDateTime &createdAt);

    void AddField(const QByteArray &name, const QByteArray &value);

    const QByteArray &boundary() const { return boundary_; }
    QByteArray contentType() const;
    qint64 size() const;
    // The whole body, built afresh on every call: a redirected POST sends it again from the start.
    QByteArray body() const;

private:
    struct Field
    {
        QByteArray name;
        QByteArray value;
    };

    QByteArray boundary_;
    QList<Field> fields_;
};

} // namespace vo
