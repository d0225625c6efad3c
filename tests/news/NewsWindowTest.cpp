// The news window against a scripted news server: its layout, the rows from NewsList, a
// selection fetching and showing a text and saving the marker, and the busy flag holding the
// selection still while a text is on its way.
#include "common/LinkClick.h"
#include "net/IdHTTP.h"
#include "news/FNews.h"
#include "platform/BrowserTestLauncher.h"
#include "support/ScriptServer.h"
#include "ui/MessageBox.h"

#include <QApplication>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QMouseEvent>
#include <QPushButton>
#include <QSplitter>
#include <QTest>
#include <QTextBrowser>
#include <QTreeWidget>

#include <memory>

using namespace vo;
using vo::test::parseMultipartFields;
using vo::test::ScriptedReply;
using vo::test::ScriptServer;

class NewsWindowTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<ScriptServer> server_;
    std::unique_ptr<TIdHTTP> http_;
    std::unique_ptr<TMessageBox> messages_;
    BrandingProfile profile_;
    QByteArrayList newsList_;
    QByteArrayList saved_;
    std::unique_ptr<TfrmNews> window_;

    QTreeWidget *list() const { return window_->findChild<QTreeWidget *>(QStringLiteral("lvwItems")); }
    QTextBrowser *view() const { return window_->findChild<QTextBrowser *>(QStringLiteral("prfEditorNews")); }
    QPushButton *closeButton() const { return window_->findChild<QPushButton *>(QStringLiteral("btnExit")); }

    void openWindow()
    {
        window_ = std::make_unique<TfrmNews>(profile_, newsList_, *http_, *messages_,
                                             [this](const QByteArray &id) { saved_.append(id); });
        window_->show();
        QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
    }
    void selectRow(int row) { list()->setCurrentItem(list()->topLevelItem(row)); }
    int selectedRow() const
    {
        const QList<QTreeWidgetItem *> selected = list()->selectedItems();
        return selected.size() == 1 ? list()->indexOfTopLevelItem(selected.at(0)) : -1;
    }

