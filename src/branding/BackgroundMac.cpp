#include "branding/BackgroundMac.h"

#include "branding/CryptoPrimitives.h"

namespace vo {

BackgroundMac::BackgroundMac(crypto::HmacSha1 &mac)
    : mac_(mac), worker_([this] { run(); })
{
}

BackgroundMac::~BackgroundMac()
{
    {
        std::unique_lock lock(mutex_);
        waitBelow(lock, 1);
        stopping_ = true;
    }
    changed_.notify_all();
    worker_.join();
}

void BackgroundMac::waitBelow(std::unique_lock<std::mutex> &lock, std::size_t outstanding)
{
    changed_.wait(lock, [this, outstanding] { return queue_.size() < outstanding; });
}

void BackgroundMac::submit(const unsigned char *data, std::size_t length)
{
    {
        std::unique_lock lock(mutex_);
        waitBelow(lock, kDepth);
        queue_.push_back({data, length});
    }
    changed_.notify_all();
}

void BackgroundMac::wait()
{
    std::unique_lock lock(mutex_);
    waitBelow(lock, 1);
}

void BackgroundMac::run()
{
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return !queue_.empty() || stopping_; });
        if (queue_.empty())
            return;
        const Piece piece = queue_.front();
        lock.unlock();
        mac_.update(piece.data, piece.length);
        lock.lock();
        queue_.pop_front();
        changed_.notify_all();
    }
}

} // namespace vo
