#pragma once

#include <QBuffer>
#include <QByteArray>
#include <QMovie>

namespace vo {

// An animated GIF that plays round and round. QMovie plays a GIF without a loop extension only
// once; this one starts again from the first frame whenever the picture has come to its end.
// A single-frame picture just stays, as there is nothing to replay.
class LoopingMovie : public QMovie
{
    Q_OBJECT
public:
    explicit LoopingMovie(const QByteArray &gif, QObject *parent = nullptr);

    int restarts() const { return restarts_; }

private:
    void replay();

    QBuffer data_;
    int restarts_ = 0;
};

} // namespace vo
