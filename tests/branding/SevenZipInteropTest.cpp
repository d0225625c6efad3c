// The container is the data of one WinZip AES entry: 7-Zip must read what the program writes and
// the program must read what 7-Zip writes.
#include "ContainerHelpers.h"

#include <QDataStream>
#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace vo::test;

namespace {

const QByteArray Passphrase("0123456789"); // 10 bytes: AES-128, as the program's own
const QString EntryName = QStringLiteral("entry.bin");
constexpr quint16 AesMethod = 99;
constexpr quint16 AesExtraId = 0x9901;

struct AesEntry
{
    quint16 vendorVersion = 0;
    QByteArray vendor;
    quint8 strength = 0;
    quint16 actualMethod = 0xFFFF;
    QByteArray data; // salt, verifier, encrypted data, code
};

// Reads the first local file header of a zip archive and its AES extra field.
AesEntry firstEntry(const QByteArray &zip)
{
    QDataStream in(zip);
    in.setByteOrder(QDataStream::LittleEndian);
    quint32 signature, crc, compressedSize, size;
    quint16 version, flags, method, time, date, nameLength, extraLength;
    in >> signature >> version >> flags >> method >> time >> date >> crc >> compressedSize >> size >> nameLength
        >> extraLength;
    AesEntry entry;
    if (signature != 0x04034b50 || method != AesMethod || (flags & 0x0008) != 0)
        return entry;
    in.skipRawData(nameLength);
    const qsizetype extraEnd = in.device()->pos() + extraLength;
    while (in.device()->pos() + 4 <= extraEnd) {
        quint16 id, length;
        in >> id >> length;
        if (id != AesExtraId) {
            in.skipRawData(length);
            continue;
        }
        entry.vendor.resize(2);
        in >> entry.vendorVersion;
        in.readRawData(entry.vendor.data(), 2);
        in >> entry.strength >> entry.actualMethod;
    }
    entry.data = zip.mid(extraEnd, compressedSize);
    return entry;
}

// One stored AE-2 entry (no CRC), the local header, the central directory and its end.
QByteArray zipOf(const QByteArray &container, qint64 plainSize)
{
    const QByteArray name = EntryName.toLatin1();
    QByteArray extra;
    {
        QDataStream x(&extra, QIODevice::WriteOnly);
        x.setByteOrder(QDataStream::LittleEndian);
        x << AesExtraId << quint16(7) << quint16(2) << quint8('A') << quint8('E') << quint8(1) << quint16(0);
    }
    const auto common = [&](QDataStream &out) {
        out << quint16(51) << quint16(0x0001) << AesMethod << quint16(0) << quint16(0x0021) << quint32(0)
            << quint32(container.size()) << quint32(plainSize) << quint16(name.size()) << quint16(extra.size());
    };
    QByteArray zip;
    QDataStream out(&zip, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    out << quint32(0x04034b50);
    common(out);
    out.writeRawData(name.constData(), int(name.size()));
    out.writeRawData(extra.constData(), int(extra.size()));
    out.writeRawData(container.constData(), int(container.size()));

    const quint32 directoryOffset = quint32(zip.size());
    out << quint32(0x02014b50) << quint16(51);
    common(out);
    out << quint16(0) << quint16(0) << quint16(0) << quint32(0) << quint32(0);
    out.writeRawData(name.constData(), int(name.size()));
    out.writeRawData(extra.constData(), int(extra.size()));
    const quint32 directorySize = quint32(zip.size()) - directoryOffset;

    out << quint32(0x06054b50) << quint16(0) << quint16(0) << quint16(1) << quint16(1) << directorySize
        << directoryOffset << quint16(0);
    return zip;
}

} // namespace

class SevenZipInteropTest : public QObject
{
    Q_OBJECT

private:
    QString sevenZip_;
    QTemporaryDir dir_;

    // Runs 7zz in the temporary folder; its output on failure.
    bool run(const QStringList &arguments, QByteArray &output)
    {
        QProcess process;
        process.setWorkingDirectory(dir_.path());
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(sevenZip_, arguments);
        const bool finished = process.waitForFinished(60000);
        output = process.readAll();
        return finished && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    }

    static void addSizes()
    {
        QTest::addColumn<int>("size");
        QTest::newRow("1 byte") << 1;
        QTest::newRow("two buffers and a bit") << 2 * 262144 + 33;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(dir_.isValid());
        sevenZip_ = QStandardPaths::findExecutable(QStringLiteral("7zz"));
        if (sevenZip_.isEmpty())
            QSKIP("7zz (Debian package 7zip) is not installed; scripts/test installs it");
    }

    void sevenZipEntryDecrypts_data() { addSizes(); }
    void sevenZipEntryDecrypts()
    {
        QFETCH(int, size);
        const QByteArray plain = randomBytes(size, static_cast<quint32>(size));
        QDir(dir_.path()).remove(QStringLiteral("made-by-7zz.zip"));
        QVERIFY(writeFile(dir_.filePath(EntryName), plain));
        QByteArray output;
        QVERIFY2(run({QStringLiteral("a"), QStringLiteral("-tzip"), QStringLiteral("-mx0"), QStringLiteral("-mem=AES128"),
                      QStringLiteral("-p") + QString::fromLatin1(Passphrase), QStringLiteral("made-by-7zz.zip"), EntryName},
                     output),
                 output.constData());

        const AesEntry entry = firstEntry(readFile(dir_.filePath(QStringLiteral("made-by-7zz.zip"))));
        QCOMPARE(entry.vendor, QByteArray("AE"));
        QCOMPARE(entry.strength, quint8(1));
        QCOMPARE(entry.actualMethod, quint16(0));
        QCOMPARE(entry.data.size(), size + 20);

        const Decrypted back = decryptBytes(entry.data, Passphrase);
        QVERIFY(back.ok);
        QVERIFY(back.plain == plain);
    }

    void programEntryExtracts_data() { addSizes(); }
    void programEntryExtracts()
    {
        QFETCH(int, size);
        const QByteArray plain = randomBytes(size, static_cast<quint32>(size) + 1);
        const QByteArray zip = zipOf(encryptBytes(plain, Passphrase), plain.size());
        QVERIFY(writeFile(dir_.filePath(QStringLiteral("made-by-us.zip")), zip));
        QByteArray output;
        QVERIFY2(run({QStringLiteral("x"), QStringLiteral("-y"), QStringLiteral("-p") + QString::fromLatin1(Passphrase),
                      QStringLiteral("-oout"), QStringLiteral("made-by-us.zip")},
                     output),
                 output.constData());
        QVERIFY(readFile(dir_.filePath(QStringLiteral("out/") + EntryName)) == plain);
    }

    void sevenZipChecksTheCode()
    {
        // Proof that 7-Zip verifies what the program writes: one changed code byte is refused.
        QByteArray container = encryptBytes(randomBytes(100, 8), Passphrase);
        container[container.size() - 3] = static_cast<char>(container[container.size() - 3] ^ 0x10);
        QVERIFY(writeFile(dir_.filePath(QStringLiteral("bad-code.zip")), zipOf(container, 100)));
        QByteArray output;
        QVERIFY2(!run({QStringLiteral("t"), QStringLiteral("-p") + QString::fromLatin1(Passphrase), QStringLiteral("bad-code.zip")},
                      output),
                 output.constData());
    }
};

QTEST_GUILESS_MAIN(SevenZipInteropTest)
#include "SevenZipInteropTest.moc"
