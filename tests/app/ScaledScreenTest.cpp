// The main window on the screen a seller reported: 1280 x 800 pixels at 150 % scale, that is
// 853 x 533 device-independent pixels.
#include "app/FMain.h"
#include "common/TestSites.h"
#include "ui/Skin.h"

#include <QApplication>
#include <QFile>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

using namespace vo;

class ScaledScreenTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void opensInsideTheScreenWithSharpIcons()
    {
        const QScreen *screen = QGuiApplication::primaryScreen();
        QCOMPARE(screen->devicePixelRatio(), 1.5);
        QCOMPARE(screen->availableGeometry().size(), QSize(853, 533));
        const QTemporaryDir dir;
        TfrmMain window{AppFolder(dir.path())};
        window.setUpdateBaseUrl(vo::test::kNoUpdateSite);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        const QRect frame = window.frameGeometry();
        QVERIFY2(screen->availableGeometry().contains(frame), qPrintable(QStringLiteral("%1,%2 %3x%4").arg(
            frame.x()).arg(frame.y()).arg(frame.width()).arg(frame.height())));
        QVERIFY(window.width() >= window.minimumWidth() && window.height() >= window.minimumHeight());

        auto *news = window.findChild<QToolButton *>(QStringLiteral("btnNews"));
        const QPixmap drawn = news->icon().pixmap(news->iconSize(), screen->devicePixelRatio());
        QCOMPARE(drawn.size(), news->iconSize() * 1.5);
    }
};

int main(int argc, char **argv)
{
    const QTemporaryDir dir;
    const QString config = dir.filePath(QStringLiteral("screen.json"));
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly))
        return 1;
    // The offscreen screen takes its size in device-independent pixels.
    file.write(R"({"screens": [{"name": "laptop", "x": 0, "y": 0, "width": 853, "height": 533,
                   "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1.5}]})");
    file.close();
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + config.toLocal8Bit());
    QApplication app(argc, argv);
    skin::apply(skin::builtIn());
    ScaledScreenTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "ScaledScreenTest.moc"
