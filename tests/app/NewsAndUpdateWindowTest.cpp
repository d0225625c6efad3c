// The main window's news and update legs, with the publisher's servers played by scripts.
#include "app/FMain.h"
#include "branding/AesLib.h"
#include "common/ModalDriver.h"
#include "common/TestSites.h"
#include "news/NewsHint.h"
#include "news/NewsMarker.h"
#include "platform/BrowserTestLauncher.h"
#include "platform/UpdaterSystem.h"
#include "support/ScriptServer.h"
#include "ui/MessageBox.h"

#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QToolButton>
#include <QTreeWidget>

#include <cerrno>
#include <cstring>

using namespace vo;
using vo::test::child;
using vo::test::RecordingLauncher;
using vo::test::ScriptedReply;
using vo::test::ScriptServer;
using vo::test::whenModalShown;

class NewsAndUpdateWindowTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<ScriptServer> server_;

    QString file(const char *name) const { return dir_->filePath(QString::fromLatin1(name)); }

    void writeFile(const char *name, const QByteArray &bytes)
    {
        QFile out(file(name));
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(bytes);
    }

    void writeMasterBranding()
    {
        writeFile("plain.txt", "<%%BranderCode%%>BC9<%%/BranderCode%%>\r\n<%%BranderType%%>Master<%%/BranderType%%>\r\n"
                               "<%%MasterNewsBaseURL%%>" + server_->url("/news") + "<%%/MasterNewsBaseURL%%>\r\n"
                               "<%%MasterPublID%%>pub1<%%/MasterPublID%%>\r\n");
        QVERIFY(EncryptFileTo(file("plain.txt"), file("dbsettings.dat")));
        QFile::remove(file("plain.txt"));
    }

