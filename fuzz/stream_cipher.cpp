// The container's cipher and code with the key material taken from the input, so that each run
// goes to the keystream and the HMAC instead of PBKDF2. The input chooses key size, buffer
// size, salt entropy, material and data: encrypted and decrypted it comes back, one changed
// byte after the salt is refused, and the raw input as a container never decrypts
// to more than it can hold.
#include "CipherRuns.h"

namespace {

using namespace vo::fuzz;

struct Settings
{
    QByteArray passphrase;
    quint32 bufferSize = 1;
    quint64 entropy = 0;
    QByteArray material;
};

// One cipher object serves every stream of a run, as the salt generator's start-up mixing
// would otherwise cost more than the ciphering.
class Cipher
{
public:
    explicit Cipher(const Settings &settings)
        : crypt_(settings.passphrase, settings.bufferSize, [entropy = settings.entropy] { return entropy; },
                 vo::fixedKeyMaterialForTests(settings.material))
    {
    }

    Decrypted decrypt(const QByteArray &container) { return decryptWith(crypt_, container); }
    QByteArray encrypt(const QByteArray &plain) { return encryptWith(crypt_, plain); }

private:
    vo::TEncryption crypt_;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    Settings settings;
    // 16, 24 or 32-byte keys, as the passphrase length decides. Every buffer is digested on a
    // worker thread: buffers of some hundred bytes keep the hand-overs few and still cross the
    // 4 KiB keystream runs.
    settings.passphrase = QByteArray(input.PickValueInArray({10, 40, 64}), 'p');
    settings.bufferSize = input.ConsumeIntegralInRange<quint32>(1, 16) * 64;
    settings.entropy = input.ConsumeIntegral<quint64>();
    settings.material = takeBytes(input, 66);
    const std::size_t damageAt = input.ConsumeIntegral<std::uint16_t>();
    const std::uint8_t damage = input.ConsumeIntegralInRange<std::uint8_t>(1, 255);
    const QByteArray bytes = restOf(input);

    const vo::CryptMode mode = vo::cryptModeFor(settings.passphrase.size());
    const qsizetype overhead = mode.saltLength + vo::VerifierLength + vo::CodeLength;

    Cipher cipher(settings);
    const Decrypted forged = cipher.decrypt(bytes);
    FUZZ_CHECK(forged.plain.size() <= qMax<qsizetype>(0, bytes.size() - overhead));
    if (forged.ok)
        FUZZ_CHECK(forged.plain.size() == bytes.size() - overhead);

    const QByteArray container = cipher.encrypt(bytes);
    FUZZ_CHECK(container.size() == bytes.size() + overhead);
    const Decrypted back = cipher.decrypt(container);
    FUZZ_CHECK(back.ok && back.plain == bytes);
    // The salt only feeds the key derivation, which is fixed here; any other byte counts.
    QByteArray tampered = container;
    const qsizetype at = mode.saltLength + qsizetype(damageAt % std::size_t(tampered.size() - mode.saltLength));
    tampered[at] = char(tampered[at] ^ damage);
    FUZZ_CHECK(!cipher.decrypt(tampered).ok);
    // Cut short or lengthened, it is refused too.
    FUZZ_CHECK(!cipher.decrypt(container.first(container.size() - 1)).ok);
    FUZZ_CHECK(!cipher.decrypt(container + '\0').ok);
    return 0;
}
