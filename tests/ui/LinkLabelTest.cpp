#include "branding/BrandingTestSupport.h"
#include "platform/BrowserTestLauncher.h"

#include "ui/LinkLabel.h"
#include "ui/LoopingMovie.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QEnterEvent>
#include <QSignalSpy>
#include <QTest>

using namespace vo;
using vo::test::RecordingLauncher;

namespace {

// The address of each browser start: OpenURL hands it over as the last argument.
// The addresses the links handed on: to the shell's own association on Windows, to the browser
// that opens every other address elsewhere.
QStringList browsed(const RecordingLauncher &recorder)
{
#ifdef Q_OS_WIN
    return recorder.starts.isEmpty() ? recorder.opened : QStringList{QStringLiteral("started a program")};
#else
    QStringList addresses;
    for (const RecordingLauncher::Start &start : recorder.starts)
        addresses << start.arguments.value(start.arguments.size() - 1);
    return recorder.opened.isEmpty() ? addresses : QStringList{QStringLiteral("opened with the system")};
#endif
}

} // namespace

// The footer links and the animated banner: the two widgets the branding puts on the main page.
class LinkLabelTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void showsItsLink()
    {
        LinkLabel label;
        label.setLink("Caf\xE9 deals", "http://deals.example/");
        QCOMPARE(label.text(), QStringLiteral("Caf\u00E9 deals"));
        QCOMPARE(label.accessibleName(), label.text());
        QCOMPARE(label.address(), QByteArray("http://deals.example/"));
        QVERIFY(label.font().underline());
        QCOMPARE(label.cursor().shape(), Qt::PointingHandCursor);
        QVERIFY(label.focusPolicy() & Qt::TabFocus);
    }

    void highlightedWhileHovered()
    {
        LinkLabel label;
        label.setLink("Deals", "http://deals.example/");
        label.ensurePolished();
        const QColor normal = label.palette().color(QPalette::WindowText);

        QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
        QCoreApplication::sendEvent(&label, &enter);
        QVERIFY(label.isHighlighted());
        label.ensurePolished();
        QVERIFY(label.palette().color(QPalette::WindowText) != normal);

        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(&label, &leave);
        QVERIFY(!label.isHighlighted());
        label.ensurePolished();
        QCOMPARE(label.palette().color(QPalette::WindowText), normal);
    }

    void clickOpensTheAddressWithTheSystem()
    {
        RecordingLauncher recorder;
        LinkLabel label;
        label.resize(100, 20);
        label.setLink("Deals", "http://deals.example/caf\xE9");
        QTest::mouseClick(&label, Qt::LeftButton);
        QTest::keyClick(&label, Qt::Key_Space);
        QTest::mouseClick(&label, Qt::RightButton);
        QCOMPARE(browsed(recorder), (QStringList{QStringLiteral("http://deals.example/caf\u00E9"),
                                                 QStringLiteral("http://deals.example/caf\u00E9")}));
    }

    void assistiveTechnologyCanPressIt()
    {
        RecordingLauncher recorder;
        LinkLabel label;
        label.setLink("Deals", "http://deals.example/");
        QAccessibleInterface *link = QAccessible::queryAccessibleInterface(&label);
        QCOMPARE(link->role(), QAccessible::Link);
        QVERIFY(link->actionInterface());
        link->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QCOMPARE(browsed(recorder), QStringList{QStringLiteral("http://deals.example/")});
    }

    void releaseOutsideIsNoClick()
    {
        RecordingLauncher recorder;
        LinkLabel label;
        label.resize(100, 20);
        label.setLink("Deals", "http://deals.example/");
        QTest::mousePress(&label, Qt::LeftButton, {}, QPoint(5, 5));
        QTest::mouseRelease(&label, Qt::LeftButton, {}, QPoint(150, 5));
        QVERIFY(recorder.starts.isEmpty());
    }

    void onlyWebAndMailAddressesOpen()
    {
        RecordingLauncher recorder;
        LinkLabel label;
        label.resize(100, 20);
        for (const char *address : {"file:///etc/passwd", "/usr/bin/xterm", "-e", "smb://host/share", "mailto:a@b.example",
                                    "HTTPS://deals.example/"}) {
            label.setLink("Deals", address);
            QTest::mouseClick(&label, Qt::LeftButton);
        }
        QCOMPARE(browsed(recorder), (QStringList{QStringLiteral("mailto:a@b.example"), QStringLiteral("HTTPS://deals.example/")}));
    }

    void withoutAddressNothingOpens()
    {
        RecordingLauncher recorder;
        LinkLabel label;
        label.resize(100, 20);
        label.setLink("Deals", QByteArray());
        QTest::mouseClick(&label, Qt::LeftButton);
        QVERIFY(recorder.starts.isEmpty());
        // Without a caption there is nothing to see, to reach by Tab or to announce.
        label.setLink(QByteArray(), QByteArray());
        QVERIFY(label.isHidden());
        QCOMPARE(label.focusPolicy(), Qt::NoFocus);
    }

    void animatedBannerPlaysInALoop()
    {
        LoopingMovie movie(test::twoFrameGif());
        // Frames are decoded as they are shown, never kept: replaying must work without a cache.
        QCOMPARE(movie.cacheMode(), QMovie::CacheNone);
        QVERIFY(movie.isValid());
        QCOMPARE(movie.frameCount(), 2);
        QCOMPARE(movie.loopCount(), 0); // the GIF itself asks to be played once
        QSignalSpy frames(&movie, &QMovie::frameChanged);

        movie.start();
        QVERIFY(movie.jumpToNextFrame());
        movie.jumpToNextFrame(); // past the last frame: the picture has come to its end
        QCoreApplication::processEvents();
        QCOMPARE(movie.restarts(), 1);
        QCOMPARE(movie.state(), QMovie::Running);
        QCOMPARE(movie.currentFrameNumber(), 0);

        movie.jumpToNextFrame();
        movie.jumpToNextFrame();
        QCoreApplication::processEvents();
        QCOMPARE(movie.restarts(), 2);
        QCOMPARE(movie.state(), QMovie::Running);
        QCOMPARE(frames.size(), 5);
        QCOMPARE(frames.last().first().toInt(), 0);
    }

    void stoppedMovieStaysStopped()
    {
        LoopingMovie movie(test::twoFrameGif());
        movie.start();
        movie.stop();
        QCoreApplication::processEvents();
        QCOMPARE(movie.state(), QMovie::NotRunning);
        QCOMPARE(movie.restarts(), 0);
    }
};

QTEST_MAIN(LinkLabelTest)
#include "LinkLabelTest.moc"
