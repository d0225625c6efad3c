// The install scripts and the distributor's bundle, run as a user runs them, in a temporary home,
// on the programs of this build. The installed console runs on the test X server: its caption,
// class and icon are read from the window system, and the seller's clicks and keys reach it
// through XTest.
#include "support/X11Probe.h"

#include <QApplication>
#include <QDirIterator>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace x11 = vo::test::x11;

namespace {

const QString SourceDir = QStringLiteral(VO_SOURCE_DIR);
const QString BuildDir = QStringLiteral(VO_BUILD_DIR);

struct Outcome
{
    int exitCode = -1;
    QString out;
    QString err;
};

QProcessEnvironment environmentFor(const QString &home)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_DATA_DIRS"})
        environment.remove(QString::fromLatin1(name));
    environment.insert(QStringLiteral("HOME"), home);
    environment.insert(QStringLiteral("VO_INSTALL_BUILD_DIR"), BuildDir);
    return environment;
}

Outcome run(const QString &program, const QStringList &arguments, const QString &home)
{
    QProcess process;
    process.setProcessEnvironment(environmentFor(home));
    process.setWorkingDirectory(home);
    process.start(program, arguments);
    Outcome outcome;
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit) {
        outcome.err = program + QStringLiteral(" did not finish: ") + process.errorString();
        return outcome;
    }
    outcome.exitCode = process.exitCode();
    outcome.out = QString::fromUtf8(process.readAllStandardOutput());
    outcome.err = QString::fromUtf8(process.readAllStandardError());
    return outcome;
}

// Every file, link and folder under `root`, as paths relative to it, sorted.
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

// The raw value of a key of the desktop entry's main group (the entry holds no other group).
QString desktopValue(const QString &file, const QString &key)
{
    QFile entry(file);
    if (!entry.open(QIODevice::ReadOnly | QIODevice::Text))
        return QString();
    const QString prefix = key + u'=';
    for (const QString &line : QString::fromUtf8(entry.readAll()).split(u'\n'))
        if (line.startsWith(prefix))
            return line.mid(prefix.size());
    return QString();
}

