#pragma once

// Prints "shown banner=B windows=N" once a window has painted for the first time: what the seller
// sees. The line says whether a banner is on show and how many windows are open, so that the
// measuring side can tell a branded start from one that failed and put up a message instead. The
// console's start and the bare reference windows report through this same watcher, so that every
// program is timed to the same moment.

#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QObject>
#include <QTimer>
#include <QWidget>

#include <cstdio>

namespace vo::bench {

class FirstPaint : public QObject
{
public:
    // With quitAfterReport the program ends once it has reported, for profiling a whole start.
    explicit FirstPaint(QWidget *window, bool quitAfterReport = false)
        : window_(window), quit_(quitAfterReport)
    {
        window->installEventFilter(this);
    }

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
        if (quit_)
            QCoreApplication::exit(0);
    }

    QWidget *const window_;
    const bool quit_;
    bool seen_ = false;
};

} // namespace vo::bench
