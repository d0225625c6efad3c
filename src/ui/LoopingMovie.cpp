#include "ui/LoopingMovie.h"

namespace vo {

LoopingMovie::LoopingMovie(const QByteArray &gif, QObject *parent)
    : QMovie(parent)
{
    data_.setData(gif);
    data_.open(QIODevice::ReadOnly);
    setFormat(QByteArrayLiteral("gif"));
    setDevice(&data_);
    // Every cached frame is a full-size image; a small file can hold thousands of them.
    setCacheMode(QMovie::CacheNone);
    connect(this, &QMovie::finished, this, &LoopingMovie::replay, Qt::QueuedConnection);
}

void LoopingMovie::replay()
{
    if (frameCount() < 2 || state() != QMovie::NotRunning)
        return;
    ++restarts_;
    start();
}

} // namespace vo
