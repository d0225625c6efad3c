#include "branding/AesLib.h"

#include "branding/CryptoPrimitives.h"
#include "branding/ExclusiveFile.h"
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

void xorInto(const unsigned char *source, unsigned char *destination, const unsigned char *keystream,
             qsizetype length)
{
    // Eight bytes at a time: this loop touches every byte of every file.
    qsizetype i = 0;
    for (; i + 8 <= length; i += 8) {
        quint64 d;
        quint64 k;
        std::memcpy(&d, source + i, 8);
        std::memcpy(&k, keystream + i, 8);
        d ^= k;
        std::memcpy(destination + i, &d, 8);
    }
    for (; i < length; ++i)
        destination[i] = source[i] ^ keystream[i];
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

void pbkdf2KeyDerivation(QByteArrayView passphrase, QByteArrayView salt, unsigned char *out, int length)
{
    crypto::pbkdf2HmacSha1(passphrase, salt, Pbkdf2Iterations, out, length);
}

KeyDerivation fixedKeyMaterialForTests(QByteArray material)
{
    if (material.isEmpty())
        material = QByteArray(1, '\0');
    return [material](QByteArrayView, QByteArrayView, unsigned char *out, int length) {
        for (int i = 0; i < length; ++i)
            out[i] = static_cast<unsigned char>(material.at(i % material.size()));
    };
}

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

QByteArray TCryptContext::setUp(const QByteArray &passphrase, const CryptMode &mode, QByteArrayView salt,
                                const KeyDerivation &derive)
{
    Cleansed<MaxMaterialLength> material;
    const int k = mode.keyLength;
    derive(passphrase, salt, material.data(), mode.materialLength());

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

void TCryptContext::applyKeystream(const unsigned char *source, unsigned char *destination, qsizetype length)
{
    while (length > 0) {
        if (keystreamPosition_ == RunBytes)
            nextKeystreamRun();
        const qsizetype take = qMin<qsizetype>(length, RunBytes - keystreamPosition_);
        xorInto(source, destination, keystream_.data() + keystreamPosition_, take);
        keystreamPosition_ += static_cast<int>(take);
        source += take;
        destination += take;
        length -= take;
    }
}

QByteArray TCryptContext::finishCode()
{
    return hmac_->finish().left(CodeLength);
}

// ---- TCrypt ----

TCrypt::TCrypt(const QByteArray &passphrase, quint32 bufferSize, KeyDerivation derive)
    : mode_(cryptModeFor(passphrase.size()))
    , derive_(std::move(derive))
    , passphrase_(passphrase.constData(), passphrase.size()) // an own copy, so it can be wiped
    , bufferSize_(bufferSize)
    , buffer_(std::make_unique<unsigned char[]>((WorkBuffers + 1) * std::size_t(bufferSize)))
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

TEncryption::TEncryption(const QByteArray &passphrase, quint32 bufferSize, SaltGenerator::EntropySource entropy,
                         KeyDerivation derive)
    : TCrypt(passphrase, bufferSize, std::move(derive))
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
    header += context_.setUp(passphrase_, mode_, header, derive_);
    if (!writeAll(destination, header))
        return false;

    BackgroundMac mac(context_.mac());
    int current = 0;
    qint64 got = 0;
    do {
        unsigned char *const buffer = workBuffer(current);
        got = source.read(reinterpret_cast<char *>(buffer), bufferSize_);
        if (got < 0)
            return false;
        context_.applyKeystream(buffer, buffer, got);
        mac.submit(buffer, static_cast<std::size_t>(got));
        // The file takes the buffer while the code reads it; the next buffer of the cycle is
        // one the code has finished with.
        if (!writeAll(destination, buffer, got))
            return false;
        current = (current + 1) % WorkBuffers;
    } while (got == bufferSize_);

    mac.wait();
    return writeAll(destination, context_.finishCode());
}

bool TEncryption::DecryptStream(QIODevice &source, QIODevice &destination, qint64 size)
{
    const QByteArray salt = source.read(mode_.saltLength);
    if (salt.size() != mode_.saltLength)
        return false; // too short for a header: no verifier could match
    const QByteArray verifier = context_.setUp(passphrase_, mode_, salt, derive_);
    if (source.read(VerifierLength) != verifier)
        return false;

    BackgroundMac mac(context_.mac());
    unsigned char *const plain = outputBuffer();
    int current = 0;
    qint64 remaining = size - mode_.saltLength - VerifierLength - CodeLength;
    while (remaining > 0) {
        unsigned char *const buffer = workBuffer(current);
        const qint64 got = source.read(reinterpret_cast<char *>(buffer), qMin<qint64>(bufferSize_, remaining));
        if (got <= 0)
            return false;
        mac.submit(buffer, static_cast<std::size_t>(got));
        context_.applyKeystream(buffer, plain, got);
        if (!writeAll(destination, plain, got))
            return false;
        remaining -= got;
        current = (current + 1) % WorkBuffers;
    }

    mac.wait();
    const QByteArray expected = context_.finishCode();
    const QByteArray stored = source.read(CodeLength);
    return stored.size() == CodeLength && CRYPTO_memcmp(stored.constData(), expected.constData(), CodeLength) == 0;
}

// ---- file operations ----

namespace {

enum class Direction { Encrypt, Decrypt };

// Others may go on reading and writing the source meanwhile: a plain open shares it.
void openSource(QFile &source)
{
    if (!source.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        throw cannotOpenFile(QFileInfo(source.fileName()).absoluteFilePath(), source.errorString());
}

bool transform(QIODevice &source, QIODevice &destination, Direction direction)
{
    TEncryption encryption(QByteArray(ProgramPassphrase), ProgramBufferSize);
    return direction == Direction::Encrypt ? encryption.EncryptStream(source, destination)
                                           : encryption.DecryptStream(source, destination, source.size());
}

bool transformFile(const QString &sourceFileName, const QString &destinationFileName, Direction direction)
{
    QFile source(sourceFileName);
    openSource(source);
    ExclusiveFile destination(destinationFileName);
    return transform(source, destination.device(), direction);
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

bool EncryptDeviceTo(QIODevice &source, QIODevice &destination)
{
    return transform(source, destination, Direction::Encrypt);
}

bool DecryptFileTo(const QString &sourceFileName, QIODevice &destination)
{
    QFile source(sourceFileName);
    openSource(source);
    return transform(source, destination, Direction::Decrypt);
}

} // namespace vo
