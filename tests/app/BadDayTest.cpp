// A seller's bad day: every request the console makes meets a server that stalls, resets,
// closes in the middle, sends a header line too long, redirects without end, answers 404 or 500,
// or speaks something else than HTTP. Each operation must end with its own outcome, leave the
// window usable for the next command, and end quietly when the window closes while it waits.
#include "ScriptedConsole.h"

#include "common/ModalDriver.h"
#include "news/NewsHint.h"
#include "news/NewsMarker.h"
#include "ui/AnsiLineEdit.h"
#include "ui/MessageBox.h"

#include <QPushButton>
#include <QSignalSpy>
#include <QTextBrowser>
#include <QTreeWidget>

using namespace vo;
using vo::test::child;
using vo::test::kSameVersion;
using vo::test::kThreeRows;
using vo::test::ModalAnswer;
using vo::test::ScriptedConsole;
using vo::test::ScriptedReply;

namespace {

// Every request the seller's day is made of, each named by the step that meets the fault.
enum class Op {
    CheckServer,    // Refresh: the server check
    Refresh,        // Refresh: the list request after a good check
    AddGet,         // Add: the GET before the post
    AddPost,        // Add: the post
    EditGet,        // Edit: the product's row
    EditUpdateGet,  // Edit: the GET before the update
    EditUpdatePost, // Edit: the update
    DeleteAll,      // Delete All: the delete request
    ThanksUrl,      // Get Thanks Page URL: the product's row
    StartupNews,    // start-up: the newest news item
    StartupUpdate,  // start-up: the update description
    NewsButton,     // News: the news list
    NewsDetails,    // news window: an item's text
    UpdateCheck,    // Check Updates: the update description
};

enum class Fault { Stall, Reset, CloseMidBody, CloseShortOfLength, CloseMidChunk, LongHeaderLine, EndlessRedirects, NotFound, ServerError, Garbage };

// How the client hands the fault to the operation: as an empty body (the last of fifteen
// redirects) or as a failure. A body cut short of its announced length is a failure too, never
// the part that arrived.
enum class Effect { Failed, Empty };

Effect effectOf(Fault fault)
{
    return fault == Fault::EndlessRedirects ? Effect::Empty : Effect::Failed;
}

const QByteArray kOneRow = "\"50\",\"Solo\",\"s\",\"ts.html\",\"CS\"^OK";
const QByteArray kFourRows = QByteArray(kThreeRows).replace("^OK", "^\"40\",\"New one\",\"n\",\"tn.html\",\"CN\"^OK");
const QByteArray kActionsPage = "<html><body>actions</body></html>";
const QByteArray kAlphaRow = "\"10\",\"alpha\",\"c\",\"ta.html\",\"CA\",\"KA\"^OK";
const QByteArray kZetaRow = "\"30\",\"Zeta\",\"z\",\"tz.html\",\"CZ\",\"KZ\"^OK";
const QByteArray kNewsList = "7^Big news^2026-12-01\xAF" "6^Older^2026-11-02\xAFOK";
const QByteArray kNewsText = "<p>Big $26 bold</p>\xAFOK";
const QByteArray kNewer = "[APPLICATION]\r\nName=Vantrel Oskel\r\nVersion=2.02\r\n";

const QString kAddTrouble = QStringLiteral("There is a trouble adding this affiliate, please check your settings and your internet connection.");
const QString kEditTrouble = QStringLiteral("There is a trouble adding this product, please check your settings and your internet connection.");
const QString kDeleteAllQuestion = QStringLiteral("Are you sure do you want to delete all?.");
const QString kDeleteTrouble = QStringLiteral("There is a trouble deleting items, please check your settings and your internet connection.");
const QString kNewsTrouble = QStringLiteral("There is a trouble accessing the news site. Contact your provider.");
const QString kNoNews = QStringLiteral("There's no news for this application!");
const QString kNoUpdates = QStringLiteral("There's no new updates for this application!");
const QString kOffer = QStringLiteral("There is a new update: (version 2.02) available for your application!. Do you want download this update now?");

struct Step
{
    QString label;
    QByteArray body;
};

struct Operation
{
    QList<Step> steps;
    qsizetype faulted = 0;
    // False for the GET before an add or an update: its text is thrown away, so only a failure
    // of the request ends the operation.
    bool judged = true;
    // The start-up sequence goes on to its next leg whatever the news and update legs gave.
    bool startup = false;
};

Operation operation(Op op)
{
    const Step check{QStringLiteral("action=1"), "OK"};
    const Step get{QStringLiteral("GET /site/actions.php"), kActionsPage};
    const Step newsList{QStringLiteral("getlastnews.php:conttype=all"), kNewsList};
    switch (op) {
    case Op::CheckServer: return {{check, {QStringLiteral("action=3"), kOneRow}}, 0};
    case Op::Refresh: return {{check, {QStringLiteral("action=3"), kOneRow}}, 1};
    case Op::AddGet:
    case Op::AddPost:
        return {{get, {QStringLiteral("action=4"), "OK"}, {QStringLiteral("action=3"), kFourRows}},
                op == Op::AddGet ? 0 : 1, op != Op::AddGet};
    case Op::EditGet:
    case Op::EditUpdateGet:
    case Op::EditUpdatePost:
        return {{{QStringLiteral("action=5"), kAlphaRow}, get, {QStringLiteral("action=6"), "OK"},
                 {QStringLiteral("action=3"), kThreeRows}},
                op == Op::EditGet ? 0 : op == Op::EditUpdateGet ? 1 : 2, op != Op::EditUpdateGet};
    // The site still lists a product that came meanwhile, so Delete All has a row to act on next.
    case Op::DeleteAll: return {{{QStringLiteral("action=2"), "OK"}, {QStringLiteral("action=3"), kOneRow}}, 0};
    case Op::ThanksUrl: return {{{QStringLiteral("action=5"), kZetaRow}}, 0};
    case Op::StartupNews:
    case Op::StartupUpdate:
        return {{{QStringLiteral("getlastnews.php:conttype=lastcode"), op == Op::StartupNews ? "7^Big news\xAFOK" : "\xAFOK"},
                 {QStringLiteral("GET /live/mainappupdate.inf"), kSameVersion},
                 check,
                 {QStringLiteral("action=3"), kThreeRows}},
                op == Op::StartupNews ? 0 : 1, true, true};
    case Op::NewsButton: return {{newsList}, 0};
    case Op::NewsDetails: return {{newsList, {QStringLiteral("getnewsdetails.php:newsid=7"), kNewsText}}, 1};
    case Op::UpdateCheck: return {{{QStringLiteral("GET /live/mainappupdate.inf"), kNewer}}, 0};
    }
    return {};
}

QByteArray pathOf(const QString &label)
{
    if (label.startsWith(u"GET "))
        return label.sliced(4).toLatin1();
    if (label.startsWith(u"action="))
        return "/site/actions.php";
    return "/news/" + label.section(u':', 0, 0).toLatin1();
}

QByteArray half(const QByteArray &body)
{
    return body.left(body.size() / 2);
}

QList<ScriptedReply> faultyReplies(Fault fault, const Step &step)
{
    const QByteArray body = step.body;
    switch (fault) {
    case Fault::Stall: return {ScriptedReply()};
    case Fault::Reset: return {ScriptedReply().reset()};
    case Fault::CloseMidBody:
        return {ScriptedReply("HTTP/1.1 200 OK\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + half(body))
                    .close()};
    case Fault::CloseShortOfLength:
        return {ScriptedReply("HTTP/1.1 200 OK\r\nContent-Length: " + QByteArray::number(body.size() + 100) + "\r\n\r\n" + body)
                    .close()};
    case Fault::CloseMidChunk:
        return {ScriptedReply("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n" + QByteArray::number(body.size(), 16)
                              + "\r\n" + half(body))
                    .close()};
    case Fault::LongHeaderLine:
        // One byte more than a line may hold.
        return {ScriptedReply::ok(body, "X-Filler: " + QByteArray(16385 - 10, 'x') + "\r\n")};
    case Fault::EndlessRedirects: {
        QList<ScriptedReply> replies;
        for (int i = 0; i < TIdHTTP::kRedirectMaximum; ++i)
            replies.append(ScriptedReply::redirect(pathOf(step.label)));
        return replies;
    }
    case Fault::NotFound: return {ScriptedReply::withBody("404 Not Found", body)};
    case Fault::ServerError: return {ScriptedReply::withBody("500 Internal Server Error", body)};
    case Fault::Garbage: return {ScriptedReply("SSH-2.0-OpenSSH_9.2p1\r\n\r\n" + body).close()};
    }
    return {};
}

QStringList texts(const QList<TMessageBox::Shown> &shown)
{
    QStringList list;
    for (const TMessageBox::Shown &box : shown)
        list << box.text;
    return list;
}

} // namespace

Q_DECLARE_METATYPE(Op)
Q_DECLARE_METATYPE(Fault)

class BadDayTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<ScriptedConsole> console_;

