// A full disk while the console writes its files: the settings file and "config.php", the
// branding file when the last-news marker changes, and the downloaded update description. Each
// write either completes or tells what the program promises, never leaves a half-written file
// where a whole one is promised, and leaves no temporary file behind.
#include "ScriptedConsole.h"

#include "common/ModalDriver.h"
#include "news/NewsMarker.h"
#include "settings/SettingsStore.h"
#include "support/FileSizeLimit.h"
#include "ui/AnsiLineEdit.h"
#include "ui/MessageBox.h"
#include "update/UpdateCheck.h"

#include <QDir>
#include <QPushButton>
#include <QTextBrowser>
#include <QTreeWidget>

using namespace vo;
using vo::test::child;
using vo::test::FileSizeLimit;
using vo::test::ModalAnswer;
using vo::test::ScriptedConsole;
using vo::test::ScriptedReply;

namespace {

const QByteArray kMarkerLine = "<%%LastNewsId%%>7<%%/LastNewsId%%>\r\n";
const QByteArray kNewer = "[APPLICATION]\r\nName=Vantrel Oskel\r\nVersion=2.02\r\n";

struct Typed
{
    QString site;
    QString password;
    QString secretKey;
};

} // namespace

class FullDiskTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<ScriptedConsole> console_;

    QStringList files() const
    {
        QStringList names = QDir(console_->dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System);
        names.sort();
        return names;
    }

    // Settings, OK: the values go to the settings file and "config.php".
    void saveSettings(const Typed &typed)
    {
        ModalAnswer answer([&typed](QWidget *dialog) {
            child<AnsiLineEdit>(dialog, "edtSite")->setText(typed.site);
            child<AnsiLineEdit>(dialog, "edtPassword")->setText(typed.password);
            child<AnsiLineEdit>(dialog, "edtSecretKey")->setText(typed.secretKey);
            QTest::mouseClick(child<QPushButton>(dialog, "btnOk"), Qt::LeftButton);
        });
        console_->click("btnSimple");
    }

    static ServerSettings settingsOf(const Typed &typed)
    {
        ServerSettings settings;
        settings.swebserver = typed.site.toLatin1();
        settings.spassword = typed.password.toLatin1();
        settings.sSecretKey = typed.secretKey.toLatin1();
        return settings;
    }

