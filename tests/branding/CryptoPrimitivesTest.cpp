// The primitives the container composes, against the published vectors of their standards, and
// the salt generator's mixing step against the SHA-1 example of FIPS 180.
#include "branding/CryptoPrimitives.h"
#include "branding/SaltGenerator.h"

#include <QRandomGenerator>
#include <QTest>
#include <QtEndian>

using namespace vo::crypto;
using vo::SaltGenerator;

namespace {

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(text);
}

const unsigned char *u8(const QByteArray &bytes)
{
    return reinterpret_cast<const unsigned char *>(bytes.constData());
}

QByteArray hmac(const QByteArray &key, const QList<QByteArray> &pieces)
{
    HmacSha1 mac(key);
    for (const QByteArray &piece : pieces)
        mac.update(u8(piece), static_cast<std::size_t>(piece.size()));
    return mac.finish();
}

// The message with SHA-1's padding, a whole number of 64-byte blocks.
QByteArray paddedBlock(const QByteArray &message)
{
    QByteArray block = message + '\x80';
    while (block.size() % 64 != 56)
        block.append('\0');
    unsigned char bits[8];
    qToBigEndian<quint64>(static_cast<quint64>(message.size()) * 8, bits);
    block.append(reinterpret_cast<const char *>(bits), 8);
    return block;
}

const Sha1ChainingWords Sha1InitialWords = {0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476, 0xC3D2E1F0};

QByteArray bigEndianDigest(const Sha1ChainingWords &words)
{
    QByteArray digest(20, '\0');
    for (int i = 0; i < 5; ++i)
        qToBigEndian(words[i], digest.data() + 4 * i);
    return digest;
}

QByteArray littleEndianWords(const Sha1ChainingWords &words)
{
    QByteArray bytes(20, '\0');
    for (int i = 0; i < 5; ++i)
        qToLittleEndian(words[i], bytes.data() + 4 * i);
    return bytes;
}

SaltGenerator::Block blockFrom(const QByteArray &bytes)
{
    SaltGenerator::Block block{};
    std::copy_n(bytes.constData(), block.size(), reinterpret_cast<char *>(block.data()));
    return block;
}

QByteArray bytesOf(const SaltGenerator::Block &block)
{
    return QByteArray(reinterpret_cast<const char *>(block.data()), static_cast<qsizetype>(block.size()));
}

// Answers each request with a different number that uses all eight bytes, and counts them.
struct CountingSource
{
    int *calls;

    quint64 operator()() const { return static_cast<quint64>(++*calls) * 0x9E3779B97F4A7C15ull; }
};

// The generator as its description reads, step by step, on plain byte strings: start = zero
// state, refresh, 20 mixes of the pool, refresh; each refresh copies the pool out, refills it
// from the source and folds in the complement of the copy, then mixes both.
QByteArray modelSalt(const std::function<quint64()> &source, int count)
{
    const auto mix = [](QByteArray &block) {
        SaltGenerator::Block b = blockFrom(block);
        SaltGenerator::mix(b);
        block = bytesOf(b);
    };
    QByteArray pool(260, '\0');
    QByteArray output(260, '\0');
    const auto refresh = [&] {
        output = pool;
        QByteArray fresh;
        while (fresh.size() < 260) {
            char value[8];
            qToLittleEndian(source(), value);
            fresh.append(value, qMin<qsizetype>(8, 260 - fresh.size()));
        }
        for (int i = 0; i < 260; ++i)
            pool[i] = static_cast<char>(fresh[i] ^ ~output[i]);
        mix(pool);
        mix(output);
    };
    refresh();
    for (int i = 0; i < 20; ++i)
        mix(pool);
    refresh();
    QByteArray salt;
    while (salt.size() < count) {
        if (!salt.isEmpty())
            refresh();
        salt += output;
    }
    return salt.left(count);
}

QByteArray drawn(SaltGenerator &generator, int count)
{
    QByteArray out(count, '\0');
    generator.draw(reinterpret_cast<unsigned char *>(out.data()), count);
    return out;
}

} // namespace

class CryptoPrimitivesTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void aesFips197_data()
    {
        QTest::addColumn<QByteArray>("key");
        QTest::addColumn<QByteArray>("cipher");
        // FIPS-197 appendix C.1 to C.3; the plaintext is 00112233445566778899aabbccddeeff.
        QTest::newRow("C.1 AES-128") << hex("000102030405060708090a0b0c0d0e0f") << hex("69c4e0d86a7b0430d8cdb78070b4c55a");
        QTest::newRow("C.2 AES-192") << hex("000102030405060708090a0b0c0d0e0f1011121314151617")
                                     << hex("dda97ca4864cdfe06eaf70a0ec0d7191");
        QTest::newRow("C.3 AES-256") << hex("000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f")
                                     << hex("8ea2b7ca516745bfeafc49904b496089");
    }

    void aesFips197()
    {
        QFETCH(QByteArray, key);
        QFETCH(QByteArray, cipher);
        const QByteArray plain = hex("00112233445566778899aabbccddeeff");

        // Three blocks in one call: each is encrypted on its own, with no chaining between them.
        const QByteArray in = plain.repeated(3);
        QByteArray out(in.size(), '\0');
        AesEncryptor(key).encryptBlocks(u8(in), reinterpret_cast<unsigned char *>(out.data()), 3);
        QCOMPARE(out.toHex(), cipher.repeated(3).toHex());
    }

    void aesRefusesOtherKeySizes()
    {
        QVERIFY_THROWS_EXCEPTION(std::invalid_argument, AesEncryptor(QByteArray(20, 'k')));
    }

    void hmacSha1Rfc2202_data()
    {
        QTest::addColumn<QByteArray>("key");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QByteArray>("digest");
        QTest::newRow("1") << QByteArray(20, '\x0b') << QByteArray("Hi There") << hex("b617318655057264e28bc0b6fb378c8ef146be00");
        QTest::newRow("2") << QByteArray("Jefe") << QByteArray("what do ya want for nothing?")
                           << hex("effcdf6ae5eb2fa2d27416d5f184df9c259a7c79");
        QTest::newRow("3") << QByteArray(20, '\xaa') << QByteArray(50, '\xdd') << hex("125d7342b9ac11cd91a39af48aa17b4f63f175d3");
        QTest::newRow("4") << hex("0102030405060708090a0b0c0d0e0f10111213141516171819") << QByteArray(50, '\xcd')
                           << hex("4c9007f4026250c6bc8414f9bf50c86c2d7235da");
        QTest::newRow("5") << QByteArray(20, '\x0c') << QByteArray("Test With Truncation")
                           << hex("4c1a03424b55e07fe7f27be1d58bb9324a9a5a04");
        QTest::newRow("6") << QByteArray(80, '\xaa') << QByteArray("Test Using Larger Than Block-Size Key - Hash Key First")
                           << hex("aa4ae5e15272d00e95705637ce8a3b55ed402112");
        QTest::newRow("7") << QByteArray(80, '\xaa')
                           << QByteArray("Test Using Larger Than Block-Size Key and Larger Than One Block-Size Data")
                           << hex("e8e99d0f45237d786d6bbaa7965c7808bbff1a91");
    }

    void hmacSha1Rfc2202()
    {
        QFETCH(QByteArray, key);
        QFETCH(QByteArray, data);
        QFETCH(QByteArray, digest);
        QCOMPARE(hmac(key, {data}).toHex(), digest.toHex());
        // The container feeds the code piece by piece; the pieces must join seamlessly.
        QCOMPARE(hmac(key, {data.left(3), QByteArray(), data.mid(3, 7), data.mid(10)}).toHex(), digest.toHex());
    }

    void pbkdf2Rfc6070_data()
    {
        QTest::addColumn<QByteArray>("password");
        QTest::addColumn<QByteArray>("salt");
        QTest::addColumn<int>("iterations");
        QTest::addColumn<QByteArray>("key");
        QTest::newRow("c=1") << QByteArray("password") << QByteArray("salt") << 1 << hex("0c60c80f961f0e71f3a9b524af6012062fe037a6");
        QTest::newRow("c=2") << QByteArray("password") << QByteArray("salt") << 2 << hex("ea6c014dc72d6f8ccd1ed92ace1d41f0d8de8957");
        QTest::newRow("c=4096") << QByteArray("password") << QByteArray("salt") << 4096
                                << hex("4b007901b765489abead49d926f721d065a429c1");
        // 25 bytes: the second HMAC block is cut, as the container's 34 bytes are.
        QTest::newRow("long") << QByteArray("passwordPASSWORDpassword") << QByteArray("saltSALTsaltSALTsaltSALTsaltSALTsalt") << 4096
                              << hex("3d2eec4fe41c849b80c8d83662c0e44a8b291a964cf2f07038");
        QTest::newRow("zero bytes") << QByteArray("pass\0word", 9) << QByteArray("sa\0lt", 5) << 4096
                                    << hex("56fa6aa75548099dcc37d7f03425e0c3");
    }

    void pbkdf2Rfc6070()
    {
        QFETCH(QByteArray, password);
        QFETCH(QByteArray, salt);
        QFETCH(int, iterations);
        QFETCH(QByteArray, key);
        QByteArray out(key.size(), '\0');
        pbkdf2HmacSha1(password, salt, iterations, reinterpret_cast<unsigned char *>(out.data()), static_cast<int>(out.size()));
        QCOMPARE(out.toHex(), key.toHex());
    }

    void sha1CompressionFips180()
    {
        // One block: "abc". Two blocks: the 56-byte example, whose second block is the padding
        // alone and must start from the first block's result.
        Sha1ChainingWords words = Sha1InitialWords;
        sha1Compress(words, u8(paddedBlock("abc")));
        QCOMPARE(bigEndianDigest(words).toHex(), QByteArray("a9993e364706816aba3e25717850c26c9cd0d89d"));

        const QByteArray message("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq");
        const QByteArray padded = paddedBlock(message);
        QCOMPARE(padded.size(), 128);
        words = Sha1InitialWords;
        sha1Compress(words, u8(padded));
        sha1Compress(words, u8(padded) + 64);
        QCOMPARE(bigEndianDigest(words).toHex(), QByteArray("84983e441c3bd26ebaae4aa1f95129e5e54670f1"));
    }

    void mixFirstSegmentIsOneCompression()
    {
        // Chaining words come little-endian from the block's last 20 bytes, the message is the
        // first 64 bytes, and the result goes back little-endian: with the SHA-1 start words
        // and the padded "abc" the first segment must become the "abc" digest.
        QByteArray bytes = paddedBlock("abc");
        bytes.append(SaltGenerator::BlockSize - 20 - bytes.size(), '\x5a');
        bytes.append(littleEndianWords(Sha1InitialWords));
        SaltGenerator::Block block = blockFrom(bytes);
        SaltGenerator::mix(block);

        // a9993e36 4706816a ba3e2571 7850c26c 9cd0d89d, each word stored little-endian
        QCOMPARE(bytesOf(block).left(20).toHex(), QByteArray("363e99a96a81064771253eba6cc250789dd8d09c"));
    }

    void mixChainsSegmentsInPlaceAndWraps()
    {
        // Every segment is compressed from the segment before it as already mixed, over a
        // message that runs past the end into the mixed start of the block.
        QByteArray original(SaltGenerator::BlockSize, '\0');
        QRandomGenerator(20260307).fillRange(reinterpret_cast<quint32 *>(original.data()), original.size() / 4);
        SaltGenerator::Block block = blockFrom(original);
        SaltGenerator::mix(block);
        const QByteArray mixed = bytesOf(block);

        for (int segment = 0; segment < SaltGenerator::BlockSize; segment += 20) {
            const QByteArray previous = segment == 0 ? original.right(20) : mixed.mid(segment - 20, 20);
            Sha1ChainingWords words;
            for (int w = 0; w < 5; ++w)
                words[w] = qFromLittleEndian<quint32>(previous.constData() + 4 * w);
            const QByteArray message = (original.mid(segment) + mixed).left(64);
            sha1Compress(words, u8(message));
            QVERIFY2(mixed.mid(segment, 20) == littleEndianWords(words), QByteArray::number(segment).constData());
        }
    }

    void generatorFollowsItsModel()
    {
        int calls = 0;
        int modelCalls = 0;
        SaltGenerator generator{CountingSource{&calls}};
        QCOMPARE(drawn(generator, 700).toHex(), modelSalt(CountingSource{&modelCalls}, 700).toHex());
    }

    void generatorDrawsTheSameBytesInAnyPieces()
    {
        // The read position carries over between draws and across refreshes.
        int callsA = 0;
        int callsB = 0;
        SaltGenerator whole{CountingSource{&callsA}};
        SaltGenerator pieces{CountingSource{&callsB}};
        const QByteArray expected = drawn(whole, 800);
        QByteArray got;
        for (const int n : {8, 12, 240, 1, 259, 16, 264})
            got += drawn(pieces, n);
        QCOMPARE(got.toHex(), expected.toHex());
    }
};

QTEST_GUILESS_MAIN(CryptoPrimitivesTest)
#include "CryptoPrimitivesTest.moc"