private Q_SLOTS:
    void init()
    {
        dir_ = std::make_unique<QTemporaryDir>();
        server_ = std::make_unique<ScriptServer>();
        TMessageBox::beginScript();
    }
    void cleanup()
    {
        TMessageBox::endScript();
        server_.reset();
        dir_.reset();
    }

    void acceptedUpdateStartsTheUpdaterAndNothingMoreIsSent()
    {
        writeFile("Updater.exe", "stand-in");
        writeFile("hsettings.dat", "[Settings]\r\nswebserver=" + server_->url("/site") + "\r\n");
        server_->queue(ScriptedReply::ok("[APPLICATION]\r\nName=Vantrel Oskel\r\nVersion=2.02\r\n"));
        TMessageBox::queueAnswer(TMessageBox::Answer::Ok);
        TMessageBox::queueAnswer(TMessageBox::Answer::Ok);
        RecordingLauncher launcher;
        const ScopedUpdaterSystem windows(true);

        TfrmMain window{AppFolder(dir_->path())};
        window.setUpdateBaseUrl(server_->url("/live/"));
        QSignalSpy legs(&window, &TfrmMain::startupLegStarted);
        window.show();
        QTRY_VERIFY(!window.isVisible());
        QTest::qWait(200);

        QCOMPARE(legs.count(), 2);
        QCOMPARE(legs.at(1).at(0).toString(), QStringLiteral("updates"));
        QCOMPARE(server_->requests().size(), 1);
        QCOMPARE(server_->requests().at(0).requestLine(), QByteArray("GET /live/mainappupdate.inf HTTP/1.1"));
        const auto shown = TMessageBox::takeShown();
        QCOMPARE(shown.size(), 2);
        QCOMPARE(shown[0].text, QStringLiteral("There is a new update: (version 2.02) available for your application!. "
                                               "Do you want download this update now?"));
        QCOMPARE(shown[1].text, QStringLiteral("To update your software the application will close to\n\r"
                                               "replace some files. Do you want to update now?"));
        QCOMPARE(launcher.starts.size(), 1);
        QCOMPARE(launcher.starts[0].program, file("Updater.exe"));
        QCOMPARE(launcher.starts[0].arguments.join(u'|'),
                 QString::fromLatin1(server_->url("/live/")) + QStringLiteral("|2.01|A"));
    }

    void checkUpdatesButtonSaysWhenThereIsNone()
    {
        TfrmMain window{AppFolder(dir_->path())};
        window.setUpdateBaseUrl(vo::test::kNoUpdateSite);
        QSignalSpy legs(&window, &TfrmMain::startupLegStarted);
        window.show();
        QTRY_COMPARE(legs.count(), 3);
        QVERIFY(TMessageBox::takeShown().isEmpty());

        window.setUpdateBaseUrl(server_->url("/live/"));
        server_->queue(ScriptedReply::ok("[APPLICATION]\r\nVersion=2.01\r\n"));
        QTest::mouseClick(child<QToolButton>(&window, "bsSkinSpeedButton1"), Qt::LeftButton);
        const auto shown = TMessageBox::takeShown();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown[0].text, QStringLiteral("There's no new updates for this application!"));
        QVERIFY(window.isVisible());
    }

    // Creating the description comes before the download: a file that cannot be created is an
    // error the seller is shown, never "no update". At start-up it stays quiet.
    void uncreatableUpdateDescriptionIsReportedAsAnError()
    {
        QVERIFY(QDir(dir_->path()).mkpath(QStringLiteral("mainappupdate.inf/kept")));
        TfrmMain window{AppFolder(dir_->path())};
        window.setUpdateBaseUrl(server_->url("/live/"));
        QSignalSpy legs(&window, &TfrmMain::startupLegStarted);
        window.show();
        QTRY_COMPARE(legs.count(), 3);
        QVERIFY(TMessageBox::takeShown().isEmpty());

        QTest::mouseClick(child<QToolButton>(&window, "bsSkinSpeedButton1"), Qt::LeftButton);
        const auto shown = TMessageBox::takeShown();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown[0].kind, TMessageBox::Kind::Error);
        QCOMPARE(shown[0].text, QStringLiteral("Cannot create file \"%1\". %2")
                                    .arg(QDir::toNativeSeparators(file("mainappupdate.inf")),
                                         QString::fromLocal8Bit(std::strerror(EISDIR))));
        QCOMPARE(server_->requests().size(), 0);
        QVERIFY(window.isVisible());
    }

    void newerNewsShowsTheBalloonAndTheNewsWindowMarksItRead()
    {
        writeMasterBranding();
        server_->queue(ScriptedReply::ok("  7^Big news\xAFOK\r\n"));
        TfrmMain window{AppFolder(dir_->path())};
        window.setUpdateBaseUrl(vo::test::kNoUpdateSite);
        QSignalSpy legs(&window, &TfrmMain::startupLegStarted);
        window.show();
        QTRY_COMPARE(legs.count(), 3);

        const auto &first = server_->requests().at(0);
        QCOMPARE(first.requestLine(), QByteArray("POST /news/getlastnews.php HTTP/1.0"));
        QVERIFY(first.body().contains("name=\"memusername\"\r\n\r\npub1\r\n"));
        QVERIFY(first.body().contains("name=\"prodtype\"\r\n\r\nBM\r\n"));
        QVERIFY(TNewsHint::current());
        // The balloon shows the CR LF of its text as one line break.
        QCOMPARE(TNewsHint::current()->text(), QStringLiteral("You've Got A Message!\nBig news"));
        QVERIFY(TMessageBox::takeShown().isEmpty());
        // The balloon holds the mouse: the next click only takes it away.
        QTest::mouseClick(child<QToolButton>(&window, "btnNews"), Qt::LeftButton);
        QTRY_VERIFY(!TNewsHint::current());
        QCOMPARE(server_->requests().size(), 1);

        server_->queue(ScriptedReply::ok("7^Big news^2026-12-01\xAF" "6^Older^2026-11-02\xAFOK"));
        server_->queue(ScriptedReply::ok("<p>Price $245$21</p>\xAFOK"));
        QString shownText;
        QStringList titles;
        whenModalShown([&](QWidget *dialog) {
            auto *items = child<QTreeWidget>(dialog, "lvwItems");
            for (int row = 0; row < items->topLevelItemCount(); ++row)
                titles << items->topLevelItem(row)->text(0);
            items->setCurrentItem(items->topLevelItem(0));
            auto *view = child<QTextBrowser>(dialog, "prfEditorNews");
            const bool arrived = QTest::qWaitFor([view] { return !view->toPlainText().isEmpty(); });
            Q_UNUSED(arrived); // judged below by the text itself
            shownText = view->toPlainText();
            QTest::mouseClick(child<QPushButton>(dialog, "btnExit"), Qt::LeftButton);
        });
        QTest::mouseClick(child<QToolButton>(&window, "btnNews"), Qt::LeftButton);
        QCOMPARE(titles.join(u'|'), QStringLiteral("Big news|Older"));
        QCOMPARE(shownText, QStringLiteral("Price $5!"));
        QCOMPARE(window.newsList().size(), 2);
        QCOMPARE(NewsMarker(AppFolder(dir_->path())).ReadLastNewsId(), QByteArray("7"));
        QVERIFY(!QFile::exists(file("dbsettings.sim")));
    }
};

QTEST_MAIN(NewsAndUpdateWindowTest)
#include "NewsAndUpdateWindowTest.moc"