    // What the seller does to start each operation. The dialogs that open on the way are
    // answered as the seller would; the result counts them.
    int perform(Op op)
    {
        ScriptedConsole &c = *console_;
        switch (op) {
        case Op::CheckServer:
        case Op::Refresh:
            c.click("btnRefresh");
            return 0;
        case Op::AddGet:
        case Op::AddPost: {
            ModalAnswer answer([](QWidget *dialog) {
                child<AnsiLineEdit>(dialog, "edtProdName")->setText(QStringLiteral("New one"));
                child<AnsiLineEdit>(dialog, "edtProdFolder")->setText(QStringLiteral("n"));
                child<AnsiLineEdit>(dialog, "edtProdThanksPage")->setText(QStringLiteral("tn.html"));
                QTest::mouseClick(child<QPushButton>(dialog, "btnOk"), Qt::LeftButton);
            });
            c.click("btnAdd");
            return answer.answered;
        }
        case Op::EditGet:
        case Op::EditUpdateGet:
        case Op::EditUpdatePost: {
            c.selectRow(0);
            ModalAnswer answer([this](QWidget *dialog) {
                editedName_ = child<AnsiLineEdit>(dialog, "edtProdName")->text();
                QTest::mouseClick(child<QPushButton>(dialog, "btnOk"), Qt::LeftButton);
            });
            c.click("btnEdit");
            return answer.answered;
        }
        case Op::DeleteAll:
            c.click("btnDeleteAll");
            return 0;
        case Op::ThanksUrl: {
            c.selectRow(2);
            ModalAnswer answer([this](QWidget *dialog) {
                thanksUrl_ = child<AnsiLineEdit>(dialog, "edtURLs")->text();
                QTest::mouseClick(child<QPushButton>(dialog, "btnOk"), Qt::LeftButton);
            });
            c.click("bsSkinButton2");
            return answer.answered;
        }
        case Op::StartupNews:
        case Op::StartupUpdate:
            c.create();
            return 0;
        case Op::NewsButton:
        case Op::NewsDetails: {
            ModalAnswer answer([this, op](QWidget *dialog) {
                auto *items = child<QTreeWidget>(dialog, "lvwItems");
                newsTitles_.clear();
                for (int row = 0; row < items->topLevelItemCount(); ++row)
                    newsTitles_ << items->topLevelItem(row)->text(0);
                if (op == Op::NewsDetails) {
                    // The text is fetched while the selection changes.
                    items->setCurrentItem(items->topLevelItem(0));
                    newsText_ = child<QTextBrowser>(dialog, "prfEditorNews")->toPlainText();
                }
                QTest::mouseClick(child<QPushButton>(dialog, "btnExit"), Qt::LeftButton);
            });
            c.click("btnNews");
            return answer.answered;
        }
        case Op::UpdateCheck:
            c.click("bsSkinSpeedButton1");
            return 0;
        }
        return 0;
    }

