#include "branding/AesLib.h"

#include "branding/CryptoPrimitives.h"
#include "branding/ExclusiveFile.h"
#include "branding/WriteBehind.h"
#include "platform/AppError.h"

#include <QFile>
#include <QFileInfo>
#include <QIODevice>
#include <QtEndian>

#include <openssl/crypto.h>

#include <cstring>
#include <stdexcept>

namespace vo {

namespace {

constexpr int Pbkdf2Iterations = 1000;
constexpr int MaxPassphraseLength = 128;
constexpr int MaxMaterialLength = 2 * 32 + 2;

// Zeroes key material on every way out of the scope that holds it.
template <std::size_t N>
struct Cleansed : std::array<unsigned char, N>
{
    ~Cleansed() { OPENSSL_cleanse(this->data(), N); }
};

void xorInto(unsigned char *data, const unsigned char *keystream, qsizetype length)
{
    // Eight bytes at a time: this loop touches every byte of every file.
    qsizetype i = 0;
    for (; i + 8 <= length; i += 8) {
        quint64 d;
        quint64 k;
        std::memcpy(&d, data + i, 8);
        std::memcpy(&k, keystream + i, 8);
        d ^= k;
        std::memcpy(data + i, &d, 8);
    }
    for (; i < length; ++i)
        data[i] ^= keystream[i];
}

bool writeAll(QIODevice &destination, const void *data, qint64 length)
{
    return destination.write(static_cast<const char *>(data), length) == length;
}

bool writeAll(QIODevice &destination, const QByteArray &bytes)
{
    return writeAll(destination, bytes.constData(), bytes.size());
}

QByteArrayView asView(const unsigned char *data, qsizetype length)
{
    return QByteArrayView(reinterpret_cast<const char *>(data), length);
}

} // namespace

CryptMode cryptModeFor(qsizetype passphraseLength)
{
    if (passphraseLength < 32)
        return {1, 16, 8};
    if (passphraseLength < 48)
        return {2, 24, 12};
    return {3, 32, 16};
}

// ---- TCryptContext ----

TCryptContext::TCryptContext() = default;

TCryptContext::~TCryptContext()
{
    OPENSSL_cleanse(keystream_.data(), keystream_.size());
}

QByteArray TCryptContext::setUp(const QByteArray &passphrase, const CryptMode &mode, QByteArrayView salt)
{
    Cleansed<MaxMaterialLength> material;
    const int k = mode.keyLength;
    crypto::pbkdf2HmacSha1(passphrase, salt, Pbkdf2Iterations, material.data(), mode.materialLength());

    aes_ = std::make_unique<crypto::AesEncryptor>(asView(material.data(), k));
    hmac_ = std::make_unique<crypto::HmacSha1>(asView(material.data() + k, k));
    counterBlock_.fill(0);
    keystreamPosition_ = RunBytes;
    passphraseLength_ = passphrase.size();
    mode_ = mode.mode;
    return asView(material.data() + 2 * k, VerifierLength).toByteArray();
}

void TCryptContext::nextKeystreamRun()
{
    // The counter is the block's first eight bytes as one little-endian number; the other
    // eight stay zero. It is 1 for the first block of data.
    quint64 counter = qFromLittleEndian<quint64>(counterBlock_.data());
    for (int b = 0; b < RunBlocks; ++b)
        qToLittleEndian(++counter, counterRun_.data() + b * crypto::AesBlockSize);
    qToLittleEndian(counter, counterBlock_.data());
    aes_->encryptBlocks(counterRun_.data(), keystream_.data(), RunBlocks);
    keystreamPosition_ = 0;
}

void TCryptContext::applyKeystream(unsigned char *data, qsizetype length)
{
    while (length > 0) {
        if (keystreamPosition_ == RunBytes)
            nextKeystreamRun();
        const qsizetype take = qMin<qsizetype>(length, RunBytes - keystreamPosition_);
        xorInto(data, keystream_.data() + keystreamPosition_, take);
        keystreamPosition_ += static_cast<int>(take);
        data += take;
        length -= take;
    }
}

void TCryptContext::encrypt(unsigned char *data, qsizetype length)
{
    process(data, length, MacOrder::AfterKeystream);
}

void TCryptContext::decrypt(unsigned char *data, qsizetype length)
{
    process(data, length, MacOrder::BeforeKeystream);
}

void TCryptContext::process(unsigned char *data, qsizetype length, MacOrder order)
{
    // Piece by piece, so that each piece is still in the cache when the second pass reads it.
    while (length > 0) {
        const qsizetype piece = qMin<qsizetype>(length, RunBytes);
        if (order == MacOrder::BeforeKeystream)
            hmac_->update(data, static_cast<std::size_t>(piece));
        applyKeystream(data, piece);
        if (order == MacOrder::AfterKeystream)
            hmac_->update(data, static_cast<std::size_t>(piece));
        data += piece;
        length -= piece;
    }
}

QByteArray TCryptContext::finishCode()
{
    return hmac_->finish().left(CodeLength);
}

// ---- TCrypt ----

TCrypt::TCrypt(const QByteArray &passphrase, quint32 bufferSize)
    : mode_(cryptModeFor(passphrase.size()))
    , passphrase_(passphrase.constData(), passphrase.size()) // an own copy, so it can be wiped
    , bufferSize_(bufferSize)
    , buffer_(std::make_unique<unsigned char[]>(bufferSize))
{
    if (passphrase.size() > MaxPassphraseLength)
        throw std::invalid_argument("a container passphrase holds at most 128 bytes");
    if (bufferSize == 0)
        throw std::invalid_argument("the container's work buffer cannot be empty");
}

TCrypt::~TCrypt()
{
    OPENSSL_cleanse(passphrase_.data(), static_cast<size_t>(passphrase_.size()));
}

// ---- TEncryption ----

TEncryption::TEncryption(const QByteArray &passphrase, quint32 bufferSize, SaltGenerator::EntropySource entropy)
    : TCrypt(passphrase, bufferSize)
    , salt_(std::move(entropy))
{
}

TEncryption::~TEncryption()
{
    salt_.clear();
}

bool TEncryption::EncryptStream(QIODevice &source, QIODevice &destination)
{
    QByteArray header(mode_.saltLength, Qt::Uninitialized);
    salt_.draw(reinterpret_cast<unsigned char *>(header.data()), mode_.saltLength);
    header += context_.setUp(passphrase_, mode_, header);
    if (!writeAll(destination, header))
        return false;

    unsigned char *const buffer = buffer_.get();
    qint64 got = 0;
    do {
        got = source.read(reinterpret_cast<char *>(buffer), bufferSize_);
        if (got < 0)
            return false;
        context_.encrypt(buffer, got);
        if (!writeAll(destination, buffer, got))
            return false;
    } while (got == bufferSize_);

    return writeAll(destination, context_.finishCode());
}

bool TEncryption::DecryptStream(QIODevice &source, QIODevice &destination, qint64 size)
{
    const QByteArray salt = source.read(mode_.saltLength);
    if (salt.size() != mode_.saltLength)
        return false; // too short for a header: no verifier could match
    const QByteArray verifier = context_.setUp(passphrase_, mode_, salt);
    if (source.read(VerifierLength) != verifier)
        return false;

    unsigned char *const buffer = buffer_.get();
    qint64 remaining = size - mode_.saltLength - VerifierLength - CodeLength;
    while (remaining > 0) {
        const qint64 got = source.read(reinterpret_cast<char *>(buffer), qMin<qint64>(bufferSize_, remaining));
        if (got <= 0)
            return false;
        context_.decrypt(buffer, got);
        if (!writeAll(destination, buffer, got))
            return false;
        remaining -= got;
    }

    const QByteArray expected = context_.finishCode();
    const QByteArray stored = source.read(CodeLength);
    return stored.size() == CodeLength && CRYPTO_memcmp(stored.constData(), expected.constData(), CodeLength) == 0;
}

// ---- file operations ----

namespace {

enum class Direction { Encrypt, Decrypt };

bool transformFile(const QString &sourceFileName, const QString &destinationFileName, Direction direction)
{
    // Others may go on reading and writing the source meanwhile: a plain open shares it.
    QFile source(sourceFileName);
    if (!source.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        throw cannotOpenFile(QFileInfo(sourceFileName).absoluteFilePath(), source.errorString());
    ExclusiveFile destination(destinationFileName);

    TEncryption encryption(QByteArray(ProgramPassphrase), ProgramBufferSize);
    // The system copies one buffer into the file while the next one is being encrypted.
    WriteBehindDevice output(destination.device());
    const bool ok = direction == Direction::Encrypt ? encryption.EncryptStream(source, output)
                                                    : encryption.DecryptStream(source, output, source.size());
    return output.finish() && ok;
}

} // namespace

bool EncryptFileTo(const QString &sourceFileName, const QString &destinationFileName)
{
    return transformFile(sourceFileName, destinationFileName, Direction::Encrypt);
}

bool DecryptFileTo(const QString &sourceFileName, const QString &destinationFileName)
{
    return transformFile(sourceFileName, destinationFileName, Direction::Decrypt);
}

} // namespace vo
