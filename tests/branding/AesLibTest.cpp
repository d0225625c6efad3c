#include "ContainerHelpers.h"
#include "common/SystemText.h"

#include "branding/AesLib.h"
#include "branding/CryptoPrimitives.h"
#include "branding/ExclusiveFile.h"
#include "platform/AppError.h"

#include <QBuffer>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <sys/stat.h>

using namespace vo;
using namespace vo::test;

namespace {

const QByteArray Program("pzorvtkqeu");

unsigned char *u8(QByteArray &bytes)
{
    return reinterpret_cast<unsigned char *>(bytes.data());
}

QByteArray derive(const QByteArray &passphrase, const QByteArray &salt, int length)
{
    QByteArray material(length, '\0');
    crypto::pbkdf2HmacSha1(passphrase, salt, 1000, u8(material), length);
    return material;
}

// Counter mode written out plainly: block i (from 0) is encrypted under counter i + 1.
QByteArray referenceKeystream(const QByteArray &aesKey, qsizetype length)
{
    const qsizetype blocks = (length + 15) / 16;
    QByteArray counters(blocks * 16, '\0');
    for (qsizetype i = 0; i < blocks; ++i)
        qToLittleEndian<quint64>(static_cast<quint64>(i + 1), counters.data() + 16 * i);
    QByteArray keystream(counters.size(), '\0');
    crypto::AesEncryptor(aesKey).encryptBlocks(u8(counters), u8(keystream), static_cast<std::size_t>(blocks));
    return keystream.left(length);
}

QByteArray referenceContainer(const QByteArray &plain, const QByteArray &passphrase, const QByteArray &salt, int keyLength)
{
    const QByteArray material = derive(passphrase, salt, 2 * keyLength + 2);
    const QByteArray keystream = referenceKeystream(material.left(keyLength), plain.size());
    QByteArray encrypted = plain;
    for (qsizetype i = 0; i < plain.size(); ++i)
        encrypted[i] = static_cast<char>(plain[i] ^ keystream[i]);
    crypto::HmacSha1 mac(material.mid(keyLength, keyLength));
    mac.update(u8(encrypted), static_cast<std::size_t>(encrypted.size()));
    return salt + material.mid(2 * keyLength, 2) + encrypted + mac.finish().left(10);
}

quint64 fixedEntropy()
{
    return 0x0123456789ABCDEFull;
}

// Accepts a fixed number of bytes, then refuses every write, as a full disk does.
class FullDevice : public QIODevice
{
public:
    explicit FullDevice(qint64 room) : room_(room) { open(QIODevice::WriteOnly); }
    QByteArray written;

protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *data, qint64 length) override
    {
        if (length > room_ - written.size())
            return -1;
        written.append(data, length);
        return length;
    }

private:
    qint64 room_;
};

} // namespace

class AesLibTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir_;

    QString path(const QString &name) const { return dir_.filePath(name); }

    // Encrypts `plain` with the program's file operation and returns the container bytes.
    QByteArray encryptFile(const QByteArray &plain)
    {
        if (!writeFile(path(QStringLiteral("plain")), plain))
            return {};
        EncryptFileTo(path(QStringLiteral("plain")), path(QStringLiteral("box")));
        return readFile(path(QStringLiteral("box")));
    }

    // Decrypts `container` with the program's file operation into a destination that held
    // something before, so that a destination left alone would show.
    Decrypted decryptFile(const QByteArray &container)
    {
        const QString out = path(QStringLiteral("out"));
        if (!writeFile(path(QStringLiteral("box")), container) || !writeFile(out, "old contents"))
            return {false, "<setup failed>"};
        const bool ok = DecryptFileTo(path(QStringLiteral("box")), out);
        return {ok, readFile(out)};
    }

