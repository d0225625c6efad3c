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
#include "platform/WindowsFiles.h"
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
#include <optional>

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

// The browser command registered now, if any.
std::optional<QString> registeredBrowser()
{
    wchar_t value[2048];
    DWORD size = sizeof value;
    if (RegGetValueW(HKEY_CLASSES_ROOT, L"http\\shell\\open\\command", nullptr, RRF_RT_REG_SZ, nullptr, value, &size)
        != ERROR_SUCCESS)
        return std::nullopt;
    return QString::fromWCharArray(value);
}

bool registerBrowser(const QString &command)
{
    return reg({QStringLiteral("add"), kHttpCommandKey, QStringLiteral("/ve"), QStringLiteral("/d"), command, QStringLiteral("/f")});
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
        held_ = process_.waitForReadyRead(30000) && process_.readLine().trimmed() == "held";
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

QByteArray sidBytes(PSID sid)
{
    return QByteArray(static_cast<const char *>(sid), int(GetLengthSid(sid)));
}

// Who may do what with a file: each allowing entry of its access list.
struct Grant
{
    QByteArray sid;
    ACCESS_MASK rights = 0;

    friend bool operator==(const Grant &, const Grant &) = default;
};

QList<Grant> grantsOf(const QString &fileName)
{
    PACL acl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    QList<Grant> grants;
    if (GetNamedSecurityInfoW(reinterpret_cast<LPCWSTR>(QDir::toNativeSeparators(fileName).utf16()), SE_FILE_OBJECT,
                              DACL_SECURITY_INFORMATION, nullptr, nullptr, &acl, nullptr, &descriptor)
        != ERROR_SUCCESS)
        return {Grant{"(unreadable)", 0}};
    for (DWORD i = 0; acl && i < acl->AceCount; ++i) {
        void *entry = nullptr;
        if (GetAce(acl, i, &entry) && static_cast<ACE_HEADER *>(entry)->AceType == ACCESS_ALLOWED_ACE_TYPE) {
            const auto *allowed = static_cast<ACCESS_ALLOWED_ACE *>(entry);
            grants.append({sidBytes(PSID(&allowed->SidStart)), allowed->Mask});
        }
    }
    LocalFree(descriptor);
    return grants;
}

QByteArray localSystemSid()
{
    QByteArray sid(SECURITY_MAX_SID_SIZE, '\0');
    DWORD size = DWORD(sid.size());
    return CreateWellKnownSid(WinLocalSystemSid, nullptr, sid.data(), &size) ? sid.left(int(size)) : QByteArray();
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
    // What the machine had registered, put back after each case: other suites read it.
    std::optional<QString> browser_;

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
    void initTestCase() { browser_ = registeredBrowser(); }

    void init()
    {
        dir_ = std::make_unique<QTemporaryDir>();
        QVERIFY(dir_->isValid());
    }
    void cleanup()
    {
        QVERIFY(browser_ ? registerBrowser(*browser_) : reg({QStringLiteral("delete"), kHttpCommandKey, QStringLiteral("/f")})
                         || !registeredBrowser());
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
        QVERIFY(registerBrowser(command));
        QVERIFY(OpenURL("http://127.0.0.1:9/a b?x=\"1\""));
        QCOMPARE(recordedArguments(browser), QStringList{QStringLiteral("http://127.0.0.1:9/a b?x=\"1\"")});
    }

    void linkAddressOpensWithTheSystemsProgram()
    {
        const QString browser = standIn("browser.exe");
        QVERIFY(registerBrowser(u'"' + QDir::toNativeSeparators(browser) + QStringLiteral("\" \"%1\"")));
        // A footer link: the shell opens it with the program it associates with web addresses;
        // a local file's address is never handed on.
        QVERIFY(!OpenLinkAddress("file:///C:/windows/win.ini"));
        QVERIFY(OpenLinkAddress("http://127.0.0.1:9/help"));
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
        // Joined, so that a failure shows what arrived.
        QCOMPARE(recordedArguments(updater).join(u'|'), QString::fromLatin1(base) + QStringLiteral("|2.01|A"));
    }

    void protectedFileStopsTheSave_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("readOnly");
        QTest::addColumn<QString>("error");
        // The system's words, which Wine words otherwise than Windows.
        const QString cannotCreate = QStringLiteral("Cannot create file \"%1\". ");
        QTest::newRow("hsettings.dat held") << QStringLiteral("hsettings.dat") << false << QStringLiteral("Unable to write to %1");
        QTest::newRow("config.php held") << QStringLiteral("config.php") << false
                                         << cannotCreate + win::errorText(ERROR_SHARING_VIOLATION);
        QTest::newRow("hsettings.dat read-only") << QStringLiteral("hsettings.dat") << true << QStringLiteral("Unable to write to %1");
        QTest::newRow("config.php read-only") << QStringLiteral("config.php") << true
                                              << cannotCreate + win::errorText(ERROR_ACCESS_DENIED);
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

    // Wine keeps no access list of its own: it reads one back from the Unix mode it set from
    // ours, with LocalSystem always in it. So the seller's files must grant no one else anything
    // (Everyone would appear for a file others may read), the seller everything.
    void secretsAreForTheSellerAlone()
    {
        const QByteArray user = currentUserSid();
        QVERIFY(!user.isEmpty());
        SaveServerSettings(folder(), settings());
        {
            ExclusiveFile plainBranding(file("dbsettings.sim"));
        }
        for (const char *name : {"hsettings.dat", "config.php", "dbsettings.sim"}) {
            const QList<Grant> grants = grantsOf(file(name));
            QVERIFY2(grants.contains(Grant{user, FILE_ALL_ACCESS}), name);
            for (const Grant &grant : grants)
                QVERIFY2(grant.sid == user || grant.sid == localSystemSid(), name);
        }

        // A file the seller made, with the folder's access list, keeps it when replaced.
        QVERIFY(QFile::remove(file("config.php")));
        QVERIFY(writeFile(file("config.php"), "<?php ?>"));
        const QList<Grant> before = grantsOf(file("config.php"));
        SaveServerSettings(folder(), settings());
        QCOMPARE(grantsOf(file("config.php")), before);
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
