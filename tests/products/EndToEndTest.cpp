// The console and a buyer against the seller's kit under `php -S`, with nothing between them but
// the network and the kit's folder: the console's application folder is the kit's folder, so the
// config.php that the Settings dialog writes is the one the kit reads, as after an upload.
#include "app/FMain.h"
#include "common/Files.h"
#include "common/ModalDriver.h"
#include "common/TestSites.h"
#include "ui/AnsiLineEdit.h"
#include "ui/IntegerEdit.h"
#include "ui/MessageBox.h"

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QHostAddress>
#include <QLabel>
#include <QNetworkProxy>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTableView>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <memory>

using namespace vo;
using vo::test::child;
using vo::test::writeFile;
using vo::test::whenModalShown;

namespace {

// An archive the kit must hand out byte for byte: an empty zip whose comment names it.
QByteArray archiveBytes(const QByteArray &name)
{
    QByteArray eocd("PK\x05\x06", 4);
    eocd += QByteArray(16, '\0');
    eocd += char(name.size() & 0xFF);
    eocd += char(name.size() >> 8);
    return eocd + name;
}

// The kit as a seller uploads it: everything but its tests and any database of a local run.
bool copyKit(const QString &from, const QString &to)
{
    const QDir source(from);
    QDirIterator files(from, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    bool copied = false;
    while (files.hasNext()) {
        const QString relative = source.relativeFilePath(files.next());
        if (relative.startsWith(QLatin1String("tests/")) || relative.contains(QLatin1String(".sqlite")))
            continue;
        QDir().mkpath(QFileInfo(QDir(to).filePath(relative)).path());
        if (!QFile::copy(files.filePath(), QDir(to).filePath(relative)))
            return false;
        copied = true;
    }
    return copied;
}

struct BuyerReply
{
    int status = 0;
    QByteArray headers;
    QByteArray body;
};

// A browser's GET of an absolute http URL, sent from the loopback address `from`, read until the
// server closes the connection.
BuyerReply fetch(const QByteArray &url, const QHostAddress &from = QHostAddress(QStringLiteral("127.0.0.1")))
{
    const QUrl parsed = QUrl::fromEncoded(url);
    QTcpSocket socket;
    socket.setProxy(QNetworkProxy::NoProxy);
    if (!socket.bind(from))
        return {};
    socket.connectToHost(parsed.host(), quint16(parsed.port()));
    if (!socket.waitForConnected(10000))
        return {};
    const QByteArray target = url.mid(url.indexOf('/', qstrlen("http://")));
    socket.write("GET " + target + " HTTP/1.0\r\nHost: " + parsed.authority().toLatin1() + "\r\n\r\n");
    QByteArray data;
    while (socket.state() == QAbstractSocket::ConnectedState && socket.waitForReadyRead(10000))
        data += socket.readAll();
    data += socket.readAll();

    BuyerReply reply;
    const qsizetype split = data.indexOf("\r\n\r\n");
    if (split < 0)
        return reply;
    reply.status = data.split(' ').value(1).toInt();
    reply.headers = data.left(split + 2);
    reply.body = data.mid(split + 4);
    return reply;
}

// The download links of a thanks page, as absolute URLs a browser would follow.
QList<QByteArray> downloadLinks(const QByteArray &pageUrl, const QByteArray &page)
{
    QList<QByteArray> links;
    static const QRegularExpression href(QStringLiteral("<a\\s[^>]*href=\"([^\"]*)\""));
    for (const QRegularExpressionMatch &m : href.globalMatch(QString::fromLatin1(page))) {
        QString target = m.captured(1);
        target.replace(QLatin1String("&amp;"), QLatin1String("&"));
        links << QUrl::fromEncoded(pageUrl).resolved(QUrl::fromEncoded(target.toLatin1())).toEncoded();
    }
    return links;
}

} // namespace

class EndToEndTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void sellerManagesProductsThroughTheKit();
    void buyerDownloadsUntilEachLimitRefuses();
    void aNewSecretKeyRetiresOldLinks();
    void sellerDeletesEveryProduct();

private:
    void click(const char *name) { QTest::mouseClick(child<QPushButton>(window_.get(), name), Qt::LeftButton); }
    QString cell(int row, int column) const { return list_->model()->index(row, column).data().toString(); }
    // The Settings dialog, confirmed with OK: the console writes hsettings.dat and config.php.
    void confirmSettings(const QByteArray &secretKey);
    // Get Thanks Page URL for the list's first row: the link shown in the dialog.
    QByteArray thanksLink();
    void setClock(qint64 unixTime);

    QTemporaryDir kit_;    // the seller's site folder and the console's application folder
    QTemporaryDir empty_;  // the built-in server's document root: nothing to serve there
    QTemporaryDir clock_;
    QProcess php_;
    QByteArray siteUrl_;
    std::unique_ptr<TfrmMain> window_;
    QTableView *list_ = nullptr;
    qint64 now_ = 0;
    QByteArray link_;

    static constexpr int kHours = 1;
    static constexpr int kDownloads = 2;
};