private Q_SLOTS:
    void initTestCase() { QVERIFY(dir_.isValid()); }

    void containerIsSaltVerifierDataCode_data()
    {
        QTest::addColumn<QByteArray>("passphrase");
        QTest::addColumn<int>("plainSize");
        QTest::addColumn<int>("bufferSize");
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("keyLength");
        QTest::addColumn<int>("saltLength");

        QTest::newRow("program, empty") << Program << 0 << 262144 << 1 << 16 << 8;
        QTest::newRow("program, 1 byte") << Program << 1 << 262144 << 1 << 16 << 8;
        // Buffers that split keystream blocks: an unfinished block must serve the next buffer.
        QTest::newRow("program, 7-byte buffers") << Program << 5000 << 7 << 1 << 16 << 8;
        QTest::newRow("program, 1-byte buffers") << Program << 70 << 1 << 1 << 16 << 8;
        QTest::newRow("program, 4097 in 4096") << Program << 4097 << 4096 << 1 << 16 << 8;
        QTest::newRow("program, two buffers") << Program << 262145 << 262144 << 1 << 16 << 8;
        QTest::newRow("31 bytes") << QByteArray(31, 'a') << 1000 << 100 << 1 << 16 << 8;
        QTest::newRow("32 bytes") << QByteArray(32, 'b') << 1000 << 100 << 2 << 24 << 12;
        QTest::newRow("47 bytes") << QByteArray(47, 'c') << 1000 << 100 << 2 << 24 << 12;
        QTest::newRow("48 bytes") << QByteArray(48, 'd') << 1000 << 100 << 3 << 32 << 16;
        QTest::newRow("128 bytes") << QByteArray(128, 'e') << 33 << 262144 << 3 << 32 << 16;
    }

    void containerIsSaltVerifierDataCode()
    {
        QFETCH(QByteArray, passphrase);
        QFETCH(int, plainSize);
        QFETCH(int, bufferSize);
        QFETCH(int, mode);
        QFETCH(int, keyLength);
        QFETCH(int, saltLength);

        QCOMPARE(TEncryption(passphrase, 16).mode(), mode);
        QCOMPARE(TEncryption(passphrase, 16).saltLength(), saltLength);

        const QByteArray plain = randomBytes(plainSize, static_cast<quint32>(plainSize));
        const QByteArray container = encryptBytes(plain, passphrase, static_cast<quint32>(bufferSize));
        QCOMPARE(container.size(), plainSize + saltLength + 12);
        const QByteArray expected = referenceContainer(plain, passphrase, container.left(saltLength), keyLength);
        QVERIFY(container == expected);

        const Decrypted back = decryptBytes(container, passphrase, static_cast<quint32>(bufferSize));
        QVERIFY(back.ok);
        QVERIFY(back.plain == plain);
    }

    void firstKeystreamBlockIsCounterOne()
    {
        const QByteArray plain = randomBytes(40, 1);
        const QByteArray container = encryptBytes(plain, Program);
        const QByteArray key = derive(Program, container.left(8), 34).left(16);
        QByteArray counterOne(16, '\0');
        counterOne[0] = 1;
        QByteArray block(16, '\0');
        crypto::AesEncryptor(key).encryptBlocks(u8(counterOne), u8(block), 1);
        for (int i = 0; i < 16; ++i)
            QCOMPARE(static_cast<char>(container[10 + i] ^ block[i]), plain[i]);
    }

    void saltsDifferAndEachDecrypts()
    {
        const QByteArray plain = randomBytes(1000, 2);
        const QByteArray first = encryptFile(plain);
        const QByteArray second = encryptFile(plain);
        QCOMPARE(first.size(), 1020);
        QVERIFY(first.left(8) != second.left(8));
        QVERIFY(first.mid(10) != second.mid(10));
        QCOMPARE(decryptFile(first).plain, plain);
        QCOMPARE(decryptFile(second).plain, plain);
    }

    void fileOperationsUseTheProgramPassphrase()
    {
        const QByteArray plain = randomBytes(300, 3);
        const Decrypted fromFile = decryptBytes(encryptFile(plain), "pzorvtkqeu");
        QVERIFY(fromFile.ok);
        QCOMPARE(fromFile.plain, plain);
        const Decrypted toFile = decryptFile(encryptBytes(plain, "pzorvtkqeu"));
        QVERIFY(toFile.ok);
        QCOMPARE(toFile.plain, plain);
    }

    void fileSizes_data()
    {
        QTest::addColumn<int>("plainSize");
        QTest::newRow("empty") << 0;
        QTest::newRow("one buffer exactly") << 262144;
        QTest::newRow("one byte more") << 262145;
    }

    void fileSizes()
    {
        QFETCH(int, plainSize);
        const QByteArray plain = randomBytes(plainSize, 4);
        const QByteArray container = encryptFile(plain);
        QCOMPARE(container.size(), plainSize + 20);
        const Decrypted back = decryptFile(container);
        QVERIFY(back.ok);
        QVERIFY(back.plain == plain);
    }

    void wrongPassphraseWritesNothing()
    {
        // Fixed salt, so the one-in-65536 chance of matching verifiers cannot make this flaky.
        const QByteArray container = encryptBytes(randomBytes(500, 5), "qzorvtkqeu", ProgramBufferSize, fixedEntropy);
        const Decrypted back = decryptFile(container);
        QVERIFY(!back.ok);
        QCOMPARE(back.plain, QByteArray());
        QVERIFY(!decryptBytes(container, Program).ok);
    }

    void damagedContainers()
    {
        const QByteArray plain = randomBytes(3000, 6);
        const QByteArray container = encryptBytes(plain, Program);

        QByteArray alteredData = container;
        alteredData[10 + 1000] = static_cast<char>(alteredData[10 + 1000] ^ 0x40);
        Decrypted back = decryptFile(alteredData);
        QVERIFY(!back.ok);
        QCOMPARE(back.plain.size(), plain.size());
        QByteArray expected = plain;
        expected[1000] = static_cast<char>(expected[1000] ^ 0x40);
        QVERIFY(back.plain == expected);

        QByteArray alteredCode = container;
        alteredCode[alteredCode.size() - 1] = static_cast<char>(alteredCode.back() ^ 1);
        back = decryptFile(alteredCode);
        QVERIFY(!back.ok);
        QVERIFY(back.plain == plain);

        back = decryptFile(container.chopped(1));
        QVERIFY(!back.ok);
        QVERIFY(back.plain == plain.chopped(1));
    }

    void tooShortForAContainer_data()
    {
        QTest::addColumn<int>("length");
        for (const int length : {0, 1, 7, 8, 9, 10, 19})
            QTest::addRow("%d bytes", length) << length;
    }

    void tooShortForAContainer()
    {
        // Cut from a container of empty data, whose verifier is genuine.
        QFETCH(int, length);
        const QByteArray container = encryptBytes(QByteArray(), Program);
        const Decrypted back = decryptFile(container.left(length));
        QVERIFY(!back.ok);
        QCOMPARE(back.plain, QByteArray());
    }

    void streamFailuresLeaveWhatWasWritten()
    {
        const QByteArray plain = randomBytes(1000, 7);
        TEncryption encryption(Program, 256);

        // A source that cannot be read: the header is already out.
        QBuffer closed;
        QTest::ignoreMessage(QtWarningMsg, "QIODevice::read (QBuffer): device not open");
        FullDevice roomy(1 << 20);
        QVERIFY(!encryption.EncryptStream(closed, roomy));
        QCOMPARE(roomy.written.size(), 10);

        // A destination that fills up within the data.
        QBuffer source;
        source.setData(plain);
        source.open(QIODevice::ReadOnly);
        FullDevice full(600);
        QVERIFY(!encryption.EncryptStream(source, full));
        QCOMPARE(full.written.size(), 10 + 2 * 256);

        FullDevice noRoom(0);
        QVERIFY(!encryption.EncryptStream(source, noRoom));

        // Decryption into a full destination, and from a source that ends before `size`.
        const QByteArray container = encryptBytes(plain, Program);
        QBuffer containerSource;
        containerSource.setData(container);
        containerSource.open(QIODevice::ReadOnly);
        FullDevice fullPlain(300);
        QVERIFY(!encryption.DecryptStream(containerSource, fullPlain, container.size()));
        QCOMPARE(fullPlain.written, plain.left(256));

        containerSource.seek(0);
        FullDevice sink(1 << 20);
        QVERIFY(!encryption.DecryptStream(containerSource, sink, container.size() + 100));
        QVERIFY(sink.written.startsWith(plain));
    }

    void missingSourceLeavesDestinationAlone()
    {
        const QString source = path(QStringLiteral("no such file"));
        const QString destination = path(QStringLiteral("kept"));
        QVERIFY(writeFile(destination, "kept as it was"));
        for (const auto operation : {&EncryptFileTo, &DecryptFileTo}) {
            try {
                operation(source, destination);
                QFAIL("no error for a missing source");
            } catch (const EFOpenError &error) {
                QCOMPARE(error.text(), QStringLiteral("Cannot open file \"") + QDir::toNativeSeparators(source)
                                           + QStringLiteral("\". ") + test::missingFileText());
            }
            QCOMPARE(readFile(destination), QByteArray("kept as it was"));
        }
    }

    void destinationThatCannotBeCreated()
    {
        QVERIFY(writeFile(path(QStringLiteral("plain")), "data"));
        const QString folder = path(QStringLiteral("a folder"));
        QVERIFY(QDir().mkpath(folder));
        try {
            EncryptFileTo(path(QStringLiteral("plain")), folder);
            QFAIL("no error for a folder in the destination's place");
        } catch (const EFCreateError &error) {
            QVERIFY2(error.text().startsWith(QStringLiteral("Cannot create file \"") + QDir::toNativeSeparators(folder)
                                             + QStringLiteral("\". ")),
                     qPrintable(error.text()));
            QVERIFY2(error.text().size() > QStringLiteral("Cannot create file \"\". ").size() + folder.size(),
                     "the system's words for the cause are missing");
        }
    }

