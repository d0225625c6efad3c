#pragma once

#include <QByteArray>
#include <QtGlobal>

namespace vo {

// The seller's site and the values its scripts read from "config.php". Texts are Windows-1252
// bytes, stored as typed: nothing is trimmed or held to a range.
struct ServerSettings
{
    QByteArray swebserver;
    QByteArray shostname;
    QByteArray sdatabase;
    QByteArray susername;
    QByteArray spassword;
    qint32 sExpireTimeout = 0;
    qint32 sMaxDownloads = 0;
    qint32 sMaxIPs = 0;
    QByteArray sSecretKey;

    friend bool operator==(const ServerSettings &, const ServerSettings &) = default;
};

} // namespace vo
