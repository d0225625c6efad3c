#include "app/FMain.h"
#include "common/Files.h"
#include "common/ModalDriver.h"
#include "common/TestSites.h"
#include "net/IdHTTP.h"
#include "ui/AnsiLineEdit.h"
#include "ui/IntegerEdit.h"
#include "ui/MessageBox.h"
#include "ui/Skin.h"
#include "ui/WindowPlacement.h"

#include <QAccessible>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QStringList>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

using namespace vo;
using vo::test::child;
using vo::test::readFile;
using vo::test::whenModalShown;

namespace {

// The widgets that are moved into a parent with controls of their own already inside: under the
// skin's style sheet each such move styles the whole subtree again.
class SubtreeMoves : public QObject
{
public:
    SubtreeMoves() { qApp->installEventFilter(this); }
    ~SubtreeMoves() override { qApp->removeEventFilter(this); }
    QStringList moved;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::ParentChange && watched->findChild<QWidget *>())
            moved << watched->objectName();
        return false;
    }
};

} // namespace

class MainWindowTest : public QObject
{
    Q_OBJECT

    QTemporaryDir dir_;
    AppFolder folder() const { return AppFolder(dir_.path()); }

    void pressSettingsAnd(TfrmMain &window, std::function<void(QWidget *)> act)
    {
        whenModalShown(std::move(act));
        QTest::mouseClick(child<QPushButton>(&window, "btnSimple"), Qt::LeftButton);
    }

private Q_SLOTS:
    // Captions are measured in the font the program draws them in.
    void initTestCase() { skin::apply(skin::builtIn()); }

    void init()
    {
        QDir(dir_.path()).removeRecursively();
        QDir().mkpath(dir_.path());
        TMessageBox::beginScript();
    }
    void cleanup() { TMessageBox::endScript(); }

