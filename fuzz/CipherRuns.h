#pragma once

// One container stream through a TEncryption, with both ends in memory.

#include "FuzzSupport.h"

#include "branding/AesLib.h"

#include <QBuffer>

namespace vo::fuzz {

struct Decrypted
{
    bool ok = false;
    QByteArray plain;
};

inline Decrypted decryptWith(vo::TEncryption &crypt, const QByteArray &container)
{
    QByteArray sourceBytes = container;
    QBuffer source(&sourceBytes);
    source.open(QIODevice::ReadOnly);
    Decrypted out;
    QBuffer destination(&out.plain);
    destination.open(QIODevice::WriteOnly);
    out.ok = crypt.DecryptStream(source, destination, container.size());
    return out;
}

inline QByteArray encryptWith(vo::TEncryption &crypt, const QByteArray &plain)
{
    QByteArray plainBytes = plain;
    QBuffer source(&plainBytes);
    source.open(QIODevice::ReadOnly);
    QByteArray container;
    QBuffer destination(&container);
    destination.open(QIODevice::WriteOnly);
    FUZZ_CHECK(crypt.EncryptStream(source, destination));
    return container;
}

} // namespace vo::fuzz
