// The last-news marker inside the real encrypted branding file, and the start-up news check
// that compares it with the newest item of a scripted news server.
#include "branding/AesLib.h"
#include "common/Files.h"
#include "branding/ExclusiveFile.h"
#include "net/IdHTTP.h"
#include "news/NewsMarker.h"
#include "news/NewsService.h"
#include "platform/AppError.h"
#include "platform/WholeFile.h"
#include "support/ScriptServer.h"
#include "ui/MessageBox.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace vo;
using vo::test::ScriptedReply;
using vo::test::ScriptServer;
using vo::test::readFile;
using vo::test::writeFile;

namespace {

const QByteArray kBranding = QByteArrayLiteral(
    "<%%ApplicationName%%>Acme<%%/ApplicationName%%>\r\n"
    "<%%BranderType%%>Master<%%/BranderType%%>\n"
    "\r\n"
    "<%%AboutText%%>two\rlines<%%/AboutText%%>");
// The same text as the program writes it back: every line ends in CR LF.
const QByteArray kBrandingLines = QByteArrayLiteral(
    "<%%ApplicationName%%>Acme<%%/ApplicationName%%>\r\n"
    "<%%BranderType%%>Master<%%/BranderType%%>\r\n"
    "\r\n"
    "<%%AboutText%%>two\r\n"
    "lines<%%/AboutText%%>\r\n");

} // namespace

class NewsMarkerTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir_;

    QString path(const char *name) const { return dir_->filePath(QString::fromLatin1(name)); }
    NewsMarker marker() const { return NewsMarker(AppFolder(dir_->path() + QLatin1Char('/'))); }

    void writeBranding(const QByteArray &plain)
    {
        QVERIFY(writeFile(path("plain.txt"), plain));
        QVERIFY(EncryptFileTo(path("plain.txt"), path("dbsettings.dat")));
        QVERIFY(QFile::remove(path("plain.txt")));
    }
    QByteArray brandingPlain()
    {
        if (!DecryptFileTo(path("dbsettings.dat"), path("check.txt")))
            return "<not a container>";
        const QByteArray plain = readFile(path("check.txt"));
        QFile::remove(path("check.txt"));
        return plain;
    }
    // Nothing but the branding file (and what the test put there) stays in the folder.
    void verifyNoLeftovers(const QStringList &expected = {QStringLiteral("dbsettings.dat")})
    {
        QCOMPARE(QDir(dir_->path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), expected);
    }

