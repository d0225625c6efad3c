// vantrel-demo-site --port N --data DIR [--seed] [--update-version V]
// A local stand-in for the seller's site. Prints "listening 127.0.0.1:PORT" as its first line
// once it accepts connections, so that scripts and tests can learn a port picked with --port 0.
#include "DemoSite.h"
#include "ProductStore.h"
#include "StopSignals.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>

#include <cstdio>

namespace {

int fail(const QString &message)
{
    std::fprintf(stderr, "vantrel-demo-site: %s\n", qPrintable(message));
    return 1;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vantrel-demo-site"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Demo web site for the Vantrel Oskel console."));
    parser.addHelpOption();
    const QCommandLineOption portOption(QStringLiteral("port"),
                                        QStringLiteral("Port on 127.0.0.1; 0 picks a free one."),
                                        QStringLiteral("port"), QStringLiteral("0"));
    const QCommandLineOption dataOption(QStringLiteral("data"), QStringLiteral("Folder for the products database."),
                                        QStringLiteral("folder"));
    const QCommandLineOption seedOption(QStringLiteral("seed"),
                                        QStringLiteral("Add sample products when the database is new."));
    const QCommandLineOption updateOption(QStringLiteral("update-version"),
                                          QStringLiteral("The version that the update description offers."),
                                          QStringLiteral("version"), QStringLiteral("2.01"));
    parser.addOptions({portOption, dataOption, seedOption, updateOption});
    parser.process(app);

    bool portOk = false;
    const uint port = parser.value(portOption).toUInt(&portOk);
    if (!portOk || port > 65535)
        return fail(QStringLiteral("--port needs a number from 0 to 65535"));
    if (!parser.isSet(dataOption))
        return fail(QStringLiteral("--data is required"));
    const QDir dataDir(parser.value(dataOption));
    if (!dataDir.mkpath(QStringLiteral(".")))
        return fail(QStringLiteral("cannot create the data folder %1").arg(dataDir.path()));

    vo::demo::ProductStore store(dataDir.filePath(QStringLiteral("products.sqlite")));
    if (!store.isOpen())
        return fail(QStringLiteral("cannot open the products database: %1").arg(store.errorText()));
    if (parser.isSet(seedOption) && store.isNew())
        vo::demo::DemoSite::addSamples(store);

    const vo::demo::StopSignals stop([] { QCoreApplication::quit(); });
    vo::demo::DemoSite site(store, parser.value(updateOption).toLatin1());
    const quint16 listening = site.listen(static_cast<quint16>(port));
    if (listening == 0)
        return fail(QStringLiteral("cannot listen on 127.0.0.1:%1").arg(port));

    std::printf("listening 127.0.0.1:%u\n", unsigned(listening));
    std::fflush(stdout);
    return app.exec();
}