    // The startup operations are the window's start; every other one needs a started window.
    bool prepare(Op op)
    {
        if (op == Op::StartupNews || op == Op::StartupUpdate)
            return true;
        if (!console_->start())
            return false;
        TMessageBox::takeShown();
        return true;
    }

    static bool isStartup(Op op) { return op == Op::StartupNews || op == Op::StartupUpdate; }

    // Queues the operation's replies with the healthy ones in place of a fault.
    void queueHealthy(const Operation &operation)
    {
        for (const Step &step : operation.steps)
            console_->server.queue(ScriptedReply::ok(step.body));
    }

    // The outcome of a healthy run of `op`, started after `mark` requests.
    void verifySucceeded(Op op, qsizetype mark, int dialogs)
    {
        ScriptedConsole &c = *console_;
        QStringList expectedTrail;
        for (const Step &step : operation(op).steps)
            expectedTrail << step.label;
        QTRY_COMPARE(c.trail(mark), expectedTrail);
        const QStringList shown = texts(TMessageBox::takeShown());
        QVERIFY(!QApplication::activeModalWidget());
        switch (op) {
        case Op::CheckServer:
        case Op::Refresh:
            QCOMPARE(shown, QStringList());
            QCOMPARE(c.names(), QStringList{QStringLiteral("Solo")});
            QCOMPARE(c.total(), QStringLiteral("Total: 1 product(s)"));
            break;
        case Op::AddGet:
        case Op::AddPost:
            QCOMPARE(shown, QStringList());
            QCOMPARE(dialogs, 1);
            QCOMPARE(c.rows(), 4);
            QCOMPARE(c.total(), QStringLiteral("Total: 4 product(s)"));
            break;
        case Op::EditGet:
        case Op::EditUpdateGet:
        case Op::EditUpdatePost:
            QCOMPARE(shown, QStringList());
            QCOMPARE(dialogs, 1);
            QCOMPARE(editedName_, QStringLiteral("alpha"));
            break;
        case Op::DeleteAll:
            QCOMPARE(shown, QStringList{kDeleteAllQuestion});
            QCOMPARE(c.names(), QStringList{QStringLiteral("Solo")});
            QCOMPARE(c.total(), QStringLiteral("Total: 1 products(s)"));
            break;
        case Op::ThanksUrl:
            QCOMPARE(shown, QStringList());
            QCOMPARE(dialogs, 1);
            QCOMPARE(thanksUrl_, QString::fromLatin1(c.server.url("/site") + "/thanks.php?id=CZ&sk=KZ"));
            break;
        case Op::StartupNews:
            QCOMPARE(shown, QStringList());
            QTRY_VERIFY(TNewsHint::current());
            QTRY_COMPARE(c.rows(), 3);
            break;
        case Op::StartupUpdate:
            QCOMPARE(shown, QStringList());
            QTRY_COMPARE(c.rows(), 3);
            QCOMPARE(c.read("mainappupdate.inf"), kSameVersion);
            break;
        case Op::NewsButton:
            QCOMPARE(shown, QStringList());
            QCOMPARE(dialogs, 1);
            QCOMPARE(newsTitles_, (QStringList{QStringLiteral("Big news"), QStringLiteral("Older")}));
            break;
        case Op::NewsDetails:
            QCOMPARE(shown, QStringList());
            QCOMPARE(newsText_, QStringLiteral("Big & bold"));
            QCOMPARE(NewsMarker(AppFolder(c.dir.path())).ReadLastNewsId(), QByteArray("7"));
            QVERIFY(!QFile::exists(c.file("dbsettings.sim")));
            break;
        case Op::UpdateCheck:
            QCOMPARE(shown, QStringList{kOffer});
            QCOMPARE(c.read("mainappupdate.inf"), kNewer);
            break;
        }
    }

