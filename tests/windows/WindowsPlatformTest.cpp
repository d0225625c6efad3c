// What only Windows shows, run under Wine: the default browser from the registry, the shell's
// "open" for the browser, addresses and the updater, files that another program holds open or
// that carry the read-only attribute, the access list of the seller's secrets, and the
// performance counter behind the container's salts. Stand-in programs record how the console
// started them.
#include "branding/ExclusiveFile.h"
#include "branding/SaltGenerator.h"
#include "net/IdHTTP.h"
#include "platform/AppError.h"
#include "platform/Browser.h"
#include "platform/Launcher.h"
#include "settings/SettingsStore.h"
#include "support/ScriptServer.h"
#include "ui/MessageBox.h"
#include "update/UpdateCheck.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <qt_windows.h>

#include <aclapi.h>

#include <memory>

using namespace vo;
using vo::test::ScriptedReply;
using vo::test::ScriptServer;

namespace {

const QString kHttpCommandKey = QStringLiteral("HKCR\\http\\shell\\open\\command");

QString helper(const char *name)
{
    return QCoreApplication::applicationDirPath() + u'/' + QLatin1String(name);
}

// Windows' own registry tool, the one `wine reg` runs.
bool reg(const QStringList &arguments)
{
    QProcess process;
    process.start(QStringLiteral("reg.exe"), arguments);
    return process.waitForFinished(30000) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

QByteArray readFile(const QString &name)
{
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
}

bool writeFile(const QString &name, const QByteArray &bytes)
{
    QFile file(name);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// The arguments a stand-in program recorded, once it has written them.
QStringList recordedArguments(const QString &program)
{
    const QString record = program + QStringLiteral(".args");
    if (!QTest::qWaitFor([&] { return QFileInfo::exists(record); }, 30000))
        return {QStringLiteral("(not started)")};
    return QString::fromUtf8(readFile(record)).split(u'\n', Qt::SkipEmptyParts);
}

// Another program holding a file open, until the object goes.
class Holder
{
public:
    explicit Holder(const QString &fileName)
    {
        process_.start(helper("vo-hold-file.exe"), {QDir::toNativeSeparators(fileName)});
        held_ = process_.waitForReadyRead(30000) && process_.readLine() == "held\n";
    }
    ~Holder()
    {
        process_.closeWriteChannel();
        process_.waitForFinished(30000);
    }
    Holder(const Holder &) = delete;
    Holder &operator=(const Holder &) = delete;

    bool held() const { return held_; }

private:
    QProcess process_;
    bool held_ = false;
};

struct FileAccess
{
    bool isProtected = false;
    QList<QPair<BYTE, QByteArray>> entries; // each entry's type and SID
};

QByteArray sidBytes(PSID sid)
{
    return QByteArray(static_cast<const char *>(sid), int(GetLengthSid(sid)));
}

FileAccess accessOf(const QString &fileName)
{
    PACL acl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    FileAccess access;
    if (GetNamedSecurityInfoW(reinterpret_cast<LPCWSTR>(QDir::toNativeSeparators(fileName).utf16()), SE_FILE_OBJECT,
                              DACL_SECURITY_INFORMATION, nullptr, nullptr, &acl, nullptr, &descriptor)
        != ERROR_SUCCESS)
        return access;
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    access.isProtected = GetSecurityDescriptorControl(descriptor, &control, &revision) && (control & SE_DACL_PROTECTED);
    for (DWORD i = 0; acl && i < acl->AceCount; ++i) {
        void *entry = nullptr;
        if (GetAce(acl, i, &entry)) {
            const auto *header = static_cast<ACE_HEADER *>(entry);
            const auto *allowed = static_cast<ACCESS_ALLOWED_ACE *>(entry);
            access.entries.append({header->AceType, sidBytes(PSID(&allowed->SidStart))});
        }
    }
    LocalFree(descriptor);
    return access;
}

QByteArray currentUserSid()
{
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return {};
    QByteArray buffer(1024, '\0');
    DWORD size = 0;
    const bool ok = GetTokenInformation(token, TokenUser, buffer.data(), DWORD(buffer.size()), &size);
    CloseHandle(token);
    return ok ? sidBytes(reinterpret_cast<TOKEN_USER *>(buffer.data())->User.Sid) : QByteArray();
}

} // namespace

class WindowsPlatformTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir_;

    QString file(const char *name) const { return dir_->filePath(QLatin1String(name)); }
    AppFolder folder() const { return AppFolder(dir_->path()); }

    // A stand-in program copied into the test's folder under `name`.
    QString standIn(const char *name) const
    {
        const QString copy = file(name);
        return QFile::copy(helper("vo-record-arguments.exe"), copy) ? copy : QString();
    }

    static ServerSettings settings()
    {
        ServerSettings settings;
        settings.swebserver = "http://127.0.0.1:9/shop";
        settings.sSecretKey = "the seller's secret";
        return settings;
    }

private Q_SLOTS:
    void init()
    {
        dir_ = std::make_unique<QTemporaryDir>();
        QVERIFY(dir_->isValid());
    }
    void cleanup()
    {
        reg({QStringLiteral("delete"), kHttpCommandKey, QStringLiteral("/f")});
        dir_.reset();
    }

    void browserComesFromTheRegistry()
    {
        QVERIFY(!reg({QStringLiteral("query"), kHttpCommandKey}) || reg({QStringLiteral("delete"), kHttpCommandKey, QStringLiteral("/f")}));
        QVERIFY(!OpenURL("http://127.0.0.1:9/"));

        const QString browser = standIn("Web Browser.exe");
        QVERIFY(!browser.isEmpty());
        // Written in capitals, with its own arguments after the program.
        const QString command = u'"' + QDir::toNativeSeparators(browser).toUpper() + QStringLiteral("\" -url \"%1\"");
        QVERIFY(reg({QStringLiteral("add"), kHttpCommandKey, QStringLiteral("/ve"), QStringLiteral("/d"), command,
                     QStringLiteral("/f")}));
        QVERIFY(OpenURL("http://127.0.0.1:9/a b?x=\"1\""));
        QCOMPARE(recordedArguments(browser), QStringList{QStringLiteral("http://127.0.0.1:9/a b?x=\"1\"")});
    }

    void linkAddressOpensWithTheSystemsProgram()
    {
        const QString browser = standIn("browser.exe");
        QVERIFY(reg({QStringLiteral("add"), kHttpCommandKey, QStringLiteral("/ve"), QStringLiteral("/d"),
                     u'"' + QDir::toNativeSeparators(browser) + QStringLiteral("\" \"%1\""), QStringLiteral("/f")}));
        QVERIFY(launcher().openAddress(QStringLiteral("http://127.0.0.1:9/help")));
        QCOMPARE(recordedArguments(browser), QStringList{QStringLiteral("http://127.0.0.1:9/help")});
    }

    void updaterIsHandedItsThreeArguments()
    {
        const QString updater = standIn("Updater.exe");
        QVERIFY(!updater.isEmpty());
        ScriptServer server;
        QVERIFY(server.isListening());
        server.queue(ScriptedReply::ok("[APPLICATION]\r\nVersion=2.02\r\n"));
        TIdHTTP http;
        TMessageBox messages;
        TMessageBox::beginScript();
        TMessageBox::queueAnswer(TMessageBox::Answer::Ok);
        TMessageBox::queueAnswer(TMessageBox::Answer::Ok);
        const QByteArray base = server.url("/liveupdate/vantrel_oskel/");
        const UpdateOutcome outcome = CheckForUpdates(http, messages, folder(), true, base);
        TMessageBox::endScript();
        QCOMPARE(outcome, UpdateOutcome::UpdaterStarted);
        QCOMPARE(recordedArguments(updater),
                 (QStringList{QString::fromLatin1(base), QStringLiteral("2.01"), QStringLiteral("A")}));
    }

    void protectedFileStopsTheSave_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("readOnly");
        QTest::addColumn<QString>("error");
        const QString inUse = QStringLiteral("The process cannot access the file because it is being used by another process");
        QTest::newRow("hsettings.dat held") << QStringLiteral("hsettings.dat") << false << QStringLiteral("Unable to write to %1");
        QTest::newRow("config.php held") << QStringLiteral("config.php") << false
                                         << QStringLiteral("Cannot create file \"%1\". ") + inUse;
        QTest::newRow("hsettings.dat read-only") << QStringLiteral("hsettings.dat") << true << QStringLiteral("Unable to write to %1");
        QTest::newRow("config.php read-only") << QStringLiteral("config.php") << true
                                              << QStringLiteral("Cannot create file \"%1\". Access is denied");
    }
    void protectedFileStopsTheSave()
    {
        QFETCH(QString, name);
        QFETCH(bool, readOnly);
        QFETCH(QString, error);
        const QString protectedFile = dir_->filePath(name);
        QVERIFY(writeFile(file("hsettings.dat"), "[Settings]\r\nswebserver=old\r\n"));
        QVERIFY(writeFile(file("config.php"), "<?php\r\n// old\r\n?>\r\n"));
        const QByteArray before = readFile(protectedFile);
        std::unique_ptr<Holder> holder;
        if (readOnly) {
            QVERIFY(SetFileAttributesW(reinterpret_cast<LPCWSTR>(QDir::toNativeSeparators(protectedFile).utf16()),
                                       FILE_ATTRIBUTE_READONLY));
        } else {
            holder = std::make_unique<Holder>(protectedFile);
            QVERIFY(holder->held());
        }

        QString shown;
        try {
            SaveServerSettings(folder(), settings());
        } catch (const AppError &e) {
            shown = e.text();
        }
        QCOMPARE(shown, error.arg(QDir::toNativeSeparators(protectedFile)));
        QCOMPARE(readFile(protectedFile), before);
        // Nothing after the failing file is written, and no temporary file stays behind.
        QCOMPARE(readFile(file("config.php")), QByteArray("<?php\r\n// old\r\n?>\r\n"));
        QCOMPARE(QDir(dir_->path()).entryList(QDir::Files), (QStringList{QStringLiteral("config.php"), QStringLiteral("hsettings.dat")}));

        // Once the other program lets go, the same save goes through.
        holder.reset();
        if (!readOnly) {
            SaveServerSettings(folder(), settings());
            QVERIFY(readFile(file("config.php")).contains("$sSecretKey=\"the seller's secret\";"));
        }
    }