void EndToEndTest::initTestCase()
{
    const QString php = QStandardPaths::findExecutable(QStringLiteral("php"));
    QVERIFY2(!php.isEmpty(), "php (Debian php-cli) is needed; scripts/test installs it");
    QVERIFY(copyKit(QStringLiteral(VO_SITE_DIR), kit_.path()));
    // Product "Apple Book": two archives and a file that is no archive; its own thanks page.
    QVERIFY(writeFile(kit_.filePath(QStringLiteral("apple/apple-book.zip")), archiveBytes("apple-book")));
    QVERIFY(writeFile(kit_.filePath(QStringLiteral("apple/apple-extras.zip")), archiveBytes("apple-extras")));
    QVERIFY(writeFile(kit_.filePath(QStringLiteral("apple/notes.txt")), "not for sale"));
    QVERIFY(writeFile(kit_.filePath(QStringLiteral("thanks-apple.html")),
                      "<html><body><h1>Thank you for your Apple Book</h1></body></html>"));
    now_ = QDateTime::currentSecsSinceEpoch();
    setClock(now_);

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("VANTREL_KIT_CLOCK_FILE"), clock_.filePath(QStringLiteral("now")));
    php_.setProcessEnvironment(environment);
    php_.setWorkingDirectory(empty_.path());
    php_.start(php, {QStringLiteral("-S"), QStringLiteral("127.0.0.1:0"), QStringLiteral("-t"), empty_.path(),
                     kit_.filePath(QStringLiteral("router.php"))});
    // PHP names the port it took on its first log line; later lines are read and dropped.
    QByteArray log;
    static const QRegularExpression started(QStringLiteral("Development Server \\(http://127\\.0\\.0\\.1:(\\d+)\\) started"));
    QTRY_VERIFY_WITH_TIMEOUT((log += php_.readAllStandardError(), started.match(QString::fromLatin1(log)).hasMatch()),
                             10000);
    siteUrl_ = "http://127.0.0.1:" + started.match(QString::fromLatin1(log)).captured(1).toLatin1();
    connect(&php_, &QProcess::readyReadStandardError, &php_, [this] { php_.readAllStandardError(); });

    // The seller has named the site already; the new site answers the start-up's check and list.
    QVERIFY(writeFile(kit_.filePath(QStringLiteral("hsettings.dat")), "[Settings]\r\nswebserver=" + siteUrl_ + "\r\n"));
    TMessageBox::beginScript();
    window_ = std::make_unique<TfrmMain>(AppFolder(kit_.path()));
    window_->setUpdateBaseUrl(vo::test::kNoUpdateSite);
    QSignalSpy legs(window_.get(), &TfrmMain::startupLegStarted);
    window_->show();
    list_ = child<QTableView>(window_.get(), "lvwProducts");
    QTRY_COMPARE(legs.count(), 4);
    QTRY_COMPARE(child<QLabel>(window_.get(), "lblTotal")->text(), QStringLiteral("Total: 0 product(s)"));
}

void EndToEndTest::cleanupTestCase()
{
    TMessageBox::endScript();
    window_.reset();
    php_.kill();
    php_.waitForFinished(10000);
}

void EndToEndTest::setClock(qint64 unixTime)
{
    QVERIFY(writeFile(clock_.filePath(QStringLiteral("now")), QByteArray::number(unixTime)));
}

void EndToEndTest::confirmSettings(const QByteArray &secretKey)
{
    whenModalShown([this, secretKey](QWidget *dialog) {
        // Typed with a final "/", as sellers often do: every request then asks for "//script.php".
        child<AnsiLineEdit>(dialog, "edtSite")->setText(QString::fromLatin1(siteUrl_ + '/'));
        child<AnsiLineEdit>(dialog, "edtSecretKey")->setText(QString::fromLatin1(secretKey));
        child<TIntegerEdit>(dialog, "edtExpire")->setText(QString::number(kHours));
        child<TIntegerEdit>(dialog, "edtDownloads")->setText(QString::number(kDownloads));
        child<TIntegerEdit>(dialog, "edtIPs")->setText(QStringLiteral("1"));
        QTest::mouseClick(child<QPushButton>(dialog, "btnOk"), Qt::LeftButton);
    });
    click("btnSimple");
}

QByteArray EndToEndTest::thanksLink()
{
    list_->clearSelection();
    list_->selectRow(0);
    QByteArray link;
    whenModalShown([&link](QWidget *dialog) {
        link = child<AnsiLineEdit>(dialog, "edtURLs")->bytes();
        QTest::mouseClick(child<QPushButton>(dialog, "btnOk"), Qt::LeftButton);
    });
    click("bsSkinButton2");
    return link;
}

