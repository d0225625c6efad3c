#include "ContainerHelpers.h"
#include "common/SystemText.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace vo::test;
using namespace Qt::StringLiterals;

namespace {

struct Run
{
    int exitCode = -1;
    QByteArray errors;
};

} // namespace

class BrandToolTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir_;

    QString path(const char *name) const { return dir_.filePath(QString::fromLatin1(name)); }

    Run brand(const QStringList &arguments)
    {
        QProcess process;
        process.start(QStringLiteral(VANTREL_BRAND_PATH), arguments);
        if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit)
            return {};
        // Windows writes the tool's line ends as CR LF.
        return {process.exitCode(), process.readAllStandardError().replace("\r\n", "\n")};
    }

    Run decrypt(const QByteArray &container)
    {
        if (!writeFile(path("in.dat"), container))
            return {};
        return brand({QStringLiteral("decrypt"), path("in.dat"), path("out.txt")});
    }

    QStringList files() const { return QDir(dir_.path()).entryList(QDir::Files, QDir::Name); }

private Q_SLOTS:
    void init()
    {
        QVERIFY(dir_.isValid());
        for (const QString &name : files())
            QVERIFY(QDir(dir_.path()).remove(name));
    }

    void encryptsAndDecryptsWithTheProgramPassphrase()
    {
        const QByteArray plain = "ApplicationName=Vantrel\r\nBranderType=Gold\r\n" + randomBytes(300000, 1);
        QVERIFY(writeFile(path("branding.txt"), plain));

        Run run = brand({QStringLiteral("encrypt"), path("branding.txt"), path("dbsettings.dat")});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.errors, QByteArray());
        const QByteArray container = readFile(path("dbsettings.dat"));
        QCOMPARE(container.size(), plain.size() + 20);
        QVERIFY(QFile::permissions(path("dbsettings.dat")) & QFile::ReadOther); // not the temporary file's 0600
        const Decrypted inProcess = decryptBytes(container, "pzorvtkqeu");
        QVERIFY(inProcess.ok);
        QVERIFY(inProcess.plain == plain);

        QVERIFY(writeFile(path("again.txt"), "an older file"));
        run = brand({QStringLiteral("decrypt"), path("dbsettings.dat"), path("again.txt")});
        QCOMPARE(run.exitCode, 0);
        QVERIFY(readFile(path("again.txt")) == plain);
        QCOMPARE(files(), QStringList({QStringLiteral("again.txt"), QStringLiteral("branding.txt"), QStringLiteral("dbsettings.dat")}));
    }

    void refusesWhatIsNotABrandingFile_data()
    {
        QTest::addColumn<QByteArray>("container");
        const QByteArray plain = randomBytes(5000, 2);
        const QByteArray good = encryptBytes(plain, "pzorvtkqeu");
        QByteArray altered = good;
        altered[2000] = static_cast<char>(altered[2000] ^ 1);
        const quint64 fixed = 42; // a fixed salt whose verifier differs from the program's
        QTest::newRow("other passphrase") << encryptBytes(plain, "pzorvtkqeV", vo::ProgramBufferSize, [fixed] { return fixed; });
        QTest::newRow("altered byte") << altered;
        QTest::newRow("cut by one byte") << good.chopped(1);
        QTest::newRow("shorter than a header") << good.left(15);
    }

    void refusesWhatIsNotABrandingFile()
    {
        QFETCH(QByteArray, container);
        QVERIFY(!decryptBytes(container, "pzorvtkqeu").ok); // the premise of the row

        const Run run = decrypt(container);
        QCOMPARE(run.exitCode, 3);
        QVERIFY2(run.errors.contains("cannot be decrypted: it was made with another passphrase, or it is damaged or cut short"),
                 run.errors.constData());
        QCOMPARE(files(), QStringList{QStringLiteral("in.dat")}); // no output, no temporary left

        QVERIFY(writeFile(path("out.txt"), "the old plain file"));
        QCOMPARE(decrypt(container).exitCode, 3);
        QCOMPARE(readFile(path("out.txt")), QByteArray("the old plain file"));
    }

    void reportsFilesThatCannotBeOpened()
    {
        Run run = brand({QStringLiteral("decrypt"), path("missing.dat"), path("out.txt")});
        QCOMPARE(run.exitCode, 1);
        QCOMPARE(run.errors, "vantrel-brand: Cannot open file \"" + QDir::toNativeSeparators(path("missing.dat")).toUtf8()
                                 + "\". " + vo::test::missingFileText().toUtf8() + "\n");
        QCOMPARE(files(), QStringList());

        QVERIFY(writeFile(path("plain.txt"), "x"));
        run = brand({QStringLiteral("encrypt"), path("plain.txt"), path("no folder/out.dat")});
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.errors.startsWith("vantrel-brand: Cannot create file \""
                                       + QDir::toNativeSeparators(path("no folder/out.dat")).toUtf8() + "\". "),
                 run.errors.constData());
    }

    // One tag out of place is one message, naming the neighbour it must stand by.
    void checkReportsEachMisplacedTagOnce_data()
    {
        QTest::addColumn<QByteArrayList>("names");
        QTest::addColumn<QStringList>("problems");
        const QByteArrayList inOrder = {"ApplicationName", "BranderCode", "BranderType", "AffiliateURL", "AffiliateTYPE",
                                        "AffiliateID", "MasterNewsBaseURL", "PlatinumNewsBaseURL", "GoldNewsBaseURL",
                                        "MasterPublID", "PlatinumPublID", "GoldPublID", "MakeMoneyButton", "AppHelpURL",
                                        "CopyrightYears", "CopyrightCompany", "AboutText", "Link1"};
        QTest::newRow("in order") << inOrder << QStringList();
        QByteArrayList aboutFirst = inOrder;
        aboutFirst.move(16, 0);
        QTest::newRow("last tag first")
            << aboutFirst
            << QStringList{u"line 1: <%%AboutText%%> must come after <%%CopyrightCompany%%> (line 17): the console reads "
                           "the tags in a fixed order"_s};
        QByteArrayList nameLast = inOrder;
        nameLast.move(0, 17);
        QTest::newRow("first tag last")
            << nameLast
            << QStringList{u"line 18: <%%ApplicationName%%> must come before <%%BranderCode%%> (line 1): the console "
                           "reads the tags in a fixed order"_s};
        QByteArrayList twoSwapped = inOrder;
        twoSwapped.swapItemsAt(4, 12);
        QTest::newRow("two swapped")
            << twoSwapped
            << QStringList{u"line 5: <%%MakeMoneyButton%%> must come after <%%GoldPublID%%> (line 12): the console reads "
                           "the tags in a fixed order"_s,
                           u"line 13: <%%AffiliateTYPE%%> must come before <%%AffiliateID%%> (line 6): the console reads "
                           "the tags in a fixed order"_s};
    }

    void checkReportsEachMisplacedTagOnce()
    {
        QFETCH(QByteArrayList, names);
        QFETCH(QStringList, problems);
        QByteArray plain;
        for (const QByteArray &name : names)
            plain += "<%%" + name + "%%>" + (name == "Link1" ? "Shop^http://a.example/" : "x") + "<%%/" + name + "%%>\r\n";
        QVERIFY(writeFile(path("branding.txt"), plain));
        const Run run = brand({QStringLiteral("check"), path("branding.txt"), dir_.path()});
        QCOMPARE(run.exitCode, problems.isEmpty() ? 0 : 4);
        QStringList reported = QString::fromUtf8(run.errors).split(u'\n', Qt::SkipEmptyParts);
        for (QString &line : reported)
            line.remove(0, path("branding.txt").size() + 2);
        QCOMPARE(reported, problems);
    }

    // The sample that the README offers distributors passes the check.
    void sampleBrandingTextPasses()
    {
        const Run run = brand({QStringLiteral("check"), QStringLiteral(VO_SOURCE_DIR "/tools/demo-publisher/demo-branding.txt"),
                               dir_.path()});
        QCOMPARE(run.errors, QByteArray());
        QCOMPARE(run.exitCode, 0);
    }

    void usage()
    {
        for (const QStringList &arguments : {QStringList(), QStringList{QStringLiteral("encrypt"), path("a")},
                                             QStringList{QStringLiteral("pack"), path("a"), path("b")}}) {
            const Run run = brand(arguments);
            QCOMPARE(run.exitCode, 2);
            QVERIFY(run.errors.startsWith("usage: vantrel-brand encrypt PLAIN DAT\n"));
        }
    }
};

QTEST_GUILESS_MAIN(BrandToolTest)
#include "BrandToolTest.moc"