QByteArray readFile(const QString &name)
{
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString &name, const QByteArray &bytes)
{
    QFile file(name);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// The installed console, started as the menu would start it, and stopped with the test.
class RunningConsole
{
public:
    explicit RunningConsole(const QString &home)
    {
        QProcessEnvironment environment = environmentFor(home);
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        process_.setProcessEnvironment(environment);
        process_.setWorkingDirectory(home); // the application folder must not come from here
        process_.start(home + QStringLiteral("/.local/bin/vantrel-oskel"), {});
    }
    ~RunningConsole()
    {
        process_.kill();
        process_.waitForFinished(10000);
    }
    RunningConsole(const RunningConsole &) = delete;
    RunningConsole &operator=(const RunningConsole &) = delete;

    // The window with this title, or an empty one while there is none.
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
    return x11::xdotool({QStringLiteral("mousemove"), QStringLiteral("--window"), QString::number(window.id),
                         QString::number(x), QString::number(y), QStringLiteral("click"), QStringLiteral("1")});
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
        const QString install = SourceDir + QStringLiteral("/scripts/install");
        const QString app = home.path() + QStringLiteral("/.local/share/vantrel-oskel");
        const QString desktop = home.path() + QStringLiteral("/.local/share/applications/vantrel-oskel.desktop");

        Outcome outcome = run(install, {}, home.path());
        QVERIFY2(outcome.exitCode == 0, qPrintable(outcome.err));

        QStringList expected = {QStringLiteral(".local"), QStringLiteral(".local/bin"),
                                QStringLiteral(".local/bin/vantrel-oskel"), QStringLiteral(".local/share"),
                                QStringLiteral(".local/share/applications"),
                                QStringLiteral(".local/share/applications/vantrel-oskel.desktop"),
                                QStringLiteral(".local/share/icons"), QStringLiteral(".local/share/icons/hicolor"),
                                QStringLiteral(".local/share/metainfo"),
                                QStringLiteral(".local/share/metainfo/com.vantrel.Oskel.metainfo.xml"),
                                QStringLiteral(".local/share/vantrel-oskel"),
                                QStringLiteral(".local/share/vantrel-oskel/.vantrel-oskel-install"),
                                QStringLiteral(".local/share/vantrel-oskel/vantrel-oskel")};
        const QString icons = QStringLiteral(".local/share/icons/hicolor/");
        for (const QString &folder : {QStringLiteral("scalable"), QStringLiteral("16x16"), QStringLiteral("22x22"),
                                      QStringLiteral("24x24"), QStringLiteral("32x32"), QStringLiteral("48x48"),
                                      QStringLiteral("64x64"), QStringLiteral("128x128"), QStringLiteral("256x256")}) {
            const bool scalable = folder == QStringLiteral("scalable");
            const QString picture = icons + folder + QStringLiteral("/apps/vantrel-oskel") +
                                    (scalable ? QStringLiteral(".svg") : QStringLiteral(".png"));
            expected << icons + folder << icons + folder + QStringLiteral("/apps") << picture;
            if (!scalable) {
                const int size = folder.section(u'x', 0, 0).toInt();
                QCOMPARE(QImage(home.filePath(picture)).size(), QSize(size, size));
            }
        }
        expected.sort();
        QCOMPARE(entriesUnder(home.path()), expected);
        QCOMPARE(QFileInfo(home.filePath(QStringLiteral(".local/bin/vantrel-oskel"))).symLinkTarget(),
                 app + QStringLiteral("/vantrel-oskel"));

        const Outcome entryCheck = run(QStringLiteral("desktop-file-validate"), {desktop}, home.path());
        QCOMPARE(entryCheck.exitCode, 0);
        QCOMPARE(entryCheck.out + entryCheck.err, QString());
        const Outcome metainfoCheck =
            run(QStringLiteral("appstreamcli"),
                {QStringLiteral("validate"), QStringLiteral("--no-net"),
                 home.filePath(QStringLiteral(".local/share/metainfo/com.vantrel.Oskel.metainfo.xml"))},
                home.path());
        QVERIFY2(metainfoCheck.exitCode == 0, qPrintable(metainfoCheck.out));
        QCOMPARE(desktopValue(desktop, QStringLiteral("Exec")), u'"' + app + QStringLiteral("/vantrel-oskel\""));
        QCOMPARE(desktopValue(desktop, QStringLiteral("Icon")), QStringLiteral("vantrel-oskel"));

        {
            // The seller sets a site: the console writes its files into the install.
            RunningConsole console(home.path());
            QTRY_VERIFY_WITH_TIMEOUT(console.window(QStringLiteral("Vantrel Oskel")).id != 0, 20000);
            const x11::ForeignWindow main = console.window(QStringLiteral("Vantrel Oskel"));
            QCOMPARE(main.wmClass.split('\0').value(1), desktopValue(desktop, QStringLiteral("StartupWMClass")).toUtf8());
            QVERIFY(main.hasIcon);

            QVERIFY(clickAt(main, 57, 21)); // the toolbar's first button, "Settings"
            QTRY_VERIFY_WITH_TIMEOUT(console.window(QStringLiteral("Settings")).id != 0, 20000);
            const x11::ForeignWindow settings = console.window(QStringLiteral("Settings"));
            QVERIFY(clickAt(settings, 200, 22)); // the site field
            QVERIFY(x11::xdotool({QStringLiteral("type"), QStringLiteral("http://127.0.0.1:9/shop")}));
            QVERIFY(clickAt(settings, 169, 339)); // "Ok"
            QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(app + QStringLiteral("/config.php")), 20000);
            QVERIFY(readFile(app + QStringLiteral("/hsettings.dat")).contains("swebserver=http://127.0.0.1:9/shop\r\n"));
        }
        const QByteArray settings = readFile(app + QStringLiteral("/hsettings.dat"));
        const QByteArray config = readFile(app + QStringLiteral("/config.php"));
        QVERIFY(writeFile(app + QStringLiteral("/vantrel-oskel"), "an older program"));

        outcome = run(install, {}, home.path());
        QVERIFY2(outcome.exitCode == 0, qPrintable(outcome.err));
        QCOMPARE(readFile(app + QStringLiteral("/hsettings.dat")), settings);
        QCOMPARE(readFile(app + QStringLiteral("/config.php")), config);
        QCOMPARE(readFile(app + QStringLiteral("/vantrel-oskel")), readFile(BuildDir + QStringLiteral("/bin/vantrel-oskel")));
        expected << QStringLiteral(".local/share/vantrel-oskel/config.php")
                 << QStringLiteral(".local/share/vantrel-oskel/hsettings.dat");
        expected.sort();
        QCOMPARE(entriesUnder(home.path()), expected);

        outcome = run(install, {QStringLiteral("--uninstall")}, home.path());
        QVERIFY2(outcome.exitCode == 0, qPrintable(outcome.err));
        QVERIFY2(outcome.out.contains(QStringLiteral("Kept your files in ") + app + QStringLiteral(": hsettings.dat config.php\n")),
                 qPrintable(outcome.out));
        QCOMPARE(entriesUnder(home.path()),
                 QStringList({QStringLiteral(".local"), QStringLiteral(".local/share"),
                              QStringLiteral(".local/share/vantrel-oskel"),
                              QStringLiteral(".local/share/vantrel-oskel/config.php"),
                              QStringLiteral(".local/share/vantrel-oskel/hsettings.dat")}));
    }

    void brandedBundleInstallsWithItsCaption()
    {
        QTemporaryDir work;
        QVERIFY(work.isValid());
        const QString source = work.filePath(QStringLiteral("acme"));
        QVERIFY(QDir().mkpath(source));
        QVERIFY(writeFile(source + QStringLiteral("/branding.txt"),
                          "<%%ApplicationName%%>Acme Downloads<%%/ApplicationName%%>\r\n"
                          "<%%BranderType%%>Free<%%/BranderType%%>\r\n"
                          "<%%Banner1%%>acme.bmp^http://acme.example/<%%/Banner1%%>\r\n"));
        QImage picture(40, 20, QImage::Format_RGB32);
        picture.fill(Qt::darkGreen);
        QVERIFY(picture.save(source + QStringLiteral("/banner1.dat"), "BMP"));
        QVERIFY(picture.scaled(32, 32).save(source + QStringLiteral("/main.ico"), "ICO"));

        const Outcome made = run(SourceDir + QStringLiteral("/tools/vantrel-bundle"),
                                 {source, work.filePath(QStringLiteral("acme-console.tar.gz"))}, work.path());
        QVERIFY2(made.exitCode == 0, qPrintable(made.err));
        const QString unpacked = work.filePath(QStringLiteral("unpacked"));
        QVERIFY(QDir().mkpath(unpacked));
        const Outcome unpack = run(QStringLiteral("tar"),
                                   {QStringLiteral("-xzf"), work.filePath(QStringLiteral("acme-console.tar.gz")),
                                    QStringLiteral("-C"), unpacked},
                                   work.path());
        QCOMPARE(unpack.exitCode, 0);
        QCOMPARE(QDir(unpacked).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{QStringLiteral("acme-console")});

        const QString home = work.filePath(QStringLiteral("home"));
        QVERIFY(QDir().mkpath(home));
        const Outcome installed = run(unpacked + QStringLiteral("/acme-console/install.sh"), {}, home);
        QVERIFY2(installed.exitCode == 0, qPrintable(installed.err));
        const QString app = home + QStringLiteral("/.local/share/vantrel-oskel");
        const QString desktop = home + QStringLiteral("/.local/share/applications/vantrel-oskel.desktop");
        QCOMPARE(desktopValue(desktop, QStringLiteral("Name")), QStringLiteral("Acme Downloads"));
        QCOMPARE(desktopValue(desktop, QStringLiteral("Icon")), app + QStringLiteral("/main.ico"));
        QCOMPARE(run(QStringLiteral("desktop-file-validate"), {desktop}, home).exitCode, 0);
        {
            RunningConsole console(home);
            QTRY_VERIFY_WITH_TIMEOUT(console.window(QStringLiteral("Acme Downloads v2.01")).id != 0, 20000);
        }

        const Outcome removed = run(unpacked + QStringLiteral("/acme-console/install.sh"), {QStringLiteral("--uninstall")}, home);
        QVERIFY2(removed.out.contains(QStringLiteral(": dbsettings.dat\n")), qPrintable(removed.out));
        QCOMPARE(QDir(app).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList{QStringLiteral("dbsettings.dat")});
    }

    void bundleRefusesBrandingTheConsoleWouldMisread()
    {
        QTemporaryDir work;
        QVERIFY(work.isValid());
        // The name after a later tag, a banner without its picture file, a link series that
        // does not start at 1: three problems, three messages, no archive.
        QVERIFY(writeFile(work.filePath(QStringLiteral("branding.txt")),
                          "<%%BranderCode%%>X1<%%/BranderCode%%>\r\n"
                          "<%%ApplicationName%%>Acme<%%/ApplicationName%%>\r\n"
                          "<%%Banner1%%>a.gif^http://acme.example/<%%/Banner1%%>\r\n"
                          "<%%Link2%%>Shop^http://acme.example/shop<%%/Link2%%>\r\n"));
        const QString archive = work.filePath(QStringLiteral("out.tar.gz"));
        const Outcome made = run(SourceDir + QStringLiteral("/tools/vantrel-bundle"), {work.path(), archive}, work.path());
        QCOMPARE(made.exitCode, 1);
        const QString text = work.filePath(QStringLiteral("branding.txt"));
        QCOMPARE(made.err.split(u'\n', Qt::SkipEmptyParts).filter(text + QStringLiteral(": line ")),
                 QStringList({text + QStringLiteral(": line 2: <%%ApplicationName%%> must come before <%%BranderCode%%> "
                                                    "(line 1): the console reads the tags in a fixed order"),
                              text + QStringLiteral(": line 3: <%%Banner1%%> names the picture a.gif, but the folder "
                                                    "holds no banner1.dat"),
                              text + QStringLiteral(": line 4: <%%Link2%%> is never read: its series ends before it, "
                                                    "at the first number that is missing or empty")}));
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
