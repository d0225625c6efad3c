#pragma once

#include "branding/AesLib.h"
#include "common/Files.h"

#include <QBuffer>
#include <QFile>
#include <QRandomGenerator>

namespace vo::test {

struct Decrypted
{
    bool ok = false;
    QByteArray plain;
};

inline QByteArray encryptBytes(const QByteArray &plain, const QByteArray &passphrase,
                               quint32 bufferSize = ProgramBufferSize,
                               SaltGenerator::EntropySource entropy = SaltGenerator::performanceCounterEntropy)
{
    QBuffer source;
    source.setData(plain);
    source.open(QIODevice::ReadOnly);
    QBuffer destination;
    destination.open(QIODevice::WriteOnly);
    TEncryption encryption(passphrase, bufferSize, std::move(entropy));
    if (!encryption.EncryptStream(source, destination))
        return {};
    return destination.data();
}

inline Decrypted decryptBytes(const QByteArray &container, const QByteArray &passphrase,
                              quint32 bufferSize = ProgramBufferSize)
{
    QBuffer source;
    source.setData(container);
    source.open(QIODevice::ReadOnly);
    QBuffer destination;
    destination.open(QIODevice::WriteOnly);
    TEncryption encryption(passphrase, bufferSize);
    const bool ok = encryption.DecryptStream(source, destination, container.size());
    return {ok, destination.data()};
}

inline QByteArray randomBytes(qsizetype size, quint32 seed)
{
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator generator(seed);
    for (char &c : bytes)
        c = static_cast<char>(generator.bounded(256));
    return bytes;
}

} // namespace vo::test