private Q_SLOTS:
    void init()
    {
        TMessageBox::beginScript();
        server_ = std::make_unique<ScriptServer>();
        QVERIFY(server_->isListening());
        http_ = std::make_unique<TIdHTTP>();
        messages_ = std::make_unique<TMessageBox>();
        profile_ = {};
        profile_.BranderType = "Gold";
        profile_.BranderCode = "code9";
        profile_.GoldPublID = "pub";
        profile_.GoldNewsBaseURL = server_->url("/gold");
        newsList_ = {"30^Spring sale^2026-03-01", "20^New banner pack^2026-02-01", "10^Welcome^2026-01-01"};
        saved_.clear();
    }
    void cleanup()
    {
        window_.reset();
        http_.reset();
        server_.reset();
        TMessageBox::endScript();
    }

    void layout()
    {
        openWindow();
        QCOMPARE(window_->windowTitle(), QStringLiteral("News"));
        QCOMPARE(window_->size(), QSize(682, 411));
        QCOMPARE(list()->columnCount(), 2);
        QCOMPARE(list()->headerItem()->text(0), QStringLiteral("News Title"));
        QCOMPARE(list()->headerItem()->text(1), QStringLiteral("Published"));
        QCOMPARE(list()->header()->sectionSize(1), 160);
        QCOMPARE(list()->header()->sectionSize(0), list()->viewport()->width() - 160);
        QCOMPARE(list()->font().family(), QStringLiteral("Arial"));
        QCOMPARE(list()->font().pixelSize(), 14);
        QCOMPARE(list()->selectionMode(), QAbstractItemView::SingleSelection);
        QCOMPARE(list()->selectionBehavior(), QAbstractItemView::SelectRows);
        QCOMPARE(list()->editTriggers(), QAbstractItemView::NoEditTriggers);
        QVERIFY(view()->isReadOnly());

        auto *splitter = window_->findChild<QSplitter *>();
        QVERIFY(splitter);
        QCOMPARE(splitter->handleWidth(), 10);
        QCOMPARE(splitter->sizes().value(0), 105);
        QVERIFY(!splitter->childrenCollapsible());
        QCOMPARE(splitter->widget(0)->minimumHeight(), 10);
        QCOMPARE(splitter->widget(1)->minimumHeight(), 10);
        // Dragged all the way up, the list panel keeps its 10 pixels.
        splitter->setSizes({0, 400});
        QCOMPARE(splitter->sizes().value(0), 10);

        QCOMPARE(closeButton()->text(), QStringLiteral("Close"));
        QCOMPARE(closeButton()->geometry(), QRect(304, 7, 97, 20));
        QCOMPARE(closeButton()->parentWidget()->height(), 41);
        window_->resize(1023, 500);
        QTRY_COMPARE(closeButton()->parentWidget()->width(), 1023);
        // Its centre stays at the same share of the panel's width.
        QCOMPARE(closeButton()->geometry(), QRect(480, 7, 97, 20));
    }

    void rowsComeFromNewsList()
    {
        newsList_.append("40^only a title");
        newsList_.append("");
        openWindow();
        QCOMPARE(list()->topLevelItemCount(), 5);
        const QStringList titles{QStringLiteral("Spring sale"), QStringLiteral("New banner pack"), QStringLiteral("Welcome"),
                                 QStringLiteral("only a title"), QString()};
        const QStringList published{QStringLiteral("2026-03-01"), QStringLiteral("2026-02-01"),
                                    QStringLiteral("2026-01-01"), QString(), QString()};
        const QByteArrayList ids{"30", "20", "10", "40", ""};
        for (int row = 0; row < 5; ++row) {
            const QTreeWidgetItem *item = list()->topLevelItem(row);
            QCOMPARE(item->text(0), titles.at(row));
            QCOMPARE(item->text(1), published.at(row));
            QCOMPARE(item->data(0, TfrmNews::kNewsIdRole).toByteArray(), ids.at(row));
        }
        QCOMPARE(selectedRow(), -1);
        QVERIFY(view()->toPlainText().isEmpty());
        QCOMPARE(server_->requests().size(), 0);
    }

    void selectingARowShowsItsTextAndSavesTheMarker()
    {
        openWindow();
        server_->queue(ScriptedReply::ok("<p>Caf$E9 $24 5 off</p>\xAFOK"));
        selectRow(1);
        QCOMPARE(server_->requests().size(), 1);
        const auto &request = server_->requests().at(0);
        QCOMPARE(request.requestLine(), QByteArray("POST /gold/getnewsdetails.php HTTP/1.0"));
        QCOMPARE(parseMultipartFields(request.body(), request.header("Content-Type")),
                 (QList<QPair<QByteArray, QByteArray>>{{"memusername", "pub"}, {"prodcode", "code9"},
                                                       {"prodtype", "BG"}, {"newsid", "20"},
                                                       {"newstarget", "UA"}, {"something", "\r\n"}}));
        QCOMPARE(view()->toPlainText(), QStringLiteral("Caf\u00e9 $ 5 off"));
        QCOMPARE(saved_, QByteArrayList{"20"});

        // An older item becomes the marker just the same.
        server_->queue(ScriptedReply::ok("<p>Hello</p>\xAFOK"));
        selectRow(2);
        QCOMPARE(view()->toPlainText(), QStringLiteral("Hello"));
        QCOMPARE(saved_, (QByteArrayList{"20", "10"}));
        QCOMPARE(TMessageBox::takeShown().size(), 0);
    }

    void linkInTheTextOpensInTheBrowserAndTheTextStays()
    {
        openWindow();
        server_->queue(ScriptedReply::ok("<p>See <a href=\"http://offer.example/x\">the offer</a></p>\xAFOK"));
        selectRow(0);
        test::RecordingLauncher launcher;
        QVERIFY(test::clickText(*view(), QStringLiteral("the offer")));
        QCOMPARE(launcher.starts.size(), 1);
        QVERIFY(launcher.starts[0].arguments.contains(QStringLiteral("http://offer.example/x")));
        QCOMPARE(view()->toPlainText(), QStringLiteral("See the offer"));
    }

    void failedFetchKeepsTheTextAndTheMarker()
    {
        openWindow();
        server_->queue(ScriptedReply::ok("<p>First</p>\xAFOK"));
        selectRow(0);
        server_->queue(ScriptedReply::ok("INVALIDNEWS\r\n"));
        selectRow(1);
        QCOMPARE(view()->toPlainText(), QStringLiteral("First"));
        QCOMPARE(saved_, QByteArrayList{"30"});
        const QList<TMessageBox::Shown> shown = TMessageBox::takeShown();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown.at(0).kind, TMessageBox::Kind::Warning);
        QCOMPARE(shown.at(0).text, QStringLiteral("There is a trouble with this news. Contact your provider."));
        QVERIFY(!window_->busy());
    }

    void busyFlagHoldsTheSelection()
    {
        openWindow();
        server_->queue(ScriptedReply::ok("<p>Slow</p>\xAFOK"));
        bool checked = false;
        // Runs while the fetch waits for its reply, as a click of the user would.
        connect(server_.get(), &ScriptServer::requestReceived, this, [&] {
            if (checked)
                return;
            checked = true;
            QVERIFY(window_->busy());
            for (QWidget *widget : {static_cast<QWidget *>(list()), static_cast<QWidget *>(view()), view()->viewport(),
                                    static_cast<QWidget *>(window_.get())}) {
                QVERIFY(widget->testAttribute(Qt::WA_SetCursor));
                QCOMPARE(widget->cursor().shape(), Qt::WaitCursor);
            }
            selectRow(2);
            list()->selectionModel()->select(list()->model()->index(1, 0),
                                             QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
            // Delivered at once, as the wait delivers a real click.
            const QPointF third = list()->visualItemRect(list()->topLevelItem(2)).center();
            for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
                QMouseEvent click(type, third, list()->viewport()->mapToGlobal(third), Qt::LeftButton,
                                  type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
                QApplication::sendEvent(list()->viewport(), &click);
            }
            QCOMPARE(selectedRow(), 0);
        });
        selectRow(0);
        QVERIFY(checked);
        QCOMPARE(server_->requests().size(), 1);
        QCOMPARE(selectedRow(), 0);
        QVERIFY(!window_->busy());
        for (QWidget *widget : {static_cast<QWidget *>(list()), static_cast<QWidget *>(view()), view()->viewport(),
                                static_cast<QWidget *>(window_.get())})
            QCOMPARE(widget->cursor().shape(), Qt::ArrowCursor);
        QCOMPARE(saved_, QByteArrayList{"30"});

        // Free again, the selection moves.
        server_->queue(ScriptedReply::ok("x\xAFOK"));
        selectRow(2);
        QCOMPARE(selectedRow(), 2);
        QCOMPARE(saved_, (QByteArrayList{"30", "10"}));
    }

    void tierWithoutPublisherAsksNothing()
    {
        profile_.GoldPublID.clear();
        openWindow();
        selectRow(0);
        QCOMPARE(selectedRow(), 0);
        QCOMPARE(server_->requests().size(), 0);
        QVERIFY(saved_.isEmpty());
        QVERIFY(!window_->busy());
        QCOMPARE(TMessageBox::takeShown().size(), 0);
    }

    void closeButtonCloses()
    {
        openWindow();
        QTest::mouseClick(closeButton(), Qt::LeftButton);
        QVERIFY(!window_->isVisible());
        QCOMPARE(window_->result(), int(QDialog::Accepted));
        QCOMPARE(newsList_.size(), 3);
    }
};

QTEST_MAIN(NewsWindowTest)
#include "NewsWindowTest.moc"