    void opensOnTheMainPageWithEveryControl()
    {
        TfrmMain window(folder());
        window.setUpdateBaseUrl(vo::test::kNoUpdateSite);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        QCOMPARE(window.windowTitle(), QStringLiteral("Vantrel Oskel"));
        // 855 x 586 where the screen has room; the offscreen screen is only 800 wide.
        QCOMPARE(window.height(), 586);
        QCOMPARE(window.width(), qMax(800 - kFrameAllowance.left() - kFrameAllowance.right(), window.minimumWidth()));
        auto *pages = child<QStackedWidget>(&window, "pgcPrinc");
        QCOMPARE(pages->count(), 1);
        QCOMPARE(pages->currentWidget()->objectName(), QStringLiteral("stsMain"));
        QTRY_VERIFY(!child<QWidget>(&window, "stsWelcome"));

        const std::pair<const char *, const char *> captions[] = {
            {"btnSimple", "Settings"}, {"btnMakeMoney", "Make Money"}, {"btnAbout", "About"},
            {"btnSelectAll", "Select All"}, {"btnClearAll", "Clear Selection"}, {"btnAdd", "Add "},
            {"btnEdit", "Edit"}, {"btnDelete", "Delete"}, {"btnDeleteAll", "Delete All"},
            {"bsSkinButton2", "Get Thanks Page URL"}, {"btnRefresh", "Refresh"},
        };
        for (const auto &[name, caption] : captions) {
            auto *button = child<QPushButton>(&window, name);
            QVERIFY2(button, name);
            QCOMPARE(button->text(), QString::fromLatin1(caption));
        }
        QCOMPARE(child<QPushButton>(&window, "btnSimple")->size(), QSize(99, 20));

        const std::pair<const char *, const char *> hints[] = {
            {"btnNews", "Check News"}, {"bsSkinSpeedButton1", "Check Updates"}, {"bsSkinSpeedButton2", "Help"}};
        for (const auto &[name, hint] : hints) {
            auto *button = child<QToolButton>(&window, name);
            QVERIFY2(button, name);
            QCOMPARE(button->toolTip(), QString::fromLatin1(hint));
            QCOMPARE(button->accessibleName(), QString::fromLatin1(hint));
            QCOMPARE(button->size(), QSize(41, 34));
        }
        // The tool buttons stay at the right edge.
        auto *help = child<QToolButton>(&window, "bsSkinSpeedButton2");
        const int gap = window.width() - help->mapTo(&window, QPoint(help->width(), 0)).x();
        window.resize(1000, 600);
        QTRY_COMPARE(window.width() - help->mapTo(&window, QPoint(help->width(), 0)).x(), gap);

        QCOMPARE(child<QWidget>(&window, "bsSkinPanel4")->height(), 43);
        QCOMPARE(child<QWidget>(&window, "panBanner")->height(), 65);
        QCOMPARE(child<QWidget>(&window, "panLinks")->height(), 36);
        QCOMPARE(child<QWidget>(&window, "bsSkinStatusBar1")->height(), 17);
        QCOMPARE(child<QLabel>(&window, "lblTotal")->text(), QStringLiteral("Total: 0 products"));
        QCOMPARE(child<QLabel>(&window, "lblLink1URL")->text(), QStringLiteral("Google"));
        QCOMPARE(child<QLabel>(&window, "lblLink2URL")->text(), QStringLiteral("Google"));
        QVERIFY(child<QLabel>(&window, "bsSkinStdLabel3")->text().contains(QStringLiteral("If you do a chage in the product name")));
        auto *gauge = child<QProgressBar>(&window, "MainGauge");
        QCOMPARE(gauge->width(), 130);
        QCOMPARE(gauge->value(), 0);
        QCOMPARE(gauge->text(), QStringLiteral("0%"));
        QCOMPARE(child<QLabel>(&window, "MainStatusPanel")->text(), QString());

        auto *list = child<QTableView>(&window, "lvwProducts");
        QCOMPARE(list->model()->columnCount(), 4);
        const char *headers[] = {"Product Name", "Folder", "Thanks Page", "Code"};
        const int widths[] = {200, 150, 150, 250};
        for (int column = 0; column < 4; ++column) {
            QCOMPARE(list->model()->headerData(column, Qt::Horizontal).toString(), QString::fromLatin1(headers[column]));
            QCOMPARE(list->columnWidth(column), widths[column]);
        }
        QCOMPARE(list->selectionBehavior(), QAbstractItemView::SelectRows);
        QCOMPARE(list->selectionMode(), QAbstractItemView::ExtendedSelection);
        QVERIFY(list->showGrid());
    }

    // Styling every control once, not again for each parent its subtree is moved into, is most
    // of how soon the window opens.
    void controlsAreBuiltInPlace()
    {
        const SubtreeMoves moves;
        const TfrmMain window(folder());
        QCOMPARE(moves.moved, QStringList());
    }

    void placementFitsTheFreeArea_data()
    {
        QTest::addColumn<QRect>("available");
        QTest::addColumn<QRect>("client");
        QTest::newRow("room to spare: centred") << QRect(0, 0, 1920, 1050) << QRect(532, 246, 855, 586);
        // 1280 x 800 at 150 % is 853 x 533, less a 23-pixel panel: the title bar stays on it.
        QTest::newRow("150 % on 1280 x 800") << QRect(0, 23, 853, 510) << QRect(4, 55, 845, 474);
        QTest::newRow("below the minimum: from the corner") << QRect(100, 0, 800, 300) << QRect(104, 32, 813, 340);
    }
    void placementFitsTheFreeArea()
    {
        QFETCH(QRect, available);
        QFETCH(QRect, client);
        QCOMPARE(placeWindow(QSize(855, 586), QSize(813, 340), kFrameAllowance, available), client);
    }