    void secretsAreForTheSellerAlone()
    {
        const QByteArray user = currentUserSid();
        QVERIFY(!user.isEmpty());
        SaveServerSettings(folder(), settings());
        {
            ExclusiveFile plainBranding(file("dbsettings.sim"));
        }
        for (const char *name : {"hsettings.dat", "config.php", "dbsettings.sim"}) {
            const FileAccess access = accessOf(file(name));
            QVERIFY2(access.isProtected, name);
            QCOMPARE(access.entries, (QList<QPair<BYTE, QByteArray>>{{BYTE(ACCESS_ALLOWED_ACE_TYPE), user}}));
        }

        // A file the seller made, with the folder's access list, keeps it when replaced.
        QVERIFY(QFile::remove(file("config.php")));
        QVERIFY(writeFile(file("config.php"), "<?php ?>"));
        const FileAccess inherited = accessOf(file("config.php"));
        SaveServerSettings(folder(), settings());
        QCOMPARE(accessOf(file("config.php")).isProtected, inherited.isProtected);
        QCOMPARE(accessOf(file("config.php")).entries, inherited.entries);
    }

    void saltEntropyIsThePerformanceCounter()
    {
        LARGE_INTEGER before;
        LARGE_INTEGER after;
        QVERIFY(QueryPerformanceCounter(&before));
        const quint64 entropy = SaltGenerator::performanceCounterEntropy();
        QVERIFY(QueryPerformanceCounter(&after));
        QVERIFY(entropy >= quint64(before.QuadPart) && entropy <= quint64(after.QuadPart));
    }
};

QTEST_GUILESS_MAIN(WindowsPlatformTest)
#include "WindowsPlatformTest.moc"