#ifdef Q_OS_UNIX
    // A new destination is the user's alone, whatever the umask. (Windows' access lists:
    // test_windows_platform.)
    void newDestinationIsPrivate()
    {
        QVERIFY(writeFile(path(QStringLiteral("plain")), "data"));
        const mode_t umaskBefore = ::umask(022);
        QVERIFY(EncryptFileTo(path(QStringLiteral("plain")), path(QStringLiteral("new"))));
        ::umask(umaskBefore);
        QCOMPARE(QFileInfo(path(QStringLiteral("new"))).permissions(),
                 QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser);
    }
#endif

    void heldDestinationIsNeitherOpenedNorEmptied()
    {
        QVERIFY(writeFile(path(QStringLiteral("plain")), "data"));
        const QString destination = path(QStringLiteral("held"));
        QVERIFY(writeFile(destination, "someone else's"));
        QFile holder(destination);
        QVERIFY(holder.open(QIODevice::ReadOnly));
        QString cause;
        QVERIFY(lockFileExclusively(holder, cause));

        QVERIFY_THROWS_EXCEPTION(EFCreateError, EncryptFileTo(path(QStringLiteral("plain")), destination));
        QCOMPARE(readFile(destination), QByteArray("someone else's"));

        holder.close();
        QVERIFY(EncryptFileTo(path(QStringLiteral("plain")), destination));
        QCOMPARE(readFile(destination).size(), 24);
    }
};

QTEST_GUILESS_MAIN(AesLibTest)
#include "AesLibTest.moc"
