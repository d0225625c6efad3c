// The main window as a distributor's branding file shapes it.
#include "app/FMain.h"
#include "branding/AesLib.h"
#include "common/LinkClick.h"
#include "common/ModalDriver.h"
#include "common/TestSites.h"
#include "platform/BrowserTestLauncher.h"
#include "ui/LinkLabel.h"
#include "ui/MessageBox.h"

#include <QAccessible>
#include <QDir>
#include <QFile>
#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QPixmap>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <QToolButton>

using namespace vo;
using vo::test::child;
using vo::test::RecordingLauncher;
using vo::test::whenModalShown;

namespace {

// The entries of the screen-reader tree under `node` that are shown and that a seller could
// act on, yet have no name: the object name of each.
QStringList unnamedShownEntries(QAccessibleInterface *node)
{
    QStringList unnamed;
    for (int i = 0; i < node->childCount(); ++i) {
        QAccessibleInterface *entry = node->child(i);
        if (!entry || entry->state().invisible)
            continue;
        const QAccessible::Role role = entry->role();
        const bool actionable = role == QAccessible::Link || role == QAccessible::Button || role == QAccessible::PushButton;
        if (actionable && entry->text(QAccessible::Name).isEmpty() && entry->object())
            unnamed << entry->object()->objectName();
        unnamed << unnamedShownEntries(entry);
    }
    return unnamed;
}

} // namespace

namespace {

const QByteArray kMarkup = "<%%ApplicationName%%>Acme<%%/ApplicationName%%>\r\n"
                           "<%%BranderType%%>Free<%%/BranderType%%>\r\n"
                           "<%%AffiliateURL%%>http://aff.example/?id=%%AFFILIATEID%%<%%/AffiliateURL%%>\r\n"
                           "<%%AffiliateID%%>seller7<%%/AffiliateID%%>\r\n"
                           "<%%MakeMoneyButton%%>Earn<%%/MakeMoneyButton%%>\r\n"
                           "<%%AppHelpURL%%>http://help.example/<%%/AppHelpURL%%>\r\n"
                           "<%%CopyrightYears%%>2026<%%/CopyrightYears%%>\r\n"
                           "<%%CopyrightCompany%%>Acme Ltd<%%/CopyrightCompany%%>\r\n"
                           "<%%Banner1%%>ad.jpg^http://ad.example/<%%/Banner1%%>\r\n"
                           "<%%Link1%%>Docs^http://docs.example/<%%/Link1%%>\r\n";

} // namespace

class BrandedWindowTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir_;

    QString file(const char *name) const { return dir_->filePath(QString::fromLatin1(name)); }

    void writeBranding(const QByteArray &markup)
    {
        QFile plain(file("plain.txt"));
        QVERIFY(plain.open(QIODevice::WriteOnly));
        plain.write(markup);
        plain.close();
        QVERIFY(EncryptFileTo(file("plain.txt"), file("dbsettings.dat")));
        QFile::remove(file("plain.txt"));
    }

