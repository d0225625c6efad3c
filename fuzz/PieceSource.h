#pragma once

// The scripted bytes of a fuzz input, handed to a reply reader in pieces whose sizes the input
// chooses, so that a reader must come to the same result however the bytes arrive.

#include "net/ReplyReader.h"

#include <QByteArray>

namespace vo::fuzz {

class PieceSource final : public vo::ByteSource
{
public:
    PieceSource(QByteArray sizes, QByteArray stream) : sizes_(std::move(sizes)), stream_(std::move(stream)) {}

    bool readMore(QByteArray &buffer) override
    {
        if (position_ >= stream_.size())
            return false;
        qsizetype piece = 1;
        if (!sizes_.isEmpty())
            piece += static_cast<unsigned char>(sizes_.at(reads_++ % sizes_.size()));
        piece = qMin(piece, stream_.size() - position_);
        buffer.append(stream_.sliced(position_, piece));
        position_ += piece;
        return true;
    }

    qsizetype delivered() const { return position_; }

private:
    const QByteArray sizes_;
    const QByteArray stream_;
    qsizetype position_ = 0;
    qsizetype reads_ = 0;
};

} // namespace vo::fuzz
