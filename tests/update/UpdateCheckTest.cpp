// The update check against a scripted update site: the description fetched into the
// application folder, the version rule, both questions and the updater hand-off (recorded).
#include "net/IdHTTP.h"
#include "platform/AppError.h"
#include "platform/BrowserTestLauncher.h"
#include "platform/UpdaterSystem.h"
#include "support/ScriptServer.h"
#include "ui/MessageBox.h"
#include "update/UpdateCheck.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <cstring>
#include <memory>
#include <optional>

using namespace vo;
using vo::test::RecordingLauncher;
using vo::test::ScriptedReply;
using vo::test::ScriptServer;
using Answer = TMessageBox::Answer;
using Kind = TMessageBox::Kind;
using Buttons = TMessageBox::Buttons;

namespace {

const QString kNoUpdate = QStringLiteral("There's no new updates for this application!");
const QString kMissing = QStringLiteral("The updater module is missing. Please reinstall again the current version!");
// A line feed, then a carriage return.
const QString kClosing = QStringLiteral("To update your software the application will close to\n\r"
                                        "replace some files. Do you want to update now?");

QString offer(const QString &version)
{
    return QStringLiteral("There is a new update: (version ") + version
        + QStringLiteral(") available for your application!. Do you want download this update now?");
}

QByteArray description(const QByteArray &version)
{
    return "[APPLICATION]\r\nName=Vantrel Oskel\r\nVersion=" + version + "\r\n";
}

bool sameBox(const TMessageBox::Shown &shown, Kind kind, const QString &text, Buttons buttons)
{
    return shown.kind == kind && shown.text == text && shown.buttons == buttons;
}

} // namespace

class UpdateCheckTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<ScriptServer> server_;
    std::unique_ptr<TIdHTTP> http_;
    std::unique_ptr<TMessageBox> messages_;
    // The whole hand-off, as where the updater stands beside the program.
    std::optional<ScopedUpdaterSystem> updaterSystem_;

    QString file(const char *name) const { return dir_->filePath(QString::fromLatin1(name)); }
    QByteArray baseUrl() const { return server_->url("/liveupdate/vantrel_oskel/"); }

    UpdateOutcome check(bool silent)
    {
        return CheckForUpdates(*http_, *messages_, AppFolder(dir_->path() + QLatin1Char('/')), silent, baseUrl());
    }
    void putUpdater()
    {
        QFile updater(file("Updater.exe"));
        QVERIFY(updater.open(QIODevice::WriteOnly));
    }

