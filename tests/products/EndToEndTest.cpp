// The console against the demo site, as a new seller meets them: add, list, edit, thanks link,
// delete, with nothing between the two but the network.
#include "app/FMain.h"
#include "common/DemoSiteProcess.h"
#include "common/ModalDriver.h"
#include "common/TestSites.h"
#include "net/IdHTTP.h"
#include "ui/AnsiLineEdit.h"
#include "ui/MessageBox.h"

#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

using namespace vo;
using vo::test::child;
using vo::test::whenModalShown;

class EndToEndTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void sellerManagesProductsOnTheDemoSite()
    {
        QTemporaryDir siteData;
        QTemporaryDir appFolder;
        vo::test::SiteProcess site;
        const quint16 port = site.start(siteData.path());
        QVERIFY(port != 0);
        const QByteArray siteUrl = "http://127.0.0.1:" + QByteArray::number(port);
        {
            QFile settings(appFolder.filePath(QStringLiteral("hsettings.dat")));
            QVERIFY(settings.open(QIODevice::WriteOnly));
            settings.write("[Settings]\r\nswebserver=" + siteUrl + "\r\n");
        }
        TMessageBox::beginScript();

        TfrmMain window{AppFolder(appFolder.path())};
        window.setUpdateBaseUrl(vo::test::kNoUpdateSite);
        QSignalSpy legs(&window, &TfrmMain::startupLegStarted);
        window.show();
        auto *list = child<QTableView>(&window, "lvwProducts");
        auto *total = child<QLabel>(&window, "lblTotal");
        const auto click = [&](const char *name) { QTest::mouseClick(child<QPushButton>(&window, name), Qt::LeftButton); };
        const auto cell = [&](int row, int column) { return list->model()->index(row, column).data().toString(); };

        // A new site answers the check and lists nothing.
        QTRY_COMPARE(legs.count(), 4);
        QTRY_COMPARE(total->text(), QStringLiteral("Total: 0 product(s)"));

        for (const char *name : {"Zebra Guide", "Apple Book"}) {
            whenModalShown([name](QWidget *dialog) {
                child<AnsiLineEdit>(dialog, "edtProdName")->setText(QString::fromLatin1(name));
                child<AnsiLineEdit>(dialog, "edtProdFolder")->setText(QStringLiteral("files"));
                child<AnsiLineEdit>(dialog, "edtProdThanksPage")->setText(QStringLiteral("thanks.html"));
                QTest::mouseClick(child<QPushButton>(dialog, "btnOk"), Qt::LeftButton);
            });
            click("btnAdd");
        }
        QCOMPARE(total->text(), QStringLiteral("Total: 2 product(s)"));
        QCOMPARE(cell(0, 0), QStringLiteral("Apple Book"));
        QCOMPARE(cell(1, 0), QStringLiteral("Zebra Guide"));
        const QString appleCode = cell(0, 3);
        QVERIFY(!appleCode.isEmpty());

        // The same name again is refused by the site.
        whenModalShown([](QWidget *dialog) {
            child<AnsiLineEdit>(dialog, "edtProdName")->setText(QStringLiteral("Apple Book"));
            child<AnsiLineEdit>(dialog, "edtProdFolder")->setText(QStringLiteral("x"));
            child<AnsiLineEdit>(dialog, "edtProdThanksPage")->setText(QStringLiteral("y"));
            QTest::mouseClick(child<QPushButton>(dialog, "btnOk"), Qt::LeftButton);
        });
        click("btnAdd");
        QCOMPARE(TMessageBox::takeShown().at(0).text,
                 QStringLiteral("This Product Name already exists. Please enter a new Name when add a new Product."));

        // Renaming makes the site give the product a new code.
        list->selectRow(0);
        whenModalShown([&](QWidget *dialog) {
            QCOMPARE(child<AnsiLineEdit>(dialog, "edtCode")->text(), appleCode);
            child<AnsiLineEdit>(dialog, "edtProdName")->setText(QStringLiteral("Apple Book II"));
            QTest::mouseClick(child<QPushButton>(dialog, "btnOk"), Qt::LeftButton);
        });
        click("btnEdit");
        QCOMPARE(cell(0, 0), QStringLiteral("Apple Book II"));
        const QString newCode = cell(0, 3);
        QVERIFY(newCode != appleCode);

        // The thanks link opens the product's page on the site.
        list->selectRow(0);
        QByteArray link;
        whenModalShown([&](QWidget *dialog) {
            link = child<AnsiLineEdit>(dialog, "edtURLs")->bytes();
            QTest::mouseClick(child<QPushButton>(dialog, "btnOk"), Qt::LeftButton);
        });
        click("bsSkinButton2");
        QVERIFY2(link.startsWith(siteUrl + "/thanks.php?id=" + newCode.toLatin1() + "&sk="), link.constData());
        const QByteArray page = window.http().GetText(link);
        QVERIFY2(page.contains("Apple Book II"), page.constData());

        click("btnSelectAll");
        TMessageBox::queueAnswer(TMessageBox::Answer::Ok);
        click("btnDelete");
        QCOMPARE(list->model()->rowCount(), 0);
        QCOMPARE(total->text(), QStringLiteral("Total: 0 products(s)"));
        TMessageBox::endScript();
        QVERIFY(site.stopCleanly());
    }
};

QTEST_MAIN(EndToEndTest)
#include "EndToEndTest.moc"