private Q_SLOTS:
    void init()
    {
        console_ = std::make_unique<ScriptedConsole>();
        TMessageBox::beginScript();
        QVERIFY(console_->start());
        TMessageBox::takeShown();
    }
    void cleanup()
    {
        console_.reset();
        TMessageBox::endScript();
    }

    void limitTakesHold()
    {
        // The fault itself: a file cannot grow past the limit, as on a disk without room.
        QFile probe(console_->file("probe"));
        QVERIFY(probe.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        {
            const FileSizeLimit full(4);
            QVERIFY(full.active());
            QCOMPARE(probe.write("0123"), 4);
            QVERIFY(probe.write("4") < 0);
        }
        QCOMPARE(probe.write("4"), 1);
        probe.close();
        QVERIFY(probe.remove());
    }

    void settingsOnAFullDisk_data()
    {
        QTest::addColumn<bool>("settingsFileFails");
        QTest::newRow("settings file") << true;
        QTest::newRow("config.php") << false;
    }
    void settingsOnAFullDisk()
    {
        QFETCH(bool, settingsFileFails);
        ScriptedConsole &c = *console_;
        const Typed before{QStringLiteral("http://old.example"), QStringLiteral("old"), QStringLiteral("old-key")};
        saveSettings(before);
        QVERIFY(TMessageBox::takeShown().isEmpty());
        const QByteArray oldSettings = c.read("hsettings.dat");
        const QByteArray oldPhp = c.read("config.php");
        const QStringList oldFiles = files();

        // "config.php" holds every value but the site URL, with more around each one: a short
        // site URL makes it the longer of the two files, so a limit can fall between them.
        const Typed after{QStringLiteral("http://s"), QStringLiteral("a new password"), QStringLiteral("a new secret key")};
        const QByteArray newPhp = BuildConfigPhp(settingsOf(after));
        {
            const FileSizeLimit full(settingsFileFails ? 8 : newPhp.size() - 1);
            QVERIFY(full.active());
            saveSettings(after);
        }

        const QList<TMessageBox::Shown> shown = TMessageBox::takeShown();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown.at(0).kind, TMessageBox::Kind::Error);
        if (settingsFileFails) {
            QCOMPARE(shown.at(0).text, QStringLiteral("Unable to write to ") + QDir::toNativeSeparators(c.file("hsettings.dat")));
            QCOMPARE(c.read("hsettings.dat"), oldSettings);
        } else {
            QCOMPARE(shown.at(0).text, QStringLiteral("Stream write error"));
            const QByteArray written = c.read("hsettings.dat");
            QVERIFY(written.contains("swebserver=http://s\r\n"));
            QVERIFY(written.contains("sSecretKey=a new secret key\r\n"));
            QVERIFY(written.size() < newPhp.size());
        }
        // The old "config.php" stays whole: never a part of the new one.
        QCOMPARE(c.read("config.php"), oldPhp);
        QCOMPARE(files(), oldFiles);
        // The values stay for the run, and the window goes on.
        QCOMPARE(c.window->serverSettings().sSecretKey, QByteArray("a new secret key"));
        QVERIFY(c.window->isVisible());

        // With room again, the next OK writes both files.
        saveSettings(after);
        QVERIFY(TMessageBox::takeShown().isEmpty());
        QCOMPARE(c.read("config.php"), newPhp);
    }

    // The marker is saved as the text of a news item arrives: the branding file is decrypted to
    // its plain text, the text rewritten, encrypted, and the new file written beside the old one
    // and put in its place. A full disk at any of these steps leaves the branding file as it was
    // and no plain text behind.
    void lastNewsMarkerOnAFullDisk_data()
    {
        // Room for this many bytes more or less than the plain text, or than the rewritten one.
        QTest::addColumn<bool>("ofRewritten");
        QTest::addColumn<int>("offset");
        QTest::addColumn<bool>("reported");
        QTest::newRow("decrypting") << false << -20 << false;
        QTest::newRow("writing the new plain text") << false << 5 << true;
        QTest::newRow("writing the new file") << true << 5 << true;
    }
    void lastNewsMarkerOnAFullDisk()
    {
        QFETCH(bool, ofRewritten);
        QFETCH(int, offset);
        QFETCH(bool, reported);
        const qsizetype plain = console_->brandingText.size();
        const qsizetype room = (ofRewritten ? plain + kMarkerLine.size() : plain) + offset;
        ScriptedConsole &c = *console_;
        const QByteArray branding = c.read("dbsettings.dat");
        const QStringList oldFiles = files();
        c.server.queue(ScriptedReply::ok("7^Big news^2026-12-01\xAFOK"));
        c.server.queue(ScriptedReply::ok("<p>Big news</p>\xAFOK"));
        QString shownText;
        ModalAnswer answer([&](QWidget *dialog) {
            auto *items = child<QTreeWidget>(dialog, "lvwItems");
            {
                const FileSizeLimit full(room);
                items->setCurrentItem(items->topLevelItem(0));
            }
            shownText = child<QTextBrowser>(dialog, "prfEditorNews")->toPlainText();
            QTest::mouseClick(child<QPushButton>(dialog, "btnExit"), Qt::LeftButton);
        });
        c.click("btnNews");
        QCOMPARE(answer.answered, 1);

        // The news itself arrived and shows.
        QCOMPARE(shownText, QStringLiteral("Big news"));
        const QList<TMessageBox::Shown> shown = TMessageBox::takeShown();
        QCOMPARE(shown.size(), reported ? 1 : 0);
        if (reported) {
            QCOMPARE(shown.at(0).kind, TMessageBox::Kind::Error);
            QCOMPARE(shown.at(0).text, QStringLiteral("Stream write error"));
        }
        QCOMPARE(c.read("dbsettings.dat"), branding);
        QCOMPARE(files(), oldFiles);
        const NewsMarker marker{AppFolder(c.dir.path())};
        QCOMPARE(marker.ReadLastNewsId(), QByteArray());

        // With room again the marker is saved.
        QVERIFY(marker.SaveLastNewsId("7"));
        QCOMPARE(marker.ReadLastNewsId(), QByteArray("7"));
        QCOMPARE(files(), oldFiles);
    }

    // At start the branding file is decrypted to its plain text for a moment. Without room for
    // it the branding cannot be applied, but the file stays as it was, no plain text is left,
    // and the window starts all the same.
    void startOnAFullDisk()
    {
        ScriptedConsole &c = *console_;
        const QByteArray branding = c.read("dbsettings.dat");
        c.window.reset();
        const QStringList oldFiles = files();
        // Without the branding there is no news tier: the start asks for the update and the site.
        c.server.queue(ScriptedReply::ok(vo::test::kSameVersion));
        c.server.queue(ScriptedReply::ok("OK"));
        c.server.queue(ScriptedReply::ok(vo::test::kThreeRows));
        const qsizetype mark = c.server.requests().size();
        {
            const FileSizeLimit full(c.brandingText.size() / 2);
            c.create();
        }
        QCOMPARE(c.read("dbsettings.dat"), branding);
        QCOMPARE(files(), oldFiles);
        QTRY_COMPARE(c.rows(), 3);
        QCOMPARE(c.trail(mark), (QStringList{QStringLiteral("GET /live/mainappupdate.inf"), QStringLiteral("action=1"),
                                             QStringLiteral("action=3")}));
        QVERIFY(c.window->isVisible());
        // Told once, as a branding file that could not be read.
        const QList<TMessageBox::Shown> shown = TMessageBox::takeShown();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown.at(0).kind, TMessageBox::Kind::Warning);
        QVERIFY(shown.at(0).text.contains(QStringLiteral("dbsettings.dat")));
    }

    // The update description is fetched into "mainappupdate.inf". A write that fails is a failed
    // download: no file stays, and the check finds no update.
    void updateDescriptionOnAFullDisk_data()
    {
        QTest::addColumn<QByteArray>("description");
        QTest::newRow("short: fails as the file closes") << kNewer;
        // As long as a description may be: stored whole once there is room.
        QTest::newRow("at its cap") << kNewer + "; " + QByteArray(kUpdateDescriptionMaxBytes - kNewer.size() - 4, 'x')
                                           + "\r\n";
    }
    void updateDescriptionOnAFullDisk()
    {
        QFETCH(QByteArray, description);
        ScriptedConsole &c = *console_;
        QVERIFY(QFile::exists(c.file("mainappupdate.inf"))); // from the start-up check
        c.server.queue(ScriptedReply::ok(description));
        {
            const FileSizeLimit full(16);
            c.click("bsSkinSpeedButton1");
        }
        const QList<TMessageBox::Shown> shown = TMessageBox::takeShown();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown.at(0).text, QStringLiteral("There's no new updates for this application!"));
        QVERIFY(!QFile::exists(c.file("mainappupdate.inf")));
        QCOMPARE(c.server.requests().constLast().requestLine(), QByteArray("GET /live/mainappupdate.inf HTTP/1.1"));

        // With room again the same description is stored whole and offers the update.
        c.server.queue(ScriptedReply::ok(description));
        TMessageBox::queueAnswer(TMessageBox::Answer::Cancel);
        c.click("bsSkinSpeedButton1");
        QCOMPARE(TMessageBox::takeShown().size(), 1);
        QCOMPARE(c.read("mainappupdate.inf"), description);
    }
};

QTEST_MAIN(FullDiskTest)
#include "FullDiskTest.moc"
