// The news balloon: its placement cycle as a pure function, and the live widget: anchored at
// the News button, on top without the focus, one at a time, gone at the next mouse button,
// wheel or change of activation.
#include "news/NewsHint.h"

#include <QAccessible>
#include <QApplication>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <memory>

using namespace vo;

class NewsHintTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<QWidget> window_;
    QPushButton *button_ = nullptr;
    QPushButton *other_ = nullptr;

private Q_SLOTS:
    void init()
    {
        window_ = std::make_unique<QWidget>();
        window_->resize(400, 300);
        button_ = new QPushButton(QStringLiteral("News"), window_.get());
        button_->setGeometry(300, 5, 41, 34);
        other_ = new QPushButton(QStringLiteral("Other"), window_.get());
        other_->setGeometry(10, 100, 80, 20);
        window_->move(200, 150);
        window_->show();
        QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
        other_->setFocus();
    }
    void cleanup()
    {
        window_.reset();
        QTRY_VERIFY(!TNewsHint::current());
    }

    void placementCycle_data()
    {
        QTest::addColumn<QRect>("screen");
        QTest::addColumn<QPoint>("anchor");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QRect>("expected");
        const QRect screen(0, 0, 800, 600);
        const QSize size(100, 40);
        QTest::newRow("below-left") << screen << QPoint(400, 300) << size << QRect(297, 301, 100, 40);
        QTest::newRow("below-left, touching the edge") << screen << QPoint(103, 559) << size << QRect(0, 560, 100, 40);
        QTest::newRow("below-right") << screen << QPoint(50, 300) << size << QRect(56, 301, 100, 40);
        QTest::newRow("above-left") << screen << QPoint(790, 590) << size << QRect(689, 549, 100, 40);
        QTest::newRow("above-right") << screen << QPoint(50, 590) << size << QRect(51, 549, 100, 40);
        QTest::newRow("none fits: the last") << screen << QPoint(400, 300) << QSize(900, 40) << QRect(401, 259, 900, 40);
        QTest::newRow("second screen") << QRect(800, 0, 800, 600) << QPoint(850, 300) << size << QRect(856, 301, 100, 40);
    }
    void placementCycle()
    {
        QFETCH(QRect, screen);
        QFETCH(QPoint, anchor);
        QFETCH(QSize, size);
        QFETCH(QRect, expected);
        QCOMPARE(placeHint(anchor, size, screen), expected);
    }

    void shownAtTheButtonWithoutTakingTheFocus()
    {
        const QByteArray text = "You've Got A Message!\r\nA long title that has to wrap because it is much wider "
                                "than a quarter of the screen, and then some more words \xE9t\xE9";
        TNewsHint *hint = ShowNewsHint(*button_, text);
        QVERIFY(hint);
        QCOMPARE(TNewsHint::current(), hint);
        QCOMPARE(hint->objectName(), QStringLiteral("LMDMessageHint1"));
        QVERIFY(hint->isVisible());
        QVERIFY(hint->windowFlags().testFlag(Qt::ToolTip));
        QVERIFY(hint->windowFlags().testFlag(Qt::WindowDoesNotAcceptFocus));
        QVERIFY(hint->testAttribute(Qt::WA_ShowWithoutActivating));
        QCOMPARE(hint->text(), QStringLiteral("You've Got A Message!\nA long title that has to wrap because it is much "
                                              "wider than a quarter of the screen, and then some more words \u00e9t\u00e9"));
        QCOMPARE(hint->accessibleName(), hint->text());
        QCOMPARE(hint->font().family(), QStringLiteral("MS Sans Serif"));
        QCOMPARE(hint->font().pointSize(), 8);

        // The anchor: the button's own left + width div 2 and top + height div 2, in the
        // window's client area.
        const QPoint anchor = window_->mapToGlobal(QPoint(300 + 20, 5 + 17));
        QCOMPARE(newsHintAnchor(*button_), anchor);
        const QRect screen = window_->screen()->geometry();
        QVERIFY(hint->width() <= screen.width() / 4 + 2 * 4 + TNewsHint::kShadowDepth);
        QVERIFY(hint->height() > 3 * QFontMetrics(hint->font()).height());
        QCOMPARE(hint->geometry(), placeHint(anchor, hint->size(), screen));

        QCOMPARE(QApplication::focusWidget(), other_);
    }

    void hugeTitleIsCutAndTheBalloonStaysOnTheScreen()
    {
        // Short lines make it tall, one word without a break makes it wide.
        const QByteArray title = QByteArray("line\r\n").repeated(20000) + QByteArray(100000, 'w');
        const QByteArray text = "You've Got A Message!\r\n" + title;
        TNewsHint *hint = ShowNewsHint(*button_, text);
        QString shown = QString::fromLatin1(text.left(400)) + QStringLiteral("...");
        shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        QCOMPARE(hint->text(), shown);
        const QRect screen = window_->screen()->geometry();
        const int frame = 2 * 4 + TNewsHint::kShadowDepth;
        QVERIFY(hint->width() <= screen.width() / 4 + frame);
        QVERIFY(hint->height() <= screen.height() / 3 + frame);

        const QByteArray word = "You've Got A Message!\r\n" + QByteArray(100000, 'w');
        hint = ShowNewsHint(*button_, word);
        QVERIFY(hint->width() <= screen.width() / 4 + frame);
    }

    void aSecondBalloonReplacesTheFirst()
    {
        const QPointer<TNewsHint> first = ShowNewsHint(*button_, "one");
        const QPointer<TNewsHint> second = ShowNewsHint(*button_, "two");
        QCOMPARE(TNewsHint::current(), second.data());
        QTRY_VERIFY(first.isNull());
        QVERIFY(second->isVisible());
        QCOMPARE(window_->findChildren<TNewsHint *>().size(), 1);
    }

    void goneAtTheNextMouseButtonWhichGoesNowhereElse()
    {
        const QPointer<TNewsHint> hint = ShowNewsHint(*button_, "news");
        const QSignalSpy clicked(other_, &QPushButton::clicked);
        QTest::mouseClick(other_, Qt::LeftButton);
        QTRY_VERIFY(hint.isNull());
        QCOMPARE(TNewsHint::current(), nullptr);
        QCOMPARE(clicked.count(), 0);
        // Once it is gone, clicks reach their widgets again.
        QTest::mouseClick(other_, Qt::LeftButton);
        QCOMPARE(clicked.count(), 1);
    }

    void announcedAsANotification()
    {
        const QPointer<TNewsHint> hint = ShowNewsHint(*button_, "You've Got A Message!\r\nSale");
        QAccessibleInterface *entry = QAccessible::queryAccessibleInterface(hint.data());
        QVERIFY(entry);
        QCOMPARE(entry->role(), QAccessible::Notification);
        QCOMPARE(entry->text(QAccessible::Name), QStringLiteral("You've Got A Message!\nSale"));
    }

    void goneAtAWheelTurn()
    {
        const QPointer<TNewsHint> hint = ShowNewsHint(*button_, "news");
        QWheelEvent wheel(QPointF(5, 5), other_->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, 120), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(other_, &wheel);
        QTRY_VERIFY(hint.isNull());
    }

    void goneWhenTheApplicationIsActivatedOrDeactivated_data()
    {
        QTest::addColumn<int>("type");
        QTest::newRow("deactivated") << int(QEvent::ApplicationDeactivate);
        QTest::newRow("activated") << int(QEvent::ApplicationActivate);
    }
    void goneWhenTheApplicationIsActivatedOrDeactivated()
    {
        QFETCH(int, type);
        const QPointer<TNewsHint> hint = ShowNewsHint(*button_, "news");
        // Key presses and mouse moves leave it in place.
        QTest::keyClick(other_, Qt::Key_A);
        QTest::mouseMove(other_);
        QApplication::processEvents();
        QVERIFY(!hint.isNull());
        QEvent change(static_cast<QEvent::Type>(type));
        QApplication::sendEvent(qApp, &change);
        QTRY_VERIFY(hint.isNull());
    }
};

QTEST_MAIN(NewsHintTest)
#include "NewsHintTest.moc"