    // The next command after a fault in `op`: the same one, or for the start-up legs the
    // command that asks for the same thing.
    static Op followUp(Op op)
    {
        if (op == Op::StartupNews)
            return Op::NewsButton;
        if (op == Op::StartupUpdate)
            return Op::UpdateCheck;
        return op;
    }

    void verifyFailed(Op op, Effect effect, int dialogs)
    {
        ScriptedConsole &c = *console_;
        const QStringList shown = texts(TMessageBox::takeShown());
        QVERIFY(!QApplication::activeModalWidget());
        QVERIFY(c.window->isVisible());
        const bool failed = effect == Effect::Failed;
        switch (op) {
        case Op::CheckServer:
        case Op::Refresh:
        case Op::EditGet:
        case Op::ThanksUrl:
        case Op::AddPost:
        case Op::EditUpdatePost:
        case Op::DeleteAll: {
            const QStringList expected = op == Op::AddPost          ? QStringList{kAddTrouble}
                                       : op == Op::EditUpdatePost ? QStringList{kEditTrouble}
                                       : op == Op::DeleteAll      ? QStringList{kDeleteAllQuestion, kDeleteTrouble}
                                                                  : QStringList();
            QCOMPARE(shown, expected);
            QCOMPARE(c.names(), (QStringList{QStringLiteral("alpha"), QStringLiteral("Beta"), QStringLiteral("Zeta")}));
            QCOMPARE(c.total(), op == Op::DeleteAll ? QStringLiteral("Total: 3 products(s)") : QStringLiteral("Total: 3 product(s)"));
            QCOMPARE(c.status(), QString());
            QCOMPARE(dialogs, op == Op::EditUpdatePost || op == Op::AddPost ? 1 : 0);
            break;
        }
        case Op::AddGet:
        case Op::EditUpdateGet:
            // Only a failed GET ends them; an empty page is thrown away as any page is.
            QCOMPARE(shown, failed ? QStringList{op == Op::AddGet ? kAddTrouble : kEditTrouble} : QStringList());
            QCOMPARE(c.rows(), op == Op::AddGet && !failed ? 4 : 3);
            QCOMPARE(dialogs, 1);
            break;
        case Op::StartupNews:
        case Op::StartupUpdate:
            QCOMPARE(shown, QStringList());
            QTRY_COMPARE(c.rows(), 3);
            QVERIFY(!TNewsHint::current());
            break;
        case Op::NewsButton:
            QCOMPARE(shown, (QStringList{kNewsTrouble, kNoNews}));
            QCOMPARE(dialogs, 0);
            break;
        case Op::NewsDetails:
            QCOMPARE(shown, QStringList{kNewsTrouble});
            QCOMPARE(dialogs, 1);
            QCOMPARE(newsText_, QString());
            QCOMPARE(NewsMarker(AppFolder(c.dir.path())).ReadLastNewsId(), QByteArray());
            QVERIFY(!QFile::exists(c.file("dbsettings.sim")));
            break;
        case Op::UpdateCheck:
            QCOMPARE(shown, QStringList{kNoUpdates});
            break;
        }
        if (op == Op::UpdateCheck || op == Op::StartupUpdate) {
            // A failed download, a cut-off one included, leaves no file; one that ended without
            // error (the last of fifteen redirects) keeps its empty body.
            QCOMPARE(QFile::exists(c.file("mainappupdate.inf")), !failed);
            QCOMPARE(c.read("mainappupdate.inf"), QByteArray());
        }
    }