void EndToEndTest::sellerManagesProductsThroughTheKit()
{
    confirmSettings("first secret key");
    QVERIFY(QFile::exists(kit_.filePath(QStringLiteral("config.php"))));

    const auto add = [this](const char *name, const char *folder, const char *thanksPage) {
        whenModalShown([=](QWidget *dialog) {
            child<AnsiLineEdit>(dialog, "edtProdName")->setText(QString::fromLatin1(name));
            child<AnsiLineEdit>(dialog, "edtProdFolder")->setText(QString::fromLatin1(folder));
            child<AnsiLineEdit>(dialog, "edtProdThanksPage")->setText(QString::fromLatin1(thanksPage));
            QTest::mouseClick(child<QPushButton>(dialog, "btnOk"), Qt::LeftButton);
        });
        click("btnAdd");
    };
    add("Zebra Guide", "zebra", "thanks-zebra.html");
    add("Apple Book", "apple", "thanks-apple.html");
    QCOMPARE(child<QLabel>(window_.get(), "lblTotal")->text(), QStringLiteral("Total: 2 product(s)"));
    QCOMPARE(cell(0, 0), QStringLiteral("Apple Book"));
    QCOMPARE(cell(1, 0), QStringLiteral("Zebra Guide"));
    const QString appleCode = cell(0, 3);
    QVERIFY(!appleCode.isEmpty());
    QVERIFY(TMessageBox::takeShown().isEmpty());

    add("Apple Book", "x", "y");
    QCOMPARE(TMessageBox::takeShown().value(0).text,
             QStringLiteral("This Product Name already exists. Please enter a new Name when add a new Product."));

    // Renaming makes the kit give the product a new code.
    list_->selectRow(0);
    whenModalShown([&](QWidget *dialog) {
        QCOMPARE(child<AnsiLineEdit>(dialog, "edtCode")->text(), appleCode);
        child<AnsiLineEdit>(dialog, "edtProdName")->setText(QStringLiteral("Apple Book II"));
        QTest::mouseClick(child<QPushButton>(dialog, "btnOk"), Qt::LeftButton);
    });
    click("btnEdit");
    QCOMPARE(cell(0, 0), QStringLiteral("Apple Book II"));
    QVERIFY(cell(0, 3) != appleCode);

    link_ = thanksLink();
    const QByteArray withoutKey = siteUrl_ + "//thanks.php?id=" + cell(0, 3).toLatin1() + "&sk=";
    QVERIFY2(link_.startsWith(withoutKey) && link_.size() > withoutKey.size(), link_.constData());
}

void EndToEndTest::buyerDownloadsUntilEachLimitRefuses()
{
    QVERIFY(!link_.isEmpty());
    // Each visit of the thanks page makes links of its own, each with the whole allowance.
    const auto visit = [this] {
        const BuyerReply page = fetch(link_);
        const QList<QByteArray> links = downloadLinks(link_, page.body);
        // The seller's own page, with one link per archive of the product's folder.
        if (page.status != 200 || !page.body.contains("Thank you for your Apple Book") || links.size() != 2
            || !page.body.contains("apple-book.zip") || !page.body.contains("apple-extras.zip")) {
            qWarning("thanks page %d: %s", page.status, page.body.constData());
            return QByteArray();
        }
        return links.at(0).contains("apple-book.zip") ? links.at(0) : links.at(1);
    };
    const QHostAddress other(QStringLiteral("127.0.0.2"));

    const QByteArray first = visit();
    QVERIFY(!first.isEmpty());
    for (int i = 0; i < kDownloads; ++i) {
        const BuyerReply download = fetch(first);
        QCOMPARE(download.status, 200);
        QCOMPARE(download.body, archiveBytes("apple-book"));
        QVERIFY2(download.headers.contains("Content-Type: application/zip\r\n"), download.headers.constData());
    }
    const BuyerReply spent = fetch(first);
    QCOMPARE(spent.status, 403);
    QVERIFY2(spent.body.contains("maximum number of downloads"), spent.body.constData());

    const QByteArray second = visit();
    QCOMPARE(fetch(second).status, 200);
    const BuyerReply elsewhere = fetch(second, other);
    QCOMPARE(elsewhere.status, 403);
    QVERIFY2(elsewhere.body.contains("maximum number of IP addresses"), elsewhere.body.constData());

    const QByteArray third = visit();
    QCOMPARE(fetch(third).status, 200);
    setClock(now_ + kHours * 3600 + 1);
    const BuyerReply late = fetch(third);
    QCOMPARE(late.status, 403);
    QVERIFY2(late.body.contains("has expired"), late.body.constData());
    // A link of a visit after that has its own lifetime.
    QCOMPARE(fetch(visit()).status, 200);
}

void EndToEndTest::aNewSecretKeyRetiresOldLinks()
{
    QVERIFY(!link_.isEmpty());
    QCOMPARE(fetch(link_).status, 200);
    confirmSettings("second secret key");
    QCOMPARE(fetch(link_).status, 403);
    const QByteArray fresh = thanksLink();
    QVERIFY(fresh != link_);
    QCOMPARE(fetch(fresh).status, 200);
    link_ = fresh;
}

void EndToEndTest::sellerDeletesEveryProduct()
{
    click("btnSelectAll");
    TMessageBox::queueAnswer(TMessageBox::Answer::Ok);
    click("btnDelete");
    QCOMPARE(list_->model()->rowCount(), 0);
    QCOMPARE(child<QLabel>(window_.get(), "lblTotal")->text(), QStringLiteral("Total: 0 products(s)"));
    QCOMPARE(fetch(link_).status, 403);
}

QTEST_MAIN(EndToEndTest)
#include "EndToEndTest.moc"
