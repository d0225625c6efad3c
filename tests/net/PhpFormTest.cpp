#include "net/IdHTTP.h"
#include "net/MultipartForm.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

using namespace vo;

// Posts forms to PHP's own multipart parser, which none of us wrote: if PHP reads the
// fields back exactly, the seller's scripts will too.
class PhpFormTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        const QString php = QStandardPaths::findExecutable(QStringLiteral("php"));
        if (php.isEmpty())
            QSKIP("php (Debian php-cli) is not installed; scripts/test installs it");
        QVERIFY(dir_.isValid());
        QFile script(dir_.filePath(QStringLiteral("echo.php")));
        QVERIFY(script.open(QIODevice::WriteOnly));
        script.write("<?php\necho json_encode($_POST);\n");
        script.close();

        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
        port_ = probe.serverPort();
        probe.close();
        server_.setWorkingDirectory(dir_.path());
        server_.start(php, {QStringLiteral("-S"), QStringLiteral("127.0.0.1:%1").arg(port_), QStringLiteral("echo.php")});
        QVERIFY(server_.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(accepting(), 10000);
    }

    void cleanupTestCase()
    {
        server_.kill();
        server_.waitForFinished();
    }

    void fieldsArriveExactly()
    {
        TIdMultiPartFormDataStream form;
        form.AddField("action", "4");
        form.AddField("prodname", "100% off %41");
        form.AddField("prodthankspage", "line one\r\nline two\nthree");
        form.AddField("blank", "");
        form.AddField("end", "");
        TIdHTTP http;
        const QByteArray reply = http.PostForm(url("/actions.php"), form);

        const QJsonObject fields = QJsonDocument::fromJson(reply).object();
        QCOMPARE(fields.size(), 5);
        QCOMPARE(fields.value(QStringLiteral("action")).toString(), QStringLiteral("4"));
        QCOMPARE(fields.value(QStringLiteral("prodname")).toString(), QStringLiteral("100% off %41"));
        QCOMPARE(fields.value(QStringLiteral("prodthankspage")).toString(), QStringLiteral("line one\r\nline two\nthree"));
        QCOMPARE(fields.value(QStringLiteral("blank")).toString(), QString());
        // The final CR LF of the body lands in the last field: that is what "end" is for.
        QCOMPARE(fields.value(QStringLiteral("end")).toString(), QStringLiteral("\r\n"));
        QCOMPARE(http.LastStatusLine(), QByteArray("HTTP/1.0 200 OK"));
    }

    void serverCheckFormAndAGetAfterIt()
    {
        TIdMultiPartFormDataStream form;
        form.AddField("action", "1");
        form.AddField("end", "");
        TIdHTTP http;
        QCOMPARE(http.PostForm(url("/actions.php"), form), QByteArray("{\"action\":\"1\",\"end\":\"\\r\\n\"}"));
        // The GET carries the multipart type but no body: PHP sees no fields.
        QCOMPARE(http.GetText(url("/actions.php")), QByteArray("[]"));
    }

private:
    bool accepting() const
    {
        QTcpSocket probe;
        probe.connectToHost(QHostAddress::LocalHost, port_);
        return probe.waitForConnected(200);
    }

    QByteArray url(const QByteArray &path) const { return "http://127.0.0.1:" + QByteArray::number(port_) + path; }

    QTemporaryDir dir_;
    QProcess server_;
    quint16 port_ = 0;
};

QTEST_GUILESS_MAIN(PhpFormTest)
#include "PhpFormTest.moc"