    QString editedName_;
    QString thanksUrl_;
    QStringList newsTitles_;
    QString newsText_;

    static const QList<Op> &allOps()
    {
        static const QList<Op> ops{Op::CheckServer, Op::Refresh,      Op::AddGet,        Op::AddPost,     Op::EditGet,
                                   Op::EditUpdateGet, Op::EditUpdatePost, Op::DeleteAll, Op::ThanksUrl, Op::StartupNews,
                                   Op::StartupUpdate, Op::NewsButton, Op::NewsDetails,   Op::UpdateCheck};
        return ops;
    }
    static const char *opName(Op op)
    {
        static const char *const names[] = {"check server", "refresh", "add get", "add post", "edit get",
                                            "edit update get", "edit update post", "delete all", "thanks url",
                                            "startup news", "startup update", "news button", "news details", "update check"};
        return names[static_cast<int>(op)];
    }

    void addOpRows()
    {
        QTest::addColumn<Op>("op");
        for (const Op op : allOps())
            QTest::newRow(opName(op)) << op;
    }

private Q_SLOTS:
    void init()
    {
        console_ = std::make_unique<ScriptedConsole>();
        QVERIFY(console_->server.isListening());
        TMessageBox::beginScript();
        editedName_.clear();
        thanksUrl_.clear();
        newsTitles_.clear();
        newsText_.clear();
    }
    void cleanup()
    {
        console_.reset();
        TMessageBox::endScript();
    }

