// Times the console's start: from starting a new process to the main window's first paint, once
// in a folder without branding and once in a folder with a branding file and a JPEG banner, and
// reads the resident memory a second later, when the start-up requests have ended. The window
// side is the same as the program's main(); the measuring side is this program started again,
// so nothing of the measurement lives in the console itself.
//
//     bench_startup [plain|branded]...
//
// The start-up requests go to a closed port on 127.0.0.1, so they end at once and send nothing
// anywhere.

#include "../common/BenchResult.h"

#include "app/Application.h"
#include "app/FMain.h"
#include "branding/AesLib.h"
#include "ui/Skin.h"

#include <QColor>
#include <QDir>
#include <QElapsedTimer>
#include <QApplication>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <cstdio>

namespace {

const QByteArray kClosedSite = QByteArrayLiteral("http://127.0.0.1:9");

// Prints "shown" once the window has painted for the first time: what the seller sees. The
// line says whether a banner is on show and how many windows are open, so that the measuring
// side can tell a branded start from one that failed and put up a message instead.
class FirstPaint : public QObject
{
public:
    explicit FirstPaint(QWidget *window) : window_(window) { window->installEventFilter(this); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == window_ && event->type() == QEvent::Paint && !seen_) {
            seen_ = true;
            // After the paint has been handled, so its cost is counted.
            QTimer::singleShot(0, this, [this] { report(); });
        }
        return QObject::eventFilter(watched, event);
    }

private:
    void report() const
    {
        const auto *banner = window_->findChild<QLabel *>(QStringLiteral("imgBanner"));
        const bool bannerShown = banner && !banner->pixmap().isNull();
        qsizetype windows = 0;
        for (const QWidget *widget : QApplication::topLevelWidgets())
            windows += widget->isVisible() ? 1 : 0;
        std::printf("shown banner=%d windows=%lld\n", bannerShown ? 1 : 0, static_cast<long long>(windows));
        std::fflush(stdout);
    }

    QWidget *const window_;
    bool seen_ = false;
};

int runWindow(int argc, char **argv, const QString &folder)
{
    vo::TApplication app(argc, argv);
    vo::skin::apply(vo::skin::builtIn());
    vo::TfrmMain frmMain{vo::AppFolder(folder)};
    frmMain.setUpdateBaseUrl(kClosedSite + "/liveupdate/");
    const FirstPaint firstPaint(&frmMain);
    frmMain.show();
    return app.exec();
}

bool writeFile(const QString &name, const QByteArray &bytes)
{
    QFile file(name);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

bool prepareFolder(const QDir &folder, bool branded)
{
    const QByteArray settings = "[Settings]\r\nswebserver=" + kClosedSite + "\r\nsExpireTimeout=0\r\n";
    if (!writeFile(folder.filePath(QStringLiteral("hsettings.dat")), settings))
        return false;
    if (!branded)
        return true;

    // A banner of the usual size with some detail, so decoding it costs what a real one does.
    QImage banner(760, 90, QImage::Format_RGB32);
    QPainter painter(&banner);
    for (int x = 0; x < banner.width(); x += 4)
        painter.fillRect(x, 0, 4, banner.height(), QColor::fromHsv(x % 360, 180, 220));
    painter.drawText(banner.rect(), Qt::AlignCenter, QStringLiteral("Vantrel Oskel"));
    painter.end();
    if (!banner.save(folder.filePath(QStringLiteral("banner1.dat")), "JPG", 85))
        return false;

    QByteArray markup;
    const auto tag = [&markup](const QByteArray &name, const QByteArray &value) {
        markup += "<%%" + name + "%%>" + value + "<%%/" + name + "%%>\r\n";
    };
    tag("ApplicationName", "Vantrel Oskel");
    tag("BranderCode", "BENCH");
    tag("BranderType", "Master");
    tag("AffiliateURL", kClosedSite + "/?affiliate=%%AFFILIATEID%%");
    tag("AffiliateID", "bench");
    tag("MasterNewsBaseURL", kClosedSite + "/news/");
    tag("MasterPublID", "bench");
    tag("AppHelpURL", kClosedSite + "/help/");
    tag("CopyrightYears", "2026");
    tag("CopyrightCompany", "Bench");
    tag("AboutText", "Start-up benchmark");
    tag("Welcome1", "<html><body><h1>Welcome</h1><p>Your shop, managed from here.</p></body></html>");
    tag("Banner1", "banner.jpg^" + kClosedSite + "/");
    tag("Link1", "Site^" + kClosedSite + "/");
    tag("Link2", "Help^" + kClosedSite + "/help/");
    const QString plain = folder.filePath(QStringLiteral("branding.txt"));
    const bool encrypted = writeFile(plain, markup)
                        && vo::EncryptFileTo(plain, folder.filePath(QStringLiteral("dbsettings.dat")));
    QFile::remove(plain);
    return encrypted;
}

double residentMiB(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024;
    return -1;
}

// Starts the window in `folder`; returns the line it printed once painted, empty when it never
// painted.
QByteArray measureOnce(const QString &program, const QString &folder, double &shownMs, double &residentAfter)
{
    QProcess window;
    window.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QElapsedTimer timer;
    timer.start();
    window.start(program, {QStringLiteral("--window"), folder});
    QByteArray said;
    while (!said.contains('\n') && window.waitForReadyRead(30000))
        said += window.readAllStandardOutput();
    shownMs = double(timer.nsecsElapsed()) / 1e6;
    const bool shown = said.startsWith("shown ");
    if (shown) {
        QThread::msleep(1000);
        residentAfter = residentMiB(window.processId());
    }
    window.kill();
    window.waitForFinished();
    return shown ? said.trimmed() : QByteArray();
}

} // namespace

int main(int argc, char **argv)
{
    if (argc == 3 && QByteArray(argv[1]) == "--window")
        return runWindow(argc, argv, QString::fromLocal8Bit(argv[2]));

    // The banner is drawn with text, which needs the font database of a GUI application.
    QGuiApplication app(argc, argv);
    QStringList modes;
    for (int i = 1; i < argc; ++i)
        modes.append(QString::fromLocal8Bit(argv[i]));
    if (modes.isEmpty())
        modes = {QStringLiteral("plain"), QStringLiteral("branded")};

    const QString program = QString::fromLocal8Bit(argv[0]);
    for (const QString &mode : modes) {
        if (mode != QLatin1String("plain") && mode != QLatin1String("branded")) {
            std::fprintf(stderr, "usage: bench_startup [plain|branded]...\n");
            return 2;
        }
        const bool branded = mode == QLatin1String("branded");
        QTemporaryDir dir;
        if (!dir.isValid() || !prepareFolder(QDir(dir.path()), branded)) {
            std::fprintf(stderr, "cannot prepare the %s folder\n", qPrintable(mode));
            return 1;
        }
        double shownMs = 0;
        double resident = 0;
        const QByteArray shown = measureOnce(program, dir.path(), shownMs, resident);
        const QByteArray expected = "shown banner=" + QByteArray(branded ? "1" : "0") + " windows=1";
        if (shown != expected) {
            std::fprintf(stderr, "the %s start did not come up as it should: \"%s\"\n", qPrintable(mode),
                         shown.constData());
            return 1;
        }
        std::printf("%-8s start to first paint %7.1f ms, resident a second later %5.1f MiB\n", qPrintable(mode),
                    shownMs, resident);
        vo::bench::result(qPrintable(QStringLiteral("startup.%1_ms").arg(mode)), shownMs);
        vo::bench::result(qPrintable(QStringLiteral("startup.%1_rss_mib").arg(mode)), resident);
    }
    return 0;
}
