#pragma once

// The demo site as its own process, as scripts/run starts it. Suites that use it define
// VO_DEMO_SITE_PROGRAM as the path of vantrel-demo-site.

#include <QProcess>
#include <QRegularExpression>
#include <QStringList>

namespace vo::test {

// The running site process; stops it with SIGTERM and reports how it ended.
class SiteProcess
{
public:
    // Returns the port it listens on, 0 when it did not come up.
    quint16 start(const QString &dataDir, const QStringList &extra = {}, quint16 port = 0)
    {
        process_.setProgram(QStringLiteral(VO_DEMO_SITE_PROGRAM));
        process_.setArguments(QStringList{QStringLiteral("--port"), QString::number(port),
                                          QStringLiteral("--data"), dataDir}
                              + extra);
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process_.start();
        while (!process_.canReadLine()) {
            if (!process_.waitForReadyRead(10000))
                return 0;
        }
        const QByteArray line = process_.readLine().trimmed();
        const QRegularExpressionMatch match =
            QRegularExpression(QStringLiteral("^listening 127\\.0\\.0\\.1:(\\d+)$")).match(QString::fromLatin1(line));
        port_ = match.hasMatch() ? match.captured(1).toUShort() : 0;
        return port_;
    }

    // True when the site left by itself with exit code 0 after SIGTERM.
    bool stopCleanly()
    {
        process_.terminate();
        return process_.waitForFinished(10000) && process_.exitStatus() == QProcess::NormalExit
            && process_.exitCode() == 0;
    }

    // For a site that is expected to give up by itself.
    int exitCode()
    {
        process_.waitForFinished(10000);
        return process_.exitCode();
    }

    quint16 port() const { return port_; }

    ~SiteProcess()
    {
        if (process_.state() != QProcess::NotRunning) {
            process_.kill();
            process_.waitForFinished(10000);
        }
    }

private:
    QProcess process_;
    quint16 port_ = 0;
};

} // namespace vo::test