    void faultEndsTheOperationAndTheNextOneWorks_data()
    {
        QTest::addColumn<Op>("op");
        QTest::addColumn<Fault>("fault");
        const QList<QPair<Fault, const char *>> faults{{Fault::Stall, "stall"},
                                                       {Fault::Reset, "reset"},
                                                       {Fault::CloseMidBody, "close mid-body"},
                                                       {Fault::CloseShortOfLength, "close short of its length"},
                                                       {Fault::CloseMidChunk, "close mid-chunk"},
                                                       {Fault::LongHeaderLine, "16385-byte header line"},
                                                       {Fault::EndlessRedirects, "15 redirects"},
                                                       {Fault::NotFound, "404"},
                                                       {Fault::ServerError, "500"},
                                                       {Fault::Garbage, "garbage"}};
        for (const Op op : allOps()) {
            for (const auto &[fault, name] : faults)
                QTest::addRow("%s / %s", opName(op), name) << op << fault;
        }
    }
    void faultEndsTheOperationAndTheNextOneWorks()
    {
        QFETCH(Op, op);
        QFETCH(Fault, fault);
        ScriptedConsole &c = *console_;
        QVERIFY(prepare(op));
        const Operation planned = operation(op);
        const Effect effect = effectOf(fault);
        const qsizetype mark = c.server.requests().size();

        // The steps before the fault go well; after it, the operation goes on only where the
        // fault's outcome lets it (start-up legs always do).
        const bool goesOn = planned.startup || (effect != Effect::Failed && !planned.judged);
        for (qsizetype i = 0; i < planned.faulted; ++i)
            c.server.queue(ScriptedReply::ok(planned.steps.at(i).body));
        const QList<ScriptedReply> faulty = faultyReplies(fault, planned.steps.at(planned.faulted));
        for (const ScriptedReply &reply : faulty)
            c.server.queue(reply);
        QStringList expectedTrail;
        for (qsizetype i = 0; i < planned.faulted; ++i)
            expectedTrail << planned.steps.at(i).label;
        for (qsizetype i = 0; i < faulty.size(); ++i)
            expectedTrail << planned.steps.at(planned.faulted).label;
        if (goesOn) {
            for (qsizetype i = planned.faulted + 1; i < planned.steps.size(); ++i) {
                c.server.queue(ScriptedReply::ok(planned.steps.at(i).body));
                expectedTrail << planned.steps.at(i).label;
            }
        }

        const int dialogs = perform(op);
        QTRY_COMPARE(c.trail(mark), expectedTrail);
        verifyFailed(op, effect, dialogs);
        if (QTest::currentTestFailed())
            return;
        QVERIFY(c.settle());
        QCOMPARE(c.trail(mark), expectedTrail << QStringLiteral("GET /settle"));

        // The window stays usable: the next command against a healthy server works. A balloon
        // that announced news takes the next click for itself, so that click comes first.
        if (TNewsHint::current()) {
            QTest::mouseClick(c.list()->viewport(), Qt::LeftButton);
            QTRY_VERIFY(!TNewsHint::current());
        }
        const Op next = followUp(op);
        const qsizetype nextMark = c.server.requests().size();
        queueHealthy(operation(next));
        if (next == Op::UpdateCheck)
            TMessageBox::queueAnswer(TMessageBox::Answer::Cancel); // the offer: not now
        const int nextDialogs = perform(next);
        verifySucceeded(next, nextMark, nextDialogs);
    }

