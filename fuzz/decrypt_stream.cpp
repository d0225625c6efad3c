// DecryptStream on whatever bytes a damaged or forged branding file may hold. The first byte
// picks the passphrase, and so the key size; with its top bit set the rest is also put
// through an encrypt and decrypt round trip.
#include "CipherRuns.h"

namespace {

using namespace vo::fuzz;

// Small buffers keep each run cheap and make the larger inputs cross buffer boundaries.
constexpr quint32 kBufferSize = 64;

QByteArray passphraseFor(std::uint8_t choice)
{
    switch (choice % 3) {
    case 0:
        return QByteArray(vo::ProgramPassphrase);
    case 1:
        return QByteArray(40, 'k'); // 24-byte key
    default:
        return QByteArray(64, 'q'); // 32-byte key
    }
}

Decrypted decrypt(const QByteArray &passphrase, const QByteArray &container)
{
    vo::TEncryption decryption(passphrase, kBufferSize);
    return decryptWith(decryption, container);
}

QByteArray encrypt(const QByteArray &passphrase, const QByteArray &plain)
{
    vo::TEncryption encryption(passphrase, kBufferSize, [] { return quint64(0x0123456789abcdefULL); });
    return encryptWith(encryption, plain);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size == 0)
        return 0;
    const QByteArray passphrase = passphraseFor(data[0]);
    const QByteArray bytes = bytesOf(data + 1, size - 1);
    const vo::CryptMode mode = vo::cryptModeFor(passphrase.size());
    const qsizetype overhead = mode.saltLength + vo::VerifierLength + vo::CodeLength;

    const Decrypted damaged = decrypt(passphrase, bytes);
    if (damaged.ok)
        FUZZ_CHECK(damaged.plain.size() == bytes.size() - overhead);
    FUZZ_CHECK(damaged.plain.size() <= qMax<qsizetype>(0, bytes.size() - overhead));

    if (data[0] & 0x80) {
        const QByteArray container = encrypt(passphrase, bytes);
        FUZZ_CHECK(container.size() == bytes.size() + overhead);
        const Decrypted back = decrypt(passphrase, container);
        FUZZ_CHECK(back.ok && back.plain == bytes);
        // Any one damaged byte, in the header, the data or the code, is noticed.
        QByteArray tampered = container;
        const qsizetype at = qsizetype(data[size - 1]) * 131 % tampered.size();
        tampered[at] = char(tampered[at] ^ (data[0] | 1));
        FUZZ_CHECK(!decrypt(passphrase, tampered).ok);
    }
    return 0;
}
