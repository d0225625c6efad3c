#include "common/ModalDriver.h"
#include "settings/FSettings.h"
#include "ui/AnsiLineEdit.h"
#include "ui/IntegerEdit.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>

using namespace vo;
using vo::test::child;

namespace {

ServerSettings filled()
{
    ServerSettings s;
    s.swebserver = "http://shop.example";
    s.shostname = "db";
    s.sdatabase = "shop";
    s.susername = "u";
    s.spassword = "secret \xE9";
    s.sExpireTimeout = 24;
    s.sMaxDownloads = 3;
    s.sMaxIPs = -1;
    s.sSecretKey = "sk";
    return s;
}

} // namespace

class SettingsDialogTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void opensWithTheRecordsValues()
    {
        ServerSettings settings = filled();
        TfrmSettings dialog(settings);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Settings"));
        QCOMPARE(dialog.size(), QSize(444, 382));
        QCOMPARE(child<AnsiLineEdit>(&dialog, "edtSite")->text(), QStringLiteral("http://shop.example"));
        QCOMPARE(child<AnsiLineEdit>(&dialog, "edtPassword")->text(), QString::fromUtf8("secret \u00E9"));
        QCOMPARE(child<AnsiLineEdit>(&dialog, "edtPassword")->echoMode(), QLineEdit::Normal);
        QCOMPARE(child<TIntegerEdit>(&dialog, "edtExpire")->value(), 24);
        QCOMPARE(child<TIntegerEdit>(&dialog, "edtIPs")->text(), QStringLiteral("-1"));
        QCOMPARE(child<AnsiLineEdit>(&dialog, "edtSecretKey")->bytes(), QByteArray("sk"));
    }

    void controlsStandWhereTheSellerExpectsThem()
    {
        ServerSettings settings;
        TfrmSettings dialog(settings);
        QCOMPARE(child<QWidget>(&dialog, "edtSite")->geometry().topLeft(), QPoint(116, 14));
        QCOMPARE(child<QWidget>(&dialog, "edtSite")->width(), 270);
        QCOMPARE(child<QWidget>(&dialog, "edtIPs")->geometry().topLeft(), QPoint(160, 251));
        QCOMPARE(child<QWidget>(&dialog, "edtIPs")->width(), 65);
        QCOMPARE(child<QPushButton>(&dialog, "btnOk")->geometry(), QRect(132, 327, 75, 25));
        QCOMPARE(child<QPushButton>(&dialog, "btnCancel")->geometry(), QRect(215, 327, 75, 25));
        QCOMPARE(child<QLabel>(&dialog, "bsSkinStdLabel11")->text(), QStringLiteral("Max Number of IP addresses:"));
        QCOMPARE(child<QLabel>(&dialog, "bsSkinStdLabel6")->text(), QStringLiteral("hours. Set 0 to disable this feature."));
        // Screen readers announce each box by its label.
        QCOMPARE(child<QWidget>(&dialog, "edtDownloads")->accessibleName(), QStringLiteral("Max. Number of Downloads:"));
        QCOMPARE(child<QLabel>(&dialog, "bsSkinStdLabel1")->buddy(), child<QWidget>(&dialog, "edtSite"));
    }

    void focusMovesThroughTheFieldsWithTheSecretKeyLast()
    {
        ServerSettings settings;
        TfrmSettings dialog(settings);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        QCOMPARE(QApplication::focusWidget(), child<QWidget>(&dialog, "edtSite"));
        QStringList order;
        for (int i = 0; i < 9; ++i) {
            order << QApplication::focusWidget()->objectName();
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        QCOMPARE(order.join(u' '), QStringLiteral("edtSite edtHostname edtDatabase edtUsername edtPassword "
                                                  "edtExpire edtDownloads edtIPs edtSecretKey"));
        QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("edtSite"));
        QCOMPARE(child<QPushButton>(&dialog, "btnOk")->focusPolicy(), Qt::NoFocus);
    }

    void enterAndEscapeDoNotCloseIt()
    {
        ServerSettings settings = filled();
        TfrmSettings dialog(settings);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        QTest::keyClick(child<QWidget>(&dialog, "edtSite"), Qt::Key_Return);
        QTest::keyClick(child<QWidget>(&dialog, "edtSite"), Qt::Key_Enter);
        QTest::keyClick(&dialog, Qt::Key_Escape);
        QVERIFY(dialog.isVisible());
        QCOMPARE(dialog.result(), 0);
        QCOMPARE(settings, filled());
    }

    void okStoresTheFieldsAsTyped()
    {
        ServerSettings settings = filled();
        TfrmSettings dialog(settings);
        child<AnsiLineEdit>(&dialog, "edtSite")->setText(QStringLiteral("  http://new.example/  "));
        child<AnsiLineEdit>(&dialog, "edtHostname")->clear();
        child<TIntegerEdit>(&dialog, "edtExpire")->setText(QStringLiteral("-3"));
        child<TIntegerEdit>(&dialog, "edtDownloads")->setText(QStringLiteral("abc"));
        child<AnsiLineEdit>(&dialog, "edtSecretKey")->setText(QString::fromUtf8("\u20AC"));
        QTest::mouseClick(child<QPushButton>(&dialog, "btnOk"), Qt::LeftButton);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));

        ServerSettings expected = filled();
        expected.swebserver = "  http://new.example/  ";
        expected.shostname = "";
        expected.sExpireTimeout = -3;
        expected.sSecretKey = "\x80";
        QCOMPARE(settings, expected);
    }

    void cancelChangesNothing()
    {
        ServerSettings settings = filled();
        TfrmSettings dialog(settings);
        child<AnsiLineEdit>(&dialog, "edtSite")->setText(QStringLiteral("changed"));
        child<TIntegerEdit>(&dialog, "edtIPs")->setText(QStringLiteral("99"));
        QTest::mouseClick(child<QPushButton>(&dialog, "btnCancel"), Qt::LeftButton);
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QCOMPARE(settings, filled());
    }
};

QTEST_MAIN(SettingsDialogTest)
#include "SettingsDialogTest.moc"