    // The seller closes the main window while the request waits. The program runs its own event
    // loop here, as it does in use, so closing the last window ends it: the wait ends, the
    // command unwinds, nothing more is sent or shown, and the loop returns.
    void closingDuringARequestEndsTheProgram_data() { addOpRows(); }
    void closingDuringARequestEndsTheProgram()
    {
        QFETCH(Op, op);
        ScriptedConsole &c = *console_;
        QVERIFY(prepare(op));
        const Operation planned = operation(op);
        const qsizetype mark = c.server.requests().size();
        QStringList expectedTrail;
        for (qsizetype i = 0; i < planned.faulted; ++i) {
            c.server.queue(ScriptedReply::ok(planned.steps.at(i).body));
            expectedTrail << planned.steps.at(i).label;
        }
        c.server.queue(ScriptedReply()); // never answered
        expectedTrail << planned.steps.at(planned.faulted).label;

        const int closeAt = int(mark + planned.faulted);
        connect(&c.server, &vo::test::ScriptServer::requestReceived, &c.server, [&c, closeAt](int index) {
            if (index == closeAt)
                c.window->close();
        });
        bool unwound = false;
        QTimer::singleShot(0, &c.server, [&] {
            perform(op);
            unwound = true;
        });
        // Only a program that never ends meets this.
        QTimer hang;
        hang.setSingleShot(true);
        connect(&hang, &QTimer::timeout, &hang, [] { QApplication::exit(1); });
        hang.start(60000);
        QCOMPARE(QApplication::exec(), 0);
        QVERIFY(unwound);
        QVERIFY(!c.window->isVisible());

        QVERIFY(c.settle());
        QCOMPARE(c.trail(mark), expectedTrail << QStringLiteral("GET /settle"));
        QCOMPARE(texts(TMessageBox::takeShown()), op == Op::DeleteAll ? QStringList{kDeleteAllQuestion} : QStringList());
        if (op == Op::UpdateCheck || op == Op::StartupUpdate)
            QVERIFY(!QFile::exists(c.file("mainappupdate.inf")));
    }

    // While a request waits, every other command that needs the network is refused without
    // sending anything or asking anything; the first one then completes as usual.
    void secondCommandDuringARequestIsRefused_data() { addOpRows(); }
    void secondCommandDuringARequestIsRefused()
    {
        QFETCH(Op, op);
        ScriptedConsole &c = *console_;
        QVERIFY(prepare(op));
        const Operation planned = operation(op);
        const qsizetype mark = c.server.requests().size();
        for (qsizetype i = 0; i < planned.steps.size(); ++i) {
            const QByteArray body = planned.steps.at(i).body;
            if (i != planned.faulted) {
                c.server.queue(ScriptedReply::ok(body));
                continue;
            }
            // Late enough that the other commands are pressed while it waits.
            c.server.queue(ScriptedReply().pause(150).send("HTTP/1.1 200 OK\r\nContent-Length: "
                                                           + QByteArray::number(body.size()) + "\r\n\r\n" + body));
        }
        int pressed = 0;
        const int pressAt = int(mark + planned.faulted);
        connect(&c.server, &vo::test::ScriptServer::requestReceived, &c.server, [&c, &pressed, pressAt](int index) {
            if (index != pressAt)
                return;
            ++pressed;
            c.selectRow(1);
            for (const char *command : {"btnRefresh", "btnDelete", "btnDeleteAll", "btnAdd", "btnEdit", "bsSkinButton2",
                                        "btnNews", "bsSkinSpeedButton1"})
                c.click(command);
        });
        if (op == Op::UpdateCheck)
            TMessageBox::queueAnswer(TMessageBox::Answer::Cancel); // the offer: not now
        const int dialogs = perform(op);
        QTRY_COMPARE(pressed, 1);
        verifySucceeded(op, mark, dialogs);
        if (QTest::currentTestFailed())
            return;
        QVERIFY(c.settle());
        QCOMPARE(c.trail(mark).size(), planned.steps.size() + 1);
    }
};

QTEST_MAIN(BadDayTest)
#include "BadDayTest.moc"