private Q_SLOTS:
    void init()
    {
        dir_ = std::make_unique<QTemporaryDir>();
        QVERIFY(dir_->isValid());
    }
    void cleanup()
    {
        WholeFile::simulateDiskFullForTests(QString());
        dir_.reset();
    }

    void withoutBrandingFileNothingHappens()
    {
        QCOMPARE(marker().ReadLastNewsId(), QByteArray());
        QVERIFY(!marker().SaveLastNewsId("5"));
        verifyNoLeftovers({});
    }

    void savedMarkerReadsBackAndKeepsEveryOtherLine()
    {
        writeBranding(kBranding);
        QCOMPARE(marker().ReadLastNewsId(), QByteArray());
        verifyNoLeftovers();

        QVERIFY(marker().SaveLastNewsId("42"));
        QCOMPARE(brandingPlain(), kBrandingLines + "<%%LastNewsId%%>42<%%/LastNewsId%%>\r\n");
        QCOMPARE(marker().ReadLastNewsId(), QByteArray("42"));
        verifyNoLeftovers();

        // The first marker line is replaced whole, whatever else it held; a smaller id is stored too.
        writeBranding("a\r\nx <%%LastNewsId%%>42<%%/LastNewsId%%> y\r\nb\r\n<%%LastNewsId%%>7<%%/LastNewsId%%>");
        QVERIFY(marker().SaveLastNewsId("-3"));
        QCOMPARE(brandingPlain(),
                 QByteArray("a\r\n<%%LastNewsId%%>-3<%%/LastNewsId%%>\r\nb\r\n<%%LastNewsId%%>7<%%/LastNewsId%%>\r\n"));
        QCOMPARE(marker().ReadLastNewsId(), QByteArray("-3"));
        verifyNoLeftovers();
    }

    void lineMatchIsCaseSensitiveButReadingIsNot()
    {
        writeBranding("<%%lastnewsid%%>5<%%/LASTNEWSID%%>\r\n");
        QCOMPARE(marker().ReadLastNewsId(), QByteArray("5"));
        QVERIFY(marker().SaveLastNewsId("9"));
        QCOMPARE(brandingPlain(),
                 QByteArray("<%%lastnewsid%%>5<%%/LASTNEWSID%%>\r\n<%%LastNewsId%%>9<%%/LastNewsId%%>\r\n"));
        // Reading still finds the first tag.
        QCOMPARE(marker().ReadLastNewsId(), QByteArray("5"));
    }

    void onlyWholeThirtyTwoBitNumbersAreStored_data()
    {
        QTest::addColumn<QByteArray>("id");
        QTest::addColumn<bool>("stored");
        QTest::newRow("zero") << QByteArray("0") << true;
        QTest::newRow("largest") << QByteArray("2147483647") << true;
        QTest::newRow("smallest") << QByteArray("-2147483648") << true;
        QTest::newRow("leading zeros") << QByteArray("007") << true;
        QTest::newRow("too large") << QByteArray("2147483648") << false;
        QTest::newRow("too small") << QByteArray("-2147483649") << false;
        QTest::newRow("eleven digits") << QByteArray("00000000001") << false;
        QTest::newRow("line break") << QByteArray("1\r\n<%%ApplicationName%%>Evil<%%/ApplicationName%%>") << false;
        QTest::newRow("zero byte") << QByteArray("1\0002", 3) << false;
        QTest::newRow("letters") << QByteArray("12a") << false;
        QTest::newRow("plus") << QByteArray("+5") << false;
        QTest::newRow("blank") << QByteArray(" 5") << false;
        QTest::newRow("minus alone") << QByteArray("-") << false;
        QTest::newRow("empty") << QByteArray() << false;
    }
    void onlyWholeThirtyTwoBitNumbersAreStored()
    {
        QFETCH(QByteArray, id);
        QFETCH(bool, stored);
        writeBranding(kBranding);
        const QByteArray before = readFile(path("dbsettings.dat"));
        QCOMPARE(marker().SaveLastNewsId(id), stored);
        if (stored) {
            QCOMPARE(marker().ReadLastNewsId(), id);
        } else {
            QCOMPARE(readFile(path("dbsettings.dat")), before);
        }
        verifyNoLeftovers();
    }

    void damagedFileIsLeftUntouched_data()
    {
        QTest::addColumn<int>("damage");
        QTest::newRow("foreign bytes") << 0;
        QTest::newRow("flipped byte") << 1;
        QTest::newRow("cut short") << 2;
        QTest::newRow("empty") << 3;
    }
    void damagedFileIsLeftUntouched()
    {
        QFETCH(int, damage);
        writeBranding(kBranding);
        QByteArray bytes = readFile(path("dbsettings.dat"));
        switch (damage) {
        case 0: bytes = QByteArray("plain text that was never encrypted\r\n"); break;
        case 1: bytes[bytes.size() / 2] = char(bytes.at(bytes.size() / 2) ^ 0x40); break;
        case 2: bytes.chop(5); break;
        default: bytes.clear(); break;
        }
        QVERIFY(writeFile(path("dbsettings.dat"), bytes));
        QVERIFY(!marker().SaveLastNewsId("12"));
        QCOMPARE(readFile(path("dbsettings.dat")), bytes);
        QCOMPARE(marker().ReadLastNewsId(), QByteArray());
        verifyNoLeftovers();
    }

    void failedWriteKeepsTheOldFile()
    {
        writeBranding(kBranding);
        QVERIFY(marker().SaveLastNewsId("1"));
        const QByteArray before = readFile(path("dbsettings.dat"));

        WholeFile::simulateDiskFullForTests(path("dbsettings.dat"));
        QVERIFY_THROWS_EXCEPTION(EWriteError, marker().SaveLastNewsId("2"));
        WholeFile::simulateDiskFullForTests(QString());
        QCOMPARE(readFile(path("dbsettings.dat")), before);
        verifyNoLeftovers();
        QCOMPARE(marker().ReadLastNewsId(), QByteArray("1"));
    }

    // Another copy of the program holds the plain file while it reads or rewrites the branding:
    // this copy fails, and that file stays as the other copy has it. Files of similar names that
    // someone left are never taken for this program's own.
    void filesOfOthersAreLeftAlone()
    {
        writeBranding(kBranding);
        QVERIFY(writeFile(path("dbsettings.sim"), "the other copy's plain text"));
        QFile held(path("dbsettings.sim"));
        QVERIFY(held.open(QIODevice::ReadOnly));
        QString cause;
        QVERIFY(lockFileExclusively(held, cause));
        const QByteArray before = readFile(path("dbsettings.dat"));

        QVERIFY_THROWS_EXCEPTION(EFCreateError, marker().ReadLastNewsId());
        QVERIFY_THROWS_EXCEPTION(EFCreateError, marker().SaveLastNewsId("5"));
        QCOMPARE(readFile(path("dbsettings.sim")), QByteArray("the other copy's plain text"));
        QCOMPARE(readFile(path("dbsettings.dat")), before);

        held.close();
        QVERIFY(QFile::remove(path("dbsettings.sim")));
        QVERIFY(writeFile(path("dbsettings.new"), "left by someone"));
        QVERIFY(marker().SaveLastNewsId("5"));
        QCOMPARE(marker().ReadLastNewsId(), QByteArray("5"));
        QCOMPARE(readFile(path("dbsettings.new")), QByteArray("left by someone"));
        verifyNoLeftovers({QStringLiteral("dbsettings.dat"), QStringLiteral("dbsettings.new")});
    }

    void unreadableFileThrowsAndLeavesNoPlainText()
    {
        // Where the branding file should be, a folder: opening it fails.
        QVERIFY(QDir(dir_->path()).mkdir(QStringLiteral("dbsettings.dat")));
        QVERIFY_THROWS_EXCEPTION(EFOpenError, marker().ReadLastNewsId());
        QVERIFY_THROWS_EXCEPTION(EFOpenError, marker().SaveLastNewsId("4"));
        verifyNoLeftovers();
    }

    void balloonRule_data()
    {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<QByteArray>("newest");
        QTest::addColumn<bool>("balloon");
        QTest::newRow("missing, 5") << QByteArray() << QByteArray("5") << true;
        QTest::newRow("not a number, 5") << QByteArray("abc") << QByteArray("5") << true;
        QTest::newRow("15, 15") << QByteArray("15") << QByteArray("15") << false;
        QTest::newRow("15, 16") << QByteArray("15") << QByteArray("16") << true;
        QTest::newRow("16, 15") << QByteArray("16") << QByteArray("15") << false;
        QTest::newRow("missing, not a number") << QByteArray() << QByteArray("x7") << false;
        QTest::newRow("negative, not a number") << QByteArray("-1") << QByteArray("x7") << true;
        QTest::newRow("negative, 0") << QByteArray("-2") << QByteArray("0") << true;
        QTest::newRow("missing, negative") << QByteArray() << QByteArray("-4") << false;
        QTest::newRow("beyond 32 bits") << QByteArray("7") << QByteArray("4294967296") << false;
        QTest::newRow("largest") << QByteArray("2147483646") << QByteArray("2147483647") << true;
    }
    void balloonRule()
    {
        QFETCH(QByteArray, stored);
        QFETCH(QByteArray, newest);
        QFETCH(bool, balloon);
        const std::optional<QByteArray> text = newsHintText(stored, newest, "Spring sale");
        QCOMPARE(text.has_value(), balloon);
        if (balloon)
            QCOMPARE(*text, QByteArray("You've Got A Message!\r\nSpring sale"));
    }

    void startupCheck()
    {
        TMessageBox::beginScript();
        ScriptServer server;
        TIdHTTP http;
        TMessageBox messages;
        BrandingProfile profile;
        profile.BranderType = "Master";
        profile.BranderCode = "code";
        profile.MasterPublID = "demo";
        profile.MasterNewsBaseURL = server.url("/news/");
        NewsService service(http, messages, profile);

        // No branding file: the stored id reads as 0.
        server.queue(ScriptedReply::ok("5^Spring sale\xAFOK"));
        QCOMPARE(StartupNewsCheck(service, profile, marker()), std::optional<QByteArray>("You've Got A Message!\r\nSpring sale"));
        QCOMPARE(server.requests().at(0).requestLine(), QByteArray("POST /news/getlastnews.php HTTP/1.0"));

        writeBranding("<%%LastNewsId%%>5<%%/LastNewsId%%>");
        const QByteArray before = readFile(path("dbsettings.dat"));
        server.queue(ScriptedReply::ok("5^Spring sale\xAFOK"));
        QCOMPARE(StartupNewsCheck(service, profile, marker()), std::nullopt);
        server.queue(ScriptedReply::ok("6^Summer\xAFOK"));
        QCOMPARE(StartupNewsCheck(service, profile, marker()), std::optional<QByteArray>("You've Got A Message!\r\nSummer"));
        // Error replies and failed requests end it without a word; the marker is never written.
        server.queue(ScriptedReply::ok("INVALIDUSER"));
        QCOMPARE(StartupNewsCheck(service, profile, marker()), std::nullopt);
        server.queue(ScriptedReply().close());
        QCOMPARE(StartupNewsCheck(service, profile, marker()), std::nullopt);
        QCOMPARE(readFile(path("dbsettings.dat")), before);

        // An unreadable branding file ends the check quietly instead of raising.
        QVERIFY(QFile::remove(path("dbsettings.dat")));
        QVERIFY(QDir(dir_->path()).mkdir(QStringLiteral("dbsettings.dat")));
        server.queue(ScriptedReply::ok("9^Autumn\xAFOK"));
        QCOMPARE(StartupNewsCheck(service, profile, marker()), std::nullopt);
        QCOMPARE(server.requests().size(), 6);

        // No news service for the tier: nothing is asked.
        profile.BranderType = "Free";
        QCOMPARE(StartupNewsCheck(service, profile, marker()), std::nullopt);
        profile.BranderType = "Master";
        profile.MasterPublID.clear();
        QCOMPARE(StartupNewsCheck(service, profile, marker()), std::nullopt);
        QCOMPARE(server.requests().size(), 6);
        QCOMPARE(TMessageBox::takeShown().size(), 0);
        TMessageBox::endScript();
    }
};

QTEST_GUILESS_MAIN(NewsMarkerTest)
#include "NewsMarkerTest.moc"