private Q_SLOTS:
    void init()
    {
        dir_ = std::make_unique<QTemporaryDir>();
        TMessageBox::beginScript();
        // A machine without a configured browser: OpenURL falls back to xdg-open.
        const QString empty = dir_->filePath(QStringLiteral("xdg"));
        QDir().mkpath(empty);
        qputenv("XDG_CONFIG_HOME", empty.toLocal8Bit());
        qputenv("XDG_DATA_HOME", empty.toLocal8Bit());
        qputenv("XDG_DATA_DIRS", empty.toLocal8Bit());
        qunsetenv("BROWSER");
    }
    void cleanup()
    {
        TMessageBox::endScript();
        dir_.reset();
    }

    void brandingShapesTheWindow()
    {
        writeBranding(kMarkup);
        QVERIFY(QImage(120, 30, QImage::Format_RGB32).save(file("banner1.dat"), "JPG"));
        TfrmMain window{AppFolder(dir_->path())};
        window.setUpdateBaseUrl(vo::test::kNoUpdateSite);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        QCOMPARE(window.windowTitle(), QStringLiteral("Acme v2.01"));
        QVERIFY(!child<QToolButton>(&window, "btnNews")->isVisible());
        QCOMPARE(child<QPushButton>(&window, "btnMakeMoney")->text(), QStringLiteral("Earn"));
        QCOMPARE(window.brandingProfile().AffiliateURL, QByteArray("http://aff.example/?id=seller7"));

        auto *banner = child<QLabel>(&window, "imgBanner");
        auto *strip = child<QWidget>(&window, "panBanner");
        QVERIFY(banner->isVisible());
        QVERIFY(!child<QLabel>(&window, "gifBanner")->isVisible());
        QCOMPARE(banner->size(), QSize(120, 30));
        QCOMPARE(strip->height(), 40);
        QTRY_COMPARE(banner->pos(), QPoint(strip->width() / 2 - 60, 20 - 15));
        QCOMPARE(banner->cursor().shape(), Qt::PointingHandCursor);

        auto *left = child<LinkLabel>(&window, "lblLink1URL");
        auto *right = child<LinkLabel>(&window, "lblLink2URL");
        QCOMPARE(left->text(), QStringLiteral("Docs"));
        QCOMPARE(left->address(), QByteArray("http://docs.example/"));
        QCOMPARE(right->text(), QString());
        QCOMPARE(right->address(), QByteArray());
        // The empty right link is nothing to reach by Tab, and nothing a screen reader reads out
        // without a name.
        QVERIFY(!(right->focusPolicy() & Qt::TabFocus));
        QCOMPARE(unnamedShownEntries(QAccessible::queryAccessibleInterface(&window)), QStringList());
        QVERIFY(TMessageBox::takeShown().isEmpty());
        QVERIFY(!QFile::exists(file("dbsettings.sim")));
    }

    void addressesOpenInTheBrowser()
    {
        writeBranding(kMarkup);
        QVERIFY(QImage(120, 30, QImage::Format_RGB32).save(file("banner1.dat"), "JPG"));
        TfrmMain window{AppFolder(dir_->path())};
        window.setUpdateBaseUrl(vo::test::kNoUpdateSite);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        RecordingLauncher launcher;

        QTest::mouseClick(child<QPushButton>(&window, "btnMakeMoney"), Qt::LeftButton);
        QTest::mouseClick(child<QToolButton>(&window, "bsSkinSpeedButton2"), Qt::LeftButton);
        // Only a left click released over the banner opens it.
        auto *banner = child<QLabel>(&window, "imgBanner");
        QTest::mouseClick(banner, Qt::RightButton);
        QTest::mousePress(banner, Qt::LeftButton, {}, QPoint(5, 5));
        QTest::mouseRelease(banner, Qt::LeftButton, {}, QPoint(5, banner->height() + 20));
        QTest::mouseClick(banner, Qt::LeftButton);
        QTest::mouseClick(child<LinkLabel>(&window, "lblLink1URL"), Qt::LeftButton);

        QCOMPARE(launcher.starts.value(0).arguments, QStringList{QStringLiteral("http://aff.example/?id=seller7")});
        QCOMPARE(launcher.starts.value(1).arguments, QStringList{QStringLiteral("http://help.example/")});
        QCOMPARE(launcher.starts.value(2).arguments, QStringList{QStringLiteral("http://ad.example/")});
#ifdef Q_OS_WIN
        // The footer link is the shell's to open, with what Windows associates with it.
        QCOMPARE(launcher.starts.size(), 3);
        QCOMPARE(launcher.opened, QStringList{QStringLiteral("http://docs.example/")});
#else
        // Every address goes to the same browser, the footer link's too.
        QCOMPARE(launcher.starts.size(), 4);
        QCOMPARE(launcher.starts[3].arguments, QStringList{QStringLiteral("http://docs.example/")});
        QCOMPARE(launcher.starts[3].program, launcher.starts[0].program);
        QVERIFY(launcher.opened.isEmpty());
#endif
    }

    void welcomePageTakesEnterAndOpensItsLinksInTheBrowser()
    {
        writeBranding("<%%Welcome1%%><a href=\"https://guide.example/?a=1\">guide</a> "
                      "<a href=\"file:///etc/passwd\">file</a><%%/Welcome1%%>");
        TfrmMain window{AppFolder(dir_->path())};
        window.setUpdateBaseUrl(vo::test::kNoUpdateSite);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        auto *view = child<QTextBrowser>(&window, "prfWelcome");
        RecordingLauncher launcher;
        QVERIFY(vo::test::clickText(*view, QStringLiteral("guide")) && vo::test::clickText(*view, QStringLiteral("file")));
        QCOMPARE(launcher.starts.size(), 1);
        QCOMPARE(launcher.starts[0].arguments, QStringList{QStringLiteral("https://guide.example/?a=1")});
        QCOMPARE(view->toPlainText(), QStringLiteral("guide file"));

        QVERIFY(QApplication::focusWidget());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QCOMPARE(child<QStackedWidget>(&window, "pgcPrinc")->currentWidget()->objectName(), QStringLiteral("stsMain"));
    }

    void welcomePageLoadsNoLocalFile()
    {
        QVERIFY(QImage(6, 6, QImage::Format_RGB32).save(file("seen.png"), "PNG"));
        writeBranding("<%%Welcome1%%>Hello <img src=\"" + file("seen.png").toUtf8() + "\"><%%/Welcome1%%>");
        TfrmMain window{AppFolder(dir_->path())};
        window.setUpdateBaseUrl(vo::test::kNoUpdateSite);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto *view = child<QTextBrowser>(&window, "prfWelcome");
        view->grab();
        QVERIFY(view->toPlainText().startsWith(QStringLiteral("Hello")));
        const QVariant picture = view->document()->resource(QTextDocument::ImageResource, QUrl::fromLocalFile(file("seen.png")));
        QVERIFY(picture.value<QImage>().isNull() && picture.value<QPixmap>().isNull() && picture.toByteArray().isEmpty());
    }

    void bannerWithoutAddressOpensNothing()
    {
        writeBranding("<%%Banner1%%>ad.bmp^^<%%/Banner1%%>");
        QVERIFY(QImage(20, 21, QImage::Format_RGB32).save(file("banner1.dat"), "BMP"));
        TfrmMain window{AppFolder(dir_->path())};
        window.setUpdateBaseUrl(vo::test::kNoUpdateSite);
        window.show();
        RecordingLauncher launcher;
        auto *banner = child<QLabel>(&window, "imgBanner");
        QCOMPARE(banner->cursor().shape(), Qt::ArrowCursor);
        QTest::mouseClick(banner, Qt::LeftButton);
        QVERIFY(launcher.starts.isEmpty());
        // A file without a name or links: " v2.01", links hidden.
        QCOMPARE(window.windowTitle(), QStringLiteral(" v2.01"));
        QVERIFY(!child<QWidget>(&window, "panLinks")->isVisible());
    }

    void welcomePageHoldsTheStartupBackUntilItsButton()
    {
        writeBranding("<%%Welcome1%%><h1>Hello seller</h1><%%/Welcome1%%>");
        TfrmMain window{AppFolder(dir_->path())};
        window.setUpdateBaseUrl(vo::test::kNoUpdateSite);
        QSignalSpy legs(&window, &TfrmMain::startupLegStarted);
        QVERIFY(!child<QTimer>(&window, "Timer1")->isActive());
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto *pages = child<QStackedWidget>(&window, "pgcPrinc");
        QCOMPARE(pages->count(), 2);
        QCOMPARE(pages->currentWidget()->objectName(), QStringLiteral("stsWelcome"));
        QVERIFY(child<QTextBrowser>(&window, "prfWelcome")->toPlainText().contains(QStringLiteral("Hello seller")));
        QVERIFY(child<QTextBrowser>(&window, "prfWelcome")->isReadOnly());
        QTest::qWait(250);
        QCOMPARE(legs.count(), 0);

        QTest::mouseClick(child<QPushButton>(&window, "bsSkinButton1"), Qt::LeftButton);
        QCOMPARE(pages->currentWidget()->objectName(), QStringLiteral("stsMain"));
        QTRY_COMPARE(legs.count(), 3);
    }

    void damagedBrandingIsToldOnceAndNotApplied()
    {
        writeBranding(kMarkup);
        QFile dat(file("dbsettings.dat"));
        QVERIFY(dat.open(QIODevice::ReadWrite));
        dat.seek(30);
        const char flipped = char(dat.peek(1).at(0) ^ 0x40);
        dat.write(&flipped, 1);
        dat.close();

        TfrmMain window{AppFolder(dir_->path())};

        window.setUpdateBaseUrl(vo::test::kNoUpdateSite);
        const auto shown = TMessageBox::takeShown();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown[0].text, QStringLiteral("The branding file dbsettings.dat is damaged and was not applied."));
        QCOMPARE(window.windowTitle(), QStringLiteral("Vantrel Oskel"));
        QCOMPARE(window.brandingProfile().ApplicationName, QByteArray());
        QCOMPARE(child<QPushButton>(&window, "btnMakeMoney")->text(), QStringLiteral("Make Money"));
        QVERIFY(!QFile::exists(file("dbsettings.sim")));
        // The creation steps after it still ran.
        QVERIFY(child<QTimer>(&window, "Timer1")->isActive());
    }

    void aboutShowsTheBrandedTexts()
    {
        writeBranding(kMarkup);
        TfrmMain window{AppFolder(dir_->path())};
        window.setUpdateBaseUrl(vo::test::kNoUpdateSite);
        window.show();
        QString caption;
        QString copyright;
        whenModalShown([&](QWidget *dialog) {
            caption = dialog->windowTitle();
            copyright = child<QLabel>(dialog, "lblCopyright")->text();
            QTest::mouseClick(child<QPushButton>(dialog, "editAbout"), Qt::LeftButton);
        });
        QTest::mouseClick(child<QPushButton>(&window, "btnAbout"), Qt::LeftButton);
        QCOMPARE(caption, QStringLiteral("About Acme..."));
        QCOMPARE(copyright, QStringLiteral("Copyright (c) 2026 Acme Ltd"));
    }
};

QTEST_MAIN(BrandedWindowTest)
#include "BrandedWindowTest.moc"
