#pragma once

#include "branding/BackgroundMac.h"
#include "branding/SaltGenerator.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <functional>
#include <memory>

class QIODevice;

namespace vo {

namespace crypto {
class AesEncryptor;
class HmacSha1;
} // namespace crypto

// The passphrase of every branding file, ten bytes without terminator.
inline constexpr char ProgramPassphrase[] = "pzorvtkqeu";
inline constexpr quint32 ProgramBufferSize = 262144;

// A container is: salt, 2-byte passphrase verifier, the data encrypted with AES in counter
// mode, and the first 10 bytes of an HMAC-SHA1 of the encrypted data; the WinZip AES entry
// layout taken on its own. The key size is not stored: it follows from the passphrase length.
struct CryptMode
{
    int mode;       // 1 to 3
    int keyLength;  // AES key bytes: 16, 24, 32
    int saltLength; // 8, 12, 16

    int materialLength() const { return 2 * keyLength + 2; }
};
CryptMode cryptModeFor(qsizetype passphraseLength);

inline constexpr int VerifierLength = 2;
inline constexpr int CodeLength = 10;

// Fills `out` with `length` bytes of key material from passphrase and salt: the AES key, the
// HMAC key and the verifier, in that order.
using KeyDerivation = std::function<void(QByteArrayView passphrase, QByteArrayView salt, unsigned char *out, int length)>;
// What every container uses: PBKDF2 with HMAC-SHA1, 1000 rounds.
void pbkdf2KeyDerivation(QByteArrayView passphrase, QByteArrayView salt, unsigned char *out, int length);
// The same material for every salt, repeated as far as it is asked for: lets the fuzz targets
// reach the cipher and the code without paying for PBKDF2 on each input. Never for real files,
// whose salt must change the keys.
KeyDerivation fixedKeyMaterialForTests(QByteArray material);

// The state of one stream operation: keys, counter, keystream and authentication.
class TCryptContext
{
public:
    TCryptContext();
    ~TCryptContext();
    TCryptContext(const TCryptContext &) = delete;
    TCryptContext &operator=(const TCryptContext &) = delete;

    // Derives the keys from passphrase and salt and starts afresh; returns the verifier.
    QByteArray setUp(const QByteArray &passphrase, const CryptMode &mode, QByteArrayView salt,
                     const KeyDerivation &derive);

    // Counter mode is its own inverse: the same keystream enciphers and deciphers. Source and
    // destination may be the same bytes.
    void applyKeystream(const unsigned char *source, unsigned char *destination, qsizetype length);
    // The code covers the encrypted bytes, in stream order: after enciphering, before deciphering.
    crypto::HmacSha1 &mac() { return *hmac_; }
    // The first CodeLength bytes of the finished HMAC.
    QByteArray finishCode();

private:
    // Keystream blocks are made in runs, one library call per run; the position walks
    // through the run, and a run left unfinished serves the next call.
    static constexpr int RunBlocks = 256;
    static constexpr int RunBytes = RunBlocks * 16;

    void nextKeystreamRun();

    std::array<unsigned char, 16> counterBlock_{};
    std::array<unsigned char, RunBytes> counterRun_{}; // upper eight bytes of each block stay zero
    std::array<unsigned char, RunBytes> keystream_{};
    int keystreamPosition_ = RunBytes;
    std::unique_ptr<crypto::AesEncryptor> aes_;
    std::unique_ptr<crypto::HmacSha1> hmac_;
    qsizetype passphraseLength_ = 0;
    int mode_ = 0;
};

class TCrypt
{
public:
    TCrypt(const QByteArray &passphrase, quint32 bufferSize, KeyDerivation derive = pbkdf2KeyDerivation);
    virtual ~TCrypt();
    TCrypt(const TCrypt &) = delete;
    TCrypt &operator=(const TCrypt &) = delete;

    int mode() const { return mode_.mode; }
    int saltLength() const { return mode_.saltLength; }

protected:
    // Reading and ciphering go on in one buffer while the code is computed over the others.
    static constexpr int WorkBuffers = int(BackgroundMac::kDepth) + 1;
    unsigned char *workBuffer(int which) const { return buffer_.get() + std::size_t(which) * bufferSize_; }
    // Deciphered bytes, apart from the enciphered ones that the code is still reading.
    unsigned char *outputBuffer() const { return workBuffer(WorkBuffers); }

    const CryptMode mode_;
    TCryptContext context_;
    const KeyDerivation derive_;
    QByteArray passphrase_;
    const quint32 bufferSize_;
    const std::unique_ptr<unsigned char[]> buffer_;
};

class TEncryption : public TCrypt
{
public:
    // The entropy source is replaceable so that tests can make the salt predictable, and the
    // key derivation so that fuzzing can skip PBKDF2.
    TEncryption(const QByteArray &passphrase, quint32 bufferSize,
                SaltGenerator::EntropySource entropy = SaltGenerator::performanceCounterEntropy,
                KeyDerivation derive = pbkdf2KeyDerivation);
    ~TEncryption() override;

    // Encrypts the source from its position to its end into one container. False when a read
    // or write fails; what was written stays.
    bool EncryptStream(QIODevice &source, QIODevice &destination);
    // Decrypts one container of `size` bytes from the source's position. True only when both
    // the verifier and the code match; the plain data is written before the code is checked.
    bool DecryptStream(QIODevice &source, QIODevice &destination, qint64 size);

private:
    SaltGenerator salt_;
};

// Whole-file operations with the program's passphrase. Throw EFOpenError when the source cannot
// be opened (the destination untouched) and EFCreateError when the destination cannot be
// created. The result is the stream operation's; the program's own callers need none and read
// the destination as the failure left it: empty after a wrong verifier, the unauthenticated
// data after a wrong code.
bool EncryptFileTo(const QString &sourceFileName, const QString &destinationFileName);
bool DecryptFileTo(const QString &sourceFileName, const QString &destinationFileName);
// The same with the plain side held open by the caller: encrypting reads the source from its
// position to its end, decrypting writes at the destination's position.
bool EncryptDeviceTo(QIODevice &source, QIODevice &destination);
bool DecryptFileTo(const QString &sourceFileName, QIODevice &destination);

} // namespace vo