    // What a narrowed window, a scaled screen and a screen reader get.
    void captionsIconsAndAccessibleNames()
    {
        TfrmMain window(folder());
        window.setUpdateBaseUrl(vo::test::kNoUpdateSite);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.resize(1, 1);
        QTRY_COMPARE(window.size(), window.minimumSize());
        for (QPushButton *button : window.findChildren<QPushButton *>())
            QVERIFY2(!button->isVisible() || button->width() >= button->sizeHint().width(), qPrintable(button->text()));
        auto *note = child<QLabel>(&window, "bsSkinStdLabel3");
        QVERIFY(note->height() >= note->heightForWidth(note->width()));

        for (const char *name : {"btnNews", "bsSkinSpeedButton1", "bsSkinSpeedButton2"}) {
            auto *button = child<QToolButton>(&window, name);
            for (const qreal scale : {1.5, 2.0}) // as many pixels as the screen has, not a picture stretched
                QCOMPARE(button->icon().pixmap(button->iconSize(), scale).size(), button->iconSize() * scale);
        }

        const auto name = [&window](const char *widget) {
            return QAccessible::queryAccessibleInterface(child<QWidget>(&window, widget))->text(QAccessible::Name);
        };
        QCOMPARE(QAccessible::queryAccessibleInterface(&window)->role(), QAccessible::Window);
        QCOMPARE(name("btnAdd"), QStringLiteral("Add"));
        QCOMPARE(name("imgBanner"), QString());
        QCOMPARE(name("MainStatusPanel"), QString());
    }

    void bannerIsCentredWithHalvesTruncated()
    {
        TfrmMain window(folder());
        window.setUpdateBaseUrl(vo::test::kNoUpdateSite);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto *strip = child<QWidget>(&window, "panBanner");
        for (const char *name : {"imgBanner", "gifBanner"}) {
            auto *banner = child<QLabel>(&window, name);
            banner->resize(105, 21);
            window.resize(window.width() + 40, window.height());
            QTRY_COMPARE(banner->pos().y(), 22);
            window.resize(853 + (window.width() - strip->width()), window.height());
            QTRY_COMPARE(strip->width(), 853);
            QTRY_COMPARE(banner->pos(), QPoint(426 - 52, 32 - 10));
        }
    }

    void startupSequenceRunsOnceInOrder()
    {
        TfrmMain window(folder());
        window.setUpdateBaseUrl(vo::test::kNoUpdateSite);
        QSignalSpy legs(&window, &TfrmMain::startupLegStarted);
        auto *timer = child<QTimer>(&window, "Timer1");
        QVERIFY(timer->isActive());
        QCOMPARE(timer->interval(), 100);
        QCOMPARE(legs.count(), 0);
        window.show();

        QTRY_COMPARE(legs.count(), 3);
        QCOMPARE(legs.at(0).at(0).toString(), QStringLiteral("news"));
        QCOMPARE(legs.at(1).at(0).toString(), QStringLiteral("updates"));
        // Without a site the server check fails, so the product list is not requested.
        QCOMPARE(legs.at(2).at(0).toString(), QStringLiteral("server"));
        QVERIFY(!timer->isActive());
        QCOMPARE(window.http().ReadTimeout(), 60000);
        QTest::qWait(300);
        QCOMPARE(legs.count(), 3);
        QVERIFY(TMessageBox::takeShown().isEmpty());
    }

    void closingBeforeTheTimerStopsTheSequence()
    {
        TfrmMain window(folder());
        window.setUpdateBaseUrl(vo::test::kNoUpdateSite);
        QSignalSpy legs(&window, &TfrmMain::startupLegStarted);
        window.show();
        window.close();
        QTest::qWait(300);
        QCOMPARE(legs.count(), 0);
        QVERIFY(!child<QTimer>(&window, "Timer1")->isActive());
    }

