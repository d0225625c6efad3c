// Replacing a whole file on a disk that runs full: the old file stays as it was and no
// temporary file is left, whether the write fails in the file's buffer or only as it is flushed.
#include "platform/WholeFile.h"
#include "support/FileSizeLimit.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace vo;
using vo::test::FileSizeLimit;

class WholeFileTest : public QObject
{
    Q_OBJECT

    QTemporaryDir dir_;

    QString path() const { return dir_.filePath(QStringLiteral("hsettings.dat")); }
    QByteArray read() const
    {
        QFile file(path());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

private Q_SLOTS:
    void init()
    {
        QVERIFY(WholeFile::write(path(), "old contents\r\n").ok());
    }

    void fullDiskKeepsTheOldFile_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("room");
        QTest::addColumn<bool>("written");
        // Small enough to wait in the buffer until the flush.
        QTest::newRow("short, no room") << 200 << 100 << false;
        // Larger than the buffer: written at once and failing there.
        QTest::newRow("long, no room") << 100000 << 50000 << false;
        QTest::newRow("short, just room") << 200 << 200 << true;
    }
    void fullDiskKeepsTheOldFile()
    {
        QFETCH(int, size);
        QFETCH(int, room);
        QFETCH(bool, written);
        const QByteArray bytes(size, 'n');
        WholeFile::Result result;
        {
            const FileSizeLimit full(room);
            QVERIFY(full.active());
            result = WholeFile::write(path(), bytes);
        }
        QCOMPARE(result.ok(), written);
        QCOMPARE(result.outcome, written ? WholeFile::Outcome::Written : WholeFile::Outcome::WriteFailed);
        QCOMPARE(read(), written ? bytes : QByteArray("old contents\r\n"));
        QCOMPARE(QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("hsettings.dat")});
    }
};

QTEST_GUILESS_MAIN(WholeFileTest)
#include "WholeFileTest.moc"