private Q_SLOTS:
    void init()
    {
        TMessageBox::beginScript();
        dir_ = std::make_unique<QTemporaryDir>();
        QVERIFY(dir_->isValid());
        server_ = std::make_unique<ScriptServer>();
        QVERIFY(server_->isListening());
        http_ = std::make_unique<TIdHTTP>();
        messages_ = std::make_unique<TMessageBox>();
        updaterSystem_.emplace(true);
    }
    void cleanup()
    {
        QLocale::setDefault(QLocale::c());
        updaterSystem_.reset();
        http_.reset();
        server_.reset();
        dir_.reset();
        TMessageBox::endScript();
    }

    void versionDecidesTheOffer_data()
    {
        QTest::addColumn<QByteArray>("version");
        QTest::addColumn<bool>("offered");
        QTest::newRow("equal") << QByteArray("2.01") << false;
        QTest::newRow("equal, more digits") << QByteArray("2.0100") << false;
        QTest::newRow("2.02") << QByteArray("2.02") << true;
        QTest::newRow("2.1") << QByteArray("2.1") << true;
        QTest::newRow("10.0") << QByteArray("10.0") << true;
        QTest::newRow("blanks around") << QByteArray("  3  ") << true;
        QTest::newRow("older 2.001") << QByteArray("2.001") << false;
        QTest::newRow("older 1.99") << QByteArray("1.99") << false;
        QTest::newRow("comma") << QByteArray("2,02") << false;
        QTest::newRow("comma, large") << QByteArray("3,000") << false;
        QTest::newRow("not a number") << QByteArray("two") << false;
        QTest::newRow("trailing letters") << QByteArray("2.5b") << false;
        QTest::newRow("nan") << QByteArray("nan") << false;
        QTest::newRow("inf") << QByteArray("inf") << false;
        QTest::newRow("float overflow") << QByteArray("1e39") << false;
        QTest::newRow("empty") << QByteArray() << false;
    }
    void versionDecidesTheOffer()
    {
        QFETCH(QByteArray, version);
        QFETCH(bool, offered);
        // A user whose locale writes decimals with a comma reads the site's "." all the same.
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        server_->queue(ScriptedReply::ok(description(version)));
        TMessageBox::queueAnswer(Answer::Cancel);
        QCOMPARE(check(false), offered ? UpdateOutcome::Declined : UpdateOutcome::NoUpdate);

        QCOMPARE(server_->requests().size(), 1);
        QCOMPARE(server_->requests().at(0).requestLine(),
                 QByteArray("GET /liveupdate/vantrel_oskel/mainappupdate.inf HTTP/1.1"));
        const QList<TMessageBox::Shown> shown = TMessageBox::takeShown();
        QCOMPARE(shown.size(), 1);
        if (offered)
            QVERIFY(sameBox(shown.at(0), Kind::Information, offer(QString::fromLatin1(version.trimmed())), Buttons::OkCancel));
        else
            QVERIFY(sameBox(shown.at(0), Kind::Information, kNoUpdate, Buttons::Ok));
        // The description stays in the application folder.
        QFile stored(file("mainappupdate.inf"));
        QVERIFY(stored.open(QIODevice::ReadOnly));
        QCOMPARE(stored.readAll(), description(version));
    }

    // Where no updater can exist, a start asks nothing, not even the site, and Check Updates
    // names the newer version without offering what cannot be done.
    void withoutAnUpdaterTheVersionIsOnlyNamed()
    {
        updaterSystem_.emplace(false);
        putUpdater();
        RecordingLauncher recorder;
        QCOMPARE(check(true), UpdateOutcome::NoUpdate);
        QCOMPARE(server_->requests().size(), 0);
        server_->queue(ScriptedReply::ok(description("2.02")));
        server_->queue(ScriptedReply::ok(description("2.01")));
        QCOMPARE(check(false), UpdateOutcome::Announced);
        QCOMPARE(check(false), UpdateOutcome::NoUpdate);
        const QList<TMessageBox::Shown> shown = TMessageBox::takeShown();
        QCOMPARE(shown.size(), 2);
        QVERIFY(sameBox(shown.at(0), Kind::Information,
                        QStringLiteral("There is a new update: (version 2.02) available for your application!."), Buttons::Ok));
        QVERIFY(sameBox(shown.at(1), Kind::Information, kNoUpdate, Buttons::Ok));
        QCOMPARE(recorder.starts.size(), 0);
    }

    // Release notes beside the version make a description of kilobytes.
    void longDescriptionStillOffersTheUpdate()
    {
        const QByteArray notes = "Notes=" + QByteArray(10 * 1024, 'n') + "\r\n";
        server_->queue(ScriptedReply::ok(description("2.02") + notes));
        TMessageBox::queueAnswer(Answer::Cancel);
        QCOMPARE(check(true), UpdateOutcome::Declined);
        QCOMPARE(TMessageBox::takeShown().size(), 1);
    }

    void missingKeyOrSectionIsNoUpdate()
    {
        server_->queue(ScriptedReply::ok("[APPLICATION]\r\nName=x\r\n"));
        server_->queue(ScriptedReply::ok("[OTHER]\r\nVersion=9\r\n"));
        QCOMPARE(check(true), UpdateOutcome::NoUpdate);
        QCOMPARE(check(true), UpdateOutcome::NoUpdate);
        QCOMPARE(TMessageBox::takeShown().size(), 0);
    }

    void failedDownloadLeavesNoFile()
    {
        // A description from an earlier check goes before the new download.
        QFile old(file("mainappupdate.inf"));
        QVERIFY(old.open(QIODevice::WriteOnly));
        QVERIFY(old.write(description("9.0")) > 0);
        old.close();

        server_->queue(ScriptedReply::withBody("404 Not Found", description("9.0")));
        QCOMPARE(check(false), UpdateOutcome::NoUpdate);
        const QList<TMessageBox::Shown> shown = TMessageBox::takeShown();
        QCOMPARE(shown.size(), 1);
        QVERIFY(sameBox(shown.at(0), Kind::Information, kNoUpdate, Buttons::Ok));
        QVERIFY(!QFile::exists(file("mainappupdate.inf")));

        // Broken off in the middle of the body: quiet at start-up, and again no file.
        server_->queue(
            ScriptedReply("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n40\r\n[APPLICATION]\r\nVers").close());
        QCOMPARE(check(true), UpdateOutcome::NoUpdate);
        QCOMPARE(TMessageBox::takeShown().size(), 0);
        QVERIFY(!QFile::exists(file("mainappupdate.inf")));

        // A newer version padded past the description's cap, then one whose body never ends:
        // both are no update, and nothing of them stays on the disk.
        const QByteArray padded = description("9.0") + QByteArray(kUpdateDescriptionMaxBytes, ';');
        server_->queue(ScriptedReply::ok(padded.left(kUpdateDescriptionMaxBytes + 1)));
        server_->queue(ScriptedReply("HTTP/1.1 200 OK\r\n\r\n" + padded + padded));
        QCOMPARE(check(true), UpdateOutcome::NoUpdate);
        QCOMPARE(check(true), UpdateOutcome::NoUpdate);
        QCOMPARE(TMessageBox::takeShown().size(), 0);
        QVERIFY(!QFile::exists(file("mainappupdate.inf")));
    }

    void connectionIsClosedAfterEachDownload()
    {
        server_->queue(ScriptedReply::ok(description("2.01")));
        server_->queue(ScriptedReply::ok(description("2.01")));
        QCOMPARE(check(true), UpdateOutcome::NoUpdate);
        QCOMPARE(check(true), UpdateOutcome::NoUpdate);
        QCOMPARE(server_->requests().size(), 2);
        QCOMPARE(server_->connectionCount(), 2);
    }

    void missingUpdaterIsOnlyReported()
    {
        RecordingLauncher recorder;
        server_->queue(ScriptedReply::ok(description("2.02")));
        TMessageBox::queueAnswer(Answer::Ok);
        QCOMPARE(check(false), UpdateOutcome::UpdaterMissing);
        const QList<TMessageBox::Shown> shown = TMessageBox::takeShown();
        QCOMPARE(shown.size(), 2);
        QVERIFY(sameBox(shown.at(0), Kind::Information, offer(QStringLiteral("2.02")), Buttons::OkCancel));
        QVERIFY(sameBox(shown.at(1), Kind::Warning, kMissing, Buttons::Ok));
        QVERIFY(recorder.starts.isEmpty());
    }

    void updaterStartsWithItsThreeArguments()
    {
        RecordingLauncher recorder;
        putUpdater();
        // The start-up check asks just like the button.
        server_->queue(ScriptedReply::ok(description("2.1")));
        TMessageBox::queueAnswer(Answer::Ok);
        TMessageBox::queueAnswer(Answer::Ok);
        QCOMPARE(check(true), UpdateOutcome::UpdaterStarted);
        const QList<TMessageBox::Shown> shown = TMessageBox::takeShown();
        QCOMPARE(shown.size(), 2);
        QVERIFY(sameBox(shown.at(0), Kind::Information, offer(QStringLiteral("2.1")), Buttons::OkCancel));
        QVERIFY(sameBox(shown.at(1), Kind::Information, kClosing, Buttons::OkCancel));
        QCOMPARE(recorder.starts.size(), 1);
        QCOMPARE(recorder.starts.at(0).program, file("Updater.exe"));
        QCOMPARE(recorder.starts.at(0).arguments,
                 (QStringList{QString::fromLatin1(baseUrl()), QStringLiteral("2.01"), QStringLiteral("A")}));
    }

    void cancelEndsTheCheck()
    {
        RecordingLauncher recorder;
        putUpdater();
        server_->queue(ScriptedReply::ok(description("2.02")));
        TMessageBox::queueAnswer(Answer::Ok);
        TMessageBox::queueAnswer(Answer::Cancel);
        QCOMPARE(check(false), UpdateOutcome::Declined);
        QCOMPARE(TMessageBox::takeShown().size(), 2);

        server_->queue(ScriptedReply::ok(description("2.02")));
        TMessageBox::queueAnswer(Answer::Cancel);
        QCOMPARE(check(false), UpdateOutcome::Declined);
        QCOMPARE(TMessageBox::takeShown().size(), 1);
        QVERIFY(recorder.starts.isEmpty());
    }

