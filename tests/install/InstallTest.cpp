// The install scripts and the distributor's bundle, run as a user runs them, in a temporary home,
// on the programs of this build. The installed console runs on the test X server: its caption,
// class and icon are read from the window system, and the seller's clicks and keys reach it
// through XTest.
#include "common/Files.h"
#include "support/X11Probe.h"

#include <QApplication>
#include <QDirIterator>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
namespace x11 = vo::test::x11;
using vo::test::readFile;
using vo::test::writeFile;

namespace {

const QString SourceDir = QStringLiteral(VO_SOURCE_DIR);
const QString BuildDir = QStringLiteral(VO_BUILD_DIR);

QProcessEnvironment environmentFor(const QString &home)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(u"XDG_DATA_HOME"_s);
    environment.insert(u"HOME"_s, home);
    environment.insert(u"VO_INSTALL_BUILD_DIR"_s, BuildDir);
    return environment;
}

struct Outcome
{
    int exitCode = -1;
    QString out;
    QString err;
};

Outcome run(const QString &program, const QStringList &arguments, const QString &home)
{
    QProcess process;
    process.setProcessEnvironment(environmentFor(home));
    process.setWorkingDirectory(home);
    process.start(program, arguments);
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit)
        return {-1, {}, program + u" did not finish: "_s + process.errorString()};
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

// Every file, link and folder under `root`, relative to it, sorted.
QStringList entriesUnder(const QString &root)
{
    QStringList entries;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        entries.append(QDir(root).relativeFilePath(it.next()));
    entries.sort();
    return entries;
}

// The raw value of a key of the desktop entry (it has one group).
QString desktopValue(const QString &home, const QString &key)
{
    const QString entry = QString::fromUtf8(readFile(home + u"/.local/share/applications/vantrel-oskel.desktop"_s));
    for (const QString &line : entry.split(u'\n'))
        if (line.startsWith(key + u'='))
            return line.mid(key.size() + 1);
    return QString();
}

// The desktop entry passes its check without a word, the metainfo passes its own.
bool validEntryAndMetainfo(const QString &home)
{
    const Outcome entry = run(u"desktop-file-validate"_s, {home + u"/.local/share/applications/vantrel-oskel.desktop"_s}, home);
    const Outcome metainfo = run(u"appstreamcli"_s,
                                 {u"validate"_s, u"--no-net"_s, home + u"/.local/share/metainfo/com.vantrel.Oskel.metainfo.xml"_s},
                                 home);
    return entry.exitCode == 0 && entry.out.isEmpty() && entry.err.isEmpty() && metainfo.exitCode == 0;
}

// The installed console, started through its launcher, and stopped with the test.
class RunningConsole
{
public:
    explicit RunningConsole(const QString &home, const QString &launcher = {})
    {
        QProcessEnvironment environment = environmentFor(home);
        environment.insert(u"QT_QPA_PLATFORM"_s, u"xcb"_s);
        process_.setProcessEnvironment(environment);
        process_.setWorkingDirectory(home); // the application folder must not come from here
        process_.start(launcher.isEmpty() ? home + u"/.local/bin/vantrel-oskel"_s : launcher, {});
    }
    ~RunningConsole()
    {
        process_.kill();
        process_.waitForFinished(10000);
    }
    RunningConsole(const RunningConsole &) = delete;
    RunningConsole &operator=(const RunningConsole &) = delete;

    // The window with this title; its id is 0 while there is none.
    x11::ForeignWindow window(const QString &title) const
    {
        for (const x11::ForeignWindow &window : x11::windowsOf(process_.processId()))
            if (window.name == title)
                return window;
        return {};
    }

private:
    QProcess process_;
};

bool clickAt(const x11::ForeignWindow &window, int x, int y)
{
    return x11::xdotool({u"mousemove"_s, u"--window"_s, QString::number(window.id), QString::number(x),
                         QString::number(y), u"click"_s, u"1"_s});
}

} // namespace

class InstallTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void sellerInstallsUsesReinstallsAndUninstalls()
    {
        QTemporaryDir home;
        QVERIFY(home.isValid());
        const QString install = SourceDir + u"/scripts/install"_s;
        const QString app = home.path() + u"/.local/share/vantrel-oskel"_s;

        Outcome outcome = run(install, {}, home.path());
        QVERIFY2(outcome.exitCode == 0, qPrintable(outcome.err));

        QStringList expected = u".local .local/bin .local/bin/vantrel-oskel .local/share .local/share/applications "
                               ".local/share/applications/vantrel-oskel.desktop .local/share/icons "
                               ".local/share/icons/hicolor .local/share/metainfo "
                               ".local/share/metainfo/com.vantrel.Oskel.metainfo.xml .local/share/vantrel-oskel "
                               ".local/share/vantrel-oskel/.vantrel-oskel-install "
                               ".local/share/vantrel-oskel/vantrel-oskel"_s.split(u' ');
        for (const int size : {0, 16, 22, 24, 32, 48, 64, 128, 256}) {
            const QString folder = u".local/share/icons/hicolor/"_s +
                                   (size ? u"%1x%1"_s.arg(size) : u"scalable"_s);
            const QString picture = folder + (size ? u"/apps/vantrel-oskel.png"_s : u"/apps/vantrel-oskel.svg"_s);
            expected << folder << folder + u"/apps"_s << picture;
            if (size)
                QCOMPARE(QImage(home.filePath(picture)).size(), QSize(size, size));
        }
        expected.sort();
        QCOMPARE(entriesUnder(home.path()), expected);
        QCOMPARE(QFileInfo(home.filePath(u".local/bin/vantrel-oskel"_s)).symLinkTarget(), app + u"/vantrel-oskel"_s);

        QVERIFY(validEntryAndMetainfo(home.path()));
        QCOMPARE(desktopValue(home.path(), u"Exec"_s), u'"' + app + u"/vantrel-oskel\""_s);
        QCOMPARE(desktopValue(home.path(), u"Icon"_s), u"vantrel-oskel"_s);

        {
            // The seller types a site in Settings: the console writes its files into the install.
            RunningConsole console(home.path());
            QTRY_VERIFY_WITH_TIMEOUT(console.window(u"Vantrel Oskel"_s).id != 0, 20000);
            const x11::ForeignWindow main = console.window(u"Vantrel Oskel"_s);
            QCOMPARE(main.wmClass.split('\0').value(1), desktopValue(home.path(), u"StartupWMClass"_s).toUtf8());
            QVERIFY(main.hasIcon);

            QVERIFY(clickAt(main, 57, 21)); // the toolbar's first button, "Settings"
            QTRY_VERIFY_WITH_TIMEOUT(console.window(u"Settings"_s).id != 0, 20000);
            const x11::ForeignWindow settings = console.window(u"Settings"_s);
            QVERIFY(clickAt(settings, 200, 22)); // the site field
            QVERIFY(x11::xdotool({u"type"_s, u"http://127.0.0.1:9/shop"_s}));
            QVERIFY(clickAt(settings, 169, 339)); // "Ok"
            QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(app + u"/config.php"_s), 20000);
            QVERIFY(readFile(app + u"/hsettings.dat"_s).contains("swebserver=http://127.0.0.1:9/shop\r\n"));
        }
        const QByteArray settings = readFile(app + u"/hsettings.dat"_s);
        const QByteArray config = readFile(app + u"/config.php"_s);
        QVERIFY(writeFile(app + u"/vantrel-oskel"_s, "an older program"));

        outcome = run(install, {}, home.path());
        QVERIFY2(outcome.exitCode == 0, qPrintable(outcome.err));
        QCOMPARE(readFile(app + u"/hsettings.dat"_s), settings);
        QCOMPARE(readFile(app + u"/config.php"_s), config);
        QCOMPARE(readFile(app + u"/vantrel-oskel"_s), readFile(BuildDir + u"/bin/vantrel-oskel"_s));
        expected << u".local/share/vantrel-oskel/config.php"_s << u".local/share/vantrel-oskel/hsettings.dat"_s;
        expected.sort();
        QCOMPARE(entriesUnder(home.path()), expected);

        outcome = run(install, {u"--uninstall"_s}, home.path());
        QVERIFY2(outcome.exitCode == 0, qPrintable(outcome.err));
        QVERIFY2(outcome.out.contains(u"Kept your files in "_s + app + u": hsettings.dat config.php\n"_s),
                 qPrintable(outcome.out));
        QCOMPARE(entriesUnder(home.path()), u".local .local/share .local/share/vantrel-oskel "
                                            ".local/share/vantrel-oskel/config.php "
                                            ".local/share/vantrel-oskel/hsettings.dat"_s.split(u' '));
    }

    void uninstallAfterReinstallRemovesEveryFolderTheFirstInstallMade()
    {
        QTemporaryDir home;
        QVERIFY(home.isValid());
        const QString install = SourceDir + u"/scripts/install"_s;
        for (const QStringList &arguments : {QStringList(), QStringList(), QStringList{u"--uninstall"_s}}) {
            const Outcome outcome = run(install, arguments, home.path());
            QVERIFY2(outcome.exitCode == 0, qPrintable(outcome.err));
        }
        QCOMPARE(entriesUnder(home.path()), QStringList());
    }

    void brandedBundleInstallsWithItsCaption()
    {
        QTemporaryDir work;
        QVERIFY(work.isValid());
        const QString source = work.filePath(u"acme"_s);
        const QString unpacked = work.filePath(u"unpacked"_s);
        const QString home = work.filePath(u"home"_s);
        for (const QString &folder : {source, unpacked, home})
            QVERIFY(QDir().mkpath(folder));
        QVERIFY(writeFile(source + u"/branding.txt"_s, "<%%ApplicationName%%>Acme <EU> & Co<%%/ApplicationName%%>\r\n"
                                                       "<%%BranderType%%>Free<%%/BranderType%%>\r\n"
                                                       "<%%Banner1%%>acme.bmp^http://acme.example/<%%/Banner1%%>\r\n"));
        QImage picture(32, 32, QImage::Format_RGB32);
        picture.fill(Qt::darkGreen);
        QVERIFY(picture.save(source + u"/banner1.dat"_s, "BMP"));
        QVERIFY(picture.save(source + u"/main.ico"_s, "ICO"));

        const QString archive = work.filePath(u"acme-console.tar.gz"_s);
        const Outcome made = run(SourceDir + u"/tools/vantrel-bundle"_s, {source, archive}, work.path());
        QVERIFY2(made.exitCode == 0, qPrintable(made.err));
        QCOMPARE(run(u"tar"_s, {u"-xzf"_s, archive, u"-C"_s, unpacked}, work.path()).exitCode, 0);
        QCOMPARE(QDir(unpacked).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{u"acme-console"_s});

        const QString installer = unpacked + u"/acme-console/install.sh"_s;
        const Outcome installed = run(installer, {}, home);
        QVERIFY2(installed.exitCode == 0, qPrintable(installed.err));
        const QString app = home + u"/.local/share/vantrel-oskel"_s;
        QCOMPARE(desktopValue(home, u"Name"_s), u"Acme <EU> & Co"_s);
        QCOMPARE(desktopValue(home, u"Icon"_s), app + u"/main.ico"_s);
        QVERIFY(validEntryAndMetainfo(home));
        {
            RunningConsole console(home);
            QTRY_VERIFY_WITH_TIMEOUT(console.window(u"Acme <EU> & Co v2.01"_s).id != 0, 20000);
        }

        const Outcome removed = run(installer, {u"--uninstall"_s}, home);
        QVERIFY2(removed.out.contains(u": dbsettings.dat\n"_s), qPrintable(removed.out));
        QCOMPARE(QDir(app).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList{u"dbsettings.dat"_s});
    }

    void debianPackageStartsEachUsersOwnCopy()
    {
        QTemporaryDir work;
        QVERIFY(work.isValid());
        const QString root = work.filePath(u"root"_s);
        const QString home = work.filePath(u"home"_s);
        QVERIFY(QDir().mkpath(home));
        // The script fails when lintian reports an error.
        const Outcome made = run(SourceDir + u"/scripts/package"_s, {work.path()}, work.path());
        QVERIFY2(made.exitCode == 0, qPrintable(made.out + made.err));
        const QString deb = work.filePath(u"vantrel-oskel_2.01_amd64.deb"_s);
        const QString depends = run(u"dpkg-deb"_s, {u"-f"_s, deb, u"Depends"_s}, work.path()).out;
        for (const QString &package : {u"libqt6widgets6 "_s, u"libqt6network6 "_s, u"libssl3 "_s, u"qt6-qpa-plugins"_s})
            QVERIFY2(depends.contains(package), qPrintable(depends));
        QCOMPARE(run(u"dpkg-deb"_s, {u"-x"_s, deb, root}, work.path()).exitCode, 0);
        QStringList files = entriesUnder(root);
        files.removeIf([&](const QString &entry) { return !QFileInfo(root + u'/' + entry).isFile(); });
        QCOMPARE(files.filter(u"usr/share/icons/"_s).size(), 9);
        QCOMPARE(files.filter(QRegularExpression(u"^usr/(bin|lib|share/(applications|metainfo))/"_s)),
                 u"usr/bin/vantrel-oskel usr/lib/vantrel-oskel/vantrel-oskel "
                 "usr/share/applications/vantrel-oskel.desktop usr/share/metainfo/com.vantrel.Oskel.metainfo.xml"_s.split(u' '));
        QCOMPARE(run(u"desktop-file-validate"_s, {root + u"/usr/share/applications/vantrel-oskel.desktop"_s}, home).exitCode, 0);

        // Each start brings the user's copy up to date with the packaged program, which an
        // upgrade replaced.
        const QString app = home + u"/.local/share/vantrel-oskel"_s;
        QVERIFY(QDir().mkpath(app));
        QVERIFY(writeFile(app + u"/vantrel-oskel"_s, "the program before the upgrade"));
        {
            RunningConsole console(home, root + u"/usr/bin/vantrel-oskel"_s);
            QTRY_VERIFY_WITH_TIMEOUT(console.window(u"Vantrel Oskel"_s).id != 0, 20000);
        }
        QCOMPARE(readFile(app + u"/vantrel-oskel"_s), readFile(root + u"/usr/lib/vantrel-oskel/vantrel-oskel"_s));
        QCOMPARE(QDir(app).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList{u"vantrel-oskel"_s});
    }

    void bundleRefusesBrandingTheConsoleWouldMisread()
    {
        QTemporaryDir work;
        QVERIFY(work.isValid());
        // The name after a later tag, a banner without its picture file, a link series that
        // does not start at 1: three problems, three messages, no archive.
        const QString text = work.filePath(u"branding.txt"_s);
        QVERIFY(writeFile(text, "<%%BranderCode%%>X1<%%/BranderCode%%>\r\n"
                                "<%%ApplicationName%%>Acme<%%/ApplicationName%%>\r\n"
                                "<%%Banner1%%>a.gif^http://acme.example/<%%/Banner1%%>\r\n"
                                "<%%Link2%%>Shop^http://acme.example/shop<%%/Link2%%>\r\n"));
        const QString archive = work.filePath(u"out.tar.gz"_s);
        const Outcome made = run(SourceDir + u"/tools/vantrel-bundle"_s, {work.path(), archive}, work.path());
        QCOMPARE(made.exitCode, 1);
        QCOMPARE(made.err.split(u'\n').filter(text + u": line "_s),
                 QStringList({text + u": line 2: <%%ApplicationName%%> must come before <%%BranderCode%%> (line 1): "
                                     "the console reads the tags in a fixed order"_s,
                              text + u": line 3: <%%Banner1%%> names the picture a.gif, but the folder holds no "
                                     "banner1.dat"_s,
                              text + u": line 4: <%%Link2%%> is never read: its series ends before it, at the first "
                                     "number that is missing or empty"_s}));
        QVERIFY(!QFileInfo::exists(archive));
    }
};

int main(int argc, char **argv)
{
    if (!x11::useTestDisplay())
        return 1;
    QApplication app(argc, argv);
    InstallTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "InstallTest.moc"
