#include "BrowserTestLauncher.h"

#include "platform/Browser.h"
#include "platform/XdgBrowser.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace vo;
using vo::test::RecordingLauncher;

class BrowserTest : public QObject
{
    Q_OBJECT

    QTemporaryDir root_;

    QString at(const QString &relative) const { return root_.filePath(relative); }

    bool write(const QString &relative, const QByteArray &bytes) const
    {
        const QString name = at(relative);
        QDir().mkpath(QFileInfo(name).absolutePath());
        QFile file(name);
        return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
    }

    void removeFile(const QString &relative) const { QFile::remove(at(relative)); }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(root_.isValid());
        // The desktop of this test only: its own home, configuration and data folders.
        qputenv("HOME", at(QStringLiteral("home")).toUtf8());
        qputenv("XDG_CONFIG_HOME", at(QStringLiteral("config")).toUtf8());
        qputenv("XDG_CONFIG_DIRS", at(QStringLiteral("etc-xdg")).toUtf8());
        qputenv("XDG_DATA_HOME", at(QStringLiteral("data")).toUtf8());
        qputenv("XDG_DATA_DIRS", (at(QStringLiteral("usr-local")) + u':' + at(QStringLiteral("usr"))).toUtf8());
        qunsetenv("XDG_CURRENT_DESKTOP");
        qunsetenv("BROWSER");
    }

    void cleanup()
    {
        for (const char *file : {"config/mimeapps.list", "config/test-mimeapps.list", "data/applications/mimeapps.list",
                                 "usr/applications/mimeapps.list"})
            removeFile(QString::fromLatin1(file));
        qunsetenv("XDG_CURRENT_DESKTOP");
        qunsetenv("BROWSER");
    }

    void programFromRegisteredCommand_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("program");

        QTest::newRow("quoted path with arguments")
            << QStringLiteral("\"C:\\Apps\\Web Browser\\Browser.EXE\" -url \"%1\"")
            << QStringLiteral("c:\\apps\\web browser\\browser.exe");
        QTest::newRow("all upper case") << QStringLiteral("C:\\PROGRAM FILES\\NET\\NET.EXE %1")
                                        << QStringLiteral("c:\\program files\\net\\net.exe");
        QTest::newRow("no .exe") << QStringLiteral("\"C:\\Apps\\browser.com\" %1") << QStringLiteral(".exe");
        QTest::newRow("folder holding .exe") << QStringLiteral("C:\\Tools.exe\\Web\\browser.exe")
                                             << QStringLiteral("c:\\tools.exe");
        QTest::newRow("quotes inside the path") << QStringLiteral("C:\\\"My\"\\b.exe\"") << QStringLiteral("c:\\my\\b.exe");
        // Only A to Z are lowered.
        QTest::newRow("accented letters stay") << QStringLiteral("C:\\\u00C9DITIONS\\B.EXE")
                                               << QStringLiteral("c:\\\u00C9ditions\\b.exe");
    }

    void programFromRegisteredCommand()
    {
        QFETCH(QString, command);
        QFETCH(QString, program);
        QCOMPARE(browserProgramFromCommand(command), std::optional<QString>(program));
    }

    void noRegisteredCommand()
    {
        QCOMPARE(browserProgramFromCommand(QString()), std::nullopt);
    }

    void execLine_data()
    {
        QTest::addColumn<QString>("exec");
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("program");
        QTest::addColumn<QStringList>("arguments");

        const QString address = QStringLiteral("http://site.example/a b?x=1&y=%41");
        QTest::newRow("%u") << QStringLiteral("firefox %u") << address << QStringLiteral("firefox") << QStringList{address};
        QTest::newRow("flatpak")
            << QStringLiteral("/usr/bin/flatpak run --branch=stable --command=firefox org.mozilla.firefox @@u %U @@")
            << address << QStringLiteral("/usr/bin/flatpak")
            << QStringList{QStringLiteral("run"), QStringLiteral("--branch=stable"), QStringLiteral("--command=firefox"),
                           QStringLiteral("org.mozilla.firefox"), QStringLiteral("@@u"), address, QStringLiteral("@@")};
        QTest::newRow("env") << QStringLiteral("env MOZ_X=1 /opt/b/browser --new-window %U") << address
                             << QStringLiteral("env")
                             << QStringList{QStringLiteral("MOZ_X=1"), QStringLiteral("/opt/b/browser"),
                                            QStringLiteral("--new-window"), address};
        QTest::newRow("other codes go") << QStringLiteral("browser %i %c --x %k %u") << address
                                        << QStringLiteral("browser") << QStringList{QStringLiteral("--x"), address};
        QTest::newRow("no code: address last") << QStringLiteral("browser --new") << address
                                               << QStringLiteral("browser") << QStringList{QStringLiteral("--new"), address};
        QTest::newRow("%f takes it too") << QStringLiteral("viewer %F") << address << QStringLiteral("viewer")
                                         << QStringList{address};
        QTest::newRow("quoted program, percent sign") << QStringLiteral("\"/opt/My Browser/run\" --zoom=50%% %u")
                                                      << address << QStringLiteral("/opt/My Browser/run")
                                                      << QStringList{QStringLiteral("--zoom=50%"), address};
        // A code in quotes is text, so a shell command can never be given part of an address.
        QTest::newRow("quoted code is text") << QStringLiteral("sh -c \"browser %u\"") << address
                                             << QStringLiteral("sh")
                                             << QStringList{QStringLiteral("-c"), QStringLiteral("browser %u"), address};
        QTest::newRow("empty address adds nothing") << QStringLiteral("firefox %u") << QString()
                                                    << QStringLiteral("firefox") << QStringList{};
    }

    void execLine()
    {
        QFETCH(QString, exec);
        QFETCH(QString, address);
        QFETCH(QString, program);
        QFETCH(QStringList, arguments);
        const std::optional<ProgramCall> call = callFromExecLine(exec, address);
        QVERIFY(call);
        QCOMPARE(call->program, program);
        QCOMPARE(call->arguments, arguments);
    }

    void execLineWithoutProgram()
    {
        QCOMPARE(callFromExecLine(QStringLiteral("   "), QStringLiteral("http://a/")), std::nullopt);
        QCOMPARE(callFromExecLine(QStringLiteral("%u"), QString()), std::nullopt);
        // The address would become (part of) the program started.
        QCOMPARE(callFromExecLine(QStringLiteral("%u --new"), QStringLiteral("http://a/")), std::nullopt);
        QCOMPARE(callFromExecLine(QStringLiteral("run%U x"), QStringLiteral("http://a/")), std::nullopt);
    }

    void defaultBrowserFromDesktopEntry()
    {
        // The first default is not installed; the second is, its Exec value escaped as desktop files do.
        QVERIFY(write(QStringLiteral("config/mimeapps.list"),
                      "[Added Associations]\nx-scheme-handler/http=wrong.desktop;\n\n"
                      "[Default Applications]\ntext/html=wrong.desktop\n"
                      "x-scheme-handler/http = missing.desktop;fake-browser.desktop;\n"));
        QVERIFY(write(QStringLiteral("usr/applications/fake-browser.desktop"),
                      "[Desktop Entry]\nName=Fake\nExec=env\\sFAKE=1 \"/opt/fake web/browser\" --new %u\n"
                      "[Desktop Action private]\nExec=wrong\n"));
        QVERIFY(write(QStringLiteral("usr/applications/wrong.desktop"), "[Desktop Entry]\nExec=wrong %u\n"));

        RecordingLauncher recorder;
        QVERIFY(OpenURL("http://shop.example/caf\xE9 page"));
        QCOMPARE(recorder.starts.size(), 1);
        QCOMPARE(recorder.starts.first().program, QStringLiteral("env"));
        QCOMPARE(recorder.starts.first().arguments,
                 (QStringList{QStringLiteral("FAKE=1"), QStringLiteral("/opt/fake web/browser"), QStringLiteral("--new"),
                              QStringLiteral("http://shop.example/caf\u00E9 page")}));
        QVERIFY(recorder.opened.isEmpty());
    }

    void desktopSpecificListComesFirst()
    {
        QVERIFY(write(QStringLiteral("config/mimeapps.list"),
                      "[Default Applications]\nx-scheme-handler/http=wrong.desktop\n"));
        QVERIFY(write(QStringLiteral("config/test-mimeapps.list"),
                      "[Default Applications]\nx-scheme-handler/http=own.desktop\n"));
        QVERIFY(write(QStringLiteral("data/applications/own.desktop"), "[Desktop Entry]\nExec=own-browser %U\n"));
        QVERIFY(write(QStringLiteral("usr/applications/wrong.desktop"), "[Desktop Entry]\nExec=wrong %u\n"));
        qputenv("XDG_CURRENT_DESKTOP", "Test:Other");
        const ProgramCall call = defaultBrowserCall(QStringLiteral("http://a/"));
        QCOMPARE(call, (ProgramCall{QStringLiteral("own-browser"), {QStringLiteral("http://a/")}}));
    }

    void browserVariableThenXdgOpen()
    {
        qputenv("BROWSER", ":my-browser %s --y:other");
        QCOMPARE(defaultBrowserCall(QStringLiteral("http://a/")),
                 (ProgramCall{QStringLiteral("my-browser"), {QStringLiteral("http://a/"), QStringLiteral("--y")}}));
        // A "%s" within a word never carries the address: here it would be read by the shell.
        qputenv("BROWSER", "sh -c \"browser %s\"");
        QCOMPARE(defaultBrowserCall(QStringLiteral("http://a/;id")),
                 (ProgramCall{QStringLiteral("sh"),
                              {QStringLiteral("-c"), QStringLiteral("browser %s"), QStringLiteral("http://a/;id")}}));
        qputenv("BROWSER", "plain-browser");
        QCOMPARE(defaultBrowserCall(QStringLiteral("http://a/")),
                 (ProgramCall{QStringLiteral("plain-browser"), {QStringLiteral("http://a/")}}));
        qunsetenv("BROWSER");

        RecordingLauncher recorder;
        QVERIFY(OpenURL("http://a/"));
        QVERIFY(OpenURL(QByteArray()));
        QCOMPARE(recorder.starts.size(), 2);
        QCOMPARE(recorder.starts.at(0).program, QStringLiteral("xdg-open"));
        QCOMPARE(recorder.starts.at(0).arguments, QStringList{QStringLiteral("http://a/")});
        QCOMPARE(recorder.starts.at(1).arguments, QStringList{});
    }

    // Only web and mail addresses reach a browser: "-" would start one of its options, and
    // other schemes open local files or run script. Refused ones start nothing.
    void onlyWebAndMailAddressesAreOpened()
    {
        qputenv("BROWSER", "chromium-browser");
        RecordingLauncher recorder;
        for (const char *refused : {"--renderer-cmd-prefix=touch /tmp/x", "-h", "file:///etc/passwd",
                                    "javascript:alert(1)", "ftp://files.example/", " http://a/", "http:/a",
                                    "/etc/passwd", "C:\\Windows\\win.ini", "\\\\host\\share", "ms-settings:x"})
            QVERIFY2(!OpenURL(refused), refused);
        QVERIFY(recorder.starts.isEmpty());

        // Branding files give addresses without a scheme; they open as web addresses, never as a
        // file of the browser's working folder.
        const QList<QPair<QByteArray, QString>> accepted{
            {"http://a/", QStringLiteral("http://a/")},
            {"HTTPS://A/b c", QStringLiteral("HTTPS://A/b c")},
            {"www.example.com", QStringLiteral("http://www.example.com")},
            {"localhost:8080/help", QStringLiteral("http://localhost:8080/help")},
            {"readme.txt", QStringLiteral("http://readme.txt")},
        };
        for (const auto &[address, argument] : accepted) {
            QVERIFY2(OpenURL(address), address.constData());
            QCOMPARE(recorder.starts.last().arguments, QStringList{argument});
        }
        QCOMPARE(recorder.starts.size(), accepted.size());
    }

    // A mail address goes to the desktop's mail program, never to $BROWSER.
    void mailAddressesGoToTheMailProgram()
    {
        qputenv("BROWSER", "chromium-browser");
        QVERIFY(write(QStringLiteral("config/mimeapps.list"),
                      "[Default Applications]\nx-scheme-handler/http=web.desktop\nx-scheme-handler/mailto=mail.desktop\n"));
        QVERIFY(write(QStringLiteral("data/applications/web.desktop"), "[Desktop Entry]\nExec=web-browser %u\n"));
        QVERIFY(write(QStringLiteral("data/applications/mail.desktop"), "[Desktop Entry]\nExec=mail-program %u\n"));
        QCOMPARE(defaultBrowserCall(QStringLiteral("MailTo:help@example.com")),
                 (ProgramCall{QStringLiteral("mail-program"), {QStringLiteral("MailTo:help@example.com")}}));
        QCOMPARE(defaultBrowserCall(QStringLiteral("http://a/")).program, QStringLiteral("web-browser"));
        removeFile(QStringLiteral("config/mimeapps.list"));
        QCOMPARE(defaultBrowserCall(QStringLiteral("mailto:help@example.com")),
                 (ProgramCall{QStringLiteral("xdg-open"), {QStringLiteral("mailto:help@example.com")}}));
    }

    void windowsArgumentIsQuotedWhole_data()
    {
        QTest::addColumn<QString>("argument");
        QTest::addColumn<QString>("quoted");
        QTest::newRow("quote") << QStringLiteral("http://a/\" -x") << QStringLiteral("\"http://a/\\\" -x\"");
        QTest::newRow("backslashes before a quote")
            << QStringLiteral("http://a\\\\\"b") << QStringLiteral("\"http://a\\\\\\\\\\\"b\"");
        QTest::newRow("trailing backslash") << QStringLiteral("http://a/\\") << QStringLiteral("\"http://a/\\\\\"");
    }

    void windowsArgumentIsQuotedWhole()
    {
        QFETCH(QString, argument);
        QFETCH(QString, quoted);
        QCOMPARE(windowsQuotedArgument(argument), quoted);
    }
};

QTEST_GUILESS_MAIN(BrowserTest)
#include "BrowserTest.moc"