#ifdef Q_OS_UNIX
    // A link planted as the description is refused before anything is asked, its target left
    // as it was; otherwise the old description would be removed and its name opened again.
    // (On Windows QFile::link makes a shortcut, an ordinary file.)
    void linkedDescriptionIsRefused()
    {
        QTemporaryDir elsewhere;
        const QString target = elsewhere.filePath(QStringLiteral("collected"));
        QFile theirs(target);
        QVERIFY(theirs.open(QIODevice::WriteOnly) && theirs.write("theirs") == 6);
        theirs.close();
        QVERIFY(QFile::link(target, file("mainappupdate.inf")));
        try {
            check(false);
            QFAIL("written through a link");
        } catch (const EFCreateError &error) {
            QCOMPARE(error.text(), QStringLiteral("Cannot create file \"%1\". %2")
                                       .arg(QDir::toNativeSeparators(file("mainappupdate.inf")),
                                            QString::fromLocal8Bit(std::strerror(ELOOP))));
        }
        QCOMPARE(server_->connectionCount(), 0);
        QVERIFY(theirs.open(QIODevice::ReadOnly));
        QCOMPARE(theirs.readAll(), QByteArray("theirs"));
    }
#endif

    // A build without an update site asks no one and leaves the folder alone; the button says
    // that there is no update.
    void withoutUpdateSiteNothingIsAsked()
    {
        QFile old(file("mainappupdate.inf"));
        QVERIFY(old.open(QIODevice::WriteOnly) && old.write("kept") == 4);
        old.close();
        QCOMPARE(CheckForUpdates(*http_, *messages_, AppFolder(dir_->path()), false, QByteArray()),
                 UpdateOutcome::NoUpdate);
        const QList<TMessageBox::Shown> shown = TMessageBox::takeShown();
        QCOMPARE(shown.size(), 1);
        QVERIFY(sameBox(shown.at(0), Kind::Information, kNoUpdate, Buttons::Ok));
        QCOMPARE(server_->connectionCount(), 0);
        QVERIFY(old.open(QIODevice::ReadOnly));
        QCOMPARE(old.readAll(), QByteArray("kept"));
    }
};

QTEST_GUILESS_MAIN(UpdateCheckTest)
#include "UpdateCheckTest.moc"
