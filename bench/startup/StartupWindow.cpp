// The window side of the start-up benchmark (see StartupBench.cpp): the console's own start-up
// code, as in its main(), with a watcher that says when the main window has first painted; and
// the preparation of the application folders it starts in.
//
//     bench_startup_window --prepare FOLDER plain|branded
//     bench_startup_window --window FOLDER
//     bench_startup_window --once FOLDER          (ends after the first paint, for profiling)
//     bench_startup_window --unskinned FOLDER     (without the skin, to weigh what it costs)
//
// The start-up requests go to a closed port on 127.0.0.1, so they end at once and send nothing
// anywhere.

#include "FirstPaint.h"

#include "app/Application.h"
#include "app/FMain.h"
#include "branding/AesLib.h"
#include "ui/Skin.h"

#include <QApplication>
#include <QColor>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <cstdio>

namespace {

const QByteArray kClosedSite = QByteArrayLiteral("http://127.0.0.1:9");

int runWindow(int argc, char **argv, const QString &folder, const QByteArray &command)
{
    vo::TApplication app(argc, argv);
    if (command != "--unskinned")
        vo::skin::apply(vo::skin::builtIn());
    vo::TfrmMain frmMain{vo::AppFolder(folder)};
    frmMain.setUpdateBaseUrl(kClosedSite + "/liveupdate/");
    const vo::bench::FirstPaint firstPaint(&frmMain, command == "--once");
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

} // namespace

int main(int argc, char **argv)
{
    const QByteArray command = argc > 2 ? QByteArray(argv[1]) : QByteArray();
    if ((command == "--window" || command == "--once" || command == "--unskinned") && argc == 3)
        return runWindow(argc, argv, QString::fromLocal8Bit(argv[2]), command);
    if (command == "--prepare" && argc == 4) {
        const QByteArray mode(argv[3]);
        // The banner is drawn with text, which needs the font database of a GUI application.
        QGuiApplication app(argc, argv);
        if ((mode == "plain" || mode == "branded") && prepareFolder(QDir(QString::fromLocal8Bit(argv[2])), mode == "branded"))
            return 0;
        std::fprintf(stderr, "cannot prepare a %s folder in %s\n", mode.constData(), argv[2]);
        return 1;
    }
    std::fprintf(stderr, "usage: bench_startup_window --prepare FOLDER plain|branded | --window|--once|--unskinned FOLDER\n");
    return 2;
}
