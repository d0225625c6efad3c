#pragma once

// The whole console against one scripted server that plays the seller's site ("/site"), the
// Master tier's news server ("/news") and the update site ("/live/"), with a client whose waits
// are short. Suites that give the seller a bad day build on it.

#include "app/FMain.h"
#include "branding/AesLib.h"
#include "net/IdHTTP.h"
#include "platform/UpdaterSystem.h"
#include "products/ProductListModel.h"
#include "support/ScriptServer.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QHostAddress>
#include <QLabel>
#include <QPointer>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTcpSocket>
#include <QTimer>

#include <functional>
#include <memory>

namespace vo::test {

inline const QByteArray kThreeRows = "\"30\",\"Zeta\",\"z\",\"tz.html\",\"CZ\"^"
                                     "\"10\",\"alpha\",\"c\",\"ta.html\",\"CA\"^"
                                     "\"20\",\"Beta\",\"a\",\"tb.html\",\"CB\"^OK";
inline const QByteArray kSameVersion = "[APPLICATION]\r\nName=Vantrel Oskel\r\nVersion=2.01\r\n";

// Answers the modal dialogs that open while it lives, each once, the way a person would; it
// stops with its scope, so a dialog that never came cannot catch a later one.
class ModalAnswer
{
public:
    explicit ModalAnswer(std::function<void(QWidget *)> act) : act_(std::move(act))
    {
        timer_.setInterval(5);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            QWidget *modal = QApplication::activeModalWidget();
            if (!modal || modal == answered_)
                return;
            answered_ = modal;
            ++answered;
            act_(modal);
        });
        timer_.start();
    }

    int answered = 0;

private:
    std::function<void(QWidget *)> act_;
    QPointer<QWidget> answered_;
    QTimer timer_;
};

class ScriptedConsole
{
public:
    // Long enough for any healthy reply on a busy machine, short enough for a stalled one.
    static constexpr int kShortWaitMs = 1000;

    ScriptedConsole()
        : brandingText("<%%BranderCode%%>BC9<%%/BranderCode%%>\r\n<%%BranderType%%>Master<%%/BranderType%%>\r\n"
                       "<%%MasterNewsBaseURL%%>" + server.url("/news") + "<%%/MasterNewsBaseURL%%>\r\n"
                       "<%%MasterPublID%%>pub1<%%/MasterPublID%%>\r\n")
    {
        write("plain.txt", brandingText);
        EncryptFileTo(file("plain.txt"), file("dbsettings.dat"));
        QFile::remove(file("plain.txt"));
        write("hsettings.dat", "[Settings]\r\nswebserver=" + server.url("/site") + "\r\n");
    }

    QString file(const char *name) const { return dir.filePath(QString::fromLatin1(name)); }
    QByteArray read(const char *name) const
    {
        QFile in(file(name));
        return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
    }
    void write(const char *name, const QByteArray &bytes) const
    {
        QFile out(file(name));
        if (out.open(QIODevice::WriteOnly))
            out.write(bytes);
    }

    // The replies of a start-up that goes well: no news, no newer version, a working site with
    // three products.
    void queueStartup()
    {
        server.queue(ScriptedReply::ok("\xAFOK"));
        server.queue(ScriptedReply::ok(kSameVersion));
        server.queue(ScriptedReply::ok("OK"));
        server.queue(ScriptedReply::ok(kThreeRows));
    }

    // Creates and shows the window; its start-up runs from the event loop 100 ms later.
    void create()
    {
        window = std::make_unique<TfrmMain>(AppFolder(dir.path()));
        window->setUpdateBaseUrl(server.url("/live/"));
        TIdHTTP::Limits limits;
        limits.redirectDiscardMs = 50;
        limits.errorBodyMs = 50;
        limits.readTimeoutMs = kShortWaitMs;
        window->http().setLimits(limits);
        window->show();
    }

    // A start-up that goes well, waited for until the list is loaded.
    bool start()
    {
        queueStartup();
        create();
        return QTest::qWaitFor([this] { return rows() == 3 && status().isEmpty() && server.requests().size() == 4; });
    }

    template <typename Widget = QWidget>
    Widget *find(const char *name) const
    {
        return window->findChild<Widget *>(QString::fromLatin1(name));
    }
    void click(const char *name) const { QTest::mouseClick(find<QAbstractButton>(name), Qt::LeftButton); }

    QTableView *list() const { return find<QTableView>("lvwProducts"); }
    int rows() const { return list()->model()->rowCount(); }
    QStringList names() const
    {
        QStringList texts;
        for (int row = 0; row < rows(); ++row)
            texts << list()->model()->index(row, 0).data().toString();
        return texts;
    }
    QString total() const { return find<QLabel>("lblTotal")->text(); }
    QString status() const { return find<QLabel>("MainStatusPanel")->text(); }
    void selectRow(int row) const
    {
        list()->clearSelection();
        list()->selectionModel()->select(list()->model()->index(row, 0),
                                         QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }

    // What each request from `from` on asked for, in order: "GET <path>", "action=<n>" for the
    // site, "<script>:<fourth field>=<value>" for the news server.
    QStringList trail(qsizetype from = 0) const
    {
        QStringList labels;
        const QList<RecordedRequest> &requests = server.requests();
        for (qsizetype i = from; i < requests.size(); ++i)
            labels << QString::fromLatin1(label(requests.at(i)));
        return labels;
    }

    // Sends a request of its own and waits until the server has it: everything the console had
    // sent before has then arrived too, so the trail is complete.
    bool settle()
    {
        QTcpSocket probe;
        probe.connectToHost(QHostAddress::LocalHost, server.port());
        if (!QTest::qWaitFor([&probe] { return probe.state() == QAbstractSocket::ConnectedState; }))
            return false;
        probe.write("GET /settle HTTP/1.1\r\nHost: probe\r\n\r\n");
        const bool arrived = QTest::qWaitFor([this] {
            return !server.requests().isEmpty() && server.requests().constLast().requestLine() == "GET /settle HTTP/1.1";
        });
        probe.abort();
        return arrived && server.pendingBytes() == 0;
    }

    QTemporaryDir dir;
    ScriptServer server;
    // The update check as it runs where the updater takes over.
    const ScopedUpdaterSystem updaterBesideTheProgram{true};
    // The plain text of the branding file "dbsettings.dat".
    const QByteArray brandingText;
    std::unique_ptr<TfrmMain> window;

private:
    static QByteArray label(const RecordedRequest &request)
    {
        const QList<QByteArray> parts = request.requestLine().split(' ');
        const QByteArray path = parts.value(1);
        if (parts.value(0) != "POST")
            return parts.value(0) + ' ' + path;
        const auto fields = parseMultipartFields(request.body(), request.header("Content-Type"));
        if (path.endsWith("/actions.php"))
            return "action=" + fields.value(0).second;
        return path.mid(path.lastIndexOf('/') + 1) + ':' + fields.value(3).first + '=' + fields.value(3).second;
    }
};

} // namespace vo::test