    void settingsAreLoadedAtCreation()
    {
        QFile file(dir_.filePath(QStringLiteral("hsettings.dat")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[settings]\r\nswebserver=http://site.example\r\nsMaxIPs=0x10\r\n");
        file.close();
        TfrmMain window(folder());
        window.setUpdateBaseUrl(vo::test::kNoUpdateSite);
        QCOMPARE(window.serverSettings().swebserver, QByteArray("http://site.example"));
        QCOMPARE(window.serverSettings().sMaxIPs, 16);
    }

    void settingsOkWritesBothFiles()
    {
        TfrmMain window(folder());
        window.setUpdateBaseUrl(vo::test::kNoUpdateSite);
        window.show();
        pressSettingsAnd(window, [](QWidget *dialog) {
            QCOMPARE(dialog->objectName(), QStringLiteral("TfrmSettings"));
            child<AnsiLineEdit>(dialog, "edtSite")->setText(QStringLiteral("http://shop.example"));
            child<AnsiLineEdit>(dialog, "edtPassword")->setText(QStringLiteral("pa$$"));
            child<TIntegerEdit>(dialog, "edtDownloads")->setText(QStringLiteral("5"));
            QTest::mouseClick(child<QPushButton>(dialog, "btnOk"), Qt::LeftButton);
        });
        QCOMPARE(window.serverSettings().swebserver, QByteArray("http://shop.example"));
        QVERIFY(readFile(dir_.filePath(QStringLiteral("hsettings.dat"))).contains("swebserver=http://shop.example\r\n"));
        const QByteArray php = readFile(dir_.filePath(QStringLiteral("config.php")));
        QVERIFY(php.contains("  $password=\"pa\\$\\$\";\r\n"));
        QVERIFY(php.contains("  $sMaxDownloads=\"5\";\r\n"));

        // Reopening shows what was stored; Ok without changes still rewrites both files.
        QFile::remove(dir_.filePath(QStringLiteral("config.php")));
        pressSettingsAnd(window, [](QWidget *dialog) {
            QCOMPARE(child<AnsiLineEdit>(dialog, "edtSite")->text(), QStringLiteral("http://shop.example"));
            QCOMPARE(child<TIntegerEdit>(dialog, "edtDownloads")->value(), 5);
            QTest::mouseClick(child<QPushButton>(dialog, "btnOk"), Qt::LeftButton);
        });
        QCOMPARE(readFile(dir_.filePath(QStringLiteral("config.php"))), php);
        QVERIFY(TMessageBox::takeShown().isEmpty());
    }

    void settingsCancelLeavesMemoryAndDisk()
    {
        TfrmMain window(folder());
        window.setUpdateBaseUrl(vo::test::kNoUpdateSite);
        window.show();
        pressSettingsAnd(window, [](QWidget *dialog) {
            child<AnsiLineEdit>(dialog, "edtSite")->setText(QStringLiteral("http://other.example"));
            QTest::mouseClick(child<QPushButton>(dialog, "btnCancel"), Qt::LeftButton);
        });
        QCOMPARE(window.serverSettings().swebserver, QByteArray());
        QCOMPARE(QDir(dir_.path()).entryList(QDir::Files).size(), 0);
    }

    void unwritableSettingsFileIsReportedAndNothingMoreIsWritten()
    {
        QVERIFY(QDir(dir_.path()).mkdir(QStringLiteral("hsettings.dat")));
        TfrmMain window(folder());
        window.setUpdateBaseUrl(vo::test::kNoUpdateSite);
        window.show();
        pressSettingsAnd(window, [](QWidget *dialog) {
            child<AnsiLineEdit>(dialog, "edtSite")->setText(QStringLiteral("http://kept.example"));
            QTest::mouseClick(child<QPushButton>(dialog, "btnOk"), Qt::LeftButton);
        });
        const auto shown = TMessageBox::takeShown();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown.front().kind, TMessageBox::Kind::Error);
        QCOMPARE(shown.front().text, QStringLiteral("Unable to write to ")
                                         + QDir::toNativeSeparators(dir_.filePath(QStringLiteral("hsettings.dat"))));
        QVERIFY(!QFile::exists(dir_.filePath(QStringLiteral("config.php"))));
        // The values stay in memory for the rest of the run, and the window goes on.
        QCOMPARE(window.serverSettings().swebserver, QByteArray("http://kept.example"));
        QVERIFY(window.isVisible());
    }
};

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
