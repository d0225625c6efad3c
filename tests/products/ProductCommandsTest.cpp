#include "app/FMain.h"
#include "common/ModalDriver.h"
#include "common/TestSites.h"
#include "products/ProductListModel.h"
#include "support/ScriptServer.h"
#include "ui/AnsiLineEdit.h"
#include "ui/MessageBox.h"

#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>

using namespace vo;
using vo::test::child;
using vo::test::parseMultipartFields;
using vo::test::ScriptedReply;
using vo::test::ScriptServer;
using vo::test::whenModalShown;

namespace {

using Fields = QList<QPair<QByteArray, QByteArray>>;

const QByteArray kThreeRows = "\"30\",\"Zeta\",\"z\",\"tz.html\",\"CZ\"^"
                              "\"10\",\"alpha\",\"c\",\"ta.html\",\"CA\"^"
                              "\"20\",\"Beta\",\"a\",\"tb.html\",\"CB\"^OK";

Fields sent(std::initializer_list<QPair<QByteArray, QByteArray>> fields)
{
    Fields all(fields);
    all.append(qMakePair(QByteArray("end"), QByteArray("\r\n")));
    return all;
}

// A reply that arrives only after `delayMs`, so the window goes on meanwhile.
ScriptedReply lateReply(const QByteArray &body, int delayMs)
{
    return ScriptedReply().pause(delayMs).send("HTTP/1.1 200 OK\r\nContent-Length: " + QByteArray::number(body.size())
                                               + "\r\n\r\n" + body);
}

QStringList strings(std::initializer_list<const char *> texts)
{
    QStringList list;
    for (const char *text : texts)
        list << QString::fromUtf8(text);
    return list;
}

struct Message
{
    TMessageBox::Kind kind;
    QString text;
};

} // namespace

class ProductCommandsTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<ScriptServer> server_;
    std::unique_ptr<TfrmMain> window_;

    QTableView *list() const { return child<QTableView>(window_.get(), "lvwProducts"); }
    QString total() const { return child<QLabel>(window_.get(), "lblTotal")->text(); }
    QString status() const { return child<QLabel>(window_.get(), "MainStatusPanel")->text(); }
    // What the seller reads beside the count about the site; empty while nothing is shown.
    QString siteNote() const
    {
        const QLabel *note = child<QLabel>(window_.get(), "lblSiteStatus");
        return note->isVisible() ? note->text() : QString();
    }
    static inline const QString kNotReached = QStringLiteral("Site not reached \u2014 press Refresh (F5) to try again");
    int requestCount() const { return int(server_->requests().size()); }

    QStringList column(int c) const
    {
        QStringList texts;
        for (int row = 0; row < list()->model()->rowCount(); ++row)
            texts << list()->model()->index(row, c).data().toString();
        return texts;
    }

    Fields fieldsOf(int request) const
    {
        const auto &recorded = server_->requests().at(request);
        return parseMultipartFields(recorded.body(), recorded.header("Content-Type"));
    }

    void click(const char *name) { QTest::mouseClick(child<QPushButton>(window_.get(), name), Qt::LeftButton); }

    void selectRows(std::initializer_list<int> rows)
    {
        list()->clearSelection();
        for (const int row : rows)
            list()->selectionModel()->select(list()->model()->index(row, 0),
                                             QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }

    // Opens the console on a site whose start-up check answers `check` and list `listReply`.
    void openWindow(const QByteArray &listReply = kThreeRows, const QByteArray &check = "OK")
    {
        QFile settings(dir_->filePath(QStringLiteral("hsettings.dat")));
        QVERIFY(settings.open(QIODevice::WriteOnly));
        settings.write("[Settings]\r\nswebserver=" + server_->url("/site") + "\r\n");
        settings.close();
        server_->queue(ScriptedReply::ok(check));
        if (check == "OK")
            server_->queue(ScriptedReply::ok(listReply));
        window_ = std::make_unique<TfrmMain>(AppFolder(dir_->path()));
        window_->setUpdateBaseUrl(vo::test::kNoUpdateSite);
        QSignalSpy legs(window_.get(), &TfrmMain::startupLegStarted);
        window_->show();
        QTRY_COMPARE(legs.count(), check == "OK" ? 4 : 3);
        QTRY_COMPARE(requestCount(), check == "OK" ? 2 : 1);
        QTRY_VERIFY(status().isEmpty());
    }

    static QList<Message> shown()
    {
        QList<Message> messages;
        for (const TMessageBox::Shown &s : TMessageBox::takeShown())
            messages.append({s.kind, s.text});
        return messages;
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
        window_.reset();
        server_.reset();
        dir_.reset();
        TMessageBox::endScript();
    }

    void startupLoadsTheListInNameOrder()
    {
        openWindow();
        QCOMPARE(fieldsOf(0), sent({{"action", "1"}}));
        QCOMPARE(fieldsOf(1), sent({{"action", "3"}}));
        QCOMPARE(column(0), strings({"alpha", "Beta", "Zeta"}));
        QCOMPARE(column(3), strings({"CA", "CB", "CZ"}));
        QCOMPARE(list()->model()->columnCount(), 4);
        QCOMPARE(total(), QStringLiteral("Total: 3 product(s)"));
        QCOMPARE(list()->horizontalHeader()->sortIndicatorOrder(), Qt::AscendingOrder);
        QVERIFY(shown().isEmpty());
    }

    void failedStartupCheckLeavesTheListEmptyAndSilent()
    {
        openWindow({}, "BAD");
        QCOMPARE(list()->model()->rowCount(), 0);
        QCOMPARE(total(), QStringLiteral("Total: 0 products"));
        QVERIFY(shown().isEmpty());
        // Beside the count, without a message box: the products are not gone, the site is not
        // reached. F5 tries again, and a load that read the reply clears the note.
        QCOMPARE(siteNote(), kNotReached);
        server_->queue(ScriptedReply::ok("OK"));
        server_->queue(ScriptedReply::ok(kThreeRows));
        QTest::keyClick(list(), Qt::Key_F5);
        QCOMPARE(total(), QStringLiteral("Total: 3 product(s)"));
        QCOMPARE(siteNote(), QString());
    }

    void statusReadsGettingDataWhileALoadWaits()
    {
        openWindow();
        server_->queue(ScriptedReply::ok("OK"));
        server_->queue(lateReply("^OK", 300));
        QString during;
        QTimer::singleShot(150, this, [&] { during = status(); });
        click("btnRefresh");
        QCOMPARE(during, QStringLiteral("Getting data..."));
        QCOMPARE(status(), QString());
        QCOMPARE(list()->model()->rowCount(), 0);
        QCOMPARE(total(), QStringLiteral("Total: 0 product(s)"));
    }

    void refreshReplies()
    {
        openWindow();
        // "OK" alone empties the list and leaves the count.
        server_->queue(ScriptedReply::ok("OK"));
        server_->queue(ScriptedReply::ok("OK"));
        click("btnRefresh");
        QCOMPARE(list()->model()->rowCount(), 0);
        QCOMPARE(total(), QStringLiteral("Total: 3 product(s)"));
        QCOMPARE(siteNote(), QString());

        // A line too short to be read keeps the rows before it and the count.
        server_->queue(ScriptedReply::ok("OK"));
        server_->queue(ScriptedReply::ok("\"1\",\"one\",\"f\",\"t\",\"c\"^\"2\",\"two\"^OK"));
        click("btnRefresh");
        QCOMPARE(column(0), strings({"one"}));
        QCOMPARE(total(), QStringLiteral("Total: 3 product(s)"));
        QCOMPARE(siteNote(), kNotReached);

        // A failed check sends no list request and keeps the rows.
        server_->queue(ScriptedReply::ok("NO"));
        const int before = requestCount();
        click("btnRefresh");
        QCOMPARE(requestCount(), before + 1);
        QCOMPARE(column(0), strings({"one"}));

        // A list reply without "OK" keeps the rows.
        server_->queue(ScriptedReply::ok("OK"));
        server_->queue(ScriptedReply::ok("\"9\",\"nine\",\"f\",\"t\",\"c\""));
        click("btnRefresh");
        QCOMPARE(column(0), strings({"one"}));
        QCOMPARE(siteNote(), kNotReached);
        QVERIFY(shown().isEmpty());
    }

    void headerClicksSortByColumnAndASecondClickReverses()
    {
        openWindow();
        QHeaderView *header = list()->horizontalHeader();
        const auto clickHeader = [&](int section) {
            QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                              QPoint(header->sectionViewportPosition(section) + 5, header->height() / 2));
        };
        clickHeader(1);
        QCOMPARE(column(1), strings({"a", "c", "z"}));
        clickHeader(1);
        QCOMPARE(column(1), strings({"z", "c", "a"}));
        clickHeader(0);
        QCOMPARE(column(0), strings({"alpha", "Beta", "Zeta"}));

        // Selections follow their rows through a sort.
        selectRows({0});
        clickHeader(0);
        QCOMPARE(list()->selectionModel()->selectedRows().size(), 1);
        QCOMPARE(list()->selectionModel()->selectedRows().at(0).row(), 2);

        // Every load puts the rows back in name order.
        clickHeader(3);
        clickHeader(3);
        server_->queue(ScriptedReply::ok("OK"));
        server_->queue(ScriptedReply::ok(kThreeRows));
        click("btnRefresh");
        QCOMPARE(column(0), strings({"alpha", "Beta", "Zeta"}));
    }

    void selectAllAndClearSelection()
    {
        openWindow();
        click("btnSelectAll");
        QCOMPARE(list()->selectionModel()->selectedRows().size(), 3);
        click("btnClearAll");
        QCOMPARE(list()->selectionModel()->selectedRows().size(), 0);
        QCOMPARE(requestCount(), 2);
    }

    void deleteSendsTheSelectedKeysInScreenOrder()
    {
        openWindow();
        selectRows({2, 0});
        TMessageBox::queueAnswer(TMessageBox::Answer::Ok);
        server_->queue(ScriptedReply::ok("OK"));
        server_->queue(ScriptedReply::ok("\"20\",\"Beta\",\"a\",\"tb.html\",\"CB\"^OK"));
        click("btnDelete");
        const auto messages = shown();
        QCOMPARE(messages.size(), 1);
        QCOMPARE(messages[0].text, QStringLiteral("Are you sure do you want to delete the selected items?"));
        QCOMPARE(messages[0].kind, TMessageBox::Kind::Warning);
        QCOMPARE(fieldsOf(2), sent({{"action", "2"}, {"deleteids", "10,30"}}));
        QCOMPARE(fieldsOf(3), sent({{"action", "3"}}));
        QCOMPARE(column(0), strings({"Beta"}));
        QCOMPARE(total(), QStringLiteral("Total: 1 products(s)"));
    }

    void deleteWithoutSelectionOrCancelledSendsNothing()
    {
        openWindow();
        click("btnDelete");
        QVERIFY(shown().isEmpty());
        QCOMPARE(total(), QStringLiteral("Total: 3 products(s)"));

        selectRows({1});
        TMessageBox::queueAnswer(TMessageBox::Answer::Cancel);
        click("btnDelete");
        QCOMPARE(shown().size(), 1);
        QCOMPARE(requestCount(), 2);
        QCOMPARE(list()->model()->rowCount(), 3);
    }

    void deleteOfOneBlankKeyAsksAndSendsNothing()
    {
        openWindow("\"  \",\"Blank\",\"b\",\"tb.html\",\"CB\"^OK");
        selectRows({0});
        server_->queue(ScriptedReply::ok("BAD")); // for a delete that should not be sent
        click("btnDelete");
        QVERIFY(shown().isEmpty());
        QCOMPARE(requestCount(), 2);
        QCOMPARE(total(), QStringLiteral("Total: 1 products(s)"));
    }

    void failedDeleteShowsTheTroubleAndKeepsTheRows()
    {
        openWindow();
        selectRows({1});
        server_->queue(ScriptedReply::ok("BAD"));
        click("btnDelete");
        const auto messages = shown();
        QCOMPARE(messages.size(), 2);
        QCOMPARE(messages[1].text, QStringLiteral("There is a trouble deleting items, please check your settings and your internet connection."));
        QCOMPARE(requestCount(), 3);
        QCOMPARE(list()->model()->rowCount(), 3);
        QCOMPARE(total(), QStringLiteral("Total: 3 products(s)"));
    }

    void deleteAll()
    {
        openWindow();
        server_->queue(ScriptedReply::ok("OK"));
        server_->queue(ScriptedReply::ok("OK"));
        click("btnDeleteAll");
        QCOMPARE(shown().at(0).text, QStringLiteral("Are you sure do you want to delete all?."));
        QCOMPARE(fieldsOf(2), sent({{"action", "2"}, {"deleteids", "all"}}));
        QCOMPARE(list()->model()->rowCount(), 0);
        QCOMPARE(total(), QStringLiteral("Total: 0 products(s)"));

        // With an empty list nothing is asked or sent.
        click("btnDeleteAll");
        QVERIFY(shown().isEmpty());
        QCOMPARE(requestCount(), 4);
    }

    void listKeysAndDoubleClickRunTheirCommands()
    {
        openWindow();
        QVERIFY(QTest::qWaitForWindowActive(window_.get()));
        for (const Qt::KeyboardModifiers modifiers : {Qt::NoModifier, Qt::ShiftModifier}) {
            list()->setFocus();
            QTest::keyClick(list(), Qt::Key_Tab, modifiers);
            QVERIFY(!list()->hasFocus());
        }
        selectRows({0, 1});
        QTest::keyClick(list(), Qt::Key_Return);
        QCOMPARE(shown().value(0).text, QStringLiteral("You need to select just one product."));
        selectRows({1});
        TMessageBox::queueAnswer(TMessageBox::Answer::Cancel);
        QTest::keyClick(list(), Qt::Key_Delete);
        const QList<TMessageBox::Shown> asked = TMessageBox::takeShown();
        QCOMPARE(asked.value(0).text, QStringLiteral("Are you sure do you want to delete the selected items?"));
        QCOMPARE(asked.value(0).defaultAnswer, TMessageBox::Answer::Cancel);

        // A double-click as the window system sends it: a click, then a press that doubles it.
        server_->queue(ScriptedReply::ok("^OK"));
        const QPoint onRow = list()->visualRect(list()->model()->index(2, 1)).center();
        QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, onRow);
        QTest::mouseDClick(list()->viewport(), Qt::LeftButton, {}, onRow);
        QCOMPARE(fieldsOf(2), sent({{"action", "5"}, {"prodcod", "30"}}));
        server_->queue(ScriptedReply::ok("OK"));
        server_->queue(ScriptedReply::ok(kThreeRows));
        QTest::keyClick(list(), Qt::Key_F5);
        QCOMPARE(fieldsOf(3), sent({{"action", "1"}}));
    }

    void enterOnTheDeleteAllQuestionCancels()
    {
        openWindow();
        // The real box; should Ok be pressed, the site would let it delete.
        TMessageBox::endScript();
        server_->queue(ScriptedReply::ok("OK"));
        server_->queue(ScriptedReply::ok("OK"));
        whenModalShown([](QWidget *box) { QTest::keyClick(box, Qt::Key_Return); });
        click("btnDeleteAll");
        QCOMPARE(requestCount(), 2);
        QCOMPARE(list()->model()->rowCount(), 3);
    }

    void addSendsTheDialogsValuesAndReloads()
    {
        openWindow();
        whenModalShown([](QWidget *dialog) {
            QCOMPARE(dialog->windowTitle(), QStringLiteral("Add Product"));
            QCOMPARE(child<AnsiLineEdit>(dialog, "edtCode")->text(), QString());
            QVERIFY(child<AnsiLineEdit>(dialog, "edtCode")->isReadOnly());
            child<AnsiLineEdit>(dialog, "edtProdName")->setText(QStringLiteral("  New one "));
            child<AnsiLineEdit>(dialog, "edtProdFolder")->setText(QStringLiteral("new"));
            child<AnsiLineEdit>(dialog, "edtProdThanksPage")->setText(QStringLiteral("tn.html"));
            QTest::mouseClick(child<QPushButton>(dialog, "btnOk"), Qt::LeftButton);
        });
        server_->queue(ScriptedReply::ok("hello"));
        server_->queue(ScriptedReply::ok("OK"));
        server_->queue(ScriptedReply::ok(QByteArray(kThreeRows).replace("^OK", "^\"40\",\"New one\",\"new\",\"tn.html\",\"CN\"^OK")));
        click("btnAdd");
        QCOMPARE(server_->requests().at(2).requestLine(), QByteArray("GET /site/actions.php HTTP/1.1"));
        QCOMPARE(fieldsOf(3), sent({{"action", "4"}, {"prodname", "New one"}, {"prodfolder", "new"}, {"prodthankspage", "tn.html"}}));
        QCOMPARE(column(0), strings({"alpha", "Beta", "New one", "Zeta"}));
        QCOMPARE(total(), QStringLiteral("Total: 4 product(s)"));
        QVERIFY(shown().isEmpty());
    }

    void addOutcomesAreReported_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QString>("message");
        QTest::newRow("exists") << QByteArray("EXIST RECORD")
                                << QStringLiteral("This Product Name already exists. Please enter a new Name when add a new Product.");
        QTest::newRow("failed") << QByteArray("BAD")
                                << QStringLiteral("There is a trouble adding this affiliate, please check your settings and your internet connection.");
    }
    void addOutcomesAreReported()
    {
        QFETCH(QByteArray, reply);
        QFETCH(QString, message);
        openWindow();
        whenModalShown([](QWidget *dialog) {
            for (const char *name : {"edtProdName", "edtProdFolder", "edtProdThanksPage"})
                child<AnsiLineEdit>(dialog, name)->setText(QStringLiteral("x"));
            QTest::mouseClick(child<QPushButton>(dialog, "btnOk"), Qt::LeftButton);
        });
        server_->queue(ScriptedReply::ok(""));
        server_->queue(ScriptedReply::ok(reply));
        click("btnAdd");
        const auto messages = shown();
        QCOMPARE(messages.size(), 1);
        QCOMPARE(messages[0].text, message);
        QCOMPARE(requestCount(), 4); // no reload
    }

    void productDialogRefusesBlankAndUncarriableValues()
    {
        openWindow();
        QStringList focusAfterEachRefusal;
        whenModalShown([&](QWidget *dialog) {
            auto *name = child<AnsiLineEdit>(dialog, "edtProdName");
            auto *folder = child<AnsiLineEdit>(dialog, "edtProdFolder");
            auto *thanks = child<AnsiLineEdit>(dialog, "edtProdThanksPage");
            auto *ok = child<QPushButton>(dialog, "btnOk");
            name->setText(QStringLiteral("   "));
            QTest::mouseClick(ok, Qt::LeftButton);
            focusAfterEachRefusal << QApplication::focusWidget()->objectName();
            name->setText(QStringLiteral("Name"));
            QTest::mouseClick(ok, Qt::LeftButton);
            focusAfterEachRefusal << QApplication::focusWidget()->objectName();
            folder->setText(QStringLiteral("folder"));
            QTest::mouseClick(ok, Qt::LeftButton);
            focusAfterEachRefusal << QApplication::focusWidget()->objectName();
            thanks->setText(QStringLiteral("t.html"));
            folder->setText(QStringLiteral("a,b"));
            QTest::mouseClick(ok, Qt::LeftButton);
            focusAfterEachRefusal << QApplication::focusWidget()->objectName();
            // Neither Enter nor Escape closes it.
            QTest::keyClick(thanks, Qt::Key_Return);
            QTest::keyClick(dialog, Qt::Key_Escape);
            QVERIFY(dialog->isVisible());
            QTest::mouseClick(child<QPushButton>(dialog, "btnCancel"), Qt::LeftButton);
        });
        click("btnAdd");
        const auto messages = shown();
        QCOMPARE(messages.size(), 4);
        QCOMPARE(messages[0].text, QStringLiteral("Please provide a valid Product Name"));
        QCOMPARE(messages[1].text, QStringLiteral("Please provide a valid Product Folder"));
        QCOMPARE(messages[2].text, QStringLiteral("Please provide a valid Thanks Page"));
        QVERIFY(messages[3].text.contains(QStringLiteral("a comma (,), a caret (^), a double quote (\")")));
        QCOMPARE(focusAfterEachRefusal.join(u' '),
                 QStringLiteral("edtProdName edtProdFolder edtProdThanksPage edtProdFolder"));
        QCOMPARE(requestCount(), 2);
    }

    void editNeedsExactlyOneRow()
    {
        openWindow();
        click("btnEdit");
        selectRows({0, 1});
        click("bsSkinButton2");
        const auto messages = shown();
        QCOMPARE(messages.size(), 2);
        for (const Message &message : messages)
            QCOMPARE(message.text, QStringLiteral("You need to select just one product."));
        QCOMPARE(requestCount(), 2);
    }

    void editUpdatesTheKeyTakenBeforeTheRequest()
    {
        openWindow();
        selectRows({1}); // Beta, key 20
        // While the product request waits, the seller selects another row.
        server_->queue(lateReply("\"20\",\"Beta\",\"a\",\"tb.html\",\"CB\",\"KB\"^OK", 200));
        QTimer::singleShot(80, this, [this] { selectRows({2}); });
        whenModalShown([](QWidget *dialog) {
            QCOMPARE(dialog->windowTitle(), QStringLiteral("Edit Product"));
            QCOMPARE(child<AnsiLineEdit>(dialog, "edtProdName")->text(), QStringLiteral("Beta"));
            QCOMPARE(child<AnsiLineEdit>(dialog, "edtProdFolder")->text(), QStringLiteral("a"));
            QCOMPARE(child<AnsiLineEdit>(dialog, "edtProdThanksPage")->text(), QStringLiteral("tb.html"));
            QCOMPARE(child<AnsiLineEdit>(dialog, "edtCode")->text(), QStringLiteral("CB"));
            child<AnsiLineEdit>(dialog, "edtProdName")->setText(QStringLiteral("Beta 2"));
            QTest::mouseClick(child<QPushButton>(dialog, "btnOk"), Qt::LeftButton);
        });
        server_->queue(ScriptedReply::ok(""));
        server_->queue(ScriptedReply::ok("OK"));
        server_->queue(ScriptedReply::ok(kThreeRows));
        click("btnEdit");
        QCOMPARE(fieldsOf(2), sent({{"action", "5"}, {"prodcod", "20"}}));
        QCOMPARE(fieldsOf(4), sent({{"action", "6"}, {"prodcod", "20"}, {"prodname", "Beta 2"}, {"prodfolder", "a"}, {"prodthankspage", "tb.html"}}));
        QCOMPARE(fieldsOf(5), sent({{"action", "3"}}));
        QVERIFY(shown().isEmpty());
    }

    void editOutcomesAreReported_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QString>("message");
        QTest::newRow("gone") << QByteArray("DON'T EXIST RECORD") << QStringLiteral("This product doesn't exists.");
        QTest::newRow("name taken") << QByteArray("EXIST RECORD") << QStringLiteral("There is another product with same name.");
        QTest::newRow("failed") << QByteArray("nope")
                                << QStringLiteral("There is a trouble adding this product, please check your settings and your internet connection.");
    }
    void editOutcomesAreReported()
    {
        QFETCH(QByteArray, reply);
        QFETCH(QString, message);
        openWindow();
        selectRows({0});
        server_->queue(ScriptedReply::ok("\"10\",\"alpha\",\"c\",\"ta.html\",\"CA\",\"KA\"^OK"));
        server_->queue(ScriptedReply::ok(""));
        server_->queue(ScriptedReply::ok(reply));
        whenModalShown([](QWidget *dialog) { QTest::mouseClick(child<QPushButton>(dialog, "btnOk"), Qt::LeftButton); });
        click("btnEdit");
        const auto messages = shown();
        QCOMPARE(messages.size(), 1);
        QCOMPARE(messages[0].text, message);
        QCOMPARE(requestCount(), 5);
    }

    void productThatCannotBeReadBackIsNeverWritten()
    {
        openWindow();
        selectRows({0});
        // A comma inside the name shifts the fields: seven instead of six. The seller is told
        // that, not that some characters cannot be shown.
        server_->queue(ScriptedReply::ok("\"10\",\"al,pha\",\"c\",\"ta.html\",\"CA\",\"KA\"^OK"));
        click("btnEdit");
        const auto messages = shown();
        QCOMPARE(messages.size(), 1);
        QCOMPARE(messages[0].text, QStringLiteral("This product cannot be edited here: the site's row for it does not "
                                                  "split into the six fields of a product (a comma or a quote inside a "
                                                  "value shifts them), so its name, folder and thanks page cannot be "
                                                  "told apart."));
        QCOMPARE(requestCount(), 3);
        QVERIFY(!QApplication::activeModalWidget());

        server_->queue(ScriptedReply::ok("\"10\",\"alpha\",\"c\",\"ta.html\",\"CA\"^OK"));
        click("bsSkinButton2");
        QVERIFY(shown().isEmpty());
        QCOMPARE(requestCount(), 4);
    }

    // The boxes would show such a value changed, and Ok would save it so: a "^OK" is eaten by
    // the reading of the reply, a line break by the one-line box.
    void editRefusesValuesTheBoxesCannotShowUnchanged_data()
    {
        QTest::addColumn<QByteArray>("row");
        QTest::newRow("^OK in the name") << QByteArray("\"10\",\"Be^OKta\",\"c\",\"ta.html\",\"CA\",\"KA\"^OK");
        QTest::newRow("^OK at the folder's end") << QByteArray("\"10\",\"alpha\",\"c^OK\",\"ta.html\",\"CA\",\"KA\"^OK");
        QTest::newRow("line break in the name") << QByteArray("\"10\",\"Be\r\nta\",\"c\",\"ta.html\",\"CA\",\"KA\"^OK");
    }
    void editRefusesValuesTheBoxesCannotShowUnchanged()
    {
        QFETCH(QByteArray, row);
        openWindow();
        selectRows({0});
        server_->queue(ScriptedReply::ok(row));
        server_->queue(ScriptedReply::ok(""));
        server_->queue(ScriptedReply::ok("OK"));
        server_->queue(ScriptedReply::ok(kThreeRows));
        // Should the dialog open all the same, Ok is pressed, as a seller who saw nothing amiss
        // would; a dialog of a later test is left to that test.
        const QPointer<TfrmMain> window = window_.get();
        whenModalShown([window](QWidget *dialog) {
            if (window && dialog->parentWidget() == window)
                QTest::mouseClick(child<QPushButton>(dialog, "btnOk"), Qt::LeftButton);
        });
        click("btnEdit");
        const auto messages = shown();
        QCOMPARE(messages.size(), 1);
        QCOMPARE(messages[0].kind, TMessageBox::Kind::Warning);
        QCOMPARE(messages[0].text, QStringLiteral("This product cannot be edited here: its name, folder or thanks page "
                                                  "holds characters that this window cannot show as they are stored, "
                                                  "and saving would change them."));
        QCOMPARE(requestCount(), 3);
    }

    // The seller may not switch sites under a command: Settings waits like every command that
    // talks to the site, and a command sends all its requests to the site it began with.
    void aCommandKeepsItsSiteFromFirstRequestToLast()
    {
        openWindow();
        ScriptServer otherSite;
        for (const QByteArray &reply : {QByteArray(""), QByteArray("OK"), kThreeRows})
            otherSite.queue(ScriptedReply::ok(reply));
        const QString otherUrl = QString::fromLatin1(otherSite.url("/other"));
        selectRows({1}); // Beta, key 20
        server_->queue(lateReply("\"20\",\"Beta\",\"a\",\"tb.html\",\"CB\",\"KB\"^OK", 300));
        server_->queue(ScriptedReply::ok(""));
        server_->queue(ScriptedReply::ok("OK"));
        server_->queue(ScriptedReply::ok(kThreeRows));

        QStringList dialogs;
        std::function<void(QWidget *)> answer = [&](QWidget *dialog) {
            dialogs << dialog->objectName();
            if (dialog->objectName() == QLatin1String("TfrmSettings")) {
                child<AnsiLineEdit>(dialog, "edtSite")->setText(otherUrl);
                QTest::mouseClick(child<QPushButton>(dialog, "btnOk"), Qt::LeftButton);
                whenModalShown(answer);
            } else {
                QTest::mouseClick(child<QPushButton>(dialog, "btnOk"), Qt::LeftButton);
            }
        };
        const auto whileTheProductIsAskedFor = [&] {
            whenModalShown(answer);
            click("btnSimple");
            // Settings changed by another way meanwhile reach the next command, not this one.
            QFile settings(dir_->filePath(QStringLiteral("hsettings.dat")));
            QVERIFY(settings.open(QIODevice::WriteOnly));
            settings.write("[Settings]\r\nswebserver=" + otherUrl.toLatin1() + "\r\n");
            settings.close();
            window_->LoadServerSettings();
        };
        connect(server_.get(), &ScriptServer::requestReceived, this, [&](int index) {
            if (index == 2)
                QTimer::singleShot(0, this, whileTheProductIsAskedFor);
        });
        click("btnEdit");

        QCOMPARE(dialogs, QStringList{QStringLiteral("TfrmProducts")});
        QCOMPARE(otherSite.requests().size(), 0);
        QCOMPARE(requestCount(), 6);
        QCOMPARE(fieldsOf(4), sent({{"action", "6"}, {"prodcod", "20"}, {"prodname", "Beta"}, {"prodfolder", "a"}, {"prodthankspage", "tb.html"}}));
    }

    void productNotFoundDoesNothing()
    {
        openWindow();
        selectRows({0});
        server_->queue(ScriptedReply::ok("^OK"));
        click("btnEdit");
        server_->queue(ScriptedReply::ok("^OK"));
        click("bsSkinButton2");
        QVERIFY(shown().isEmpty());
        QCOMPARE(requestCount(), 4);
    }

    void thanksPageUrlIsShownForCopying()
    {
        openWindow();
        selectRows({2});
        server_->queue(ScriptedReply::ok("\"30\",\"Zeta\",\"z\",\"tz.html\",\"C&Z\",\" K Z\"^OK"));
        QString shownUrl;
        whenModalShown([&](QWidget *dialog) {
            QCOMPARE(dialog->windowTitle(), QStringLiteral("Get Thanks Page URL"));
            auto *box = child<AnsiLineEdit>(dialog, "edtURLs");
            QVERIFY(box->isReadOnly());
            shownUrl = box->text();
            QTest::keyClick(dialog, Qt::Key_Escape);
            QVERIFY(dialog->isVisible());
            QTest::mouseClick(child<QPushButton>(dialog, "btnOk"), Qt::LeftButton);
        });
        click("bsSkinButton2");
        QCOMPARE(shownUrl, QString::fromLatin1(server_->url("/site") + "/thanks.php?id=C&Z&sk= K Z"));
        QCOMPARE(fieldsOf(2), sent({{"action", "5"}, {"prodcod", "30"}}));
    }

    void networkCommandsAreRefusedWhileARequestWaits()
    {
        openWindow();
        server_->queue(ScriptedReply::ok("OK"));
        server_->queue(lateReply("^OK", 300));
        QTimer::singleShot(100, this, [this] {
            selectRows({0});
            click("btnRefresh");
            click("btnDeleteAll");
            click("btnEdit");
            click("btnAdd");
        });
        click("btnRefresh");
        QCOMPARE(requestCount(), 4);
        QVERIFY(shown().isEmpty());
        QVERIFY(!QApplication::activeModalWidget());
    }

    void closingDuringALoadEndsItQuietly()
    {
        openWindow();
        server_->queue(ScriptedReply::ok("OK"));
        server_->queue(ScriptedReply()); // never answered
        QTimer::singleShot(100, this, [this] { window_->close(); });
        click("btnRefresh");
        QVERIFY(!window_->isVisible());
        QCOMPARE(status(), QString());
        QCOMPARE(list()->model()->rowCount(), 3);
        QVERIFY(shown().isEmpty());
    }
};

QTEST_MAIN(ProductCommandsTest)
#include "ProductCommandsTest.moc"
