// Throughput and round trips of TIdHTTP beside curl, against the same loopback server in the
// same run. A plain report, not a test:
//   bench_http [GiB] [round-trips]     (defaults: 1 GiB, 1000)

#include "LoopbackServer.h"
#include "../common/BenchResult.h"
#include "../common/ProcessMemory.h"

#include "net/IdHTTP.h"
#include "net/MultipartForm.h"
#include "platform/AppError.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextStream>

#include <cstdio>

namespace {

// Peak and current resident memory of this process, in MiB.
struct Memory
{
    double peak = 0;
    double now = 0;
};

Memory memory()
{
    return {vo::bench::statusKiB("self", "VmHWM") / 1024, vo::bench::statusKiB("self", "VmRSS") / 1024};
}

double runCurl(const QStringList &arguments)
{
    QProcess curl;
    QElapsedTimer timer;
    timer.start();
    curl.start(QStringLiteral("curl"), arguments);
    if (!curl.waitForStarted() || !curl.waitForFinished(-1) || curl.exitCode() != 0) {
        std::printf("  curl failed: %s\n", curl.readAllStandardError().constData());
        return -1;
    }
    return double(timer.nsecsElapsed()) / 1e9;
}

void download(vo::bench::LoopbackServer &server, const QTemporaryDir &dir, qint64 size)
{
    const QByteArray url = "http://127.0.0.1:" + QByteArray::number(server.port()) + "/big";
    const QString ours = dir.filePath(QStringLiteral("ours.bin"));
    const QString theirs = dir.filePath(QStringLiteral("curl.bin"));
    const double mib = double(size) / (1024 * 1024);

    std::printf("GetToStream of %.0f MiB into a file\n", mib);
    const Memory before = memory();
    double ourSeconds = 0;
    {
        QFile sink(ours);
        if (!sink.open(QIODevice::WriteOnly))
            return;
        vo::TIdHTTP http;
        QElapsedTimer timer;
        timer.start();
        http.GetToStream(url, sink, size);
        ourSeconds = double(timer.nsecsElapsed()) / 1e9;
    }
    const Memory after = memory();
    const qint64 ourSize = QFileInfo(ours).size();
    QFile::remove(ours);

    const double curlSeconds = runCurl({QStringLiteral("-s"), QStringLiteral("-o"), theirs, QString::fromLatin1(url)});
    const qint64 curlSize = QFileInfo(theirs).size();
    QFile::remove(theirs);

    std::printf("  TIdHTTP: %8.1f MiB/s  (%.2f s, %lld bytes)\n", mib / ourSeconds, ourSeconds, ourSize);
    if (ourSize == size)
        vo::bench::result("http.get_mibs", mib / ourSeconds);
    vo::bench::result("http.get_rss_growth_mib", after.now - before.now);
    if (curlSeconds > 0) {
        std::printf("  curl   : %8.1f MiB/s  (%.2f s, %lld bytes)\n", mib / curlSeconds, curlSeconds, curlSize);
        std::printf("  ratio  : %.0f %% of curl (goal: at least 90 %%)\n", 100.0 * curlSeconds / ourSeconds);
        if (curlSize == size)
            vo::bench::result("http.curl_get_mibs", mib / curlSeconds);
    }
    std::printf("  memory : resident %.1f MiB before, %.1f MiB after; peak %.1f MiB before, %.1f MiB after\n",
                before.now, after.now, before.peak, after.peak);
}

void roundTrips(vo::bench::LoopbackServer &server, const QTemporaryDir &dir, int count)
{
    const QByteArray url = "http://127.0.0.1:" + QByteArray::number(server.port()) + "/actions.php";
    std::printf("%d sequential form posts (action=1, end=)\n", count);

    vo::TIdHTTP http;
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < count; ++i) {
        vo::TIdMultiPartFormDataStream form;
        form.AddField("action", "1");
        form.AddField("end", "");
        if (http.PostForm(url, form) != "OK") {
            std::printf("  unexpected reply\n");
            return;
        }
    }
    const double ourSeconds = double(timer.nsecsElapsed()) / 1e9;

    // One curl process for all of them, as a fair comparison: no process start per post.
    QFile config(dir.filePath(QStringLiteral("posts.cfg")));
    if (!config.open(QIODevice::WriteOnly))
        return;
    for (int i = 0; i < count; ++i) {
        if (i > 0)
            config.write("next\n");
        config.write("url = \"" + url + "\"\nform = \"action=1\"\nform = \"end=\"\noutput = \"/dev/null\"\n");
    }
    config.close();
    const double curlSeconds = runCurl({QStringLiteral("-s"), QStringLiteral("-K"), config.fileName()});

    std::printf("  TIdHTTP: %8.3f ms per post  (%.2f s; a new connection for every POST)\n",
                1000 * ourSeconds / count, ourSeconds);
    vo::bench::result("http.post_ms", 1000 * ourSeconds / count);
    if (curlSeconds > 0)
        std::printf("  curl   : %8.3f ms per post  (%.2f s; one process, connection reused)\n",
                    1000 * curlSeconds / count, curlSeconds);
    if (curlSeconds > 0)
        vo::bench::result("http.curl_post_ms", 1000 * curlSeconds / count);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const double gib = args.size() > 1 ? args.at(1).toDouble() : 1.0;
    const int posts = args.size() > 2 ? args.at(2).toInt() : 1000;
    if (QStandardPaths::findExecutable(QStringLiteral("curl")).isEmpty())
        std::printf("curl not found: only the client's figures are shown\n");

    QTemporaryDir dir;
    const qint64 size = qint64(gib * 1024 * 1024 * 1024);
    vo::bench::LoopbackServer server(std::uint64_t(size > 0 ? size : 0));
    try {
        download(server, dir, size);
        roundTrips(server, dir, posts);
    } catch (const vo::AppError &e) {
        std::printf("failed: %s\n", e.what());
        return 1;
    }
    return 0;
}
